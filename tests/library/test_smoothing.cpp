// Smoothing and neighbourhood filters on small hand-made images.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "dll.h"

namespace {

// A one-channel image from rows of values.
CImg<double> grid(const std::vector<std::vector<double>>& rows, int channels = 1) {
  CImg<double> img(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 1, channels);
  cimg_forXYC(img, x, y, c) img(x, y, 0, c) = rows[y][x] * (c + 1);  // channel c holds (c + 1) times the rows
  return img;
}

ConvArray kernel(const std::vector<std::vector<double>>& rows) {
  ConvArray k;
  k.setSize(static_cast<int>(rows.size()), static_cast<int>(rows[0].size()));
  for (size_t i = 0; i < rows.size(); ++i)
    for (size_t j = 0; j < rows[0].size(); ++j) k.data[i][j] = rows[i][j];
  return k;
}

using Op = std::function<void(const CImg<double>&, CImg<double>&)>;

TEST(ThreeByThree, InteriorValuesPerPlaneAndZeroBorder) {
  // Windows of (1,1): 9 0 3 1 2 8 6 4 7; of (2,1): 0 3 7 2 8 6 4 7 10. Channel 1 is twice channel 0.
  const CImg<double> in = grid({{9, 0, 3, 7}, {1, 2, 8, 6}, {6, 4, 7, 10}}, 2);
  struct Case {
    const char* name;
    Op op;
    double at11, at21;  // channel 0
    double ch1_at11, ch1_at21;
  };
  const std::vector<Case> cases = {
      {"LowPass", LowPassFun, 40.0 / 9, 47.0 / 9, 80.0 / 9, 94.0 / 9},
      {"Median", MedianFun, 4, 6, 8, 12},
      {"Midpoint", MidpointFun, 4.5, 5, 9, 10},
      {"Sharpen", SharpenFun, 0, 33, 0, 66},  // 18 - 38 clamps to 0
  };
  for (const Case& c : cases) {
    CImg<double> out;
    c.op(in, out);
    ASSERT_TRUE(out.is_sameXYZC(in)) << c.name;
    EXPECT_DOUBLE_EQ(out(1, 1, 0, 0), c.at11) << c.name;
    EXPECT_DOUBLE_EQ(out(2, 1, 0, 0), c.at21) << c.name;
    EXPECT_DOUBLE_EQ(out(1, 1, 0, 1), c.ch1_at11) << c.name;
    EXPECT_DOUBLE_EQ(out(2, 1, 0, 1), c.ch1_at21) << c.name;
    for (int x : {0, 3}) EXPECT_EQ(out(x, 1, 0, 1), 0.0) << c.name;
    for (int x = 0; x < 4; ++x) EXPECT_EQ(out(x, 0) + out(x, 2), 0.0) << c.name;
  }
}

TEST(Median, NetworkAgreesWithSortingOnRandomWindows) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> level(0, 5);  // few levels: many ties
  CImg<double> in(40, 30, 2, 1);
  cimg_for(in, p, double) *p = level(rng);
  CImg<double> out;
  MedianFun(in, out);
  cimg_forZ(in, z) for (int y = 1; y < 29; ++y) for (int x = 1; x < 39; ++x) {
    std::vector<double> v;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) v.push_back(in(x + dx, y + dy, z));
    std::nth_element(v.begin(), v.begin() + 4, v.end());
    ASSERT_EQ(out(x, y, z), v[4]) << x << "," << y << "," << z;
  }
}

TEST(ZeroCrossings, LevelFollowsTheImageKind) {
  const std::vector<std::vector<double>> step = {{0, 0, 1, 1, 1}, {0, 0, 1, 1, 1}, {0, 0, 1, 1, 1}};
  struct Case {
    double scale, extra;  // step times scale; pixel (4, 0) set to extra
    std::vector<double> row1;
  };
  for (const Case& c : {Case{1, 1, {0, 255, 255, 0, 0}},       // 0/1 image: level 0.5
                        Case{255, 255, {0, 255, 255, 0, 0}},   // 0/255 image: level 127
                        Case{1, 2, {0, 0, 0, 0, 0}}}) {        // grey values 0..2: level 127
    CImg<double> in = grid(step);
    in *= c.scale;
    in(4, 0) = c.extra;
    CImg<double> out;
    ZeroCrossingsDetectorFun(in, out);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(out(x, 1), c.row1[x]) << c.scale << " x=" << x;
  }
}

