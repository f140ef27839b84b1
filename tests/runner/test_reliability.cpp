// The runner under hostile conditions: inputs that are pipes or FIFOs,
// headers that lie, counts that would run for hours, a standard output that
// cannot be written, leftovers of killed runs, and NaN where a number,
// a colour or a coordinate is needed.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>

#include "dll.h"
#include "runner_fixture.h"

namespace zel_test {
namespace {

class Reliability : public RunnerTest {
 protected:
  void SetUp() override {
    RunnerTest::SetUp();
    img_.assign(7, 5, 2, 1);
    cimg_forXYZ(img_, x, y, z) img_(x, y, z) = x * 10 + y + z * 100;
    image_file("img", img_);
  }
  // Runs a shell command line in the working folder; returns its exit status.
  int shell(const std::string& line) const {
    const int raw = std::system(("cd '" + dir_.string() + "' && " + line).c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  CImg<double> img_;
};

TEST_F(Reliability, PipesAndFifosGiveTheSameAnswersAsFiles) {
  const std::string tb = "'" ZEL_TOOLBOX "'";
  ASSERT_EQ(shell("cat img | " + tb + " GetWidth /dev/stdin >out.txt 2>err.txt"), 0) << slurp(path("err.txt"));
  EXPECT_EQ(result_values(), std::vector<double>{7});
  ASSERT_EQ(shell("cat img | " + tb + " NOT /dev/stdin >out.txt 2>err.txt"), 0) << slurp(path("err.txt"));
  CImg<double> want;
  NotImgFun(img_, want);
  EXPECT_TRUE(result_image() == want);
  // A named FIFO whose writer finishes before the run reads the values.
  ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
  EXPECT_EQ(shell("(cat img > fifo &) ; timeout 20 " + tb + " GetHeight fifo >out.txt 2>err.txt"), 0)
      << slurp(path("err.txt"));
  EXPECT_EQ(result_values(), std::vector<double>{5});
  // A pipe that sends fewer values than its header announces.
  std::filesystem::remove(path(zel::result_name(0)));
  EXPECT_EQ(shell("head -c 100 img | " + tb + " GetWidth /dev/stdin >out.txt 2>err.txt"), 1);
  EXPECT_FALSE(exists(zel::result_name(0)));
}

TEST_F(Reliability, LyingHeadersAndHugeCountsAreRefusedBeforeTheWork) {
  raw_file("kernel", {2147483647, 0, 1, 1}, {});  // 2^31 - 1 rows of nothing
  RunResult r = run({"Convolution", "img", "kernel"});
  expect_error_path(r);
  EXPECT_NE(r.err.find("kernel: the array is empty"), std::string::npos) << r.err;
  number_file("scale", 10);
  number_file("iterations", 2147483647.0);
  r = run({"Diffusion", "img", "scale", "iterations"});
  expect_error_path(r);
  EXPECT_NE(r.err.find("(inputs: img scale iterations)"), std::string::npos) << r.err;  // names its inputs
  number_file("k", 257);
  expect_error_path(run({"Cluster3D", "img", "k"}));
}

TEST_F(Reliability, NaNIsRefusedAsANumberAColourAndACoordinate) {
  number_file("nan", std::nan(""));
  expect_error_path(run({"Gauss", "img", "nan"}));
  coord_file("p", 1, 1);
  coord_file("q", 3, std::nan(""));
  colour_file("grey", 9, 9, 9);
  colour_file("bad", 9, std::nan(""), 9);
  expect_error_path(run({"FillBox", "img", "p", "q", "grey"}));
  expect_error_path(run({"FillBox", "img", "p", "p", "bad"}));
  ASSERT_EQ(run({"FillBox", "img", "p", "p", "grey"}).status, 0);
}

TEST_F(Reliability, AFailureToPrintTheNamesFailsTheRun) {
  const int status = shell("'" ZEL_TOOLBOX "' GetWidth img >/dev/full 2>err.txt");
  EXPECT_EQ(status, 1);
  const std::string err = slurp(path("err.txt"));
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

TEST_F(Reliability, LeftoversOfDeadRunsAreRemovedOthersKept) {
  const std::string dead = "temp_out_kq_matfile1.kqmat.tmp2147483646_0";  // no such process
  const std::string alive = "temp_out_kq_matfile0.kqmat.tmp" + std::to_string(::getpid()) + "_0";
  const std::string other = "temp_out_kq_matfile0.kqmat.tmpnotapid_0";
  for (const std::string& f : {dead, alive, other}) raw_file(f, {1, 1, 1, 1}, {0});
  ASSERT_EQ(run({"GetWidth", "img"}).status, 0);
  EXPECT_FALSE(exists(dead));
  EXPECT_TRUE(exists(alive));
  EXPECT_TRUE(exists(other));

  // A save's temporary siblings ("<stem>.tmp<pid><ext>"), likewise.
  const std::string dead_png = "out.tmp2147483646.png", alive_png = "out.tmp" + std::to_string(::getpid()) + ".png";
  for (const std::string& f : {dead_png, alive_png, std::string("out.tmp2147483646.bmp")}) raw_file(f, {1}, {});
  ASSERT_EQ(run({"DICOMSave", "img", "out.png"}).status, 0);
  EXPECT_FALSE(exists(dead_png));
  EXPECT_TRUE(exists(alive_png));
  EXPECT_TRUE(exists("out.tmp2147483646.bmp"));  // another format's: not this save's
  EXPECT_TRUE(exists("out.png"));
}


// Values an image format of whole numbers cannot hold are clamped into its
// range (NaN as 0) before the writer sees them; a name of no known format is
// refused before anything is written.
TEST_F(Reliability, SavingMapsValuesIntoTheFormatAndRefusesUnknownFormats) {
  CImg<double> odd(5, 1, 1, 1);
  const double values[] = {std::nan(""), INFINITY, -5, 300, 70000};
  for (int x = 0; x < 5; ++x) odd(x, 0) = values[x];
  image_file("odd", odd);
  const std::vector<std::string> before = files();
  for (const char* name : {"out.xyz", "out", "out.kqmat", "dir.png/out"}) {
    const RunResult r = run({"DICOMSave", "odd", name});
    EXPECT_EQ(r.status, 1) << name;
    EXPECT_EQ(files(), before) << name;
  }
  struct Case {
    const char* name;
    std::vector<double> want;
  };
  for (const Case& k : {Case{"odd.bmp", {0, 255, 0, 255, 255}}, Case{"odd.png", {0, 65535, 0, 300, 65535}}}) {
    const RunResult saved = run({"DICOMSave", "odd", k.name});
    ASSERT_EQ(saved.status, 0) << k.name << ": " << saved.err;
    ASSERT_EQ(run({"DICOMReadSingle", k.name}).status, 0) << k.name;
    const CImg<double> back = result_image();
    for (int x = 0; x < 5; ++x) EXPECT_EQ(back(x, 0, 0, 0), k.want[x]) << k.name << " " << x;
  }
}

// Picture files the image library cannot load: one line on stderr, from the
// runner, and nothing else (no decoder messages, and under the sanitizers no
// leak report from the decoder's error path).
TEST_F(Reliability, UnloadablePicturesGiveOneLine) {
  ASSERT_EQ(run({"DICOMSave", "img", "full.png"}).status, 0);
  const std::string png = slurp(path("full.png"));
  std::ofstream(path("cut.png"), std::ios::binary) << png.substr(0, png.size() / 2);
  std::ofstream(path("noise.png"), std::ios::binary) << std::string(300, '\x5a');
  // (Each failed load also tries the external converters: a few seconds each.)
  for (const char* name : {"cut.png", "noise.png", "/dev/null"}) {
    const RunResult r = run({"DICOMReadSingle", name});
    EXPECT_EQ(r.status, 1) << name;
    EXPECT_EQ(r.out, "") << name;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << name << ": " << r.err;
  }
}

}  // namespace
}  // namespace zel_test
