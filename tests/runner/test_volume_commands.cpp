// Volume statistics and 3-D filter commands through the runner: the array
// file of a per-slice table, what reaches the operations (numbers truncated
// or not, the kernel's orientation), and the error path of inputs the
// operations refuse.
#include <algorithm>
#include <functional>

#include "dll.h"
#include "runner_fixture.h"

namespace zel_test {
namespace {

const char* const kResult0 = "temp_out_kq_matfile0.kqmat";

class VolumeCommands : public RunnerTest {
 protected:
  void SetUp() override {
    RunnerTest::SetUp();
    volume_.assign(5, 4, 4, 3);  // 4 slices, 3 channels, no symmetry
    cimg_forXYZC(volume_, x, y, z, c) volume_(x, y, z, c) = (x * 37 + y * 91 + z * 53 + c * 29 + x * y * 13) % 256;
    image_file("vol", volume_);
  }
  // The 16-byte header of the slot-0 file.
  std::vector<int32_t> header() const {
    const std::string bytes = slurp(path(kResult0));
    std::vector<int32_t> h(4, -1);
    if (bytes.size() >= 16) std::memcpy(h.data(), bytes.data(), 16);
    return h;
  }
  CImg<double> volume_;
};

TEST_F(VolumeCommands, StatisticsWriteTheTableRowByRow) {
  using Table = std::function<ConvArray(const CImg<double>&)>;
  const std::vector<std::pair<const char*, Table>> commands = {
      {"DICOMAvg", DicomAverageIntensityFun}, {"DICOMEnt", DicomEntropyCalcFun},
      {"DICOMHi", DicomHighestGreyFun},       {"DICOMKurt", DicomKurtosisCalcFun},
      {"DICOMLow", DicomLowestGreyFun},       {"DICOMSkew", DicomSkewCalcFun},
      {"DICOMSTD", DicomSTDCalcFun},          {"DICOMVar", DicomVarianceCalcFun},
      {"DICOMCoHomog", DicomCoHomogFun},      {"DICOMCoEnt", DicomCoEntropyFun},
      {"DICOMCoEng", DicomCoEnergyFun},       {"DICOMContrast", DicomCoContrastFun}};
  for (const auto& [command, table] : commands) {
    const RunResult r = run({command, "vol"});
    ASSERT_EQ(r.status, 0) << command << ": " << r.err;
    EXPECT_EQ(r.out, kResult0) << command;
    EXPECT_EQ(header(), (std::vector<int32_t>{4, 3, 1, 1})) << command;
    // Rows (slices) one after another, the channel index fastest.
    const ConvArray want = table(volume_);
    std::vector<double> values;
    for (int z = 0; z < 4; ++z) values.insert(values.end(), want.data[z], want.data[z] + 3);
    const std::vector<double> got = result_values();
    ASSERT_EQ(got.size(), values.size()) << command;
    for (size_t i = 0; i < got.size(); ++i)
      EXPECT_TRUE(got[i] == values[i] || (std::isnan(got[i]) && std::isnan(values[i]))) << command << " " << i;
  }
  // An empty volume: the header of a 0 x 0 table and nothing else.
  raw_file("empty", {0, 0, 0, 0}, {});
  EXPECT_EQ(run({"DICOMAvg", "empty"}).out, kResult0);
  EXPECT_EQ(header(), (std::vector<int32_t>{0, 0, 1, 1}));
  EXPECT_EQ(slurp(path(kResult0)).size(), 16u);
}

TEST_F(VolumeCommands, MeanSquaredErrorRefusesASmallerSecondVolume) {
  image_file("larger", CImg<double>(6, 4, 5, 3, 1.0));
  const RunResult ok = run({"DICOMMSE", "vol", "larger"});
  ASSERT_EQ(ok.status, 0) << ok.err;
  EXPECT_EQ(header(), (std::vector<int32_t>{4, 3, 1, 1}));
  std::filesystem::remove(path(kResult0));
  image_file("thin", CImg<double>(5, 4, 3, 3, 1.0));  // one slice short
  const RunResult r = run({"DICOMMSE", "vol", "thin"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_NE(r.err.find("5 x 4 x 3 x 3"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("5 x 4 x 4 x 3"), std::string::npos) << r.err;
  EXPECT_FALSE(exists(kResult0));
}

TEST_F(VolumeCommands, NumbersReachTheFiltersTruncatedOrUnchanged) {
  using Call = std::function<void(const CImg<double>&, CImg<double>&)>;
  struct Case {
    const char* command;
    double number;
    Call direct;
  };
  const std::vector<Case> cases = {
      {"Gauss3D", 1.5, [](auto& i, auto& o) { Gauss3DFun(i, o, 1.5); }},
      {"LocalMax", 3.9, [](auto& i, auto& o) { LocalMaximaFun(i, o, 3); }},
      {"LocalMin", -0.5, [](auto& i, auto& o) { LocalMinimaFun(i, o, 0); }},
      {"Mask3D", 1.9, [](auto& i, auto& o) { Mask3DFun(i, o, 1); }},
  };
  for (const Case& c : cases) {
    number_file("n", c.number);
    const RunResult r = run({c.command, "vol", "n"});
    ASSERT_EQ(r.status, 0) << c.command << r.err;
    EXPECT_EQ(r.out, kResult0) << c.command;
    CImg<double> expect;
    c.direct(volume_, expect);
    EXPECT_EQ(result_image(), expect) << c.command << " " << c.number;
  }
}

TEST_F(VolumeCommands, KernelPlanesAndRefusedParameters) {
  // A 9 x 3 kernel file is read with the row index fastest: data[i][j] is
  // value 9 j + i. The 6-neighbour Laplacian: centre below and above, the
  // in-slice cross at the voxel.
  std::vector<double> file(27, 0.0);
  const auto put = [&](int i, int j, double v) { file[static_cast<size_t>(9 * j + i)] = v; };
  put(1, 1, 1), put(7, 1, 1), put(3, 1, 1), put(5, 1, 1), put(4, 0, 1), put(4, 2, 1), put(4, 1, -6);
  raw_file("lap", {9, 3, 1, 1}, file);
  const RunResult r = run({"Conv3D", "vol", "lap"});
  ASSERT_EQ(r.status, 0) << r.err;
  const CImg<double> got = result_image();
  ASSERT_TRUE(got.is_sameXYZC(volume_));
  const CImg<double>& v = volume_;
  const int x = 2, y = 2, z = 1, c = 2;
  EXPECT_EQ(got(x, y, z, c), v(x - 1, y, z, c) + v(x + 1, y, z, c) + v(x, y - 1, z, c) + v(x, y + 1, z, c) +
                                 v(x, y, z - 1, c) + v(x, y, z + 1, c) - 6 * v(x, y, z, c));
  // Refused: a plain 3 x 3 kernel, a window below -1. Each: one line, no result.
  raw_file("small", {3, 3, 1, 1}, std::vector<double>(9, 1.0));
  number_file("minus2", -2.0);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"Conv3D", "vol", "small"},
                                               {"LocalMin", "vol", "minus2"}, {"LocalMax", "vol", "minus2"}}) {
    std::filesystem::remove(path(kResult0));
    const RunResult bad = run(args);
    EXPECT_EQ(bad.status, 1) << args[0];
    EXPECT_EQ(bad.out, "") << args[0];
    EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1) << bad.err;
    EXPECT_FALSE(exists(kResult0)) << args[0];
  }
}

TEST_F(VolumeCommands, FiltersWriteTheirOperationsResult) {
  using Call = std::function<void(const CImg<double>&, CImg<double>&)>;
  const std::vector<std::pair<const char*, Call>> commands = {
      {"LIN3D", LargestIntensityNeighbour3DFun}, {"LowPass3D", LowPass3DFun}, {"Midpoint3D", Midpoint3DFun},
      {"Sharpen3D", Sharpen3DFun}, {"SIN3D", SmallestIntensityNeighbour3DFun}, {"FreiChen3D", FreiChen3DFun},
      {"Laplace3D", Laplacian3DFun}, {"NonMax3D", NonMaxima3DFun}, {"Prewitt3D", Prewitt3DFun},
      {"Roberts3D", Roberts3DFun}, {"Sobel3D", Sobel3DFun}, {"Junctions8", Junction8DetectorFun},
      {"DOLPS3D", [](const CImg<double>& in, CImg<double>& out) { CImg<double> copy(in); DOLPS3DFun(copy, out); }}};
  CImg<double> slice = volume_.get_slice(1);
  image_file("slice", slice);
  const std::string before = slurp(path("vol"));
  for (const auto& [command, call] : commands)
    for (const CImg<double>* in : {&volume_, &slice}) {
      const RunResult r = run({command, in == &volume_ ? "vol" : "slice"});
      ASSERT_EQ(r.status, 0) << command << ": " << r.err;
      EXPECT_EQ(r.out, kResult0) << command;
      CImg<double> expect;
      call(*in, expect);
      EXPECT_TRUE(expect.is_sameXYZC(*in)) << command;
      EXPECT_EQ(result_image(), expect) << command;
    }
  EXPECT_EQ(slurp(path("vol")), before) << "DOLPS3D changed its input file";
  EXPECT_EQ(run({"Sobel3D", "vol", "vol"}).out, "ERROR: incorrect number of inputs\n");
}

TEST_F(VolumeCommands, Cluster3DTruncatesItsCountAndRefusesFewerThanOneCluster) {
  number_file("k", 3.9);  // truncated to 3 clusters
  const RunResult r = run({"Cluster3D", "vol", "k"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, kResult0);
  CImg<double> want;
  Cluster3DFun(volume_, want, 3);
  const CImg<double> got = result_image();
  ASSERT_TRUE(got.is_sameXYZC(volume_));
  EXPECT_TRUE(got == want);
  std::filesystem::remove(path(kResult0));
  number_file("k", 0.5);  // truncated to 0
  const RunResult bad = run({"Cluster3D", "vol", "k"});
  expect_error_path(bad);
}

}  // namespace
}  // namespace zel_test
