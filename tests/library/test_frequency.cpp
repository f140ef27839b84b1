// The cosine and Fourier transforms against direct sums on small images,
// their round trips, the accepted-size contract, and the frequency masks on
// hand-made spectra.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>

#include "dll.h"
#include "transforms/fourier.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

CImg<double> random_image(int w, int h, int d, int c, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(-100.0, 255.0);
  CImg<double> img(w, h, d, c);
  for (double& v : img) v = u(rng);
  return img;
}

double max_abs(const CImg<double>& img) {
  double m = 0.0;
  for (double v : img) m = std::max(m, std::fabs(v));
  return m;
}

// The orthonormal 2-D DCT-II of one plane by its defining double sum.
double direct_dct(const CImg<double>& img, int u, int v, int c) {
  const int w = img.width(), h = img.height();
  double s = 0.0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      s += img(x, y, 0, c) * std::cos(kPi * (2 * x + 1) * u / (2.0 * w)) * std::cos(kPi * (2 * y + 1) * v / (2.0 * h));
  const double au = u == 0 ? std::sqrt(1.0 / w) : std::sqrt(2.0 / w);
  const double av = v == 0 ? std::sqrt(1.0 / h) : std::sqrt(2.0 / h);
  return au * av * s;
}

TEST(Cosine, MatchesTheDefiningSumAndRoundTripsOnEverySize) {
  for (auto [w, h] : {std::pair{1, 1}, {1, 7}, {5, 1}, {6, 4}, {7, 9}, {16, 8}}) {
    const CImg<double> img = random_image(w, h, 2, 2, static_cast<unsigned>(w * 31 + h));
    CImg<double> coefficients, back;
    DCTFun(img, coefficients);
    ASSERT_TRUE(coefficients.is_sameXYZC(img));
    for (int c = 0; c < 2; ++c)
      for (int v = 0; v < h; ++v)
        for (int u = 0; u < w; ++u)
          EXPECT_NEAR(coefficients(u, v, 0, c), direct_dct(img, u, v, c), 1e-9 * 255 * w * h) << w << "x" << h;
    // The second slice is transformed on its own.
    CImg<double> slice = img.get_slice(1), slice_coefficients;
    DCTFun(slice, slice_coefficients);
    EXPECT_LT((coefficients.get_slice(1) - slice_coefficients).abs().max(), 1e-9);
    for (double fraction : {1.0, 1.5, -0.1, std::nan("")}) {
      IDCTFun(coefficients, back, fraction);
      EXPECT_LT((back - img).abs().max(), 1e-9 * max_abs(img)) << w << "x" << h << " fraction " << fraction;
    }
  }
}

TEST(Cosine, TheFractionKeepsTheLowestCoefficientsTruncated) {
  // 8 x 4 with fraction 0.3: 2 columns (2.4) and 1 row (1.2) of coefficients.
  const CImg<double> img = random_image(8, 4, 1, 1, 7);
  CImg<double> coefficients, kept, back, expected;
  DCTFun(img, coefficients);
  kept.assign(coefficients.width(), coefficients.height(), 1, 1, 0.0);
  for (int u = 0; u < 2; ++u) kept(u, 0) = coefficients(u, 0);
  IDCTFun(kept, expected, 1.0);
  IDCTFun(coefficients, back, 0.3);
  EXPECT_LT((back - expected).abs().max(), 1e-9);
  IDCTFun(coefficients, back, 0.0);
  EXPECT_EQ(back.max(), 0.0);
  EXPECT_EQ(back.min(), 0.0);
}

TEST(Cosine, TheViewSpansZeroTo255AndAConstantShowsAsZero) {
  CImg<double> coefficients(4, 4, 1, 2, 0.0), view;
  coefficients(0, 0, 0, 0) = -1000.0;
  coefficients(1, 0, 0, 0) = 1.0;
  coefficients.get_shared_channel(1).fill(7.0);
  ViewDCTFun(coefficients, view);
  EXPECT_DOUBLE_EQ(view(0, 0, 0, 0), 255.0);
  EXPECT_NEAR(view(1, 0, 0, 0), 255.0 * std::log(2.0) / std::log(1001.0), 1e-9);
  EXPECT_EQ(view(2, 2, 0, 0), 0.0);
  EXPECT_EQ(view.get_shared_channel(1).max(), 0.0);
}

