// Noise generators: statistics over a large flat image, reproducibility from
// a fixed seed, clamping, grey colour images and refused parameters.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <stdexcept>

#include "dll.h"
#include "segmentation/random.h"

namespace {

using Noise = std::function<void(const CImg<double>&, CImg<double>&)>;

struct Moments { double mean, sd; };

Moments moments_of_change(const CImg<double>& in, const CImg<double>& out) {
  double s = 0, s2 = 0;
  for (size_t i = 0; i < in.size(); ++i) {
    const double d = out[i] - in[i];
    s += d, s2 += d * d;
  }
  const double n = static_cast<double>(in.size()), mean = s / n;
  return {mean, std::sqrt(s2 / n - mean * mean)};
}

class NoiseTest : public ::testing::Test {
 protected:
  void SetUp() override { zel::NoiseSource::global().pin_clock_seed(11); }
  void TearDown() override { zel::NoiseSource::global().pin_clock_seed(std::nullopt); }
};

TEST_F(NoiseTest, MeanAndSpreadMatchTheirDistributions) {
  const double rayleigh = 10.0 * std::sqrt(2.3299);  // the Rayleigh sigma for scale 10
  const double pi = std::acos(-1.0);
  struct Case { const char* name; Noise op; double base, mean, sd; };
  const Case cases[] = {
      // u in thousandths: mean 0.4995 * 40 - 20, spread 40 / sqrt(12).
      {"additive", [](auto& i, auto& o) { AdditiveNoiseFun(i, o, 40); }, 128, -0.02, 11.547},
      {"gaussian", [](auto& i, auto& o) { GaussianNoiseFun(i, o, -10.0); }, 128, 0.5, 10.0},
      {"poisson", [](auto& i, auto& o) { PoissonNoiseFun(i, o, -20.9); }, 50, 20.0, 20.0},
      {"rayleigh", [](auto& i, auto& o) { RayleighNoiseFun(i, o, 10.0); }, 50,
       rayleigh * std::sqrt(pi / 2) + 0.5, rayleigh * std::sqrt((4 - pi) / 2)},
  };
  for (const Case& c : cases) {
    const CImg<double> in(512, 512, 1, 1, c.base);
    CImg<double> out;
    c.op(in, out);
    const Moments m = moments_of_change(in, out);
    EXPECT_NEAR(m.mean, c.mean, 0.15) << c.name;
    EXPECT_NEAR(m.sd, c.sd, 0.02 * c.sd) << c.name;
  }
}

TEST_F(NoiseTest, SaltAndPepperChangesTheRequestedShare) {
  const CImg<double> in(512, 512, 1, 1, 128.0);
  CImg<double> out;
  SaltPepperNoiseFun(in, out, 0.05);
  size_t salt = 0, pepper = 0, kept = 0;
  for (double v : out) {
    if (v == 255) ++salt;
    else if (v == 0) ++pepper;
    else if (v == 128) ++kept;
  }
  EXPECT_EQ(salt + pepper + kept, in.size());
  EXPECT_NEAR(static_cast<double>(salt + pepper) / in.size(), 0.05, 0.003);
  EXPECT_NEAR(static_cast<double>(salt) / (salt + pepper), 0.5, 0.03);
  SaltPepperNoiseFun(in, out, 0.0);
  EXPECT_EQ(out, in);
  SaltPepperNoiseFun(in, out, 7.0);
  for (double v : out) ASSERT_TRUE(v == 0 || v == 255);
}

TEST_F(NoiseTest, FixedSeedsReproduceAndClampingHolds) {
  const CImg<double> in = CImg<double>(64, 64, 2, 2).rand(0, 255).round();
  const Noise ops[] = {
      [](auto& i, auto& o) { AdditiveNoiseFun(i, o, 300); }, [](auto& i, auto& o) { GaussianNoiseFun(i, o, 80); },
      [](auto& i, auto& o) { PoissonNoiseFun(i, o, 90); }, [](auto& i, auto& o) { RayleighNoiseFun(i, o, 40); },
      [](auto& i, auto& o) { SaltPepperNoiseFun(i, o, 0.5); }};
  for (const Noise& op : ops) {
    CImg<double> first, second;
    zel::NoiseSource::global().seed(5);
    op(in, first);
    zel::NoiseSource::global().seed(5);
    op(in, second);
    EXPECT_EQ(first, second);
    EXPECT_NE(first, in);
    EXPECT_GE(first.min(), 0.0);
    EXPECT_LE(first.max(), 255.0);
  }
}

TEST_F(NoiseTest, GreyColourPixelsShareOneDrawOtherColoursDoNot) {
  CImg<double> grey(32, 32, 1, 3, 100.0), colour(grey);
  colour(0, 0, 0, 1) = 101.0;
  CImg<double> out;
  GaussianNoiseFun(grey, out, 20);
  EXPECT_EQ(out.get_channel(0), out.get_channel(1));
  EXPECT_EQ(out.get_channel(0), out.get_channel(2));
  GaussianNoiseFun(colour, out, 20);
  EXPECT_NE(out.get_channel(0), out.get_channel(2));
}

TEST_F(NoiseTest, BadParametersAndEmptyImages) {
  const CImg<double> in(4, 4, 1, 1, 9.0), empty;
  CImg<double> out;
  const double nan = std::nan(""), inf = INFINITY;
  EXPECT_THROW(GaussianNoiseFun(in, out, nan), std::invalid_argument);
  EXPECT_THROW(GaussianNoiseFun(in, out, inf), std::invalid_argument);
  EXPECT_THROW(RayleighNoiseFun(in, out, -inf), std::invalid_argument);
  EXPECT_THROW(PoissonNoiseFun(in, out, nan), std::invalid_argument);
  EXPECT_THROW(SaltPepperNoiseFun(in, out, nan), std::invalid_argument);
  PoissonNoiseFun(in, out, 1e300);  // k saturates; samples clamp
  EXPECT_LE(out.max(), 255.0);
  AdditiveNoiseFun(in, out, 0);
  EXPECT_EQ(out, in);
  AdditiveNoiseFun(empty, out, -2147483647 - 1);
  EXPECT_TRUE(out.is_empty());
}

}  // namespace
