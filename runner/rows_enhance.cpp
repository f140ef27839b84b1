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
      {"AdditiveNoise", "IN", [](A a, R r) { auto& im = over_input(a, r); AdditiveNoiseFun(im, im, a.integer(1)); }},
      {"GaussianNoise", "IN", [](A a, R r) { auto& im = over_input(a, r); GaussianNoiseFun(im, im, a.number(1)); }},
      {"PoissonNoise", "IN", [](A a, R r) { auto& im = over_input(a, r); PoissonNoiseFun(im, im, a.number(1)); }},
      {"RayleighNoise", "IN", [](A a, R r) { auto& im = over_input(a, r); RayleighNoiseFun(im, im, a.number(1)); }},
      {"S+PNoise", "IN", [](A a, R r) { auto& im = over_input(a, r); SaltPepperNoiseFun(im, im, a.number(1)); }},
      // Integrations, row sums, isolated pixels and washes
      {"IntegrateC", "I", [](A a, R r) { IntegrateColsFun(a.image(1), r.image(0)); }},
      {"IntegrateR", "I", [](A a, R r) { IntegrateRowsFun(a.image(1), r.image(0)); }},
      {"L2RSum", "I", [](A a, R r) { L2RSumFun(a.image(1), r.image(0)); }},
      {"B2TWash", "I", [](A a, R r) { B2TWashFun(a.image(1), r.image(0)); }},
      {"T2BWash", "I", [](A a, R r) { T2BWashFun(a.image(1), r.image(0)); }},
      {"L2RWash", "I", [](A a, R r) { L2RWashFun(a.image(1), r.image(0)); }},
      {"R2LWash", "I", [](A a, R r) { R2LWashFun(a.image(1), r.image(0)); }},
      // Histogram, intensity range and look-up tables
      {"HistEqualiser", "I", [](A a, R r) { auto& im = over_input(a, r); HistEqualiserFun(im, im); }},
      {"Enhancer", "I", [](A a, R r) { auto& im = over_input(a, r); IntensityRangeEnhancerFun(im, im); }},
      {"Stretcher", "INN", [](A a, R r) { auto& im = over_input(a, r); IntensityRangeStretcherFun(im, im, a.integer(1), a.integer(2)); }},
      {"Exponential", "I", [](A a, R r) { auto& im = over_input(a, r); ExponentialLutFun(im, im); }, QuarterTurn::Transposed},
      {"Inverse", "I", [](A a, R r) { auto& im = over_input(a, r); InverseLutFun(im, im); }, QuarterTurn::Transposed},
      {"Logarithm", "I", [](A a, R r) { auto& im = over_input(a, r); LogarithmLutFun(im, im); }, QuarterTurn::Transposed},
      {"Power", "IN", [](A a, R r) { auto& im = over_input(a, r); PowerLutFun(im, im, a.number(1)); }, QuarterTurn::Transposed},
      {"Square", "I", [](A a, R r) { auto& im = over_input(a, r); SquareLutFun(im, im); }, QuarterTurn::Transposed},
      {"GSCapThresh", "IN", [](A a, R r) { auto& im = over_input(a, r); GSCapThresholdFun(im, im, a.integer(1)); }, QuarterTurn::Transposed},
      {"3x3Thresh", "IN", [](A a, R r) { AdaptiveThreshold3x3Fun(a.image(1), r.image(0), a.integer(1)); }},
      {"5x5Thresh", "IN", [](A a, R r) { AdaptiveThreshold5x5Fun(a.image(1), r.image(0), a.integer(1)); }},
      {"TripleThresh", "INN", [](A a, R r) { auto& im = over_input(a, r); TripleThresholdFun(im, im, a.integer(1), a.integer(2)); }, QuarterTurn::Transposed},
      {"BinGrey", "IN", [](A a, R r) { auto& im = over_input(a, r); BinGreyFun(im, im, a.integer(1)); }, QuarterTurn::Transposed},
      {"LocalEq3x3", "I", [](A a, R r) { LocalEqualisation3x3Fun(a.image(1), r.image(0)); }},
      {"LocalEq5x5", "I", [](A a, R r) { LocalEqualisation5x5Fun(a.image(1), r.image(0)); }},
      {"Watershed", "I", [](A a, R r) {
         CImg<double>& im = over_input(a, r);
         WatershedFun(im, im, r.image(1));
       }},
  };
}

}  // namespace zel
