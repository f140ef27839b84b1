// Grey-level co-occurrence matrix of horizontally adjacent pixels and its
// texture measures. The matrix has 256 columns by 256 rows per slice and
// channel; column and row are the grey levels of a pair, and the cells hold
// counts (the matrix is not normalised, and the measures take the cells as
// they are). The measures read any image as such a matrix: column = x,
// row = y.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "helpers.h"
#include "sample_statistics.h"
#include "../dll.h"

namespace zel {
namespace {

constexpr int kLevels = 256;

// The grey level of a sample truncated toward zero, or -1 when that is not
// 0..255 (NaN included).
inline int level(double v) { return v > -1.0 && v < 256.0 ? static_cast<int>(v) : -1; }

// Sum over the cells of slice 0 of every channel of f(cell, column, row),
// divided by the channel count; 0 for an empty image.
template <class F>
double per_channel_mean(const CImg<double>& in, F f) {
  if (in.is_empty()) return 0.0;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  double sum = 0.0;
  for (int c = 0; c < in.spectrum(); ++c) sum = stats::cooccurrence_sum(plane_at(in, 0, c), w, h, f, sum);
  return sum / in.spectrum();
}

}  // namespace
}  // namespace zel

using namespace zel;

// Each horizontally adjacent pair (a, b) adds 1 to cell (column a, row b) and
// 1 to cell (b, a) (2 to (a, a) for equal levels). A pair with a sample
// whose truncated level is outside 0..255 has no cell and is not counted.
ZEL_API void CoOcMatGenFun(const CImg<double>& in, CImg<double>& out) {
  out.assign(kLevels, kLevels, in.depth(), in.spectrum(), 0.0);
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  std::vector<int> levels(w);
  for_each_plane_pair(in, out, [&](const double* src, double* m) {
    for (size_t y = 0; y < h; ++y) {
      for (size_t x = 0; x < w; ++x) levels[x] = level(src[y * w + x]);
      for (size_t x = 0; x + 1 < w; ++x) {
        const int a = levels[x], b = levels[x + 1];
        if ((a | b) < 0) continue;
        m[b * kLevels + a] += 1.0;
        m[a * kLevels + b] += 1.0;
      }
    }
  });
}

// Sum of trunc(cell) / (1 + |column - row|) over every cell of every slice
// and channel, divided by slices x channels; 0 for an empty image. The
// truncated cell is divided as a real number (no integer division), and is
// truncated as a real, which equals the int truncation wherever an int holds
// the value and stays sound beyond.
ZEL_API double CoHomogFun(const CImg<double>& in) {
  if (in.is_empty()) return 0.0;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  double sum = 0.0;
  for (int c = 0; c < in.spectrum(); ++c)
    for (int z = 0; z < in.depth(); ++z) sum = stats::cooccurrence_sum(plane_at(in, z, c), w, h, stats::CoHomogCell{true}, sum);
  return sum / (static_cast<double>(in.depth()) * in.spectrum());
}

// -sum P ln P over the positive cells P (a count is never negative; other
// cells have no logarithm and are skipped).
ZEL_API double CoEntropyFun(const CImg<double>& in) { return per_channel_mean(in, stats::CoEntropyCell{}); }

ZEL_API double CoEnergyFun(const CImg<double>& in) { return per_channel_mean(in, stats::CoEnergyCell{}); }

ZEL_API double CoContrastFun(const CImg<double>& in) { return per_channel_mean(in, stats::CoContrastCell{}); }
