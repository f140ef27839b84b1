// 3-D morphology, projection, labelling and median commands through the
// runner: the number reaching the operation (truncated), the result slots
// and the error path of a reconstruction whose inputs differ in size.
#include <algorithm>
#include <cmath>
#include <functional>

#include "dll.h"
#include "runner_fixture.h"

namespace zel_test {
namespace {

const char* const kResult0 = "temp_out_kq_matfile0.kqmat";
const char* const kResult1 = "temp_out_kq_matfile1.kqmat";

class VolumeMorphologyCommands : public RunnerTest {
 protected:
  void SetUp() override {
    RunnerTest::SetUp();
    volume_.assign(6, 5, 4, 2);
    cimg_forXYZC(volume_, x, y, z, c) volume_(x, y, z, c) = (x * 37 + y * 91 + z * 53 + c * 29 + x * y * 13) % 7;
    image_file("vol", volume_);
  }
  CImg<double> volume_;
};

TEST_F(VolumeMorphologyCommands, EachCommandWritesItsOperationsResult) {
  using Call = std::function<void(const CImg<double>&, CImg<double>&)>;
  struct Case {
    const char* command;
    double number;  // NaN: no number argument
    Call direct;
  };
  const double none = std::nan("");
  const std::vector<Case> cases = {
      {"Dilate3D", 26.7, [](auto& i, auto& o) { Dilation3DFun(i, o, 26); }},
      {"Dilate3D", 25.9, [](auto& i, auto& o) { Dilation3DFun(i, o, 6); }},
      {"Erode3D", 26.2, [](auto& i, auto& o) { Erosion3DFun(i, o, 26); }},
      {"Close3D", 6, [](auto& i, auto& o) { Close3DFun(i, o, 6); }},
      {"Open3D", 8.5, [](auto& i, auto& o) { Open3DFun(i, o, 8); }},
      {"BeucherGrad3D", 26, [](auto& i, auto& o) { BeucherGrad3DFun(i, o, 26); }},
      {"Enhancer3D", 99.9, [](auto& i, auto& o) { Enhancer3DFun(i, o, 99); }},
      {"Window3D", 3.7, [](auto& i, auto& o) { Window3DFun(i, o, 3); }},
      {"AIP", none, AIPFun},
      {"MIP", none, MIPFun},
      {"Labeller3D", none, Labeller3DFun},
      {"LabelByVol", none, LabelByVolFun},
      {"BigBlob3D", none, BigBlob3DFun},
      {"SmallBlob3D", none, SmallBlob3DFun},
      {"Median3D", none, Median3DFun},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {c.command, "vol"};
    if (!std::isnan(c.number)) {
      number_file("n", c.number);
      args.push_back("n");
    }
    const RunResult r = run(args);
    ASSERT_EQ(r.status, 0) << c.command << ": " << r.err;
    EXPECT_EQ(r.out, kResult0) << c.command;
    CImg<double> expect;
    c.direct(volume_, expect);
    EXPECT_EQ(result_image(), expect) << c.command << " " << c.number;
  }
}

TEST_F(VolumeMorphologyCommands, ReconstructionWritesTwoSlotsOrRefusesUnequalSizes) {
  CImg<double> marker(volume_.width(), volume_.height(), volume_.depth(), volume_.spectrum(), 0.0);
  marker(0, 0, 0, 0) = 9, marker(5, 4, 3, 1) = 9;
  image_file("marker", marker);
  number_file("conn", 26.5);
  const RunResult r = run({"ReconByDil3D", "vol", "marker", "conn"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, std::string(kResult0) + " " + kResult1);
  CImg<double> rec, residue;
  ReconByDil3DFun(volume_, marker, rec, residue, 26);
  EXPECT_EQ(result_image(0), rec);
  EXPECT_EQ(result_image(1), residue);

  std::filesystem::remove(path(kResult0));
  image_file("short", CImg<double>(6, 5, 3, 2, 1.0));
  const RunResult bad = run({"ReconByDil3D", "vol", "short", "conn"});
  expect_error_path(bad);
}

}  // namespace
}  // namespace zel_test
