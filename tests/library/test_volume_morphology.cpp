// 3-D morphology, projections, stretch, median, reconstruction and
// labelling: hand-worked volumes at the borders, and direct per-voxel
// oracles (27-voxel loops, repeated capped dilation, a flood fill) on odd
// shapes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <functional>
#include <vector>

#include "dll.h"

namespace {

// Pseudo-random small integers (many ties), w x h x d x c.
CImg<double> noise(int w, int h, int d, int c, int levels, unsigned seed) {
  CImg<double> v(w, h, d, c);
  unsigned s = seed;
  for (double& x : v) {
    s = s * 1103515245u + 12345u;
    x = static_cast<double>((s >> 16) % static_cast<unsigned>(levels));
  }
  return v;
}

bool inside(const CImg<double>& v, int x, int y, int z) {
  return x >= 0 && y >= 0 && z >= 0 && x < v.width() && y < v.height() && z < v.depth();
}

bool neighbour(int dx, int dy, int dz, int conn) {
  return conn == 26 || std::abs(dx) + std::abs(dy) + std::abs(dz) <= 1;
}

// The extreme over the neighbourhood inside the volume, voxel by voxel.
CImg<double> direct_extreme(const CImg<double>& v, int conn, bool largest) {
  CImg<double> o(v.width(), v.height(), v.depth(), v.spectrum());
  cimg_forXYZC(v, x, y, z, c) {
    double e = v(x, y, z, c);
    for (int dz = -1; dz <= 1; ++dz)
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if (neighbour(dx, dy, dz, conn) && inside(v, x + dx, y + dy, z + dz)) {
            const double n = v(x + dx, y + dy, z + dz, c);
            e = largest ? std::max(e, n) : std::min(e, n);
          }
    o(x, y, z, c) = e;
  }
  return o;
}

TEST(VolumeMorphology, OneVoxelGrowsIntoTheBlockOrTheCross) {
  // 5 x 5 x 5 of 1, a 9 at the centre and a 7 at the corner voxel (0, 0, 0).
  CImg<double> v(5, 5, 5, 1, 1.0);
  v(2, 2, 2) = 9, v(0, 0, 0) = 7;
  for (const int conn : {6, 26}) {
    CImg<double> d;
    Dilation3DFun(v, d, conn);
    int nines = 0, sevens = 0;
    cimg_forXYZ(d, x, y, z) {
      const int far = std::abs(x - 2) + std::abs(y - 2) + std::abs(z - 2);
      const bool in_block = std::max({std::abs(x - 2), std::abs(y - 2), std::abs(z - 2)}) <= 1;
      EXPECT_EQ(d(x, y, z) == 9, conn == 26 ? in_block : far <= 1) << x << y << z;
      nines += d(x, y, z) == 9, sevens += d(x, y, z) == 7;
    }
    EXPECT_EQ(nines, conn == 26 ? 27 : 7);
    // The corner's block cut by the volume (nothing comes from beyond): 8
    // voxels, less (1, 1, 1), which the 9 reaches too.
    EXPECT_EQ(sevens, conn == 26 ? 7 : 4);
    // Erosion of the negative is the negative of the dilation.
    CImg<double> e;
    Erosion3DFun(-v, e, conn);
    EXPECT_EQ(e, -d);
  }
}

TEST(VolumeMorphology, ExtremesMatchAVoxelLoopAndMayWriteTheirInput) {
  for (const auto& v : {noise(7, 4, 3, 2, 50, 1), noise(1, 5, 6, 1, 9, 2), noise(6, 1, 1, 1, 9, 3),
                        noise(300, 3, 3, 1, 1000, 4)})
    for (const int conn : {6, 26}) {
      CImg<double> d, e, g;
      Dilation3DFun(v, d, conn);
      Erosion3DFun(v, e, conn);
      EXPECT_EQ(d, direct_extreme(v, conn, true)) << conn;
      EXPECT_EQ(e, direct_extreme(v, conn, false)) << conn;
      BeucherGrad3DFun(v, g, conn);
      EXPECT_EQ(g, d - e);
      CImg<double> same(v);
      Dilation3DFun(same, same, conn);
      EXPECT_EQ(same, d);
    }
}

TEST(VolumeMorphology, ClosingIsExtensiveAndIdempotent) {
  const CImg<double> v = noise(9, 8, 7, 1, 20, 5);
  for (const int conn : {6, 26}) {
    CImg<double> once, twice;
    Close3DFun(v, once, conn);
    Close3DFun(once, twice, conn);
    EXPECT_EQ(once, twice);
    cimg_foroff(v, i) EXPECT_GE(once[i], v[i]);
  }
}

TEST(VolumeMorphology, OpeningWorksSliceBySlice) {
  const CImg<double> v = noise(6, 5, 3, 1, 30, 6);
  for (const int conn : {8, 4}) {
    CImg<double> o;
    Open3DFun(v, o, conn);
    for (int z = 0; z < v.depth(); ++z) {
      CImg<double> slice;
      OpenFun(v.get_slice(z), slice, conn);
      EXPECT_EQ(o.get_slice(z), slice) << conn << " " << z;
    }
  }
}

TEST(VolumeProjections, AverageAndMaximumStretchedToTheirOwnRange) {
  CImg<double> v(3, 1, 2, 1);
  v(0, 0, 0) = 10, v(0, 0, 1) = 30;   // mean 20, max 30
  v(1, 0, 0) = 40, v(1, 0, 1) = 40;   // mean 40, max 40
  v(2, 0, 0) = 0, v(2, 0, 1) = 100;   // mean 50, max 100
  CImg<double> a, m;
  AIPFun(v, a);
  MIPFun(v, m);
  ASSERT_EQ(a.depth(), 1);
  EXPECT_DOUBLE_EQ(a(0), 0); EXPECT_DOUBLE_EQ(a(1), 170); EXPECT_DOUBLE_EQ(a(2), 255);
  EXPECT_DOUBLE_EQ(m(0), 0); EXPECT_DOUBLE_EQ(m(1), 255 * 10.0 / 70); EXPECT_DOUBLE_EQ(m(2), 255);
  // A constant projection (a constant column everywhere) is 0.
  MIPFun(CImg<double>(4, 3, 5, 2, 7.0), m);
  EXPECT_EQ(m, CImg<double>(4, 3, 1, 2, 0.0));
}

TEST(VolumeStretch, EnhancerRoundsAndAConstantVolumeGivesZero) {
  CImg<double> v(4, 1, 1, 1);
  v(0) = 10, v(1) = 11, v(2) = 20, v(3) = 30;
  CImg<double> o;
  Enhancer3DFun(v, o, 100);
  EXPECT_EQ(o(0), 0); EXPECT_EQ(o(1), 5); EXPECT_EQ(o(2), 50); EXPECT_EQ(o(3), 100);
  // Smallest = largest: no division by zero, every value 0.
  Enhancer3DFun(CImg<double>(3, 3, 3, 1, 42.0), o, 255);
  EXPECT_EQ(o, CImg<double>(3, 3, 3, 1, 0.0));
  // Window: above the top becomes 255, the top itself is kept.
  CImg<double> w(3, 1, 1, 1);
  w(0) = 99, w(1) = 100, w(2) = 101;
  Window3DFun(w, o, 100);
  EXPECT_EQ(o(0), 99); EXPECT_EQ(o(1), 100); EXPECT_EQ(o(2), 255);
}

TEST(VolumeMedian, MatchesTheSortedBlockWithZerosOutside) {
  for (const auto& v : {noise(7, 6, 5, 2, 6, 7), noise(1, 1, 4, 1, 9, 8), noise(5, 2, 1, 1, 100, 9)}) {
    CImg<double> got;
    Median3DFun(v, got);
    ASSERT_TRUE(got.is_sameXYZC(v));
    cimg_forXYZC(v, x, y, z, c) {
      std::vector<double> block;
      for (int dz = -1; dz <= 1; ++dz)
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx)
            block.push_back(inside(v, x + dx, y + dy, z + dz) ? v(x + dx, y + dy, z + dz, c) : 0.0);
      std::nth_element(block.begin(), block.begin() + 13, block.end());
      ASSERT_EQ(got(x, y, z, c), block[13]) << x << " " << y << " " << z << " " << c;
    }
  }
}

