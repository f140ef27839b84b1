// Statistics that reduce an image to one number: mean, spread and shape of
// the value distribution, extremes, histogram entropy and the mean squared
// error between two images. All of them look at every sample (every column,
// row, slice and channel) unless stated otherwise.
//
// Sums run over blocks of kBlock samples that stay in the first-level cache:
// within a block four independent double accumulators (which the compiler
// vectorises), across blocks a compensated sum, so the error stays at a few
// ulps on 16M samples and memory is read once.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <limits>

#include "../dll.h"
#include "helpers.h"

namespace {

constexpr size_t kBlock = 2048;  // 16 KiB of doubles per block
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Neumaier's compensated summation of the block totals.
struct CompensatedSum {
  double sum = 0.0, carry = 0.0;
  void add(double v) {
    const double t = sum + v;
    carry += std::fabs(sum) >= std::fabs(v) ? (sum - t) + v : (v - t) + sum;
    sum = t;
  }
  double value() const { return sum + carry; }
};

// Sum of f(p[i]) over n samples with four accumulators.
template <class F>
inline double block_sum(const double* p, size_t n, F f) {
  double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    s0 += f(p[i]);
    s1 += f(p[i + 1]);
    s2 += f(p[i + 2]);
    s3 += f(p[i + 3]);
  }
  for (; i < n; ++i) s0 += f(p[i]);
  return (s0 + s1) + (s2 + s3);
}

// Adds the sum of f(p[i]) over any number of samples to acc, block by block.
template <class F>
void accumulate(const double* p, size_t n, F f, CompensatedSum& acc) {
  for (size_t at = 0; at < n; at += kBlock) acc.add(block_sum(p + at, std::min(kBlock, n - at), f));
}

// Count, mean and centred power sums M2 (.. M4 when Order is 4) of all
// samples. Each block is summed twice while it is in cache (its mean, then
// the powers of the deviations from it) and merged into the running totals
// with the pairwise update formulas (Chan et al. for M2, Pebay for M3 and
// M4), which is as exact as a two-pass computation over the whole image but
// reads memory once. Samples are shifted by the first sample first, so a
// constant image gives exactly zero central moments.
struct Moments {
  double n = 0.0, mean = kNaN, m2 = kNaN, m3 = kNaN, m4 = kNaN;
};

template <int Order>
Moments moments(const CImg<double>& in) {
  Moments r;
  if (in.is_empty()) return r;
  const double* p = in.data();
  const size_t total_n = in.size();
  const double shift = p[0];
  double n = 0.0, mean = 0.0, m2 = 0.0, m3 = 0.0, m4 = 0.0;  // of the shifted samples
  for (size_t at = 0; at < total_n; at += kBlock) {
    const size_t len = std::min(kBlock, total_n - at);
    const double* b = p + at;
    const double nb = static_cast<double>(len);
    const double mb = block_sum(b, len, [shift](double v) { return v - shift; }) / nb;
    double m2b = 0.0, m3b = 0.0, m4b = 0.0;
    if (Order == 2) {
      m2b = block_sum(b, len, [shift, mb](double v) { const double d = (v - shift) - mb; return d * d; });
    } else {
      for (size_t i = 0; i < len; ++i) {
        const double d = (b[i] - shift) - mb, d2 = d * d;
        m2b += d2;
        m3b += d2 * d;
        m4b += d2 * d2;
      }
    }
    if (n == 0.0) {
      n = nb, mean = mb, m2 = m2b, m3 = m3b, m4 = m4b;
      continue;
    }
    const double na = n, nn = na + nb, delta = mb - mean, dn = delta / nn;
    if (Order == 4) {
      m4 += m4b + delta * dn * dn * dn * na * nb * (na * na - na * nb + nb * nb) +
            6.0 * dn * dn * (na * na * m2b + nb * nb * m2) + 4.0 * dn * (na * m3b - nb * m3);
      m3 += m3b + delta * dn * dn * na * nb * (na - nb) + 3.0 * dn * (na * m2b - nb * m2);
    }
    m2 += m2b + delta * dn * na * nb;
    mean += dn * nb;
    n = nn;
  }
  r.n = n;
  r.mean = shift + mean;
  r.m2 = m2;
  if (Order == 4) r.m3 = m3, r.m4 = m4;
  return r;
}

