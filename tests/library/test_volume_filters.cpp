// The 3x3x3 block filters on a 5 x 5 x 4 volume worked out by hand (frame,
// repeated first and last slice), against a direct 27-voxel loop on odd
// shapes, and against the 2-D filters on a one-slice volume.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "dll.h"

namespace {

using Filter = std::function<void(const CImg<double>&, CImg<double>&)>;

// 5 x 5 x 4, v = x^2 + 2 y^2 + 3 z^2: increasing along every axis.
CImg<double> quadratic() {
  CImg<double> v(5, 5, 4, 1);
  cimg_forXYZ(v, x, y, z) v(x, y, z) = x * x + 2.0 * y * y + 3.0 * z * z;
  return v;
}

bool frame(const CImg<double>& v, int x, int y) {
  return x == 0 || y == 0 || x == v.width() - 1 || y == v.height() - 1;
}

// Checks every voxel: the input on the frame, want(x, y, z) elsewhere.
void expect_filter(const Filter& f, const std::function<double(int, int, int)>& want, const char* name) {
  const CImg<double> v = quadratic();
  CImg<double> out;
  f(v, out);
  ASSERT_TRUE(out.is_sameXYZC(v)) << name;
  cimg_forXYZ(v, x, y, z) {
    const double expected = frame(v, x, y) ? v(x, y, z) : want(x, y, z);
    EXPECT_NEAR(out(x, y, z), expected, 1e-9) << name << " at " << x << "," << y << "," << z;
  }
}

TEST(Filters3D, HandWorkedOnAQuadratic) {
  const CImg<double> v = quadratic();
  // The mean of (t + d)^2 over d = -1, 0, 1 is t^2 + 2/3; along z the block
  // repeats slice 0 below it and slice 3 above it: 3 (0 + 0 + 1) / 3 = 1
  // instead of 0 + 2, and 3 (4 + 9 + 9) / 3 = 22 instead of 27 + 2.
  const double z_mean[4] = {1, 3 + 2, 12 + 2, 22};
  const auto mean = [&](int x, int y, int z) { return x * x + 2.0 / 3 + 2 * (y * y + 2.0 / 3) + z_mean[z]; };
  expect_filter(LowPass3DFun, mean, "LowPass3D");
  expect_filter(Sharpen3DFun, [&](int x, int y, int z) { return 28 * v(x, y, z) - 27 * mean(x, y, z); }, "Sharpen3D");
  const auto up = [&](int x, int y, int z) { return v(x + 1, y + 1, std::min(z + 1, 3)); };
  const auto down = [&](int x, int y, int z) { return v(x - 1, y - 1, std::max(z - 1, 0)); };
  expect_filter(LargestIntensityNeighbour3DFun, up, "LIN3D");
  expect_filter(SmallestIntensityNeighbour3DFun, down, "SIN3D");
  expect_filter(Midpoint3DFun, [&](int x, int y, int z) { return (up(x, y, z) + down(x, y, z)) / 2; }, "Midpoint3D");
  // Differences across the block: 4x, 8y and 12z (3 and 15 at the repeated
  // slices), each times the sum of its face weights.
  const double dz[4] = {3, 12, 24, 15};
  const auto magnitude = [&](double weights, double scale) {
    return [=](int x, int y, int z) {
      return weights * std::sqrt(16.0 * x * x + 64.0 * y * y + dz[z] * dz[z]) * scale;
    };
  };
  expect_filter(Sobel3DFun, magnitude(16, 1 / 27.0), "Sobel3D");
  expect_filter(Prewitt3DFun, magnitude(9, 1), "Prewitt3D");
  expect_filter(FreiChen3DFun, magnitude(std::sqrt(6.0) + 4 * std::sqrt(3.0) + 4 * std::sqrt(2.0), 1), "FreiChen3D");
  // Increasing everywhere: only the last slice, whose repeated self above
  // it is not larger, holds peaks (along z).
  expect_filter(NonMaxima3DFun, [&](int x, int y, int z) { return z == 3 ? v(x, y, z) : 0.0; }, "NonMax3D");
  const auto roberts = [&](int x, int y, int z) {
    const int z1 = std::min(z + 1, 3);
    const double d[4] = {v(x, y, z) - v(x + 1, y + 1, z1), v(x + 1, y, z) - v(x, y + 1, z1),
                         v(x, y + 1, z) - v(x + 1, y, z1), v(x + 1, y + 1, z) - v(x, y, z1)};
    return std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2] + d[3] * d[3]);
  };
  expect_filter(Roberts3DFun, roberts, "Roberts3D");
}

