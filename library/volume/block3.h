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
  if (&out == &in) {  // rows of in are read after rows of out are written
    CImg<double> fresh;
    filter_rows(in, fresh, row);
    out.swap(fresh);
    return;
  }
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

// For every channel c, slice z and row y that the border rule reduces,
// emit(c, z, y, red) receives red[x], the reduction of the block around
// (x, y, z), for x = 1 .. w - 2 (Repeat) or 0 .. w - 1 (Padded). Separable:
// each row is first reduced across the three slices (kept in a ring of three
// rows), then across three rows, then along x: six combinations per voxel.
template <class Combine, class Emit>
void reduce(const CImg<double>& in, Border border, double outside, Combine combine, Emit emit) {
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  const int d = in.depth();
  const bool padded = border == Border::Padded;
  if (!padded && (w < 3 || h < 3)) return;
  // ring[k]: row y of the slice triple reduced across slices, at x + 1 (with
  // `outside` at both ends); across: three such rows reduced; red: along x.
  std::vector<double> ring(3 * (w + 2)), across(w + 2), red(w);
  const auto slice_row = [&](int c, int z, long y, double* dst) {
    double* o = dst + 1;
    if (y < 0 || y >= static_cast<long>(h)) {  // beyond the volume (Padded only)
      std::fill(o, o + w, outside);
      return;
    }
    const size_t off = static_cast<size_t>(y) * w;
    const double* mid = plane_at(in, z, c) + off;
    const bool below = z > 0, above = z + 1 < d;
    const double* lo = plane_at(in, below ? z - 1 : z, c) + off;
    const double* hi = plane_at(in, above ? z + 1 : z, c) + off;
    if (padded && (!below || !above)) {
      for (size_t x = 0; x < w; ++x) o[x] = combine(mid[x], outside);
      if (below)
        for (size_t x = 0; x < w; ++x) o[x] = combine(o[x], lo[x]);
      if (above)
        for (size_t x = 0; x < w; ++x) o[x] = combine(o[x], hi[x]);
      return;
    }
    for (size_t x = 0; x < w; ++x) o[x] = combine(combine(lo[x], mid[x]), hi[x]);
  };
  const long first = padded ? 0 : 1, last = padded ? static_cast<long>(h) : static_cast<long>(h) - 1;
  for (int c = 0; c < in.spectrum(); ++c)
    for (int z = 0; z < d; ++z) {
      const auto slot = [&](long y) { return ring.data() + static_cast<size_t>((y + 3) % 3) * (w + 2); };
      slice_row(c, z, first - 1, slot(first - 1));
      slice_row(c, z, first, slot(first));
      for (long y = first; y < last; ++y) {
        slice_row(c, z, y + 1, slot(y + 1));
        const double *a = slot(y - 1), *b = slot(y), *e = slot(y + 1);
        for (size_t x = 1; x <= w; ++x) across[x] = combine(combine(a[x], b[x]), e[x]);
        across[0] = across[w + 1] = outside;
        const size_t x0 = padded ? 0 : 1, x1 = padded ? w : w - 1;
        for (size_t x = x0; x < x1; ++x) red[x] = combine(combine(across[x], across[x + 1]), across[x + 2]);
        emit(c, z, static_cast<size_t>(y), static_cast<const double*>(red.data()));
      }
    }
}

// Sizes out like in with the frame rule of filter_rows, and sets every other
// voxel to finish(voxel, reduction of its block), the block reduced with
// combine under the Repeat rule.
template <class Combine, class Finish>
void reduce_into(const CImg<double>& in, CImg<double>& out, Combine combine, Finish finish) {
  if (&out == &in) {
    CImg<double> fresh;
    reduce_into(in, fresh, combine, finish);
    out.swap(fresh);
    return;
  }
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
  reduce(in, Border::Repeat, 0.0, combine, [&](int c, int z, size_t y, const double* red) {
    const double* s = plane_at(in, z, c) + y * w;
    double* o = plane_at(out, z, c) + y * w;
    o[0] = s[0], o[w - 1] = s[w - 1];
    for (size_t x = 1; x + 1 < w; ++x) o[x] = finish(s[x], red[x]);
  });
}

}  // namespace block3
}  // namespace zel
