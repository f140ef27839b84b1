// Histogram equalisation and the point threshold on a 4096 x 4096 grey image,
// side by side with OpenCV's equalizeHist (on an 8-bit copy of the same
// levels) and threshold (THRESH_BINARY on the same doubles), OpenCV
// single-threaded; beside a plain read-and-write pass over the same doubles.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>

#include "bench_data.h"
#include "dll.h"

namespace {

constexpr int kSide = 4096;

// Whole grey levels 0..255: a gradient plus noise, so every level occurs and
// the histogram is uneven.
const CImg<double>& grey_image() {
  static const CImg<double> img = [] {
    CImg<double> im(kSide, kSide, 1, 1);
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> jitter(-40, 40);
    cimg_forXY(im, x, y) {
      const int v = (x + y) * 255 / (2 * kSide) + jitter(rng);
      im(x, y) = v < 0 ? 0 : v > 255 ? 255 : v;
    }
    return im;
  }();
  return img;
}

cv::Mat as_mat(const CImg<double>& img, int type) {
  cv::Mat m(kSide, kSide, CV_64F, const_cast<double*>(img.data()));
  cv::Mat out;
  m.convertTo(out, type);
  return out;
}

void BM_Enhance_HistEqualiserFun(benchmark::State& state) {
  const CImg<double>& in = grey_image();
  CImg<double> out;
  for (auto _ : state) {
    HistEqualiserFun(in, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_Enhance_HistEqualiserFun)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Enhance_OpenCV_equalizeHist(benchmark::State& state) {
  cv::setNumThreads(1);
  const cv::Mat in = as_mat(grey_image(), CV_8U);
  cv::Mat out;
  for (auto _ : state) {
    cv::equalizeHist(in, out);
    benchmark::DoNotOptimize(out.data);
  }
}
BENCHMARK(BM_Enhance_OpenCV_equalizeHist)->Unit(benchmark::kMillisecond)->UseRealTime();

// The memory floor (OpenCV has no double path for equalizeHist): every
// double read and written once.
void BM_Enhance_CopyPass(benchmark::State& state) { zel_bench::copy_pass(state, grey_image()); }
BENCHMARK(BM_Enhance_CopyPass)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Enhance_ThresholdFun(benchmark::State& state) {
  const CImg<double>& in = grey_image();
  CImg<double> out;
  for (auto _ : state) {
    ThresholdFun(in, out, 128);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_Enhance_ThresholdFun)->Unit(benchmark::kMillisecond)->UseRealTime();

// ThresholdFun keeps v >= 128; THRESH_BINARY keeps v > thresh, so 127.5 cuts
// the same whole levels.
void BM_Enhance_OpenCV_threshold(benchmark::State& state) {
  cv::setNumThreads(1);
  const cv::Mat in = as_mat(grey_image(), CV_64F);
  cv::Mat out;
  for (auto _ : state) {
    cv::threshold(in, out, 127.5, 255.0, cv::THRESH_BINARY);
    benchmark::DoNotOptimize(out.data);
  }
}
BENCHMARK(BM_Enhance_OpenCV_threshold)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
