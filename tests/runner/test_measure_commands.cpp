// The measurement and local-equalisation commands end to end: one 24-byte
// number file (or one image file) in slot 0, NaN written as it is, and the
// two-image order of MSECalc.
#include <cmath>

#include "runner_fixture.h"

namespace zel_test {
namespace {

const char* const kResult0 = "temp_out_kq_matfile0.kqmat";

class MeasureCommands : public RunnerTest {
 protected:
  // Runs a command and returns its one number result.
  double number(const std::vector<std::string>& args) {
    const RunResult r = run(args);
    EXPECT_EQ(r.status, 0) << args[0] << ": " << r.err;
    EXPECT_EQ(r.out, kResult0) << args[0];
    EXPECT_EQ(slurp(path(kResult0)).size(), 24u) << args[0];
    const std::vector<double> v = result_values();
    return v.size() == 1 ? v[0] : -12345.0;
  }
};

TEST_F(MeasureCommands, NumbersOfASmallRampAndOfAnEmptyImage) {
  image_file("ramp", CImg<double>(2, 2, 1, 1, 0.0, 10.0, 20.0, 30.0));
  raw_file("empty", {0, 0, 0, 0}, {});
  const double nan = std::nan("");
  struct Case { const char* command; double ramp, empty; };
  for (const Case& c : {Case{"AvgIntensity", 15, nan}, Case{"VarianceCalc", 125, nan},
                        Case{"STDCalc", std::sqrt(125.0), nan}, Case{"SkewCalc", 0, nan},
                        Case{"KurtosisCalc", -1.36, nan}, Case{"EntropyCalc", std::log(4.0), 0},
                        Case{"HighestGrey", 30, 0}, Case{"LowestGrey", 0, 255}}) {
    EXPECT_NEAR(number({c.command, "ramp"}), c.ramp, 1e-12) << c.command;
    const double e = number({c.command, "empty"});
    EXPECT_TRUE(e == c.empty || (std::isnan(e) && std::isnan(c.empty))) << c.command << " gives " << e;
  }
}

TEST_F(MeasureCommands, MeanSquaredErrorTakesTwoImagesInEitherOrder) {
  image_file("pair", CImg<double>(2, 1, 1, 1, 10.0));
  image_file("one", CImg<double>(1, 1, 1, 1, 10.0));
  EXPECT_EQ(number({"MSECalc", "pair", "one"}), 50.0);
  EXPECT_EQ(number({"MSECalc", "one", "pair"}), 50.0);
  EXPECT_EQ(number({"MSECalc", "pair", "pair"}), 0.0);
  fs::remove(path(kResult0));
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"MSECalc", "pair"}, {"AvgIntensity", "pair", "one"}, {"LocalEq3x3"}}) {
    const RunResult r = run(args);
    EXPECT_EQ(r.out, "ERROR: incorrect number of inputs\n") << args[0];
  }
  EXPECT_FALSE(exists(kResult0));
}

TEST_F(MeasureCommands, EqualisationsWriteAnImage) {
  image_file("dot", CImg<double>(1, 1, 1, 1, 5.0));
  raw_file("empty", {0, 0, 0, 0}, {});
  for (const char* command : {"LocalEq3x3", "LocalEq5x5"}) {
    EXPECT_EQ(run({command, "dot"}).out, kResult0);
    EXPECT_EQ(result_image(), CImg<double>(1, 1, 1, 1, 255.0)) << command;
    EXPECT_EQ(run({command, "empty"}).out, kResult0);
    EXPECT_EQ(slurp(path(kResult0)).size(), 16u) << command;
  }
}

}  // namespace
}  // namespace zel_test