TEST(RectangularAverage, TruncatedSamplesClippedWindowIntegerDivision) {
  // Samples truncate to 1 2 3 / 4 5 6 / 7 8 -29.
  const CImg<double> in = grid({{1.9, 2, 3}, {4, 5, 6.99}, {7, 8, -29.7}});
  struct Case {
    int r;
    std::vector<double> expect;  // row-major
  };
  for (const Case& c : {Case{1, {3, 3, 4, 4, 0, 0, 6, 0, -2}},  // e.g. (2,2): (5+6+8-29)/4 = -2.5 -> -2
                        Case{0, {1, 2, 3, 4, 5, 6, 7, 8, -29}},
                        Case{-5, {1, 2, 3, 4, 5, 6, 7, 8, -29}},
                        Case{INT32_MAX, {0, 0, 0, 0, 0, 0, 0, 0, 0}}}) {  // 7 / 9
    CImg<double> out;
    RectangularAverageFilterFun(in, out, c.r);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(out[i], c.expect[i]) << "r=" << c.r << " i=" << i;
  }
}

TEST(RectangularAverage, RunningSumsMatchDirectSums) {
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> v(-300, 300);
  CImg<double> in(13, 7, 1, 2);
  cimg_for(in, p, double) *p = v(rng);
  for (int r : {1, 2, 4, 9}) {
    CImg<double> out;
    RectangularAverageFilterFun(in, out, r);
    cimg_forXYC(in, x, y, c) {
      long long sum = 0, n = 0;
      for (int yy = std::max(0, y - r); yy <= std::min(6, y + r); ++yy)
        for (int xx = std::max(0, x - r); xx <= std::min(12, x + r); ++xx) sum += static_cast<long long>(in(xx, yy, 0, c)), ++n;
      ASSERT_EQ(out(x, y, 0, c), static_cast<double>(sum / n)) << r << ":" << x << "," << y;
    }
  }
}

TEST(RectangularAverage, WindowsOfMoreThanTwoToThe22Samples) {
  // Sums that a double may no longer hold exactly take the 64-bit division.
  CImg<double> in(2049, 2048, 1, 1, -7.9), out;
  in(0, 0) = -2e9;
  RectangularAverageFilterFun(in, out, INT32_MAX);
  const long long n = 2049LL * 2048, sum = -7 * (n - 1) - 2000000000LL;
  EXPECT_EQ(out(1000, 1000), static_cast<double>(sum / n));
  EXPECT_EQ(out.min(), out.max());
}

TEST(Convolution, AnchorPaddingAndNormalisation) {
  const CImg<double> in = grid({{10, 20, 30}, {40, 50, 60}});
  struct Case {
    const char* what;
    std::vector<std::vector<double>> k;
    std::vector<double> expect;  // row-major
  };
  const std::vector<Case> cases = {
      {"even 1x2, sum 2: anchor at the left tap", {{1, 1}}, {15, 25, 15, 45, 55, 30}},
      {"column, sum 0: |acc|, rows along y", {{-1}, {0}, {1}}, {40, 50, 60, 10, 20, 30}},
      {"sum -1: 255 - acc / S", {{-1}}, {245, 235, 225, 215, 205, 195}},
      {"sum 0.5: acc", {{0.5}}, {5, 10, 15, 20, 25, 30}},
      {"5x5 ones, larger than the image", std::vector<std::vector<double>>(5, std::vector<double>(5, 1)),
       std::vector<double>(6, 210.0 / 25)},
      {"sum 1 clamps to 255", {{0, 0, 0}, {0, 9, -8}, {0, 0, 0}}, {0, 0, 255, 0, 0, 255}},
  };
  for (const Case& c : cases) {
    CImg<double> out;
    ConvolutionFun(in, out, kernel(c.k));
    ASSERT_TRUE(out.is_sameXYZC(in)) << c.what;
    for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(out[i], c.expect[i]) << c.what << " i=" << i;
  }
  ConvArray empty;
  empty.setSize(0, 3);
  CImg<double> out;
  EXPECT_THROW(ConvolutionFun(in, out, empty), std::invalid_argument);
}