// Histogram bin of a grey level: truncated toward zero, clamped into 0..255
// (NaN into 0); the clamps come first so the conversion is always defined.
inline int bin_of(double v) {
  const double t = v > 0.0 ? v : 0.0;
  return static_cast<int>(t < 255.0 ? t : 255.0);
}

// Truncates toward zero into the int range; beyond it the value saturates.
int truncate_to_int(double v) {
  if (v >= 2147483647.0) return INT_MAX;
  if (v <= -2147483648.0) return INT_MIN;
  return static_cast<int>(v);
}

// Largest (Larger == true) or smallest sample, starting from `start`; NaN
// samples compare false and are passed over. Four running extremes break
// the dependency chain.
template <bool Larger>
double extreme(const CImg<double>& in, double start) {
  auto pick = [](double m, double v) { return (Larger ? v > m : v < m) ? v : m; };
  double e0 = start, e1 = start, e2 = start, e3 = start;
  const double* p = in.data();
  const size_t n = in.size();
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    e0 = pick(e0, p[i]);
    e1 = pick(e1, p[i + 1]);
    e2 = pick(e2, p[i + 2]);
    e3 = pick(e3, p[i + 3]);
  }
  for (; i < n; ++i) e0 = pick(e0, p[i]);
  return pick(pick(e0, e1), pick(e2, e3));
}

// Sums of squares of n samples, and of the differences of two rows.
constexpr auto kSquare = [](double v) { return v * v; };
void add_squared_differences(const double* a, const double* b, size_t n, CompensatedSum& acc) {
  for (size_t at = 0; at < n; at += kBlock) {
    const size_t len = std::min(kBlock, n - at);
    double s0 = 0.0, s1 = 0.0;
    size_t i = at;
    for (; i + 2 <= at + len; i += 2) {
      const double d0 = a[i] - b[i], d1 = a[i + 1] - b[i + 1];
      s0 += d0 * d0;
      s1 += d1 * d1;
    }
    if (i < at + len) s0 += (a[i] - b[i]) * (a[i] - b[i]);
    acc.add(s0 + s1);
  }
}

}  // namespace

// An empty image has no mean: 0 / 0 gives a NaN.
ZEL_API double AverageIntensityFun(const CImg<double>& in) {
  CompensatedSum acc;
  accumulate(in.data(), in.size(), [](double v) { return v; }, acc);
  return acc.value() / static_cast<double>(in.size());
}

// Empty image: NaN (no samples); constant image: exactly 0.
ZEL_API double VarianceCalcFun(const CImg<double>& in) {
  const Moments m = moments<2>(in);
  return m.m2 / m.n;
}

// The square root of VarianceCalcFun: NaN for an empty image, 0 for a constant one.
ZEL_API double STDCalcFun(const CImg<double>& in) { return std::sqrt(VarianceCalcFun(in)); }

// M3 / (n s^3): an empty image gives NaN, a constant one 0 / 0, a NaN.
ZEL_API double SkewCalcFun(const CImg<double>& in) {
  const Moments m = moments<4>(in);
  const double s = std::sqrt(m.m2 / m.n);
  return m.m3 / (m.n * s * s * s);
}

// M4 / (n s^4) - 3: an empty image gives NaN, a constant one 0 / 0, a NaN.
ZEL_API double KurtosisCalcFun(const CImg<double>& in) {
  const Moments m = moments<4>(in);
  const double var = m.m2 / m.n;
  return m.m4 / (m.n * var * var) - 3.0;
}

// Starts from 0, so an empty or all-negative image gives 0; NaN samples are
// passed over; a largest value beyond the int range saturates to INT_MAX.
ZEL_API int HighestGreyFun(const CImg<double>& in) { return truncate_to_int(extreme<true>(in, 0.0)); }

