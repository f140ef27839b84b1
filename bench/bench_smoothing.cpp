// 3x3 mean and 3x3 median on a 4096 x 4096 grey image, side by side with
// OpenCV's blur and medianBlur on the same pixels, both on the threads that
// OMP_NUM_THREADS gives (all cores when unset).
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>

#include "bench_data.h"
#include "dll.h"

namespace {

constexpr int kSide = 4096;

// Smooth gradients plus uniform noise: realistic grey levels, no long runs of
// equal values that would flatter either side.
const CImg<double>& grey_image() {
  static const CImg<double> img = [] {
    CImg<double> im(kSide, kSide, 1, 1);
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> noise(-20.0, 20.0);
    cimg_forXY(im, x, y) im(x, y) = 0.5 * ((x * 7 + y * 3) % 256) + 100.0 + noise(rng);
    return im;
  }();
  return img;
}

// The same pixels as an OpenCV matrix of the given depth (row-major like CImg).
cv::Mat as_mat(int type) {
  const CImg<double>& in = grey_image();
  cv::Mat m64(kSide, kSide, CV_64F, const_cast<double*>(in.data()));
  cv::Mat m;
  m64.convertTo(m, type);
  return m;
}

void BM_LowPassFun(benchmark::State& state) {
  const CImg<double>& in = grey_image();
  CImg<double> out;
  for (auto _ : state) {
    LowPassFun(in, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_LowPassFun)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenCV_blur3x3_64F(benchmark::State& state) {
  zel_bench::match_threads();
  const cv::Mat in = as_mat(CV_64F);
  cv::Mat out;
  for (auto _ : state) {
    cv::blur(in, out, cv::Size(3, 3));
    benchmark::DoNotOptimize(out.data);
  }
}
BENCHMARK(BM_OpenCV_blur3x3_64F)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MedianFun(benchmark::State& state) {
  const CImg<double>& in = grey_image();
  CImg<double> out;
  for (auto _ : state) {
    MedianFun(in, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_MedianFun)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenCV_medianBlur3_32F(benchmark::State& state) {
  zel_bench::match_threads();
  const cv::Mat in = as_mat(CV_32F);
  cv::Mat out;
  for (auto _ : state) {
    cv::medianBlur(in, out, 3);
    benchmark::DoNotOptimize(out.data);
  }
}
BENCHMARK(BM_OpenCV_medianBlur3_32F)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
