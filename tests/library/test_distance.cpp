// Directional run lengths, chamfer distances, grassfire and medial axis on
// hand-made images; the chamfer maps and the skeleton also against slow
// direct definitions on random images.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "dll.h"

namespace {

using Op = void (*)(const CImg<double>&, CImg<double>&);

CImg<double> apply(Op op, const CImg<double>& in) {
  CImg<double> out;
  op(in, out);
  return out;
}

// A one-channel image from rows of '#' (255) and '.' (0).
CImg<double> picture(const std::vector<std::string>& rows) {
  CImg<double> img(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 1, 1, 0.0);
  cimg_forXY(img, x, y) img(x, y) = rows[y][x] == '#' ? 255.0 : 0.0;
  return img;
}

CImg<double> random_binary(int w, int h, double white, unsigned seed) {
  std::mt19937 rng(seed);
  std::bernoulli_distribution on(white);
  CImg<double> img(w, h, 1, 1, 0.0);
  cimg_forXY(img, x, y) img(x, y) = on(rng) ? 255.0 : 0.0;
  return img;
}

TEST(DirectionalDistance, RunLengthsCountSamplesThatTruncateTo255) {
  // 255.9 truncates to 255 and continues a run; 256 and 254.9 do not.
  const CImg<double> across = CImg<double>::vector(255, 255, 0, 255, 255, 255, 255.9, 256, 254.9, 255).transpose();
  const CImg<double> forward = CImg<double>::vector(1, 2, 0, 1, 2, 3, 4, 0, 0, 1);
  const CImg<double> backward = CImg<double>::vector(2, 1, 0, 4, 3, 2, 1, 0, 0, 1);
  EXPECT_EQ(apply(L2RDistTransformFun, across), forward.get_transpose());
  EXPECT_EQ(apply(R2LDistTransformFun, across), backward.get_transpose());
  EXPECT_EQ(apply(T2BDistTransformFun, across.get_transpose()), forward);
  EXPECT_EQ(apply(B2TDistTransformFun, across.get_transpose()), backward);
  // Bottom to top fills slice 0 only; top to bottom every slice.
  const CImg<double> b2t = apply(B2TDistTransformFun, CImg<double>(2, 3, 2, 2, 255.0));
  const CImg<double> t2b = apply(T2BDistTransformFun, CImg<double>(2, 3, 2, 2, 255.0));
  EXPECT_EQ(b2t.get_shared_slice(0, 1), CImg<double>(2, 3, 1, 1, 3.0, 3.0, 2.0, 2.0, 1.0, 1.0));
  EXPECT_EQ(b2t.get_shared_slice(1, 1).sum(), 0.0);
  EXPECT_EQ(t2b.get_shared_slice(1, 1), CImg<double>(2, 3, 1, 1, 1.0, 1.0, 2.0, 2.0, 3.0, 3.0));
}

TEST(ChamferDistance, SingleBackgroundPixelGivesTheStepWeights) {
  CImg<double> in(7, 7, 1, 1, 255.0);
  in(3, 3) = 0;
  // By |dx| and |dy| from the background pixel: 3x3 steps 3 and 4; 5x5
  // steps 5, 7, 11 (and 10, 14 as two short steps).
  const double d3[4][4] = {{0, 3, 6, 9}, {3, 4, 7, 10}, {6, 7, 8, 11}, {9, 10, 11, 12}};
  const double d5[4][4] = {{0, 5, 10, 15}, {5, 7, 11, 16}, {10, 11, 14, 18}, {15, 16, 18, 21}};
  const CImg<double> out3 = apply(DistanceTransform3x3Fun, in), out5 = apply(DistanceTransform5x5Fun, in);
  cimg_forXY(in, x, y) {
    EXPECT_EQ(out3(x, y), d3[std::abs(y - 3)][std::abs(x - 3)]) << x << "," << y;
    EXPECT_EQ(out5(x, y), d5[std::abs(y - 3)][std::abs(x - 3)]) << x << "," << y;
  }
}

TEST(ChamferDistance, FiveByFiveRescalesEachPlaneWhoseLargestDistanceExceeds255) {
  CImg<double> in(60, 1, 1, 2, 255.0);
  in(0, 0, 0, 0) = 0;   // channel 0: distances 5 x, up to 295
  in(40, 0, 0, 1) = 0;  // channel 1: up to 200, left as it is
  const CImg<double> out = apply(DistanceTransform5x5Fun, in);
  EXPECT_DOUBLE_EQ(out(59, 0, 0, 0), 255.0);
  EXPECT_DOUBLE_EQ(out(10, 0, 0, 0), 50.0 * 255.0 / 295.0);
  EXPECT_EQ(out(0, 0, 0, 1), 200.0);
  EXPECT_EQ(out(59, 0, 0, 1), 95.0);
  for (Op op : {DistanceTransform3x3Fun, DistanceTransform5x5Fun})  // no background, then no object
    for (double v : {255.0, 254.5}) EXPECT_EQ(apply(op, CImg<double>(6, 4, 1, 1, v)), CImg<double>(6, 4, 1, 1, 0.0));
}

// Shortest paths over the chamfer steps by relaxing until nothing changes:
// slow, but with no raster order in it.
CImg<double> relaxed_chamfer(const CImg<double>& in, bool five) {
  CImg<double> d(in.width(), in.height(), 1, 1);
  cimg_forXY(d, x, y) d(x, y) = in(x, y) >= 255 ? 1e9 : 0.0;
  for (bool changed = true; changed;) {
    changed = false;
    cimg_forXY(d, x, y) for (int dy = -2; dy <= 2; ++dy) for (int dx = -2; dx <= 2; ++dx) {
      const int a = std::abs(dx), b = std::abs(dy), u = x + dx, v = y + dy;
      if ((a != 1 && b != 1) || (!five && a + b > 2) || u < 0 || v < 0 || u >= d.width() || v >= d.height()) continue;
      const double w = five ? (a + b == 1 ? 5 : a + b == 2 ? 7 : 11) : (a + b == 1 ? 3 : 4);
      if (d(u, v) + w < d(x, y)) d(x, y) = d(u, v) + w, changed = true;
    }
  }
  return d;
}

TEST(ChamferDistance, TwoPassesMatchShortestPathsOnRandomImages) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    const CImg<double> in = random_binary(3 + seed % 11, 2 + seed * 7 % 13, 0.85, seed);
    CImg<double> r5 = relaxed_chamfer(in, true);
    if (r5.max() >= 1e9) continue;  // no background
    if (r5.max() > 255) r5 *= 255.0 / r5.max();
    EXPECT_EQ(apply(DistanceTransform3x3Fun, in), relaxed_chamfer(in, false)) << seed;
    const CImg<double> d5 = apply(DistanceTransform5x5Fun, in);
    cimg_foroff(r5, i) EXPECT_DOUBLE_EQ(d5[i], r5[i]) << seed;
  }
}

