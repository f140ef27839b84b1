// The arithmetic and logic commands end to end: operand order, argument
// counts and exact, case-sensitive names.
#include "runner_fixture.h"

namespace zel_test {
namespace {

class ArithmeticCommands : public RunnerTest {};

TEST_F(ArithmeticCommands, OperandsInCommandLineOrderAndOneResultFile) {
  image_file("hundred", CImg<double>(1, 1, 1, 1, 100.0));
  image_file("thirty", CImg<double>(1, 1, 1, 1, 30.0));
  for (const auto& [args, expect] : std::vector<std::pair<std::vector<std::string>, double>>{
           {{"Subtract", "hundred", "thirty"}, 70}, {{"Subtract", "thirty", "hundred"}, 0},
           {{"Divide", "thirty", "hundred"}, 76.5}, {{"OR", "hundred", "thirty"}, 126}, {{"NOT", "thirty"}, 225}}) {
    const RunResult r = run(args);
    EXPECT_EQ(r.status, 0) << args[0];
    EXPECT_EQ(r.out, "temp_out_kq_matfile0.kqmat") << args[0];
    EXPECT_EQ(result_values(), std::vector<double>{expect}) << args[0] << " " << args[1];
  }
}

TEST_F(ArithmeticCommands, WrongCountsAndMiscasedNamesRunNothing) {
  image_file("img", CImg<double>(3, 2, 1, 1, 9.0));
  for (const std::vector<std::string>& args : {std::vector<std::string>{"NOT", "img", "img"}, {"Add", "img"}})
    EXPECT_EQ(run(args).out, "ERROR: incorrect number of inputs\n") << args[0];
  for (const char* name : {"Or", "Not", "Xor", "add"}) {
    const RunResult r = run({name, "img", "img"});
    EXPECT_EQ(r.out + r.err, "") << name;
    EXPECT_EQ(r.status, 0);
  }
  EXPECT_EQ(files(), std::vector<std::string>{"img"});
}

}  // namespace
}  // namespace zel_test
