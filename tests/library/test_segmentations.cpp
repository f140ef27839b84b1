// The threshold-selecting segmentations: each global method's level on a
// two-mode histogram worked out independently, the local methods against a
// brute-force window oracle, the blob limits at their edge, and images with
// nothing to split.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "dll.h"

namespace {

using Seg = void (*)(const CImg<double>&, CImg<double>&);

// Two overlapping triangular modes: 3 max(0, 40 - |i - 70|) + 2 max(0, 60 - |i - 170|)
// samples of level i, 12000 in all, in level order over 120 x 100 pixels
// (so every class is one connected region), each at level + 0, 0.25, 0.5 or 0.75.
CImg<double> two_modes() {
  CImg<double> img(120, 100);
  size_t k = 0;
  for (int i = 0; i < 256; ++i) {
    const int n = 3 * std::max(0, 40 - std::abs(i - 70)) + 2 * std::max(0, 60 - std::abs(i - 170));
    for (int j = 0; j < n; ++j, ++k) img[k] = i + 0.25 * (k % 4);
  }
  EXPECT_EQ(k, img.size());
  return img;
}

// The last dark level of each method on two_modes(), from a direct
// evaluation of each criterion over the pixel lists (a separate script).
TEST(GlobalSegmentations, ChooseThePublishedLevelOnTwoModes) {
  const struct {
    Seg seg;
    int last_dark;
    const char* name;
  } cases[] = {{OtsuSegmentationFun, 121, "Otsu"},       {KapurSegmentationFun, 137, "Kapur"},
               {KittlerSegmentationFun, 109, "Kittler"}, {RiddlerSegmentationFun, 121, "Riddler"},
               {LloydSegmentationFun, 108, "Lloyd"},     {TsaiSegmentationFun, 137, "Tsai"},
               {YanniSegmentationFun, 135, "Yanni"}};
  const CImg<double> in = two_modes();
  for (const auto& c : cases) {
    CImg<double> out;
    c.seg(in, out);
    ASSERT_TRUE(out.is_sameXYZC(in)) << c.name;
    size_t wrong = 0;
    for (size_t k = 0; k < in.size(); ++k) wrong += out[k] != (in[k] >= c.last_dark + 1 ? 255.0 : 0.0);
    EXPECT_EQ(wrong, 0u) << c.name;
  }
}

TEST(GlobalSegmentations, EachPlaneAndChannelHasItsOwnLevel) {
  // Two levels per plane: the lower is dark and the higher white, whatever the
  // levels of the other planes (planes of 10 x 12 = 120 pixels, above Tsai's blob limit).
  CImg<double> in(10, 12, 2, 2);
  const double levels[4][2] = {{10, 20}, {200, 250}, {0, 255}, {99.5, 100.5}};
  for (int p = 0; p < 4; ++p)
    for (int k = 0; k < 120; ++k) in[p * 120 + k] = levels[p][k % 10 < 5];
  for (Seg seg : {OtsuSegmentationFun, KapurSegmentationFun, KittlerSegmentationFun, RiddlerSegmentationFun,
                  LloydSegmentationFun, TsaiSegmentationFun, YanniSegmentationFun}) {
    CImg<double> out;
    seg(in, out);
    ASSERT_TRUE(out.is_sameXYZC(in));
    for (size_t k = 0; k < in.size(); ++k) ASSERT_EQ(out[k], k % 10 < 5 ? 255.0 : 0.0) << k;
  }
}

// Four close levels, where the 1/12 added to each class variance decides:
// the split falls after level 2 (with 1/6 it would after 4, with 1/24 after 1).
TEST(GlobalSegmentations, KittlerWidensEachClassByALevelsTruncation) {
  CImg<double> in(56, 1);
  const int levels[][2] = {{1, 25}, {2, 10}, {4, 17}, {8, 4}};
  size_t k = 0;
  for (const auto& l : levels)
    for (int j = 0; j < l[1]; ++j) in[k++] = l[0];
  CImg<double> out;
  KittlerSegmentationFun(in, out);
  for (k = 0; k < in.size(); ++k) EXPECT_EQ(out[k], in[k] > 2 ? 255.0 : 0.0) << in[k];
}

// Window mean and population deviation over the 9 x 9 window clipped to the plane.
void window_stats(const CImg<double>& in, int x, int y, int z, int c, int r, double& m, double& s, double& n) {
  double sum = 0, sq = 0;
  n = 0;
  for (int v = std::max(0, y - r); v <= std::min(in.height() - 1, y + r); ++v)
    for (int u = std::max(0, x - r); u <= std::min(in.width() - 1, x + r); ++u)
      sum += in(u, v, z, c), sq += in(u, v, z, c) * in(u, v, z, c), ++n;
  m = sum / n;
  s = std::sqrt(std::max(0.0, sq / n - m * m));
}

// Clears the 26-connected components (per channel) of fewer than limit voxels, by flood fill.
void drop_blobs(CImg<double>& img, size_t limit) {
  CImg<int> seen(img.width(), img.height(), img.depth(), img.spectrum(), 0);
  for (int c = 0; c < img.spectrum(); ++c)
    cimg_forXYZ(img, x, y, z) {
      if (img(x, y, z, c) == 0 || seen(x, y, z, c)) continue;
      std::vector<std::array<int, 3>> blob{{x, y, z}};
      seen(x, y, z, c) = 1;
      for (size_t i = 0; i < blob.size(); ++i)
        for (int dz = -1; dz <= 1; ++dz)
          for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
              const int u = blob[i][0] + dx, v = blob[i][1] + dy, w = blob[i][2] + dz;
              if (u < 0 || v < 0 || w < 0 || u >= img.width() || v >= img.height() || w >= img.depth()) continue;
              if (img(u, v, w, c) == 0 || seen(u, v, w, c)) continue;
              seen(u, v, w, c) = 1;
              blob.push_back({u, v, w});
            }
      if (blob.size() < limit)
        for (const auto& p : blob) img(p[0], p[1], p[2], c) = 0;
    }
}

