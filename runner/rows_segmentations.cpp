// Command rows: the threshold-selecting segmentations.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> segmentation_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      {"KapurSeg", "I", [](A a, R r) { KapurSegmentationFun(a.image(1), r.image(0)); }},
      {"KittlerSeg", "I", [](A a, R r) { KittlerSegmentationFun(a.image(1), r.image(0)); }},
      {"LloydSeg", "I", [](A a, R r) { LloydSegmentationFun(a.image(1), r.image(0)); }},
      {"ModNiblackSeg", "I", [](A a, R r) { ModifiedNiblackSegmentationFun(a.image(1), r.image(0)); }},
      {"OtsuSeg", "I", [](A a, R r) { OtsuSegmentationFun(a.image(1), r.image(0)); }},
      {"PalumboSeg", "I", [](A a, R r) { PalumboSegmentationFun(a.image(1), r.image(0)); }},
      {"RiddlerSeg", "I", [](A a, R r) { RiddlerSegmentationFun(a.image(1), r.image(0)); }},
      {"SauvolaSeg", "I", [](A a, R r) { SauvolaSegmentationFun(a.image(1), r.image(0)); }},
      {"TsaiSeg", "I", [](A a, R r) { TsaiSegmentationFun(a.image(1), r.image(0)); }},
      {"YanniSeg", "I", [](A a, R r) { YanniSegmentationFun(a.image(1), r.image(0)); }},
  };
}

}  // namespace zel
