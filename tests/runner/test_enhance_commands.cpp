// The noise, look-up-table, wash, integration and threshold commands end to
// end: one result file each, number truncation, bound order, the number
// result of the entropic threshold and reproducible unseeded noise.
#include <cmath>

#include "runner_fixture.h"

namespace zel_test {
namespace {

const char* const kResult0 = "temp_out_kq_matfile0.kqmat";

class EnhanceCommands : public RunnerTest {
 protected:
  void SetUp() override {
    RunnerTest::SetUp();
    image_file("img", CImg<double>(5, 4, 2, 3).rand(0, 255).round());
    number_file("n1", 60.0);
    number_file("n2", 180.0);
  }
};

TEST_F(EnhanceCommands, EveryCommandWritesOneResultAndPrintsItsName) {
  const char* const one[] = {"IntegrateC", "IntegrateR", "L2RSum", "RemIso", "B2TWash", "T2BWash", "L2RWash",
                             "R2LWash", "HistEqualiser", "Enhancer", "Exponential", "Inverse", "Logarithm",
                             "Square", "MidThresh", "EntropicThresh"};
  const char* const two[] = {"AdditiveNoise", "GaussianNoise", "PoissonNoise", "RayleighNoise", "S+PNoise", "Power",
                             "GSCapThresh", "Threshold", "3x3Thresh", "5x5Thresh", "BinGrey"};
  const char* const three[] = {"Stretcher", "DualThresh", "TripleThresh"};
  std::vector<std::vector<std::string>> runs;
  for (const char* c : one) runs.push_back({c, "img"});
  for (const char* c : two) runs.push_back({c, "img", "n1"});
  for (const char* c : three) runs.push_back({c, "img", "n1", "n2"});
  ASSERT_EQ(runs.size(), 30u);
  for (const auto& args : runs) {
    const RunResult r = run(args);
    EXPECT_EQ(r.status, 0) << args[0] << ": " << r.err;
    EXPECT_EQ(r.out, kResult0) << args[0];
    EXPECT_EQ(files(), (std::vector<std::string>{"img", "n1", "n2", kResult0})) << args[0];
    if (args[0] != "EntropicThresh") {
      EXPECT_TRUE(result_image().is_sameXYZC(CImg<double>(5, 4, 2, 3))) << args[0];
    }
    fs::remove(path(kResult0));
    // The neighbouring argument counts run nothing.
    for (auto wrong : {args, std::vector<std::string>(args.begin(), args.end() - 1)}) {
      if (wrong.size() == args.size()) wrong.push_back("n1");
      const RunResult bad = run(wrong);
      EXPECT_EQ(bad.out, "ERROR: incorrect number of inputs\n") << args[0] << " with " << wrong.size();
      EXPECT_FALSE(exists(kResult0));
    }
  }
}

TEST_F(EnhanceCommands, NumbersTruncateTowardZeroBeforeTheCall) {
  image_file("row", CImg<double>(3, 1, 1, 1, 126.0, 127.0, -2.5));
  number_file("t", 127.9);
  number_file("neg", -2.7);
  run({"Threshold", "row", "t"});
  EXPECT_EQ(result_values(), (std::vector<double>{0, 255, 0}));
  run({"GSCapThresh", "row", "neg"});  // -2, so -2.5 falls below
  EXPECT_EQ(result_values(), (std::vector<double>{126, 127, 0}));
  run({"Power", "row", "t"});  // 127.9 unchanged: level 127 gives 255 (127/255)^127.9
  EXPECT_DOUBLE_EQ(result_values()[1], 255 * std::pow(127 / 255.0, 127.9));
}

TEST_F(EnhanceCommands, BoundsInEitherOrderGiveTheSameImage) {
  for (const char* command : {"DualThresh", "Stretcher", "TripleThresh"}) {
    run({command, "img", "n1", "n2"});
    const CImg<double> forward = result_image();
    run({command, "img", "n2", "n1"});
    EXPECT_EQ(result_image(), forward) << command;
  }
}

TEST_F(EnhanceCommands, EntropicThresholdIsAWholeNumberFile) {
  image_file("levels", CImg<double>(4, 1, 1, 1, 10., 20., 10., 30.));
  const RunResult r = run({"EntropicThresh", "levels"});
  EXPECT_EQ(r.out, kResult0);
  const std::string bytes = slurp(path(kResult0));
  ASSERT_EQ(bytes.size(), 24u);
  int32_t header[4];
  std::memcpy(header, bytes.data(), 16);
  EXPECT_EQ(std::vector<int32_t>(header, header + 4), (std::vector<int32_t>{1, 1, 1, 1}));
  EXPECT_EQ(result_values(), std::vector<double>{10.0});
}

TEST_F(EnhanceCommands, UnseededNoiseRepeatsAcrossRunsAndBadParametersFail) {
  for (const char* command : {"AdditiveNoise", "PoissonNoise", "RayleighNoise"}) {
    run({command, "img", "n1"});
    const std::string first = slurp(path(kResult0));
    run({command, "img", "n1"});
    EXPECT_EQ(slurp(path(kResult0)), first) << command;
    EXPECT_NE(result_image(), zel::GetImage(path("img").c_str())) << command;
  }
  number_file("zero", 0.0);
  run({"S+PNoise", "img", "zero"});
  EXPECT_EQ(result_image(), zel::GetImage(path("img").c_str()));
  fs::remove(path(kResult0));
  number_file("nan", std::nan(""));
  const RunResult r = run({"GaussianNoise", "img", "nan"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err, "");
  EXPECT_FALSE(exists(kResult0));
}

}  // namespace
}  // namespace zel_test
