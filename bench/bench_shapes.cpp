// Blob counting and the 3x3 maximum on a 4096 x 4096 image, side by side
// with OpenCV's connectedComponents and dilate on the same pixels,
// single-threaded.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>

#include "bench_data.h"
#include "dll.h"

namespace {

using zel_bench::disc_image;
using zel_bench::kSide;

cv::Mat disc_mat_64f() { return zel_bench::as_mat_64f(disc_image()); }

void BM_CountWhiteBlobsFun(benchmark::State& state) {
  const CImg<double>& in = disc_image();
  for (auto _ : state) {
    int n = CountWhiteBlobsFun(in);
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_CountWhiteBlobsFun)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenCV_CountBlobs_connectedComponents(benchmark::State& state) {
  cv::setNumThreads(1);
  cv::Mat bin;
  disc_mat_64f().convertTo(bin, CV_8U);  // 0 and 255
  cv::Mat labels;
  for (auto _ : state) {
    int n = cv::connectedComponents(bin, labels, 8, CV_32S);
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_OpenCV_CountBlobs_connectedComponents)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LargestIntensityNeighbourFun(benchmark::State& state) {
  const CImg<double>& in = disc_image();
  CImg<double> out;
  for (auto _ : state) {
    LargestIntensityNeighbourFun(in, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_LargestIntensityNeighbourFun)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenCV_LargestNeighbour_dilate(benchmark::State& state) {
  cv::setNumThreads(1);
  const cv::Mat in = disc_mat_64f();
  const cv::Mat element = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3));
  cv::Mat out;
  for (auto _ : state) {
    // Outside pixels count as 0, as in LargestIntensityNeighbourFun.
    cv::dilate(in, out, element, cv::Point(-1, -1), 1, cv::BORDER_CONSTANT, cv::Scalar(0));
    benchmark::DoNotOptimize(out.data);
  }
}
BENCHMARK(BM_OpenCV_LargestNeighbour_dilate)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
