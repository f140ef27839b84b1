// Labelling and centroids on hand-made binary images.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dll.h"

namespace {

// Builds a one-channel image from rows of '#' (255) and '.' (0).
CImg<double> picture(const std::vector<std::string>& rows, int depth = 1) {
  CImg<double> img(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), depth, 1, 0.0);
  cimg_forXYZ(img, x, y, z) img(x, y, z) = rows[y][x] == '#' ? 255.0 : 0.0;
  return img;
}

std::vector<std::string> labels_of(const CImg<double>& out, int z = 0, int c = 0) {
  std::vector<std::string> rows(out.height(), std::string(out.width(), '.'));
  cimg_forXY(out, x, y) {
    const double v = out(x, y, z, c);
    if (v > 0) rows[y][x] = static_cast<char>('0' + static_cast<int>(v));
  }
  return rows;
}

TEST(Labeller, JoinsDiagonalNeighboursAndNumbersInRasterOrder) {
  const CImg<double> in = picture({
      "#..#..",
      ".#.#..",
      "......",
      "##..#.",
      "...#..",
  });
  CImg<double> out;
  LabellerFun(in, out);
  EXPECT_EQ(labels_of(out), (std::vector<std::string>{
                                "1..2..",
                                ".1.2..",
                                "......",
                                "33..4.",
                                "...4..",
                            }));
}

TEST(Labeller, MergesBranchesThatMeetLowerDown) {
  // A U shape: two runs on top that only join at the bottom row, and a
  // W shape whose three prongs join through a diagonal step.
  const CImg<double> in = picture({
      "#.#...#.#.#",
      "#.#...#.#.#",
      "###....#.#.",
  });
  CImg<double> out;
  LabellerFun(in, out);
  EXPECT_EQ(labels_of(out), (std::vector<std::string>{
                                "1.1...2.2.2",
                                "1.1...2.2.2",
                                "111....2.2.",
                            }));
}

TEST(Labeller, OnlyFullWhiteCountsAndEveryChannelMustBeWhite) {
  CImg<double> in(3, 1, 1, 3, 255.0);
  in(1, 0, 0, 2) = 254.0;  // middle pixel not white in its blue channel
  CImg<double> out;
  LabellerFun(in, out);
  ASSERT_EQ(out.spectrum(), 3);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(out(0, 0, 0, c), 1.0);
    EXPECT_EQ(out(1, 0, 0, c), 0.0);
    EXPECT_EQ(out(2, 0, 0, c), 2.0);
  }
}

TEST(Labeller, NumbersEachSliceOnItsOwn) {
  CImg<double> in(2, 1, 2, 1, 0.0);
  in(1, 0, 0) = 255;
  in(0, 0, 1) = 255;
  CImg<double> out;
  LabellerFun(in, out);
  EXPECT_EQ(out(1, 0, 0), 1.0);
  EXPECT_EQ(out(0, 0, 1), 1.0);
  EXPECT_EQ(out(1, 0, 1), 0.0);
}

TEST(Labeller, CountsBeyond65535Blobs) {
  // Isolated pixels on every other column and row: 300 x 300 blobs.
  CImg<double> in(600, 600, 1, 1, 0.0);
  for (int y = 0; y < 600; y += 2)
    for (int x = 0; x < 600; x += 2) in(x, y) = 255;
  CImg<double> out;
  LabellerFun(in, out);
  EXPECT_EQ(out.max(), 90000.0);
  EXPECT_EQ(out(598, 598), 90000.0);
}

TEST(Labeller, EmptyAndSinglePixelImages) {
  CImg<double> out(3, 3);
  LabellerFun(CImg<double>(), out);
  EXPECT_TRUE(out.is_empty());
  LabellerFun(CImg<double>(1, 1, 1, 1, 255.0), out);
  EXPECT_EQ(out(0, 0), 1.0);
}

TEST(Centroid, MarksTheRoundedCentreOfEveryBlob) {
  CImg<double> in = picture({
      "###.....",
      "###...##",
      "###...##",
      "........",
  });
  in(0, 3) = 254.0;  // not white: no part of any blob
  CImg<double> out;
  CentroidFun(in, out);
  // Blob A, the 3x3 square: (1, 1). Blob B, columns 6..7 of rows 1..2:
  // (6.5, 1.5) rounds to (7, 2).
  EXPECT_EQ(out.sum(), 2 * 255.0);
  EXPECT_EQ(out(1, 1), 255.0);
  EXPECT_EQ(out(7, 2), 255.0);
  CImg<double> out16;
  Centroid16Fun(in, out16);
  EXPECT_EQ(out16, out);
}

}  // namespace
