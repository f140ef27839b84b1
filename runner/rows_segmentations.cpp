// Command rows: the threshold-selecting segmentations.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> segmentation_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      {"KapurSeg", "I", [](A a, R r) { auto& im = over_input(a, r); KapurSegmentationFun(im, im); }},
      {"KittlerSeg", "I", [](A a, R r) { auto& im = over_input(a, r); KittlerSegmentationFun(im, im); }},
      {"LloydSeg", "I", [](A a, R r) { auto& im = over_input(a, r); LloydSegmentationFun(im, im); }},
      {"ModNiblackSeg", "I", [](A a, R r) { ModifiedNiblackSegmentationFun(a.image(1), r.image(0)); }},
      {"OtsuSeg", "I", [](A a, R r) { auto& im = over_input(a, r); OtsuSegmentationFun(im, im); }},
      {"PalumboSeg", "I", [](A a, R r) { PalumboSegmentationFun(a.image(1), r.image(0)); }},
      {"RiddlerSeg", "I", [](A a, R r) { auto& im = over_input(a, r); RiddlerSegmentationFun(im, im); }},
      {"SauvolaSeg", "I", [](A a, R r) { SauvolaSegmentationFun(a.image(1), r.image(0)); }},
      {"TsaiSeg", "I", [](A a, R r) { auto& im = over_input(a, r); TsaiSegmentationFun(im, im); }},
      {"YanniSeg", "I", [](A a, R r) { auto& im = over_input(a, r); YanniSegmentationFun(im, im); }},
  };
}

}  // namespace zel
