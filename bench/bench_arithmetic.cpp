// Two-image mean and maximum on 4096 x 4096 double images, side by side with
// OpenCV's add and max on the same samples, single-threaded. The result
// image is reused across iterations on both sides.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>

#include "dll.h"

namespace {

constexpr int kSide = 4096;

const CImg<double>& grey(int which) {
  static const CImg<double> imgs[2] = {CImg<double>(kSide, kSide).rand(0, 255),
                                       CImg<double>(kSide, kSide).rand(0, 255)};
  return imgs[which];
}

const cv::Mat& grey_mat(int which) {
  static const cv::Mat mats[2] = {
      cv::Mat(kSide, kSide, CV_64F, const_cast<double*>(grey(0).data())).clone(),
      cv::Mat(kSide, kSide, CV_64F, const_cast<double*>(grey(1).data())).clone()};
  return mats[which];
}

template <void (*Op)(const CImg<double>&, const CImg<double>&, CImg<double>&)>
void BM_Zel(benchmark::State& state) {
  CImg<double> out;
  Op(grey(0), grey(1), out);  // sizes out and loads the inputs before timing
  for (auto _ : state) {
    Op(grey(0), grey(1), out);
    benchmark::DoNotOptimize(out.data());
  }
}

template <void (*Op)(cv::InputArray, cv::InputArray, cv::OutputArray)>
void BM_OpenCV(benchmark::State& state) {
  cv::setNumThreads(1);
  cv::Mat out(kSide, kSide, CV_64F);
  Op(grey_mat(0), grey_mat(1), out);
  for (auto _ : state) {
    Op(grey_mat(0), grey_mat(1), out);
    benchmark::DoNotOptimize(out.data);
  }
}

void cv_add(cv::InputArray a, cv::InputArray b, cv::OutputArray o) { cv::add(a, b, o); }
void cv_max(cv::InputArray a, cv::InputArray b, cv::OutputArray o) { cv::max(a, b, o); }

BENCHMARK(BM_Zel<AddImgFun>)->Name("BM_Arith_AddImgFun")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenCV<cv_add>)->Name("BM_Arith_OpenCV_add")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Zel<MaximumImgFun>)->Name("BM_Arith_MaximumImgFun")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenCV<cv_max>)->Name("BM_Arith_OpenCV_max")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
