// The operations that split their work over threads give the same bits with
// one thread as with several, on odd-sized images and multi-slice volumes
// large enough to be split; and the splitting helper covers every item once.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/parallel.h"
#include "dll.h"

namespace {

using Outputs = std::vector<CImg<double>>;
using Operation = std::function<Outputs(const CImg<double>&)>;

// Sets the thread count for the scope and restores the previous one after.
class Threads {
 public:
  explicit Threads(int n) : before_(omp_get_max_threads()) { omp_set_num_threads(n); }
  ~Threads() { omp_set_num_threads(before_); }

 private:
  int before_;
};

// Grey values with fractions, a few NaN and negative samples among them.
CImg<double> noise(int w, int h, int d, int c, unsigned seed) {
  CImg<double> img(w, h, d, c);
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> grey(-10.0, 265.0);
  for (double& v : img) v = grey(rng);
  for (size_t i = 7; i < img.size(); i += 977) img[i] = std::nan("");
  return img;
}

// Whole grey levels: six bands 40 apart, each spread over 5 levels (a few
// histogram peaks for the k-means).
CImg<double> levels(int w, int h, int d, int c, unsigned seed) {
  CImg<double> img(w, h, d, c);
  std::mt19937 rng(seed);
  for (double& v : img) v = static_cast<double>(rng() % 6 * 40 + rng() % 5);
  return img;
}

// Blobs of 255 on 0: random squares.
CImg<double> blobs(int w, int h, int d, unsigned seed) {
  CImg<double> img(w, h, d, 1, 0.0);
  std::mt19937 rng(seed);
  for (int z = 0; z < d; ++z)
    for (int k = 0; k < 40; ++k) {
      const int x0 = static_cast<int>(rng() % static_cast<unsigned>(w)), y0 = static_cast<int>(rng() % static_cast<unsigned>(h));
      const int side = 3 + static_cast<int>(rng() % 40);
      for (int y = y0; y < std::min(h, y0 + side); ++y)
        for (int x = x0; x < std::min(w, x0 + side); ++x) img(x, y, z) = 255.0;
    }
  return img;
}

ConvArray table(int rows, int cols, std::function<double(int, int)> value) {
  ConvArray k;
  k.setSize(rows, cols);
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) k.data[i][j] = value(i, j);
  return k;
}

template <class F>
Operation one(F f) {
  return [f](const CImg<double>& in) {
    Outputs o(1);
    f(in, o[0]);
    return o;
  };
}

