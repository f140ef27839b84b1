// The volume filters with a parameter (Gaussian, three-plane convolution,
// windowed local extrema, face masking) and the 8-connected junction
// detector, on small volumes worked out by hand or against a direct sum.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "dll.h"

namespace {

// 5 x 5 x 4, v = x^2 + 2 y^2 + 3 z^2: its second differences are 2, 4 and 6.
CImg<double> quadratic() {
  CImg<double> v(5, 5, 4, 1);
  cimg_forXYZ(v, x, y, z) v(x, y, z) = x * x + 2.0 * y * y + 3.0 * z * z;
  return v;
}

ConvArray kernel(int rows, int cols, const std::vector<double>& values) {
  ConvArray k;
  k.setSize(rows, cols);
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) k.data[i][j] = values[static_cast<size_t>(i * cols + j)];
  return k;
}

TEST(Convolution3D, SixNeighbourLaplacianCountsEveryTap) {
  // Below and above: the centre only; at the voxel: the in-slice cross around -6.
  const ConvArray lap = kernel(9, 3, {0, 0, 0, 0, 1, 0, 0, 0, 0,  //
                                      0, 1, 0, 1, -6, 1, 0, 1, 0,  //
                                      0, 0, 0, 0, 1, 0, 0, 0, 0});
  const CImg<double> v = quadratic();
  CImg<double> out;
  Convolution3DFun(v, out, lap);
  ASSERT_TRUE(out.is_sameXYZC(v));
  // s = 1: the sum as it is. The first and last slice see themselves beyond
  // the volume: z = 0 has 3 (1 - 0) along z instead of 6, z = 3 has 12 - 27.
  const double along_z[4] = {3, 6, 6, -15};
  cimg_forXYZ(out, x, y, z) {
    const bool inside = x >= 1 && x <= 3 && y >= 1 && y <= 3;
    EXPECT_EQ(out(x, y, z), inside ? 2 + 4 + along_z[z] : 0.0) << x << "," << y << "," << z;
  }
}

TEST(Convolution3D, TheFirstPlanesSumDivides) {
  const CImg<double> v = quadratic();
  CImg<double> out;
  // Box of ones in the middle plane only, first plane summing to s.
  const auto with_first = [](std::vector<double> first) {
    std::vector<double> k = first;
    for (int i = 0; i < 9; ++i) k.push_back(1.0);
    for (int i = 0; i < 9; ++i) k.push_back(0.0);
    return kernel(9, 3, k);
  };
  const double box = [&] {  // the box sum of slice 1 around (2, 2), plus the centre below (slice 0)
    double s = 0;
    for (int y = 1; y <= 3; ++y)
      for (int x = 1; x <= 3; ++x) s += v(x, y, 1);
    return s;
  }();
  Convolution3DFun(v, out, with_first({0, 0, 0, 0, 4, 0, 0, 0, 0}));  // s = 4
  EXPECT_DOUBLE_EQ(out(2, 2, 1), (box + 4 * v(2, 2, 0)) / 4);
  Convolution3DFun(v, out, with_first({0, 0, 0, 0, -2, 0, 0, 0, 0}));  // s = -2
  EXPECT_DOUBLE_EQ(out(2, 2, 1), 255 + (box - 2 * v(2, 2, 0)) / 2);
  Convolution3DFun(v, out, with_first({0, 0, 0, 1, -100, 0, 0, 99, 0}));  // s = 0
  EXPECT_DOUBLE_EQ(out(2, 2, 1), std::fabs(box + v(1, 2, 0) - 100 * v(2, 2, 0) + 99 * v(2, 3, 0)));
  Convolution3DFun(v, out, with_first({0, 0, 0, 0, 0.5, 0, 0, 0, 0}));  // 0 < s <= 1
  EXPECT_DOUBLE_EQ(out(2, 2, 1), box + 0.5 * v(2, 2, 0));
}

TEST(Convolution3D, ShapesOutsideTheLimitAreRefused) {
  const CImg<double> v = quadratic();
  CImg<double> out;
  for (const ConvArray& k : {kernel(3, 3, std::vector<double>(9, 1.0)), kernel(7, 2, std::vector<double>(14, 1.0)),
                             kernel(9, 10, std::vector<double>(90, 1.0)), kernel(12, 3, std::vector<double>(36, 1.0)),
                             kernel(0, 0, {})})
    EXPECT_THROW(Convolution3DFun(v, out, k), std::invalid_argument) << k.getRows() << " x " << k.getCols();
  // 8 rows of 3 (planes of 2 rows) and 12 rows of 4 fit; a plane wider than the slice leaves only zeros.
  EXPECT_NO_THROW(Convolution3DFun(v, out, kernel(8, 3, std::vector<double>(24, 1.0))));
  Convolution3DFun(CImg<double>(2, 9, 1, 1, 5.0), out, kernel(12, 4, std::vector<double>(48, 1.0)));
  EXPECT_EQ(out.max(), 0.0);
  EXPECT_EQ(out.width(), 2);
  // The work bound: 3 x 300 x 300 taps over the 299 x 299 voxels whose
  // window fits in a 599 x 599 slice is 2.4e10 multiply-adds per slice;
  // twelve slices pass 2^38. The size check comes before any allocation.
  const ConvArray big = kernel(900, 300, std::vector<double>(270000, 1.0));
  EXPECT_THROW(Convolution3DFun(CImg<double>(599, 599, 12, 1, 1.0), out, big), std::invalid_argument);
}

