// Statistics of a run of samples (a whole image, or one plane of it): sums,
// central moments, extremes, 256-bin histograms and their entropy, squared
// differences, and the texture measures read from a co-occurrence plane.
// The whole-image measures (statistics.cpp, cooccurrence.cpp) and the
// per-slice tables (volume/statistics3d.cpp) are these same functions applied
// to different runs.
//
// Sums run over blocks of kBlock samples that stay in the first-level cache:
// within a block four independent double accumulators (which the compiler
// vectorises), across blocks a compensated sum, so the error stays at a few
// ulps on 16M samples and memory is read once.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "numeric.h"
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zel {
namespace stats {

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

// Four running sums as two vectors of two (GCC and Clang vector extensions,
// one SSE2 register each): lane k adds samples k, k + 4, k + 8, ... in
// order. Two vectors are two chains of additions in flight. (The moment
// sums also come in a build with one AVX2 register of four lanes, which
// adds the same samples in the same order: sample_statistics_avx2.cpp.)
typedef double Pair __attribute__((vector_size(16)));
typedef double UnalignedPair __attribute__((vector_size(16), aligned(8), may_alias));
struct PairLanes {
  Pair lo = {0.0, 0.0}, hi = {0.0, 0.0};  // lanes 0, 1 and 2, 3
  template <class F>
  void add4(const double* p, F f) {
    lo += f(*reinterpret_cast<const UnalignedPair*>(p));
    hi += f(*reinterpret_cast<const UnalignedPair*>(p + 2));
  }
  double lane(int k) const { return k < 2 ? lo[k] : hi[k - 2]; }
};

// Samples from i on (up to n in steps of four, then fewer than four into
// lane 0) added to the lanes s; the lanes' total (s0 + s1) + (s2 + s3).
template <class Lanes, class F>
inline double finish_lanes(const double* p, size_t i, size_t n, F f, Lanes s) {
  for (; i + 4 <= n; i += 4) s.add4(p + i, f);
  double s0 = s.lane(0);
  for (; i < n; ++i) s0 += f(p[i]);
  return (s0 + s.lane(1)) + (s.lane(2) + s.lane(3));
}

// Sum of f(p[i]) over n samples with four accumulators; f takes a double and
// a vector of lanes alike (a generic lambda).
template <class F, class Lanes = PairLanes>
inline double block_sum(const double* p, size_t n, F f) {
  return finish_lanes(p, 0, n, f, Lanes{});
}

// Adds the sum of f(p[i]) over any number of samples to acc, block by block.
template <class F>
void accumulate(const double* p, size_t n, F f, CompensatedSum& acc) {
  for (size_t at = 0; at < n; at += kBlock) acc.add(block_sum(p + at, std::min(kBlock, n - at), f));
}

// The mean of n samples: 0 / 0, a NaN, when n is 0.
inline double mean(const double* p, size_t n) {
  CompensatedSum acc;
  accumulate(p, n, [](auto v) { return v; }, acc);
  return acc.value() / static_cast<double>(n);
}

// Count, mean and centred power sums M2 (.. M4 when Order is 4) of n samples.
// Each block is summed twice while it is in cache (its mean, then the powers
// of the deviations from it) and merged into the running totals with the
// pairwise update formulas (Chan et al. for M2, Pebay for M3 and M4), which
// is as exact as a two-pass computation but reads memory once. Samples are
// shifted by the first sample first, so constant samples give exactly zero
// central moments. No samples: n = 0 and the rest NaN. (moment_sums.h)
struct Moments {
  double n = 0.0, mean = kNaN, m2 = kNaN, m3 = kNaN, m4 = kNaN;
};

Moments moments2(const double* p, size_t n);  // n, mean and M2
Moments moments4(const double* p, size_t n);  // n, mean and M2 .. M4
#if defined(ZEL_AVX2_KERNELS)
// The same sums built for AVX2 (sample_statistics_avx2.cpp), the same bits;
// moments2 and moments4 call them where the processor has AVX2.
Moments moments2_avx2(const double* p, size_t n);
Moments moments4_avx2(const double* p, size_t n);
#endif
template <int Order>
inline Moments moments(const double* p, size_t n) {
  static_assert(Order == 2 || Order == 4, "moments of order 2 or 4");
  return Order == 2 ? moments2(p, n) : moments4(p, n);
}

// The population variance, skew and kurtosis of the moments. No samples
// give NaN; constant samples give a variance of 0 and a skew and kurtosis of
// 0 / 0, a NaN.
inline double variance(const Moments& m) { return m.m2 / m.n; }
inline double skew(const Moments& m) {
  const double s = std::sqrt(m.m2 / m.n);
  return m.m3 / (m.n * s * s * s);
}
inline double kurtosis(const Moments& m) {
  const double var = m.m2 / m.n;
  return m.m4 / (m.n * var * var) - 3.0;
}

// Largest (Larger == true) or smallest of n samples, starting from `start`;
// NaN samples compare false and are passed over. Four running extremes break
// the dependency chain.
template <bool Larger>
double extreme(const double* p, size_t n, double start) {
  auto pick = [](double m, double v) { return (Larger ? v > m : v < m) ? v : m; };
  double e0 = start, e1 = start, e2 = start, e3 = start;
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

// The smallest and largest finite sample of s[0..n); lo > hi when there is
// none. u = v + (v - v) is v when v is finite and NaN otherwise, and a NaN
// operand leaves the running minimum and maximum as they are.
inline void finite_range(const double* s, size_t n, double& lo, double& hi) {
  lo = INFINITY, hi = -INFINITY;
  size_t i = 0;
#if defined(__SSE2__)
  __m128d vlo = _mm_set1_pd(lo), vhi = _mm_set1_pd(hi);
  for (; i + 2 <= n; i += 2) {
    const __m128d v = _mm_loadu_pd(s + i), u = _mm_add_pd(v, _mm_sub_pd(v, v));
    vlo = _mm_min_pd(u, vlo);  // minpd / maxpd return the second operand when either is NaN
    vhi = _mm_max_pd(u, vhi);
  }
  double l[2], h[2];
  _mm_storeu_pd(l, vlo), _mm_storeu_pd(h, vhi);
  lo = l[0] < l[1] ? l[0] : l[1], hi = h[0] > h[1] ? h[0] : h[1];
#endif
  for (; i < n; ++i) {
    const double u = s[i] + (s[i] - s[i]);
    lo = u < lo ? u : lo;
    hi = u > hi ? u : hi;
  }
}

// A 256-bin histogram. Samples are mapped to levels a stretch at a time (a
// loop the compiler vectorises), then counted into four interleaved
// histograms so that runs of equal values do not wait on one counter.
class Histogram {
 public:
  // Counts grey_bin(level(p[i])) for n samples.
  template <class Level>
  void add(const double* p, size_t n, Level level) {
    constexpr size_t kStretch = 256;
    int bins[kStretch];
    for (size_t at = 0; at < n; at += kStretch) {
      const size_t len = std::min(kStretch, n - at);
      for (size_t i = 0; i < len; ++i) bins[i] = grey_bin(level(p[at + i]));
      size_t i = 0;
      for (; i + 4 <= len; i += 4)
        for (int k = 0; k < 4; ++k) ++hist_[k][bins[i + k]];
      for (; i < len; ++i) ++hist_[0][bins[i]];
    }
  }
  void add(const double* p, size_t n) {
    add(p, n, [](double v) { return v; });
  }

  // -sum p ln p with p = bin count / count, over the bins whose p is above
  // 1e-32.
  double entropy(double count) const {
    double h = 0.0;
    for (int b = 0; b < 256; ++b) {
      const double p = static_cast<double>(hist_[0][b] + hist_[1][b] + hist_[2][b] + hist_[3][b]) / count;
      if (p > 1e-32) h -= p * std::log(p);
    }
    return h;
  }

 private:
  size_t hist_[4][256] = {};
};

// Adds the sum of (a[i] - b[i])^2 over n samples to acc.
inline void add_squared_differences(const double* a, const double* b, size_t n, CompensatedSum& acc) {
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

// ---- Co-occurrence planes --------------------------------------------------
// A w x h plane read as a co-occurrence matrix P(i, j): i the column, j the
// row. The cell measures, each f(P, i, j):
struct CoHomogCell {  // P / (1 + |i - j|); P truncated toward zero first when Truncate
  bool truncate;
  double operator()(double p, double i, double j) const {
    return (truncate ? std::trunc(p) : p) / (1.0 + std::fabs(i - j));
  }
};
struct CoEntropyCell {  // -P ln P over the positive cells (others have no logarithm)
  double operator()(double p, double, double) const { return p > 0.0 ? -p * std::log(p) : 0.0; }
};
struct CoEnergyCell {  // P^2
  double operator()(double p, double, double) const { return p * p; }
};
struct CoContrastCell {  // (i - j)^2 P
  double operator()(double p, double i, double j) const { return (i - j) * (i - j) * p; }
};

// sum + the sum of f(P, i, j) over every cell of the plane, cell by cell in
// memory order.
template <class F>
double cooccurrence_sum(const double* plane, size_t w, size_t h, F f, double sum = 0.0) {
  for (size_t y = 0; y < h; ++y)
    for (size_t x = 0; x < w; ++x) sum += f(plane[y * w + x], static_cast<double>(x), static_cast<double>(y));
  return sum;
}

}  // namespace stats
}  // namespace zel