TEST(Grassfire, NumbersInteriorObjectByCityBlockStepsAndKeepsTheBorder) {
  const CImg<double> out = apply(GFTransformFun, picture({"#######", "#####..", "#######", "#######", "#######"}));
  const double expect[5][7] = {{255, 255, 255, 255, 255, 255, 255}, {255, 4, 3, 2, 1, 0, 0}, {255, 5, 4, 3, 2, 1, 255},
                               {255, 6, 5, 4, 3, 2, 255}, {255, 255, 255, 255, 255, 255, 255}};
  cimg_forXY(out, x, y) EXPECT_EQ(out(x, y), expect[y][x]) << x << "," << y;

  const CImg<double> full = apply(GFTransformFun, CImg<double>(5, 4, 1, 1, 255.0));  // no background at all
  EXPECT_EQ(full(2, 1), 254.0);
  EXPECT_EQ(full(0, 0), 255.0);
  CImg<double> strip(300, 3, 1, 1, 255.0);
  strip(0, 1) = 0;
  const CImg<double> capped = apply(GFTransformFun, strip);
  EXPECT_EQ(capped(200, 1), 200.0);
  EXPECT_EQ(capped(298, 1), 254.0);
  const CImg<double> grey = apply(GFTransformFun, CImg<double>(3, 3, 1, 1, 100.0));
  EXPECT_EQ(grey(1, 1), 0.0);  // not object: background of the transform
  EXPECT_EQ(grey(0, 1), 100.0);
}

TEST(MedialAxis, RectangleKeepsItsCornersAndItsMiddleRow) {
  EXPECT_EQ(apply(MedialAxisFun, picture({".......", ".#####.", ".#####.", ".#####.", "......."})),
            picture({".......", ".#...#.", "..###..", ".#...#.", "......."}));
}

// The skeleton by its definition: erode again and again; at each step add
// what the opening removes, until the eroded image is empty.
CImg<double> skeleton_by_erosion(const CImg<double>& in) {
  CImg<double> skeleton(in.width(), in.height(), 1, 1, 0.0), x = in, opened, eroded;
  for (; x.max() >= 255; x.swap(eroded)) {
    OpenFun(x, opened, 4);
    cimg_foroff(x, i) if (x[i] >= 255 && opened[i] < 255) skeleton[i] = 255;
    ErosionFun(x, eroded, 4);
  }
  return skeleton;
}

TEST(MedialAxis, MatchesRepeatedErosionAndOpeningOnRandomImages) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    const CImg<double> in = random_binary(1 + seed % 17, 1 + seed * 5 % 19, seed % 3 ? 0.8 : 0.95, seed);
    EXPECT_EQ(apply(MedialAxisFun, in), skeleton_by_erosion(in)) << seed;
  }
}

TEST(DistanceOperations, EveryPlaneIsItsOwnAndTinyImagesAreSafe) {
  CImg<double> stack(9, 7, 2, 3);
  std::vector<CImg<double>> planes;
  for (double white : {0.7, 0.9, 0.5, 0.8, 1.0, 0.0}) planes.push_back(random_binary(9, 7, white, planes.size()));
  cimg_forXYZC(stack, x, y, z, c) stack(x, y, z, c) = planes[c * 2 + z](x, y);
  for (Op op : {L2RDistTransformFun, R2LDistTransformFun, T2BDistTransformFun, DistanceTransform3x3Fun,
                DistanceTransform5x5Fun, GFTransformFun, MedialAxisFun}) {
    CImg<double> out = apply(op, stack);
    ASSERT_TRUE(out.is_sameXYZC(stack));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(out.get_shared_slice(i % 2, i / 2), apply(op, planes[i])) << i;
    for (const CImg<double>& tiny : {CImg<double>(), CImg<double>(1, 1, 1, 1, 255.0), CImg<double>(1, 5, 1, 1, 255.0),
                                     CImg<double>(2, 1, 1, 1, std::nan(""))}) {
      EXPECT_TRUE(apply(op, tiny).is_sameXYZC(tiny));
    }
  }
}

}  // namespace
