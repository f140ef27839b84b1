// Command rows: measurements and local equalisation. A measurement writes
// its number (an int result converted exactly to a double) as the slot-0
// number file.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> measure_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      {"AvgIntensity", "I", [](A a, R r) { r.number(AverageIntensityFun(a.image(1))); }},
      {"EntropyCalc", "I", [](A a, R r) { r.number(EntropyCalcFun(a.image(1))); }},
      {"HighestGrey", "I", [](A a, R r) { r.number(HighestGreyFun(a.image(1))); }},
      {"KurtosisCalc", "I", [](A a, R r) { r.number(KurtosisCalcFun(a.image(1))); }},
      {"LowestGrey", "I", [](A a, R r) { r.number(LowestGreyFun(a.image(1))); }},
      {"MSECalc", "II", [](A a, R r) { r.number(MSECalcFun(a.image(1), a.image(2))); }},
      {"SkewCalc", "I", [](A a, R r) { r.number(SkewCalcFun(a.image(1))); }},
      {"STDCalc", "I", [](A a, R r) { r.number(STDCalcFun(a.image(1))); }},
      {"VarianceCalc", "I", [](A a, R r) { r.number(VarianceCalcFun(a.image(1))); }},
      {"LocalEq3x3", "I", [](A a, R r) { LocalEqualisation3x3Fun(a.image(1), r.image(0)); }},
      {"LocalEq5x5", "I", [](A a, R r) { LocalEqualisation5x5Fun(a.image(1), r.image(0)); }},
  };
}

}  // namespace zel
