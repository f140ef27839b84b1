// Per-slice statistics tables: every element against the whole-image measure
// of its plane (the oracle the tables must agree with), the entropy's
// stretch of the whole volume, the tables' shapes, and the mean squared error
// between volumes of different sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dll.h"

namespace {

// A 3 x 2 plane, 4 slices, 3 channels of whole grey levels between 0 and
// 255, every plane different; slice 2 of channel 1 constant.
CImg<double> volume() {
  CImg<double> v(3, 2, 4, 3);
  cimg_forXYZC(v, x, y, z, c) v(x, y, z, c) = (c == 1 && z == 2) ? 40.0 : (x * 37 + y * 91 + z * z * 13 + c * 29) % 256;
  v(0, 0, 0, 0) = 0.0;  // the volume spans 0..255, so the entropy's stretch keeps every level
  v(2, 1, 3, 2) = 255.0;
  return v;
}

bool same(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || std::fabs(a - b) <= 1e-12 * (1 + std::fabs(b));
}

TEST(VolumeStatistics, EachElementIsTheWholeImageMeasureOfItsPlane) {
  const CImg<double> v = volume();
  using Table = std::function<ConvArray(const CImg<double>&)>;
  using Plane = std::function<double(const CImg<double>&)>;
  struct Case { const char* name; Table table; Plane plane; };
  const std::vector<Case> cases = {
      {"mean", DicomAverageIntensityFun, AverageIntensityFun},
      {"variance", DicomVarianceCalcFun, VarianceCalcFun},
      {"deviation", DicomSTDCalcFun, STDCalcFun},
      {"skew", DicomSkewCalcFun, SkewCalcFun},
      {"kurtosis", DicomKurtosisCalcFun, KurtosisCalcFun},
      {"entropy", DicomEntropyCalcFun, EntropyCalcFun},
      {"highest", DicomHighestGreyFun, [](const CImg<double>& p) { return double(HighestGreyFun(p)); }},
      {"lowest", DicomLowestGreyFun, [](const CImg<double>& p) { return double(LowestGreyFun(p)); }},
      {"homogeneity", DicomCoHomogFun, CoHomogFun},
      {"co-entropy", DicomCoEntropyFun, CoEntropyFun},
      {"energy", DicomCoEnergyFun, CoEnergyFun},
      {"contrast", DicomCoContrastFun, CoContrastFun},
      {"mse against the square roots", [](const CImg<double>& in) { return DicomMSECalcFun(in, in.get_sqrt()); },
       [](const CImg<double>& p) { return MSECalcFun(p, p.get_sqrt()); }},
  };
  for (const Case& k : cases) {
    const ConvArray t = k.table(v);
    ASSERT_EQ(t.getRows(), 4) << k.name;
    ASSERT_EQ(t.getCols(), 3) << k.name;
    for (int z = 0; z < 4; ++z)
      for (int c = 0; c < 3; ++c) {
        const double want = k.plane(v.get_shared_slice(z, c));
        EXPECT_TRUE(same(t.data[z][c], want))
            << k.name << " [" << z << "][" << c << "] " << t.data[z][c] << " vs " << want;
      }
  }
  // The constant plane: no spread, no shape.
  EXPECT_EQ(DicomVarianceCalcFun(v).data[2][1], 0.0);
  EXPECT_TRUE(std::isnan(DicomSkewCalcFun(v).data[2][1]));
  EXPECT_EQ(DicomEntropyCalcFun(v).data[2][1], 0.0);
}

TEST(VolumeStatistics, HandWorkedPlanes) {
  // Two slices of 2 x 1: {0, 10} and {-4, 300}. Highest and lowest keep
  // fractions and start at 0 and 255; the entropy stretches -4..300 onto 0..255.
  CImg<double> v(2, 1, 2, 1);
  v(0, 0, 0) = 0.0, v(1, 0, 0) = 10.5, v(0, 0, 1) = -4.0, v(1, 0, 1) = 300.0;
  EXPECT_EQ(DicomHighestGreyFun(v).data[0][0], 10.5);
  EXPECT_EQ(DicomLowestGreyFun(v).data[0][0], 0.0);
  EXPECT_EQ(DicomHighestGreyFun(v).data[1][0], 300.0);
  EXPECT_EQ(DicomLowestGreyFun(v).data[1][0], -4.0);
  EXPECT_EQ(DicomAverageIntensityFun(v).data[0][0], 5.25);
  EXPECT_EQ(DicomVarianceCalcFun(v).data[1][0], 152.0 * 152.0);
  // 0 -> 3.36 -> 3 and 10.5 -> 12.16 -> 12: two bins; -4 -> 0 and 300 -> 255: two bins.
  EXPECT_NEAR(DicomEntropyCalcFun(v).data[0][0], std::log(2.0), 1e-15);
  // Levels are rounded after the stretch: over 0..510, 1 becomes 0.5 and rounds to level 1, apart from 0's level 0.
  CImg<double> w(3, 1, 1, 1);
  w(0) = 0.0, w(1) = 1.0, w(2) = 510.0;
  EXPECT_NEAR(DicomEntropyCalcFun(w).data[0][0], std::log(3.0), 1e-15);
  // A constant volume has no spread: every level 0.
  EXPECT_EQ(DicomEntropyCalcFun(CImg<double>(4, 4, 2, 1, 7.0)).data[1][0], 0.0);
  // Homogeneity divides cells as they are (not truncated): 2.5 on the diagonal, 1 one off it.
  CImg<double> m(2, 1, 1, 1);
  m(0) = 2.5, m(1) = 1.0;
  EXPECT_EQ(DicomCoHomogFun(m).data[0][0], 3.0);
}

TEST(VolumeStatistics, ShapesOfTheTables) {
  const ConvArray empty = DicomAverageIntensityFun(CImg<double>());
  EXPECT_EQ(empty.getRows(), 0);
  EXPECT_EQ(empty.getCols(), 0);
  const ConvArray one = DicomSTDCalcFun(CImg<double>(4, 3, 1, 1, 2.0));
  EXPECT_EQ(one.getRows(), 1);
  EXPECT_EQ(one.getCols(), 1);
  EXPECT_EQ(one.data[0][0], 0.0);
}

TEST(VolumeStatistics, MeanSquaredErrorNeedsASecondVolumeAtLeastAsLarge) {
  CImg<double> a(3, 2, 2, 1, 1.0), bigger(4, 3, 3, 2, 1.0);
  bigger(0, 0, 1, 0) = 5.0;  // at a's position (0, 0) of slice 1
  bigger(3, 2, 0, 0) = 99.0;  // outside a's positions: not read
  const ConvArray t = DicomMSECalcFun(a, bigger);
  ASSERT_EQ(t.getRows(), 2);
  ASSERT_EQ(t.getCols(), 1);
  EXPECT_EQ(t.data[0][0], 0.0);
  EXPECT_EQ(t.data[1][0], 16.0 / 6.0);
  for (const CImg<double>& small : {CImg<double>(2, 2, 2, 1), CImg<double>(3, 1, 2, 1), CImg<double>(3, 2, 1, 1),
                                    CImg<double>(3, 2, 2, 0), CImg<double>()}) {
    try {
      DicomMSECalcFun(a, small);
      ADD_FAILURE() << "a smaller second volume was accepted";
    } catch (const std::invalid_argument& e) {
      const std::string what = e.what();
      EXPECT_NE(what.find("3 x 2 x 2 x 1"), std::string::npos) << what;
    }
  }
  EXPECT_EQ(DicomMSECalcFun(CImg<double>(), a).getRows(), 0);
}

}  // namespace
