// Command rows: two-image arithmetic and logic. The third argument is always
// the first operand (minuend, dividend) and the fourth the second.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> arithmetic_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      {"Add", "II", [](A a, R r) { AddImgFun(a.image(1), a.image(2), r.image(0)); }},
      {"And", "II", [](A a, R r) { AndImgFun(a.image(1), a.image(2), r.image(0)); }},
      {"Divide", "II", [](A a, R r) { DivideImgFun(a.image(1), a.image(2), r.image(0)); }},
      {"Maximum", "II", [](A a, R r) { MaximumImgFun(a.image(1), a.image(2), r.image(0)); }},
      {"Minimum", "II", [](A a, R r) { MinimumImgFun(a.image(1), a.image(2), r.image(0)); }},
      {"Multiply", "II", [](A a, R r) { MultiplyImgFun(a.image(1), a.image(2), r.image(0)); }},
      {"OR", "II", [](A a, R r) { OrImgFun(a.image(1), a.image(2), r.image(0)); }},
      {"NOT", "I", [](A a, R r) { NotImgFun(a.image(1), r.image(0)); }},
      {"Subtract", "II", [](A a, R r) { SubtractImgFun(a.image(1), a.image(2), r.image(0)); }},
      {"XOR", "II", [](A a, R r) { XorImgFun(a.image(1), a.image(2), r.image(0)); }},
  };
}

}  // namespace zel
