// Circle detection, line fitting, the seeded level set and the ejection
// fraction on synthetic images whose answer is known by construction.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "dll.h"

namespace {

double dist(int x, int y, double cx, double cy) { return std::hypot(x - cx, y - cy); }

TEST(CircDetector, FindsARingAndADiscAndNothingOnALine) {
  CImg<double> img(120, 100, 1, 1, 0.0);
  cimg_forXY(img, x, y) {
    if (std::fabs(dist(x, y, 60, 50) - 20) < 0.5) img(x, y) = 255;  // a thin ring, radius 20
    if (dist(x, y, 25, 25) < 10) img(x, y) = 200;                   // a disc, radius 10
  }
  CImg<double> circles, votes;
  CircDetectorFun(img, circles, votes);
  ASSERT_TRUE(circles.is_sameXYZC(img));
  int on_ring = 0, on_disc = 0;
  cimg_forXY(circles, x, y) {
    EXPECT_GE(votes(x, y), circles(x, y));
    if (circles(x, y) == 0) continue;
    EXPECT_EQ(circles(x, y), 255);
    const double a = std::fabs(dist(x, y, 60, 50) - 20), b = std::fabs(dist(x, y, 25, 25) - 10);
    ASSERT_TRUE(a <= 1.5 || b <= 1.5) << x << "," << y;  // every drawn pixel lies on one of the two circles
    (a <= 1.5 ? on_ring : on_disc)++;
  }
  EXPECT_GT(on_ring, 100);  // a whole ring of about 2 pi 20 pixels
  EXPECT_GT(on_disc, 50);

  CImg<double> line(80, 60, 1, 1, 0.0);
  cimg_forX(line, x) line(x, 30) = 255;
  CircDetectorFun(line, circles, votes);
  EXPECT_EQ(circles.max(), 0);
}

TEST(LineFit, StraightChainsBecomeOneSegmentAndJunctionsAndDotsGo) {
  // A digital straight line from (5, 10) to (60, 30), a dot, and a plus sign
  // whose centre is a junction.
  CImg<double> img(90, 50, 1, 1, 0.0);
  const unsigned char white[] = {255};
  CImg<unsigned char> ref(90, 50, 1, 1, 0);
  ref.draw_line(5, 10, 60, 30, white);
  cimg_forXY(img, x, y) img(x, y) = ref(x, y);
  img(2, 45) = 255;
  for (int k = -5; k <= 5; ++k) img(75 + k, 42) = img(75, 42 + (k < 3 ? k : 2)) = 255;
  CImg<double> out;
  LineFittingFun(img, out);
  // The line is redrawn from end to end and stays within a pixel of itself.
  EXPECT_EQ(out(5, 10), 255);
  EXPECT_EQ(out(60, 30), 255);
  for (int x = 5; x <= 60; ++x) {
    int hits = 0;
    for (int y = 0; y < 40; ++y)
      if (out(x, y) == 255) {
        ++hits;
        EXPECT_LE(std::fabs(y - (10 + (x - 5) * 20.0 / 55)), 1.0) << x;
      }
    EXPECT_EQ(hits, 1) << x;
  }
  EXPECT_EQ(out(2, 45), 0);   // isolated point removed
  EXPECT_EQ(out(75, 42), 0);    // junction removed
  EXPECT_EQ(out(70, 42), 255);  // its arms stay, as segments
  EXPECT_EQ(out(75, 37), 255);
}

TEST(LevelSet, GrowsTheDiscFromItsSeedAndRefusesAnOutsideSeed) {
  CImg<double> img(64, 64, 1, 1, 50.0);
  int disc = 0;
  cimg_forXY(img, x, y) if (dist(x, y, 30, 32) < 15) img(x, y) = 150, ++disc;
  CImg<double> marked, region, fn;
  LevelSetFun(img, marked, region, fn, 30, 32);
  int grown = 0, inside = 0;
  cimg_forXY(img, x, y) {
    const bool in_disc = img(x, y) == 150;
    grown += region(x, y) == 255;
    EXPECT_EQ(region(x, y) == 255, in_disc);
    inside += fn(x, y) < 0;
    if (marked(x, y) == 255) {
      EXPECT_NEAR(dist(x, y, 30, 32), 14.5, 1.0) << x << "," << y;
    }
    EXPECT_GE(fn(x, y), -3.0);
    EXPECT_LE(fn(x, y), 3.0);
  }
  EXPECT_EQ(grown, disc);
  EXPECT_NEAR(inside, disc, disc / 20);  // the edge holds the front
  EXPECT_THROW(LevelSetFun(img, marked, region, fn, 64, 0), std::invalid_argument);
  EXPECT_THROW(LevelSetFun(img, marked, region, fn, 0, -1), std::invalid_argument);
}

// A box of 200 on 20 with sides a x b x c, not touching the volume's edges.
CImg<double> box_volume(int a, int b, int c) {
  CImg<double> v(20, 20, 12, 1, 20.0);
  for (int z = 3; z < 3 + c; ++z)
    for (int y = 4; y < 4 + b; ++y)
      for (int x = 4; x < 4 + a; ++x) v(x, y, z) = 200;
  return v;
}

TEST(EjectionFraction, CountsTheTrackedBoxesAndRefusesAnEmptySecondRegion) {
  // The 3x3x3 median removes a box's edge voxels (12 of 27 inside) and keeps
  // its faces (18 of 27): a x b x c keeps abc - 4(a-2) - 4(b-2) - 4(c-2) - 8.
  const CImg<double> big = box_volume(10, 8, 6), small = box_volume(8, 6, 4);
  const double v2 = 480 - 32 - 24 - 16 - 8, v1 = 192 - 24 - 16 - 8 - 8;
  EXPECT_DOUBLE_EQ(EjectionFractionFun(small, big, CoOrdinate(6, 6), CoOrdinate(8, 8)), (v2 - v1) / v2);
  EXPECT_DOUBLE_EQ(EjectionFractionFun(big, small, CoOrdinate(8, 8), CoOrdinate(6, 6)), (v1 - v2) / v1);

  CImg<double> blank = big;
  blank.fill(std::numeric_limits<double>::quiet_NaN());
  EXPECT_THROW(EjectionFractionFun(big, blank, CoOrdinate(8, 8), CoOrdinate(8, 8)), std::invalid_argument);
  EXPECT_THROW(EjectionFractionFun(big, big, CoOrdinate(8, 8), CoOrdinate(20, 8)), std::invalid_argument);
}

}  // namespace
