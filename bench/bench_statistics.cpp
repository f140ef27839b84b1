// Mean and standard deviation, and the 3x3 grey dilation, of a 4096 x 4096
// image of doubles, side by side with OpenCV on the same samples,
// single-threaded.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>

#include "bench_data.h"
#include "dll.h"

namespace {

constexpr int kSide = 4096;

// Uniform grey levels 0..255 with fractions.
const CImg<double>& grey_image() {
  static const CImg<double> img = zel_bench::uniform_grey(kSide, 17);
  return img;
}

// The same samples as a CV_64F matrix (rows are y, as in the image).
cv::Mat grey_mat() {
  const CImg<double>& in = grey_image();
  return cv::Mat(kSide, kSide, CV_64F, const_cast<double*>(in.data())).clone();
}

void BM_MeanAndSTD(benchmark::State& state) {
  const CImg<double>& in = grey_image();
  for (auto _ : state) {
    const double mean = AverageIntensityFun(in), sd = STDCalcFun(in);
    benchmark::DoNotOptimize(mean);
    benchmark::DoNotOptimize(sd);
  }
}
BENCHMARK(BM_MeanAndSTD)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenCV_meanStdDev(benchmark::State& state) {
  cv::setNumThreads(1);
  const cv::Mat m = grey_mat();
  cv::Scalar mean, sd;
  for (auto _ : state) {
    cv::meanStdDev(m, mean, sd);
    benchmark::DoNotOptimize(mean[0]);
    benchmark::DoNotOptimize(sd[0]);
  }
}
BENCHMARK(BM_OpenCV_meanStdDev)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Dilation8(benchmark::State& state) {
  const CImg<double>& in = grey_image();
  CImg<double> out;
  for (auto _ : state) {
    DilationFun(in, out, 8);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_Dilation8)->Unit(benchmark::kMillisecond)->UseRealTime();

// Outside pixels count as 0 here as in DilationFun.
void BM_OpenCV_dilate3x3(benchmark::State& state) {
  cv::setNumThreads(1);
  const cv::Mat m = grey_mat();
  const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3));
  cv::Mat out;
  for (auto _ : state) {
    cv::dilate(m, out, kernel, cv::Point(-1, -1), 1, cv::BORDER_CONSTANT, cv::Scalar(0));
    benchmark::DoNotOptimize(out.data);
  }
}
BENCHMARK(BM_OpenCV_dilate3x3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
