// Co-occurrence matrix of horizontal pairs and its four measures, with the
// pairs counted by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "dll.h"

namespace {

TEST(CoOccurrence, CountsEachHorizontalPairInBothOrders) {
  // Rows (3, 5) and (5, 5): cells (column 3, row 5) and (5, 3) get 1, (5, 5) gets 2.
  CImg<double> in(2, 2, 1, 1);
  in(0, 0) = 3.9;  // truncated to 3
  in(1, 0) = in(0, 1) = in(1, 1) = 5;
  CImg<double> m;
  CoOcMatGenFun(in, m);
  CImg<double> expect(256, 256, 1, 1, 0.0);
  expect(3, 5) = expect(5, 3) = 1;
  expect(5, 5) = 2;
  EXPECT_EQ(m, expect);

  EXPECT_DOUBLE_EQ(CoHomogFun(m), 1.0 / 3 + 1.0 / 3 + 2.0);
  EXPECT_DOUBLE_EQ(CoEntropyFun(m), -2.0 * std::log(2.0));
  EXPECT_DOUBLE_EQ(CoEnergyFun(m), 1.0 + 1.0 + 4.0);
  EXPECT_DOUBLE_EQ(CoContrastFun(m), 4.0 + 4.0);
}

TEST(CoOccurrence, PairsWithALevelOutside0To255AreNotCounted) {
  CImg<double> in(7, 1, 1, 1);
  const double row[7] = {-0.5, 0, 255.9, -1, 256, std::nan(""), 7};  // -0.5 truncates to 0
  for (int x = 0; x < 7; ++x) in(x, 0) = row[x];
  CImg<double> m;
  CoOcMatGenFun(in, m);
  CImg<double> expect(256, 256, 1, 1, 0.0);
  expect(0, 0) = 2;
  expect(0, 255) = expect(255, 0) = 1;
  EXPECT_EQ(m, expect);
}

TEST(CoOccurrence, EverySliceAndChannelHasItsOwnMatrix) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> grey(0, 255);
  CImg<double> in(23, 11, 2, 3);
  cimg_for(in, p, double) *p = grey(rng);
  CImg<double> m;
  CoOcMatGenFun(in, m);
  ASSERT_TRUE(m.is_sameXYZC(256, 256, 2, 3));
  cimg_forZC(m, z, c) {
    CImg<double> single;
    CoOcMatGenFun(in.get_shared_slice(z, c), single);
    EXPECT_EQ(m.get_shared_slice(z, c), single);
    EXPECT_EQ(single.sum(), 2.0 * 22 * 11);  // 22 pairs a row, each counted twice
    EXPECT_EQ(single, single.get_transpose());
  }
}

TEST(CoOccurrenceMeasures, ReadAnyImageAsAMatrix) {
  // 3 x 2, two channels, two slices: column = x, row = y.
  CImg<double> in(3, 2, 2, 2, 0.0);
  in(0, 1, 0, 0) = 3.7;   // homogeneity: trunc 3 / (1 + 1), a real division
  in(2, 0, 0, 0) = 2;     // |2 - 0| = 2: 2 / 3
  in(1, 1, 0, 1) = 4;     // on the diagonal
  in(2, 1, 1, 0) = 10;    // slice 1, only homogeneity sees it: 10 / 2
  in(0, 0, 1, 1) = -5;    // counts in homogeneity, ignored by entropy
  EXPECT_DOUBLE_EQ(CoHomogFun(in), (1.5 + 2.0 / 3 + 4 + 5 - 5) / 4);
  EXPECT_DOUBLE_EQ(CoEnergyFun(in), (3.7 * 3.7 + 4 + 16) / 2);
  EXPECT_DOUBLE_EQ(CoContrastFun(in), (3.7 + 4 * 2.0) / 2);
  EXPECT_DOUBLE_EQ(CoEntropyFun(in), -(3.7 * std::log(3.7) + 2 * std::log(2.0) + 4 * std::log(4.0)) / 2);
  for (double (*measure)(const CImg<double>&) : {CoHomogFun, CoEntropyFun, CoEnergyFun, CoContrastFun}) {
    EXPECT_EQ(measure(CImg<double>()), 0.0);
  }
  CImg<double> empty_m;
  CoOcMatGenFun(CImg<double>(), empty_m);
  EXPECT_TRUE(empty_m.is_empty());
}

}  // namespace
