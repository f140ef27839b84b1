// Command rows: the Hough transform and its inverse.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> hough_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      {"Hough", "I", [](A a, R r) { HoughFun(a.image(1), r.image(0)); }},
      {"InvHough", "IN", [](A a, R r) { InvHoughFun(a.image(1), r.image(0), a.integer(1)); }},
  };
}

}  // namespace zel
