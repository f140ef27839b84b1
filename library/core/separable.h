// Separable window engines shared by the smoothing and edge filters: a box
// sum over a (2r+1) x (2r+1) window by running sums (cost independent of r)
// and a Gaussian smoothing of one plane by two 1-D passes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <type_traits>
#include <vector>

#include "border.h"
#include "parallel.h"

namespace zel {

// Separable Gaussian smoothing of one w x h row-major plane with standard
// deviation sigma: the sampled kernel exp(-k^2 / (2 sigma^2)), |k| <= ceil(3
// sigma), normalised to sum 1, applied down the columns and then along the
// rows. Border rule: RepeatEdge (the only one served), so a constant plane
// stays constant and no dark frame appears. A kernel longer than the plane is
// folded onto the edge pixel, so any sigma costs at most O(w h (w + h)).
// sigma <= 0 or NaN copies src to dst. dst may be src: the result is then
// written over it by bands, with a few rows per band kept aside (or, for a
// kernel long against the bands, from a scratch copy of the plane); a
// partly overlapping src is read from a scratch copy. Empty planes do
// nothing.
void gaussian_plane(const double* src, double* dst, size_t w, size_t h, double sigma, Border border);

// The rows of gaussian_plane's result (RepeatEdge) one at a time, for a
// caller that needs only a band of them: row(y, out) writes the same values
// gaussian_plane writes to row y, reading rows y - ceil(3 sigma) .. y +
// ceil(3 sigma) of src. sigma must be above 0; w, h at least 1.
class GaussianRows {
 public:
  GaussianRows(const double* src, size_t w, size_t h, double sigma);
  void row(size_t y, double* out);

 private:
  const double* src_;
  size_t w_, h_;
  std::vector<double> kv_, kh_, pad_;
};

// Number of positions of the window [i - r, i + r] that lie inside [0, n).
inline size_t box_count(size_t i, size_t n, size_t r) {
  const size_t lo = i > r ? i - r : 0;
  const size_t hi = std::min(n - 1, i + std::min(r, n));  // i + min(r, n) cannot overflow
  return hi - lo + 1;
}

// Sums of a w x h row-major plane over the (2r+1) x (2r+1) window centred on
// each pixel under the border rule ZeroPadded (the only one served): pixels
// outside add nothing, so box_count(x, w, r) * box_count(y, h, r) samples
// are summed, the divisor of a mean over the part of the window inside.
// Samples are read as sample(src[i]) in the accumulator type Acc (int64_t for
// exact integer sums, double otherwise). For each row y, emit(y, sums)
// receives the w window sums of that row (valid until the next call). Prefix
// sums along each row and a running sum down the columns, to which each row's
// horizontal sums are added as it enters the window and subtracted as it
// leaves (recomputed then, so no plane-sized scratch): O(w h) for any r.
// With an integer Acc the sums are exact, so bands of rows are summed on
// separate threads (each band starting its own running sum; emit is then
// called concurrently for distinct rows, in order within a band); a floating
// Acc runs on one thread, rows in order, since its running sums depend on
// the order of the additions.
template <class Acc, class Sample, class Emit>
void box_sum_rows(const double* src, size_t w, size_t h, size_t r, Border border, Sample sample, Emit emit) {
  require_border(border, {Border::ZeroPadded}, "the box sum");
  if (w == 0 || h == 0) return;
  r = std::min(r, std::max(w, h));  // a wider window covers nothing more
  const auto band = [&](size_t y0, size_t y1) {
    std::vector<Acc> prefix(w + 1), across(w), col(w, Acc(0));
    // The window sums of row y along x, into across.
    const auto row_sums = [&](size_t y) {
      const double* s = src + y * w;
      for (size_t x = 0; x < w; ++x) across[x] = sample(s[x]);  // apart from the chain below: vectorises
      prefix[0] = Acc(0);
      for (size_t x = 0; x < w; ++x) prefix[x + 1] = prefix[x] + across[x];
      for (size_t x = 0; x < w; ++x) across[x] = prefix[std::min(w, x + r + 1)] - prefix[x > r ? x - r : 0];
    };
    for (size_t y = y0 > r ? y0 - r : 0; y < std::min(y0 + r + 1, h); ++y) {
      row_sums(y);
      for (size_t x = 0; x < w; ++x) col[x] += across[x];
    }
    for (size_t y = y0; y < y1; ++y) {
      emit(y, static_cast<const Acc*>(col.data()));
      if (y + 1 == y1) break;
      if (y + r + 1 < h) {
        row_sums(y + r + 1);
        for (size_t x = 0; x < w; ++x) col[x] += across[x];
      }
      if (y >= r) {
        row_sums(y - r);
        for (size_t x = 0; x < w; ++x) col[x] -= across[x];
      }
    }
  };
  if (std::is_integral<Acc>::value && h > 2 * r + 2)
    parallel_ranges(h, 5 * w * h, band);
  else
    band(0, h);
}

}  // namespace zel
