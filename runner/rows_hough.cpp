// Command rows: Hough, medial axis, co-occurrence and distances.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> hough_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      {"Hough", "I", [](A a, R r) { HoughFun(a.image(1), r.image(0)); }},
      {"InvHough", "IN", [](A a, R r) { InvHoughFun(a.image(1), r.image(0), a.integer(1)); }},
      {"MedialAxis", "I", [](A a, R r) { MedialAxisFun(a.image(1), r.image(0)); }},
      {"CoOcMatGen", "I", [](A a, R r) { CoOcMatGenFun(a.image(1), r.image(0)); }},
      {"CoHomog", "I", [](A a, R r) { r.number(CoHomogFun(a.image(1))); }},
      {"CoEntropy", "I", [](A a, R r) { r.number(CoEntropyFun(a.image(1))); }},
      {"CoEnergy", "I", [](A a, R r) { r.number(CoEnergyFun(a.image(1))); }},
      {"CoContrast", "I", [](A a, R r) { r.number(CoContrastFun(a.image(1))); }},
      {"L2RDistance", "I", [](A a, R r) { L2RDistTransformFun(a.image(1), r.image(0)); }},
      {"R2LDistance", "I", [](A a, R r) { R2LDistTransformFun(a.image(1), r.image(0)); }},
      {"T2BDistance", "I", [](A a, R r) { T2BDistTransformFun(a.image(1), r.image(0)); }},
      {"B2TDistance", "I", [](A a, R r) { B2TDistTransformFun(a.image(1), r.image(0)); }},
      {"3x3Distance", "I", [](A a, R r) { DistanceTransform3x3Fun(a.image(1), r.image(0)); }},
      {"5x5Distance", "I", [](A a, R r) { DistanceTransform5x5Fun(a.image(1), r.image(0)); }},
      {"GFTransform", "I", [](A a, R r) { GFTransformFun(a.image(1), r.image(0)); }},
  };
}

}  // namespace zel