TEST(Filters3D, LaplacianReadsZerosBeyondTheVolume) {
  const CImg<double> v = quadratic();
  CImg<double> out;
  Laplacian3DFun(v, out);
  ASSERT_TRUE(out.is_sameXYZC(v));
  // Inside: 27 v - sum = -27 * 4, so 127 - 54. At the origin the block holds
  // the eight voxels of {0, 1}^3, summing to 4 + 8 + 12.
  EXPECT_EQ(out(2, 2, 1), 73.0);
  EXPECT_EQ(out(0, 0, 0), 127.0 - 12.0);
  // The far corner: 27 * 75 - (eight voxels of {3, 4}^2 x {2, 3}) = 2025 - 456,
  // clamped.
  EXPECT_EQ(out(4, 4, 3), 255.0);
  CImg<double> dark(3, 3, 3, 1, 0.0);
  dark(1, 1, 1) = -10.0;
  Laplacian3DFun(dark, out);
  EXPECT_EQ(out(1, 1, 1), 0.0);         // (27 * -10 + 10) / 2 + 127 < 0
  EXPECT_EQ(out(0, 0, 0), 132.0);       // (0 + 10) / 2 + 127
}

// The direct loop: the block around every voxel off the frame, slices clamped.
CImg<double> direct(const CImg<double>& in, const std::function<double(double, const std::vector<double>&)>& f) {
  CImg<double> out(in);
  cimg_forXYZC(in, x, y, z, c) {
    if (frame(in, x, y)) continue;
    std::vector<double> block;
    for (int k = -1; k <= 1; ++k)
      for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) block.push_back(in(x + i, y + j, std::clamp(z + k, 0, in.depth() - 1), c));
    out(x, y, z, c) = f(in(x, y, z, c), block);
  }
  return out;
}

TEST(Filters3D, ReductionsMatchTheDirectLoopOnOddShapes) {
  const auto sum = [](const std::vector<double>& b) { double s = 0; for (double v : b) s += v; return s; };
  const auto hi = [](const std::vector<double>& b) { return *std::max_element(b.begin(), b.end()); };
  const auto lo = [](const std::vector<double>& b) { return *std::min_element(b.begin(), b.end()); };
  struct Case { const char* name; Filter f; std::function<double(double, const std::vector<double>&)> want; };
  const std::vector<Case> cases = {
      {"LowPass3D", LowPass3DFun, [&](double, const std::vector<double>& b) { return sum(b) / 27; }},
      {"Sharpen3D", Sharpen3DFun, [&](double v, const std::vector<double>& b) { return 28 * v - sum(b); }},
      {"LIN3D", LargestIntensityNeighbour3DFun, [&](double, const std::vector<double>& b) { return hi(b); }},
      {"SIN3D", SmallestIntensityNeighbour3DFun, [&](double, const std::vector<double>& b) { return lo(b); }},
      {"Midpoint3D", Midpoint3DFun,
       [&](double, const std::vector<double>& b) { return (std::max(hi(b), 0.0) + std::min(lo(b), 1e8)) / 2; }},
  };
  unsigned seed = 3;
  for (const auto& [w, h, d, c] : {std::array<int, 4>{6, 5, 3, 2}, {3, 7, 1, 1}, {9, 3, 5, 1}, {2, 6, 2, 1},
                                   {5, 1, 3, 1}}) {
    CImg<double> in(w, h, d, c);
    cimg_for(in, p, double) *p = static_cast<double>((seed = seed * 1103515245u + 12345u) >> 16 & 511) - 100.0;
    for (const Case& k : cases) {
      CImg<double> out;
      k.f(in, out);
      const CImg<double> want = direct(in, k.want);
      ASSERT_TRUE(out.is_sameXYZC(in)) << k.name;
      cimg_forXYZC(in, x, y, z, ch) EXPECT_NEAR(out(x, y, z, ch), want(x, y, z, ch), 1e-9)
          << k.name << " " << w << "x" << h << "x" << d << " at " << x << "," << y << "," << z << "," << ch;
    }
  }
}