bool same_bits(const CImg<double>& a, const CImg<double>& b) {
  return a.width() == b.width() && a.height() == b.height() && a.depth() == b.depth() &&
         a.spectrum() == b.spectrum() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

TEST(Threads, ResultsBitIdenticalToOneThread) {
  const CImg<double> grey = noise(211, 163, 2, 2, 1);    // two slices of two channels
  const CImg<double> whole = levels(97, 71, 2, 3, 2);    // three-channel colour, two slices
  const CImg<double> colour = levels(211, 163, 2, 3, 6);  // large enough for the conversions to split
  const CImg<double> colour_noise = noise(211, 163, 1, 3, 7);
  const CImg<double> binary = blobs(311, 199, 3, 3);
  const CImg<double> volume = noise(71, 59, 23, 1, 4);
  const CImg<double> grey_volume = levels(67, 61, 19, 2, 5);
  const ConvArray square7 = table(7, 7, [](int, int) { return 1.0; });
  const ConvArray weights5 = table(5, 5, [](int i, int j) { return (i + j) % 3 == 0 ? 0.0 : 1.0 + i - j; });
  const ConvArray kernel9x3 = table(9, 3, [](int i, int j) { return 1.0 + ((i * 3 + j) % 5); });
  const ConvArray kernel5x5 = table(5, 5, [](int i, int j) { return (i - 2) * (j - 1) + 0.5; });

  struct Case {
    const char* name;
    const CImg<double>* in;
    Operation run;
  };
  const std::vector<Case> cases = {
      {"Gauss", &grey, one([](auto& i, auto& o) { GaussFun(i, o, 2.3); })},
      {"Gauss in place", &grey, one([](auto& i, auto& o) { o = i, GaussFun(o, o, 2.3); })},
      {"RectangularAverage", &grey, one([](auto& i, auto& o) { RectangularAverageFilterFun(i, o, 4); })},
      {"Convolution", &grey, one([&](auto& i, auto& o) { ConvolutionFun(i, o, kernel5x5); })},
      {"Median", &grey, one(MedianFun)},
      {"LowPass", &grey, one(LowPassFun)},
      {"Midpoint", &grey, one(MidpointFun)},
      {"Sharpen", &grey, one(SharpenFun)},
      {"ZeroCrossings", &grey, one(ZeroCrossingsDetectorFun)},
      {"Diffusion", &grey, one([](auto& i, auto& o) { DiffusionFun(i, o, 12.0, 4); })},
      {"AdaptiveSmooth", &grey, one([](auto& i, auto& o) { AdaptiveSmoothFun(i, o, 3, 900.0, 30.0); })},
      {"Sobel", &grey, one(SobelFun)},
      {"Prewitt", &grey, one(PrewittFun)},
      {"FreiChen", &grey, one(FreiChenFun)},
      {"Canny", &grey,
       [](const CImg<double>& in) {
         Outputs o(2);
         CannyFun(in, o[0], o[1], 1.5, 40, 90);
         return o;
       }},
      {"LargestNeighbour", &grey, one(LargestIntensityNeighbourFun)},
      {"SmallestNeighbour", &grey, one(SmallestIntensityNeighbourFun)},
      {"LargestNeighbour in place", &grey, one([](auto& i, auto& o) { o = i, LargestIntensityNeighbourFun(o, o); })},
      {"DilationCross", &grey, one([](auto& i, auto& o) { DilationFun(i, o, 4); })},
      {"ErosionCross", &grey, one([](auto& i, auto& o) { ErosionFun(i, o, 4); })},
      {"DilationNxNFlat", &grey, one([&](auto& i, auto& o) { DilationNxNFun(i, o, square7); })},
      {"ErosionNxNWeighted", &grey, one([&](auto& i, auto& o) { ErosionNxNFun(i, o, weights5); })},
      {"DistanceTransform3x3", &binary, one(DistanceTransform3x3Fun)},
      {"DistanceTransform5x5", &binary, one(DistanceTransform5x5Fun)},
      {"GFTransform", &binary, one(GFTransformFun)},
      {"ColourCluster", &whole, one([](auto& i, auto& o) { ColourClusterFun(i, o, 5); })},
      {"SIColourCluster", &whole,
       [](const CImg<double>& in) {
         Outputs o(3);
         double count = 0.0;
         SIColourClusterFun(in, o[0], o[1], count);
         o[2].assign(1, 1, 1, 1, count);
         return o;
       }},
      {"HistEqualiser", &grey, one(HistEqualiserFun)},
      {"ExponentialLut", &grey, one(ExponentialLutFun)},
      {"DCT", &grey, one(DCTFun)},
      {"IDCT", &grey, one([](auto& i, auto& o) { IDCTFun(i, o, 0.6); })},
      {"ColourToLAB", &colour, one(ColourToLABFun)},
      {"ColourToHSI", &colour, one(ColourToHSIFun)},
      {"LABToColour", &colour_noise, one(LABToColourFun)},
      {"LargestNeighbour3D", &volume, one(LargestIntensityNeighbour3DFun)},
      {"SmallestNeighbour3D", &volume, one(SmallestIntensityNeighbour3DFun)},
      {"LowPass3D", &volume, one(LowPass3DFun)},
      {"Midpoint3D", &volume, one(Midpoint3DFun)},
      {"Sharpen3D", &volume, one(Sharpen3DFun)},
      {"Sobel3D", &volume, one(Sobel3DFun)},
      {"Roberts3D", &volume, one(Roberts3DFun)},
      {"NonMaxima3D", &volume, one(NonMaxima3DFun)},
      {"Laplacian3D", &volume, one(Laplacian3DFun)},
      {"Gauss3D", &volume, one([](auto& i, auto& o) { Gauss3DFun(i, o, 1.7); })},
      {"Convolution3D", &volume, one([&](auto& i, auto& o) { Convolution3DFun(i, o, kernel9x3); })},
      {"LocalMaxima", &volume, one([](auto& i, auto& o) { LocalMaximaFun(i, o, 5); })},
      {"LocalMinima", &volume, one([](auto& i, auto& o) { LocalMinimaFun(i, o, 8); })},
      {"Dilation3DBlock", &volume, one([](auto& i, auto& o) { Dilation3DFun(i, o, 26); })},
      {"Erosion3DCross", &volume, one([](auto& i, auto& o) { Erosion3DFun(i, o, 6); })},
      {"Median3D", &volume, one(Median3DFun)},
      {"Cluster3D", &grey_volume, one([](auto& i, auto& o) { Cluster3DFun(i, o, 6); })},
  };
  for (const Case& c : cases) {
    Outputs serial;
    {
      Threads t(1);
      serial = c.run(*c.in);
    }
    for (int n : {3, 8}) {
      Threads t(n);
      const Outputs split = c.run(*c.in);
      ASSERT_EQ(split.size(), serial.size()) << c.name;
      for (size_t k = 0; k < split.size(); ++k)
        EXPECT_TRUE(same_bits(serial[k], split[k])) << c.name << ", output " << k << ", " << n << " threads";
    }
  }
}

TEST(Threads, RangesCoverEveryItemOnceAndSmallLoopsStayOnOneThread) {
  Threads t(4);
  std::mutex lock;
  std::vector<std::pair<size_t, size_t>> ranges;
  const auto record = [&](size_t b, size_t e) {
    std::lock_guard<std::mutex> hold(lock);
    ranges.push_back({b, e});
  };
  // 10 items over 4 threads: 3, 3, 2, 2 in order.
  zel::parallel_ranges(10, zel::kParallelMinWork, record);
  std::sort(ranges.begin(), ranges.end());
  const std::vector<std::pair<size_t, size_t>> split = {{0, 3}, {3, 6}, {6, 8}, {8, 10}};
  EXPECT_EQ(ranges, split);
  // Fewer items than threads: one item each, no empty range.
  ranges.clear();
  zel::parallel_ranges(3, zel::kParallelMinWork, record);
  std::sort(ranges.begin(), ranges.end());
  const std::vector<std::pair<size_t, size_t>> three = {{0, 1}, {1, 2}, {2, 3}};
  EXPECT_EQ(ranges, three);
  // Below the work threshold, and with one item: the whole range, one call.
  for (const auto& [n, work] : {std::pair<size_t, size_t>{1000, zel::kParallelMinWork - 1}, {1, size_t{1} << 30}}) {
    ranges.clear();
    zel::parallel_ranges(n, work, record);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0], std::make_pair(size_t{0}, n));
  }
  ranges.clear();
  zel::parallel_ranges(0, size_t{1} << 30, record);
  EXPECT_TRUE(ranges.empty());
}

TEST(Threads, AnExceptionInOneRangeReachesTheCaller) {
  Threads t(4);
  std::vector<int> done(4, 0);
  EXPECT_THROW(zel::parallel_ranges(4, size_t{1} << 30,
                                    [&](size_t b, size_t) {
                                      done[b] = 1;
                                      if (b == 2) throw std::runtime_error("range 2");
                                    }),
               std::runtime_error);
  EXPECT_EQ(done, std::vector<int>(4, 1));  // the other ranges still ran to their end
}

}  // namespace
