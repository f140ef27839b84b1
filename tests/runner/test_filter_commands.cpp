// Filter commands through the runner: what reaches the operations (numbers
// truncated or not, the kernel array's orientation) and the files written.
#include <functional>

#include "dll.h"
#include "runner_fixture.h"

namespace zel_test {
namespace {

const char* const kResult0 = "temp_out_kq_matfile0.kqmat";

class FilterCommands : public RunnerTest {
 protected:
  void SetUp() override {
    RunnerTest::SetUp();
    picture_.assign(9, 7, 1, 1);
    cimg_forXY(picture_, x, y) picture_(x, y) = (x * 37 + y * 91 + x * y * 13) % 256;  // no symmetry
    image_file("img", picture_);
  }
  CImg<double> picture_;
};

TEST_F(FilterCommands, NumbersReachTheOperationTruncatedOrUnchanged) {
  using Call = std::function<void(const CImg<double>&, CImg<double>&)>;
  struct Case {
    const char* command;
    std::vector<double> numbers;
    Call direct;
  };
  const std::vector<Case> cases = {
      {"Laplacian", {8.9}, [](auto& i, auto& o) { LaplacianFun(i, o, 8); }},
      {"Laplacian", {-8.5}, [](auto& i, auto& o) { LaplacianFun(i, o, -8); }},
      {"RAFilter", {2.7}, [](auto& i, auto& o) { RectangularAverageFilterFun(i, o, 2); }},
      {"Gauss", {1.5}, [](auto& i, auto& o) { GaussFun(i, o, 1.5); }},
      {"Diffusion", {10.5, 4.9}, [](auto& i, auto& o) { DiffusionFun(i, o, 10.5, 4); }},
      {"AdaptSmooth", {3.7, 10000.25, 40}, [](auto& i, auto& o) { AdaptiveSmoothFun(i, o, 3, 10000.25, 40.0); }},
      {"Susan", {20.9, 1000}, [](auto& i, auto& o) { SusanDetectorFun(i, o, 20, 0); }},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {c.command, "img"};
    for (size_t k = 0; k < c.numbers.size(); ++k) {
      const std::string name = "n" + std::to_string(k);
      number_file(name, c.numbers[k]);
      args.push_back(name);
    }
    const RunResult r = run(args);
    ASSERT_EQ(r.status, 0) << c.command << r.err;
    EXPECT_EQ(r.out, kResult0) << c.command;
    CImg<double> expect;
    c.direct(picture_, expect);
    EXPECT_EQ(result_image(), expect) << c.command << " " << c.numbers[0];
  }
}

TEST_F(FilterCommands, ConvolutionKernelRowsRunAlongY) {
  // The array file is read with the row index fastest: data[i][j] = values[3 j + i].
  raw_file("k", {3, 3, 1, 1}, {0, 1, 0, 0, 0, 0, 0, 0, 2});
  ConvArray k;
  k.setSize(3, 3);
  k.data[1][0] = 1, k.data[2][2] = 2;
  CImg<double> expect;
  ConvolutionFun(picture_, expect, k);
  const RunResult r = run({"Convolution", "img", "k"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, kResult0);
  EXPECT_EQ(result_image(), expect);
}

TEST_F(FilterCommands, CannyWritesTwoResultsOfTheInputSize) {
  number_file("s", 1.5), number_file("lo", 20.9), number_file("hi", 60.2);
  const RunResult r = run({"Canny", "img", "s", "lo", "hi"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, std::string(kResult0) + " temp_out_kq_matfile1.kqmat");
  for (int slot : {0, 1}) EXPECT_TRUE(result_image(slot).is_sameXYZC(picture_)) << slot;
}

TEST_F(FilterCommands, DolpsLeavesTheInputFileAlone) {
  const std::string before = slurp(path("img"));
  const RunResult r = run({"DOLPS", "img"});
  ASSERT_EQ(r.status, 0) << r.err;
  CImg<double> copy(picture_), expect;
  DOLPSFun(copy, expect);
  EXPECT_EQ(result_image(), expect);
  EXPECT_EQ(slurp(path("img")), before);
  EXPECT_EQ(run({"Susan", "img", "s"}).out, "ERROR: incorrect number of inputs\n");
}

}  // namespace
}  // namespace zel_test
