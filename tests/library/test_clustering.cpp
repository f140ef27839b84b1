// Colour clustering: flat colours found exactly, the k-means fixed point on a
// random image (each centre the mean of its pixels, each pixel nearest its
// own centre), the trace lines, and the histogram-peak clustering's count.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <stdexcept>
#include <vector>

#include "dll.h"

namespace {

// Vertical bands of the given colours, `slices` deep.
CImg<double> bands(const std::vector<std::vector<double>>& list, int slices = 1) {
  const int n = static_cast<int>(list.size());
  CImg<double> img(4 * n, 3, slices, static_cast<int>(list[0].size()));
  cimg_forXYZC(img, x, y, z, c) img(x, y, z, c) = list[static_cast<size_t>(x / 4)][static_cast<size_t>(c)];
  return img;
}

CImg<double> cluster(const CImg<double>& in, int k, std::string* printed = nullptr) {
  CImg<double> out;
  testing::internal::CaptureStdout();
  try {
    ColourClusterFun(in, out, k);
  } catch (...) {
    testing::internal::GetCapturedStdout();
    throw;
  }
  const std::string text = testing::internal::GetCapturedStdout();
  if (printed) *printed = text;
  return out;
}

TEST(ColourCluster, FlatColoursAreFoundExactlyAndEachSlicePrintsItsLine) {
  const CImg<double> three = bands({{200, 10, 30}, {5, 250, 90}, {120, 120, 0}}, 2);
  for (int k : {3, 7}) {  // more clusters than colours: the colours themselves
    std::string printed;
    EXPECT_TRUE(cluster(three, k, &printed) == three) << k;
    EXPECT_EQ(printed, "Here #3\nHere #3\n");
  }
  // Centres are truncated toward zero: means 1.5 and -1.5.
  EXPECT_TRUE(cluster(bands({{0}, {3}}), 1) == CImg<double>(8, 3, 1, 1, 1.0));
  EXPECT_TRUE(cluster(bands({{0}, {-3}}), 1) == CImg<double>(8, 3, 1, 1, -1.0));
  EXPECT_THROW(cluster(three, 0), std::invalid_argument);
}

TEST(ColourCluster, RandomImageEndsAtAKMeansFixedPoint) {
  CImg<double> img(40, 30, 1, 3);
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> v(0, 255);
  cimg_forXYC(img, x, y, c) img(x, y, 0, c) = v(rng);
  const CImg<double> out = cluster(img, 5);
  EXPECT_TRUE(out == cluster(img, 5));  // deterministic
  // Group the pixels by their output colour and recompute the means.
  std::map<std::vector<double>, std::vector<double>> sums;
  std::map<std::vector<double>, int> counts;
  cimg_forXY(img, x, y) {
    const std::vector<double> key = {out(x, y, 0, 0), out(x, y, 0, 1), out(x, y, 0, 2)};
    auto& s = sums[key];
    s.resize(3);
    for (int c = 0; c < 3; ++c) s[static_cast<size_t>(c)] += img(x, y, 0, c);
    ++counts[key];
  }
  ASSERT_EQ(sums.size(), 5u);
  std::vector<std::vector<double>> means;
  for (auto& [key, s] : sums) {
    for (int c = 0; c < 3; ++c) {
      s[static_cast<size_t>(c)] /= counts[key];
      EXPECT_EQ(std::trunc(s[static_cast<size_t>(c)]), key[static_cast<size_t>(c)]);
    }
    means.push_back(s);
  }
  const auto d2 = [&](int x, int y, const std::vector<double>& m) {
    double d = 0;
    for (int c = 0; c < 3; ++c) d += (img(x, y, 0, c) - m[static_cast<size_t>(c)]) * (img(x, y, 0, c) - m[static_cast<size_t>(c)]);
    return d;
  };
  cimg_forXY(img, x, y) {
    const std::vector<double>& own = sums[{out(x, y, 0, 0), out(x, y, 0, 1), out(x, y, 0, 2)}];
    for (const auto& m : means) EXPECT_LE(d2(x, y, own), d2(x, y, m) + 1e-9) << x << "," << y;
  }
}

TEST(SIColourCluster, ClustersComeFromTheHistogramPeaks) {
  CImg<double> out1, out2;
  double count = -1;
  // One colour: one cluster.
  const CImg<double> flat(6, 4, 1, 3, 77.0);
  SIColourClusterFun(flat, out1, out2, count);
  EXPECT_EQ(count, 1.0);
  EXPECT_TRUE(out1 == flat);
  EXPECT_TRUE(out2 == CImg<double>(6, 4, 1, 3, 0.0));
  // Two well-separated colours: two clusters, found exactly, indexed 0 and 1.
  const CImg<double> two = bands({{30, 60, 90}, {200, 180, 220}});
  SIColourClusterFun(two, out1, out2, count);
  EXPECT_EQ(count, 2.0);
  EXPECT_TRUE(out1 == two);
  cimg_forXYC(two, x, y, c) EXPECT_EQ(out2(x, y, 0, c), x < 4 ? 0.0 : 1.0);
  // No pixels: no clusters.
  SIColourClusterFun(CImg<double>(), out1, out2, count);
  EXPECT_EQ(count, 0.0);
  EXPECT_TRUE(out1.is_empty() && out2.is_empty());
}

}  // namespace
