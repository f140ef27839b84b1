// Geometry operations on small hand-made images: values worked out by hand,
// quarter-turn properties, and sizes on degenerate shapes.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

#include "dll.h"

namespace {

using Op = std::function<void(const CImg<double>&, CImg<double>&)>;

// A w x h single-plane image holding the w * h values v row by row.
CImg<double> make(int w, int h, const std::vector<double>& v) {
  return CImg<double>(v.data(), w, h);
}

void expect_pixels(const CImg<double>& img, int w, int h, const std::vector<double>& v) {
  ASSERT_EQ(img.width(), w);
  ASSERT_EQ(img.height(), h);
  for (size_t i = 0; i < v.size(); ++i) EXPECT_NEAR(img.data()[i], v[i], 1e-12) << "pixel " << i;
}

// A w x h x d x c image of distinct values.
CImg<double> distinct(int w, int h, int d, int c) {
  return CImg<double>(w, h, d, c).sequence(0, 1e6);
}

TEST(GeometryTest, ResizeAndQuarterTurnsByHand) {
  const auto scale = [](int w, int h) {
    return [=](auto& i, auto& o) { ScaleImgFun(i, o, w, h); };
  };
  const struct {
    const char* name; Op op; CImg<double> in; int w, h; std::vector<double> want;
  } cases[] = {
      {"double", DoubleImgSizeFun, make(2, 2, {0, 4, 8, 12}), 4, 4,
       {0, 2, 4, 4, 4, 6, 8, 8, 8, 10, 12, 12, 8, 10, 12, 12}},
      {"halve", HalveImgSizeFun, make(5, 3, {1, 2, 3, 4, 99, 5, 6, 7, 8, 99, 0, 0, 0, 0, 0}), 2, 1,
       {3.5, 5.5}},
      {"halve 1 wide", HalveImgSizeFun, make(1, 4, {1, 2, 3, 4}), 0, 0, {}},
      {"minus90", RotateMinus90ImgFun, make(3, 2, {1, 2, 3, 4, 5, 6}), 2, 3, {3, 6, 2, 5, 1, 4}},
      {"plus90", RotatePlus90ImgFun, make(3, 2, {1, 2, 3, 4, 5, 6}), 2, 3, {4, 1, 5, 2, 6, 3}},
      {"scale up", scale(4, 1), make(2, 1, {0, 8}), 4, 1, {0, 2, 6, 8}},
      {"scale down", scale(1, 1), make(2, 2, {0, 4, 8, 12}), 1, 1, {6}},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.name);
    CImg<double> out;
    t.op(t.in, out);
    expect_pixels(out, t.w, t.h, t.want);
  }
  const CImg<double> in = distinct(5, 4, 2, 3);
  CImg<double> out;
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{5, 4}, {0, 5}, {3, -1}}) {
    ScaleImgFun(in, out, w, h);  // the same size, or no size: a copy
    EXPECT_EQ(out, in);
  }
}

TEST(GeometryTest, QuarterTurnProperties) {
  const CImg<double> in = distinct(150, 37, 2, 3);  // partial tiles, several planes
  CImg<double> a, b;
  RotatePlus90ImgFun(in, a);
  cimg_forXYZC(in, x, y, z, c) ASSERT_EQ(a(in.height() - 1 - y, x, z, c), in(x, y, z, c));
  RotateMinus90ImgFun(a, b);
  EXPECT_EQ(b, in);  // +90 then -90
  for (int i = 0; i < 3; ++i) RotatePlus90ImgFun(CImg<double>(a), a);
  EXPECT_EQ(a, in);  // four quarter turns
  // On an odd square the free rotation about the centre pixel is the quarter turn.
  const CImg<double> sq = distinct(131, 131, 1, 2);
  for (const double deg : {90.0, -90.0}) {
    RotateImgFun(sq, a, deg);
    (deg > 0 ? RotatePlus90ImgFun : RotateMinus90ImgFun)(sq, b);
    EXPECT_EQ(a, b) << deg;
  }
}

