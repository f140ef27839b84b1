// The 3x3x3 block engine of the volume filters: loops over channels, slices
// and rows written once, with the border rule the filters share (the first
// and last slice repeated beyond the volume; the one-pixel frame of every
// slice keeping the input), and a separable running path for reductions
// (sum, maximum, minimum) so that a block costs a few operations per voxel.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "../core/helpers.h"

namespace zel {

// When out is in, fill(fresh) runs into a new image that then replaces out,
// so that no operation writes the image it is still reading; returns
// whether it did (the caller then has nothing left to do).
template <class Fill>
bool fill_aside(const CImg<double>& in, CImg<double>& out, Fill fill) {
  if (&out != &in) return false;
  CImg<double> fresh;
  fill(fresh);
  out.swap(fresh);
  return true;
}

namespace block3 {

// The nine rows of the block around row y of slice z: rows[dz][dy] (0, 1, 2
// for -1, 0, +1) points at x = 0 of that row; slices beyond the volume are
// the first or last slice repeated.
struct Rows {
  const double* r[3][3];
};

inline Rows rows_at(const CImg<double>& in, int z, int c, size_t y) {
  const int d = in.depth();
  const size_t w = static_cast<size_t>(in.width());
  const int zs[3] = {std::max(z - 1, 0), z, std::min(z + 1, d - 1)};
  Rows b;
  for (int k = 0; k < 3; ++k) {
    const double* plane = plane_at(in, zs[k], c);
    for (size_t j = 0; j < 3; ++j) b.r[k][j] = plane + (y + j - 1) * w;
  }
  return b;
}

// Sizes out like in; frame voxels (the first and last row and column of
// every slice) keep the input; for every other row, row(rows, o, w) writes
// o[x] for x = 1 .. w - 2 from the block rows. out may be in.
template <class Row>
void filter_rows(const CImg<double>& in, CImg<double>& out, Row row) {
  if (fill_aside(in, out, [&](CImg<double>& o) { filter_rows(in, o, row); })) return;
  assign_checked(out, in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  for (int c = 0; c < in.spectrum(); ++c)
    for (int z = 0; z < in.depth(); ++z) {
      const double* src = plane_at(in, z, c);
      double* dst = plane_at(out, z, c);
      if (w < 3 || h < 3) {  // every voxel is frame
        std::copy(src, src + w * h, dst);
        continue;
      }
      std::copy(src, src + w, dst);
      std::copy(src + (h - 1) * w, src + h * w, dst + (h - 1) * w);
      for (size_t y = 1; y + 1 < h; ++y) {
        double* o = dst + y * w;
        o[0] = src[y * w], o[w - 1] = src[y * w + w - 1];
        row(rows_at(in, z, c, y), o, w);
      }
    }
}

// The reduction of a block: combine(a, b) associative and commutative (a
// sum, a maximum, a minimum); `outside` is what a voxel beyond the volume
// counts as where the border rule is Padded.
enum class Border {
  Repeat,  // slices repeated beyond the volume; only voxels off the frame are reduced
  Padded,  // every voxel reduced; voxels beyond the volume count as `outside`
};

// The 3x3 reduction of rows y0 .. y1 - 1 of one w x h plane into q (row y
// at q + (y - y0) w): vertically into a row, then along x. Padded: every
// column, `outside` beyond the plane; Repeat (rows off the first and last):
// x = 1 .. w - 2 only.
template <class Combine>
void reduce_plane(const double* __restrict src, double* __restrict q, size_t w, size_t h, size_t y0, size_t y1,
                  bool padded, double outside, Combine combine, double* __restrict col) {
  col[0] = col[w + 1] = outside;
  double* v = col + 1;
  for (size_t y = y0; y < y1; ++y) {
    const double* mid = src + y * w;
    if (y == 0 || y + 1 == h) {  // Padded only: a row beyond the plane
      const double* other = src + (y == 0 ? (h > 1 ? w : 0) : (y - 1) * w);
      for (size_t x = 0; x < w; ++x) v[x] = combine(mid[x], outside);
      if (h > 1)
        for (size_t x = 0; x < w; ++x) v[x] = combine(v[x], other[x]);
      else
        for (size_t x = 0; x < w; ++x) v[x] = combine(v[x], outside);
    } else {
      const double *up = mid - w, *dn = mid + w;
      for (size_t x = 0; x < w; ++x) v[x] = combine(combine(up[x], mid[x]), dn[x]);
    }
    double* o = q + (y - y0) * w;
    const size_t x0 = padded ? 0 : 1, x1 = padded ? w : w - 1;
    for (size_t x = x0; x < x1; ++x) o[x] = combine(combine(col[x], col[x + 1]), col[x + 2]);
  }
}

// For every channel c, slice z and row y that the border rule reduces,
// emit(c, z, y, red) receives red[x], the reduction of the block around
// (x, y, z), for x = 1 .. w - 2 (Repeat) or 0 .. w - 1 (Padded). Separable:
// each slice is reduced over 3x3 windows once, into a ring of three reduced
// slices, and each output row combines the rows of three of them: six
// combinations per voxel. The volume is swept in strips of rows, so that
// the ring stays in the second-level cache and each voxel is read from
// memory about once.
template <class Combine, class Emit>
void reduce(const CImg<double>& in, Border border, double outside, Combine combine, Emit emit) {
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  const int d = in.depth();
  const bool padded = border == Border::Padded;
  if (!padded && (w < 3 || h < 3)) return;
  const size_t first = padded ? 0 : 1, last = padded ? h : h - 1;
  const size_t x0 = padded ? 0 : 1, x1 = padded ? w : w - 1;
  const size_t strip = std::max<size_t>(4, 8192 / w);  // rows; three strips of 64 KiB or so
  const size_t slots = static_cast<size_t>(std::min(d, 3));
  std::vector<double> ring(slots * strip * w), col(w + 2), red(w);
  const auto slot = [&](int z) { return ring.data() + (static_cast<size_t>(z) % slots) * strip * w; };
  for (int c = 0; c < in.spectrum(); ++c)
    for (size_t y0 = first; y0 < last; y0 += strip) {
      const size_t y1 = std::min(last, y0 + strip);
      int ready = 0;  // slices of this strip reduced so far
      for (int z = 0; z < d; ++z) {
        for (; ready <= std::min(z + 1, d - 1); ++ready)
          reduce_plane(plane_at(in, ready, c), slot(ready), w, h, y0, y1, padded, outside, combine, col.data());
        const bool below = z > 0, above = z + 1 < d;
        const double* lo = slot(below ? z - 1 : z);
        const double* mid = slot(z);
        const double* hi = slot(above ? z + 1 : z);
        for (size_t y = y0; y < y1; ++y) {
          const size_t at = (y - y0) * w;
          const double *a = lo + at, *b = mid + at, *e = hi + at;
          double* r = red.data();
          if (padded && !(below && above)) {
            const double* other = below ? a : e;
            for (size_t x = x0; x < x1; ++x) r[x] = combine(b[x], outside);
            if (below || above)
              for (size_t x = x0; x < x1; ++x) r[x] = combine(r[x], other[x]);
            else
              for (size_t x = x0; x < x1; ++x) r[x] = combine(r[x], outside);
          } else {
            for (size_t x = x0; x < x1; ++x) r[x] = combine(combine(a[x], b[x]), e[x]);
          }
          emit(c, z, y, static_cast<const double*>(r));
        }
      }
    }
}

// Sizes out like in with the frame rule of filter_rows, and sets every other
// voxel to finish(voxel, reduction of its block), the block reduced with
// combine under the Repeat rule.
template <class Combine, class Finish>
void reduce_into(const CImg<double>& in, CImg<double>& out, Combine combine, Finish finish) {
  if (fill_aside(in, out, [&](CImg<double>& o) { reduce_into(in, o, combine, finish); })) return;
  assign_checked(out, in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  if (w < 3 || h < 3) {  // every voxel is frame
    std::copy(in.data(), in.data() + in.size(), out.data());
    return;
  }
  for_each_plane(in, [&](const double* src, int z, int c) {  // the first and last row of each slice
    double* dst = plane_at(out, z, c);
    std::copy(src, src + w, dst);
    std::copy(src + (h - 1) * w, src + h * w, dst + (h - 1) * w);
  });
  // Each row is finished in `line` and streamed to out, which is not read
  // again here.
  std::vector<double> line(w);
  reduce(in, Border::Repeat, 0.0, combine, [&](int c, int z, size_t y, const double* red) {
    const double* s = plane_at(in, z, c) + y * w;
    double* l = line.data();
    l[0] = s[0], l[w - 1] = s[w - 1];
    for (size_t x = 1; x + 1 < w; ++x) l[x] = finish(s[x], red[x]);
    stream_copy(plane_at(out, z, c) + y * w, l, w);
  });
  stream_fence();
}

}  // namespace block3
}  // namespace zel
