// Reconstruction by dilation, the double threshold and the watershed on
// small hand-made images, and the reconstruction against repeated dilations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <queue>
#include <random>
#include <tuple>
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

// The flood of one plane written plainly: a priority queue ordered by level
// and then by arrival stands for the 256 FIFOs, and the plane is smoothed by
// two calls of LowPassFun.
void reference_watershed(const CImg<double>& plane, CImg<double>& labels, CImg<double>& bounds) {
  const int w = plane.width(), h = plane.height();
  CImg<double> once, twice;
  LowPassFun(plane, once);
  for (double& v : once) v = std::floor(v + 0.5);
  LowPassFun(once, twice);
  CImg<int> level(w, h), label(w, h, 1, 1, 0);
  cimg_forXY(level, x, y) {
    const double r = std::floor(twice(x, y) + 0.5);
    level(x, y) = r >= 0.0 ? (r <= 255.0 ? static_cast<int>(r) : 255) : 0;  // NaN fails both: 0
  }
  auto neighbours = [&](int x, int y) {
    std::vector<std::pair<int, int>> n;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if ((dx || dy) && x + dx >= 0 && x + dx < w && y + dy >= 0 && y + dy < h) n.push_back({x + dx, y + dy});
    return n;
  };
  int basins = 0;
  CImg<bool> seen(w, h, 1, 1, false);
  cimg_forXY(level, x0, y0) {
    if (seen(x0, y0)) continue;
    std::vector<std::pair<int, int>> plateau{{x0, y0}};
    seen(x0, y0) = true;
    bool minimum = true;
    for (size_t i = 0; i < plateau.size(); ++i)
      for (auto [u, v] : neighbours(plateau[i].first, plateau[i].second)) {
        if (level(u, v) < level(x0, y0)) minimum = false;
        if (level(u, v) == level(x0, y0) && !seen(u, v)) seen(u, v) = true, plateau.push_back({u, v});
      }
    if (minimum) {
      ++basins;
      for (auto [u, v] : plateau) label(u, v) = basins;
    }
  }
  // (level, arrival, x, y), smallest first.
  std::priority_queue<std::tuple<int, long, int, int>, std::vector<std::tuple<int, long, int, int>>, std::greater<>> q;
  long arrivals = 0;
  CImg<bool> queued(w, h, 1, 1, false);
  auto enqueue = [&](int x, int y, int floor) {
    for (auto [u, v] : neighbours(x, y))
      if (label(u, v) == 0 && !queued(u, v)) queued(u, v) = true, q.push({std::max(level(u, v), floor), arrivals++, u, v});
  };
  cimg_forXY(label, x, y) if (label(x, y) > 0) enqueue(x, y, 0);
  while (!q.empty()) {
    const auto [lev, arrival, x, y] = q.top();
    q.pop();
    int best = 0;
    for (auto [u, v] : neighbours(x, y)) best = std::max(best, label(u, v));
    enqueue(x, y, lev);
    label(x, y) = best;
  }
  labels.assign(w, h);
  bounds.assign(w, h);
  cimg_forXY(label, x, y) {
    labels(x, y) = std::min(label(x, y), 255);
    bool edge = false;
    for (auto [u, v] : neighbours(x, y)) edge |= label(u, v) < label(x, y);
    bounds(x, y) = edge ? 255.0 : 0.0;
  }
}

TEST(Watershed, MatchesAPlainFloodOnRandomPlanes) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> grey(0.0, 255.0);
  std::vector<CImg<double>> planes;
  for (auto [w, h] : {std::pair{1, 1}, {1, 6}, {6, 1}, {2, 2}, {3, 3}, {4, 7}, {37, 23}, {64, 64}}) {
    CImg<double> noise(w, h), coarse(w, h);
    for (double& v : noise) v = grey(rng);
    for (double& v : coarse) v = 60.0 * std::floor(grey(rng) / 60.0);  // few levels: wide plateaus
    planes.push_back(noise);
    planes.push_back(coarse);
  }
  CImg<double> smooth(80, 50);  // few basins, long ridges
  cimg_forXY(smooth, x, y) smooth(x, y) = 127.0 + 120.0 * std::sin(x / 7.0) * std::cos(y / 5.0) + grey(rng) / 50.0;
  planes.push_back(smooth);
  CImg<double> odd(30, 20, 1, 1, 100.0);  // outside 0..255, NaN and infinities
  for (double& v : odd) v = grey(rng) * 3.0 - 300.0;
  odd(4, 4) = NAN, odd(10, 10) = INFINITY, odd(20, 5) = -INFINITY;
  planes.push_back(odd);
  planes.push_back(CImg<double>(20, 20, 1, 1, 90.0));  // one plateau
  for (const CImg<double>& plane : planes) {
    CImg<double> labels, bounds, want_labels, want_bounds;
    WatershedFun(plane, labels, bounds);
    reference_watershed(plane, want_labels, want_bounds);
    ASSERT_EQ(labels, want_labels) << plane.width() << " x " << plane.height();
    ASSERT_EQ(bounds, want_bounds) << plane.width() << " x " << plane.height();
    // The labels may be written over the input, plane by plane.
    CImg<double> stack(plane.width(), plane.height(), 2, 2);
    for (int k = 0; k < 4; ++k) stack.get_shared_slice(k % 2, k / 2) = k == 3 ? 255.0 - plane : plane;
    CImg<double> whole_labels, whole_bounds;
    WatershedFun(stack, whole_labels, whole_bounds);
    WatershedFun(stack, stack, bounds);
    EXPECT_EQ(stack, whole_labels);
    EXPECT_EQ(bounds, whole_bounds);
    EXPECT_EQ(whole_labels.get_shared_slice(1, 0), want_labels);
  }
}

TEST(DoubleThreshold, MatchesTheReconstructionOfItsThresholds) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> grey(0.0, 255.0);
  for (auto [w, h] : {std::pair{1, 1}, {1, 9}, {9, 1}, {31, 17}, {64, 48}}) {
    CImg<double> in(w, h, 2, 1);
    for (double& v : in) v = grey(rng);
    in(0, 0, 0) = NAN;
    for (auto [seed_t, region_t] : {std::pair{200, 100}, {100, 200}, {150, 150}, {0, 0}, {300, 60}}) {
      CImg<double> seeds, regions, want, residue;
      ThresholdFun(in, seeds, seed_t);
      ThresholdFun(in, regions, region_t);
      ReconByDilationFun(regions, seeds, want, residue, 8);
      CImg<double> out, seed, region;
      DBLTFun(in, out, seed, region, seed_t, region_t);
      EXPECT_EQ(out, want);
      EXPECT_EQ(seed, seeds);
      EXPECT_EQ(region, regions);
      CImg<double> over(in);  // the result written over the input, or into the input's place
      DBLTFun(over, over, seed, region, seed_t, region_t);
      EXPECT_EQ(over, want);
      over = in;
      DBLTFun(over, out, over, region, seed_t, region_t);
      EXPECT_EQ(out, want);
      EXPECT_EQ(over, seeds);
    }
  }
}

}  // namespace
