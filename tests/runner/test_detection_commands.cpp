// The detection, segmentation and measurement commands of the volume family
// through the runner: how many results each writes, what its numbers become
// before the call, the error path of the inputs they refuse, and the 3-D
// view without a display.
#include <cstdlib>
#include <string>

#include "dll.h"
#include "runner_fixture.h"

namespace zel_test {
namespace {

class DetectionCommands : public RunnerTest {
 protected:
  void SetUp() override {
    RunnerTest::SetUp();
    image_.assign(40, 30, 1, 1, 50.0);
    cimg_forXY(image_, x, y) if ((x - 20) * (x - 20) + (y - 15) * (y - 15) < 64) image_(x, y) = 150;
    image_file("img", image_);
  }
  CImg<double> image_;
};

TEST_F(DetectionCommands, LevelSetTruncatesItsSeedAndWritesThreeResults) {
  number_file("x", 20.9);
  number_file("y", 15.9);
  const RunResult r = run({"LevelSet", "img", "x", "y"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "temp_out_kq_matfile0.kqmat temp_out_kq_matfile1.kqmat temp_out_kq_matfile2.kqmat");
  CImg<double> o1, o2, o3;
  LevelSetFun(image_, o1, o2, o3, 20, 15);
  EXPECT_TRUE(result_image(0) == o1);
  EXPECT_TRUE(result_image(1) == o2);
  EXPECT_TRUE(result_image(2) == o3);
  for (int slot = 0; slot < 3; ++slot) std::filesystem::remove(path(zel::result_name(slot)));
  number_file("x", 40);  // one past the last column
  expect_error_path(run({"LevelSet", "img", "x", "y"}));
}

TEST_F(DetectionCommands, CircDetectorWritesTwoResultsAndLineFitIgnoresItsNumber) {
  const RunResult r = run({"CircDetector", "img"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "temp_out_kq_matfile0.kqmat temp_out_kq_matfile1.kqmat");
  number_file("n", 3);
  ASSERT_EQ(run({"LineFit", "img", "n"}).status, 0);
  const std::string first = slurp(path("temp_out_kq_matfile0.kqmat"));
  number_file("n", std::nan(""));
  ASSERT_EQ(run({"LineFit", "img", "n"}).status, 0);
  EXPECT_EQ(slurp(path("temp_out_kq_matfile0.kqmat")), first);
}

TEST_F(DetectionCommands, EjectFracWritesItsNumberOrRefusesAnOutsideSeed) {
  CImg<double> vol(16, 16, 8, 1, 20.0);
  for (int z = 2; z < 6; ++z)
    for (int y = 4; y < 12; ++y)
      for (int x = 4; x < 12; ++x) vol(x, y, z) = 200;
  image_file("vol", vol);
  coord_file("p", 8, 8);
  const RunResult r = run({"EjectFrac", "vol", "vol", "p", "p"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "temp_out_kq_matfile0.kqmat");
  EXPECT_EQ(result_values(), std::vector<double>{0.0});
  std::filesystem::remove(path("temp_out_kq_matfile0.kqmat"));
  coord_file("q", 8, 16);
  expect_error_path(run({"EjectFrac", "vol", "vol", "p", "q"}));
}

// Without a display the view cannot open: one notice, the input as slot 0,
// success. DISPLAY unset, and naming a server that is not there.
TEST_F(DetectionCommands, Render3DWithoutADisplayWritesItsInputAtOnce) {
  for (const char* display : {static_cast<const char*>(nullptr), ":97"}) {
    if (display) ::setenv("DISPLAY", display, 1); else ::unsetenv("DISPLAY");
    const RunResult r = run({"Render3D", "img"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "temp_out_kq_matfile0.kqmat");
    EXPECT_EQ(r.err, "Render3D: no display is available, the 3-D view is not shown\n");
    EXPECT_EQ(slurp(path("temp_out_kq_matfile0.kqmat")), slurp(path("img")));
  }
}

}  // namespace
}  // namespace zel_test
