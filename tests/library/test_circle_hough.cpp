// Circle Hough accumulator and its inverse: a hand-worked single point, the
// peak of a drawn circle at its centre and radius, clipping of huge radii,
// and the radius ranges the transform refuses.
#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>

#include "dll.h"

namespace {

CImg<double> circ_hough(const CImg<double>& in, int rmin, int rmax, int step) {
  CImg<double> out;
  CircHoughFun(in, out, rmin, rmax, step);
  return out;
}

CImg<double> inv_circ_hough(const CImg<double>& acc, int r0, int step) {
  CImg<double> out;
  InvCircHoughFun(acc, out, r0, 12345, step);
  return out;
}

TEST(CircHough, OnePointVotesForTheRingAroundIt) {
  CImg<double> in(9, 9, 1, 1, 0.0);
  in(4, 4) = 255;
  const CImg<double> acc = circ_hough(in, 1, 3, 1);  // radii 1 and 2
  ASSERT_EQ(acc.depth(), 2);
  ASSERT_EQ(acc.spectrum(), 1);
  // Radius 1: the four neighbours, 1 vote / 1. Radius 2: the 12-point ring
  // (+-2, 0), (+-2, +-1), (0, +-2), (+-1, +-2), each 1 vote / 2.
  int ones = 0, halves = 0;
  cimg_forXY(acc, x, y) {
    const int dx = x - 4, dy = y - 4;
    EXPECT_EQ(acc(x, y, 0), std::abs(dx) + std::abs(dy) == 1 ? 1.0 : 0.0) << x << "," << y;
    const bool ring2 = std::max(std::abs(dx), std::abs(dy)) == 2 && std::min(std::abs(dx), std::abs(dy)) <= 1;
    EXPECT_EQ(acc(x, y, 1), ring2 ? 0.5 : 0.0) << x << "," << y;
    ones += acc(x, y, 0) == 1.0;
    halves += acc(x, y, 1) == 0.5;
  }
  EXPECT_EQ(ones, 4);
  EXPECT_EQ(halves, 12);
}

TEST(CircHough, ADrawnCirclePeaksAtItsCentreAndRadius) {
  // Draw the circle of radius 12 at (30, 25) with the inverse, vote for radii
  // 8..15: the strongest cell is the centre on the radius-12 slice, holding
  // every point of the ring divided by 12.
  CImg<double> cell(64, 56, 13, 1, 0.0);
  cell(30, 25, 12) = 1;
  const CImg<double> drawn = inv_circ_hough(cell, 0, 1);
  ASSERT_TRUE(drawn.get_channel(0) == drawn.get_channel(2));
  const CImg<double> acc = circ_hough(drawn, 8, 16, 1);
  ASSERT_EQ(acc.depth(), 8);
  int bx = -1, by = -1, bz = -1;
  double best = -1;
  cimg_forXYZ(acc, x, y, z) if (acc(x, y, z) > best) best = acc(x, y, z), bx = x, by = y, bz = z;
  EXPECT_EQ(bx, 30);
  EXPECT_EQ(by, 25);
  EXPECT_EQ(bz, 4);
  double points = 0;
  cimg_forXY(drawn, x, y) points += drawn(x, y) == 255;
  EXPECT_DOUBLE_EQ(best, points / 12);
  EXPECT_GT(points, 60);
}

TEST(CircHough, MoreVotersThanSixteenBitCountersHold) {
  // 260 x 260 voters (over 65535): radius 1 gives each cell one vote per
  // neighbour inside the image, radius 2 (12 ring points) twelve in the middle.
  const CImg<double> in(260, 260, 1, 1, 255.0);
  const CImg<double> acc = circ_hough(in, 1, 3, 1);
  EXPECT_EQ(acc(130, 130, 0), 4.0);
  EXPECT_EQ(acc(0, 0, 0), 2.0);
  EXPECT_EQ(acc(0, 100, 0), 3.0);
  EXPECT_EQ(acc(130, 130, 1), 6.0);
}

TEST(CircHough, HugeRadiiAreClippedAndBadRangesRefused) {
  // A corner cell with a radius far beyond the image draws nothing; one that
  // reaches the far corner draws a clipped arc.
  CImg<double> cell(20, 10, 3, 1, 0.0);
  cell(0, 0, 2) = 1;
  EXPECT_EQ(inv_circ_hough(cell, 0, INT_MAX).max(), 0.0);
  const CImg<double> arc = inv_circ_hough(cell, 0, 5);  // radius 10
  EXPECT_EQ(arc(10, 0, 0, 1), 255.0);
  EXPECT_EQ(arc(0, 0, 0, 0), 0.0);
  EXPECT_EQ(inv_circ_hough(cell, -40, 1).max(), 0.0);  // negative radii draw nothing

  const CImg<double> in(8, 8, 1, 1, 255.0);
  EXPECT_TRUE(circ_hough(in, 10, 10, 1).is_empty());  // no radius in range
  EXPECT_TRUE(circ_hough(in, 10, 5, 2).is_empty());
  EXPECT_EQ(circ_hough(in, 10, 5, -2).depth(), 2);  // radii 10 and 8
  EXPECT_THROW(circ_hough(in, 1, 5, 0), std::invalid_argument);
  EXPECT_THROW(circ_hough(in, 1, 5, -1), std::invalid_argument);
  EXPECT_THROW(circ_hough(in, 0, 5, 1), std::invalid_argument);
  EXPECT_THROW(circ_hough(in, 5, -5, -3), std::invalid_argument);  // reaches -1
  EXPECT_THROW(circ_hough(in, INT_MIN, INT_MAX, 1), std::invalid_argument);
}

}  // namespace
