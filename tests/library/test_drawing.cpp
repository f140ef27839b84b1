#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "dll.h"

namespace {

// One plane as text: '#' where the value differs from base, rows joined by '|'.
std::string Plane(const CImg<double>& img, double base = 1.0, int z = 0, int c = 0) {
  std::string s;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x <= img.width(); ++x)
      s += x == img.width() ? (y + 1 < img.height() ? "|" : "") : (img(x, y, z, c) != base ? "#" : ".");
  return s;
}

const RGBTriplet kRed(9, 8, 7);
enum Op { kFillBox, kBox, kCircle, kDisc, kLine, kMask };
struct Case { Op op; CoOrdinate a, b; int r, t; const char* plane; };

void Apply(const Case& k, const CImg<double>& in, CImg<double>& out) {
  switch (k.op) {
    case kFillBox: return FillBoxFun(in, out, k.a, k.b, kRed);
    case kBox: return DrawBoxFun(in, out, k.a, k.b, kRed, k.t);
    case kCircle: return DrawCircleFun(in, out, k.a, k.r, kRed, k.t);
    case kDisc: return FillCircleFun(in, out, k.a, k.r, kRed);
    case kLine: return DrawLineFun(in, out, k.a, k.b, kRed, k.t);
    case kMask: return MaskImgFun(in, out, k.r);
  }
}

}  // namespace

