// Sobel and Canny on a 4096 x 4096 grey image, side by side with OpenCV on
// the same pixels, both on the threads that OMP_NUM_THREADS gives (all cores
// when unset).
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <algorithm>
#include <random>

#include "bench_data.h"
#include "dll.h"

namespace {

constexpr int kSide = 4096;
constexpr int kLow = 40, kHigh = 120;

// Overlapping discs and boxes of random grey levels plus a little noise,
// whole numbers 0..255, so that the 8-bit copy holds exactly the same values.
const CImg<double>& grey_image() {
  static const CImg<double> img = [] {
    CImg<double> im(kSide, kSide, 1, 1, 128.0);
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> pos(0, kSide - 1), rad(4, 80), grey(0, 255), noise(-6, 6);
    for (int i = 0; i < 6000; ++i) {
      const double g = grey(rng);
      const int x = pos(rng), y = pos(rng), r = rad(rng);
      if (i % 2) im.draw_circle(x, y, r, &g);
      else im.draw_rectangle(x, y, x + 2 * r, y + r, &g);
    }
    cimg_for(im, p, double) *p = std::min(255.0, std::max(0.0, *p + noise(rng)));
    return im;
  }();
  return img;
}

cv::Mat as_mat(const CImg<double>& im) {
  return cv::Mat(im.height(), im.width(), CV_64F, const_cast<double*>(im.data()));
}

void BM_SobelFun(benchmark::State& state) {
  const CImg<double>& in = grey_image();
  CImg<double> out;
  for (auto _ : state) {
    SobelFun(in, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_SobelFun)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenCV_SobelMagnitude(benchmark::State& state) {
  zel_bench::match_threads();
  const cv::Mat src = as_mat(grey_image());
  cv::Mat dx, dy, mag;
  for (auto _ : state) {
    cv::Sobel(src, dx, CV_64F, 1, 0, 3);
    cv::Sobel(src, dy, CV_64F, 0, 1, 3);
    cv::magnitude(dx, dy, mag);
    benchmark::DoNotOptimize(mag.data);
  }
}
BENCHMARK(BM_OpenCV_SobelMagnitude)->Unit(benchmark::kMillisecond)->UseRealTime();

// Canny without smoothing (sigma 0): the same work as cv::Canny.
void BM_CannyFun(benchmark::State& state) {
  const CImg<double>& in = grey_image();
  CImg<double> edges, dirs;
  for (auto _ : state) {
    CannyFun(in, edges, dirs, 0.0, kLow, kHigh);
    benchmark::DoNotOptimize(edges.data());
  }
}
BENCHMARK(BM_CannyFun)->Unit(benchmark::kMillisecond)->UseRealTime();

// OpenCV on the 8-bit copy; Arg(1) uses the L2 magnitude as CannyFun does,
// Arg(0) OpenCV's default L1 magnitude.
void BM_OpenCV_Canny(benchmark::State& state) {
  zel_bench::match_threads();
  cv::Mat src8;
  as_mat(grey_image()).convertTo(src8, CV_8U);
  cv::Mat edges;
  for (auto _ : state) {
    cv::Canny(src8, edges, kLow, kHigh, 3, state.range(0) != 0);
    benchmark::DoNotOptimize(edges.data);
  }
}
BENCHMARK(BM_OpenCV_Canny)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// With Gaussian smoothing of sigma 1.4 on both sides.
void BM_CannyFun_Smoothed(benchmark::State& state) {
  const CImg<double>& in = grey_image();
  CImg<double> edges, dirs;
  for (auto _ : state) {
    CannyFun(in, edges, dirs, 1.4, kLow, kHigh);
    benchmark::DoNotOptimize(edges.data());
  }
}
BENCHMARK(BM_CannyFun_Smoothed)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenCV_GaussianCanny(benchmark::State& state) {
  zel_bench::match_threads();
  const cv::Mat src = as_mat(grey_image());
  cv::Mat smoothed, src8, edges;
  for (auto _ : state) {
    cv::GaussianBlur(src, smoothed, cv::Size(0, 0), 1.4, 1.4, cv::BORDER_REPLICATE);
    smoothed.convertTo(src8, CV_8U);
    cv::Canny(src8, edges, kLow, kHigh, 3, true);
    benchmark::DoNotOptimize(edges.data);
  }
}
BENCHMARK(BM_OpenCV_GaussianCanny)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
