// The 3x3 chamfer distance map and the line Hough accumulator on 4096 x 4096
// images, side by side with OpenCV's distanceTransform and HoughLines on the
// same pixels, single-threaded.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>
#include <vector>

#include "dll.h"

namespace {

constexpr int kSide = 4096;

// Random discs of radius 2..60 covering roughly half the image.
const CImg<double>& object_image() {
  static const CImg<double> img = [] {
    CImg<double> im(kSide, kSide, 1, 1, 0.0);
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> pos(0, kSide - 1), rad(2, 60);
    const double white = 255.0;
    for (int i = 0; i < 5000; ++i) im.draw_circle(pos(rng), pos(rng), rad(rng), &white);
    return im;
  }();
  return img;
}

// An edge image: 120 random straight segments and sparse noise, about 1.5 %
// of the pixels set.
const CImg<double>& edge_image() {
  static const CImg<double> img = [] {
    CImg<double> im(kSide, kSide, 1, 1, 0.0);
    std::mt19937 rng(13);
    std::uniform_int_distribution<int> pos(0, kSide - 1);
    const double white = 255.0;
    for (int i = 0; i < 120; ++i) im.draw_line(pos(rng), pos(rng), pos(rng), pos(rng), &white);
    for (int i = 0; i < 60000; ++i) im(pos(rng), pos(rng)) = 255.0;
    return im;
  }();
  return img;
}

cv::Mat as_u8(const CImg<double>& in) {
  cv::Mat bin(in.height(), in.width(), CV_8U);
  for (int y = 0; y < in.height(); ++y)
    for (int x = 0; x < in.width(); ++x) bin.at<unsigned char>(y, x) = in(x, y) >= 255 ? 255 : 0;
  return bin;
}

void BM_DistanceTransform3x3Fun(benchmark::State& state) {
  const CImg<double>& in = object_image();
  CImg<double> out;
  for (auto _ : state) {
    DistanceTransform3x3Fun(in, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_DistanceTransform3x3Fun)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenCV_distanceTransform_L1(benchmark::State& state) {
  cv::setNumThreads(1);
  const cv::Mat bin = as_u8(object_image());
  cv::Mat dist;
  for (auto _ : state) {
    cv::distanceTransform(bin, dist, cv::DIST_L1, 3, CV_32F);
    benchmark::DoNotOptimize(dist.data);
  }
}
BENCHMARK(BM_OpenCV_distanceTransform_L1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HoughFun(benchmark::State& state) {
  const CImg<double>& in = edge_image();
  CImg<double> out;
  for (auto _ : state) {
    HoughFun(in, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["voters"] = static_cast<double>(in.get_threshold(1).sum());
}
BENCHMARK(BM_HoughFun)->Unit(benchmark::kMillisecond)->UseRealTime();

// Rho 1 pixel, theta pi / 4096 (the accumulator's angle step on a 4096-wide
// image), and a threshold that only long lines pass.
void BM_OpenCV_HoughLines(benchmark::State& state) {
  cv::setNumThreads(1);
  const cv::Mat bin = as_u8(edge_image());
  std::vector<cv::Vec2f> lines;
  for (auto _ : state) {
    cv::HoughLines(bin, lines, 1, CV_PI / kSide, 1500);
    benchmark::DoNotOptimize(lines.data());
  }
  state.counters["lines"] = static_cast<double>(lines.size());
}
BENCHMARK(BM_OpenCV_HoughLines)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
