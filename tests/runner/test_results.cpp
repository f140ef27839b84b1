// Writing and printing the results of a run with several result slots.
#include "runner_fixture.h"

namespace zel_test {
namespace {

class ResultsTest : public RunnerTest {
 protected:
  void SetUp() override {
    RunnerTest::SetUp();
    old_ = fs::current_path();
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(old_);
    RunnerTest::TearDown();
  }
  fs::path old_;
};

TEST_F(ResultsTest, PrintsNamesSeparatedByOneBlankWithoutNewline) {
  zel::Results r;
  r.image(0).assign(2, 2, 1, 1, 1.0);
  r.image(1).assign(3, 1, 1, 1, 2.0);
  r.number(5.0, 2);
  ::testing::internal::CaptureStdout();
  r.publish();
  std::fflush(stdout);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "temp_out_kq_matfile0.kqmat temp_out_kq_matfile1.kqmat temp_out_kq_matfile2.kqmat");
  EXPECT_EQ(result_image(1).width(), 3);
  EXPECT_EQ(result_values(2), std::vector<double>{5.0});
}

}  // namespace
}  // namespace zel_test
