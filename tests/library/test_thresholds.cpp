// Point thresholds, the Euler number and white-pixel count, and the 3x3
// largest / smallest neighbour filters.
#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "dll.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

CImg<double> row_of(const std::vector<double>& v) { return CImg<double>(v.data(), static_cast<int>(v.size())); }
std::vector<double> values_of(const CImg<double>& img) { return std::vector<double>(img.begin(), img.end()); }

// '#' is 255, '.' is 0; the figure starts at column `at` of rows 64 or 130 wide.
CImg<double> picture(const std::vector<std::string>& rows, int at = -1) {
  const int fig = static_cast<int>(rows[0].size());
  const int width = at < 0 ? fig : (at + fig <= 64 ? 64 : 130);
  at = std::max(at, 0);
  CImg<double> img(width, static_cast<int>(rows.size()), 1, 1, 0.0);
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x) img(at + x, y) = rows[y][x] == '#' ? 255.0 : 0.0;
  return img;
}

TEST(Thresholds, CutPointsAndBounds) {
  const CImg<double> in = row_of({-1, 0, 0.5, 99.9, 100, 127, 200, 255, 300, kNaN});
  CImg<double> out;
  ThresholdFun(in, out, 100);
  EXPECT_EQ(values_of(out), (std::vector<double>{0, 0, 0, 0, 255, 255, 255, 255, 255, 0}));
  ThresholdFun(in, out, INT_MIN);  // everything but NaN
  EXPECT_EQ(values_of(out), (std::vector<double>{255, 255, 255, 255, 255, 255, 255, 255, 255, 0}));
  for (auto bounds : {std::pair<int, int>{100, 255}, {255, 100}}) {  // inclusive, either order
    DoubleThresholdFun(in, out, bounds.first, bounds.second);
    EXPECT_EQ(values_of(out), (std::vector<double>{0, 0, 0, 0, 255, 255, 255, 255, 0, 0}));
  }
  MidThresholdFun(in, out);  // not a 0/1 image: cut at 127
  EXPECT_EQ(values_of(out), (std::vector<double>{0, 0, 0, 0, 0, 255, 255, 255, 255, 0}));
  MidThresholdFun(row_of({0, 1, 1, 0}), out);  // a 0/1 image: cut at 0.5
  EXPECT_EQ(values_of(out), (std::vector<double>{0, 255, 255, 0}));
  MidThresholdFun(row_of({0, 1, 2}), out);
  EXPECT_EQ(values_of(out), (std::vector<double>{0, 0, 0}));
  ThresholdFun(CImg<double>(), out, 0);
  EXPECT_TRUE(out.is_empty());
  MidThresholdFun(CImg<double>(3, 2, 4, 2, 1.0), out);
  EXPECT_EQ(out, CImg<double>(3, 2, 4, 2, 255.0));
}

TEST(EulerNumber, BlobsMinusHolesAnywhereInWideRows) {
  struct Case {
    std::vector<std::string> rows;
    int euler;
  };
  const std::vector<Case> cases = {
      {{"#"}, 1},
      {{"#.#"}, 2},
      {{"#.", ".#"}, 1},                  // diagonal neighbours are one blob
      {{"###", "#.#", "###"}, 0},         // a ring
      {{".#.", "#.#", ".#."}, 0},         // a ring closed only through corners
      {{"#####", "#.#.#", "#####"}, -1},  // one blob, two holes
      {{"###.#", "#.#..", "###.#"}, 2},   // a ring and two dots
      {{"....", "...."}, 0},
  };
  // Each figure alone, then placed across the 64-pixel words of wider rows.
  for (const Case& c : cases) {
    EXPECT_EQ(EulerNumFun(picture(c.rows)), c.euler) << c.rows[0];
    for (int at : {59, 61, 62, 63, 64, 125}) EXPECT_EQ(EulerNumFun(picture(c.rows, at)), c.euler) << at;
  }
  EXPECT_EQ(EulerNumFun(CImg<double>()), 0);
  CImg<double> vol(3, 3, 2, 1, 0.0);
  vol(1, 1, 1) = 255;  // only the first slice counts
  EXPECT_EQ(EulerNumFun(vol), 0);
  CImg<double> rgb(3, 1, 1, 3, 255.0);
  rgb(1, 0, 0, 1) = 0;  // every channel must be white: two blobs
  EXPECT_EQ(EulerNumFun(rgb), 2);
}

TEST(WhitePixelCounter, ByChannelCount) {
  EXPECT_EQ(WhitePixelCounterFun(row_of({255, 254.9, 300, kNaN, 0})), 2);
  EXPECT_EQ(WhitePixelCounterFun(CImg<double>(2, 2, 3, 1, 255.0)), 12);
  CImg<double> rgb(2, 1, 2, 3, 255.0);
  rgb(0, 0, 0, 0) = 254;  // R + G + B = 764
  rgb(1, 0, 1, 0) = 0;
  rgb(1, 0, 1, 1) = 510;  // sums to 765
  EXPECT_EQ(WhitePixelCounterFun(rgb), 3);
  EXPECT_EQ(WhitePixelCounterFun(CImg<double>(2, 2, 1, 2, 255.0)), 0);
  EXPECT_EQ(WhitePixelCounterFun(CImg<double>()), 0);
}

// The 3x3 extreme of every pixel straight from the definition: outside
// pixels are 0 for the largest; the smallest leaves the border 0.
CImg<double> naive_extreme(const CImg<double>& in, bool largest) {
  CImg<double> out(in.width(), in.height(), in.depth(), in.spectrum(), 0.0);
  cimg_forXYZC(in, x, y, z, c) {
    if (!largest && (x == 0 || y == 0 || x == in.width() - 1 || y == in.height() - 1)) continue;
    double best = largest ? -1e300 : 1e300;
    for (int yy = y - 1; yy <= y + 1; ++yy)
      for (int xx = x - 1; xx <= x + 1; ++xx) {
        const double v = xx >= 0 && yy >= 0 && xx < in.width() && yy < in.height() ? in(xx, yy, z, c) : 0.0;
        best = largest ? std::max(best, v) : std::min(best, v);
      }
    out(x, y, z, c) = best;
  }
  return out;
}

TEST(NeighbourFilters, HandWorkedAndAgainstTheDefinition) {
  const CImg<double> in = CImg<double>(std::vector<double>{5, 4, 8, 3, 4, 9, 6, 7, 8, 6, 5, 2}.data(), 4, 3);
  CImg<double> out;
  LargestIntensityNeighbourFun(in, out);
  EXPECT_EQ(values_of(out), (std::vector<double>{9, 9, 9, 8, 9, 9, 9, 8, 9, 9, 9, 7}));
  SmallestIntensityNeighbourFun(in, out);
  EXPECT_EQ(values_of(out), (std::vector<double>{0, 0, 0, 0, 0, 4, 2, 0, 0, 0, 0, 0}));
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> grey(-10.0, 255.0);  // negatives: the outside 0 can win
  for (int w : {0, 1, 2, 3, 4, 7})
    for (int h : {1, 2, 3, 5}) {
      CImg<double> img(w, h, 2, 3);
      for (double& v : img) v = grey(rng);
      LargestIntensityNeighbourFun(img, out);
      EXPECT_EQ(out, naive_extreme(img, true)) << w << "x" << h;
      SmallestIntensityNeighbourFun(img, out);
      EXPECT_EQ(out, naive_extreme(img, false)) << w << "x" << h;
    }
}

}  // namespace
