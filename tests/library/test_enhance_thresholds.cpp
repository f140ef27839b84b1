// Washes, integrations, row sums, isolated-pixel removal and the grey-level
// thresholds: 3x3 hand examples, every boundary, a brute-force check of the
// adaptive thresholds and a sweep of awkward images through every operation.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "dll.h"

namespace {

using Op = std::function<void(const CImg<double>&, CImg<double>&)>;
CImg<double> grid(std::initializer_list<double> v) { return CImg<double>(v.begin(), 3, 3, 1, 1); }
CImg<double> run(const Op& op, const CImg<double>& in) {
  CImg<double> out;
  op(in, out);
  return out;
}

TEST(WashesAndIntegrations, ThreeByThreeByHand) {
  const CImg<double> numbers = grid({3, 6, 9, 0, 3, 0, 6, 0, 3});
  const CImg<double> dots = grid({0, 255, 0, 0, 0, 0, 300, 0, 0});
  struct Case { const char* name; Op op; const CImg<double>& in; CImg<double> expect; };
  const Case cases[] = {
      {"IntegrateC", IntegrateColsFun, numbers, grid({1, 2, 3, 1, 3, 3, 3, 3, 4})},
      {"IntegrateR", IntegrateRowsFun, numbers, grid({1, 3, 6, 0, 1, 1, 2, 2, 3})},
      {"L2RSum", L2RSumFun, numbers, grid({0, 0, 18, 0, 0, 3, 0, 0, 9})},
      {"B2TWash", B2TWashFun, dots, grid({255, 255, 0, 255, 0, 0, 255, 0, 0})},
      {"T2BWash", T2BWashFun, dots, grid({0, 255, 0, 0, 255, 0, 255, 255, 0})},
      {"L2RWash", L2RWashFun, dots, grid({0, 255, 255, 0, 0, 0, 255, 255, 255})},
      {"R2LWash", R2LWashFun, dots, grid({255, 255, 0, 0, 0, 0, 255, 0, 0})},
  };
  for (const Case& c : cases) EXPECT_EQ(run(c.op, c.in), c.expect) << c.name;
}

TEST(GreyThresholds, SamplesAtJustBelowAndJustAboveEachBound) {
  const CImg<double> in(8, 1, 1, 1, 49.0, 49.999, 50.0, 50.5, 199.0, 200.0, 1e9, std::nan(""));
  auto with = [](auto f, int a, int b) { return [=](const CImg<double>& i, CImg<double>& o) { f(i, o, a, b); }; };
  struct Case { const char* name; Op op; CImg<double> expect; };
  const Case cases[] = {
      {"Triple 200 50", with(TripleThresholdFun, 200, 50), CImg<double>(8, 1, 1, 1, 0., 0., 127., 127., 127., 255., 255., 0.)},
      {"Triple 50 200", with(TripleThresholdFun, 50, 200), CImg<double>(8, 1, 1, 1, 0., 0., 127., 127., 127., 255., 255., 0.)},
      {"Triple 50 50", with(TripleThresholdFun, 50, 50), CImg<double>(8, 1, 1, 1, 0., 0., 255., 255., 255., 255., 255., 0.)},
      {"GSCap 50", [](auto& i, auto& o) { GSCapThresholdFun(i, o, 50); },
       CImg<double>(8, 1, 1, 1, 0., 0., 50., 50.5, 199., 200., 1e9, 0.)},
      {"GSCap -2", [](auto& i, auto& o) { GSCapThresholdFun(i, o, -2); }, CImg<double>(8, 1, 1, 1, 49.0, 49.999, 50.0, 50.5, 199.0, 200.0, 1e9, 0.0)},
      {"GSCap INT_MAX", [](auto& i, auto& o) { GSCapThresholdFun(i, o, 2147483647); }, CImg<double>(8, 1, 1, 1, 0.0)},
  };
  for (const Case& c : cases) EXPECT_EQ(run(c.op, in), c.expect) << c.name;
}

TEST(GreyThresholds, AdaptiveByHandAndAgainstBruteForce) {
  const CImg<double> spot = grid({0, 0, 0, 0, 90, 0, 0, 0, 0});
  // 3x3: a corner's window mean is 10; at offset 10 the dark samples tie with
  // the mean minus the offset and count as bright. 5x5: every window holds
  // the whole image, mean 3.6.
  EXPECT_EQ(run([](auto& i, auto& o) { AdaptiveThreshold3x3Fun(i, o, 9); }, spot), grid({0, 0, 0, 0, 255, 0, 0, 0, 0}));
  EXPECT_EQ(run([](auto& i, auto& o) { AdaptiveThreshold3x3Fun(i, o, 10); }, spot), CImg<double>(3, 3, 1, 1, 255.0));
  EXPECT_EQ(run([](auto& i, auto& o) { AdaptiveThreshold5x5Fun(i, o, 3); }, spot), grid({0, 0, 0, 0, 255, 0, 0, 0, 0}));
  EXPECT_EQ(run([](auto& i, auto& o) { AdaptiveThreshold5x5Fun(i, o, 4); }, spot), CImg<double>(3, 3, 1, 1, 255.0));

  const CImg<double> in = CImg<double>(9, 7, 2, 2).rand(0, 255).round();
  for (int r : {1, 2})
    for (int offset : {-6, 0, 5}) {
      CImg<double> out;
      (r == 1 ? AdaptiveThreshold3x3Fun : AdaptiveThreshold5x5Fun)(in, out, offset);
      cimg_forXYZC(in, x, y, z, c) {
        double sum = 0;
        for (int dy = -r; dy <= r; ++dy)
          for (int dx = -r; dx <= r; ++dx) sum += in.atXYZC(x + dx, y + dy, z, c, 0.0);
        const double area = (2 * r + 1) * (2 * r + 1);
        ASSERT_EQ(out(x, y, z, c), in(x, y, z, c) >= sum / area - offset ? 255.0 : 0.0) << r << " " << x << "," << y;
      }
    }
}

TEST(GreyThresholds, EntropicChoosesTheLevelThatMaximisesBothEntropies) {
  // Levels 10 x2, 20, 30: splitting after 10 leaves entropies 0 + ln 2,
  // after 20 only ln 3 - (2/3) ln 2 + 0.
  EXPECT_EQ(EntropicThresholdFun(CImg<double>(4, 1, 1, 1, 10., 20., 10., 30.)), 10);
  // Two clusters: every split between them has entropy 0 + 0; the lowest wins.
  EXPECT_EQ(EntropicThresholdFun(CImg<double>(4, 1, 1, 1, 200., 50.9, 50., 200.)), 50);
  // Only slice 0, channel 0 counts.
  EXPECT_EQ(EntropicThresholdFun(CImg<double>(1, 1, 2, 2, 77., 10., 20., 30.)), 77);
  EXPECT_EQ(EntropicThresholdFun(CImg<double>()), 0);
  // Against the textbook form with probabilities, on a random histogram.
  const CImg<double> noisy = CImg<double>(40, 30).rand(0, 256).sqr() / 256.0;
  double p[256] = {};
  for (double v : noisy) p[static_cast<int>(v)] += 1.0 / noisy.size();
  int best = -1;
  double best_h = -1;
  for (int t = 0; t < 255; ++t) {
    double pb = 0, hb = 0, hw = 0;
    for (int i = 0; i <= t; ++i) pb += p[i];
    if (pb < 1e-12 || pb > 1 - 1e-12) continue;
    for (int i = 0; i < 256; ++i)
      if (p[i] > 0) (i <= t ? hb : hw) -= p[i] / (i <= t ? pb : 1 - pb) * std::log(p[i] / (i <= t ? pb : 1 - pb));
    if (hb + hw > best_h + 1e-9) best = t, best_h = hb + hw;
  }
  EXPECT_EQ(EntropicThresholdFun(noisy), best);
}

TEST(GreyThresholds, BinGreyMarksWhiteOfSliceZeroAndRemIsoDropsLonePixels) {
  const CImg<double> in(3, 1, 2, 2, 255., 254.9, 400., 255., 255., 255., 0., 255., 255., 255., 255., 255.);
  EXPECT_EQ(run([](auto& i, auto& o) { BinGreyFun(i, o, 99); }, in),
            CImg<double>(3, 1, 2, 2, 99., 0., 99., 0., 0., 0., 0., 99., 99., 0., 0., 0.));
  // A lone pixel; a white pixel whose neighbours sum to 0 (a -255 cancels its
  // diagonal partner), and that partner, which stays.
  const CImg<double> dots(5, 3, 1, 1, 255., 0., 0., 0., 0., 0., 0., 0., 255., 0., 0., 0., -255., 0., 255.);
  CImg<double> kept(5, 3, 1, 1, 0.0);
  kept(4, 2) = 255;
  EXPECT_EQ(run(RemIsoFun, dots), kept);
}

TEST(GreyThresholds, AwkwardImagesThroughEveryOperationKeepTheirSizes) {
  const double nan = std::nan(""), inf = INFINITY;
  const CImg<double> images[] = {CImg<double>(), CImg<double>(1, 1, 1, 1, nan), CImg<double>(2, 1, 1, 1, inf, -inf),
                                 CImg<double>(1, 4, 3, 3, 255.0), CImg<double>(4, 2, 1, 3).rand(-1e300, 1e300)};
  const Op ops[] = {IntegrateColsFun, IntegrateRowsFun, L2RSumFun, B2TWashFun, T2BWashFun, L2RWashFun, R2LWashFun,
                    RemIsoFun, HistEqualiserFun, IntensityRangeEnhancerFun, ExponentialLutFun,
                    [](auto& i, auto& o) { IntensityRangeStretcherFun(i, o, 2147483647, -2147483647 - 1); },
                    [](auto& i, auto& o) { PowerLutFun(i, o, -1e300); },
                    [](auto& i, auto& o) { AdaptiveThreshold3x3Fun(i, o, -2147483647 - 1); },
                    [](auto& i, auto& o) { AdaptiveThreshold5x5Fun(i, o, 2147483647); },
                    [](auto& i, auto& o) { AdditiveNoiseFun(i, o, 2147483647); },
                    [](auto& i, auto& o) { SaltPepperNoiseFun(i, o, -INFINITY); }};
  for (const CImg<double>& in : images) {
    EXPECT_GE(EntropicThresholdFun(in), 0);
    for (const Op& op : ops) {
      CImg<double> out(7, 7, 1, 1, 1.0);  // stale contents and sizes must go
      op(in, out);
      EXPECT_TRUE(out.is_sameXYZC(in));
    }
  }
}

}  // namespace
