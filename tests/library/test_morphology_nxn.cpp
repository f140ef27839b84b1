// Dilation, erosion, opening, closing and hit-and-miss with structuring
// elements given as weight tables, on small hand-made images, and against a
// direct evaluation of the definition on random images.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "dll.h"

namespace {

ConvArray element(const std::vector<std::vector<double>>& rows) {
  ConvArray a;
  a.setSize(static_cast<int>(rows.size()), rows.empty() ? 0 : static_cast<int>(rows[0].size()));
  for (size_t i = 0; i < rows.size(); ++i)
    for (size_t j = 0; j < rows[i].size(); ++j) a.data[i][j] = rows[i][j];
  return a;
}

// Builds a one-channel image from rows of digits: '.' 0, '#' 255, '1' 1.
CImg<double> picture(const std::vector<std::string>& rows) {
  CImg<double> img(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 1, 1, 0.0);
  cimg_forXY(img, x, y) img(x, y) = rows[y][x] == '#' ? 255.0 : (rows[y][x] == '1' ? 1.0 : 0.0);
  return img;
}

const ConvArray kSquare = element({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}});
const ConvArray kCross = element({{0, 1, 0}, {1, 1, 1}, {0, 1, 0}});

TEST(MorphologyNxN, SinglePixelBySquareAndCross) {
  // Every cell adds 1: the background rises to 1, the spot saturates at 255;
  // the one-pixel border the 3x3 window cannot cover stays 0.
  const CImg<double> spot = picture({".......", ".......", ".......", "...#...", ".......", ".......", "......."});
  CImg<double> hole(7, 7, 1, 1, 255.0);
  hole(3, 3) = 0;
  struct Case {
    bool dilate;
    const CImg<double>& in;
    const ConvArray& se;
    std::vector<std::string> expect;  // '#' 255, '1' 1, '.' 0
  };
  const std::vector<Case> cases = {
      {true, spot, kSquare, {".......", ".11111.", ".1###1.", ".1###1.", ".1###1.", ".11111.", "......."}},
      {true, spot, kCross, {".......", ".11111.", ".11#11.", ".1###1.", ".11#11.", ".11111.", "......."}},
      {false, hole, kSquare, {".......", ".#####.", ".#111#.", ".#111#.", ".#111#.", ".#####.", "......."}},
      {false, hole, kCross, {".......", ".#####.", ".##1##.", ".#111#.", ".##1##.", ".#####.", "......."}},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    CImg<double> out;
    if (cases[i].dilate) DilationNxNFun(cases[i].in, out, cases[i].se);
    else ErosionNxNFun(cases[i].in, out, cases[i].se);
    EXPECT_EQ(out, picture(cases[i].expect)) << "case " << i;
  }
}

TEST(MorphologyNxN, ElementEdgeCases) {
  CImg<double> in(4, 3, 1, 1);
  for (int i = 0; i < 12; ++i) in[i] = 10 * i;  // rows 0 10 20 30 / 40 .. / 80 ..
  CImg<double> out;
  // A 1 x 1 element of 0.5 covers every pixel; erosion truncates the sums.
  DilationNxNFun(in, out, element({{0.5}}));
  EXPECT_EQ(out(1, 0), 10.5);
  EXPECT_EQ(out(3, 2), 110.5);
  ErosionNxNFun(in, out, element({{0.5}}));
  EXPECT_EQ(out(1, 0), 10);
  // No cell in the element: interior 0 for dilation, 255 for erosion.
  DilationNxNFun(in, out, element({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}));
  EXPECT_EQ(out, CImg<double>(4, 3, 1, 1, 0.0));
  ErosionNxNFun(in, out, element({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}));
  EXPECT_EQ(std::vector<double>(out.begin(), out.end()), (std::vector<double>{0, 0, 0, 0, 0, 255, 255, 0, 0, 0, 0, 0}));
  // Even sides: the centre is the top-left cell, so the window reaches one
  // column right and one row down; the last column and row stay 0.
  DilationNxNFun(in, out, element({{1, 1}, {1, 1}}));
  EXPECT_EQ(std::vector<double>(out.begin(), out.end()), (std::vector<double>{51, 61, 71, 0, 91, 101, 111, 0, 0, 0, 0, 0}));
  // An element larger than the image leaves every pixel as border.
  DilationNxNFun(in, out, element({{1, 1, 1, 1, 1}}));
  EXPECT_EQ(out, CImg<double>(4, 3, 1, 1, 0.0));
  // An element without cells cannot be served.
  ConvArray none;
  none.setSize(0, 3);
  EXPECT_THROW(DilationNxNFun(in, out, none), std::invalid_argument);
  EXPECT_THROW(HitAndMissFun(in, out, kSquare, none), std::invalid_argument);
  DilationNxNFun(CImg<double>(), out, kSquare);
  EXPECT_TRUE(out.is_empty());
}

