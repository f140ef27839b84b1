// Runs side by side, each in its own working folder, do not disturb each
// other: sixteen runs started at once give the same result files as one run
// alone.
#include "runner_fixture.h"

namespace zel_test {
namespace {

using Concurrency = RunnerTest;

TEST_F(Concurrency, SixteenRunsAtOnceInSixteenFoldersMatchOneRunAlone) {
  constexpr int kRuns = 16;
  CImg<double> img(64, 32, 1, 1);  // sizes the transform accepts
  cimg_forXY(img, x, y) img(x, y) = (x * 7 + y * 13) % 256;
  image_file("in.kqmat", img);
  // A two-result command, so that both slots are compared.
  const RunResult alone = run({"FFT", "in.kqmat"});
  ASSERT_EQ(alone.status, 0) << alone.err;
  const std::string want0 = slurp(path(zel::result_name(0))), want1 = slurp(path(zel::result_name(1)));
  ASSERT_GT(want0.size(), 16u);

  const char* wrapper = std::getenv("ZEL_RUN_WRAPPER");
  std::string script;
  for (int k = 0; k < kRuns; ++k) {
    const fs::path folder = path("run" + std::to_string(k));
    fs::create_directory(folder);
    fs::copy_file(path("in.kqmat"), folder / "in.kqmat");
    script += "(cd '" + folder.string() + "' && " + (wrapper ? wrapper : "") + " '" ZEL_TOOLBOX
              "' FFT in.kqmat >stdout.txt 2>stderr.txt; echo $? >status.txt) & ";
  }
  script += "wait";
  ASSERT_EQ(std::system(script.c_str()), 0);

  for (int k = 0; k < kRuns; ++k) {
    const fs::path folder = path("run" + std::to_string(k));
    SCOPED_TRACE(folder.string());
    EXPECT_EQ(slurp(folder / "status.txt"), "0\n") << slurp(folder / "stderr.txt");
    EXPECT_EQ(slurp(folder / "stdout.txt"), alone.out);
    EXPECT_TRUE(slurp(folder / zel::result_name(0)) == want0);
    EXPECT_TRUE(slurp(folder / zel::result_name(1)) == want1);
  }
}

}  // namespace
}  // namespace zel_test
