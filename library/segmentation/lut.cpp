// Grey-level point operations. Each builds a 256-entry table once and maps
// every sample through it in one pass; the histogram equaliser builds its
// table per slice and channel from that plane's histogram.
//
// A sample picks its entry by its grey level: the value truncated toward
// zero and clamped to 0..255, NaN taking entry 0 (so 100.7 uses entry 100,
// 300 entry 255, -4 entry 0). No index outside the table is ever formed.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "../core/helpers.h"
#include "../core/numeric.h"
#include "../core/parallel.h"
#include "../core/sample_statistics.h"
#include "../dll.h"
#include "levels.h"

namespace zel {
namespace levels {

// Writes the grey level of each sample of s[0..n) to level.
void grey_levels(const double* s, size_t n, uint8_t* level) {
  size_t i = 0;
#if defined(__SSE2__)
  // Eight samples a step: max with 0 (which also turns NaN into 0, as maxpd
  // returns its second operand then), min with 255, truncate, pack to bytes.
  const __m128d zero = _mm_setzero_pd(), top = _mm_set1_pd(255.0);
  auto two = [&](size_t k) { return _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(_mm_loadu_pd(s + k), zero), top)); };
  for (; i + 8 <= n; i += 8) {
    const __m128i lo = _mm_unpacklo_epi64(two(i), two(i + 2)), hi = _mm_unpacklo_epi64(two(i + 4), two(i + 6));
    const __m128i words = _mm_packs_epi32(lo, hi);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(level + i), _mm_packus_epi16(words, words));
  }
#endif
  for (; i < n; ++i) level[i] = static_cast<uint8_t>(zel::grey_bin(s[i]));
}

// Counts grey levels. Four interleaved tables keep runs of equal levels from
// waiting on each other's increments.
struct LevelCounts {
  uint64_t part[4][256] = {};
  void add(const uint8_t* q, size_t m) {
    size_t i = 0;
    for (; i + 4 <= m; i += 4) ++part[0][q[i]], ++part[1][q[i + 1]], ++part[2][q[i + 2]], ++part[3][q[i + 3]];
    for (; i < m; ++i) ++part[0][q[i]];
  }
  void add_to(uint64_t counts[256]) const {
    for (int k = 0; k < 256; ++k) counts[k] += part[0][k] + part[1][k] + part[2][k] + part[3][k];
  }
};

// Writes the grey levels of plane[0..n) to level (when given) and adds them
// to counts[256], a cache-sized stretch at a time so that each stretch is
// counted while it is still in the cache.
void grey_histogram(const double* plane, size_t n, uint64_t counts[256], uint8_t* level) {
  uint8_t scratch[4096];
  LevelCounts tally;
  for (size_t start = 0; start < n; start += sizeof scratch) {
    const size_t m = std::min(n - start, sizeof scratch);
    uint8_t* q = level ? level + start : scratch;
    grey_levels(plane + start, m, q);
    tally.add(q, m);
  }
  tally.add_to(counts);
}

}  // namespace levels
}  // namespace zel

namespace {

using Table = std::array<double, 256>;

template <class F>
Table make_table(F f) {
  Table t;
  for (int i = 0; i < 256; ++i) t[i] = f(i);
  return t;
}

// d[i] = t[level[i]], written past the cache: the output is not read again soon.
void map_levels(const uint8_t* level, double* d, size_t n, const Table& t) {
  size_t i = 0;
#if defined(__SSE2__)
  if (reinterpret_cast<uintptr_t>(d) % 16 != 0 && n > 0) d[0] = t[level[0]], i = 1;
  if (reinterpret_cast<uintptr_t>(d + i) % 16 == 0)
    for (; i + 2 <= n; i += 2) _mm_stream_pd(d + i, _mm_set_pd(t[level[i + 1]], t[level[i]]));
#endif
  for (; i < n; ++i) d[i] = t[level[i]];
}

// Sizes out like in and maps every sample through t, a cache-sized stretch
// of levels at a time.
void apply_table(const CImg<double>& in, CImg<double>& out, const Table& t) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  constexpr size_t kStretch = 4096;
  const size_t n = in.size(), stretches = (n + kStretch - 1) / kStretch;
  zel::parallel_ranges(stretches, n, [&](size_t s0, size_t s1) {
    uint8_t level[kStretch];
    for (size_t start = s0 * kStretch, end = std::min(n, s1 * kStretch); start < end; start += kStretch) {
      const size_t m = std::min(end - start, kStretch);
      zel::levels::grey_levels(in.data() + start, m, level);
      map_levels(level, out.data() + start, m, t);
    }
  });
  zel::stream_fence();
}

const double kE = 2.718281828459045235360287471352;

}  // namespace

