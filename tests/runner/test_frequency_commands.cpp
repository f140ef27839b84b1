// Frequency commands through the runner: spectra cross as two files (real
// part slot 0, imaginary part slot 1), sizes the transform does not accept
// still write every result, and a mismatched spectrum pair is refused.
#include <algorithm>

#include "dll.h"
#include "runner_fixture.h"

namespace zel_test {
namespace {

const char* const kBoth = "temp_out_kq_matfile0.kqmat temp_out_kq_matfile1.kqmat";

class FrequencyCommands : public RunnerTest {};

TEST_F(FrequencyCommands, FFTThenInvFFTGivesBackTheFirstSlice) {
  CImg<double> img(256, 128, 2, 3);
  cimg_forXYZC(img, x, y, z, c) img(x, y, z, c) = (x * 7 + y * 13 + z * 5 + c * 11) % 256;
  image_file("img", img);
  const RunResult r = run({"FFT", "img"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, kBoth);
  const CImg<double> re = result_image(0), im = result_image(1);
  EXPECT_EQ(re.width(), 256);
  EXPECT_EQ(re.height(), 128);
  EXPECT_EQ(re.depth(), 1);
  EXPECT_EQ(re.spectrum(), 3);
  EXPECT_TRUE(im.is_sameXYZC(re));
  image_file("re", re);
  image_file("im", im);
  const RunResult back = run({"InvFFT", "re", "im"});
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(back.out, "temp_out_kq_matfile0.kqmat");
  EXPECT_LT((result_image(0) - img.get_slice(0)).abs().max(), 1e-9);
}

TEST_F(FrequencyCommands, UnacceptedSizesWriteEmptyOrZeroResults) {
  image_file("odd", CImg<double>(100, 100, 1, 1, 5.0));
  image_file("row", CImg<double>(64, 1, 1, 1, 5.0));
  for (const char* name : {"odd", "row"}) {
    const RunResult r = run({"FFT", name});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kBoth);
    EXPECT_EQ(slurp(path("temp_out_kq_matfile0.kqmat")), std::string(16, '\0')) << name;
    EXPECT_EQ(slurp(path("temp_out_kq_matfile1.kqmat")), std::string(16, '\0')) << name;
  }
  const RunResult inv = run({"InvFFT", "odd", "odd"});
  ASSERT_EQ(inv.status, 0) << inv.err;
  const CImg<double> zeros = result_image(0);
  EXPECT_EQ(zeros.width(), 100);
  EXPECT_EQ(zeros.height(), 100);
  EXPECT_EQ(zeros.max(), 0.0);
  EXPECT_EQ(zeros.min(), 0.0);
  // The larger spectrum sets the size of a product.
  image_file("big", CImg<double>(256, 256, 1, 1, 1.0));
  image_file("small", CImg<double>(200, 200, 1, 1, 1.0));
  ASSERT_EQ(run({"FFTMultiply", "big", "big", "small", "small"}).out, kBoth);
  EXPECT_EQ(result_image(1).width(), 256);
  ASSERT_EQ(run({"FFTDivide", "small", "small", "small", "small"}).out, kBoth);
  EXPECT_EQ(slurp(path("temp_out_kq_matfile0.kqmat")), std::string(16, '\0'));
}

TEST_F(FrequencyCommands, NumbersReachTheOperationsAsTheRowsSay) {
  number_file("w", 64.9);
  number_file("h", 32.2);
  number_file("sigma", 1.5);
  const RunResult g = run({"FFTGaussian", "w", "h", "sigma"});
  ASSERT_EQ(g.status, 0) << g.err;
  EXPECT_EQ(g.out, kBoth);
  CImg<double> re, im;
  FourierGaussianFun(re, im, 64, 32, 1.5);
  EXPECT_EQ(result_image(0), re);
  EXPECT_EQ(result_image(1), im);
  // The selective passes get r, u and v unchanged, in that order.
  image_file("re", re);
  image_file("im", im);
  number_file("r", 0.1);
  number_file("u", 0.5);
  number_file("v", -0.5);
  for (const char* command : {"FFTSelectivePass", "FFTSymSelectPass"}) {
    const RunResult r = run({command, "re", "im", "r", "u", "v"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kBoth);
    CImg<double> want_re, want_im;
    if (std::string(command) == "FFTSelectivePass")
      FourierSelectivePassFun(re, im, want_re, want_im, 0.1, 0.5, -0.5);
    else
      FourierSymSelectivePassFun(re, im, want_re, want_im, 0.1, 0.5, -0.5);
    EXPECT_EQ(result_image(0), want_re) << command;
    EXPECT_EQ(result_image(1), want_im) << command;
  }
  number_file("quarter", 0.25);
  const RunResult idct = run({"IDCT", "re", "quarter"});
  ASSERT_EQ(idct.status, 0) << idct.err;
  CImg<double> want;
  IDCTFun(re, want, 0.25);
  EXPECT_EQ(result_image(0), want);
}

TEST_F(FrequencyCommands, BadSpectraAndSizesTakeTheErrorPath) {
  image_file("re", CImg<double>(8, 8, 1, 1, 1.0));
  image_file("im", CImg<double>(4, 4, 1, 1, 1.0));
  number_file("r", 0.5);
  number_file("zero", 0.0);
  number_file("huge", 1e9);
  number_file("sigma", 1.0);
  const std::vector<std::vector<std::string>> bad = {{"FFTLowPass", "re", "im", "r"},
                                                     {"InvFFT", "re", "im"},
                                                     {"ViewFFT", "re", "im"},
                                                     {"FFTMultiply", "re", "re", "re", "im"},
                                                     {"FFTGaussian", "zero", "r", "sigma"},
                                                     {"FFTGaussian", "huge", "huge", "sigma"}};
  for (const auto& args : bad) {
    const RunResult r = run(args);
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_FALSE(r.signalled) << args[0];
    EXPECT_EQ(r.out, "") << args[0];
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << args[0] << ": " << r.err;
    EXPECT_EQ(files(), (std::vector<std::string>{"huge", "im", "r", "re", "sigma", "zero"})) << args[0];
  }
}

}  // namespace
}  // namespace zel_test
