// 3x3 grey morphology: hand-made binary images, a direct scan of every
// window, the open/close duality and unusual samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "dll.h"

namespace {

using Rows = std::vector<std::string>;
using Op = void (*)(const CImg<double>&, CImg<double>&, int);
const std::vector<Op> kAllOps = {DilationFun,        ErosionFun,     CloseFun,      OpenFun,
                                 BeucherGradientFun, MorphTopHatFun, MorphValleyFun};

// One-channel image from rows of '#' (255) and '.' (0), and back ('?' for any other value).
CImg<double> picture(const Rows& rows) {
  CImg<double> img(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 1, 1, 0.0);
  cimg_forXY(img, x, y) img(x, y) = rows[y][x] == '#' ? 255.0 : 0.0;
  return img;
}
Rows rows_of(const CImg<double>& img) {
  Rows rows(img.height(), std::string(img.width(), '?'));
  cimg_forXY(img, x, y) rows[y][x] = img(x, y) == 255.0 ? '#' : (img(x, y) == 0.0 ? '.' : '?');
  return rows;
}

TEST(Morphology3x3, HandMadeBinaryImages) {
  const Rows point = {".....", ".....", "..#..", ".....", "....."}, blank(5, ".....");
  const Rows plus = {".....", "..#..", ".###.", "..#..", "....."};
  const Rows bar = {".......", ".#####.", ".#####.", ".#####.", "......."};
  const Rows bar_core = {".......", ".......", "..###..", ".......", "......."};
  struct Case { const char* name; Op op; int conn; Rows in, out; };
  const std::vector<Case> cases = {
      {"dilate point 8", DilationFun, 8, point, {".....", ".###.", ".###.", ".###.", "....."}},
      {"dilate point 4", DilationFun, 4, point, plus},
      {"erode point 8", ErosionFun, 8, point, blank},
      {"erode point 4", ErosionFun, 4, point, blank},
      // A line along the top edge grows only inwards: the outside counts as 0.
      {"dilate line 8", DilationFun, 8, {"..###..", "......."}, {".#####.", ".#####."}},
      {"dilate line 4", DilationFun, 0, {"..###..", "......."}, {".#####.", "..###.."}},
      {"erode bar 8", ErosionFun, 8, bar, bar_core},
      {"erode bar 4", ErosionFun, -1, bar, bar_core},
      {"erode plus 4", ErosionFun, 4, plus, {".....", ".....", "..#..", ".....", "....."}},
      {"erode plus 8", ErosionFun, 8, plus, blank},
      // A step edge: dilation minus erosion, the erosion's border counting as 0.
      {"gradient 4", BeucherGradientFun, 4, Rows(5, "..###"), {".####", ".##.#", ".##.#", ".##.#", ".####"}},
      {"open 8", OpenFun, 8, {".....", ".###.", ".###.", ".###.", "...#."}, {".....", ".###.", ".###.", ".###.", "....."}},
      {"close 8", CloseFun, 8, {"#####", "#####", "##.##", "#####", "#####"}, {".....", ".###.", ".###.", ".###.", "....."}},
  };
  for (const Case& c : cases) {
    CImg<double> out;
    c.op(picture(c.in), out, c.conn);
    EXPECT_EQ(rows_of(out), c.out) << c.name;
  }
}

// Both windows against the extreme taken directly over each window, on grey
// images narrower, shorter and larger than the window, two slices each.
TEST(Morphology3x3, DilationAndErosionMatchTheirWindows) {
  std::mt19937 rng(9);
  std::uniform_real_distribution<double> grey(-20.0, 255.0);
  for (auto [w, h] : {std::pair{1, 1}, {1, 5}, {5, 1}, {2, 2}, {3, 3}, {8, 6}}) {
    CImg<double> img(w, h, 2, 1);
    for (double& v : img) v = grey(rng);
    for (int conn : {4, 8}) {
      CImg<double> dilated, eroded;
      DilationFun(img, dilated, conn);
      ErosionFun(img, eroded, conn);
      cimg_forXYZ(img, x, y, z) {
        double hi = img(x, y, z), lo = hi;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            if (conn != 8 && dx != 0 && dy != 0) continue;
            const double v = img.containsXYZC(x + dx, y + dy, z) ? img(x + dx, y + dy, z) : 0.0;
            hi = std::max(hi, v), lo = std::min(lo, v);
          }
        const bool border = x == 0 || y == 0 || x == w - 1 || y == h - 1;
        EXPECT_EQ(dilated(x, y, z), hi) << conn << ": " << w << "x" << h << " at " << x << "," << y;
        EXPECT_EQ(eroded(x, y, z), border ? 0.0 : lo) << conn << ": " << w << "x" << h << " at " << x << "," << y;
      }
    }
  }
}

