// Command rows: measurements and point thresholds. A measurement writes its number (an
// int result converted exactly to a double) as the slot-0 number file.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> measure_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      // Measurements
      {"EulerNum", "I", [](A a, R r) { r.number(EulerNumFun(a.image(1))); }},
      {"WPCounter", "I", [](A a, R r) { r.number(WhitePixelCounterFun(a.image(1))); }},
      {"CoOcMatGen", "I", [](A a, R r) { CoOcMatGenFun(a.image(1), r.image(0)); }},
      {"CoHomog", "I", [](A a, R r) { r.number(CoHomogFun(a.image(1))); }},
      {"CoEntropy", "I", [](A a, R r) { r.number(CoEntropyFun(a.image(1))); }},
      {"CoEnergy", "I", [](A a, R r) { r.number(CoEnergyFun(a.image(1))); }},
      {"CoContrast", "I", [](A a, R r) { r.number(CoContrastFun(a.image(1))); }},
      {"AvgIntensity", "I", [](A a, R r) { r.number(AverageIntensityFun(a.image(1))); }},
      {"EntropyCalc", "I", [](A a, R r) { r.number(EntropyCalcFun(a.image(1))); }},
      {"HighestGrey", "I", [](A a, R r) { r.number(HighestGreyFun(a.image(1))); }},
      {"KurtosisCalc", "I", [](A a, R r) { r.number(KurtosisCalcFun(a.image(1))); }},
      {"LowestGrey", "I", [](A a, R r) { r.number(LowestGreyFun(a.image(1))); }},
      {"MSECalc", "II", [](A a, R r) { r.number(MSECalcFun(a.image(1), a.image(2))); }},
      {"SkewCalc", "I", [](A a, R r) { r.number(SkewCalcFun(a.image(1))); }},
      {"STDCalc", "I", [](A a, R r) { r.number(STDCalcFun(a.image(1))); }},
      {"VarianceCalc", "I", [](A a, R r) { r.number(VarianceCalcFun(a.image(1))); }},

      // Point thresholds
      {"DualThresh", "INN", [](A a, R r) { auto& im = over_input(a, r); DoubleThresholdFun(im, im, a.integer(1), a.integer(2)); }, QuarterTurn::Transposed},
      {"EntropicThresh", "I", [](A a, R r) { r.number(EntropicThresholdFun(a.image(1))); }},
      {"MidThresh", "I", [](A a, R r) { auto& im = over_input(a, r); MidThresholdFun(im, im); }},
      {"Threshold", "IN", [](A a, R r) { auto& im = over_input(a, r); ThresholdFun(im, im, a.integer(1)); }, QuarterTurn::Transposed},
  };
}

}  // namespace zel
