// Local (rank) equalisation: every pixel becomes the share of its
// neighbours in a square window that are strictly darker than it, scaled to
// 0..255. Pixels outside the image count as 0. A NaN pixel has no darker
// neighbour (0) and a NaN neighbour is never darker.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "../core/border.h"
#include "../core/helpers.h"
#include "../dll.h"

namespace {

// Sizes out like in and sets every pixel to scale times the number of its
// neighbours in the (2R + 1) x (2R + 1) window that are strictly smaller,
// under the border rule ZeroPadded.
// Both window sizes share this engine rather than the generic 3x3 one: the
// count goes offset by offset along a stretch of a row, a compare-and-add
// loop the compiler vectorises (about three times faster than a per-pixel
// window). The plane is read through a ring of 2R + 1 padded rows
// (rows outside the image all zero), so no padded copy of a plane is made,
// and each row is taken in stretches of kStretch pixels so that the counts
// and the rows in use stay in the first-level cache.
template <int R>
void count_darker(const CImg<double>& in, CImg<double>& out, zel::Border border, double scale) {
  zel::require_border(border, {zel::Border::ZeroPadded}, "local equalisation");
  constexpr size_t kRows = 2 * R + 1, kStretch = 512;
  if (&in == &out) {  // rows are overwritten while the ring still has to load later ones
    CImg<double> fresh;
    count_darker<R>(in, fresh, border, scale);
    out.swap(fresh);
    return;
  }
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  const size_t pw = w + 2 * R;
  double count[kStretch];
  std::vector<double> ring(kRows * pw, 0.0);
  zel::for_each_plane(in, [&](const double* src, int z, int c) {
    double* dst = zel::plane_at(out, z, c);
    // The padded row of image row y (y may lie R rows outside) sits in ring slot (y + R) mod kRows.
    auto slot = [&](size_t y_plus_r) { return ring.data() + (y_plus_r % kRows) * pw; };
    auto load = [&](size_t y_plus_r) {
      double* r = slot(y_plus_r);
      if (y_plus_r >= R && y_plus_r - R < h) {
        std::copy(src + (y_plus_r - R) * w, src + (y_plus_r - R + 1) * w, r + R);
        zel::pad_row(r + R, w, R, border);
      } else {
        std::fill(r, r + pw, 0.0);
      }
    };
    for (size_t k = 0; k < 2 * R; ++k) load(k);
    for (size_t y = 0; y < h; ++y) {
      load(y + 2 * R);
      const double* centre = slot(y + R) + R;
      double* o = dst + y * w;
      for (size_t x0 = 0; x0 < w; x0 += kStretch) {
        const size_t n = std::min(kStretch, w - x0);
        const double* ct = centre + x0;
        std::fill(count, count + n, 0.0);
        for (size_t k = 0; k < kRows; ++k) {
          const double* row = slot(y + k) + R + x0;
          for (size_t x = 0; x < n; ++x) {
            double m = 0.0;
            for (int dx = -R; dx <= R; ++dx) m += row[x + dx] < ct[x] ? 1.0 : 0.0;  // never true for the pixel itself
            count[x] += m;
          }
        }
        for (size_t x = 0; x < n; ++x) o[x0 + x] = scale * count[x];
      }
    }
  });
}

}  // namespace

ZEL_API void LocalEqualisation3x3Fun(const CImg<double>& in, CImg<double>& out) {
  count_darker<1>(in, out, zel::Border::ZeroPadded, 255.0 * 0.125);
}

ZEL_API void LocalEqualisation5x5Fun(const CImg<double>& in, CImg<double>& out) {
  count_darker<2>(in, out, zel::Border::ZeroPadded, 255.0 / 24.0);
}
