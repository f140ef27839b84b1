// Command rows: morphology with a 3x3 window or a structuring element,
// reconstruction, the double threshold and the watershed.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> morphology_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      {"DBLT", "INN", [](A a, R r) { DBLTFun(a.image(1), r.image(0), r.image(1), r.image(2), a.integer(1), a.integer(2)); }},
      {"Dilation", "IN", [](A a, R r) { DilationFun(a.image(1), r.image(0), a.integer(1)); }},
      {"DilationNxN", "IA", [](A a, R r) { DilationNxNFun(a.image(1), r.image(0), a.array(1)); }},
      {"Erosion", "IN", [](A a, R r) { ErosionFun(a.image(1), r.image(0), a.integer(1)); }},
      {"ErosionNxN", "IA", [](A a, R r) { ErosionNxNFun(a.image(1), r.image(0), a.array(1)); }},
      {"BeucherGrad", "IN", [](A a, R r) { BeucherGradientFun(a.image(1), r.image(0), a.integer(1)); }},
      {"Close", "IN", [](A a, R r) { CloseFun(a.image(1), r.image(0), a.integer(1)); }},
      {"CloseNxN", "IA", [](A a, R r) { CloseNxNFun(a.image(1), r.image(0), a.array(1)); }},
      {"Open", "IN", [](A a, R r) { OpenFun(a.image(1), r.image(0), a.integer(1)); }},
      {"OpenNxN", "IA", [](A a, R r) { OpenNxNFun(a.image(1), r.image(0), a.array(1)); }},
      {"HitAndMiss", "IAA", [](A a, R r) { HitAndMissFun(a.image(1), r.image(0), a.array(1), a.array(2)); }},
      {"TopHat", "IN", [](A a, R r) { MorphTopHatFun(a.image(1), r.image(0), a.integer(1)); }},
      {"Valley", "IN", [](A a, R r) { MorphValleyFun(a.image(1), r.image(0), a.integer(1)); }},
      {"ReconByDil", "IIN", [](A a, R r) { ReconByDilationFun(a.image(1), a.image(2), r.image(0), r.image(1), a.integer(1)); }},
      {"Watershed", "I", [](A a, R r) { WatershedFun(a.image(1), r.image(0), r.image(1)); }},
  };
}

}  // namespace zel
