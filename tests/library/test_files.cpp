// Loading and saving image files, DICOM included.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "dll.h"

namespace {

namespace fs = std::filesystem;

class ImageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/zel_files_XXXXXX";
    ASSERT_NE(::mkdtemp(templ), nullptr);
    dir_ = templ;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

CImg<double> test_pattern(int w, int h, int depth, int channels) {
  CImg<double> img(w, h, depth, channels);
  cimg_forXYZC(img, x, y, z, c) img(x, y, z, c) = (x * 37 + y * 11 + z * 50 + c * 5) % 256;
  return img;
}

TEST_F(ImageFiles, PngAndTiffRoundTripExactly) {
  for (const char* name : {"a.png", "a.tif"}) {
    const CImg<double> img = test_pattern(7, 5, 1, 3);
    DicomSaveFun(img, path(name).c_str());
    CImg<double> back;
    DicomOpenFunSingle(back, path(name).c_str());
    EXPECT_EQ(back, img) << name;
  }
}

TEST_F(ImageFiles, LoadingKeepsOnlyTheFirstSlice) {
  const CImg<double> vol = test_pattern(6, 4, 3, 1);
  DicomSaveFun(vol, path("vol.tif").c_str());
  CImg<double> back;
  DicomOpenFunSingle(back, path("vol.tif").c_str());
  EXPECT_EQ(back.depth(), 1);
  EXPECT_EQ(back, vol.get_slice(0));
}

TEST_F(ImageFiles, DicomGoesThroughTheConverter) {
  if (std::system("command -v medcon >/dev/null 2>&1") != 0) GTEST_SKIP() << "medcon is not installed";
  const CImg<double> img = test_pattern(16, 12, 1, 1);
  // The converter runs in the working folder; keep its scratch files out of the way.
  const fs::path old = fs::current_path();
  fs::current_path(dir_);
  DicomSaveFun(img, path("slice.dcm").c_str());
  CImg<double> back;
  DicomOpenFunSingle(back, path("slice.dcm").c_str());
  fs::current_path(old);
  ASSERT_EQ(back.width(), 16);
  ASSERT_EQ(back.height(), 12);
  EXPECT_EQ(back, img);
}

TEST_F(ImageFiles, FailuresRaiseAndLeaveNoFile) {
  CImg<double> out;
  EXPECT_ANY_THROW(DicomOpenFunSingle(out, path("missing.png").c_str()));
  EXPECT_ANY_THROW(DicomOpenFunSingle(out, nullptr));
  EXPECT_ANY_THROW(DicomSaveFun(CImg<double>(), path("empty.png").c_str()));
  EXPECT_ANY_THROW(DicomSaveFun(test_pattern(3, 3, 1, 1), path("no/such/folder/a.png").c_str()));
  EXPECT_TRUE(fs::is_empty(dir_));
}

}  // namespace