ZEL_API void HistEqualiserFun(const CImg<double>& in, CImg<double>& out) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  const size_t n = zel::plane_size(in);
  if (n == 0) return;
  std::unique_ptr<uint8_t[]> level(new uint8_t[n]);
  for (int c = 0; c < in.spectrum(); ++c)
    for (int z = 0; z < in.depth(); ++z) {
      // The levels are kept (one byte per sample), so the second pass reads
      // an eighth of what the first did.
      // Pieces of the plane counted on separate threads; the counts are
      // exact, so their sum does not depend on the split.
      uint64_t counts[256] = {};
      std::mutex counts_lock;
      const double* src = zel::plane_at(in, z, c);
      zel::parallel_ranges(n, 4 * n, [&](size_t k0, size_t k1) {
        uint64_t piece[256] = {};
        zel::levels::grey_histogram(src + k0, k1 - k0, piece, level.get() + k0);
        std::lock_guard<std::mutex> hold(counts_lock);
        for (int i = 0; i < 256; ++i) counts[i] += piece[i];
      });
      Table t;
      uint64_t cumulative = 0;
      for (int i = 0; i < 256; ++i) {
        cumulative += counts[i];
        // cumulative <= n, and n * 255 stays far below 2^64 for any image that fits in memory.
        t[i] = static_cast<double>(cumulative * 255 / n);
      }
      double* dst = zel::plane_at(out, z, c);
      zel::parallel_ranges(n, n, [&](size_t k0, size_t k1) { map_levels(level.get() + k0, dst + k0, k1 - k0, t); });
    }
  zel::stream_fence();
}

// Each plane's finite minimum maps to 0 and its finite maximum to 255; a
// plane without spread (all samples equal) becomes 0, as its minimum does.
// Infinite samples clamp to 0 or 255; NaN samples stay NaN.
ZEL_API void IntensityRangeEnhancerFun(const CImg<double>& in, CImg<double>& out) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  const size_t n = zel::plane_size(in);
  if (n == 0) return;
  zel::for_each_plane_pair(in, out, [&](const double* s, double* d) {
    double lo, hi;
    zel::stats::finite_range(s, n, lo, hi);
    // Halves keep hi - lo finite for any finite pair; scaling by 2 is exact,
    // so the ratio is the same as with the whole values.
    const double half_range = hi * 0.5 - lo * 0.5, half_lo = lo * 0.5;
    if (!(half_range > 0.0)) {
      // No spread, or no finite sample: the plane sits at its minimum.
      for (size_t i = 0; i < n; ++i) d[i] = s[i] > lo ? 255.0 : (std::isnan(s[i]) ? s[i] : 0.0);
      return;
    }
    for (size_t i = 0; i < n; ++i) d[i] = zel::flow((s[i] * 0.5 - half_lo) / half_range * 255.0);
  });
}

// Levels below low give 0, levels from high up 255, levels between
// (i - low) * 255 / (high - low) as an exact double (not truncated).
ZEL_API void IntensityRangeStretcherFun(const CImg<double>& in, CImg<double>& out, int low, int high) {
  const double lo = low < high ? low : high, hi = low < high ? high : low;
  apply_table(in, out, make_table([lo, hi](int i) {
                if (i >= hi) return 255.0;
                if (i < lo) return 0.0;
                return (i - lo) * 255.0 / (hi - lo);  // lo <= i < hi, so hi - lo > 0
              }));
}

ZEL_API void ExponentialLutFun(const CImg<double>& in, CImg<double>& out) {
  static const Table t = make_table([](int i) { return 255.0 * (std::exp(i / 255.0) - 1.0) / (kE - 1.0); });
  apply_table(in, out, t);
}

ZEL_API void InverseLutFun(const CImg<double>& in, CImg<double>& out) {
  static const Table t = make_table([](int i) { return 255.0 - i; });
  apply_table(in, out, t);
}

ZEL_API void LogarithmLutFun(const CImg<double>& in, CImg<double>& out) {
  static const Table t = make_table([](int i) { return 255.0 * std::log(1.0 + (kE - 1.0) * i / 255.0); });
  apply_table(in, out, t);
}

// Entries are (i / 255)^gamma times 255 / (largest finite entry). The entry
// at i = 255 is always 1, so that divisor is at least 1. A negative gamma
// makes low levels infinite (0^-g): those entries are capped at 255.
ZEL_API void PowerLutFun(const CImg<double>& in, CImg<double>& out, double gamma) {
  if (std::isnan(gamma)) throw std::invalid_argument("the power must be a number");
  Table raw = make_table([gamma](int i) { return std::pow(i / 255.0, gamma); });
  double largest = 1.0;
  for (double v : raw)
    if (std::isfinite(v) && v > largest) largest = v;
  apply_table(in, out, make_table([&](int i) { return zel::smin(raw[i] * 255.0 / largest, 255.0); }));
}

ZEL_API void SquareLutFun(const CImg<double>& in, CImg<double>& out) {
  static const Table t = make_table([](int i) { return static_cast<double>(i * i / 255); });
  apply_table(in, out, t);
}
