// Command rows: 3-D filters, the 8-connected junction detector and face
// masking. Each writes its result image as slot 0.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> volume_filter_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      {"Gauss3D", "IN", [](A a, R r) { Gauss3DFun(a.image(1), r.image(0), a.number(1)); }},
      {"LocalMin", "IN", [](A a, R r) { LocalMinimaFun(a.image(1), r.image(0), a.integer(1)); }},
      {"LocalMax", "IN", [](A a, R r) { LocalMaximaFun(a.image(1), r.image(0), a.integer(1)); }},
      {"Conv3D", "IA", [](A a, R r) { Convolution3DFun(a.image(1), r.image(0), a.array(1)); }},
      {"Junctions8", "I", [](A a, R r) { Junction8DetectorFun(a.image(1), r.image(0)); }},
      {"Mask3D", "IN", [](A a, R r) { Mask3DFun(a.image(1), r.image(0), a.integer(1)); }},
  };
}

}  // namespace zel