TEST(Gaussian, ImpulseResponseAndHugeSigma) {
  CImg<double> impulse(21, 21, 1, 1, 0.0), out;
  impulse(10, 10) = 1.0;
  GaussFun(impulse, out, 1.0);  // radius 3: min 0, max at the centre, rescaled to 255
  EXPECT_NEAR(out(10, 10), 255.0, 1e-12);
  EXPECT_NEAR(out(13, 10), 255.0 * std::exp(-4.5), 1e-12);
  EXPECT_NEAR(out(12, 11), 255.0 * std::exp(-2.5), 1e-12);
  EXPECT_EQ(out(14, 10), 0.0);
  // A kernel far longer than the image folds onto the edge pixels: the plane
  // becomes flat, so the rescale gives 0 everywhere (and nothing hangs).
  GaussFun(CImg<double>(3, 2, 1, 1, 0.0).fill(0, 10, 20, 30, 40, 50), out, 1e300);
  for (double v : out) EXPECT_NEAR(v, 0.0, 1e-6);
}

// Written over their input (the runner's way), the Gaussian and the 3x3
// extremes keep rows aside by bands; the result must be the two-buffer
// result, bit for bit, for kernels short and long against the plane, on one
// or two rows or columns, with a NaN.
TEST(InPlaceFilters, MatchTwoBuffers) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> value(-50.0, 300.0);
  const std::vector<std::pair<const char*, std::function<void(const CImg<double>&, CImg<double>&)>>> ops = {
      {"Gauss 2.3", [](auto& i, auto& o) { GaussFun(i, o, 2.3); }},
      {"Gauss 0.4", [](auto& i, auto& o) { GaussFun(i, o, 0.4); }},
      {"Gauss 30", [](auto& i, auto& o) { GaussFun(i, o, 30.0); }},
      {"Gauss 9", [](auto& i, auto& o) { GaussFun(i, o, 9.0); }},
      {"largest", LargestIntensityNeighbourFun},
      {"smallest", SmallestIntensityNeighbourFun},
  };
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{200, 2000}, {5, 3000}, {64, 129}, {257, 1}, {3, 2}, {1, 9}, {2, 3}}) {
    CImg<double> in(w, h, 1, 2);
    for (double& v : in) v = value(rng);
    in(w / 2, h / 2, 0, 1) = std::nan("");
    for (const auto& [name, op] : ops) {
      CImg<double> apart, over(in);
      op(in, apart);
      op(over, over);
      ASSERT_TRUE(apart.is_sameXYZC(over));
      EXPECT_EQ(0, std::memcmp(apart.data(), over.data(), apart.size() * sizeof(double)))
          << name << ", " << w << " x " << h;
    }
  }
}

TEST(Gaussian, RescaleByPlaneMinAndMax) {
  CImg<double> out;
  GaussFun(grid({{10, 20, 30}}, 2), out, 0.0);  // no smoothing; (v - 10) * 255 / 30 and (v - 20) * 255 / 60
  EXPECT_EQ(std::vector<double>(out.begin(), out.end()), (std::vector<double>{0, 85, 170, 0, 85, 170}));
  GaussFun(grid({{0, 0}, {0, 0}}), out, 2.0);  // max 0: zeros, no division
  EXPECT_EQ(out.max(), 0.0);
}

