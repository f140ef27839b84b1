// The hand-vectorised kernels against their plain forms on the same inputs:
// lengths that end inside and outside the vector steps, destinations off the
// 16-byte grid, and the values where vector and scalar comparisons part ways
// (NaN, infinities, the threshold itself and its neighbours).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "core/helpers.h"
#include "core/moment_sums.h"
#include "core/runs.h"

namespace {

using namespace zel;

const double kNaN = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();

// Samples that mix ordinary values with the awkward ones around t.
std::vector<double> awkward(size_t n, double t, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(-300.0, 300.0);
  const double special[] = {t, std::nextafter(t, -kInf), std::nextafter(t, kInf), kNaN, kInf, -kInf,
                            0.0, -0.0};
  std::vector<double> v(n);
  for (double& x : v) x = rng() % 3 == 0 ? special[rng() % 8] : u(rng);
  return v;
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(FastPaths, RowMasksAgreeWithTheirPlainFormAndTheDefinition) {
  for (double t : {0.0, 127.5, -kInf, kInf, kNaN}) {
    const std::vector<double> row = awkward(64 * 40 + 63, t, 7);
    for (size_t k = 0; k + 64 <= row.size(); k += 64) {
      uint64_t want = 0;
      for (int j = 0; j < 64; ++j) want |= static_cast<uint64_t>(row[k + j] >= t) << j;
      EXPECT_EQ(kernels::mask64_plain(&row[k], t), want);
#if defined(__x86_64__)
      if (__builtin_cpu_supports("avx2")) {
        EXPECT_EQ(kernels::mask64_avx2(&row[k], t), want) << t;
      }
#endif
    }
    // Whole rows: full words, the partial last word, and `keep` ANDing into
    // what is there.
    for (int w : {1, 63, 64, 65, 128, 130, 64 * 40 + 63}) {
      std::vector<uint64_t> words(mask_words(w), ~uint64_t{0}), kept(mask_words(w), 0x5555555555555555ull);
      mask_at_least(row.data(), w, t, words.data());
      mask_at_least(row.data(), w, t, kept.data(), true);
      for (int x = 0; x < w; ++x) {
        const bool bit = (words[x / 64] >> (x % 64)) & 1, kept_bit = (kept[x / 64] >> (x % 64)) & 1;
        ASSERT_EQ(bit, row[x] >= t) << "w " << w << " x " << x;
        ASSERT_EQ(kept_bit, bit && x % 2 == 0) << "w " << w << " x " << x;
      }
      // Bits past the row's end stay clear, so that run scans stop there.
      if (w % 64) {
        EXPECT_EQ(words.back() >> (w % 64), 0u) << w;
      }
    }
  }
}

#if defined(ZEL_AVX2_KERNELS) && defined(__x86_64__)
TEST(FastPaths, MomentSumsOfTheAvx2BuildAreTheBitsOfTheBaselineBuild) {
  if (!__builtin_cpu_supports("avx2")) GTEST_SKIP() << "no AVX2 on this processor";
  std::mt19937 rng(3);
  std::normal_distribution<double> g(1e6, 3.0);  // a large mean: cancellation shows
  std::vector<double> v(3 * stats::kBlock + 7);
  for (double& x : v) x = g(rng);
  for (size_t n : {size_t{0}, size_t{1}, size_t{3}, size_t{4}, size_t{5}, size_t{9}, stats::kBlock - 1, stats::kBlock,
                   stats::kBlock + 1, v.size()}) {
    const stats::Moments a = stats::moments4_of<stats::PairLanes>(v.data(), n), b = stats::moments4_avx2(v.data(), n);
    const stats::Moments c = stats::moments2_of<stats::PairLanes>(v.data(), n), d = stats::moments2_avx2(v.data(), n);
    for (auto [x, y] : {std::pair{a.mean, b.mean}, {a.m2, b.m2}, {a.m3, b.m3}, {a.m4, b.m4}, {c.mean, d.mean},
                        {c.m2, d.m2}})
      EXPECT_TRUE(same_bits(x, y)) << "n " << n << ": " << x << " vs " << y;
    if (n < 2) continue;
    // And both are the moments: long double sums about the exact mean.
    long double mean = 0, m2 = 0, m4 = 0;
    for (size_t i = 0; i < n; ++i) mean += v[i];
    mean /= n;
    for (size_t i = 0; i < n; ++i) {
      const long double e = v[i] - mean;
      m2 += e * e, m4 += e * e * e * e;
    }
    EXPECT_NEAR(a.mean, static_cast<double>(mean), 1e-9);
    EXPECT_NEAR(a.m2 / static_cast<double>(m2), 1.0, 1e-9) << n;
    EXPECT_NEAR(a.m4 / static_cast<double>(m4), 1.0, 1e-8) << n;
  }
}
#endif

TEST(FastPaths, StreamedStoresAndRangesAgreeWithPlainLoops) {
  const double t = 100.0;
  const std::vector<double> src = awkward(40, t, 11);
  std::vector<double> dst(48);
  for (size_t offset : {0, 1}) {  // a destination on and off the 16-byte grid
    for (size_t n = 0; n <= 19; ++n) {
      std::fill(dst.begin(), dst.end(), -7.0);
      double* d = dst.data() + offset;
      stream_copy(d, src.data() + 3, n);
      stream_fence();
      for (size_t i = 0; i < n; ++i) ASSERT_TRUE(same_bits(d[i], src[3 + i])) << n << " " << i;
      EXPECT_EQ(d[n], -7.0) << "wrote past the end, n " << n;

      for (double level : {t, kNaN}) {
        stream_threshold(d, src.data() + 1, n, level);
        stream_fence();
        for (size_t i = 0; i < n; ++i) ASSERT_EQ(d[i], src[1 + i] >= level ? 255.0 : 0.0) << n << " " << i;
        EXPECT_EQ(d[n], -7.0) << "wrote past the end, n " << n;
      }
    }
  }
  // finite_range: NaN and the infinities passed over wherever they stand.
  for (size_t n = 0; n <= 21; ++n) {
    double want_lo = kInf, want_hi = -kInf, lo, hi;
    for (size_t i = 0; i < n; ++i)
      if (std::isfinite(src[i])) want_lo = std::min(want_lo, src[i]), want_hi = std::max(want_hi, src[i]);
    stats::finite_range(src.data(), n, lo, hi);
    EXPECT_EQ(lo, want_lo) << n;
    EXPECT_EQ(hi, want_hi) << n;
  }
}

}  // namespace