// The direct triple sum of a separable kernel k[|u|], u = -r..r, edge voxels repeated.
CImg<double> direct_gauss(const CImg<double>& in, const std::vector<double>& k) {
  const int r = static_cast<int>(k.size()) - 1;
  CImg<double> out(in.width(), in.height(), in.depth(), 1, 0.0);
  cimg_forXYZ(out, x, y, z) {
    double s = 0;
    for (int w = -r; w <= r; ++w)
      for (int v = -r; v <= r; ++v)
        for (int u = -r; u <= r; ++u)
          s += k[std::abs(u)] * k[std::abs(v)] * k[std::abs(w)] *
               in(std::clamp(x + u, 0, in.width() - 1), std::clamp(y + v, 0, in.height() - 1),
                  std::clamp(z + w, 0, in.depth() - 1));
    out(x, y, z) = s;
  }
  return out;
}

std::vector<double> box_averaged_weights(double sigma, int r) {
  const auto g = [sigma](double t) { return std::exp(-t * t / (2 * sigma * sigma)); };
  std::vector<double> k;
  double total = 0;
  for (int u = 0; u <= r; ++u) {
    k.push_back((g(u - 0.5) + g(u) + g(u + 0.5)) / 3);
    total += (u ? 2 : 1) * k.back();
  }
  for (double& w : k) w /= total;
  return k;
}

TEST(Gauss3D, MatchesTheDirectSumWithEdgeVoxelsRepeated) {
  const CImg<double> v = quadratic();
  CImg<double> out;
  // sigma 0.5: exp(-4 / 0.5) is below 0.005 at u = 2, so r = 1; sigma 2: r = 6, wider than the volume.
  for (const auto& [sigma, r] : {std::pair<double, int>{0.5, 1}, {2.0, 6}}) {
    Gauss3DFun(v, out, sigma);
    const CImg<double> want = direct_gauss(v, box_averaged_weights(sigma, r));
    cimg_forXYZ(out, x, y, z) {
      EXPECT_NEAR(out(x, y, z), want(x, y, z), 1e-11) << sigma << ": " << x << "," << y << "," << z;
    }
  }
  Gauss3DFun(CImg<double>(4, 3, 5, 2, 9.0), out, 1.3);
  EXPECT_NEAR(out.min(), 9.0, 1e-12);
  EXPECT_NEAR(out.max(), 9.0, 1e-12);
}

TEST(Gauss3D, RadiusRule) {
  // An impulse spreads exactly r voxels along each axis: r = 6 for sigma 2
  // (exp(-49 / 8) <= 0.005 < exp(-36 / 8)), and at most 19 for a wide sigma.
  for (const auto& [sigma, r] : {std::pair<double, int>{2.0, 6}, {100.0, 19}}) {
    CImg<double> line(2 * r + 3, 1, 1, 1, 0.0), out;
    line(r + 1) = 1.0;
    Gauss3DFun(line, out, sigma);
    EXPECT_EQ(out(0), 0.0) << sigma;
    EXPECT_EQ(out(2 * r + 2), 0.0) << sigma;
    EXPECT_GT(out(1), 0.0) << sigma;
    EXPECT_GT(out(2 * r + 1), 0.0) << sigma;
    CImg<double> column(1, 1, 2 * r + 3, 1, 0.0);  // the same along z
    column(0, 0, r + 1) = 1.0;
    Gauss3DFun(column, out, sigma);
    EXPECT_EQ(out(0, 0, 0), 0.0) << sigma;
    EXPECT_NEAR(out(0, 0, 1), out(0, 0, 2 * r + 1), 1e-15) << sigma;
    EXPECT_GT(out(0, 0, 1), 0.0) << sigma;
  }
}

