// Value k-means of a volume: a hand-worked clustering with truncated centres,
// and the histogram and sorted-value paths against plain Lloyd iterations on
// the voxels themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "dll.h"

namespace {

// Lloyd's k-means on every voxel, from the same evenly spread centres.
std::vector<double> voxel_kmeans(const CImg<double>& in, int k) {
  const double lo = in.min(), hi = in.max();
  std::vector<double> c(k);
  for (int j = 0; j < k; ++j) c[j] = lo + (hi - lo) * (j + 0.5) / k;
  for (int it = 0; it < 500; ++it) {
    std::vector<double> sum(k, 0.0), n(k, 0.0);
    for (const double v : in) {
      int best = 0;
      for (int j = 1; j < k; ++j)
        if (std::fabs(v - c[j]) < std::fabs(v - c[best])) best = j;
      sum[best] += v;
      n[best] += 1;
    }
    for (int j = 0; j < k; ++j)
      if (n[j] > 0) c[j] = sum[j] / n[j];
  }
  std::sort(c.begin(), c.end());
  return c;
}

void expect_nearest_centre(const CImg<double>& in, const CImg<double>& out, const std::vector<double>& c) {
  ASSERT_TRUE(out.is_sameXYZC(in));
  for (size_t i = 0; i < in.size(); ++i) {
    double best = c[0];
    for (const double m : c)
      if (std::fabs(in[i] - m) < std::fabs(in[i] - best)) best = m;
    ASSERT_EQ(out[i], std::trunc(best)) << i << " value " << in[i];
  }
}

TEST(Cluster3D, HandWorkedTwoClustersTruncated) {
  // Centres start at 25 and 75; the first five values average 4.2, 100 stays.
  CImg<double> in(3, 2, 1, 1);
  const double values[] = {0, 0, 1, 10, 10, 100};
  std::copy(values, values + 6, in.data());
  CImg<double> out;
  Cluster3DFun(in, out, 2);
  const double want[] = {4, 4, 4, 4, 4, 100};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], want[i]) << i;
  // More clusters than distinct values: every value is its own centre.
  Cluster3DFun(in, out, 9);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], values[i]) << i;
}

TEST(Cluster3D, HistogramAndSortedPathsMatchLloydOnTheVoxels) {
  for (const double scale : {1.0, 0.37}) {  // whole grey levels, then fractional values
    CImg<double> in(9, 7, 5, 2);
    cimg_forXYZC(in, x, y, z, c) in(x, y, z, c) = scale * ((x * 37 + y * y * 11 + z * 53 + c * 71) % 256);
    for (const int k : {1, 3, 5}) {
      CImg<double> out;
      Cluster3DFun(in, out, k);
      expect_nearest_centre(in, out, voxel_kmeans(in, k));
    }
  }
}

TEST(Cluster3D, RefusesFewerThanOneClusterAndKeepsNonFiniteValues) {
  CImg<double> in(4, 4, 2, 1, 7.0), out;
  EXPECT_THROW(Cluster3DFun(in, out, 0), std::invalid_argument);
  EXPECT_THROW(Cluster3DFun(in, out, -3), std::invalid_argument);
  in(1, 1, 1) = std::nan("");
  Cluster3DFun(in, out, 2);
  EXPECT_TRUE(std::isnan(out(1, 1, 1)));
  EXPECT_EQ(out(0, 0, 0), 7.0);
}

}  // namespace
