// Command rows: volume measures (clustering). Each writes its result image as
// slot 0.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> volume_measure_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      {"Cluster3D", "IN", [](A a, R r) { Cluster3DFun(a.image(1), r.image(0), a.integer(1)); }},
  };
}

}  // namespace zel
