// Command rows: volume measures (clustering, the ejection fraction), the 3-D
// view, and the detection and segmentation commands of the same family.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> volume_measure_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      {"Cluster3D", "IN", [](A a, R r) { Cluster3DFun(a.image(1), r.image(0), a.integer(1)); }},
      {"CircDetector", "I", [](A a, R r) { CircDetectorFun(a.image(1), r.image(0), r.image(1)); }},
      {"Render3D", "I",
       [](A a, R r) {
         Render3DFun(a.image(1));
         r.image(0) = a.take_image(1);  // the input, as read
       }},
      {"LevelSet", "INN",
       [](A a, R r) { LevelSetFun(a.image(1), r.image(0), r.image(1), r.image(2), a.integer(1), a.integer(2)); }},
      {"EjectFrac", "IICC",
       [](A a, R r) { r.number(EjectionFractionFun(a.image(1), a.image(2), a.coord(1), a.coord(2))); }},
      // The number file is read, but the operation takes no third value.
      {"LineFit", "IN", [](A a, R r) { LineFittingFun(a.image(1), r.image(0)); }},
  };
}

}  // namespace zel
