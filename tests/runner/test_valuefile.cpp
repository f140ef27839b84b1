// Value-file readers and writers: byte layout, element orders, and refusal
// of files that do not hold what their header announces.
#include "runner_fixture.h"

namespace zel_test {
namespace {

using zel::ValueFileError;

class ValueFileTest : public RunnerTest {};

TEST_F(ValueFileTest, ImageValuesStandColumnByColumnWithTheRowFastest) {
  // 2 rows, 3 columns: the file order is (0,0) (0,1) (1,0) (1,1) (2,0) (2,1) as (x, y).
  raw_file("img", {2, 3, 1, 1}, {1, 2, 3, 4, 5, 6});
  const CImg<double> img = zel::GetImage(path("img").c_str());
  ASSERT_EQ(img.width(), 3);
  ASSERT_EQ(img.height(), 2);
  EXPECT_EQ(img(0, 0), 1);
  EXPECT_EQ(img(0, 1), 2);
  EXPECT_EQ(img(1, 0), 3);
  EXPECT_EQ(img(2, 1), 6);

  zel::WriteValueFile(path("back").string(), zel::WriteImage, img);
  EXPECT_EQ(slurp(path("back")), slurp(path("img")));
}

TEST_F(ValueFileTest, ImagesRoundTripForEveryShape) {
  // Shapes that take each path of the bulk transposition: ordinary planes,
  // one-wide and one-high planes, planes taller than one transfer buffer,
  // and several slices and channels.
  const int shapes[][4] = {{5, 7, 3, 2}, {1, 9, 1, 1}, {9, 1, 2, 1}, {3, 70000, 1, 1}, {300, 300, 1, 3}};
  for (const auto& s : shapes) {
    CImg<double> img(s[0], s[1], s[2], s[3]);
    cimg_foroff(img, i) img[i] = static_cast<double>(i) * 0.5 - 7;
    zel::WriteValueFile(path("rt").string(), zel::WriteImage, img);
    EXPECT_EQ(fs::file_size(path("rt")), 16 + 8 * img.size());
    const CImg<double> back = zel::GetImage(path("rt").c_str());
    EXPECT_TRUE(back.is_sameXYZC(img)) << s[0] << "x" << s[1];
    EXPECT_EQ(back, img) << s[0] << "x" << s[1];
  }
  // Header order: rows, columns, channels, slices.
  int32_t header[4];
  CImg<double> img(4, 3, 2, 5, 1.0);
  zel::WriteValueFile(path("h").string(), zel::WriteImage, img);
  std::memcpy(header, slurp(path("h")).data(), 16);
  EXPECT_EQ(header[0], 3);
  EXPECT_EQ(header[1], 4);
  EXPECT_EQ(header[2], 5);
  EXPECT_EQ(header[3], 2);
}

TEST_F(ValueFileTest, AnyZeroCountGivesAnEmptyImage) {
  raw_file("zero", {4, 0, 1, 1}, {});
  EXPECT_TRUE(zel::GetImage(path("zero").c_str()).is_empty());
  zel::WriteValueFile(path("empty").string(), zel::WriteImage, CImg<double>());
  EXPECT_EQ(slurp(path("empty")), std::string(16, '\0'));
}

TEST_F(ValueFileTest, SmallValuesIgnoreTheirHeaderAndTruncate) {
  raw_file("n", {7, 7, 7, 7}, {3.5});
  EXPECT_EQ(zel::GetNumber(path("n").c_str()), 3.5);
  raw_file("c", {9, 9, 9, 9}, {2.9, -2.9});
  const CoOrdinate p = zel::GetCoOrd(path("c").c_str());
  EXPECT_EQ(p.getX(), 2);
  EXPECT_EQ(p.getY(), -2);
  raw_file("k", {0, 0, 0, 0}, {12.9, -3.5, 255.99});
  const RGBTriplet col = zel::GetRGBTrip(path("k").c_str());
  EXPECT_EQ(col.getR(), 12.0);
  EXPECT_EQ(col.getG(), -3.0);
  EXPECT_EQ(col.getB(), 255.0);
  raw_file("far", {2, 1, 1, 1}, {1e300, -1e300});
  EXPECT_EQ(zel::GetCoOrd(path("far").c_str()).getX(), 2147483647);
}

TEST_F(ValueFileTest, SmallValueFilesHaveExactBytes) {
  zel::WriteValueFile(path("c").string(), zel::WriteCoOrd, CoOrdinate(2, -2));
  std::string expect(32, '\0');
  const int32_t h[4] = {2, 1, 1, 1};
  const double v[2] = {2.0, -2.0};
  std::memcpy(&expect[0], h, 16);
  std::memcpy(&expect[16], v, 16);
  EXPECT_EQ(slurp(path("c")), expect);
  zel::WriteValueFile(path("n").string(), zel::WriteNumber, 640.0);
  EXPECT_EQ(fs::file_size(path("n")), 24u);
  zel::WriteValueFile(path("k").string(), zel::WriteRGBTrip, RGBTriplet(1.0, 2.0, 3.0));
  EXPECT_EQ(fs::file_size(path("k")), 40u);
}

TEST_F(ValueFileTest, ArraysAreReadRowFastestFromTheLastPlane) {
  // 2 x 3, two planes; the second plane wins, read with the row index fastest.
  raw_file("a", {2, 3, 2, 5}, {9, 9, 9, 9, 9, 9, 1, 2, 3, 4, 5, 6});
  const ConvArray a = zel::GetArray(path("a").c_str());
  ASSERT_EQ(a.getRows(), 2);
  ASSERT_EQ(a.getCols(), 3);
  EXPECT_EQ(a.data[0][0], 1);
  EXPECT_EQ(a.data[1][0], 2);
  EXPECT_EQ(a.data[0][1], 3);
  EXPECT_EQ(a.data[1][2], 6);
  // The writer puts the column fastest, so a 2 x 3 array does not come back...
  zel::WriteValueFile(path("w").string(), zel::WriteArray, a);
  const ConvArray b = zel::GetArray(path("w").c_str());
  EXPECT_EQ(b.data[1][0], a.data[0][1]);
  // ...while a single row does.
  ConvArray row;
  row.setSize(1, 4);
  for (int x = 0; x < 4; ++x) row.data[0][x] = x + 0.25;
  zel::WriteValueFile(path("r").string(), zel::WriteArray, row);
  const ConvArray r = zel::GetArray(path("r").c_str());
  for (int x = 0; x < 4; ++x) EXPECT_EQ(r.data[0][x], x + 0.25);
  // No planes, no rows or no columns: refused before anything is allocated.
  raw_file("z", {2, 2, 0, 1}, {});
  EXPECT_THROW(zel::GetArray(path("z").c_str()), zel::ValueFileError);
}

TEST_F(ValueFileTest, RefusesFilesThatDoNotHoldTheirValues) {
  raw_file("short", {2, 2, 1, 1}, {1, 2, 3});
  raw_file("negative", {-2, 2, 1, 1}, {1, 2, 3, 4});
  raw_file("huge", {65536, 65536, 1, 1}, {1});
  raw_file("hugevolume", {4096, 4096, 1, 4096}, {1});
  raw_file("nonumber", {1, 1, 1, 1}, {});
  raw_file("halfcoord", {2, 1, 1, 1}, {1});
  raw_file("shortarray", {3, 3, 1, 1}, {1, 2});
  raw_file("negarray", {3, -1, 1, 1}, {});
  std::ofstream(path("stub"), std::ios::binary) << "abc";
  struct Case {
    const char* file;
    std::function<void(const char*)> read;
    const char* problem;
  };
  auto image = [](const char* p) { zel::GetImage(p); };
  const Case cases[] = {
      {"short", image, "shorter than its header announces: 4 values needed, 3 present"},
      {"negative", image, "negative count"},
      {"huge", image, "more elements than a value file can hold"},
      {"hugevolume", image, "more elements than a value file can hold"},
      {"stub", image, "shorter than the 16-byte header"},
      {"missing", image, "cannot open: No such file or directory"},
      {"nonumber", [](const char* p) { zel::GetNumber(p); }, "shorter than a number"},
      {"halfcoord", [](const char* p) { zel::GetCoOrd(p); }, "shorter than a coordinate"},
      {"shortarray", [](const char* p) { zel::GetArray(p); }, "shorter than its header announces"},
      {"negarray", [](const char* p) { zel::GetArray(p); }, "negative count"},
  };
  for (const Case& c : cases) {
    const std::string p = path(c.file).string();
    try {
      c.read(p.c_str());
      ADD_FAILURE() << c.file << " was accepted";
    } catch (const ValueFileError& e) {
      EXPECT_NE(std::string(e.what()).find(p + ": "), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.problem), std::string::npos) << e.what();
    }
  }
}

TEST_F(ValueFileTest, UncommittedFilesLeaveNoTrace) {
  {
    zel::PendingFile f(path("target").string());
    f.write("x", 1);
  }
  EXPECT_TRUE(files().empty());
}

}  // namespace
}  // namespace zel_test
