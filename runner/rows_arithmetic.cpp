// Command rows: two-image arithmetic and logic. The third argument is always
// the first operand (minuend, dividend) and the fourth the second.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> arithmetic_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      {"Add", "II", [](A a, R r) { auto& im = over_input(a, r); AddImgFun(im, a.image(2), im); }},
      {"And", "II", [](A a, R r) { auto& im = over_input(a, r); AndImgFun(im, a.image(2), im); }},
      {"Divide", "II", [](A a, R r) { auto& im = over_input(a, r); DivideImgFun(im, a.image(2), im); }},
      {"Maximum", "II", [](A a, R r) { auto& im = over_input(a, r); MaximumImgFun(im, a.image(2), im); }},
      {"Minimum", "II", [](A a, R r) { auto& im = over_input(a, r); MinimumImgFun(im, a.image(2), im); }},
      {"Multiply", "II", [](A a, R r) { auto& im = over_input(a, r); MultiplyImgFun(im, a.image(2), im); }},
      {"OR", "II", [](A a, R r) { auto& im = over_input(a, r); OrImgFun(im, a.image(2), im); }},
      {"NOT", "I", [](A a, R r) { auto& im = over_input(a, r); NotImgFun(im, im); }, QuarterTurn::Transposed},
      {"Subtract", "II", [](A a, R r) { auto& im = over_input(a, r); SubtractImgFun(im, a.image(2), im); }},
      {"XOR", "II", [](A a, R r) { auto& im = over_input(a, r); XorImgFun(im, a.image(2), im); }},
  };
}

}  // namespace zel