TEST(IteratedSmoothing, CentreOfASpikeAfterOnePass) {
  const CImg<double> spike = grid({{0, 0, 0}, {0, 4, 0}, {0, 0, 0}});
  const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
  struct Case {
    const char* what;
    Op op;
    double centre;
  };
  const std::vector<Case> cases = {
      {"diffusion, conduction 1", [&](auto& i, auto& o) { DiffusionFun(i, o, inf, 1); }, 0.0},
      {"diffusion, scale 4", [&](auto& i, auto& o) { DiffusionFun(i, o, 4, 1); }, 4 - 4 * std::exp(-1.0)},
      {"diffusion, scale 0", [&](auto& i, auto& o) { DiffusionFun(i, o, 0, 5); }, 4},
      {"diffusion, scale NaN", [&](auto& i, auto& o) { DiffusionFun(i, o, nan, 5); }, 4},
      {"diffusion, no pass", [&](auto& i, auto& o) { DiffusionFun(i, o, 4, -3); }, 4},
      // Window variance (8 (4/9)^2 + (32/9)^2) / 9 = 1.58.
      {"adaptive, below threshold", [&](auto& i, auto& o) { AdaptiveSmoothFun(i, o, 1, 2, 4); },
       4 / (1 + 8 * std::exp(-1.0))},
      {"adaptive, above threshold", [&](auto& i, auto& o) { AdaptiveSmoothFun(i, o, 1, 1.5, 4); }, 4},
      {"adaptive, scale 0", [&](auto& i, auto& o) { AdaptiveSmoothFun(i, o, 3, 2, 0); }, 4},
  };
  for (const Case& c : cases) {
    CImg<double> out;
    c.op(spike, out);
    ASSERT_TRUE(out.is_sameXYZC(spike)) << c.what;
    EXPECT_NEAR(out(1, 1), c.centre, 1e-12) << c.what;
    EXPECT_EQ(out(0, 1), 0.0) << c.what;  // the border keeps its value
  }
}

TEST(Dolps, ThirdLowPassStaysInTheInput) {
  // Each pass's zero border darkens one more pixel inwards in the next pass.
  CImg<double> in(16, 16, 1, 1, 100.0), out;
  DOLPSFun(in, out);
  EXPECT_EQ(out(8, 8), 0.0);  // out of reach of the border after six passes
  EXPECT_EQ(in(8, 8), 100.0);
  EXPECT_EQ(in(0, 8), 0.0);
  EXPECT_LT(in(2, 8), 100.0);
  EXPECT_EQ(in(3, 8), 100.0);
  EXPECT_GT(out(3, 8), 0.0);  // the sixth pass is darker there
  EXPECT_EQ(out(0, 8), 0.0);
}

TEST(SmoothingFilters, EveryShapeAndValueIsServed) {
  const double big = 1e308, nan = std::nan("");
  std::vector<CImg<double>> images = {CImg<double>(), CImg<double>(1, 1, 1, 1, big), CImg<double>(2, 2, 1, 3, -big),
                                      CImg<double>(1, 7, 1, 1, 5.0), CImg<double>(6, 5, 3, 2, 1.0)};
  images.back()(2, 2, 1, 1) = nan;
  images.back()(3, 1, 2, 0) = -big;
  const std::vector<Op> ops = {
      LowPassFun, MedianFun, MidpointFun, SharpenFun, ZeroCrossingsDetectorFun,
      [](auto& i, auto& o) { GaussFun(i, o, 1e9); },
      [](auto& i, auto& o) { ConvolutionFun(i, o, kernel({{1, -2}, {3, 4}, {0, 1e300}})); },
      [](auto& i, auto& o) { RectangularAverageFilterFun(i, o, INT32_MIN); },
      [](auto& i, auto& o) { RectangularAverageFilterFun(i, o, 3); },
      [](auto& i, auto& o) { DiffusionFun(i, o, 1e-300, 3); },
      [](auto& i, auto& o) { AdaptiveSmoothFun(i, o, 3, 1e300, -2); },
      [](auto& i, auto& o) { CImg<double> copy(i); DOLPSFun(copy, o); },
  };
  for (const CImg<double>& img : images)
    for (size_t k = 0; k < ops.size(); ++k) {
      CImg<double> out;
      ops[k](img, out);
      EXPECT_TRUE(out.is_sameXYZC(img)) << "operation " << k;
    }
}

}  // namespace