TEST(Gauss3D, SigmaWithoutAWidthGivesACopy) {
  const CImg<double> v = quadratic();
  CImg<double> out;
  for (double sigma : {0.0, -1.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
    Gauss3DFun(v, out, sigma);
    EXPECT_EQ(out, v) << sigma;
  }
}

// The window extreme by brute force, from the stated start, frame 0.
CImg<double> brute_extreme(const CImg<double>& in, int n, bool larger) {
  const int r = n / 2;
  CImg<double> out(in.width(), in.height(), in.depth(), in.spectrum(), 0.0);
  cimg_forXYZC(in, x, y, z, c) {
    if (x < r || y < r || x + r >= in.width() || y + r >= in.height()) continue;
    double m = larger ? 0.0 : 1000000.0;
    for (int v = -r; v <= r; ++v)
      for (int u = -r; u <= r; ++u) {
        const double s = in(x + u, y + v, z, c);
        m = larger ? std::max(m, s) : std::min(m, s);
      }
    out(x, y, z, c) = m;
  }
  return out;
}

TEST(LocalExtrema, WindowsOfEverySizeAgainstBruteForce) {
  CImg<double> v(13, 9, 2, 2);
  unsigned seed = 7;
  cimg_for(v, p, double) *p = static_cast<double>((seed = seed * 1103515245u + 12345u) >> 16 & 1023) - 200.0;
  v(6, 4, 1, 1) = 2e6;  // above the minimum's start
  CImg<double> out;
  for (int n = -1; n <= 10; ++n) {
    LocalMaximaFun(v, out, n);
    EXPECT_EQ(out, brute_extreme(v, n, true)) << "maximum, n = " << n;
    LocalMinimaFun(v, out, n);
    EXPECT_EQ(out, brute_extreme(v, n, false)) << "minimum, n = " << n;
  }
  LocalMaximaFun(v, out, 1 << 30);  // no window fits
  EXPECT_TRUE(out.is_sameXYZC(v));
  EXPECT_EQ(out.max(), 0.0);
  EXPECT_THROW(LocalMinimaFun(v, out, -2), std::invalid_argument);
  EXPECT_THROW(LocalMaximaFun(v, out, -1000), std::invalid_argument);
}

TEST(LocalExtrema, HandWorkedThreeByThree) {
  const CImg<double> v = quadratic();  // increasing in x, y and z
  CImg<double> lo, hi;
  LocalMinimaFun(v, lo, 3);
  LocalMaximaFun(v, hi, 3);
  cimg_forXYZ(v, x, y, z) {
    const bool inside = x >= 1 && x <= 3 && y >= 1 && y <= 3;
    EXPECT_EQ(hi(x, y, z), inside ? v(x + 1, y + 1, z) : 0.0) << x << "," << y << "," << z;
    EXPECT_EQ(lo(x, y, z), inside ? v(x - 1, y - 1, z) : 0.0) << x << "," << y << "," << z;
  }
}

TEST(Mask3D, ZeroesTheFacesNDeep) {
  const CImg<double> v = quadratic() + 1.0;  // no voxel is 0
  CImg<double> out;
  Mask3DFun(v, out, 1);
  cimg_forXYZ(out, x, y, z) {
    const bool kept = x >= 1 && x <= 3 && y >= 1 && y <= 3 && z >= 1 && z <= 2;
    EXPECT_EQ(out(x, y, z), kept ? v(x, y, z) : 0.0) << x << "," << y << "," << z;
  }
  Mask3DFun(v, out, 0);
  EXPECT_EQ(out, v);
  Mask3DFun(v, out, 2);  // four slices: all of them within 2 of a face
  EXPECT_EQ(out.max(), 0.0);
  Mask3DFun(v, out, 1 << 30);
  EXPECT_EQ(out.max(), 0.0);
}

TEST(Junction8, CrossingNumberOfExact255AndTheImageEdge) {
  // A Y whose stem leaves the image at the top edge, and a T of 254s.
  CImg<double> img(7, 5, 1, 1, 0.0);
  for (int y = 0; y <= 2; ++y) img(1, y) = 255;  // stem down from the top edge to (1, 2)
  img(0, 3) = 255, img(2, 3) = 255;               // arms: a junction at (1, 2)
  img(4, 0) = 255, img(5, 0) = 255, img(6, 0) = 255, img(5, 1) = 255;  // a T on the top edge: junction (5, 0)
  img(4, 3) = 254, img(5, 3) = 254, img(6, 3) = 254, img(5, 4) = 254;  // not 255: no junction
  CImg<double> out;
  Junction8DetectorFun(img, out);
  ASSERT_TRUE(out.is_sameXYZC(img));
  cimg_forXY(out, x, y) {
    const bool junction = (x == 1 && y == 2) || (x == 5 && y == 0);
    EXPECT_EQ(out(x, y), junction ? 255.0 : 0.0) << x << "," << y;
  }
}

}  // namespace
