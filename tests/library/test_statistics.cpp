// Image statistics and local (rank) equalisation on hand-made images, and
// the statistics against plain long double sums on larger random ones.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>
#include <vector>

#include "dll.h"

namespace {

CImg<double> values(int w, int h, const std::vector<double>& v, int d = 1, int c = 1) {
  CImg<double> img(w, h, d, c);
  std::copy(v.begin(), v.end(), img.data());
  return img;
}

void expect_same(double got, double want, const char* what, const char* name) {
  if (std::isnan(want)) EXPECT_TRUE(std::isnan(got)) << what << " of " << name << " is " << got;
  else EXPECT_NEAR(got, want, 1e-12 * (1.0 + std::fabs(want))) << what << " of " << name;
}

TEST(Statistics, HandWorkedImages) {
  const double nan = std::nan("");
  struct Expected { const char* name; CImg<double> img; double mean, variance, skew, kurtosis, entropy; int hi, lo; };
  const std::vector<Expected> cases = {
      // deviations -15, -5, 5, 15: fourth powers sum to 102500 = 1.64 * 4 * 125^2
      {"ramp 0..30", values(2, 2, {0, 10, 20, 30}), 15, 125, 0, 1.64 - 3, std::log(4.0), 30, 0},
      // a two-value image is a Bernoulli sample with p = 1/3
      {"two values", values(3, 1, {0, 255, 0}), 85, 14450, 1 / std::sqrt(2.0), -1.5,
       -(2 / 3.0) * std::log(2 / 3.0) - (1 / 3.0) * std::log(1 / 3.0), 255, 0},
      {"constant volume", CImg<double>(2, 2, 2, 3, 10.0), 10, 0, nan, nan, 0, 10, 10},
      // 0.1 is not exact in binary: the spread must still come out exactly 0 over several blocks
      {"constant 0.1", CImg<double>(100, 50, 1, 1, 0.1), 0.1, 0, nan, nan, 0, 0, 0},
      {"empty", CImg<double>(), nan, nan, nan, nan, 0, 0, 255},
  };
  for (const Expected& e : cases) {
    expect_same(AverageIntensityFun(e.img), e.mean, "mean", e.name);
    expect_same(VarianceCalcFun(e.img), e.variance, "variance", e.name);
    expect_same(STDCalcFun(e.img), std::sqrt(e.variance), "deviation", e.name);
    expect_same(SkewCalcFun(e.img), e.skew, "skew", e.name);
    expect_same(KurtosisCalcFun(e.img), e.kurtosis, "kurtosis", e.name);
    expect_same(EntropyCalcFun(e.img), e.entropy, "entropy", e.name);
    EXPECT_EQ(HighestGreyFun(e.img), e.hi) << e.name;
    EXPECT_EQ(LowestGreyFun(e.img), e.lo) << e.name;
  }
}

TEST(Statistics, ExtremesStartAt0And255AndTruncate) {
  const double nan = std::nan("");
  EXPECT_EQ(HighestGreyFun(values(2, 1, {-4, -9})), 0);
  EXPECT_EQ(LowestGreyFun(values(2, 1, {300, 256})), 255);
  EXPECT_EQ(HighestGreyFun(values(3, 1, {254.9, 3, 1})), 254);
  EXPECT_EQ(LowestGreyFun(values(3, 1, {-3.7, 3, 1})), -3);
  EXPECT_EQ(HighestGreyFun(values(3, 1, {nan, 7.5, nan})), 7);
  EXPECT_EQ(LowestGreyFun(values(3, 1, {nan, 7.5, nan})), 7);
  EXPECT_EQ(HighestGreyFun(values(1, 1, {1e300})), INT_MAX);
  EXPECT_EQ(LowestGreyFun(values(1, 1, {-1e300})), INT_MIN);
}

TEST(Statistics, EntropyBinsSliceZeroOfAllChannels) {
  // Truncated values 1.2 and 1.9 share bin 1; the second slice is not counted.
  CImg<double> img = values(2, 1, {1.2, 1.9, 50, 60}, 2, 1);
  EXPECT_NEAR(EntropyCalcFun(img), 0.0, 1e-15);
  // Both channels count: bins 1, 1, 7, 7 give ln 2.
  img = values(2, 1, {1.2, 1.9, 7.0, 7.5}, 1, 2);
  EXPECT_NEAR(EntropyCalcFun(img), std::log(2.0), 1e-15);
  // Values past either end are clamped into the end bins (NaN into bin 0).
  img = values(6, 1, {-5, 0.5, std::nan(""), 255.9, 300, 1e300});
  EXPECT_NEAR(EntropyCalcFun(img), std::log(2.0), 1e-15);
}

TEST(Statistics, MeanSquaredErrorPadsTheSmallerImageWithZeros) {
  const CImg<double> a = values(2, 2, {1, 2, 3, 4}), b = values(3, 1, {5, 6, 7});
  struct Case { CImg<double> a, b; double mse; };
  const std::vector<Case> cases = {
      {a, a, 0},
      {values(2, 1, {10, 10}), values(1, 1, {10}), 50},
      // over 3 x 2: (1-5)^2 + (2-6)^2 + 7^2 + 3^2 + 4^2 + 0
      {a, b, 106.0 / 6},
      // channels differ: (3 - 1)^2 + (0 - 4)^2 over two samples
      {values(1, 1, {3}), values(1, 1, {1, 4}, 1, 2), 10},
      // widths and slices differ: slice 0 gives (2-1)^2 + 3^2, slice 1 gives 5^2 + 6^2, over 2 x 1 x 2
      {values(1, 1, {2}), values(2, 1, {1, 3, 5, 6}, 2, 1), (1.0 + 9 + 25 + 36) / 4},
      {CImg<double>(), values(2, 1, {3, 4}), 12.5},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(MSECalcFun(c.a, c.b), c.mse);
    EXPECT_DOUBLE_EQ(MSECalcFun(c.b, c.a), c.mse);
  }
  EXPECT_TRUE(std::isnan(MSECalcFun(CImg<double>(), CImg<double>())));
}

// Random samples far from 0 (where a naive one-pass formula loses every
// digit), over several cache blocks, against long double two-pass sums.
TEST(Statistics, AgreesWithTwoPassSumsOnLargeOffsetData) {
  std::mt19937 rng(3);
  std::gamma_distribution<double> skewed(2.0, 10.0);
  CImg<double> img(97, 61, 2, 1);
  for (double& v : img) v = 1e6 + skewed(rng);
  long double sum = 0, m2 = 0, m3 = 0, m4 = 0, d;
  for (double v : img) sum += v;
  const long double n = img.size(), mean = sum / n;
  for (double v : img) d = v - mean, m2 += d * d, m3 += d * d * d, m4 += d * d * d * d;
  const long double var = m2 / n;
  EXPECT_NEAR(AverageIntensityFun(img), static_cast<double>(mean), 1e-9);
  EXPECT_NEAR(VarianceCalcFun(img), static_cast<double>(var), 1e-9 * var);
  EXPECT_NEAR(SkewCalcFun(img), static_cast<double>(m3 / (n * var * sqrtl(var))), 1e-9);
  EXPECT_NEAR(KurtosisCalcFun(img), static_cast<double>(m4 / (n * var * var) - 3), 1e-9);
}

// ---- Local equalisation ----------------------------------------------------

TEST(LocalEqualisation, RampCountsDarkerNeighboursWithZerosOutside) {
  const CImg<double> ramp = values(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  CImg<double> out;
  LocalEqualisation3x3Fun(ramp, out);
  // Darker neighbours (outside zeros included): 5 4 6 / 5 4 6 / 7 7 8, each worth 255 / 8.
  EXPECT_EQ(out, values(3, 3, {5, 4, 6, 5, 4, 6, 7, 7, 8}) * 31.875);
  // Every 5x5 window holds the whole image and 16 outside zeros: 16 + (v - 1) darker.
  LocalEqualisation5x5Fun(ramp, out);
  EXPECT_EQ(out, (ramp + 15.0) * (255.0 / 24.0));
}

// Both window sizes against a direct count over each window, on two-channel
// images from one pixel to larger than the window, with ties and negatives.
TEST(LocalEqualisation, MatchesADirectCount) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> level(-1, 3);
  for (auto [w, h] : {std::pair{0, 0}, {1, 1}, {1, 7}, {7, 1}, {2, 2}, {4, 3}, {13, 9}}) {
    CImg<double> img(w, h, 1, w ? 2 : 0);
    for (double& v : img) v = level(rng);
    for (const int r : {1, 2}) {
      CImg<double> out;
      (r == 1 ? LocalEqualisation3x3Fun : LocalEqualisation5x5Fun)(img, out);
      EXPECT_TRUE(out.is_sameXYZC(img));
      cimg_forXYC(img, x, y, c) {
        int n = 0;
        for (int dy = -r; dy <= r; ++dy)
          for (int dx = -r; dx <= r; ++dx) {
            const double v = img.containsXYZC(x + dx, y + dy, 0, c) ? img(x + dx, y + dy, 0, c) : 0.0;
            n += v < img(x, y, 0, c);
          }
        EXPECT_DOUBLE_EQ(out(x, y, 0, c), n * 255.0 / ((2 * r + 1) * (2 * r + 1) - 1))
            << r << ": " << w << "x" << h << " at " << x << "," << y;
      }
    }
  }
}

}  // namespace
