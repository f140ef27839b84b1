// The ten segmentation commands end to end: one image result each, the
// argument count, and the error path for an input they cannot read.
#include "runner_fixture.h"

namespace zel_test {
namespace {

const char* const kResult0 = "temp_out_kq_matfile0.kqmat";
const char* const kCommands[] = {"KapurSeg",   "KittlerSeg", "LloydSeg", "ModNiblackSeg", "OtsuSeg",
                                 "PalumboSeg", "RiddlerSeg", "SauvolaSeg", "TsaiSeg",     "YanniSeg"};

class SegmentationCommands : public RunnerTest {};

TEST_F(SegmentationCommands, EachWritesOneBinaryImageOfTheInputsSize) {
  // Two slices and two channels of two noisy modes, 16 x 12 each.
  CImg<double> img(16, 12, 2, 2);
  cimg_forXYZC(img, x, y, z, c) img(x, y, z, c) = (x < 8 ? 40 : 200) + (x * 7 + y * 13 + z + c) % 9;
  image_file("img", img);
  for (const char* command : kCommands) {
    const RunResult r = run({command, "img"});
    EXPECT_EQ(r.status, 0) << command << ": " << r.err;
    EXPECT_EQ(r.out, kResult0) << command;
    EXPECT_EQ(files(), (std::vector<std::string>{"img", kResult0})) << command;
    const CImg<double> out = result_image();
    ASSERT_TRUE(out.is_sameXYZC(img)) << command;
    cimg_for(out, p, double) ASSERT_TRUE(*p == 0.0 || *p == 255.0) << command;
    fs::remove(path(kResult0));
    EXPECT_EQ(run({command}).out, "ERROR: incorrect number of inputs\n") << command;
    EXPECT_EQ(run({command, "img", "img"}).out, "ERROR: incorrect number of inputs\n") << command;
    EXPECT_FALSE(exists(kResult0)) << command;
  }
  // The global thresholds split the two modes: the dark half 0, the bright half 255.
  run({"OtsuSeg", "img"});
  const CImg<double> otsu = result_image();
  cimg_forXYZC(otsu, x, y, z, c) ASSERT_EQ(otsu(x, y, z, c), x < 8 ? 0.0 : 255.0);
}

TEST_F(SegmentationCommands, AMissingOrTruncatedInputTakesTheErrorPath) {
  raw_file("short", {4, 4, 1, 1}, {1.0, 2.0});  // announces 16 values, holds 2
  for (const char* command : kCommands) {
    expect_error_path(run({command, "absent"}));
    expect_error_path(run({command, "short"}));
  }
}

}  // namespace
}  // namespace zel_test
