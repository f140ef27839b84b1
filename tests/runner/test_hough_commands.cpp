// The Hough, medial-axis, co-occurrence and distance commands end to end,
// including chains that feed one command's result file to the next.
#include <cmath>
#include <random>

#include "dll.h"
#include "runner_fixture.h"

namespace zel_test {
namespace {

const char* const kResult0 = "temp_out_kq_matfile0.kqmat";

class HoughCommands : public RunnerTest {
 protected:
  // Runs a command and checks that it printed the one result name and nothing else.
  void run_ok(const std::vector<std::string>& args) {
    const RunResult r = run(args);
    EXPECT_EQ(r.out, kResult0) << args[0];
    EXPECT_EQ(r.err, "") << args[0];
    EXPECT_EQ(r.status, 0) << args[0];
    EXPECT_EQ(files().size(), n_inputs_ + 1) << args[0];  // no second or third result
  }
  size_t n_inputs_ = 0;
};

CImg<double> test_image() {
  CImg<double> img(24, 17, 2, 3, 0.0);
  std::mt19937 rng(5);
  std::bernoulli_distribution white(0.7);
  cimg_for(img, p, double) *p = white(rng) ? 255.0 : 0.0;
  cimg_forXYZC(img, x, y, z, c) if (y == 8) img(x, y, z, c) = 255;
  return img;
}

TEST_F(HoughCommands, ImageCommandsWriteWhatTheOperationComputes) {
  const CImg<double> img = test_image();
  image_file("img", img);
  n_inputs_ = 1;
  const std::pair<const char*, void (*)(const CImg<double>&, CImg<double>&)> cases[] = {
      {"Hough", HoughFun},
      {"MedialAxis", MedialAxisFun},
      {"CoOcMatGen", CoOcMatGenFun},
      {"L2RDistance", L2RDistTransformFun},
      {"R2LDistance", R2LDistTransformFun},
      {"T2BDistance", T2BDistTransformFun},
      {"B2TDistance", B2TDistTransformFun},
      {"3x3Distance", DistanceTransform3x3Fun},
      {"5x5Distance", DistanceTransform5x5Fun},
      {"GFTransform", GFTransformFun}};
  for (const auto& [command, op] : cases) {
    run_ok({command, "img"});
    CImg<double> expect;
    op(img, expect);
    EXPECT_EQ(result_image(), expect) << command;
  }
}

TEST_F(HoughCommands, HoughThenInvHoughDrawsTruncatedLineCounts) {
  CImg<double> img(40, 30, 2, 1, 0.0);
  cimg_forXYZ(img, x, y, z) if (x == 7 + 3 * z || y == 12 || x + y == 30) img(x, y, z) = 255;
  image_file("img", img);
  n_inputs_ = 1;
  run_ok({"Hough", "img"});
  const CImg<double> acc = result_image();
  EXPECT_TRUE(acc.is_sameXYZC(img));
  std::filesystem::rename(path(kResult0), path("acc"));

  number_file("three", 3.9);
  number_file("half", 0.5);
  n_inputs_ = 4;  // img, acc, three, half
  run_ok({"InvHough", "acc", "three"});
  CImg<double> expect;
  InvHoughFun(acc, expect, 3);
  EXPECT_EQ(result_image(), expect);
  EXPECT_GT(expect.get_shared_slice(1).sum(), 0.0);
  CImg<double> two;
  InvHoughFun(acc, two, 2);
  EXPECT_NE(expect, two);  // the third line is there

  run_ok({"InvHough", "acc", "half"});
  EXPECT_EQ(result_image(), CImg<double>(40, 30, 2, 1, 0.0));

  EXPECT_EQ(run({"InvHough", "acc"}).out, "ERROR: incorrect number of inputs\n");
}

TEST_F(HoughCommands, CoOcMatGenThenTheMeasuresReadItsMatrix) {
  CImg<double> img(3, 1, 1, 1);
  img(0, 0) = 10;
  img(1, 0) = 10;
  img(2, 0) = 12;  // pairs (10, 10) and (10, 12): cells 2, 1, 1
  image_file("img", img);
  n_inputs_ = 1;
  run_ok({"CoOcMatGen", "img"});
  const std::string bytes = slurp(path(kResult0));
  int32_t header[4];
  std::memcpy(header, bytes.data(), 16);
  EXPECT_EQ(std::vector<int32_t>(header, header + 4), (std::vector<int32_t>{256, 256, 1, 1}));
  std::filesystem::rename(path(kResult0), path("matrix"));
  n_inputs_ = 2;
  const std::pair<const char*, double> cases[] = {
      {"CoEnergy", 4 + 1 + 1}, {"CoContrast", 4 + 4}, {"CoHomog", 2 + 1.0 / 3 + 1.0 / 3}, {"CoEntropy", -2 * std::log(2.0)}};
  for (const auto& [command, expect] : cases) {
    run_ok({command, "matrix"});
    const std::string out = slurp(path(kResult0));
    ASSERT_EQ(out.size(), 24u) << command;
    std::memcpy(header, out.data(), 16);
    EXPECT_EQ(std::vector<int32_t>(header, header + 4), (std::vector<int32_t>{1, 1, 1, 1}));
    EXPECT_DOUBLE_EQ(result_values()[0], expect) << command;
  }
  run_ok({"CoEnergy", "img"});  // not a matrix: still a value
  EXPECT_EQ(result_values(), std::vector<double>{100 + 100 + 144});
  image_file("stack", test_image());  // 2 slices, 3 channels
  n_inputs_ = 3;
  run_ok({"CoOcMatGen", "stack"});
  std::memcpy(header, slurp(path(kResult0)).data(), 16);
  EXPECT_EQ(std::vector<int32_t>(header, header + 4), (std::vector<int32_t>{256, 256, 3, 2}));
}

}  // namespace
}  // namespace zel_test
