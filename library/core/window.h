// The 3x3 window engine that the neighbourhood operations share: the loops
// over planes and pixels and the border rules are written once here, so that
// an operation is the few lines that combine one window.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "border.h"
#include "helpers.h"
#include "parallel.h"

namespace zel {

// Copies a w x h plane into the middle of a (w + 2) x (h + 2) buffer whose
// one-pixel frame follows the padding rule b (ZeroPadded or RepeatEdge).
inline void pad_plane(const double* plane, size_t w, size_t h, Border b, std::vector<double>& padded) {
  const size_t pw = w + 2;
  padded.resize(pw * (h + 2));
  for (size_t y = 0; y < h; ++y) {
    double* row = padded.data() + (y + 1) * pw + 1;
    std::copy(plane + y * w, plane + (y + 1) * w, row);
    pad_row(row, w, 1, b);
  }
  double* first = padded.data();
  double* last = padded.data() + (h + 1) * pw;
  if (b == Border::RepeatEdge) {
    std::copy(first + pw, first + 2 * pw, first);
    std::copy(last - pw, last, last);
  } else {
    std::fill(first, first + pw, 0.0);
    std::fill(last, last + pw, 0.0);
  }
}

// Sizes out like in and sets every pixel of every slice and channel to
// f(c, stride), where c points at the pixel in a row-major plane whose rows
// are stride apart, so that c[-stride - 1] .. c[stride + 1] is its window.
// Any border rule: with LeaveZero and CopyInput the window is read in place
// and only the interior is computed; with ZeroPadded and RepeatEdge every
// pixel is computed from a padded copy of the plane. The rows of a plane are
// split over the threads, so f may be called concurrently (for distinct
// pixels) and must not write shared state without synchronising.
template <class F>
void filter3x3(const CImg<double>& in, CImg<double>& out, Border border, F f) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  std::vector<double> padded;
  for (int c = 0; c < in.spectrum(); ++c)
    for (int z = 0; z < in.depth(); ++z) {
      const double* src = plane_at(in, z, c);
      double* dst = plane_at(out, z, c);
      if (!leaves_frame(border)) {
        pad_plane(src, w, h, border, padded);
        const ptrdiff_t pw = static_cast<ptrdiff_t>(w + 2);
        const double* pad = padded.data();
        parallel_ranges(h, 9 * w * h, [&](size_t y0, size_t y1) {
          for (size_t y = y0; y < y1; ++y) {
            const double* row = pad + (y + 1) * (w + 2) + 1;
            double* o = dst + y * w;
            for (size_t x = 0; x < w; ++x) o[x] = f(row + x, pw);
          }
        });
        continue;
      }
      // The one-pixel frame, then the interior, written once.
      write_frame(src, dst, w, h, {1, 1, 1, 1}, border);
      if (w < 3 || h < 3) continue;  // every pixel is frame
      const ptrdiff_t stride = static_cast<ptrdiff_t>(w);
      parallel_ranges(h - 2, 9 * w * h, [&](size_t y0, size_t y1) {
        for (size_t y = y0 + 1; y < y1 + 1; ++y) {
          const double* row = src + y * w;
          double* o = dst + y * w;
          for (size_t x = 1; x + 1 < w; ++x) o[x] = f(row + x, stride);
        }
      });
    }
}

}  // namespace zel