TEST(GeometryTest, RotateByAngle) {
  // Ramp in(x, y) = x + 10 y on 3 x 3, centre (1, 1).
  const CImg<double> ramp = make(3, 3, {0, 1, 2, 10, 11, 12, 20, 21, 22});
  const std::vector<double> quarter = {20, 10, 0, 21, 11, 1, 22, 12, 2}, zero(9, 0.0);
  const double s = std::sqrt(0.5);  // sin 45 = cos 45; out(1, 0) reads source (1 - s, 1 - s)
  const struct { double deg; std::vector<double> want; } cases[] = {
      {0, {0, 1, 2, 10, 11, 12, 20, 21, 22}},
      {90, quarter},
      {-270, quarter},
      {360e6 + 90, quarter},
      {180, {22, 21, 20, 12, 11, 10, 2, 1, 0}},
      {45, {0, 11 * (1 - s), 0, 11 + 9 * s, 11, 11 - 9 * s, 0, 11 * (1 + s), 0}},
      {std::numeric_limits<double>::quiet_NaN(), zero},
      {-std::numeric_limits<double>::infinity(), zero},
  };
  CImg<double> out;
  for (const auto& t : cases) {
    SCOPED_TRACE(t.deg);
    RotateImgFun(ramp, out, t.deg);
    expect_pixels(out, 3, 3, t.want);
  }
  // Even width: centre x = 2, so 180 degrees maps x to 4 - x and x = 0 falls outside.
  RotateImgFun(make(4, 1, {1, 2, 3, 4}), out, 180);
  expect_pixels(out, 4, 1, {0, 4, 3, 2});
}

TEST(GeometryTest, SizesOnEveryShape) {
  using Size = std::pair<int, int>;
  // Each operation with the size it should give to a w x h input (0 meaning empty).
  const struct { Op op; std::function<Size(int, int)> size; } ops[] = {
      {DoubleImgSizeFun, [](int w, int h) { return Size(2 * w, 2 * h); }},
      {HalveImgSizeFun, [](int w, int h) { return Size(h / 2 ? w / 2 : 0, w / 2 ? h / 2 : 0); }},
      {[](auto& i, auto& o) { RotateImgFun(i, o, 33); }, [](int w, int h) { return Size(w, h); }},
      {RotateMinus90ImgFun, [](int w, int h) { return Size(h, w); }},
      {RotatePlus90ImgFun, [](int w, int h) { return Size(h, w); }},
      {[](auto& i, auto& o) { ScaleImgFun(i, o, 3, 5); },
       [](int w, int) { return w ? Size(3, 5) : Size(0, 0); }},
  };
  const int shapes[][4] = {{0, 0, 0, 0}, {1, 1, 1, 1}, {1, 5, 1, 1}, {5, 1, 1, 1}, {4, 3, 2, 3}};
  for (const auto& s : shapes)
    for (size_t k = 0; k < std::size(ops); ++k) {
      SCOPED_TRACE(testing::Message() << "operation " << k << " on " << s[0] << "x" << s[1]);
      const CImg<double> in(s[0], s[1], s[2], s[3], 7.0);
      CImg<double> out(2, 2, 1, 1, -1.0);  // stale contents must be replaced
      ops[k].op(in, out);
      const auto [w, h] = ops[k].size(s[0], s[1]);
      ASSERT_EQ(Size(out.width(), out.height()), Size(w, h));
      if (w == 0) continue;
      EXPECT_EQ(Size(out.depth(), out.spectrum()), Size(s[2], s[3]));
      EXPECT_EQ(out.max(), 7.0);
      EXPECT_GE(out.min(), 0.0);  // only the free rotation leaves zeros
    }
}

TEST(GeometryTest, OversizedResultsAreRefused) {
  const double pixel = 1;
  // Shares the one pixel: doubling must refuse before reading past it.
  const CImg<double> wide(&pixel, 1u << 30, 1, 1, 1, true);
  CImg<double> out;
  EXPECT_THROW(DoubleImgSizeFun(wide, out), std::invalid_argument);
  EXPECT_THROW(ScaleImgFun(make(1, 1, {1}), out, INT_MAX, INT_MAX), std::invalid_argument);
}

}  // namespace
