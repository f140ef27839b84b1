// Command rows: enhancement, thresholding and segmentation (local equalisation,
// the watershed, noise, integrations and washes, look-up tables, grey-level
// thresholds).
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> enhance_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      {"AdditiveNoise", "IN", [](A a, R r) { AdditiveNoiseFun(a.image(1), r.image(0), a.integer(1)); }},
      {"GaussianNoise", "IN", [](A a, R r) { GaussianNoiseFun(a.image(1), r.image(0), a.number(1)); }},
      {"PoissonNoise", "IN", [](A a, R r) { PoissonNoiseFun(a.image(1), r.image(0), a.number(1)); }},
      {"RayleighNoise", "IN", [](A a, R r) { RayleighNoiseFun(a.image(1), r.image(0), a.number(1)); }},
      {"S+PNoise", "IN", [](A a, R r) { SaltPepperNoiseFun(a.image(1), r.image(0), a.number(1)); }},
      // Integrations, row sums, isolated pixels and washes
      {"IntegrateC", "I", [](A a, R r) { IntegrateColsFun(a.image(1), r.image(0)); }},
      {"IntegrateR", "I", [](A a, R r) { IntegrateRowsFun(a.image(1), r.image(0)); }},
      {"L2RSum", "I", [](A a, R r) { L2RSumFun(a.image(1), r.image(0)); }},
      {"B2TWash", "I", [](A a, R r) { B2TWashFun(a.image(1), r.image(0)); }},
      {"T2BWash", "I", [](A a, R r) { T2BWashFun(a.image(1), r.image(0)); }},
      {"L2RWash", "I", [](A a, R r) { L2RWashFun(a.image(1), r.image(0)); }},
      {"R2LWash", "I", [](A a, R r) { R2LWashFun(a.image(1), r.image(0)); }},
      // Histogram, intensity range and look-up tables
      {"HistEqualiser", "I", [](A a, R r) { HistEqualiserFun(a.image(1), r.image(0)); }},
      {"Enhancer", "I", [](A a, R r) { IntensityRangeEnhancerFun(a.image(1), r.image(0)); }},
      {"Stretcher", "INN", [](A a, R r) { IntensityRangeStretcherFun(a.image(1), r.image(0), a.integer(1), a.integer(2)); }},
      {"Exponential", "I", [](A a, R r) { ExponentialLutFun(a.image(1), r.image(0)); }},
      {"Inverse", "I", [](A a, R r) { InverseLutFun(a.image(1), r.image(0)); }},
      {"Logarithm", "I", [](A a, R r) { LogarithmLutFun(a.image(1), r.image(0)); }},
      {"Power", "IN", [](A a, R r) { PowerLutFun(a.image(1), r.image(0), a.number(1)); }},
      {"Square", "I", [](A a, R r) { SquareLutFun(a.image(1), r.image(0)); }},
      {"GSCapThresh", "IN", [](A a, R r) { GSCapThresholdFun(a.image(1), r.image(0), a.integer(1)); }},
      {"3x3Thresh", "IN", [](A a, R r) { AdaptiveThreshold3x3Fun(a.image(1), r.image(0), a.integer(1)); }},
      {"5x5Thresh", "IN", [](A a, R r) { AdaptiveThreshold5x5Fun(a.image(1), r.image(0), a.integer(1)); }},
      {"TripleThresh", "INN", [](A a, R r) { TripleThresholdFun(a.image(1), r.image(0), a.integer(1), a.integer(2)); }},
      {"BinGrey", "IN", [](A a, R r) { BinGreyFun(a.image(1), r.image(0), a.integer(1)); }},
      {"LocalEq3x3", "I", [](A a, R r) { LocalEqualisation3x3Fun(a.image(1), r.image(0)); }},
      {"LocalEq5x5", "I", [](A a, R r) { LocalEqualisation5x5Fun(a.image(1), r.image(0)); }},
      {"Watershed", "I", [](A a, R r) { r.image(0) = a.take_image(1); WatershedFun(r.image(0), r.image(0), r.image(1)); }},
  };
}

}  // namespace zel
