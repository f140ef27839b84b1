// Look-up tables, histogram equalisation and intensity ranges: every table
// on all 256 grey levels, entry choice for off-grid samples, and per-plane
// behaviour on hand-made images.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <stdexcept>

#include "dll.h"

namespace {

using Op = std::function<void(const CImg<double>&, CImg<double>&)>;

CImg<double> all_levels() {
  CImg<double> img(16, 16, 1, 1);
  for (int i = 0; i < 256; ++i) img[i] = i;
  return img;
}

TEST(LutTables, EveryTableOnAllGreyLevels) {
  const double e = std::exp(1.0);
  struct Case { const char* name; Op op; std::function<double(int)> expect; };
  const Case cases[] = {
      {"Exponential", ExponentialLutFun, [&](int i) { return 255 * (std::exp(i / 255.0) - 1) / (e - 1); }},
      {"Inverse", InverseLutFun, [](int i) { return 255.0 - i; }},
      {"Logarithm", LogarithmLutFun, [&](int i) { return 255 * std::log(1 + (e - 1) * i / 255.0); }},
      {"Square", SquareLutFun, [](int i) { return static_cast<double>(i * i / 255); }},
      {"Power 2", [](auto& in, auto& out) { PowerLutFun(in, out, 2.0); }, [](int i) { return i * i / 255.0; }},
      {"Power 0.5", [](auto& in, auto& out) { PowerLutFun(in, out, 0.5); },
       [](int i) { return 255 * std::sqrt(i / 255.0); }},
      {"Power 0", [](auto& in, auto& out) { PowerLutFun(in, out, 0.0); }, [](int) { return 255.0; }},
      // Largest finite entry is at i = 1 (255^1); 0^-1 is infinite and capped.
      {"Power -1", [](auto& in, auto& out) { PowerLutFun(in, out, -1.0); },
       [](int i) { return i == 0 ? 255.0 : 255.0 / i; }},
      {"Stretcher 50..150", [](auto& in, auto& out) { IntensityRangeStretcherFun(in, out, 150, 50); },
       [](int i) { return i < 50 ? 0.0 : i >= 150 ? 255.0 : (i - 50) * 2.55; }},
      {"Stretcher 100..100", [](auto& in, auto& out) { IntensityRangeStretcherFun(in, out, 100, 100); },
       [](int i) { return i < 100 ? 0.0 : 255.0; }},
  };
  for (const Case& c : cases) {
    CImg<double> out;
    c.op(all_levels(), out);
    ASSERT_EQ(out.size(), 256u) << c.name;
    for (int i = 0; i < 256; ++i) ASSERT_NEAR(out[i], c.expect(i), 1e-9) << c.name << " at " << i;
  }
}

TEST(LutTables, OffGridSamplesTruncateAndClamp) {
  // Twelve samples, so that both the eight-wide and the one-by-one paths see each kind.
  const double nan = std::nan(""), inf = INFINITY;
  const CImg<double> in(12, 1, 1, 1, 100.7, 300.0, -4.0, nan, 254.999, -0.5, inf, -inf, 100.7, 300.0, -4.0, nan);
  CImg<double> out;
  InverseLutFun(in, out);
  EXPECT_EQ(out, CImg<double>(12, 1, 1, 1, 155., 0., 255., 255., 1., 255., 0., 255., 155., 0., 255., 255.));
  EXPECT_THROW(PowerLutFun(in, out, std::nan("")), std::invalid_argument);
}

TEST(LutTables, HistogramEqualisedPerPlane) {
  // Channel 0 has levels 10 x1, 20 x2, 200 x1 (4 samples): cumulative 1, 3, 4.
  // Channel 1 is flat, so every sample maps to 255.
  const CImg<double> in(2, 2, 1, 2, 10., 20., 20., 200., 7., 7., 7., 7.);
  CImg<double> out;
  HistEqualiserFun(in, out);
  EXPECT_EQ(out, CImg<double>(2, 2, 1, 2, 63., 191., 191., 255., 255., 255., 255., 255.));
}

TEST(LutTables, RangeEnhancerStretchesEachPlaneOnItsOwn) {
  const CImg<double> in(3, 1, 2, 1, 10., 35., 60., 5., 5., 5.);
  CImg<double> out;
  IntensityRangeEnhancerFun(in, out);
  EXPECT_EQ(out, CImg<double>(3, 1, 2, 1, 0., 127.5, 255., 0., 0., 0.));
  const CImg<double> huge(3, 1, 1, 1, -1e308, 0.0, 1e308);
  IntensityRangeEnhancerFun(huge, out);
  EXPECT_EQ(out, CImg<double>(3, 1, 1, 1, 0., 127.5, 255.));
  // Only finite samples set the range; infinities clamp, NaN stays.
  const CImg<double> odd(5, 1, 1, 1, INFINITY, 10., std::nan(""), 20., -INFINITY);
  IntensityRangeEnhancerFun(odd, out);
  EXPECT_EQ(out.get_crop(0, 0, 1, 0), CImg<double>(2, 1, 1, 1, 255., 0.));
  EXPECT_TRUE(std::isnan(out[2]));
  EXPECT_EQ(out.get_crop(3, 0, 4, 0), CImg<double>(2, 1, 1, 1, 255., 0.));
}

}  // namespace
