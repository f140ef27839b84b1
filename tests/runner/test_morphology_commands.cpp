// The morphology commands end to end: several result files and their
// printed names, numbers passed as int, array inputs in argv order, and an
// element that cannot be served.
#include "runner_fixture.h"

namespace zel_test {
namespace {

const std::string k0 = "temp_out_kq_matfile0.kqmat", k1 = "temp_out_kq_matfile1.kqmat",
                  k2 = "temp_out_kq_matfile2.kqmat";

class MorphologyCommands : public RunnerTest {
 protected:
  // An array file of rows x cols cells, the values given row by row (the
  // file holds them column by column).
  void array_file(const std::string& name, int rows, int cols, const std::vector<double>& by_row) const {
    std::vector<double> by_col;
    for (int x = 0; x < cols; ++x)
      for (int y = 0; y < rows; ++y) by_col.push_back(by_row[static_cast<size_t>(y) * cols + x]);
    raw_file(name, {rows, cols, 1, 1}, by_col);
  }
};

TEST_F(MorphologyCommands, SeveralResultsArePrintedInSlotOrder) {
  CImg<double> in(9, 5, 1, 1, 0.0);
  for (int y = 1; y <= 3; ++y)
    for (int x = 1; x <= 3; ++x) in(x, y) = 120, in(x + 4, y) = 120;
  in(2, 2) = 250;
  image_file("img", in);
  number_file("high", 200.7);
  number_file("low", 100.2);
  RunResult r = run({"DBLT", "img", "high", "low"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, k0 + " " + k1 + " " + k2);
  EXPECT_EQ(result_image(1).sum(), 255.0);             // the spot
  EXPECT_EQ(result_image(2).sum(), 18 * 255.0);        // both regions
  EXPECT_EQ(result_image(0).sum(), 9 * 255.0);         // the region holding the spot
  EXPECT_EQ(result_image(0)(2, 2), 255.0);

  number_file("conn", 8);
  r = run({"ReconByDil", "img", "img", "conn"});
  EXPECT_EQ(r.out, k0 + " " + k1);
  EXPECT_EQ(result_image(0), in);
  EXPECT_EQ(result_image(1), CImg<double>(9, 5, 1, 1, 0.0));

  r = run({"Watershed", "img"});
  EXPECT_EQ(r.out, k0 + " " + k1);
  EXPECT_EQ(result_image(1).width(), 9);
  EXPECT_EQ(result_image(1).height(), 5);
}

TEST_F(MorphologyCommands, ConnectivityIsTruncatedToInt) {
  CImg<double> spot(5, 5, 1, 1, 0.0);
  spot(2, 2) = 255;
  image_file("spot", spot);
  struct Case { double conn; double white; };  // white pixels after dilation: 9 square, 5 cross
  for (const Case& c : {Case{8, 9}, Case{8.9, 9}, Case{7.99, 5}, Case{-8, 5}}) {
    number_file("conn", c.conn);
    const RunResult r = run({"Dilation", "spot", "conn"});
    EXPECT_EQ(r.out, k0) << c.conn;
    EXPECT_EQ(result_image().sum(), c.white * 255) << c.conn;
  }
}

TEST_F(MorphologyCommands, ElementsComeFromArrayFilesInArgvOrder) {
  image_file("white", CImg<double>(3, 3, 1, 1, 255.0));
  array_file("two", 1, 1, {2});
  array_file("four", 1, 1, {4});
  RunResult r = run({"HitAndMiss", "white", "two", "four"});
  EXPECT_EQ(r.out, k0);
  EXPECT_EQ(result_image(), CImg<double>(3, 3, 1, 1, 4.0));
  r = run({"HitAndMiss", "white", "four", "two"});
  EXPECT_EQ(result_image(), CImg<double>(3, 3, 1, 1, 2.0));

  // A 2 x 3 element (rows along y): its centre is row 0, column 1.
  CImg<double> in(4, 3, 1, 1, 0.0);
  in(0, 2) = 100;
  image_file("in", in);
  array_file("wide", 2, 3, {0, 0, 0, 5, 0, 0});
  r = run({"DilationNxN", "in", "wide"});
  EXPECT_EQ(r.status, 0);
  const CImg<double> out = result_image();
  EXPECT_EQ(out(1, 1), 105.0);  // the cell below-left of the centre reads (0, 2)
  EXPECT_EQ(out(1, 0), 5.0);
  EXPECT_EQ(out(1, 2), 0.0);  // bottom row: the element's second row falls outside
}

TEST_F(MorphologyCommands, AnElementWithoutCellsIsAnError) {
  image_file("img", CImg<double>(4, 4, 1, 1, 7.0));
  raw_file("empty", {0, 3, 1, 1}, {});
  for (const char* command : {"ErosionNxN", "DilationNxN", "OpenNxN", "CloseNxN"}) {
    const RunResult r = run({command, "img", "empty"});
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_EQ(r.out, "") << command;
    EXPECT_NE(r.err.find("empty: the array is empty"), std::string::npos) << command;
  }
  const RunResult r = run({"HitAndMiss", "img", "empty"});
  EXPECT_EQ(r.out, "ERROR: incorrect number of inputs\n");
  EXPECT_EQ(files(), (std::vector<std::string>{"empty", "img"}));
}

}  // namespace
}  // namespace zel_test