TEST(Morphology3x3, TopHatAndValleyKeepPeaksAndPits) {
  for (int conn : {4, 8}) {
    CImg<double> peak(5, 5, 1, 1, 100.0), pit(5, 5, 1, 1, 100.0), out, expect(5, 5, 1, 1, 0.0);
    peak(2, 2) = 200, pit(2, 2) = 20;
    MorphTopHatFun(peak, out, conn);
    expect(2, 2) = 100;
    // The cross never reaches a corner from the eroded interior, so corners open to 0.
    if (conn == 4) expect(0, 0) = expect(4, 0) = expect(0, 4) = expect(4, 4) = 100;
    EXPECT_EQ(out, expect) << conn;
    // Closing zeroes the border, and the clamped difference keeps it at 0.
    MorphValleyFun(pit, out, conn);
    expect.fill(0.0);
    expect(2, 2) = 80;
    EXPECT_EQ(out, expect) << conn;
  }
}

// Opening is closing of the complement, complemented: away from the border
// (where the zero outside breaks the symmetry) on any binary image.
TEST(Morphology3x3, OpenIsTheDualOfClose) {
  std::mt19937 rng(5);
  std::bernoulli_distribution white(0.55);
  CImg<double> img(23, 17, 1, 1);
  for (double& v : img) v = white(rng) ? 255.0 : 0.0;
  for (int conn : {4, 8}) {
    CImg<double> opened, closed;
    OpenFun(img, opened, conn);
    CloseFun(255.0 - img, closed, conn);
    for (int y = 2; y < img.height() - 2; ++y)
      for (int x = 2; x < img.width() - 2; ++x)
        EXPECT_EQ(opened(x, y), 255.0 - closed(x, y)) << conn << " at " << x << "," << y;
  }
}

TEST(Morphology3x3, EmptyMultiChannelUnusualAndAliasedImages) {
  const double inf = std::numeric_limits<double>::infinity();
  CImg<double> odd = picture({"....", ".##.", ".##.", "...."});
  odd(1, 1) = std::nan(""), odd(2, 1) = inf, odd(1, 2) = -inf, odd(2, 2) = 1e308;
  CImg<double> rgb = picture({"......", ".####.", ".####.", ".####.", "......"});
  rgb.resize(-100, -100, 1, 3, 0);
  rgb.get_shared_channel(1).fill(50.0);
  for (int conn : {4, 8})
    for (Op op : kAllOps) {
      CImg<double> out, separate, copy = rgb;
      op(CImg<double>(), out, conn);
      EXPECT_TRUE(out.is_empty());
      op(odd, out, conn);
      EXPECT_TRUE(out.is_sameXYZC(odd));
      // Channels stay apart: the flat channel 1 gives what it gives on its own.
      op(rgb, separate, conn);
      op(rgb.get_channel(1), out, conn);
      EXPECT_EQ(separate.get_channel(1), out);
      op(copy, copy, conn);
      EXPECT_EQ(copy, separate);
    }
  CImg<double> out;
  DilationFun(odd, out, 4);
  EXPECT_EQ(out(3, 1), inf);  // the largest sample spreads like any other
}

}  // namespace