// Repeated capped dilation until nothing changes: the reconstruction's
// definition, slow but plain.
CImg<double> direct_reconstruction(const CImg<double>& mask, const CImg<double>& marker, int conn) {
  CImg<double> j = marker.get_min(mask);
  for (;;) {
    CImg<double> next = direct_extreme(j, conn, true).min(mask);
    if (next == j) return j;
    j.swap(next);
  }
}

TEST(VolumeReconstruction, ASerpentineIsFilledToItsEnd) {
  // A path of 109 voxels that winds through five rows of slice 0, steps
  // through one voxel of slice 1 and winds back through slice 2 of a 10 x 9
  // x 3 volume, walls of 0 between its rows; the marker sits at its start.
  // A scheme capped at 11 dilations would stop in the first row.
  CImg<double> mask(10, 9, 3, 1, 0.0), marker(10, 9, 3, 1, 0.0);
  std::vector<std::array<int, 3>> path;
  for (int s = 0; s < 2; ++s) {
    for (int r = 0; r < 5; ++r) {
      const int y = s ? 8 - 2 * r : 2 * r;
      const bool forward = (r + s) % 2 == 0;
      for (int i = 0; i < 10; ++i) path.push_back({forward ? i : 9 - i, y, 2 * s});
      if (r < 4) path.push_back({forward ? 9 : 0, s ? y - 1 : y + 1, 2 * s});
    }
    if (s == 0) path.push_back({9, 8, 1});
  }
  for (const auto& p : path) mask(p[0], p[1], p[2]) = 200;
  marker(path[0][0], path[0][1], path[0][2]) = 150;
  for (const int conn : {6, 26}) {
    CImg<double> rec, residue;
    ReconByDil3DFun(mask, marker, rec, residue, conn);
    EXPECT_EQ(rec(path.back()[0], path.back()[1], path.back()[2]), 150) << conn;
    EXPECT_EQ(rec, direct_reconstruction(mask, marker, conn)) << conn;
    EXPECT_EQ(residue, mask - rec);
  }
}