TEST(LocalSegmentations, MatchABruteForceWindowOracle) {
  std::mt19937 gen(7);
  std::uniform_int_distribution<int> level(0, 255);
  // Smooth bright and dark areas with noise, so that every rule finds large and small regions.
  CImg<double> in(37, 29, 3, 2);
  cimg_forXYZC(in, x, y, z, c) in(x, y, z, c) = ((x / 12 + y / 10 + c) % 2 ? 190 : 40) + level(gen) % 50 - 25 + 0.5 * z;
  in(5, 5, 1, 0) = std::numeric_limits<double>::infinity();  // counts 0 in the windows, is above any threshold
  CImg<double> sauvola(in, "xyzc", 0.0), niblack(sauvola), palumbo(sauvola), clean(in);
  clean(5, 5, 1, 0) = 0;
  cimg_forXYZC(in, x, y, z, c) {
    double m, s, n, v = in(x, y, z, c);
    window_stats(clean, x, y, z, c, 4, m, s, n);
    sauvola(x, y, z, c) = v > m * (1 + 0.5 * (s / 128 - 1)) ? 255 : 0;
    niblack(x, y, z, c) = v < m - 0.1 * std::sqrt(s * s + m * m - m * m / n) ? 255 : 0;
    double centre, neigh = 0, blocks = 0;
    window_stats(clean, x, y, z, c, 1, centre, s, n);
    for (int dy : {-3, 3})
      for (int dx : {-3, 3})
        if (x + dx >= 0 && y + dy >= 0 && x + dx < in.width() && y + dy < in.height()) {
          window_stats(clean, x + dx, y + dy, z, c, 1, m, s, n);
          neigh += m, ++blocks;
        }
    palumbo(x, y, z, c) = v <= 20 || (blocks && 0.85 * (neigh / blocks) > centre) ? 255 : 0;
  }
  drop_blobs(sauvola, 80);
  drop_blobs(palumbo, 100);
  const struct {
    Seg seg;
    const CImg<double>& want;
    const char* name;
  } cases[] = {{SauvolaSegmentationFun, sauvola, "Sauvola"},
               {ModifiedNiblackSegmentationFun, niblack, "Niblack"},
               {PalumboSegmentationFun, palumbo, "Palumbo"}};
  for (const auto& c : cases) {
    ASSERT_GT(c.want.sum(), 0.0) << c.name;
    CImg<double> out;
    c.seg(in, out);
    ASSERT_TRUE(out.is_sameXYZC(in)) << c.name;
    size_t wrong = 0;
    for (size_t k = 0; k < in.size(); ++k) wrong += out[k] != c.want[k];
    EXPECT_EQ(wrong, 0u) << c.name;
  }
}

