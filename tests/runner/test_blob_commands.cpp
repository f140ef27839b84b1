// The shape and blob commands end to end: number results, argument counts,
// and every image command writing what its operation gives.
#include "dll.h"
#include "runner_fixture.h"

namespace zel_test {
namespace {

const char* const kResult0 = "temp_out_kq_matfile0.kqmat";

class BlobCommands : public RunnerTest {};

TEST_F(BlobCommands, NumberResults) {
  image_file("black", CImg<double>(8, 8, 1, 1, 0.0));
  // One blob with two holes: Euler number -1.
  CImg<double> figure(5, 3, 1, 1, 255.0);
  figure(1, 1) = figure(3, 1) = 0.0;
  image_file("figure", figure);
  CImg<double> grey(3, 1, 1, 1);
  grey(0) = 255.0, grey(1) = 254.9, grey(2) = 300.0;
  image_file("grey", grey);
  image_file("two", CImg<double>(2, 2, 1, 2, 255.0));
  struct Case {
    const char *command, *file;
    double expect;
  };
  for (const Case& c : {Case{"CountBlobs", "black", 0.0}, Case{"EulerNum", "figure", -1.0},
                        Case{"WPCounter", "grey", 2.0}, Case{"WPCounter", "two", 0.0}, Case{"CountBlobs", "figure", 1.0}}) {
    const RunResult r = run({c.command, c.file});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kResult0) << c.command;
    EXPECT_EQ(result_values(), std::vector<double>{c.expect}) << c.command << " " << c.file;
  }
}

TEST_F(BlobCommands, WrongArgumentCountsWriteNothing) {
  image_file("img", CImg<double>(3, 3, 1, 1, 0.0));
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"Labeller"}, {"Labeller", "img", "img"}, {"EulerNum", "img", "img"}}) {
    const RunResult r = run(args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "ERROR: incorrect number of inputs\n");
    EXPECT_FALSE(exists(kResult0));
  }
}

TEST_F(BlobCommands, ImageCommandsWriteTheOperationsResult) {
  CImg<double> in(9, 7, 2, 1, 0.0);
  cimg_forXYZ(in, x, y, z) if (x >= 1 && x <= 5 && y >= 1 && y <= 4) in(x, y, z) = 255.0;  // a block with a hole
  in(3, 2, 0) = in(3, 2, 1) = 0.0;
  in(7, 5, 1) = 255.0;
  image_file("img", in);
  using Fn = void (*)(const CImg<double>&, CImg<double>&);
  const std::vector<std::pair<const char*, Fn>> rows = {
      {"Connectivity", ConnectivityFun}, {"ConvexHull", ConvexHullFun},     {"DetectCracks", CrackDetectorFun},
      {"FilledConvex", FilledConvexHullFun}, {"BiggestBlob", BiggestBlobFun}, {"BlobFill", BlobFillFun},
      {"IsolateHoles", IsolateHolesFun}, {"IsolateBays", IsolateBaysFun},   {"SmallestBlob", SmallestBlobFun},
      {"BoundingBox", BoundingBoxFun},   {"FillBounding", FillBoundingBoxFun}, {"LabelByArea", LabelByAreaFun},
      {"Labeller", LabellerFun}};
  for (const auto& row : rows) {
    const RunResult r = run({row.first, "img"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kResult0) << row.first;
    CImg<double> expect;
    row.second(in, expect);
    EXPECT_EQ(result_image(), expect) << row.first;
  }
}

}  // namespace
}  // namespace zel_test
