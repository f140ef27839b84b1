// Command rows: 3-D morphology, projections, the stretch and the window,
// reconstruction, labelling and the median of a volume.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> volume_morphology_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      {"Dilate3D", "IN", [](A a, R r) { Dilation3DFun(a.image(1), r.image(0), a.integer(1)); }},
      {"Erode3D", "IN", [](A a, R r) { Erosion3DFun(a.image(1), r.image(0), a.integer(1)); }},
      {"Close3D", "IN", [](A a, R r) { Close3DFun(a.image(1), r.image(0), a.integer(1)); }},
      {"Open3D", "IN", [](A a, R r) { Open3DFun(a.image(1), r.image(0), a.integer(1)); }},
      {"BeucherGrad3D", "IN", [](A a, R r) { BeucherGrad3DFun(a.image(1), r.image(0), a.integer(1)); }},
      {"AIP", "I", [](A a, R r) { AIPFun(a.image(1), r.image(0)); }},
      {"MIP", "I", [](A a, R r) { MIPFun(a.image(1), r.image(0)); }},
      {"Enhancer3D", "IN", [](A a, R r) { Enhancer3DFun(a.image(1), r.image(0), a.integer(1)); }},
      {"Window3D", "IN", [](A a, R r) { Window3DFun(a.image(1), r.image(0), a.integer(1)); }},
      {"ReconByDil3D", "IIN",
       [](A a, R r) { ReconByDil3DFun(a.image(1), a.image(2), r.image(0), r.image(1), a.integer(1)); }},
      {"Labeller3D", "I", [](A a, R r) { Labeller3DFun(a.image(1), r.image(0)); }},
      {"LabelByVol", "I", [](A a, R r) { LabelByVolFun(a.image(1), r.image(0)); }},
      {"BigBlob3D", "I", [](A a, R r) { BigBlob3DFun(a.image(1), r.image(0)); }},
      {"SmallBlob3D", "I", [](A a, R r) { SmallBlob3DFun(a.image(1), r.image(0)); }},
      {"Median3D", "I", [](A a, R r) { Median3DFun(a.image(1), r.image(0)); }},
  };
}

}  // namespace zel