// The unscaled DFT of one plane at frequency (kx, ky) by its defining sum.
std::complex<double> direct_dft(const CImg<double>& img, int kx, int ky, int c) {
  const int w = img.width(), h = img.height();
  std::complex<double> s = 0.0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      s += img(x, y, 0, c) *
           std::polar(1.0, -2.0 * kPi * (static_cast<double>(kx) * x / w + static_cast<double>(ky) * y / h));
  return s;
}

TEST(Fourier, CentredSpectrumMatchesTheDefiningSumAndRoundTrips) {
  for (auto [w, h] : {std::pair{2, 2}, {8, 4}, {4, 16}, {32, 32}}) {
    const CImg<double> img = random_image(w, h, 2, 3, static_cast<unsigned>(w + 100 * h));
    CImg<double> re, im, back;
    FourierTransformFun(img, re, im);
    ASSERT_EQ(re.width(), w);
    ASSERT_EQ(re.height(), h);
    ASSERT_EQ(re.depth(), 1);  // first slice only
    ASSERT_EQ(re.spectrum(), 3);
    ASSERT_TRUE(im.is_sameXYZC(re));
    for (int c = 0; c < 3; ++c)
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const std::complex<double> want = direct_dft(img, x - w / 2, y - h / 2, c);
          EXPECT_NEAR(re(x, y, 0, c), want.real(), 1e-9 * 255 * w * h);
          EXPECT_NEAR(im(x, y, 0, c), want.imag(), 1e-9 * 255 * w * h);
        }
    InvFourierTransformFun(re, im, back);
    EXPECT_LT((back - img.get_slice(0)).abs().max(), 1e-9 * max_abs(img)) << w << "x" << h;
  }
}

TEST(Fourier, ACosineHasItsTwoPeaksAtItsFrequency) {
  // cos(2 pi (3 x / 64 + 5 y / 32)) on 64 x 32: peaks of w h / 2 at (32 +- 3, 16 +- 5).
  CImg<double> img(64, 32), re, im;
  cimg_forXY(img, x, y) img(x, y) = std::cos(2.0 * kPi * (3.0 * x / 64 + 5.0 * y / 32));
  FourierTransformFun(img, re, im);
  cimg_forXY(re, x, y) {
    const bool peak = (x == 35 && y == 21) || (x == 29 && y == 11);
    EXPECT_NEAR(re(x, y), peak ? 1024.0 : 0.0, 1e-9) << x << "," << y;
    EXPECT_NEAR(im(x, y), 0.0, 1e-9);
  }
}

TEST(Fourier, OnlyPowersOfTwoFrom2To2048AreTransformed) {
  const CImg<double> untouched(3, 3, 1, 1, 42.0);
  for (auto [w, h] : {std::pair{1, 8}, {8, 1}, {100, 64}, {64, 100}, {4096, 2}, {2, 4096}}) {
    CImg<double> re = untouched, im = untouched, back;
    FourierTransformFun(CImg<double>(w, h, 1, 1, 1.0), re, im);
    EXPECT_EQ(re, untouched) << w << "x" << h;
    EXPECT_EQ(im, untouched);
    InvFourierTransformFun(CImg<double>(w, h, 1, 2, 1.0), CImg<double>(w, h, 1, 2, 1.0), back);
    ASSERT_EQ(back.width(), w);
    ASSERT_EQ(back.spectrum(), 2);
    EXPECT_EQ(back.max(), 0.0);
    EXPECT_EQ(back.min(), 0.0);
  }
  CImg<double> re, im;
  FourierTransformFun(CImg<double>(2048, 2, 1, 1, 1.0), re, im);
  EXPECT_EQ(re.width(), 2048);
  EXPECT_DOUBLE_EQ(re(1024, 1), 4096.0);  // the constant's zero frequency
}

