// The Fourier and cosine transforms on a 2048 x 2048 double image, side by
// side with OpenCV's dft (complex output) and dct on the same pixels, both
// on the threads that OMP_NUM_THREADS gives (all cores when unset); the low
// pass against a plain copy of the two planes of the spectrum (the memory floor of a mask over a pair).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <opencv2/core.hpp>

#include "bench_data.h"
#include "dll.h"

namespace {

constexpr int kSide = 2048;

const CImg<double>& image() {
  static const CImg<double> img = zel_bench::uniform_grey(kSide, 5);
  return img;
}

cv::Mat as_mat(const CImg<double>& im) {
  return cv::Mat(im.height(), im.width(), CV_64F, const_cast<double*>(im.data()));
}

void BM_FourierTransformFun(benchmark::State& state) {
  CImg<double> re, im;
  FourierTransformFun(image(), re, im);  // outputs sized and paged in, as OpenCV's are below
  for (auto _ : state) {
    FourierTransformFun(image(), re, im);
    benchmark::DoNotOptimize(re.data());
  }
}

// OpenCV's transform plus the centring (swapping the quadrants), which the
// toolbox's result includes.
void BM_OpenCV_dft(benchmark::State& state) {
  zel_bench::match_threads();
  const cv::Mat in = as_mat(image());
  cv::Mat out, centred(kSide, kSide, CV_64FC2);
  cv::dft(in, out, cv::DFT_COMPLEX_OUTPUT);
  const int h = kSide / 2;
  for (auto _ : state) {
    cv::dft(in, out, cv::DFT_COMPLEX_OUTPUT);
    out(cv::Rect(0, 0, h, h)).copyTo(centred(cv::Rect(h, h, h, h)));
    out(cv::Rect(h, h, h, h)).copyTo(centred(cv::Rect(0, 0, h, h)));
    out(cv::Rect(h, 0, h, h)).copyTo(centred(cv::Rect(0, h, h, h)));
    out(cv::Rect(0, h, h, h)).copyTo(centred(cv::Rect(h, 0, h, h)));
    benchmark::DoNotOptimize(centred.data);
  }
}

void BM_DCTFun(benchmark::State& state) {
  CImg<double> out;
  DCTFun(image(), out);
  for (auto _ : state) {
    DCTFun(image(), out);
    benchmark::DoNotOptimize(out.data());
  }
}

void BM_OpenCV_dct(benchmark::State& state) {
  zel_bench::match_threads();
  const cv::Mat in = as_mat(image());
  cv::Mat out;
  cv::dct(in, out);
  for (auto _ : state) {
    cv::dct(in, out);
    benchmark::DoNotOptimize(out.data);
  }
}

void BM_FourierLowPassFun(benchmark::State& state) {
  CImg<double> re, im, out_re, out_im;
  FourierTransformFun(image(), re, im);
  FourierLowPassFun(re, im, out_re, out_im, 0.3);
  for (auto _ : state) {
    FourierLowPassFun(re, im, out_re, out_im, 0.3);
    benchmark::DoNotOptimize(out_re.data());
  }
}

void BM_CopyTwoPlanes(benchmark::State& state) {
  CImg<double> re, im;
  FourierTransformFun(image(), re, im);
  CImg<double> out_re(re, false), out_im(im, false);
  for (auto _ : state) {
    std::copy_n(re.data(), re.size(), out_re.data());
    std::copy_n(im.data(), im.size(), out_im.data());
    benchmark::DoNotOptimize(out_re.data());
    benchmark::DoNotOptimize(out_im.data());
  }
}

BENCHMARK(BM_FourierTransformFun)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenCV_dft)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DCTFun)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenCV_dct)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FourierLowPassFun)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyTwoPlanes)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
