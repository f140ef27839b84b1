// The runner under hostile conditions: inputs that are pipes or FIFOs,
// headers that lie, counts that would run for hours, a standard output that
// cannot be written, leftovers of killed runs, and NaN where a number,
// a colour or a coordinate is needed.
#include <sys/stat.h>
#include <unistd.h>

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
}

}  // namespace
}  // namespace zel_test