TEST(VolumeReconstruction, MatchesRepeatedCappedDilation) {
  const CImg<double> mask = noise(8, 7, 6, 2, 40, 10), marker = noise(8, 7, 6, 2, 60, 11);
  for (const int conn : {6, 26}) {
    CImg<double> rec, residue;
    ReconByDil3DFun(mask, marker, rec, residue, conn);
    EXPECT_EQ(rec, direct_reconstruction(mask, marker, conn)) << conn;
  }
  CImg<double> rec, residue;
  EXPECT_THROW(ReconByDil3DFun(mask, noise(8, 7, 5, 2, 9, 1), rec, residue, 26), std::invalid_argument);
}

// Labels by a flood fill from each unlabelled object voxel in raster order.
CImg<double> flood_labels(const CImg<double>& v) {
  CImg<double> l(v.width(), v.height(), v.depth(), 1, 0.0);
  double next = 0;
  cimg_forXYZ(v, x0, y0, z0) {
    if (v(x0, y0, z0) < 1 || l(x0, y0, z0)) continue;
    l(x0, y0, z0) = ++next;
    std::deque<std::array<int, 3>> todo{{x0, y0, z0}};
    while (!todo.empty()) {
      const auto [x, y, z] = todo.front();
      todo.pop_front();
      for (int dz = -1; dz <= 1; ++dz)
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx)
            if (inside(v, x + dx, y + dy, z + dz) && v(x + dx, y + dy, z + dz) >= 1 && !l(x + dx, y + dy, z + dz)) {
              l(x + dx, y + dy, z + dz) = next;
              todo.push_back({x + dx, y + dy, z + dz});
            }
    }
  }
  return l;
}

TEST(VolumeLabelling, CornerTouchingBlobsAreOneAndTheThresholdIsOne) {
  CImg<double> v(4, 4, 4, 1, 0.0);
  v(0, 0, 0) = 1, v(1, 1, 1) = 5;     // touch at a corner only: one blob
  v(3, 3, 3) = 0.99;                  // below the threshold
  v(3, 0, 3) = 1, v(3, 1, 3) = 2;     // a second blob, later in raster order
  CImg<double> l;
  Labeller3DFun(v, l);
  EXPECT_EQ(l(0, 0, 0), 1); EXPECT_EQ(l(1, 1, 1), 1);
  EXPECT_EQ(l(3, 0, 3), 2); EXPECT_EQ(l(3, 1, 3), 2);
  EXPECT_EQ(l(3, 3, 3), 0);
  EXPECT_EQ(l.max(), 2);
}

TEST(VolumeLabelling, MatchesAFloodFill) {
  for (const auto& v : {noise(9, 8, 7, 1, 3, 12), noise(30, 2, 9, 1, 4, 13), noise(1, 9, 9, 1, 2, 14)}) {
    CImg<double> l;
    Labeller3DFun(v, l);
    EXPECT_EQ(l, flood_labels(v));
  }
}

TEST(VolumeLabelling, RanksAndTheLargestAndSmallestBlob) {
  // Blobs of 3, 5 and 1 voxels in raster order of their first voxels.
  CImg<double> vol(12, 1, 1, 1, 0.0);
  for (const int x : {0, 1, 2}) vol(x) = 255;       // 3 voxels
  for (const int x : {4, 5, 6, 7, 8}) vol(x) = 255; // 5 voxels
  vol(10) = 255;                                    // 1 voxel
  CImg<double> r, big, small;
  LabelByVolFun(vol, r);
  EXPECT_EQ(r(0), 2); EXPECT_EQ(r(4), 1); EXPECT_EQ(r(10), 3); EXPECT_EQ(r(3), 0);
  BigBlob3DFun(vol, big);
  SmallBlob3DFun(vol, small);
  EXPECT_EQ(big.sum(), 5 * 255.0); EXPECT_EQ(big(6), 255);
  EXPECT_EQ(small.sum(), 255.0); EXPECT_EQ(small(10), 255);
  // Equal counts: the lower label ranks first.
  CImg<double> ties(7, 1, 1, 1, 0.0);
  ties(0) = ties(1) = ties(5) = ties(6) = 255;
  LabelByVolFun(ties, r);
  EXPECT_EQ(r(0), 1); EXPECT_EQ(r(6), 2);
  SmallBlob3DFun(ties, small);
  EXPECT_EQ(small(0), 255); EXPECT_EQ(small(6), 0);
  // No blob at all: all 0.
  BigBlob3DFun(CImg<double>(3, 3, 3, 1, 0.0), big);
  EXPECT_EQ(big.max(), 0);
}

}  // namespace
