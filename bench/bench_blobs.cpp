// Labelling a 4096 x 4096 binary image, side by side with OpenCV's
// connectedComponents on the same pixels, single-threaded.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>

#include "bench_data.h"
#include "dll.h"

namespace {

using zel_bench::kSide;

const CImg<double>& blob_image() { return zel_bench::disc_image(); }

void BM_LabellerFun(benchmark::State& state) {
  const CImg<double>& in = blob_image();
  CImg<double> out;
  for (auto _ : state) {
    LabellerFun(in, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_LabellerFun)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenCV_connectedComponents(benchmark::State& state) {
  cv::setNumThreads(1);
  const CImg<double>& in = blob_image();
  cv::Mat bin(kSide, kSide, CV_8U);
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) bin.at<unsigned char>(y, x) = in(x, y) >= 255 ? 255 : 0;
  cv::Mat labels;
  for (auto _ : state) {
    const int n = cv::connectedComponents(bin, labels, 8, CV_32S);
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_OpenCV_connectedComponents)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
