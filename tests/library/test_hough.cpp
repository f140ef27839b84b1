// Line Hough accumulator and its inverse on hand-made images, the expected
// cells worked out from the accumulator's sampling: column i is the angle
// i * pi / W, row mid + rho * half / D rounded (mid = H / 2,
// half = (H - 1) / 2, D the image diagonal).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dll.h"

namespace {

CImg<double> hough(const CImg<double>& in) {
  CImg<double> out;
  HoughFun(in, out);
  return out;
}

CImg<double> inverse(const CImg<double>& acc, int lines) {
  CImg<double> out;
  InvHoughFun(acc, out, lines);
  return out;
}

TEST(Hough, PeakOfADrawnLineSitsAtItsAngleAndDistance) {
  // 32 x 32: D = 31 sqrt(2), half = 15, mid = 16, 15 / D rows per pixel.
  struct Case {
    const char* name;
    bool (*on)(int x, int y);
    int column, row;
    double votes;
  };
  for (const Case& k : {Case{"x = 10: 0 deg, rho 10, 16 + 3.42", [](int x, int) { return x == 10; }, 0, 19, 32},
                        Case{"y = 20: 90 deg, rho 20, 16 + 6.84", [](int, int y) { return y == 20; }, 16, 23, 32},
                        Case{"x + y = 20: 45 deg, 16 + 4.84", [](int x, int y) { return x + y == 20; }, 8, 21, 21},
                        Case{"y = x + 4: 135 deg, 16 + 0.97", [](int x, int y) { return y == x + 4; }, 24, 17, 28}}) {
    CImg<double> in(32, 32, 1, 3, 0.0);
    cimg_forXY(in, x, y) in(x, y, 0, 0) = k.on(x, y) ? 255 : 0;
    in.get_shared_channel(1).fill(255.0);  // only channel 0 votes
    const CImg<double> out = hough(in);
    ASSERT_TRUE(out.is_sameXYZC(in));
    EXPECT_EQ(out(k.column, k.row), k.votes) << k.name;
    EXPECT_EQ(out.get_channel(0).max(), k.votes) << k.name;
    EXPECT_EQ(out.get_channel(2), out.get_channel(0)) << k.name;
  }
}

TEST(Hough, EveryNonZeroPixelVotesOncePerAngleInItsSlice) {
  CImg<double> in(8, 5, 2, 1, 0.0);
  in(0, 0, 0) = -3;            // the origin: distance 0 at every angle, row 2
  in(3, 1, 1) = std::nan("");  // NaN does not vote
  CImg<double> expect(8, 5, 2, 1, 0.0);
  expect.get_shared_row(2, 0).fill(1.0);
  EXPECT_EQ(hough(in), expect);
  CImg<double> many(13, 9, 1, 1, 0.0);
  for (int i = 0; i < 6; ++i) many(i * 5 % 13, i * 7 % 9) = 1;
  const CImg<double> out = hough(many);
  for (int x = 0; x < out.width(); ++x) EXPECT_EQ(out.get_column(x).sum(), 6.0) << x;
}

TEST(InvHough, DrawsTheStrongestPeaksAndNoMoreThanThereAre) {
  // 13 x 17: D = 20, half = 8, mid = 8: row r is the distance (r - 8) 2.5, and
  // at column 0 (the vertical) that distance is x.
  CImg<double> acc(13, 17, 1, 2, 0.0);
  acc(0, 10) = 5;                // x = 5
  acc(0, 9) = 3;                 // beside a stronger cell: not a peak
  acc(0, 12) = acc(0, 13) = 4;   // x = 10; a plateau gives one peak (x = 12.5 would be outside)
  struct Case {
    int lines;
    std::vector<int> columns;
  };
  for (const Case& k : {Case{1, {5}}, Case{2, {5, 10}}, Case{3, {5, 10}}, Case{1000, {5, 10}}, Case{0, {}},
                        Case{-4, {}}}) {
    CImg<double> expect(13, 17, 1, 2, 0.0);
    for (int x : k.columns) expect.draw_rectangle(x, 0, 0, 0, x, 16, 0, 1, 255.0);
    EXPECT_EQ(inverse(acc, k.lines), expect) << k.lines;
  }
  // 16 x 9: D = 17, half = 4, mid = 4, a row is 4.25; column 8 is 90 degrees.
  CImg<double> slices(16, 9, 2, 1, 0.0);
  slices(8, 5, 0) = 7;  // y = round(4.25) = 4
  slices(0, 6, 1) = 2;  // x = round(8.5) = 9
  const CImg<double> out = inverse(slices, 1);
  cimg_forXY(out, x, y) {
    EXPECT_EQ(out(x, y, 0), y == 4 ? 255.0 : 0.0);
    EXPECT_EQ(out(x, y, 1), x == 9 ? 255.0 : 0.0);
  }
}

TEST(InvHough, RoundTripDrawsLinesNearTheOriginals) {
  CImg<double> in(64, 48, 1, 1, 0.0);
  cimg_forXY(in, x, y) if (x + y == 40 || y == 2 * x - 30) in(x, y) = 255;
  const CImg<double> out = inverse(hough(in), 2);
  // A row spans D / half = 3.4 pixels of distance: every drawn pixel lies
  // within half of that, an angle step's error and rounding of a line.
  cimg_forXY(out, x, y) if (out(x, y) == 255) {
    const double d1 = std::fabs(x + y - 40) / std::sqrt(2.0), d2 = std::fabs(y - 2 * x + 30) / std::sqrt(5.0);
    EXPECT_LT(std::min(d1, d2), 2.5) << x << "," << y;
  }
  EXPECT_GT(out.sum(), 255.0 * 64);
}

TEST(HoughPair, EmptyAndTinyImagesAreSafe) {
  for (const CImg<double>& in : {CImg<double>(), CImg<double>(1, 1, 1, 1, 255.0), CImg<double>(1, 7, 1, 1, 1.0),
                                 CImg<double>(7, 1, 1, 1, 1.0), CImg<double>(2, 2, 1, 1, std::nan(""))}) {
    EXPECT_TRUE(hough(in).is_sameXYZC(in));
    EXPECT_TRUE(inverse(hough(in), 3).is_sameXYZC(in));
    EXPECT_TRUE(inverse(in, 3).is_sameXYZC(in));
  }
}

}  // namespace
