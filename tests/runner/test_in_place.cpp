// Commands whose row hands the operation one image as input and output:
// each run through the runner must give, bit for bit, what the library call
// gives with a separate output image.
#include <omp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <random>

#include "dll.h"
#include "runner_fixture.h"
#include "segmentation/random.h"

namespace zel_test {
namespace {

using Images = std::vector<CImg<double>>;
using Oracle = std::function<CImg<double>(const Images&)>;

struct Case {
  std::vector<std::string> args;  // the command and its input files
  Oracle oracle;                  // the library call with its own output, on the images read from the image inputs
};

// Grey levels with fractions, negatives, values beyond 255, infinities and
// NaN, over several slices and channels.
CImg<double> awkward_image(int w, int h, int d, int c, unsigned seed) {
  CImg<double> img(w, h, d, c);
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> level(-20.0, 300.0);
  cimg_foroff(img, i) img[i] = (i % 5 == 0) ? std::floor(level(rng)) : level(rng);
  img[3] = std::numeric_limits<double>::quiet_NaN();
  img[7] = std::numeric_limits<double>::infinity();
  img[11] = -std::numeric_limits<double>::infinity();
  img[13] = 1.0;
  return img;
}

bool bit_identical(const CImg<double>& a, const CImg<double>& b) {
  return a.is_sameXYZC(b) && (a.is_empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

template <class F>
Oracle one(F f) {
  return [f](const Images& in) {
    CImg<double> out;
    f(in[0], out);
    return out;
  };
}

// Runs the noise operations from the sequence a fresh process starts with.
template <class F>
Oracle fresh_noise(F f) {
  return one([f](const CImg<double>& in, CImg<double>& out) {
    zel::NoiseSource::global().seed(std::mt19937_64::default_seed);
    f(in, out);
  });
}

class InPlaceCommands : public RunnerTest {};

TEST_F(InPlaceCommands, EqualTheLibraryCallWithItsOwnOutput) {
  image_file("img", awkward_image(37, 23, 2, 3, 1));
  image_file("same", awkward_image(37, 23, 2, 3, 2));
  image_file("wider", awkward_image(41, 20, 1, 3, 3));  // the result outgrows the first operand
  image_file("narrow", awkward_image(30, 23, 2, 1, 4));
  CImg<double> unit(9, 8, 1, 1, 0.0);  // 0 and 1 only: cut at 0.5
  unit(2, 3) = unit(4, 4) = unit(8, 7) = 1.0;
  image_file("unit", unit);
  coord_file("inside", 5, 4);
  coord_file("outside", -3, 40);
  colour_file("colour", 10, 200, 30);
  number_file("n2", 2), number_file("n3", 3), number_file("n40", 40), number_file("n150", 150);
  number_file("gamma", 0.45);
  const CoOrdinate p(5, 4), q(-3, 40), p2(30, 19);
  coord_file("far", 30, 19);
  const RGBTriplet col(10, 200, 30);

  using I = const CImg<double>&;
  using O = CImg<double>&;
  const std::vector<Case> cases = {
      {{"RemovePixel", "img", "inside"}, one([&](I i, O o) { RemovePixelFun(i, o, p); })},
      {{"RemovePixel", "img", "outside"}, one([&](I i, O o) { RemovePixelFun(i, o, q); })},
      {{"SetPixel", "img", "inside", "colour"}, one([&](I i, O o) { SetPixelFun(i, o, p, col); })},
      {{"MaskImg", "img", "n3"}, one([](I i, O o) { MaskImgFun(i, o, 3); })},
      {{"DrawBox", "img", "inside", "far", "colour", "n2"}, one([&](I i, O o) { DrawBoxFun(i, o, p, p2, col, 2); })},
      {{"DrawCircle", "img", "inside", "n3", "colour", "n2"},
       one([&](I i, O o) { DrawCircleFun(i, o, p, 3, col, 2); })},
      {{"DrawLine", "img", "inside", "far", "colour", "n3"}, one([&](I i, O o) { DrawLineFun(i, o, p, p2, col, 3); })},
      {{"FillBox", "img", "inside", "far", "colour"}, one([&](I i, O o) { FillBoxFun(i, o, p, p2, col); })},
      {{"FillCircle", "img", "far", "n3", "colour"}, one([&](I i, O o) { FillCircleFun(i, o, p2, 3, col); })},
      {{"NOT", "img"}, one([](I i, O o) { NotImgFun(i, o); })},
      {{"VellFun", "img", "n40"}, one([](I i, O o) { VellFun(i, o, 40); })},
      {{"Threshold", "img", "n150"}, one([](I i, O o) { ThresholdFun(i, o, 150); })},
      {{"MidThresh", "img"}, one([](I i, O o) { MidThresholdFun(i, o); })},
      {{"MidThresh", "unit"}, one([](I i, O o) { MidThresholdFun(i, o); })},
      {{"DualThresh", "img", "n150", "n40"}, one([](I i, O o) { DoubleThresholdFun(i, o, 150, 40); })},
      {{"GSCapThresh", "img", "n150"}, one([](I i, O o) { GSCapThresholdFun(i, o, 150); })},
      {{"TripleThresh", "img", "n40", "n150"}, one([](I i, O o) { TripleThresholdFun(i, o, 40, 150); })},
      {{"BinGrey", "img", "n40"}, one([](I i, O o) { BinGreyFun(i, o, 40); })},
      {{"HistEqualiser", "img"}, one([](I i, O o) { HistEqualiserFun(i, o); })},
      {{"Enhancer", "img"}, one([](I i, O o) { IntensityRangeEnhancerFun(i, o); })},
      {{"Stretcher", "img", "n40", "n150"}, one([](I i, O o) { IntensityRangeStretcherFun(i, o, 40, 150); })},
      {{"Exponential", "img"}, one([](I i, O o) { ExponentialLutFun(i, o); })},
      {{"Inverse", "img"}, one([](I i, O o) { InverseLutFun(i, o); })},
      {{"Logarithm", "img"}, one([](I i, O o) { LogarithmLutFun(i, o); })},
      {{"Power", "img", "gamma"}, one([](I i, O o) { PowerLutFun(i, o, 0.45); })},
      {{"Square", "img"}, one([](I i, O o) { SquareLutFun(i, o); })},
      {{"AdditiveNoise", "img", "n40"}, fresh_noise([](I i, O o) { AdditiveNoiseFun(i, o, 40); })},
      {{"PoissonNoise", "img", "n3"}, fresh_noise([](I i, O o) { PoissonNoiseFun(i, o, 3); })},
      {{"RayleighNoise", "img", "n3"}, fresh_noise([](I i, O o) { RayleighNoiseFun(i, o, 3); })},
      {{"KapurSeg", "img"}, one([](I i, O o) { KapurSegmentationFun(i, o); })},
      {{"KittlerSeg", "img"}, one([](I i, O o) { KittlerSegmentationFun(i, o); })},
      {{"LloydSeg", "img"}, one([](I i, O o) { LloydSegmentationFun(i, o); })},
      {{"OtsuSeg", "img"}, one([](I i, O o) { OtsuSegmentationFun(i, o); })},
      {{"RiddlerSeg", "img"}, one([](I i, O o) { RiddlerSegmentationFun(i, o); })},
      {{"TsaiSeg", "img"}, one([](I i, O o) { TsaiSegmentationFun(i, o); })},
      {{"YanniSeg", "img"}, one([](I i, O o) { YanniSegmentationFun(i, o); })},
      {{"Rotatep90", "img"}, one([](I i, O o) { RotatePlus90ImgFun(i, o); })},
      {{"Rotatem90", "img"}, one([](I i, O o) { RotateMinus90ImgFun(i, o); })},
  };
  std::vector<Case> all = cases;
  using Two = void (*)(const CImg<double>&, const CImg<double>&, CImg<double>&);
  for (const auto& [name, op] : std::vector<std::pair<const char*, Two>>{
           {"Add", AddImgFun}, {"And", AndImgFun}, {"Divide", DivideImgFun}, {"Maximum", MaximumImgFun},
           {"Minimum", MinimumImgFun}, {"Multiply", MultiplyImgFun}, {"OR", OrImgFun},
           {"Subtract", SubtractImgFun}, {"XOR", XorImgFun}})
    for (const char* second : {"same", "wider", "narrow"})
      all.push_back({{name, "img", second}, [op = op](const Images& in) {
                       CImg<double> out;
                       op(in[0], in[1], out);
                       return out;
                     }});

  for (const Case& c : all) {
    const std::string label = c.args[0] + " " + c.args[2 % c.args.size()];
    const RunResult r = run(c.args);
    ASSERT_EQ(r.status, 0) << label << ": " << r.err;
    ASSERT_EQ(r.out, "temp_out_kq_matfile0.kqmat") << label;
    Images in;
    for (size_t k = 1; k < c.args.size(); ++k) {
      const std::string& f = c.args[k];
      if (f == "img" || f == "same" || f == "wider" || f == "narrow" || f == "unit")
        in.push_back(zel::GetImage(path(f).c_str()));
    }
    const CImg<double> expect = c.oracle(in);
    EXPECT_TRUE(bit_identical(result_image(), expect)) << label;
  }
}

// A field of /proc/self/status ("VmHWM:") in KiB (-1 when absent).
long long status_kib(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string k;
  long long v = -1;
  while (status >> k) {
    if (k == key) return (status >> v) ? v : -1;
    status.ignore(1 << 10, '\n');
  }
  return -1;
}

// How far the resident size rises above where it started while the runner
// runs `args` in dir: measured in a forked copy of this process, whose peak
// is first reset to its present size.
long long peak_growth_of_run(const fs::path& dir, const std::vector<std::string>& args) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    long long growth = -1;
    std::vector<std::string> words{"zel_toolbox"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    // The OpenMP thread pool of the parent does not survive the fork: a
    // parallel region here would wait for threads that are not there.
    omp_set_num_threads(1);
    if (::chdir(dir.c_str()) == 0 && std::freopen("/dev/null", "w", stdout)) {
      { std::ofstream("/proc/self/clear_refs") << "5"; }  // the peak restarts from the present size
      const long long before = status_kib("VmHWM:");
      const int status = zel::run_toolbox(static_cast<int>(words.size()), argv.data());
      const long long after = status_kib("VmHWM:");
      if (status == 0 && before > 0 && after > 0) growth = (after - before) * 1024;
    }
    if (::write(fds[1], &growth, sizeof growth) != sizeof growth) ::_exit(1);
    ::_exit(0);
  }
  ::close(fds[1]);
  long long growth = -1;
  if (pid < 0 || ::read(fds[0], &growth, sizeof growth) != sizeof growth) growth = -1;
  ::close(fds[0]);
  if (pid > 0) ::waitpid(pid, nullptr, 0);
  return growth;
}

// An operation over its own input keeps one image in memory: a run's peak
// grows by about the image (two for two inputs), not by one more.
TEST_F(InPlaceCommands, HoldOneImageAtATime) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator keeps freed memory";
#endif
  // 48 MiB: above the largest size that malloc serves from its heap, so
  // every image is fresh memory.
  const CImg<double> img = awkward_image(1024, 1024, 1, 6, 6);
  const double bytes = static_cast<double>(img.size() * sizeof(double));
  image_file("img", img);
  image_file("other", awkward_image(1024, 1024, 1, 6, 7));
  coord_file("outside", -1, -1);
  number_file("n", 100);
  for (const auto& [args, images] : std::vector<std::pair<std::vector<std::string>, double>>{
           {{"RemovePixel", "img", "outside"}, 1}, {{"NOT", "img"}, 1}, {{"Threshold", "img", "n"}, 1},
           {{"Inverse", "img"}, 1}, {{"Rotatep90", "img"}, 1}, {{"Rotatem90", "img"}, 1}, {{"Add", "img", "other"}, 2}}) {
    const long long growth = peak_growth_of_run(dir_, args);
    ASSERT_GT(growth, 0) << args[0] << ": no measure of the peak";
    EXPECT_LT(static_cast<double>(growth), (images + 0.15) * bytes) << args[0];
    EXPECT_GT(static_cast<double>(growth), images * bytes * 0.95) << args[0] << ": the measure itself";
  }
}

// The noise operations that seed from the clock cannot be matched across
// processes: with a pinned seed, the call with one image as input and output
// gives what the call with two images gives.
TEST(InPlaceNoise, ClockSeededNoiseGivesTheSameOverItsInput) {
  const CImg<double> img = awkward_image(19, 17, 1, 3, 5);
  using Op = std::function<void(const CImg<double>&, CImg<double>&)>;
  for (const Op& op : {Op([](const CImg<double>& i, CImg<double>& o) { GaussianNoiseFun(i, o, 12.5); }),
                       Op([](const CImg<double>& i, CImg<double>& o) { SaltPepperNoiseFun(i, o, 0.3); })}) {
    zel::NoiseSource::global().pin_clock_seed(42);
    CImg<double> apart, over = img;
    op(img, apart);
    op(over, over);
    zel::NoiseSource::global().pin_clock_seed(std::nullopt);
    EXPECT_TRUE(bit_identical(over, apart));
  }
}

}  // namespace
}  // namespace zel_test
