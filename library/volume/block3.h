// The 3x3x3 block engine of the volume filters: loops over channels, slices
// and rows written once, with two border rules, one within each slice and
// one across the slices (the filters mostly share CopyInput within the slice
// and RepeatEdge across: the one-pixel frame of every slice keeps the input,
// the first and last slice repeat beyond the volume), and a separable
// running path for reductions (sum, maximum, minimum) so that a block costs
// a few operations per voxel.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "../core/border.h"
#include "../core/helpers.h"
#include "../core/parallel.h"

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

// Sizes out like in; the frame voxels (the first and last row and column of
// every slice) follow the rule `plane` (LeaveZero or CopyInput); for every
// other row, row(rows, o, w) writes o[x] for x = 1 .. w - 2 from the block
// rows, whose slices follow `slices` (RepeatEdge). out may be in. Rows are
// split over the threads: row may run concurrently for distinct rows.
template <class Row>
void filter_rows(const CImg<double>& in, CImg<double>& out, Border plane, Border slices, Row row) {
  require_border(plane, {Border::LeaveZero, Border::CopyInput}, "the 3x3x3 row engine (within a slice)");
  require_border(slices, {Border::RepeatEdge}, "the 3x3x3 row engine (across slices)");
  if (fill_aside(in, out, [&](CImg<double>& o) { filter_rows(in, o, plane, slices, row); })) return;
  assign_checked(out, in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  for_each_plane(in, [&](const double* src, int z, int c) { write_frame(src, plane_at(out, z, c), w, h, {1, 1, 1, 1}, plane); });
  if (w < 3 || h < 3) return;  // every voxel is frame
  // The inner rows of all slices and channels, split over the threads.
  const int d = in.depth();
  const size_t inner = h - 2, rows = inner * static_cast<size_t>(d) * static_cast<size_t>(in.spectrum());
  parallel_for(rows, 27 * in.size(), [&](size_t i) {
    const size_t p = i / inner, y = 1 + i % inner;
    const int z = static_cast<int>(p % static_cast<size_t>(d)), c = static_cast<int>(p / static_cast<size_t>(d));
    row(rows_at(in, z, c, y), plane_at(out, z, c) + y * w, w);
  });
}

// The 3x3 reduction of rows y0 .. y1 - 1 of one w x h plane into q (row y
// at q + (y - y0) w): vertically into a row, then along x, with combine(a,
// b) associative and commutative (a sum, a maximum, a minimum). Padded
// (ZeroPadded, or RepeatEdge when repeat): every column, 0 or the edge pixel
// beyond the plane; otherwise (rows off the first and last): x = 1 .. w - 2
// only.
template <class Combine>
void reduce_plane(const double* __restrict src, double* __restrict q, size_t w, size_t h, size_t y0, size_t y1,
                  bool padded, bool repeat, Combine combine, double* __restrict col) {
  constexpr double outside = 0.0;
  double* v = col + 1;
  for (size_t y = y0; y < y1; ++y) {
    const double* mid = src + y * w;
    if (y == 0 || y + 1 == h) {  // Padded only: a row beyond the plane
      const double* other = src + (y == 0 ? (h > 1 ? w : 0) : (y - 1) * w);
      for (size_t x = 0; x < w; ++x) v[x] = combine(mid[x], repeat ? mid[x] : outside);
      if (h > 1)
        for (size_t x = 0; x < w; ++x) v[x] = combine(v[x], other[x]);
      else
        for (size_t x = 0; x < w; ++x) v[x] = combine(v[x], repeat ? mid[x] : outside);
    } else {
      const double *up = mid - w, *dn = mid + w;
      for (size_t x = 0; x < w; ++x) v[x] = combine(combine(up[x], mid[x]), dn[x]);
    }
    col[0] = repeat ? v[0] : outside;
    col[w + 1] = repeat ? v[w - 1] : outside;
    double* o = q + (y - y0) * w;
    const size_t x0 = padded ? 0 : 1, x1 = padded ? w : w - 1;
    for (size_t x = x0; x < x1; ++x) o[x] = combine(combine(col[x], col[x + 1]), col[x + 2]);
  }
}

// For every channel c, slice z and row y that the rule `plane` reduces,
// emit(c, z, y, red) receives red[x] (w values the emit may overwrite), the reduction of the block around
// (x, y, z), for x = 1 .. w - 2 (CopyInput or LeaveZero: the frame is left
// to the caller) or 0 .. w - 1 (ZeroPadded, RepeatEdge). Beyond the first and last
// slice the rule `slices` holds (RepeatEdge or ZeroPadded). Separable:
// each slice is reduced over 3x3 windows once, into a ring of three reduced
// slices, and each output row combines the rows of three of them: six
// combinations per voxel. The volume is swept in strips of rows, so that
// the ring stays in the second-level cache and each voxel is read from
// memory about once. The strips (of every channel) are split over the
// threads, so emit may run concurrently for distinct rows.
template <class Combine, class Emit>
void reduce(const CImg<double>& in, Border plane, Border slices, Combine combine, Emit emit) {
  require_border(plane, {Border::LeaveZero, Border::CopyInput, Border::ZeroPadded, Border::RepeatEdge},
                 "the 3x3x3 reduction (within a slice)");
  require_border(slices, {Border::RepeatEdge, Border::ZeroPadded}, "the 3x3x3 reduction (across slices)");
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  const int d = in.depth();
  constexpr double outside = 0.0;
  const bool repeat = plane == Border::RepeatEdge;
  const bool padded = plane == Border::ZeroPadded || repeat, padded_slices = slices == Border::ZeroPadded;
  if (!padded && (w < 3 || h < 3)) return;
  const size_t first = padded ? 0 : 1, last = padded ? h : h - 1;
  const size_t x0 = padded ? 0 : 1, x1 = padded ? w : w - 1;
  const size_t strip = std::max<size_t>(4, 8192 / w);  // rows; three strips of 64 KiB or so
  const size_t slots = static_cast<size_t>(std::min(d, 3));
  const size_t strips = (last - first + strip - 1) / strip;
  parallel_ranges(strips * static_cast<size_t>(in.spectrum()), 6 * in.size(), [&](size_t i0, size_t i1) {
    std::vector<double> ring(slots * strip * w), col(w + 2), red(w);
    const auto slot = [&](int z) { return ring.data() + (static_cast<size_t>(z) % slots) * strip * w; };
    for (size_t i = i0; i < i1; ++i) {
      const int c = static_cast<int>(i / strips);
      const size_t y0 = first + (i % strips) * strip, y1 = std::min(last, y0 + strip);
      int ready = 0;  // slices of this strip reduced so far
      for (int z = 0; z < d; ++z) {
        for (; ready <= std::min(z + 1, d - 1); ++ready)
          reduce_plane(plane_at(in, ready, c), slot(ready), w, h, y0, y1, padded, repeat, combine, col.data());
        const bool below = z > 0, above = z + 1 < d;
        const double* lo = slot(below ? z - 1 : z);
        const double* mid = slot(z);
        const double* hi = slot(above ? z + 1 : z);
        for (size_t y = y0; y < y1; ++y) {
          const size_t at = (y - y0) * w;
          const double *a = lo + at, *b = mid + at, *e = hi + at;
          double* r = red.data();
          if (padded_slices && !(below && above)) {
            const double* other = below ? a : e;
            for (size_t x = x0; x < x1; ++x) r[x] = combine(b[x], outside);
            if (below || above)
              for (size_t x = x0; x < x1; ++x) r[x] = combine(r[x], other[x]);
            else
              for (size_t x = x0; x < x1; ++x) r[x] = combine(r[x], outside);
          } else {
            for (size_t x = x0; x < x1; ++x) r[x] = combine(combine(a[x], b[x]), e[x]);
          }
          emit(c, z, y, r);
        }
      }
    }
  });
}

// Sizes out like in, the frame of every slice following `plane` (LeaveZero
// or CopyInput), and sets every other voxel to finish(voxel, reduction of
// its block), the block reduced with combine, its slices following `slices`.
template <class Combine, class Finish>
void reduce_into(const CImg<double>& in, CImg<double>& out, Border plane, Border slices, Combine combine,
                 Finish finish) {
  require_border(plane, {Border::LeaveZero, Border::CopyInput}, "the 3x3x3 reduction into an image");
  if (fill_aside(in, out, [&](CImg<double>& o) { reduce_into(in, o, plane, slices, combine, finish); })) return;
  assign_checked(out, in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  // The first and last row of each slice (every voxel when all are frame).
  const bool all_frame = w < 3 || h < 3;
  for_each_plane(in, [&](const double* src, int z, int c) {
    write_frame(src, plane_at(out, z, c), w, h, {1, 1, all_frame ? 1u : 0u, all_frame ? 1u : 0u}, plane);
  });
  if (all_frame) return;
  // Each row is finished over its reduction (the first and last voxel, which
  // the reduction leaves unset, are frame) and streamed to out, which is not
  // read again here.
  const bool copy = plane == Border::CopyInput;
  reduce(in, plane, slices, combine, [&](int c, int z, size_t y, double* red) {
    const double* s = plane_at(in, z, c) + y * w;
    double* l = red;
    l[0] = copy ? s[0] : 0.0, l[w - 1] = copy ? s[w - 1] : 0.0;
    for (size_t x = 1; x + 1 < w; ++x) l[x] = finish(s[x], red[x]);
    stream_copy(plane_at(out, z, c) + y * w, l, w);
  });
  stream_fence();
}

}  // namespace block3
}  // namespace zel
