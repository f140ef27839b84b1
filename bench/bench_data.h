// Test images shared by the benchmarks: built once, 4096 x 4096.
#pragma once

#include <benchmark/benchmark.h>
#include <omp.h>

#include <opencv2/core.hpp>
#include <random>

#include "image.h"

namespace zel_bench {

constexpr int kSide = 4096;

// OpenCV runs on as many threads as the toolbox (OMP_NUM_THREADS, all cores
// when unset), so that each side-by-side ratio compares like with like.
inline void match_threads() { cv::setNumThreads(omp_get_max_threads()); }

// Random discs of radius 2..30 covering roughly 40 % of the image: many blobs
// of many shapes, some merging; 0 and 255.
inline const CImg<double>& disc_image() {
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

// A side x side image of uniform grey levels 0..255 with fractions.
inline CImg<double> uniform_grey(int side, unsigned seed) {
  CImg<double> im(side, side, 1, 1);
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> grey(0.0, 255.0);
  for (double& v : im) v = grey(rng);
  return im;
}

// The first plane of an image as an OpenCV matrix of doubles (rows are y).
inline cv::Mat as_mat_64f(const CImg<double>& in) {
  cv::Mat m(in.height(), in.width(), CV_64F);
  for (int y = 0; y < in.height(); ++y) std::copy(in.data(0, y), in.data(0, y) + in.width(), m.ptr<double>(y));
  return m;
}

// The memory floor of an operation on `in` that OpenCV cannot run on doubles:
// every double read and written once, in one plain loop.
inline void copy_pass(benchmark::State& state, const CImg<double>& in) {
  CImg<double> out(in, false);
  for (auto _ : state) {
    const double* s = in.data();
    double* d = out.data();
    for (size_t i = 0, n = in.size(); i < n; ++i) d[i] = s[i];
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
}

}  // namespace zel_bench
