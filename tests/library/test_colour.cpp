// Colour-space conversions: round trips over the RGB cube, published values
// of reference colours, the channel rules and the display views.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <random>
#include <stdexcept>
#include <vector>

#include "dll.h"

namespace {

using Op = void (*)(const CImg<double>&, CImg<double>&);

// One pixel per colour in a row of a 3-channel image.
CImg<double> colours(const std::vector<std::array<double, 3>>& list) {
  CImg<double> img(static_cast<int>(list.size()), 1, 1, 3);
  for (size_t i = 0; i < list.size(); ++i)
    for (int c = 0; c < 3; ++c) img(static_cast<int>(i), 0, 0, c) = list[i][static_cast<size_t>(c)];
  return img;
}

CImg<double> apply(Op op, const CImg<double>& in) {
  CImg<double> out;
  op(in, out);
  return out;
}

// The 8 corners of the cube, mid grey and 400 random colours, half of them
// whole grey levels and half real-valued.
CImg<double> test_colours() {
  std::vector<std::array<double, 3>> list;
  for (int k = 0; k < 8; ++k) list.push_back({k & 1 ? 255.0 : 0.0, k & 2 ? 255.0 : 0.0, k & 4 ? 255.0 : 0.0});
  list.push_back({128, 128, 128});
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> real(0.0, 255.0);
  std::uniform_int_distribution<int> whole(0, 255);
  for (int i = 0; i < 200; ++i) list.push_back({double(whole(rng)), double(whole(rng)), double(whole(rng))});
  for (int i = 0; i < 200; ++i) list.push_back({real(rng), real(rng), real(rng)});
  return colours(list);
}

TEST(Colour, EveryInverseUndoesItsForwardConversion) {
  const CImg<double> rgb = test_colours();
  const std::vector<std::pair<Op, Op>> pairs = {
      {ColourToHSIFun, HSIToColourFun}, {ColourToLABFun, LABToColourFun}, {ColourToXYZFun, XYZToColourFun},
      {ColourToYIQFun, YIQToColourFun}, {ColourToYUVFun, YUVToColourFun}, {ColourToOpponentFun, OpponentToColourFun},
      {ColourToCMYFun, CMYToColourFun}};
  for (size_t p = 0; p < pairs.size(); ++p) {
    const CImg<double> back = apply(pairs[p].second, apply(pairs[p].first, rgb));
    ASSERT_EQ(back.spectrum(), 3);
    cimg_forXC(rgb, x, c) ASSERT_NEAR(back(x, 0, 0, c), rgb(x, 0, 0, c), 1e-6) << "pair " << p << " pixel " << x;
  }
}

TEST(Colour, ReferenceColoursMatchPublishedValues) {
  const CImg<double> rgb = colours({{255, 0, 0}, {255, 255, 255}, {128, 128, 128}});
  struct Case {
    const char* name;
    Op op;
    double want[3][3];  // red, white, mid grey
    double tol;
  };
  const Case cases[] = {
      {"XYZ", ColourToXYZFun, {{41.246, 21.267, 1.933}, {95.047, 100.0, 108.883}, {20.517, 21.586, 23.503}}, 2e-3},
      {"LAB", ColourToLABFun, {{53.241, 80.092, 67.203}, {100, 0, 0}, {53.585, 0, 0}}, 2e-3},
      {"HSI", ColourToHSIFun, {{0, 255, 85}, {0, 0, 255}, {0, 0, 128}}, 1e-9},
      {"YIQ", ColourToYIQFun, {{76.245, 151.98, 53.805}, {255, 0, 0}, {128, 0, 0}}, 1e-9},
      {"YUV", ColourToYUVFun, {{76.245, -37.518, 156.768}, {255, 0, 0}, {128, 0, 0}}, 1e-2},
      {"Opp", ColourToOpponentFun, {{255, -255, 255}, {0, 0, 765}, {0, 0, 384}}, 0},
      {"Grey", GreyScalerFun, {{76.245, 76.245, 76.245}, {255, 255, 255}, {128, 128, 128}}, 1e-9},
  };
  for (const Case& k : cases) {
    const CImg<double> out = apply(k.op, rgb);
    for (int x = 0; x < 3; ++x)
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(out(x, 0, 0, c), k.want[x][c], k.tol) << k.name << " " << x << " " << c;
  }
  // Hue of the secondaries: yellow 60, cyan 180 and magenta 300 degrees.
  const CImg<double> hsi = apply(ColourToHSIFun, colours({{255, 255, 0}, {0, 255, 255}, {255, 0, 255}}));
  EXPECT_NEAR(hsi(0, 0, 0, 0), 60 * 255.0 / 360, 1e-9);
  EXPECT_NEAR(hsi(1, 0, 0, 0), 180 * 255.0 / 360, 1e-9);
  EXPECT_NEAR(hsi(2, 0, 0, 0), 300 * 255.0 / 360, 1e-9);
}

TEST(Colour, ChannelRules) {
  const std::vector<Op> three = {ColourToHSIFun, ColourToLABFun, ColourToOpponentFun, ColourToXYZFun,
                                 ColourToYIQFun, ColourToYUVFun, GreyScalerFun, HSIToColourFun,
                                 LABToColourFun, ViewLABFun, ViewXYZFun, ViewYIQFun, ViewYUVFun,
                                 XYZToColourFun, YIQToColourFun, YUVToColourFun, ViewOpponentFun,
                                 OpponentToColourFun};
  CImg<double> grey(4, 3, 2, 1);
  cimg_forXYZ(grey, x, y, z) grey(x, y, z) = x * 50 + y * 7 + z;
  CImg<double> four(3, 2, 2, 4);
  cimg_forXYZC(four, x, y, z, c) four(x, y, z, c) = (x * 31 + y * 17 + z * 5 + c * 61) % 256;
  for (size_t i = 0; i < three.size(); ++i) {
    const CImg<double> copy = apply(three[i], grey);
    EXPECT_TRUE(copy == grey) << i;
    EXPECT_THROW(apply(three[i], CImg<double>(2, 2, 1, 2, 1.0)), std::invalid_argument) << i;
    // Every slice converted the same way, the fourth channel 0.
    const CImg<double> out = apply(three[i], four);
    ASSERT_TRUE(out.is_sameXYZC(four)) << i;
    const CImg<double> slice1 = apply(three[i], four.get_slice(1));
    cimg_forXYC(out, x, y, c) EXPECT_EQ(out(x, y, 1, c), c < 3 ? slice1(x, y, 0, c) : 0.0) << i;
  }
  // CMY is 255 minus every value of every channel, two channels included.
  const CImg<double> two(3, 1, 1, 2, 10.0);
  EXPECT_TRUE(apply(CMYToColourFun, two) == CImg<double>(3, 1, 1, 2, 245.0));
  EXPECT_TRUE(apply(CMYToColourFun, apply(ColourToCMYFun, four)) == four);
}

TEST(Colour, ViewsMapTheRangeOfEachSpaceOntoGreyLevels) {
  const CImg<double> bw = colours({{0, 0, 0}, {255, 255, 255}});
  struct Case {
    Op forward, view;
    double black[3], white[3];
  };
  const Case cases[] = {
      {ColourToLABFun, ViewLABFun, {0, 128, 128}, {255, 128, 128}},
      {ColourToXYZFun, ViewXYZFun, {0, 0, 0}, {255, 255, 255}},
      {ColourToYIQFun, ViewYIQFun, {0, 127.5, 127.5}, {255, 127.5, 127.5}},
      {ColourToYUVFun, ViewYUVFun, {0, 127.5, 127.5}, {255, 127.5, 127.5}},
      {ColourToOpponentFun, ViewOpponentFun, {127.5, 127.5, 0}, {127.5, 127.5, 255}},
  };
  for (const Case& k : cases) {
    const CImg<double> v = apply(k.view, apply(k.forward, bw));
    for (int c = 0; c < 3; ++c) {
      EXPECT_NEAR(v(0, 0, 0, c), k.black[c], 1e-9) << c;
      EXPECT_NEAR(v(1, 0, 0, c), k.white[c], 1e-9) << c;
    }
  }
  // Every colour of the cube stays within 0..255 and the primaries reach the
  // ends of the chroma channels.
  const CImg<double> rgb = test_colours();
  for (const Case& k : cases) {
    const CImg<double> v = apply(k.view, apply(k.forward, rgb));
    EXPECT_GE(v.min(), 0.0);
    EXPECT_LE(v.max(), 255.0);
  }
  const CImg<double> opp = apply(ViewOpponentFun, apply(ColourToOpponentFun, colours({{255, 0, 255}, {0, 255, 0}})));
  EXPECT_NEAR(opp(0, 0, 0, 0), 255.0, 1e-9);
  EXPECT_NEAR(opp(1, 0, 0, 0), 0.0, 1e-9);
}

TEST(Colour, VellScalesByAPercentageInDoubles) {
  CImg<double> in(2, 1, 1, 1);
  in(0) = 3;
  in(1) = 1e300;
  CImg<double> out;
  VellFun(in, out, 150);
  EXPECT_EQ(out(0), 4.5);
  VellFun(in, out, INT_MAX);
  EXPECT_DOUBLE_EQ(out(0), 3.0 * INT_MAX / 100);
  EXPECT_DOUBLE_EQ(out(1), 1e300 * INT_MAX / 100);
}

}  // namespace

namespace {

TEST(Colour, ConvertingInPlaceGivesTheSameResult) {
  const CImg<double> rgb = test_colours();
  for (Op op : {ColourToHSIFun, ColourToLABFun, ColourToYUVFun, HSIToColourFun}) {
    CImg<double> img(rgb);
    op(img, img);
    EXPECT_TRUE(img == apply(op, rgb));
  }
}

}  // namespace
