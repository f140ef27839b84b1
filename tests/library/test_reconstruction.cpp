// Reconstruction by dilation, the double threshold and the watershed on
// small hand-made images, and the reconstruction against repeated dilations.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "dll.h"

namespace {

CImg<double> picture(const std::vector<std::string>& rows) {
  CImg<double> img(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 1, 1, 0.0);
  cimg_forXY(img, x, y) img(x, y) = rows[y][x] == '#' ? 255.0 : 0.0;
  return img;
}

CImg<double> row_image(const std::vector<double>& v) {
  CImg<double> img(static_cast<int>(v.size()), 1, 1, 1);
  std::copy(v.begin(), v.end(), img.begin());
  return img;
}

TEST(Reconstruction, FollowsASerpentineToItsEnd) {
  // A corridor that winds down a 33 x 31 image: about 450 pixels long, far
  // beyond what max(w, h) + 1 = 34 rounds of dilation can travel.
  CImg<double> mask(33, 31, 1, 1, 0.0);
  for (int y = 1; y < 30; y += 2) {
    for (int x = 1; x < 30; ++x) mask(x, y) = 255;
    if (y + 2 < 30) mask((y / 2) % 2 == 0 ? 29 : 1, y + 1) = 255;
  }
  mask(15, 0) = 255;  // touches the corridor; reached too
  CImg<double> island = mask;
  island(31, 15) = 255;  // touches nothing of the corridor: not reached
  CImg<double> marker(33, 31, 1, 1, 0.0);
  marker(1, 1) = 255;
  CImg<double> out, residue;
  ReconByDilationFun(island, marker, out, residue, 8);
  EXPECT_EQ(out, mask);
  CImg<double> lone(33, 31, 1, 1, 0.0);
  lone(31, 15) = 255;
  EXPECT_EQ(residue, lone);
}

TEST(Reconstruction, GreyLevelsAndConnectivity) {
  struct Case {
    const char* what;
    CImg<double> mask, marker;
    int conn;
    std::vector<double> expect;  // the reconstruction, in buffer order
  };
  const CImg<double> diagonal = picture({"#..", ".#.", "..#"});
  CImg<double> corner(3, 3, 1, 1, 0.0);
  corner(0, 0) = 255;
  CImg<double> low(3, 3, 1, 1, -10.0);
  const std::vector<Case> cases = {
      // A grey peak spreads capped by the mask: 6 over the 8, cut to 3 and 2.
      {"grey", row_image({5, 9, 3, 8, 8, 2, 7}), row_image({0, 0, 0, 6, 0, 0, 0}), 8, {3, 3, 3, 6, 6, 2, 2}},
      {"corners join with 8", diagonal, corner, 8, {255, 0, 0, 0, 255, 0, 0, 0, 255}},
      {"corners part with 4", diagonal, corner, 4, {255, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"7 is the cross", diagonal, corner, 7, {255, 0, 0, 0, 0, 0, 0, 0, 0}},
      // Outside counts as 0: a negative marker rises to the mask from the edge inward.
      {"negative", CImg<double>(3, 3, 1, 1, -5.0), low, 4, std::vector<double>(9, -5.0)},
  };
  for (const Case& c : cases) {
    CImg<double> out, residue;
    ReconByDilationFun(c.mask, c.marker, out, residue, c.conn);
    EXPECT_EQ(std::vector<double>(out.begin(), out.end()), c.expect) << c.what;
  }
  CImg<double> out, residue;
  ReconByDilationFun(row_image({5, 9, 3, 8, 8, 2, 7}), row_image({0, 0, 0, 6, 0, 0, 0}), out, residue, 8);
  EXPECT_EQ(residue, row_image({2, 6, 0, 2, 2, 0, 5}));
}

TEST(Reconstruction, SizesAndAliasing) {
  // A 3 x 2 mask and a 2 x 3 marker: results are 3 x 3, the mask counting 0 below.
  CImg<double> out, residue;
  CImg<double> marker(2, 3, 1, 1, 0.0);
  marker(0, 0) = 255;
  ReconByDilationFun(CImg<double>(3, 2, 1, 1, 255.0), marker, out, residue, 8);
  EXPECT_EQ(std::vector<double>(out.begin(), out.end()), (std::vector<double>{255, 255, 255, 255, 255, 255, 0, 0, 0}));
  EXPECT_EQ(residue, CImg<double>(3, 3, 1, 1, 0.0));
  // The same image as mask and marker gives itself back, also into itself.
  CImg<double> img = row_image({4, 0, 250, 17});
  const CImg<double> copy = img;
  ReconByDilationFun(img, img, img, residue, 8);
  EXPECT_EQ(img, copy);
  EXPECT_EQ(residue, CImg<double>(4, 1, 1, 1, 0.0));
  ReconByDilationFun(CImg<double>(), CImg<double>(), out, residue, 8);
  EXPECT_TRUE(out.is_empty() && residue.is_empty());
}

TEST(Reconstruction, EqualsRepeatedDilationsUnderTheMask) {
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> grey(0, 255);
  CImg<double> mask(23, 17, 2, 2), marker(23, 17, 2, 2);
  for (double& v : mask) v = grey(rng);
  for (double& v : marker) v = grey(rng) < 8 ? 255.0 : 0.0;
  mask(3, 3, 1, 1) = NAN;  // an undefined sample takes part in nothing; no fault
  for (int conn : {4, 8}) {
    CImg<double> out, residue, step, dilated;
    ReconByDilationFun(mask, marker, out, residue, conn);
    MinimumImgFun(mask, marker, step);
    for (;;) {
      DilationFun(step, dilated, conn);
      CImg<double> next;
      MinimumImgFun(dilated, mask, next);
      next(3, 3, 1, 1) = step(3, 3, 1, 1);
      if (next == step) break;
      step.swap(next);
    }
    EXPECT_EQ(out, step) << conn;
  }
}

TEST(DoubleThreshold, KeepsRegionsThatHoldASeed) {
  // A spot of 250 inside a region of 120, and a second region of 120 with no
  // spot that touches the first nowhere, not even at a corner.
  CImg<double> in(9, 5, 1, 1, 0.0);
  for (int y = 1; y <= 3; ++y)
    for (int x = 1; x <= 3; ++x) in(x, y) = 120, in(x + 4, y) = 120;
  in(2, 2) = 250;
  CImg<double> out, seed, region;
  DBLTFun(in, out, seed, region, 200, 100);
  CImg<double> spot(9, 5, 1, 1, 0.0), first(9, 5, 1, 1, 0.0), both(9, 5, 1, 1, 0.0);
  spot(2, 2) = 255;
  for (int y = 1; y <= 3; ++y)
    for (int x = 1; x <= 3; ++x) first(x, y) = 255, both(x, y) = 255, both(x + 4, y) = 255;
  EXPECT_EQ(seed, spot);
  EXPECT_EQ(region, both);
  EXPECT_EQ(out, first);
  // A seed threshold at or below the region threshold keeps every region.
  DBLTFun(in, out, seed, region, 50, 100);
  EXPECT_EQ(out, region);
}

TEST(Watershed, TwoBasinsParted) {
  // Two dark wells in a bright field, a ridge between them. After the two
  // smoothings the frame is 0, so the field drains to the frame (label 1)
  // and the wells are basins 2 and 3.
  CImg<double> in(17, 9, 1, 1, 255.0);
  for (int y = 2; y <= 6; ++y)
    for (int x = 2; x <= 6; ++x) in(x, y) = 0, in(x + 8, y) = 0;
  CImg<double> labels, bounds;
  WatershedFun(in, labels, bounds);
  ASSERT_EQ(labels.width(), 17);
  ASSERT_EQ(bounds.height(), 9);
  EXPECT_EQ(labels(0, 0), 1);
  EXPECT_EQ(labels(4, 4), 2);
  EXPECT_EQ(labels(12, 4), 3);
  // Middle row, smoothed levels 0 85 85 28 0 28 85 170 198 170 85 28 0 28 85 85 0:
  // the 85s next to the frame are reached from it first, the ridge top (198)
  // from both wells at once and goes to the larger label; every pixel with a
  // smaller-labelled neighbour is a boundary.
  std::vector<double> row, edge;
  for (int x = 0; x < 17; ++x) row.push_back(labels(x, 4)), edge.push_back(bounds(x, 4));
  EXPECT_EQ(row, (std::vector<double>{1, 1, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 1, 1}));
  EXPECT_EQ(edge, (std::vector<double>{0, 0, 255, 0, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 0, 0}));
  // Planes are flooded on their own; an empty image gives empty results.
  CImg<double> two(17, 9, 2, 1);
  two.get_shared_slice(0) = in;
  two.get_shared_slice(1) = 255.0 - in;
  WatershedFun(two, labels, bounds);
  EXPECT_EQ(labels(12, 4, 0), 3);
  EXPECT_EQ(labels.get_shared_slice(1) == labels.get_shared_slice(0), false);
  WatershedFun(CImg<double>(), labels, bounds);
  EXPECT_TRUE(labels.is_empty() && bounds.is_empty());
}

TEST(MorphologyInputs, DegenerateImagesAreServedAtTheirOwnSize) {
  CImg<double> odd(1, 5, 2, 3, 200.0);
  odd(0, 2, 1, 2) = NAN;
  odd(0, 3, 0, 0) = -1e300;
  ConvArray se;
  se.setSize(2, 1);
  se.data[0][0] = se.data[1][0] = 1.0;
  for (const CImg<double>& in : {CImg<double>(), CImg<double>(1, 1, 1, 1, 9.0), odd}) {
    CImg<double> a, b, c;
    DilationNxNFun(in, a, se);
    HitAndMissFun(in, b, se, se);
    EXPECT_TRUE(a.is_sameXYZC(in) && b.is_sameXYZC(in));
    ReconByDilationFun(in, in, a, b, 8);
    DBLTFun(in, a, b, c, 100, 50);
    EXPECT_TRUE(a.is_sameXYZC(in) && c.is_sameXYZC(in));
    WatershedFun(in, a, b);
    EXPECT_TRUE(a.is_sameXYZC(in) && b.is_sameXYZC(in));
  }
}

}  // namespace