TEST(Filters3D, OneSliceEqualsThe2DFilterInside) {
  CImg<double> img(7, 6, 1, 2);
  cimg_forXYC(img, x, y, c) img(x, y, 0, c) = (x * 37 + y * 91 + c * 53 + x * y * 13) % 256;
  struct Case { const char* name; Filter three, two; };
  for (const Case& k : {Case{"low-pass", LowPass3DFun, LowPassFun}, Case{"largest", LargestIntensityNeighbour3DFun,
                                                                          LargestIntensityNeighbourFun},
                        Case{"smallest", SmallestIntensityNeighbour3DFun, SmallestIntensityNeighbourFun},
                        Case{"midpoint", Midpoint3DFun, MidpointFun}}) {
    CImg<double> a, b;
    k.three(img, a);
    k.two(img, b);
    ASSERT_TRUE(a.is_sameXYZC(img)) << k.name;
    cimg_forXYC(img, x, y, c) {
      if (frame(img, x, y)) continue;
      EXPECT_NEAR(a(x, y, 0, c), b(x, y, 0, c), 1e-12) << k.name << " at " << x << "," << y;
    }
  }
}

TEST(Filters3D, OutputMayBeTheInput) {
  ConvArray box;
  box.setSize(9, 3);
  for (int i = 0; i < 9; ++i)
    for (int j = 0; j < 3; ++j) box.data[i][j] = 1.0;
  const std::vector<std::pair<const char*, Filter>> filters = {
      {"LowPass3D", LowPass3DFun}, {"Midpoint3D", Midpoint3DFun}, {"Sobel3D", Sobel3DFun},
      {"NonMax3D", NonMaxima3DFun}, {"Laplace3D", Laplacian3DFun},
      {"Gauss3D", [](const CImg<double>& i, CImg<double>& o) { Gauss3DFun(i, o, 1.0); }},
      {"LocalMax", [](const CImg<double>& i, CImg<double>& o) { LocalMaximaFun(i, o, 3); }},
      {"Conv3D", [&](const CImg<double>& i, CImg<double>& o) { Convolution3DFun(i, o, box); }},
      {"Mask3D", [](const CImg<double>& i, CImg<double>& o) { Mask3DFun(i, o, 1); }}};
  for (const auto& [name, f] : filters) {
    CImg<double> v = quadratic(), apart;
    f(v, apart);
    f(v, v);
    EXPECT_EQ(v, apart) << name;
  }
}

TEST(Filters3D, DolpsIsTheClampedDifferenceOfThreeAndSixLowPasses) {
  CImg<double> v(9, 9, 5, 1, 10.0), l3, l6, tmp, out;  // a bright spot spreads: L3 is above L6 at its centre
  v(4, 4, 2) = 255.0;
  LowPass3DFun(v, tmp), LowPass3DFun(tmp, l6), LowPass3DFun(l6, l3);
  LowPass3DFun(l3, tmp), LowPass3DFun(tmp, l6), LowPass3DFun(l6, tmp), l6 = tmp;
  DOLPS3DFun(v, out);
  EXPECT_EQ(v, l3);  // the input now holds the threefold low-pass
  cimg_forXYZ(out, x, y, z) EXPECT_EQ(out(x, y, z), std::clamp(l3(x, y, z) - l6(x, y, z), 0.0, 255.0));
  EXPECT_GT(out.max(), 0.0);
}

}  // namespace
