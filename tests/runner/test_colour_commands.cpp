// Colour, clustering and circle Hough commands through the runner: each row
// reaches its operation, the printed names, and the error path of inputs the
// operations refuse.
#include <algorithm>

#include "dll.h"
#include "runner_fixture.h"

namespace zel_test {
namespace {

const char* const kResult0 = "temp_out_kq_matfile0.kqmat";

class ColourCommands : public RunnerTest {
 protected:
  void SetUp() override {
    RunnerTest::SetUp();
    rgb_.assign(6, 5, 2, 3);
    cimg_forXYZC(rgb_, x, y, z, c) rgb_(x, y, z, c) = (x * 41 + y * 23 + z * 71 + c * 97) % 256;
    image_file("rgb", rgb_);
  }
  // Expects one name on stdout, status 0 and the slot-0 image equal to want.
  void expect_result(const RunResult& r, const CImg<double>& want, const char* command) const {
    ASSERT_EQ(r.status, 0) << command << ": " << r.err;
    EXPECT_EQ(r.out, kResult0) << command;
    const CImg<double> got = result_image();
    ASSERT_TRUE(got.is_sameXYZC(want)) << command;
    cimg_foroff(got, i) EXPECT_EQ(got[i], want[i]) << command << " " << i;
  }
  // Expects the error path: status 1, one stderr line containing `text`, no
  // output and no result file.
  void expect_refused(const RunResult& r, const std::string& text) const {
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
    EXPECT_FALSE(exists(kResult0));
  }
  CImg<double> rgb_;
};

TEST_F(ColourCommands, EachConversionRowCallsItsOperation) {
  using Op = void (*)(const CImg<double>&, CImg<double>&);
  const std::vector<std::pair<const char*, Op>> rows = {
      {"CMYToRGB", CMYToColourFun},   {"RGBToCMY", ColourToCMYFun},     {"RGBToHSI", ColourToHSIFun},
      {"RGBToLAB", ColourToLABFun},   {"RGBToOpp", ColourToOpponentFun}, {"RGBToXYZ", ColourToXYZFun},
      {"RGBToYIQ", ColourToYIQFun},   {"RGBToYUV", ColourToYUVFun},     {"GreyScaler", GreyScalerFun},
      {"HSIToRGB", HSIToColourFun},   {"LABToRGB", LABToColourFun},     {"ViewLAB", ViewLABFun},
      {"ViewXYZ", ViewXYZFun},        {"ViewYIQ", ViewYIQFun},          {"ViewYUV", ViewYUVFun},
      {"XYZToRGB", XYZToColourFun},   {"YIQToRGB", YIQToColourFun},     {"YUVToRGB", YUVToColourFun},
      {"ViewOpp", ViewOpponentFun},   {"OppToRGB", OpponentToColourFun}};
  for (const auto& [command, op] : rows) {
    CImg<double> want;
    op(rgb_, want);
    expect_result(run({command, "rgb"}), want, command);
    EXPECT_EQ(run({command}).out, "ERROR: incorrect number of inputs\n") << command;
  }
}

TEST_F(ColourCommands, ATwoChannelImageTakesTheErrorPath) {
  image_file("two", CImg<double>(4, 4, 1, 2, 7.0));
  for (const char* command : {"RGBToHSI", "LABToRGB", "ViewYIQ", "OppToRGB", "GreyScaler"}) {
    expect_refused(run({command, "two"}), "2 channels");
    const RunResult r = run({command, "two"});
    EXPECT_NE(r.err.find(command), std::string::npos) << r.err;
  }
  // CMY has no channel rule: 255 minus every value, and back exactly.
  ASSERT_EQ(run({"RGBToCMY", "two"}).status, 0);
  std::filesystem::rename(path(kResult0), path("cmy"));
  expect_result(run({"CMYToRGB", "cmy"}), CImg<double>(4, 4, 1, 2, 7.0), "CMYToRGB");
}

TEST_F(ColourCommands, VellTruncatesItsPercentage) {
  number_file("pct", 150.9);
  CImg<double> want;
  VellFun(rgb_, want, 150);
  expect_result(run({"VellFun", "rgb", "pct"}), want, "VellFun");
}

}  // namespace
}  // namespace zel_test

namespace zel_test {
namespace {

TEST_F(ColourCommands, ClusterPrintsOneLinePerSliceBeforeTheName) {
  number_file("k", 3.9);
  CImg<double> want;
  testing::internal::CaptureStdout();
  ColourClusterFun(rgb_, want, 3);
  testing::internal::GetCapturedStdout();
  RunResult r = run({"Cluster", "rgb", "k"});
  EXPECT_EQ(r.out, std::string("Here #3\nHere #3\n") + kResult0);  // two slices
  r.out = kResult0;
  expect_result(r, want, "Cluster");
  std::filesystem::remove(path(kResult0));
  number_file("zero", 0.5);
  expect_refused(run({"Cluster", "rgb", "zero"}), "1 to 256");
}

TEST_F(ColourCommands, SIClusterWritesTwoImagesAndItsCount) {
  CImg<double> want1, want2;
  double count = 0;
  SIColourClusterFun(rgb_, want1, want2, count);
  const RunResult r = run({"SICluster", "rgb"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "temp_out_kq_matfile0.kqmat temp_out_kq_matfile1.kqmat temp_out_kq_matfile2.kqmat");
  EXPECT_TRUE(result_image(0) == want1);
  EXPECT_TRUE(result_image(1) == want2);
  const std::string bytes = slurp(path(zel::result_name(2)));
  ASSERT_EQ(bytes.size(), 24u);
  int32_t header[4];
  std::memcpy(header, bytes.data(), 16);
  EXPECT_EQ(std::vector<int32_t>(header, header + 4), (std::vector<int32_t>{1, 1, 1, 1}));
  EXPECT_EQ(result_values(2), std::vector<double>{count});
}

}  // namespace
}  // namespace zel_test

namespace zel_test {
namespace {

TEST_F(ColourCommands, CircleHoughTruncatesItsRadiiAndRefusesAZeroStep) {
  CImg<double> edges(32, 32, 1, 1, 0.0);
  edges(16, 16) = 255;
  image_file("edges", edges);
  number_file("a", 10.9);
  number_file("b", 30.2);
  number_file("c", 5.7);
  CImg<double> want;
  CircHoughFun(edges, want, 10, 30, 5);
  ASSERT_EQ(want.depth(), 4);
  expect_result(run({"CircHough", "edges", "a", "b", "c"}), want, "CircHough");
  std::filesystem::remove(path(kResult0));
  number_file("zero", 0.4);
  expect_refused(run({"CircHough", "edges", "a", "b", "zero"}), "step");
  // The inverse ignores its second number, whatever it holds.
  std::filesystem::rename(path("edges"), path("acc"));
  raw_file("nan", {1, 1, 1, 1}, {std::nan("")});
  CImg<double> inv;
  InvCircHoughFun(edges, inv, 10, 0, 5);
  expect_result(run({"InvCircHough", "acc", "a", "nan", "c"}), inv, "InvCircHough");
  expect_result(run({"InvCircHough", "acc", "a", "b", "c"}), inv, "InvCircHough");
}

}  // namespace
}  // namespace zel_test