// Starts from 255, so an empty image or one above 255 gives 255; NaN samples
// are passed over; a smallest value below the int range saturates to INT_MIN.
ZEL_API int LowestGreyFun(const CImg<double>& in) { return truncate_to_int(extreme<false>(in, 255.0)); }

// Histogram of slice 0 over all channels, 256 bins. A value's bin is the
// value truncated toward zero; values that would fall outside 0..255 are
// clamped into bin 0 or bin 255 (NaN into bin 0), so nothing is read or
// written outside the histogram. An empty image gives 0.
ZEL_API double EntropyCalcFun(const CImg<double>& in) {
  if (in.is_empty()) return 0.0;
  const size_t plane = zel::plane_size(in);
  // Bins are converted a stretch at a time (a loop the compiler vectorises),
  // then counted into four interleaved histograms so that runs of equal
  // values do not wait on one counter.
  constexpr size_t kStretch = 256;
  size_t hist[4][256] = {};
  int bins[kStretch];
  for (int c = 0; c < in.spectrum(); ++c) {
    const double* p = zel::plane_at(in, 0, c);
    for (size_t at = 0; at < plane; at += kStretch) {
      const size_t n = std::min(kStretch, plane - at);
      for (size_t i = 0; i < n; ++i) bins[i] = bin_of(p[at + i]);
      size_t i = 0;
      for (; i + 4 <= n; i += 4)
        for (int k = 0; k < 4; ++k) ++hist[k][bins[i + k]];
      for (; i < n; ++i) ++hist[0][bins[i]];
    }
  }
  const double count = static_cast<double>(plane) * in.spectrum();
  double h = 0.0;
  for (int b = 0; b < 256; ++b) {
    const double p = static_cast<double>(hist[0][b] + hist[1][b] + hist[2][b] + hist[3][b]) / count;
    if (p > 1e-32) h -= p * std::log(p);
  }
  return h;
}

// Mean of (a - b)^2 over the larger extent of the two images on each axis,
// samples outside an image counting as 0. No padded copies are made: rows
// both images have contribute their squared differences where they overlap
// and the squares of the longer row's tail; rows only one image has
// contribute their squares. Two empty images give 0 / 0, a NaN.
ZEL_API double MSECalcFun(const CImg<double>& a, const CImg<double>& b) {
  const double count = static_cast<double>(std::max(a.width(), b.width())) * std::max(a.height(), b.height()) *
                       std::max(a.depth(), b.depth()) * std::max(a.spectrum(), b.spectrum());
  CompensatedSum acc;
  // Rows of a: with the matching row of b where b has one.
  for (int c = 0; c < a.spectrum(); ++c)
    for (int z = 0; z < a.depth(); ++z) {
      const bool b_plane = c < b.spectrum() && z < b.depth();
      const double* pa = zel::plane_at(a, z, c);
      const double* pb = b_plane ? zel::plane_at(b, z, c) : nullptr;
      const size_t wa = static_cast<size_t>(a.width()), wb = static_cast<size_t>(b.width());
      for (int y = 0; y < a.height(); ++y) {
        const double* ra = pa + static_cast<size_t>(y) * wa;
        if (!b_plane || y >= b.height()) {
          accumulate(ra, wa, kSquare, acc);
          continue;
        }
        const double* rb = pb + static_cast<size_t>(y) * wb;
        const size_t both = std::min(wa, wb);
        add_squared_differences(ra, rb, both, acc);
        if (wa > wb) accumulate(ra + both, wa - both, kSquare, acc);
        else accumulate(rb + both, wb - both, kSquare, acc);
      }
    }
  // Rows of b that a does not have.
  for (int c = 0; c < b.spectrum(); ++c)
    for (int z = 0; z < b.depth(); ++z) {
      const bool a_plane = c < a.spectrum() && z < a.depth();
      const int first = a_plane ? std::min(a.height(), b.height()) : 0;
      const size_t wb = static_cast<size_t>(b.width());
      const double* pb = zel::plane_at(b, z, c) + static_cast<size_t>(first) * wb;
      accumulate(pb, static_cast<size_t>(b.height() - first) * wb, kSquare, acc);
    }
  return acc.value() / count;
}