TEST(Drawing, ShapesOnASmallImage) {
  const int kBig = 2000000000;
  const Case cases[] = {
      {kFillBox, {3, 2}, {1, 0}, 0, 0, ".###..|.###..|.###..|......|......"},
      {kBox, {0, 0}, {4, 3}, 0, 1, "#####.|#...#.|#...#.|#####.|......"},
      // Sides grow by +k from p1 and -k from p2, here outwards from p1 and off the image at p2.
      {kBox, {4, 3}, {0, 0}, 0, 2, "######|#...##|#...##|######|#####."},
      {kBox, {1, 1}, {3, 3}, 0, INT_MAX, ".###..|######|######|######|.###.."},
      {kBox, {0, 0}, {4, 3}, 0, -1, "......|......|......|......|......"},
      // 1.5 <= d <= 2.5: squared distances 4 and 5.
      {kCircle, {2, 2}, {}, 2, 1, ".###..|#...#.|#...#.|#...#.|.###.."},
      {kCircle, {0, 0}, {}, 5, 0, ".....#|......|......|....#.|...#.."},  // d = 5 exactly
      {kCircle, {-kBig, 1}, {}, kBig + 2, 1, "..#...|..#...|..#...|..#...|..#..."},
      {kDisc, {0, 0}, {}, 2, 0, "###...|##....|#.....|......|......"},
      {kDisc, {0, 0}, {}, 0, 0, "#.....|......|......|......|......"},
      {kLine, {0, 0}, {4, 2}, 0, 1, "#.....|.##...|...##.|......|......"},
      {kLine, {0, 2}, {4, 0}, 0, 1, "....#.|..##..|##....|......|......"},  // halves to the larger row
      {kLine, {1, 0}, {2, 3}, 0, 1, ".#....|.#....|..#...|..#...|......"},
      {kLine, {0, 2}, {3, 2}, 0, 2, "......|####..|####..|......|......"},
      {kLine, {2, 0}, {3, 3}, 0, 3, ".###..|.###..|..###.|..###.|......"},
      {kLine, {2, 1}, {2, 3}, 0, 2, "......|.###..|.###..|.###..|......"},  // vertical: t/2 either side
      {kLine, {2, 1}, {2, 1}, 0, 3, "......|.###..|......|......|......"},
      {kLine, {0, 1}, {4, 1}, 0, -5, "......|#####.|......|......|......"},  // drawn as 1
      {kLine, {0, 1}, {4, 1}, 0, INT_MAX, "#####.|#####.|#####.|#####.|#####."},
      {kLine, {-kBig, 1}, {kBig, 1}, 0, 1, "......|######|......|......|......"},
      {kLine, {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, 0, 1, "#.....|.#....|..#...|...#..|....#."},
      {kMask, {}, {}, 2, 0, "######|######|##..##|######|######"},
      {kMask, {}, {}, INT_MAX, 0, "######|######|######|######|######"},
  };
  const CImg<double> in(6, 5, 2, 1, 1.0);
  CImg<double> out;
  for (const Case& k : cases) {
    Apply(k, in, out);
    EXPECT_EQ(Plane(out), k.plane) << k.op << " " << k.a.getX() << "," << k.a.getY() << " r=" << k.r << " t=" << k.t;
    EXPECT_EQ(Plane(out, 1.0, 1), k.plane) << "second slice";
    if (k.op != kLine) continue;
    DrawLineFun(in, out, k.b, k.a, kRed, k.t);
    EXPECT_EQ(Plane(out), k.plane) << "reversed line";
  }
  // A long shallow line: row 0 while i / 199 < 0.5 (columns 0..99), then row 1.
  DrawLineFun(CImg<double>(200, 2, 1, 1, 1.0), out, CoOrdinate(0, 0), CoOrdinate(199, 1), kRed, 1);
  const std::string half(100, '#'), blank(100, '.');
  EXPECT_EQ(Plane(out), half + blank + "|" + blank + half);
}

TEST(Drawing, ColoursGoToChannelsZeroToTwoOfEverySlice) {
  const CImg<double> img(3, 2, 2, 4, 1.0);
  CImg<double> out;
  SetPixelFun(img, out, CoOrdinate(2, 0), kRed);
  EXPECT_EQ(out.get_vector_at(2, 0, 1), CImg<double>::vector(9.0, 8.0, 7.0, 1.0));
  EXPECT_EQ(out.sum(), 2 * (9 + 8 + 7 + 1) + 2 * 4 * 5);
  RemovePixelFun(img, out, CoOrdinate(1, 1));
  EXPECT_EQ(out.sum(), 2 * 4 * 5);
  EXPECT_EQ(out(1, 1, 1, 3), 0.0);
}

TEST(Drawing, PointMarksArePerPlaneClippedAndMayReplaceTheInput) {
  CImg<double> img(7, 7, 1, 2, 0.0), out;
  img(3, 3, 0, 0) = 255;
  img(0, 0, 0, 1) = 300;
  img(6, 6, 0, 1) = 254.9;
  Point2CrossFun(img, out);
  EXPECT_EQ(Plane(out, 0.0, 0, 0), ".......|...#...|...#...|.#####.|...#...|...#...|.......");
  EXPECT_EQ(Plane(out, 0.0, 0, 1), "###....|#......|#......|.......|.......|.......|.......");
  EXPECT_EQ(out.sum(), 255.0 * 14);
  Point2SquareFun(img, out);
  EXPECT_EQ(Plane(out, 0.0, 0, 0), ".......|.#####.|.#...#.|.#...#.|.#...#.|.#####.|.......");
  EXPECT_EQ(Plane(out, 0.0, 0, 1), "..#....|..#....|###....|.......|.......|.......|.......");
  Point2SquareFun(img, img);
  EXPECT_EQ(img, out);
}

TEST(Drawing, EveryOperationIsSafeOnTinyAndEmptyImages) {
  const int v[] = {INT_MIN, -1, 0, 1, INT_MAX};
  for (const CImg<double>& img : {CImg<double>(), CImg<double>(1, 1, 2, 4, 255.0)})
    for (int a : v)
      for (int b : v) {
        CImg<double> out(2, 2, 1, 1, 5.0);
        RemovePixelFun(img, out, {a, b}), SetPixelFun(img, out, {a, b}, kRed), MaskImgFun(img, out, a);
        for (Op op : {kFillBox, kBox, kCircle, kDisc, kLine}) Apply({op, {a, b}, {b, a}, a, b, ""}, img, out);
        Point2CrossFun(img, out), Point2SquareFun(img, out);
        EXPECT_TRUE(out.is_sameXYZC(img)) << a << "," << b;
      }
}
