// Blob and shape operations on hand-made binary pictures, with property
// checks on random images.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "dll.h"

namespace {

using Op = std::function<void(const CImg<double>&, CImg<double>&)>;

// A picture written row by row, rows separated by '/': '#' is 255, '.' is 0.
CImg<double> picture(const std::string& rows) {
  const int w = static_cast<int>(rows.find('/') == std::string::npos ? rows.size() : rows.find('/'));
  CImg<double> img(w, static_cast<int>((rows.size() + 1) / (w + 1)), 1, 1, 0.0);
  cimg_forXY(img, x, y) img(x, y) = rows[y * (w + 1) + x] == '#' ? 255.0 : 0.0;
  return img;
}

// The same notation back, with a digit for a small label and '?' for any other value.
std::string rows_of(const CImg<double>& img, int z = 0, int c = 0) {
  std::string s;
  cimg_forXY(img, x, y) {
    const double v = img(x, y, z, c);
    if (x == 0 && y > 0) s += '/';
    s += v == 255.0 ? '#' : v == 0.0 ? '.' : (v >= 1 && v <= 9) ? static_cast<char>('0' + static_cast<int>(v)) : '?';
  }
  return s;
}

TEST(BlobOperations, HandWorkedPictures) {
  // Blobs in raster order: the square (area 4), the bar on the right (2),
  // the dot (1), the bottom run (3).
  const std::string blobs = "##..#/##..#/...../#.###";
  const std::string c_shape = "......./.#####./.#...../.#...../.#####./.......";
  const std::string dark_spots = "#######/#######/##.#.##/#######/#######";
  struct Case {
    const char* name;
    Op op;
    std::string in, expect;
  };
  const std::vector<Case> cases = {
      {"biggest", BiggestBlobFun, blobs, "##.../##.../...../....."},
      {"smallest", SmallestBlobFun, blobs, "...../...../...../#...."},
      {"by area", LabelByAreaFun, blobs, "44..2/44..2/...../1.333"},
      {"equal areas: lower label first", LabelByAreaFun, "#.#.##", "1.2.33"},
      {"smallest of equals is the first", SmallestBlobFun, "#.#", "#.."},
      {"biggest of equals is the first", BiggestBlobFun, "##.##", "##..."},
      // Holes of a blob on the border are still holes.
      {"fill", BlobFillFun, "########/#..#.#.#/########", "########/########/########"},
      {"holes", IsolateHolesFun, "########/#..#.#.#/########", "......../.##.#.#./........"},
      // A ring closed through a corner encloses its hole for the four-joined background.
      {"corner ring", BlobFillFun, "...../.###./.#.#./.##../.....", "...../.###./.###./.##../....."},
      {"open to the border", IsolateHolesFun, ".###./.#.#./.#.#.", "...../...../....."},
      {"bay of a C", IsolateBaysFun, c_shape, "......./......./..###../..###../......./......."},
      {"bay facing the border", IsolateBaysFun, "#####/....#/....#/#####", "...../.###./.###./....."},
      {"a hole is no bay", IsolateBaysFun, "###/#.#/###", ".../.../..."},
      {"box", BoundingBoxFun, "....../....../..#.../...#../....../......",
       "....../.####./.##.#./.#.##./.####./......"},
      {"filled box", FillBoundingBoxFun, "....../..#.../....../......", ".###../.###../.###../......"},
      // Objects on the border: the box goes round the pixels below 255, in 0.
      {"dark box", BoundingBoxFun, dark_spots, "#######/#.....#/#..#..#/#.....#/#######"},
      {"dark filled box", FillBoundingBoxFun, dark_spots, "#######/#.....#/#.....#/#.....#/#######"},
      {"all white: no box", BoundingBoxFun, "##/##", "##/##"},
      // Hull edges are four-joined staircases; the filled hull is closed by them.
      {"hull", ConvexHullFun, "#...#/...../...../...../#....", "#####/#.##./###../##.../#...."},
      {"filled hull", FilledConvexHullFun, "#...#/...../..#../...../#....", "#####/####./###../##.../#...."},
      {"hull of a straight run", ConvexHullFun, "#..#/....", "####/...."},
      // Pixels that join otherwise separate white neighbours.
      {"connection pixels", ConnectivityFun, "......./.#####./......./.###.../.###.../.###.../.......",
       "......./..###../......./......./......./......./......."},
      {"diagonal", ConnectivityFun, "#..../.#.../..#../...##/.....", "...../.#.../..#../...#./....."},
  };
  for (const Case& c : cases) {
    CImg<double> out;
    c.op(picture(c.in), out);
    EXPECT_EQ(rows_of(out), c.expect) << c.name;
  }
}

TEST(BlobOperations, CountsAndRanksPerSliceWithoutACap) {
  EXPECT_EQ(CountWhiteBlobsFun(picture("#..#/.#../....")), 2);
  EXPECT_EQ(CountWhiteBlobsFun(CImg<double>(3, 1, 1, 1, 254.9)), 0);
  EXPECT_EQ(CountWhiteBlobsFun(CImg<double>()), 0);
  CImg<double> vol(5, 1, 2, 1, 0.0);
  vol(0, 0, 0) = vol(0, 0, 1) = vol(2, 0, 1) = vol(4, 0, 1) = 255;
  EXPECT_EQ(CountWhiteBlobsFun(vol), 3);  // the highest label of any slice
  // Grid of isolated dots: 90,000 blobs of one pixel, ranked in raster order.
  CImg<double> dots(600, 600, 1, 1, 0.0), out;
  for (int y = 0; y < 600; y += 2)
    for (int x = 0; x < 600; x += 2) dots(x, y) = 255;
  EXPECT_EQ(CountWhiteBlobsFun(dots), 90000);
  LabelByAreaFun(dots, out);
  EXPECT_EQ(out(598, 598), 90000.0);
  EXPECT_EQ(out(2, 0), 2.0);
}

TEST(BlobOperations, ChannelsAndSlices) {
  CImg<double> rgb(3, 3, 1, 3, 255.0), out;
  rgb(1, 1, 0, 2) = 0;  // white needs every channel: the centre is a hole, shown in every channel
  IsolateHolesFun(rgb, out);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(rows_of(out, 0, c), ".../.#./...");
  CImg<double> split(3, 3, 1, 2, 0.0);  // one pixel per channel: the hulls are joined
  split(0, 0, 0, 0) = split(2, 2, 0, 1) = 255;
  ConvexHullFun(split, out);
  for (int c = 0; c < 2; ++c) EXPECT_EQ(rows_of(out, 0, c), "#../.../..#");
  CImg<double> vol(4, 4, 2, 1, 0.0);  // slices are boxed on their own
  vol(1, 1, 0) = vol(2, 2, 1) = 255;
  BoundingBoxFun(vol, out);
  EXPECT_EQ(rows_of(out, 0), "###./###./###./....");
  EXPECT_EQ(rows_of(out, 1), "..../.###/.###/.###");
}

TEST(BlobOperations, CracksAreTheDarkGapsTheClosingFills) {
  CImg<double> in(9, 7, 1, 1, 200.0), out;
  for (int y = 0; y < 7; ++y) in(4, y) = 0.0;
  CrackDetectorFun(in, out);
  // The two minimum passes clear two pixels along the border, so only the
  // crack pixels away from it come out.
  EXPECT_EQ(rows_of(out), "........./........./....#..../....#..../....#..../........./.........");
}

TEST(BlobOperations, PropertiesOnRandomImages) {
  std::mt19937 rng(5);
  for (int round = 0; round < 60; ++round) {
    CImg<double> in(5 + rng() % 40, 5 + rng() % 30, 1, 1, 0.0), filled, holes, bays, hull, framed_bays;
    const unsigned percent_white[] = {1, 5, 40};  // sparse images give hulls with long slanted edges
    for (double& v : in) v = rng() % 100 < percent_white[round % 3] ? 255.0 : 0.0;
    BlobFillFun(in, filled);
    IsolateHolesFun(in, holes);
    IsolateBaysFun(in, bays);
    FilledConvexHullFun(in, hull);
    cimg_forXY(in, x, y) {
      const bool white = in(x, y) == 255;
      EXPECT_EQ(filled(x, y) == 255, white || holes(x, y) == 255);
      EXPECT_FALSE(white && holes(x, y) == 255);
      EXPECT_FALSE(bays(x, y) == 255 && filled(x, y) == 255);
      EXPECT_TRUE(!white || hull(x, y) == 255) << "white pixel outside its filled hull";
      EXPECT_TRUE(bays(x, y) == 0 || hull(x, y) == 255) << "bay outside the hull";
    }
    // Bays come out the same inside a one-pixel frame of 0.
    IsolateBaysFun(in.get_crop(-1, -1, in.width(), in.height(), 0), framed_bays);
    EXPECT_EQ(framed_bays.get_crop(1, 1, in.width(), in.height()), bays);
    // The filled hull is one run in every row and every column.
    std::vector<int> row_changes(hull.height()), column_changes(hull.width());
    cimg_forXY(hull, x, y) {
      row_changes[y] += x > 0 && hull(x, y) != hull(x - 1, y);
      column_changes[x] += y > 0 && hull(x, y) != hull(x, y - 1);
    }
    EXPECT_LE(*std::max_element(row_changes.begin(), row_changes.end()), 2);
    EXPECT_LE(*std::max_element(column_changes.begin(), column_changes.end()), 2);
  }
}

TEST(BlobOperations, EveryShapeAndValueIsServed) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  CImg<double> odd(4, 3, 2, 3);
  const double values[] = {nan, inf, -inf, 1e308, -1e308, 255.0, 0.0, 254.999};
  int i = 0;
  for (double& v : odd) v = values[i++ % 8];
  const std::vector<CImg<double>> inputs = {CImg<double>(),  CImg<double>(1, 1, 1, 1, 255.0), CImg<double>(1, 5, 1, 1, 255.0),
                                            CImg<double>(6, 1, 1, 1, 255.0), CImg<double>(2, 2, 1, 1, 255.0), odd};
  const std::vector<Op> ops = {BiggestBlobFun,  SmallestBlobFun,    LabelByAreaFun,  BlobFillFun,   IsolateHolesFun,
                               IsolateBaysFun,  BoundingBoxFun,     FillBoundingBoxFun, ConnectivityFun, ConvexHullFun,
                               FilledConvexHullFun, CrackDetectorFun};
  for (const CImg<double>& in : inputs)
    for (size_t k = 0; k < ops.size(); ++k) {
      CImg<double> out(7, 7);
      ops[k](in, out);
      EXPECT_TRUE(out.is_sameXYZC(in)) << "operation " << k << " on " << in.width() << "x" << in.height();
    }
}

}  // namespace
