// The gradient engine behind the Sobel, Prewitt, Frei-Chen and Canny
// operators: one pair of 3x3 derivative kernels whose middle weight w sets
// the operator,
//
//        | -1  0  1 |          | -1 -w -1 |
//   Gx = | -w  0  w |     Gy = |  0  0  0 |
//        | -1  0  1 |          |  1  w  1 |
//
// (w = 2 Sobel, w = 1 Prewitt, w = sqrt(2) Frei-Chen); x grows to the right,
// y downwards.
#pragma once

#include <cmath>
#include <cstddef>

#include "../core/helpers.h"
#include "../core/numeric.h"
#include "../core/window.h"

namespace zel {

struct Gradient {
  double gx, gy;
};

// The derivatives at c, in a plane whose rows are stride apart.
inline Gradient gradient_at(const double* c, ptrdiff_t s, double w) {
  const double gx = (c[-s + 1] + w * c[1] + c[s + 1]) - (c[-s - 1] + w * c[-1] + c[s - 1]);
  const double gy = (c[s - 1] + w * c[s] + c[s + 1]) - (c[-s - 1] + w * c[-s] + c[-s + 1]);
  return {gx, gy};
}

// Sizes out like in and fills every plane with the gradient magnitude
// sqrt(Gx^2 + Gy^2) of weight w, clamped to 0..255 (truncated toward zero
// first when `truncate`). The one-pixel border of each plane, where the
// window does not fit, is left at 0.
inline void gradient_magnitude(const CImg<double>& in, CImg<double>& out, double w, bool truncate) {
  filter3x3(in, out, Border::LeaveZero, [w, truncate](const double* c, ptrdiff_t s) {
    const Gradient g = gradient_at(c, s, w);
    const double m = std::sqrt(g.gx * g.gx + g.gy * g.gy);
    return flow(truncate ? std::trunc(m) : m);
  });
}

}  // namespace zel
