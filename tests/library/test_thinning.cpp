// Thinning, binary borders and skeleton features on hand-made pictures.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "dll.h"

namespace {

using Op = std::function<void(const CImg<double>&, CImg<double>&)>;
using Picture = std::vector<std::string>;

// '#' 255, '.' 0.
CImg<double> picture(const Picture& rows) {
  CImg<double> img(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 1, 1, 0.0);
  cimg_forXY(img, x, y) img(x, y) = rows[y][x] == '#' ? 255.0 : 0.0;
  return img;
}

Picture drawn(const CImg<double>& img) {
  Picture rows(img.height(), std::string(img.width(), '.'));
  cimg_forXY(img, x, y) if (img(x, y) >= 255) rows[y][x] = '#';
  return rows;
}

Picture run(const Op& op, const Picture& in) {
  CImg<double> out;
  op(picture(in), out);
  return drawn(out);
}

// Zhang-Suen done the plain way, every pixel examined in every sub-pass.
CImg<double> plain_thinning(CImg<double> img, int passes) {
  auto on = [&](int x, int y) { return x >= 0 && y >= 0 && x < img.width() && y < img.height() && img(x, y) >= 255; };
  for (int p = 0; p < passes; ++p) {
    bool changed = false;
    for (int k = 0; k < 2; ++k) {
      CImg<double> next = img;
      cimg_forXY(img, x, y) {
        if (!on(x, y)) continue;
        const bool n[8] = {on(x, y - 1), on(x + 1, y - 1), on(x + 1, y), on(x + 1, y + 1),
                           on(x, y + 1), on(x - 1, y + 1), on(x - 1, y), on(x - 1, y - 1)};
        int b = 0, a = 0;
        for (int i = 0; i < 8; ++i) b += n[i], a += !n[i] && n[(i + 1) % 8];
        const bool c1 = k == 0 ? !(n[0] && n[2] && n[4]) : !(n[0] && n[2] && n[6]);
        const bool c2 = k == 0 ? !(n[2] && n[4] && n[6]) : !(n[0] && n[4] && n[6]);
        if (b >= 2 && b <= 6 && a == 1 && c1 && c2) next(x, y) = 0, changed = true;
      }
      img = next;
    }
    if (!changed) break;
  }
  return img;
}

TEST(Thinning, ThreeWideBarByHand) {
  const Picture bar = {".......", ".#####.", ".#####.", ".#####.", "......."};
  // Sub-pass 1 takes the bottom row, the right column and the two top
  // corners; sub-pass 2 the top row, the end pixels of the middle row; the
  // next pass removes nothing.
  const Picture thin = {".......", ".......", "..##...", ".......", "......."};
  EXPECT_EQ(run([](const CImg<double>& i, CImg<double>& o) { ThinImgFun(i, o, 1); }, bar), thin);
  EXPECT_EQ(run(FullThinFun, bar), thin);
}

TEST(Thinning, NoPassesCopiesAndOtherValuesStay) {
  CImg<double> in = picture({"....", ".##.", ".##.", "...."});
  in(0, 0) = 100;
  in(3, 3) = 254;  // not white: never thinned, never a neighbour
  for (int n : {0, -7}) {
    CImg<double> out;
    ThinImgFun(in, out, n);
    EXPECT_EQ(out, in) << n;
  }
  CImg<double> out;
  FullThinFun(in, out);
  EXPECT_EQ(out(0, 0), 100.0);
  EXPECT_EQ(out(3, 3), 254.0);
  EXPECT_EQ(out.get_crop(1, 1, 2, 2).sum(), 0.0);  // the first sub-pass takes a whole 2x2 square
}

TEST(Thinning, MatchesThePlainAlgorithmAndKeepsBlobs) {
  CImg<double> in(60, 50, 1, 1, 0.0);
  std::mt19937 rng(3);
  const double white = 255;
  for (int i = 0; i < 25; ++i) in.draw_circle(rng() % 60, rng() % 50, 2 + rng() % 8, &white);
  for (int i = 0; i < 10; ++i) in.draw_rectangle(rng() % 60, rng() % 50, rng() % 60, rng() % 50, &white);
  for (int passes : {1, 2, 3, INT_MAX}) {
    CImg<double> out;
    ThinImgFun(in, out, passes);
    EXPECT_EQ(out, plain_thinning(in, passes)) << passes;
  }
  CImg<double> full, again, blobs_in, blobs_out;
  FullThinFun(in, full);
  FullThinFun(full, again);
  EXPECT_EQ(again, full);  // a skeleton is thin already
  cimg_forXY(full, x, y) EXPECT_TRUE(full(x, y) == 0 || in(x, y) == full(x, y));
  LabellerFun(in, blobs_in);
  LabellerFun(full, blobs_out);
  EXPECT_EQ(blobs_out.max(), blobs_in.max());  // thinning neither splits nor removes objects
}

TEST(SkeletonFeatures, JunctionsAndLimbEnds) {
  const Picture skeleton = {
      ".............",
      "....#........",
      "....#.....#..",
      ".#######..#..",
      "....#....#...",
      "....#....##..",
      ".............",
  };
  EXPECT_EQ(run(JunctionDetectorFun, skeleton), (Picture{".............", ".............", ".............",
                                                          "....#........", ".............", ".............",
                                                          "............."}));
  // Ends with one neighbour, and (10,5), whose two neighbours touch each other.
  EXPECT_EQ(run(LimbEndDetectorFun, skeleton), (Picture{".............", "....#........", "..........#..",
                                                         ".#.....#.....", ".............", "....#.....#..",
                                                         "............."}));
  // A Y of diagonals: three branches; the pixel surrounded on seven sides is
  // neither a junction nor an end.
  EXPECT_EQ(run(JunctionDetectorFun, {".....", ".#.#.", "..#..", "..#..", "....."}),
            (Picture{".....", ".....", "..#..", ".....", "....."}));
  EXPECT_EQ(run(LimbEndDetectorFun, {"####", "####", "###.", "...."}), (Picture{"....", "....", "....", "...."}));
}

TEST(SkeletonFeatures, ConvexCornersOnly) {
  EXPECT_EQ(run(CornerPointDetectorFun, {"......", ".###..", ".###..", ".####.", ".####.", "......"}),
            (Picture{"......", ".#.#..", "......", "....#.", ".#..#.", "......"}));
  EXPECT_EQ(run(CornerPointDetectorFun, {".....", ".....", "#####", ".....", "....."}),
            (Picture{".....", ".....", ".....", ".....", "....."}));
}

TEST(BinaryBorder, ClearsBlocksOfMoreThanSixOddPixels) {
  struct Case {
    double fill, expected;  // a 5x5 plane of fill: the centre 3x3 becomes expected
  };
  const Case cases[] = {{255, 0}, {254, 254}, {3.7, 0}, {-1, 0}, {-2, -2}, {1e300, 1e300},
                        {std::numeric_limits<double>::quiet_NaN(), -1}};
  for (const Case& k : cases) {
    CImg<double> out;
    BinaryBorderFun(CImg<double>(5, 5, 1, 1, k.fill), out);
    if (k.expected == -1) {
      EXPECT_TRUE(std::isnan(out(2, 2)));
      continue;
    }
    EXPECT_EQ(out(2, 2), k.expected) << k.fill;
    EXPECT_EQ(out(0, 3), k.fill) << k.fill << ": border copied";
  }
  // Exactly six odd pixels keep the centre, seven clear it.
  CImg<double> in = picture({"###", "###", "..."}), out;
  BinaryBorderFun(in.get_crop(-1, -1, 3, 3, 0), out);
  EXPECT_EQ(out(2, 2), 255.0);
  in(0, 2) = 7;
  BinaryBorderFun(in.get_crop(-1, -1, 3, 3, 0), out);
  EXPECT_EQ(out(2, 2), 0.0);
}

std::vector<std::pair<const char*, Op>> shape_ops() {
  return {
      {"ThinImg", [](const CImg<double>& i, CImg<double>& o) { ThinImgFun(i, o, 2); }},
      {"FullThin", FullThinFun},
      {"BinaryBorder", BinaryBorderFun},
      {"CornerPoint", CornerPointDetectorFun},
      {"Junctions", JunctionDetectorFun},
      {"LimbEnds", LimbEndDetectorFun},
  };
}

TEST(ShapeOperations, PlanesAreIndependentAndTinyImagesAreServed) {
  CImg<double> in(14, 11, 2, 3);
  cimg_forXYZC(in, x, y, z, c) in(x, y, z, c) = (x * 5 + y * 3 + z * 7 + c * 11) % 13 < 7 ? 255 : 0;
  const CImg<double> tiny[] = {CImg<double>(), CImg<double>(1, 1, 1, 1, 255.0), CImg<double>(2, 3, 2, 1, 255.0),
                               CImg<double>(7, 1, 1, 1, 255.0)};
  for (const auto& [name, op] : shape_ops()) {
    CImg<double> out;
    op(in, out);
    ASSERT_TRUE(out.is_sameXYZC(in)) << name;
    for (int c = 0; c < 3; ++c)
      for (int z = 0; z < 2; ++z) {
        CImg<double> one;
        op(in.get_shared_slice(z, c), one);
        EXPECT_EQ(one, out.get_shared_slice(z, c)) << name << " z" << z << " c" << c;
      }
    for (const CImg<double>& t : tiny) {
      op(t, out);
      EXPECT_TRUE(out.is_sameXYZC(t)) << name;
    }
  }
}

}  // namespace
