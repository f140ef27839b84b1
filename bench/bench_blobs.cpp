// Labelling a 4096 x 4096 binary image, side by side with OpenCV's
// connectedComponents on the same pixels, single-threaded.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>

#include "dll.h"

namespace {

constexpr int kSide = 4096;

// Random discs of radius 2..30 covering roughly 40 % of the image: many blobs
// of many shapes, some merging.
const CImg<double>& blob_image() {
  static const CImg<double> img = [] {
    CImg<double> im(kSide, kSide, 1, 1, 0.0);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pos(0, kSide - 1), rad(2, 30);
    const double white = 255.0;
    for (int i = 0; i < 12000; ++i) im.draw_circle(pos(rng), pos(rng), rad(rng), &white);
    return im;
  }();
  return img;
}

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
