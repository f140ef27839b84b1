// Edge and feature detectors on small hand-made images.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "dll.h"

namespace {

using Op = std::function<void(const CImg<double>&, CImg<double>&)>;

CImg<double> rows_of(int w, int h, const std::vector<double>& v) {
  CImg<double> img(w, h, 1, 1);
  std::copy(v.begin(), v.end(), img.data());
  return img;
}

std::vector<double> values(const CImg<double>& img) { return std::vector<double>(img.begin(), img.end()); }

// A w x h plane of 0 with one pixel set.
CImg<double> dot(int w, int h, int x, int y, double v) {
  CImg<double> img(w, h, 1, 1, 0.0);
  img(x, y) = v;
  return img;
}

TEST(GradientOperators, WeightsTruncationAndClamping) {
  const Op sobel = SobelFun, prewitt = PrewittFun, freichen = FreiChenFun;
  struct Case {
    const char* name;
    Op op;
    CImg<double> in;
    double expected;  // at (1, 1)
  };
  const Case cases[] = {
      // A bright east neighbour enters Gx with the middle weight w.
      {"sobel east", sobel, dot(3, 3, 2, 1, 10), 20},
      {"prewitt east", prewitt, dot(3, 3, 2, 1, 10), 10},
      {"freichen east", freichen, dot(3, 3, 2, 1, 10), 14},  // 14.14 truncated
      {"sobel south", sobel, dot(3, 3, 1, 2, 10), 20},
      // A corner neighbour enters both derivatives with weight 1: 10 sqrt(2).
      {"sobel corner", sobel, dot(3, 3, 0, 0, 10), 10 * std::sqrt(2.0)},
      {"prewitt corner", prewitt, dot(3, 3, 2, 2, 10), 14},
      {"freichen corner", freichen, dot(3, 3, 0, 2, 10), 14},
      // Sobel is not truncated; all are clamped.
      {"sobel small", sobel, dot(3, 3, 2, 1, 0.3), 0.6},
      {"prewitt small", prewitt, dot(3, 3, 2, 1, 0.3), 0},
      {"sobel clamp", sobel, dot(3, 3, 2, 1, 200), 255},
      {"freichen clamp", freichen, dot(3, 3, 1, 0, 1e300), 255},
  };
  for (const Case& k : cases) {
    CImg<double> out;
    k.op(k.in, out);
    EXPECT_NEAR(out(1, 1), k.expected, 1e-12) << k.name;
    EXPECT_EQ(out.sum(), out(1, 1)) << k.name << ": the border stays 0";
  }
}

TEST(Roberts, DiagonalDifferencesGoToTheTopLeftOfTheBlock) {
  CImg<double> in(4, 4, 1, 1, 0.0);
  in(2, 2) = 30;
  in(2, 1) = 40;
  CImg<double> out;
  RobertsFun(in, out);
  // (1,1): d1 = 0 - 30, d2 = 40 - 0 -> 50. (2,1): d1 = 40 - 0, d2 = 0 - 30 -> 50.
  // (1,2): d1 = 0, d2 = 30 -> 30. (2,2): d1 = 30 -> 30.
  EXPECT_EQ(values(out), (std::vector<double>{0, 0, 0, 0, 0, 50, 50, 0, 0, 30, 30, 0, 0, 0, 0, 0}));
}

TEST(Laplacian, FourAndEightNeighbourForms) {
  struct Case {
    int connectivity, x, y;
    double v, expected;
  };
  const Case cases[] = {
      {4, 1, 1, 10, 40},   {8, 1, 1, 10, 167},   // bright centre: 4*10; 8*10/2 + 127
      {4, 1, 1, -10, 0},   {8, 1, 1, -10, 87},   // dark centre: clamped; -40 + 127
      {4, 1, 0, 10, 0},    {8, 1, 0, 10, 122},   // bright edge neighbour
      {4, 0, 0, 10, 0},    {8, 0, 0, 10, 122},   // a corner is not in the four-neighbour form
      {0, 1, 1, 10, 40},   {-8, 1, 1, 10, 40},   {7, 1, 1, 10, 40},  // other values: four-neighbour form
      {4, 1, 1, 100, 255},
  };
  for (const Case& k : cases) {
    CImg<double> out;
    LaplacianFun(dot(3, 3, k.x, k.y, k.v), out, k.connectivity);
    EXPECT_EQ(out(1, 1), k.expected) << k.connectivity << " " << k.x << "," << k.y << " " << k.v;
    EXPECT_EQ(out(0, 0), 0.0);
  }
}

TEST(NonMaxima, KeepsMaximaAlongRowOrColumn) {
  const CImg<double> in = rows_of(5, 4, {0, 0, 0, 0, 0,  //
                                         1, 3, 2, 2, 0,  //
                                         9, 1, 1, 1, 9,  //
                                         9, 9, 9, 9, 9});
  CImg<double> out;
  NonMaximaFun(in, out);
  // (1,1) row maximum; (2,1) column maximum only; (3,1) and (2,2) on plateaus.
  EXPECT_EQ(values(out), (std::vector<double>{0, 0, 0, 0, 0, 0, 3, 2, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(IntensityGradientDirection, CodesCountAnticlockwiseFromEast) {
  const int pos[8][2] = {{2, 1}, {2, 0}, {1, 0}, {0, 0}, {0, 1}, {0, 2}, {1, 2}, {2, 2}};
  CImg<double> out;
  for (int k = 0; k < 8; ++k) {
    IntensityGradientDirectionFun(dot(3, 3, pos[k][0], pos[k][1], 5), out);
    EXPECT_EQ(out(1, 1), k + 1.0);
  }
  IntensityGradientDirectionFun(CImg<double>(3, 3, 1, 1, 7.0), out);  // all tied: lowest code
  EXPECT_EQ(out(1, 1), 1.0);
  CImg<double> in = dot(3, 3, 1, 0, 5);
  in(1, 2) = 5;  // N and S tie: N
  in(2, 1) = std::numeric_limits<double>::quiet_NaN();
  IntensityGradientDirectionFun(in, out);
  EXPECT_EQ(out(1, 1), 3.0);
  EXPECT_EQ(out(0, 0), 0.0);
}

// 8 x 8: 0 left of x = 4; right of it 100 in rows 0..3 and 40 in rows 4..7.
// Sobel magnitudes of the pixels that survive suppression (worked out by
// hand): (3,1), (3,2) 400 [code 1]; (4,3) 384.7 [2]; (5,3), (6,3) 240 [3];
// (4,4) 284.3 [2]; (3,5), (3,6) 160 [1]. They form one eight-connected chain.
CImg<double> two_step() {
  CImg<double> in(8, 8, 1, 1, 0.0);
  cimg_forXY(in, x, y) if (x >= 4) in(x, y) = y < 4 ? 100 : 40;
  return in;
}

std::vector<std::string> marks(const CImg<double>& img) {
  std::vector<std::string> rows(img.height(), std::string(img.width(), '.'));
  cimg_forXY(img, x, y) if (img(x, y) != 0) rows[y][x] = img(x, y) == 255 ? '#' : static_cast<char>('0' + img(x, y));
  return rows;
}

TEST(Canny, SuppressionDirectionsAndHysteresis) {
  CImg<double> edges, dirs;
  CannyFun(two_step(), edges, dirs, 0.0, 150, 300);
  EXPECT_EQ(marks(dirs), (std::vector<std::string>{"........", "...1....", "...1....", "....233.", "....2...",
                                                   "...1....", "...1....", "........"}));
  struct Case {
    int low, high;
    std::vector<std::string> expected;
  };
  const std::vector<std::string> all = {"........", "...#....", "...#....", "....###.",
                                        "....#...", "...#....", "...#....", "........"};
  const Case cases[] = {
      {150, 300, all},
      {300, 150, all},  // exchanged
      {150, 390, all},  // seeds at 400 only, grown along the whole chain
      {0, 400, all},    // thresholds are inclusive
      {200, 300, {"........", "...#....", "...#....", "....###.", "....#...", "........", "........", "........"}},
      {250, 390, {"........", "...#....", "...#....", "....#...", "....#...", "........", "........", "........"}},
      {150, 401, {"........", "........", "........", "........", "........", "........", "........", "........"}},
  };
  for (const Case& k : cases) {
    CannyFun(two_step(), edges, dirs, -1.0, k.low, k.high);
    EXPECT_EQ(marks(edges), k.expected) << k.low << " " << k.high;
  }
}

// Suppression runs four pixels at a time with the last pixels of a row one
// by one, so which path serves a pixel depends on the width. Diagonal steps
// of both orientations at widths 5 to 12 must keep the same pixels in the
// columns every width shares, each with the code of its diagonal: 4 when
// the gradient points down and right (x + y grows), 2 when up and right.
TEST(Canny, BothSuppressionPathsAgreeOnDiagonalsAtEveryWidth) {
  for (const int orientation : {4, 2}) {
    std::vector<std::string> shared;
    for (int w = 5; w <= 12; ++w) {
      CImg<double> in(w, 10, 1, 1, 0.0), edges, dirs;
      cimg_forXY(in, x, y) in(x, y) = (orientation == 4 ? x + y >= 7 : x - y >= -4) ? 100 : 0;
      CannyFun(in, edges, dirs, 0.0, 10, 20);
      std::vector<std::string> rows = marks(dirs);
      int kept = 0;
      cimg_forXY(dirs, x, y) if (dirs(x, y) != 0) {
        ++kept;
        EXPECT_EQ(dirs(x, y), orientation) << "width " << w << " at " << x << "," << y;
      }
      EXPECT_GT(kept, 3) << "width " << w;
      for (std::string& r : rows) r = r.substr(0, 3);  // columns whose neighbours are inside at width 5
      if (shared.empty()) shared = rows;
      EXPECT_EQ(rows, shared) << "width " << w;
    }
  }
}

TEST(Canny, SmoothingSpreadsTheStep) {
  CImg<double> step(8, 6, 1, 2, 0.0);
  cimg_forXY(step, x, y) step(x, y, 0, 0) = x >= 4 ? 100 : 0;  // channel 1 stays flat
  CImg<double> edges, dirs;
  CannyFun(step, edges, dirs, 1.0, 10, 50);
  // The smoothed step is symmetric about x = 3.5: one of the two middle
  // columns (rounding decides the tie) carries the whole edge.
  const int col = edges(3, 1) != 0 ? 3 : 4;
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(edges(x, y), x == col && y > 0 && y < 5 ? 255.0 : 0.0) << x << "," << y;
  EXPECT_EQ(edges.get_shared_channel(1).sum(), 0.0);
  CannyFun(step, edges, dirs, 3.0, 300, 300);  // unsmoothed the step reaches 400, smoothed far less
  EXPECT_EQ(edges.sum(), 0.0);
}

// Hysteresis keeps the 8-connected pieces of the suppressed edges above low
// that hold a pixel above high: the reconstruction of the high edges under
// the low ones. On noise, with and without smoothing, over several planes;
// the edges may be written over the input.
TEST(Canny, HysteresisIsTheReconstructionOfTheStrongEdgesUnderTheWeak) {
  std::mt19937 rng(9);
  std::uniform_real_distribution<double> grey(0.0, 255.0);
  CImg<double> in(61, 43, 2, 2);
  for (double& v : in) v = grey(rng);
  cimg_forXYZC(in, x, y, z, c) if (c == 1) in(x, y, z, c) = 127.0 + 100.0 * std::sin(x / 4.0 + y / 9.0) + grey(rng) / 8.0;
  int grew = 0;
  for (double sigma : {0.0, 0.8, 2.5}) {
    for (auto [low, high] : {std::pair{40, 200}, {100, 400}, {0, 300}}) {
      CImg<double> edges, dirs, weak, strong, d, want, residue;
      CannyFun(in, edges, dirs, sigma, low, high);
      CannyFun(in, weak, d, sigma, low, low);
      CannyFun(in, strong, d, sigma, high, high);
      ReconByDilationFun(weak, strong, want, residue, 8);
      EXPECT_EQ(edges, want) << sigma << " " << low << " " << high;
      grew += edges.sum() > strong.sum();  // weak pixels were taken in
      CImg<double> over(in);
      CannyFun(over, over, d, sigma, low, high);
      EXPECT_EQ(over, edges);
      EXPECT_EQ(d, dirs);
    }
  }
  EXPECT_GE(grew, 6);
}

TEST(Susan, MarksTheCornerOfASquareOnly) {
  // White quadrant x, y >= 7: the USAN of (7,7) is 13 pixels, of (8,7) and
  // (7,8) 17, of the straight sides 22.
  CImg<double> in(15, 15, 1, 1, 0.0);
  cimg_forXY(in, x, y) if (x >= 7 && y >= 7) in(x, y) = 255;
  for (int t : {20, 0, -5}) {
    CImg<double> out;
    SusanDetectorFun(in, out, t, 12345);
    EXPECT_EQ(out.sum(), 255.0) << t;
    EXPECT_EQ(out(7, 7), 255.0) << t;
  }
  CImg<double> out;
  SusanDetectorFun(in, out, 300, 0);  // everything similar: no corner
  EXPECT_EQ(out.sum(), 0.0);
  // A one-pixel line has small USANs whose centre of gravity is the nucleus.
  CImg<double> line(15, 15, 1, 1, 0.0);
  line.get_shared_row(7).fill(200);
  SusanDetectorFun(line, out, 20, 0);
  EXPECT_EQ(out.sum(), 0.0);
}

// The area limit is inclusive: a corner whose USAN holds exactly 18 of the
// 37 mask pixels is marked, one whose smallest candidate holds 19 is not.
// (Wedges found by search; no other pixel of either is a candidate at 18.)
TEST(Susan, AreaLimitIsEighteenInclusive) {
  auto picture = [](const std::vector<std::string>& rows) {
    CImg<double> img(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 1, 1, 0.0);
    cimg_forXY(img, x, y) img(x, y) = rows[y][x] == '#' ? 100.0 : 0.0;
    return img;
  };
  const CImg<double> at_limit = picture({"#####........", "#####........", "######.......", "######.......",
                                         "######.......", "######.......", "#######......", "#######......",
                                         "########.....", "#########....", "#########....", "##########...",
                                         "###########.."});
  const CImg<double> above_limit = picture({"#############", "#############", "#############", "#############",
                                            "#############", "#############", "#############", "........#####",
                                            "...........##", ".............", ".............", ".............",
                                            "............."});
  CImg<double> out;
  SusanDetectorFun(at_limit, out, 27, 0);
  EXPECT_EQ(out.sum(), 255.0);
  EXPECT_EQ(out(6, 5), 255.0);
  SusanDetectorFun(above_limit, out, 27, 0);
  EXPECT_EQ(out.sum(), 0.0);
}

// Every operation treats each slice and channel as a plane of its own, and
// serves empty, tiny and NaN images without reading outside them.
std::vector<std::pair<const char*, Op>> edge_ops() {
  return {
      {"Sobel", SobelFun},
      {"Prewitt", PrewittFun},
      {"FreiChen", FreiChenFun},
      {"Roberts", RobertsFun},
      {"Laplacian4", [](const CImg<double>& i, CImg<double>& o) { LaplacianFun(i, o, 4); }},
      {"Laplacian8", [](const CImg<double>& i, CImg<double>& o) { LaplacianFun(i, o, 8); }},
      {"NonMaxima", NonMaximaFun},
      {"IntensGradDir", IntensityGradientDirectionFun},
      {"CannyEdges", [](const CImg<double>& i, CImg<double>& o) { CImg<double> d; CannyFun(i, o, d, 1.0, 20, 60); }},
      {"CannyDirs", [](const CImg<double>& i, CImg<double>& o) { CImg<double> e; CannyFun(i, e, o, 0.0, 20, 60); }},
      {"Susan", [](const CImg<double>& i, CImg<double>& o) { SusanDetectorFun(i, o, 27, 0); }},
  };
}

TEST(EdgeOperations, PlanesAreIndependent) {
  CImg<double> in(12, 10, 2, 2);
  cimg_forXYZC(in, x, y, z, c) in(x, y, z, c) = ((x * 7 + y * 13 + z * 29 + c * 31) % 17) * 15;
  for (const auto& [name, op] : edge_ops()) {
    CImg<double> out;
    op(in, out);
    ASSERT_TRUE(out.is_sameXYZC(in)) << name;
    for (int c = 0; c < 2; ++c)
      for (int z = 0; z < 2; ++z) {
        CImg<double> one;
        op(in.get_shared_slice(z, c), one);
        EXPECT_EQ(values(one), values(out.get_shared_slice(z, c))) << name << " z" << z << " c" << c;
      }
  }
}

TEST(EdgeOperations, TinyEmptyAndNaNImages) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const CImg<double> inputs[] = {CImg<double>(), CImg<double>(1, 1, 1, 1, 255.0), CImg<double>(2, 2, 1, 3, 9.0),
                                 CImg<double>(9, 1, 1, 1, 5.0), CImg<double>(1, 9, 2, 1, 5.0),
                                 CImg<double>(8, 8, 1, 1, nan)};
  for (const auto& [name, op] : edge_ops())
    for (const CImg<double>& in : inputs) {
      CImg<double> out(3, 3, 1, 1, 1.0);
      op(in, out);
      EXPECT_TRUE(out.is_sameXYZC(in)) << name;
      if (in.width() < 3 || in.height() < 3) {
        EXPECT_EQ(out.sum(), 0.0) << name << ": no window fits";
      }
    }
}

}  // namespace
