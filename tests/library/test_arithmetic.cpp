// Two-image arithmetic and logic: values worked by hand, and sizing with 0
// padding when the inputs differ in any axis.
#include <gtest/gtest.h>

#include <cmath>

#include "dll.h"

namespace {

using Binary = void (*)(const CImg<double>&, const CImg<double>&, CImg<double>&);
CImg<double> px(double v) { return CImg<double>(1, 1, 1, 1, v); }

TEST(Arithmetic, OneSampleValuesByHand) {
  struct Case { Binary op; double a, b, expect; };
  for (const Case& c : {Case{AddImgFun, 100, 50, 75}, Case{SubtractImgFun, 100, 30, 70},
                        Case{SubtractImgFun, 30, 100, 0}, Case{SubtractImgFun, 400, 30, 255},
                        Case{MultiplyImgFun, 510, 255, 510}, Case{DivideImgFun, 50, 100, 127.5},
                        Case{DivideImgFun, 50, 0, 255}, Case{DivideImgFun, 0, 0, 255},
                        Case{MaximumImgFun, -3, 2, 2}, Case{MinimumImgFun, -3, 2, -3},
                        Case{AndImgFun, 255, 15.7, 15}, Case{AndImgFun, -1.5, 255, 255},  // -1 is all ones
                        Case{OrImgFun, 8.9, 3, 11}, Case{XorImgFun, 255, 255, 0}, Case{XorImgFun, 12, 10, 6},
                        Case{AndImgFun, 1e300, 255, 255}, Case{OrImgFun, -1e300, 0, -2147483648.0},
                        Case{XorImgFun, std::nan(""), 5, 5}}) {
    CImg<double> out;
    c.op(px(c.a), px(c.b), out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], c.expect) << c.a << " and " << c.b;
  }
}

TEST(Arithmetic, SubtractPadsTheSmallerInputWithZero) {
  const CImg<double> a(4, 3, 1, 1, 100., 200., 300., -5., 50., 60., 70., 80., 0., 255., 256., 10.);
  const CImg<double> b(2, 5, 1, 1, 30., 250., 60., -10., 0., 0., 5., 7., -20., 3.);
  CImg<double> out;
  SubtractImgFun(a, b, out);
  EXPECT_EQ(out, CImg<double>(4, 5, 1, 1, 70., 0., 255., 0., 0., 70., 70., 80., 0., 255., 255., 10.,
                              0., 0., 0., 0., 20., 0., 0., 0.));
}

// Every operation, both operand orders, inputs 4x3x1x1 and 2x5x2x3: each
// sample equals the operation on the two one-pixel samples, 0 where outside.
// The result may also be one of the inputs, even when it has to grow.
TEST(Arithmetic, EveryOperationPadsWithZeroInAllFourAxes) {
  CImg<double> a(4, 3, 1, 1), b(2, 5, 2, 3), out, one;
  a.rand(-300, 300);
  b.rand(-300, 300)(0, 0, 1, 2) = 0.0;
  const auto at = [](const CImg<double>& i, int x, int y, int z, int c) {
    return x < i.width() && y < i.height() && z < i.depth() && c < i.spectrum() ? i(x, y, z, c) : 0.0;
  };
  for (Binary op : {AddImgFun, AndImgFun, DivideImgFun, MaximumImgFun, MinimumImgFun, MultiplyImgFun,
                    OrImgFun, SubtractImgFun, XorImgFun})
    for (bool swap : {false, true}) {
      const CImg<double>& p = swap ? b : a;
      const CImg<double>& q = swap ? a : b;
      op(p, q, out);
      ASSERT_TRUE(out.is_sameXYZC(CImg<double>(4, 5, 2, 3)));
      cimg_forXYZC(out, x, y, z, c) {
        op(px(at(p, x, y, z, c)), px(at(q, x, y, z, c)), one);
        ASSERT_EQ(out(x, y, z, c), one[0]) << x << "," << y << "," << z << "," << c;
      }
      CImg<double> in_place(p);
      op(in_place, q, in_place);
      EXPECT_EQ(in_place, out);
    }
}

TEST(Arithmetic, SameImageTwiceNotAndEmptyInputs) {
  CImg<double> img(5, 4, 2, 3), out;
  img.rand(1, 255);
  for (Binary op : {AddImgFun, MaximumImgFun, MinimumImgFun, SubtractImgFun, XorImgFun}) {
    op(img, op == SubtractImgFun ? CImg<double>() : img, out);
    EXPECT_EQ(out, op == XorImgFun ? CImg<double>(5, 4, 2, 3, 0.0) : img);
  }
  NotImgFun(CImg<double>(2, 1, 2, 3, 0.0), out);
  EXPECT_EQ(out, CImg<double>(2, 1, 2, 3, 255.0));
  DivideImgFun(CImg<double>(), img, out);
  EXPECT_EQ(out, CImg<double>(5, 4, 2, 3, 0.0));
  AddImgFun(CImg<double>(), CImg<double>(), out);
  EXPECT_TRUE(out.is_empty());
  NotImgFun(CImg<double>(), out);
  EXPECT_TRUE(out.is_empty());
}

}  // namespace