TEST(Fourier, ProductsPadToTheLargerSpectrumAndDivisionUndoesMultiplication) {
  const CImg<double> ar = random_image(8, 8, 1, 1, 1), ai = random_image(8, 8, 1, 1, 2);
  const CImg<double> br = random_image(4, 2, 1, 2, 3), bi = random_image(4, 2, 1, 2, 4);
  CImg<double> pr, pi, qr, qi;
  FourierMultiplyFun(ar, ai, br, bi, pr, pi);
  ASSERT_EQ(pr.width(), 8);
  ASSERT_EQ(pr.spectrum(), 2);
  const std::complex<double> a(ar(1, 1), ai(1, 1)), b(br(1, 1, 0, 0), bi(1, 1, 0, 0));
  EXPECT_NEAR(pr(1, 1), (a * b).real(), 1e-9);
  EXPECT_NEAR(pi(1, 1), (a * b).imag(), 1e-9);
  EXPECT_EQ(pr(5, 5), 0.0);        // outside b: b padded with zeros
  EXPECT_EQ(pr(1, 1, 0, 1), 0.0);  // a has no second channel
  // (a b) / b = a wherever b is non-zero; a zero divisor gives NaN (0 / 0).
  FourierMultiplyFun(ar, ai, ar, ai, pr, pi);
  FourierDivideFun(pr, pi, ar, ai, qr, qi);
  EXPECT_LT((qr - ar).abs().max(), 1e-9 * max_abs(ar));
  FourierDivideFun(ar, ai, br, bi, qr, qi);
  EXPECT_TRUE(std::isnan(qr(5, 5)));
  // 200 x 200 is not a transform size: outputs stay as they were.
  CImg<double> keep(1, 1, 1, 1, 9.0), keep2 = keep;
  const CImg<double> odd(200, 200, 1, 1, 1.0);
  FourierMultiplyFun(odd, odd, odd, odd, keep, keep2);
  EXPECT_EQ(keep.width(), 1);
  EXPECT_EQ(keep(0, 0), 9.0);
}

TEST(Fourier, GaussianSpectrumPeaksAtTheCentre) {
  CImg<double> re, im;
  FourierGaussianFun(re, im, 64, 32, 1.5);
  ASSERT_EQ(re.width(), 64);
  ASSERT_EQ(re.height(), 32);
  ASSERT_EQ(re.spectrum(), 3);
  EXPECT_DOUBLE_EQ(re(32, 16, 0, 2), 255.0);
  EXPECT_NEAR(re(34, 17, 0, 1), 255.0 * std::exp(-5.0 / 4.5), 1e-12);
  EXPECT_EQ(im.max(), 0.0);
  EXPECT_THROW(FourierGaussianFun(re, im, 0, 4, 1.0), std::invalid_argument);
  EXPECT_THROW(FourierGaussianFun(re, im, 4, -1, 1.0), std::invalid_argument);
  EXPECT_THROW(FourierGaussianFun(re, im, 1 << 30, 1 << 30, 1.0), std::invalid_argument);
}

// A 9 x 8 spectrum whose real part numbers its positions 1, 2, ... and whose
// imaginary part is its negative.
void numbered(CImg<double>& re, CImg<double>& im) {
  re.assign(9, 8);
  int k = 1;
  cimg_forXY(re, x, y) re(x, y) = k++;
  im = -re;
}

// The set of kept positions (real part non-zero) of a filter's output, as a picture.
std::string kept(const CImg<double>& re, const CImg<double>& im) {
  std::string s;
  cimg_forY(re, y) {
    cimg_forX(re, x) {
      EXPECT_EQ(re(x, y) == 0.0, im(x, y) == 0.0) << "both parts are masked alike";
      s += re(x, y) != 0.0 ? '#' : '.';
    }
    s += '\n';
  }
  return s;
}

TEST(FrequencyMasks, SquaredBoundsAnswerAsTheDistanceDoes) {
  // Squared distances near R^2, a few steps of one unit in the last place
  // either side, compared with sqrt(s) against R directly.
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<double> radii = {0.0, -1.0, 1e-300, 0.5, 1.0, 2.0, 3.0, 1e154, 1e300, HUGE_VAL, std::nan("")};
  for (int i = 0; i < 2000; ++i) radii.push_back(std::ldexp(unit(rng), static_cast<int>(unit(rng) * 40) - 10));
  for (double R : radii) {
    const double lt = zel::fourier::below(R), le = zel::fourier::at_most(R);
    double s = R * R;
    if (!(s >= 0.0) || std::isinf(s)) s = 4.0;
    for (int k = 0; k < 4; ++k) s = std::nextafter(s, 0.0);
    for (int k = 0; k < 9; ++k, s = std::nextafter(s, HUGE_VAL)) {
      ASSERT_EQ(std::sqrt(s) < R, s < lt) << R << " " << s;
      ASSERT_EQ(std::sqrt(s) <= R, s < le) << R << " " << s;
      ASSERT_EQ(std::sqrt(s) > R, s >= le) << R << " " << s;
    }
  }
}

