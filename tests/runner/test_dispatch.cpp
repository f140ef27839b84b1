// The runner end to end: name search, argument count, what it prints, the
// files it writes, and how it refuses bad input.
#include <set>

#include "dll.h"
#include "menuitems.h"
#include "runner_fixture.h"

namespace zel_test {
namespace {

const char* const kResult0 = "temp_out_kq_matfile0.kqmat";

class Dispatch : public RunnerTest {};

TEST(CommandTable, EveryRowIsACommandOfTheMenuWithAPlausibleArgumentCount) {
  std::set<std::string> seen;
  for (const zel::Command& c : zel::command_table()) {
    EXPECT_GE(zel::menu_index(c.name), zel::kFirstCommand) << c.name;
    EXPECT_TRUE(seen.insert(c.name).second) << c.name << " has two rows";
    const size_t n = std::strlen(c.inputs);
    EXPECT_TRUE(n >= 1 && n <= 5) << c.name;
    EXPECT_EQ(std::strspn(c.inputs, "ISNCKAP"), n) << c.name;
  }
  std::set<std::string> names(zel::kMenuItems, zel::kMenuItems + zel::kMenuSize);
  EXPECT_EQ(names.size(), 265u);
  EXPECT_STREQ(zel::kMenuItems[15], "GetWidth");
  EXPECT_STREQ(zel::kMenuItems[263], "VellFun");
  EXPECT_STREQ(zel::kMenuItems[264], "DICOMReadSingle");
}

TEST_F(Dispatch, NamesThatRunNothingExitQuietly) {
  image_file("img", CImg<double>(4, 3, 1, 1, 0.0));
  const std::vector<std::vector<std::string>> runs = {
      {"getwidth", "img"}, {"GetWidth ", "img"}, {"NoSuchCommand"}, {"ImageInput"},
      {"RGB_OUT", "img", "img", "img"}, {""}};
  for (const auto& args : runs) {
    const RunResult r = run(args);
    EXPECT_EQ(r.status, 0) << args[0];
    EXPECT_EQ(r.out, "") << args[0];
    EXPECT_EQ(r.err, "") << args[0];
  }
  EXPECT_EQ(files(), std::vector<std::string>{"img"});
}

TEST_F(Dispatch, WrongArgumentCountPrintsTheMessageAndTouchesNothing) {
  image_file("img", CImg<double>(4, 3, 1, 1, 0.0));
  std::ofstream(path(kResult0)) << "stale";
  const std::vector<std::vector<std::string>> runs = {
      {"GetWidth"}, {"GetWidth", "img", "img"}, {"DrawBox", "img", "img", "img", "img"},
      {"DICOMSave", "img"}, {"DICOMReadSingle"}};
  for (const auto& args : runs) {
    const RunResult r = run(args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "ERROR: incorrect number of inputs\n") << args[0];
    EXPECT_EQ(r.err, "");
  }
  EXPECT_EQ(slurp(path(kResult0)), "stale");
}

TEST_F(Dispatch, NoCommandNameIsAUsageError) {
  const RunResult r = run({});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("usage"), std::string::npos);
}

TEST_F(Dispatch, SizeQueriesWriteANumberFile) {
  image_file("img", CImg<double>(640, 480, 1, 1, 0.0));
  image_file("vol", CImg<double>(3, 2, 20, 1, 0.0));
  image_file("rgb", CImg<double>(3, 2, 1, 3, 0.0));
  struct Case {
    const char* command;
    const char* file;
    double expect;
  };
  for (const Case& c : {Case{"GetWidth", "img", 640}, Case{"GetHeight", "img", 480},
                        Case{"GetChannels", "rgb", 3}, Case{"GetChannels", "vol", 1}}) {
    const RunResult r = run({c.command, c.file});
    EXPECT_EQ(r.out, kResult0);
    EXPECT_EQ(r.status, 0);
    std::string expect(24, '\0');
    const int32_t h[4] = {1, 1, 1, 1};
    std::memcpy(&expect[0], h, 16);
    std::memcpy(&expect[16], &c.expect, 8);
    EXPECT_EQ(slurp(path(kResult0)), expect) << c.command;
  }
}

TEST_F(Dispatch, NumbersPassedAsIntTruncateTowardZero) {
  CImg<double> img(40, 40, 1, 1, 0.0);
  image_file("img", img);
  coord_file("centre", 20.9, 20.2);
  number_file("radius", 10.7);
  number_file("thick", 2.5);
  colour_file("white", 255.9, 255, 255);
  ASSERT_EQ(run({"DrawCircle", "img", "centre", "radius", "white", "thick"}).out, kResult0);
  CImg<double> expect;
  DrawCircleFun(img, expect, CoOrdinate(20, 20), 10, RGBTriplet(255.0, 255.0, 255.0), 2);
  EXPECT_EQ(result_image(), expect);

  number_file("frame", -3.9);
  ASSERT_EQ(run({"MaskImg", "img", "frame"}).status, 0);
  MaskImgFun(img, expect, -3);
  EXPECT_EQ(result_image(), expect);

  number_file("w", 100.9);
  number_file("h", 50.2);
  ASSERT_EQ(run({"ScaleImg", "img", "w", "h"}).status, 0);
  EXPECT_EQ(result_image().width(), 100);
  EXPECT_EQ(result_image().height(), 50);

  number_file("angle", 22.5);  // passed as a double
  ASSERT_EQ(run({"RotateImg", "img", "angle"}).status, 0);
  RotateImgFun(img, expect, 22.5);
  EXPECT_EQ(result_image(), expect);
}

TEST_F(Dispatch, FixedAnswersForPositionsOutsideAndImagesWithoutWhite) {
  CImg<double> img(5, 4, 1, 1, 7.0);
  image_file("img", img);
  coord_file("far", 5, 0);
  coord_file("in", 1, 2);
  EXPECT_EQ(run({"GetPixel", "img", "far"}).out, kResult0);
  EXPECT_EQ(result_values(), (std::vector<double>{-1, -1, -1}));
  EXPECT_EQ(run({"GetPixel", "img", "in"}).status, 0);
  EXPECT_EQ(result_values(), (std::vector<double>{7, 0, 0}));
  EXPECT_EQ(run({"FWP", "img"}).out, kResult0);
  EXPECT_EQ(result_values(), (std::vector<double>{-1, -1}));
  EXPECT_EQ(run({"GreyscalePixelSum", "img"}).status, 0);
  EXPECT_EQ(result_values(), (std::vector<double>{140}));
  EXPECT_EQ(run({"RemovePixel", "img", "far"}).status, 0);
  EXPECT_EQ(result_image(), img);
}

TEST_F(Dispatch, BadInputFailsLoudlyAndLeavesEarlierResults) {
  image_file("img", CImg<double>(4, 4, 1, 1, 1.0));
  raw_file("short", {4, 4, 1, 1}, {1, 2, 3});
  raw_file("negative", {4, -4, 1, 1}, {});
  raw_file("huge", {65536, 65536, 1, 1}, {});
  raw_file("nan", {1, 1, 1, 1}, {std::nan("")});
  raw_file("halfnumber", {1, 1, 1, 1}, {});
  const std::vector<std::vector<std::string>> runs = {
      {"GetWidth", "missing"},         {"GetWidth", "short"},        {"Rotatep90", "negative"},
      {"GetHeight", "huge"},           {"MaskImg", "img", "nan"},    {"MaskImg", "img", "halfnumber"},
      {"DICOMReadSingle", "none.png"}, {"DICOMSave", "img", "nodir/x.png"},
      {"DICOMSave", "missing", "x.png"}};
  for (const auto& args : runs) {
    std::ofstream(path(kResult0)) << "stale";
    const RunResult r = run(args);
    const std::string& culprit = args.back();
    EXPECT_EQ(r.status, 1) << args[0] << " " << culprit;
    EXPECT_FALSE(r.signalled);
    EXPECT_EQ(r.out, "") << args[0] << " " << culprit;
    EXPECT_NE(r.err.find(culprit == "x.png" ? "missing" : culprit), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(slurp(path(kResult0)), "stale");
  }
  EXPECT_FALSE(exists("x.png"));
  // Nothing half-written or temporary stays behind.
  for (const std::string& f : files()) EXPECT_EQ(f.find("tmp"), std::string::npos) << f;
}

TEST_F(Dispatch, ResultsReplaceThoseOfTheRunBefore) {
  image_file("a", CImg<double>(3, 2, 1, 1, 1.0));
  image_file("b", CImg<double>(5, 7, 1, 1, 1.0));
  ASSERT_EQ(run({"Rotatep90", "a"}).out, kResult0);
  EXPECT_EQ(result_image().width(), 2);
  ASSERT_EQ(run({"Rotatep90", "b"}).out, kResult0);
  EXPECT_EQ(result_image().width(), 7);
  EXPECT_EQ(files(), (std::vector<std::string>{"a", "b", kResult0}));
}

TEST_F(Dispatch, SaveAndLoadAnImageFileRoundTrip) {
  CImg<double> img(6, 4, 1, 3, 0.0);
  cimg_forXYC(img, x, y, c) img(x, y, 0, c) = (x * 40 + y * 10 + c * 3) % 256;
  image_file("img", img);
  std::ofstream(path(kResult0)) << "stale";
  const RunResult saved = run({"DICOMSave", "img", "picture.png"});
  EXPECT_EQ(saved.out, "success\n");
  EXPECT_EQ(saved.status, 0);
  EXPECT_EQ(slurp(path(kResult0)), "stale");
  const RunResult loaded = run({"DICOMReadSingle", "picture.png"});
  EXPECT_EQ(loaded.out, kResult0);
  EXPECT_EQ(result_image(), img);
}

TEST_F(Dispatch, BlobCommandsMarkCentroids) {
  CImg<double> img(9, 5, 1, 1, 0.0);
  img.draw_rectangle(0, 0, 2, 2, std::vector<double>{255.0}.data());
  img(7, 3) = 255;
  image_file("img", img);
  for (const char* command : {"Centroid", "Centroid16"}) {
    ASSERT_EQ(run({command, "img"}).out, kResult0);
    const CImg<double> out = result_image();
    EXPECT_EQ(out(1, 1), 255.0);
    EXPECT_EQ(out(7, 3), 255.0);
    EXPECT_EQ(out.sum(), 510.0);
  }
}

}  // namespace
}  // namespace zel_test
