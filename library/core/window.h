// The 3x3 window engine that the neighbourhood operations share: the loops
// over planes and pixels and the border rules are written once here, so that
// an operation is the few lines that combine one window.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "helpers.h"

namespace zel {

// What a 3x3 operation does at the image border.
enum class Border {
  ZeroPadded,  // every pixel computed; pixels outside the image count as 0
  LeaveZero,   // interior pixels computed; the one-pixel border of each plane is 0
  CopyInput,   // interior pixels computed; the one-pixel border keeps the input's values
};

// Copies a w x h plane into the middle of a (w + 2) x (h + 2) buffer whose
// frame is 0.
inline void pad_plane(const double* plane, size_t w, size_t h, std::vector<double>& padded) {
  const size_t pw = w + 2;
  padded.assign(pw * (h + 2), 0.0);
  for (size_t y = 0; y < h; ++y) std::copy(plane + y * w, plane + (y + 1) * w, padded.data() + (y + 1) * pw + 1);
}

// Sizes out like in and sets every pixel of every slice and channel to
// f(c, stride), where c points at the pixel in a row-major plane whose rows
// are stride apart, so that c[-stride - 1] .. c[stride + 1] is its window.
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
      if (border == Border::ZeroPadded) {
        pad_plane(src, w, h, padded);
        const ptrdiff_t pw = static_cast<ptrdiff_t>(w + 2);
        for (size_t y = 0; y < h; ++y) {
          const double* row = padded.data() + (y + 1) * (w + 2) + 1;
          double* o = dst + y * w;
          for (size_t x = 0; x < w; ++x) o[x] = f(row + x, pw);
        }
        continue;
      }
      // The one-pixel frame (0 or copied), then the interior; the interior
      // is written once.
      const bool copy = border == Border::CopyInput;
      if (w < 3 || h < 3) {  // every pixel is frame
        if (copy) std::copy(src, src + w * h, dst);
        else std::fill(dst, dst + w * h, 0.0);
        continue;
      }
      for (size_t y = 0; y < h; y += (y == 0 ? h - 1 : h)) {  // first and last rows
        if (copy) std::copy(src + y * w, src + (y + 1) * w, dst + y * w);
        else std::fill(dst + y * w, dst + (y + 1) * w, 0.0);
      }
      for (size_t y = 1; y + 1 < h; ++y) {  // first and last columns
        dst[y * w] = copy ? src[y * w] : 0.0;
        dst[y * w + w - 1] = copy ? src[y * w + w - 1] : 0.0;
      }
      const ptrdiff_t stride = static_cast<ptrdiff_t>(w);
      for (size_t y = 1; y + 1 < h; ++y) {
        const double* row = src + y * w;
        double* o = dst + y * w;
        for (size_t x = 1; x + 1 < w; ++x) o[x] = f(row + x, stride);
      }
    }
}

}  // namespace zel