TEST(FrequencyMasks, HandMadeSpectrum) {
  CImg<double> re, im, out_re, out_im;
  numbered(re, im);
  // Zero frequency at (4, 4); r = 0.5 gives radius 2 (h / 2 = 4).
  FourierLowPassFun(re, im, out_re, out_im, 0.5);
  EXPECT_EQ(kept(out_re, out_im),
            ".........\n.........\n.........\n...###...\n...###...\n...###...\n.........\n.........\n");
  EXPECT_EQ(out_re(4, 4), re(4, 4));
  EXPECT_EQ(out_im(3, 5), im(3, 5));
  FourierHighPassFun(re, im, out_re, out_im, 0.5);  // d > 2: the axis points at distance 2 go too
  EXPECT_EQ(kept(out_re, out_im),
            "#########\n#########\n####.####\n###...###\n##.....##\n###...###\n####.####\n#########\n");
  FourierBandPassFun(re, im, out_re, out_im, 0.25, 0.5);  // 1 < d < 2
  EXPECT_EQ(kept(out_re, out_im),
            ".........\n.........\n.........\n...#.#...\n.........\n...#.#...\n.........\n.........\n");
  FourierBandStopFun(re, im, out_re, out_im, 0.25, 0.5);  // zeroes 1 <= d <= 2
  EXPECT_EQ(kept(out_re, out_im),
            "#########\n#########\n####.####\n###...###\n##..#..##\n###...###\n####.####\n#########\n");
  // Disc of radius 1 at column 9 (0.5 + 1) / 2 = 6.75, row 8 (1 + 0.5) / 2 = 6.
  FourierSelectivePassFun(re, im, out_re, out_im, 0.25, 0.5, -0.5);
  EXPECT_EQ(kept(out_re, out_im),
            "#########\n#########\n#########\n#########\n#########\n#########\n######..#\n#########\n");
  // The symmetric pass also removes the mirrors through (4, 4): (8 - x, 8 - y).
  FourierSymSelectivePassFun(re, im, out_re, out_im, 0.25, 0.5, -0.5);
  EXPECT_EQ(kept(out_re, out_im),
            "#########\n#########\n#..######\n#########\n#########\n#########\n######..#\n#########\n");
  // Magnitudes sqrt(2) k exceed 0.25 * 72 / 2 = 9 from k = 7 on.
  FourierAdaptiveLPFun(re, im, out_re, out_im, 0.25);
  EXPECT_EQ(kept(out_re, out_im),
            "......###\n#########\n#########\n#########\n#########\n#########\n#########\n#########\n");
}

TEST(FrequencyMasks, ZeroRealPartsRemoveTheirMirrorsAndNaNRemovesNothing) {
  CImg<double> re, im, out_re, out_im;
  numbered(re, im);
  re(1, 2) = 0.0;  // its mirror (7, 6) goes; (1, 2) itself keeps its imaginary part
  FourierSymSelectivePassFun(re, im, out_re, out_im, 0.0, 5.0, 5.0);
  EXPECT_EQ(out_re(7, 6), 0.0);
  EXPECT_EQ(out_im(7, 6), 0.0);
  EXPECT_EQ(out_im(1, 2), im(1, 2));
  const double nan = std::nan("");
  FourierSelectivePassFun(re, im, out_re, out_im, nan, 0.0, 0.0);
  EXPECT_EQ(out_re, re);
  FourierLowPassFun(re, im, out_re, out_im, nan);
  EXPECT_EQ(out_re.max(), 0.0);
  // The two parts of a spectrum must match in size.
  EXPECT_THROW(FourierLowPassFun(re, im.get_crop(0, 0, 3, 3), out_re, out_im, 0.5), std::invalid_argument);
  EXPECT_THROW(InvFourierTransformFun(re, CImg<double>(), out_re), std::invalid_argument);
}

TEST(FrequencyMasks, AConstantImageSurvivesTheLowPassRoundTrip) {
  const CImg<double> img(32, 16, 1, 3, 77.0);
  CImg<double> re, im, lre, lim, back;
  FourierTransformFun(img, re, im);
  FourierLowPassFun(re, im, lre, lim, 0.1);
  InvFourierTransformFun(lre, lim, back);
  EXPECT_LT((back - img).abs().max(), 1e-9);
}

}  // namespace
