// The 3x3 largest and smallest neighbour filters (grey dilation and
// erosion with a 3x3 square).
//
// Both are separable: the extreme of a 3x3 window is the extreme of the
// three row extremes above, at and below the pixel. Each row's extremes of
// three are computed once into a ring of three row buffers, then combined
// column-wise, so every pixel costs four comparisons in loops that the
// compiler vectorises, instead of eight comparisons and nine loads in a
// generic window loop.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "../core/helpers.h"
#include "../core/border.h"
#include "../core/numeric.h"
#include "../core/parallel.h"
#include "../core/window.h"
#include "../dll.h"

namespace {

using zel::PickMax;
using zel::PickMin;

// Sizes out like in and fills every plane with the 3x3 extreme of each
// pixel under the border rule ZeroPadded or LeaveZero, the same result as
// zel::filter3x3 with a nine-sample extreme.
template <class Pick>
void extreme3x3(const CImg<double>& in, CImg<double>& out, zel::Border border, Pick pick) {
  zel::require_border(border, {zel::Border::ZeroPadded, zel::Border::LeaveZero}, "the 3x3 extreme filter");
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  const bool padded = border == zel::Border::ZeroPadded;
  if (!padded && (w < 3 || h < 3)) {  // no interior pixel: all border
    std::fill(out.data(), out.data() + out.size(), 0.0);
    return;
  }
  // Row extremes of three; with zero padding the two end pixels also meet an outside 0.
  auto row_extremes = [&](const double* r, double* e) {
    if (w == 1) {
      e[0] = pick(r[0], 0.0);
      return;
    }
    for (size_t x = 1; x + 1 < w; ++x) e[x] = pick(pick(r[x - 1], r[x]), r[x + 1]);
    e[0] = padded ? pick(pick(r[0], r[1]), 0.0) : 0.0;
    e[w - 1] = padded ? pick(pick(r[w - 2], r[w - 1]), 0.0) : 0.0;
  };
  std::vector<double> top(w), below(w), first(w), last(w), edges;
  zel::for_each_plane(in, [&](const double* src, int z, int c) {
    double* dst = zel::plane_at(out, z, c);
    row_extremes(src, top.data());
    if (h == 1) {
      for (size_t x = 0; x < w; ++x) dst[x] = pick(top[x], 0.0);
      return;
    }
    // The first and last rows, from the rows at either end.
    row_extremes(src + w, below.data());
    std::fill(first.begin(), first.end(), 0.0);
    std::fill(last.begin(), last.end(), 0.0);
    if (padded) {
      for (size_t x = 0; x < w; ++x) first[x] = pick(pick(top[x], below[x]), 0.0);
      row_extremes(src + (h - 2) * w, top.data());
      row_extremes(src + (h - 1) * w, below.data());
      for (size_t x = 0; x < w; ++x) last[x] = pick(pick(top[x], below[x]), 0.0);
    }
    // The rows between the first and the last, in bands over the threads.
    // Written over the input (dst == src), a band reads one row on either
    // side that its neighbours overwrite: their row extremes are taken
    // before any band starts. Within a band, row y is overwritten only after
    // the extremes of rows y - 1, y and y + 1 are in the ring.
    const size_t n = h - 2, bands = static_cast<size_t>(zel::parallel_threads(n, 4 * w * h));
    const auto band_start = [&](size_t b) { return zel::part_start(n, bands, b); };
    edges.assign(2 * bands * w, 0.0);
    for (size_t b = 0; b < bands; ++b) {
      row_extremes(src + band_start(b) * w, edges.data() + 2 * b * w);
      row_extremes(src + (band_start(b + 1) + 1) * w, edges.data() + (2 * b + 1) * w);
    }
    zel::parallel_ranges(bands, 4 * w * h, [&](size_t b0, size_t b1) {
      std::vector<double> ring(3 * w), line(w);
      for (size_t b = b0; b < b1; ++b) {
        const size_t y0 = band_start(b), y1 = band_start(b + 1);
        double* e[3] = {ring.data(), ring.data() + w, ring.data() + 2 * w};  // rows y-1, y, y+1
        std::copy_n(edges.data() + 2 * b * w, w, e[1]);
        row_extremes(src + (y0 + 1) * w, e[2]);
        for (size_t y = y0 + 1; y < y1 + 1; ++y) {
          std::rotate(e, e + 1, e + 3);
          if (y + 1 == y1 + 1) std::copy_n(edges.data() + (2 * b + 1) * w, w, e[2]);
          else row_extremes(src + (y + 1) * w, e[2]);
          const double *a = e[0], *m = e[1], *d = e[2];
          double* o = line.data();
          for (size_t x = 0; x < w; ++x) o[x] = pick(pick(a[x], m[x]), d[x]);
          if (!padded) o[0] = o[w - 1] = 0.0;
          // The output row is not read again: streamed past the cache.
          zel::stream_copy(dst + y * w, o, w);
        }
      }
    });
    zel::stream_fence();
    std::copy_n(first.data(), w, dst);
    std::copy_n(last.data(), w, dst + (h - 1) * w);
  });
}

}  // namespace

// Outside pixels count as 0, so every pixel, border included, is computed.
ZEL_API void LargestIntensityNeighbourFun(const CImg<double>& in, CImg<double>& out) {
  extreme3x3(in, out, zel::Border::ZeroPadded, PickMax());
}

// Interior pixels only; the one-pixel border of every plane is 0.
ZEL_API void SmallestIntensityNeighbourFun(const CImg<double>& in, CImg<double>& out) {
  extreme3x3(in, out, zel::Border::LeaveZero, PickMin());
}