// A blob one voxel short of the limit goes, one at the limit stays; the
// voxels count in 3-D, 26-connected (the two halves of each blob touch only
// at a corner across the slices).
TEST(SegmentationBlobLimits, BlobsBelowTheLimitGoAtTheLimitStay) {
  const struct {
    Seg seg;
    int limit;
  } cases[] = {{SauvolaSegmentationFun, 80}, {TsaiSegmentationFun, 100}, {PalumboSegmentationFun, 100}};
  for (const auto& c : cases) {
    // Sauvola and Tsai see bright blobs (200) on 0; Palumbo print (20, its
    // inclusive floor) on 21, a background too flat for its contrast rule.
    const bool dark = c.seg == PalumboSegmentationFun;
    const double fg = dark ? 20 : 200;
    CImg<double> in(60, 30, 2, 1, dark ? 21.0 : 0.0);
    auto blob = [&](int x0, int voxels) {
      // A strip 5 wide in slice 0 whose last row is full, and the rest in
      // slice 1 from the next row on, 5 columns further: they meet at one corner.
      const int half = voxels / 2, pad = (5 - half % 5) % 5, last_row = (half - 1 + pad) / 5;
      for (int k = pad; k < half + pad; ++k) in(x0 + k % 5, k / 5, 0) = fg;
      for (int k = 0; k < voxels - half; ++k) in(x0 + 5 + k % 5, last_row + 1 + k / 5, 1) = fg;
    };
    blob(2, c.limit - 1);
    blob(30, c.limit);
    CImg<double> out;
    c.seg(in, out);
    double kept_short = 0, kept_full = 0;
    cimg_forXYZ(out, x, y, z)(x < 28 ? kept_short : kept_full) += out(x, y, z) / 255;
    EXPECT_EQ(kept_short, 0) << c.limit;
    EXPECT_EQ(kept_full, c.limit) << c.limit;
  }
}

TEST(Segmentations, ImagesWithNothingToSplitGiveSoundResults) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Seg all[] = {KapurSegmentationFun,  KittlerSegmentationFun,         LloydSegmentationFun,
                     OtsuSegmentationFun,   RiddlerSegmentationFun,         TsaiSegmentationFun,
                     YanniSegmentationFun,  SauvolaSegmentationFun,         ModifiedNiblackSegmentationFun,
                     PalumboSegmentationFun};
  for (Seg seg : all) {
    CImg<double> out(3, 3, 1, 1, 7.0);
    seg(CImg<double>(), out);
    EXPECT_TRUE(out.is_empty());
    // One pixel, a constant plane, a plane of NaN: 0 everywhere, except
    // Sauvola's flat positive plane, which lies above its own m (1 - k).
    seg(CImg<double>(1, 1, 1, 1, 120.0), out);
    EXPECT_EQ(out, CImg<double>(1, 1, 1, 1, 0.0));
    seg(CImg<double>(12, 10, 1, 1, 120.0), out);
    EXPECT_EQ(out, CImg<double>(12, 10, 1, 1, seg == SauvolaSegmentationFun ? 255.0 : 0.0));
    seg(CImg<double>(12, 10, 1, 1, nan), out);
    EXPECT_EQ(out, CImg<double>(12, 10, 1, 1, 0.0));
  }
  // A dark constant plane is all print for Palumbo (kept: 120 pixels), and a NaN stays 0.
  CImg<double> dark(12, 10, 1, 1, 5.0), out;
  dark(3, 3) = nan;
  PalumboSegmentationFun(dark, out);
  EXPECT_EQ(out.sum(), 119 * 255.0);
  EXPECT_EQ(out(3, 3), 0.0);
}

}  // namespace
