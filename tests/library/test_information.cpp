#include <gtest/gtest.h>

#include <climits>

#include "dll.h"

// 3 x 2 image, two slices; value = 100 * c + 10 * z + x + 3 * y.
static CImg<double> Numbered(int channels) {
  CImg<double> img(3, 2, 2, channels);
  cimg_forXYZC(img, x, y, z, c) img(x, y, z, c) = 100.0 * c + 10.0 * z + x + 3 * y;
  return img;
}

TEST(Information, SizesCountChannelsNotSlices) {
  const CImg<double> img(3, 2, 4, 5);
  EXPECT_EQ(GetWidthFun(img) * 100 + GetHeightFun(img) * 10 + GetChannelsFun(img), 325);
  EXPECT_EQ(GetWidthFun(CImg<double>()) + GetHeightFun(CImg<double>()) + GetChannelsFun(CImg<double>()), 0);
}

TEST(Information, GetPixelReadsTheFirstSliceAndMissingChannelsAsZero) {
  const struct { int channels, x, y; double r, g, b; } cases[] = {{1, 2, 1, 5, 0, 0}, {2, 2, 1, 5, 105, 0},
      {4, 2, 1, 5, 105, 205}, {3, -1, 0, -1, -1, -1}, {3, 0, 2, -1, -1, -1}, {3, 3, 0, -1, -1, -1},
      {3, INT_MIN, INT_MAX, -1, -1, -1}, {0, 0, 0, -1, -1, -1}};
  for (const auto& t : cases) {
    const RGBTriplet p = GetPixelFun(t.channels ? Numbered(t.channels) : CImg<double>(), CoOrdinate(t.x, t.y));
    EXPECT_EQ(p.getR() * 1e6 + p.getG() * 1e3 + p.getB(), t.r * 1e6 + t.g * 1e3 + t.b) << t.channels << " " << t.x;
  }
}

TEST(Information, FirstWhitePixelScansRowsOfTheFirstSlice) {
  CImg<double> grey(4, 3, 2, 1, 0.0), rgb(3, 2, 1, 3, 0.0);
  grey(0, 0, 1) = grey(0, 2, 0) = grey(2, 1, 0) = 300;  // slice 1 ignored; (2, 1) comes before (0, 2)
  grey(3, 0, 0) = 254.9;
  rgb(0, 0, 0, 0) = rgb(1, 0, 0, 0) = rgb(1, 0, 0, 1) = 255;  // not white in all three channels
  rgb(2, 1, 0, 0) = rgb(2, 1, 0, 1) = rgb(2, 1, 0, 2) = 255;
  for (const CImg<double>& img : {grey, rgb}) {
    EXPECT_EQ(FirstWhitePixelFun(img).getX(), 2);
    EXPECT_EQ(FirstWhitePixelFun(img).getY(), 1);
  }
  EXPECT_EQ(FirstWhitePixelFun(CImg<double>(2, 2, 1, 3, 254.0)).getX(), -1);
  EXPECT_EQ(FirstWhitePixelFun(CImg<double>()).getY(), -1);
}

TEST(Information, PixelSumAddsEveryValue) {
  const double five[] = {1, 2, 3, 4, 5.5};
  EXPECT_EQ(GrayscalePixelSumFun(CImg<double>(five, 5, 1, 1, 1)), 15.5);
  EXPECT_EQ(GrayscalePixelSumFun(CImg<double>(3, 2, 2, 2, 1.5)), 24 * 1.5);  // all slices and channels
  EXPECT_EQ(GrayscalePixelSumFun(CImg<double>()), 0.0);
}
