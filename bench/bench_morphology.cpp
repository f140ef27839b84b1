// Morphology with structuring elements: a flat 15 x 15 dilation of a 4096 x
// 4096 grey image side by side with OpenCV's dilate (same pixels, as doubles
// and as bytes), both on the threads that OMP_NUM_THREADS gives (all cores
// when unset); and reconstruction by dilation along a serpentine corridor
// at three sizes, whose times should grow with the pixel count.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>

#include "bench_data.h"
#include "dll.h"

namespace {

constexpr int kSide = 4096, kElement = 15;

// Random grey levels 0..254.
const CImg<double>& grey_image() {
  static const CImg<double> img = [] {
    CImg<double> im(kSide, kSide, 1, 1);
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> level(0, 254);
    for (double& v : im) v = level(rng);
    return im;
  }();
  return img;
}

void BM_DilationNxNFun_15x15(benchmark::State& state) {
  const CImg<double>& in = grey_image();
  ConvArray se;
  se.setSize(kElement, kElement);
  for (int i = 0; i < kElement; ++i)
    for (int j = 0; j < kElement; ++j) se.data[i][j] = 1.0;  // flat: every cell part of the element
  CImg<double> out;
  for (auto _ : state) {
    DilationNxNFun(in, out, se);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_DilationNxNFun_15x15)->Unit(benchmark::kMillisecond)->UseRealTime();

void opencv_dilate(benchmark::State& state, int type) {
  zel_bench::match_threads();
  const CImg<double>& in = grey_image();
  cv::Mat src(kSide, kSide, CV_64F, const_cast<double*>(in.data())), img, dst;
  src.convertTo(img, type);
  const cv::Mat rect = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(kElement, kElement));
  for (auto _ : state) {
    cv::dilate(img, dst, rect);
    benchmark::DoNotOptimize(dst.data);
  }
}
void BM_OpenCV_dilate_15x15_64F(benchmark::State& state) { opencv_dilate(state, CV_64F); }
void BM_OpenCV_dilate_15x15_8U(benchmark::State& state) { opencv_dilate(state, CV_8U); }
BENCHMARK(BM_OpenCV_dilate_15x15_64F)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenCV_dilate_15x15_8U)->Unit(benchmark::kMillisecond)->UseRealTime();

// A one-pixel corridor on every odd row, joined to the next at alternate
// ends: a single path through half of the image.
CImg<double> serpentine(int side) {
  CImg<double> mask(side, side, 1, 1, 0.0);
  for (int y = 1; y + 1 < side; y += 2) {
    double* row = mask.data(0, y);
    for (int x = 1; x + 1 < side; ++x) row[x] = 255.0;
    if (y + 3 < side) mask((y / 2) % 2 == 0 ? side - 2 : 1, y + 1) = 255.0;
  }
  return mask;
}

void BM_ReconByDilationFun_Serpentine(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  const CImg<double> mask = serpentine(side);
  CImg<double> marker(side, side, 1, 1, 0.0);
  marker(1, 1) = 255.0;  // the corridor's first pixel, in the corner
  CImg<double> out, residue;
  for (auto _ : state) {
    ReconByDilationFun(mask, marker, out, residue, 8);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_ReconByDilationFun_Serpentine)->Arg(1024)->Arg(2048)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