// The definition evaluated pixel by pixel.
CImg<double> reference(const CImg<double>& in, const ConvArray& se, bool dilate) {
  CImg<double> out(in.width(), in.height(), in.depth(), in.spectrum(), 0.0);
  const int cy = (se.rows - 1) / 2, cx = (se.cols - 1) / 2;
  cimg_forXYZC(in, x, y, z, c) {
    if (x - cx < 0 || y - cy < 0 || x - cx + se.cols > in.width() || y - cy + se.rows > in.height()) continue;
    double best = dilate ? -1e300 : 1e300;
    for (int i = 0; i < se.rows; ++i)
      for (int j = 0; j < se.cols; ++j) {
        if (se.data[i][j] == 0) continue;
        const double v = se.data[i][j] + in(x - cx + j, y - cy + i, z, c);
        best = dilate ? std::max(best, v) : std::min(best, v);
      }
    best = std::min(255.0, std::max(0.0, best));
    out(x, y, z, c) = dilate ? best : static_cast<int>(best);
  }
  return out;
}

TEST(MorphologyNxN, AgreesWithTheDefinitionOnRandomImages) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> grey(0, 255);
  CImg<double> in(41, 29, 2, 2);
  for (double& v : in) v = grey(rng) * 0.75;
  std::vector<ConvArray> elements = {
      kSquare, kCross, element({{-3}}),
      element({{0, 0, 0, 0}, {0, 2.5, 2.5, 0}, {0, 2.5, 2.5, 0}}),  // flat box off the centre, even width
      element({{7, -2, 0}, {0, 1, 30}}),                            // general weights, even height
  };
  for (int rows : {5, 15}) {  // flat boxes: the running extremes over several blocks
    ConvArray box;
    box.setSize(rows, 11);
    for (int i = 0; i < rows; ++i)
      for (int j = 0; j < 11; ++j) box.data[i][j] = -20;
    elements.push_back(box);
  }
  for (size_t k = 0; k < elements.size(); ++k)
    for (bool dilate : {true, false}) {
      CImg<double> out;
      if (dilate) DilationNxNFun(in, out, elements[k]);
      else ErosionNxNFun(in, out, elements[k]);
      EXPECT_EQ(out, reference(in, elements[k], dilate)) << "element " << k << (dilate ? " dilation" : " erosion");
    }
}

TEST(MorphologyNxN, OpeningRemovesSpecksAndClosingFillsHoles) {
  // 0 background, a 255 speck, a 5x5 square of 100 with a one-pixel hole.
  CImg<double> in(12, 9, 1, 1, 0.0);
  in(2, 2) = 255;
  for (int y = 2; y <= 6; ++y)
    for (int x = 5; x <= 9; ++x) in(x, y) = 100;
  in(7, 4) = 0;
  CImg<double> open, close;
  OpenNxNFun(in, open, kSquare);
  CloseNxNFun(in, close, kSquare);
  // Each pass adds 1. No 3x3 of 100 fits in the holed square, so the opening
  // removes it as well as the speck; the closing fills the hole.
  EXPECT_EQ(open(2, 2), 2);
  EXPECT_EQ(open(5, 2), 2);
  EXPECT_EQ(close(7, 4), 102);
  EXPECT_EQ(close(5, 2), 102);
  EXPECT_EQ(open(0, 0), 0);
}

TEST(MorphologyNxN, HitAndMissFindsIsolatedPixels) {
  const CImg<double> in = picture({
      "........",
      ".#....#.",
      "......#.",
      "...#....",
      "........",
  });
  const ConvArray hit = element({{0, 0, 0}, {0, 1, 0}, {0, 0, 0}});
  const ConvArray miss = element({{1, 1, 1}, {1, 0, 1}, {1, 1, 1}});
  CImg<double> out;
  HitAndMissFun(in, out, hit, miss);
  // 255 where the pixel is white and its eight neighbours black (the pair
  // on the right is not isolated); elsewhere a failed match leaves 1
  // (255 AND 1 or 1 AND 1), and the border 0.
  EXPECT_EQ(out, picture({
                     "........",
                     ".#11111.",
                     ".111111.",
                     ".11#111.",
                     "........",
                 }));
  // Everything white, single cells 2 and 4: 255 AND 4, and swapped 255 AND 2.
  const CImg<double> white(3, 3, 1, 1, 255.0);
  HitAndMissFun(white, out, element({{2}}), element({{4}}));
  EXPECT_EQ(out, CImg<double>(3, 3, 1, 1, 4.0));
  HitAndMissFun(white, out, element({{4}}), element({{2}}));
  EXPECT_EQ(out, CImg<double>(3, 3, 1, 1, 2.0));
}

}  // namespace
