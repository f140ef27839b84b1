// Colour conversions on a 4096 x 4096 three-channel image, k-means colour
// clustering on 1024 x 1024 and the circle Hough accumulator on edge images,
// side by side with OpenCV (cvtColor, kmeans) on the same pixels,
// single-threaded; OpenCV converts 32-bit floats, so the conversions are
// also set beside a plain read-and-write pass over the same doubles.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>

#include "bench_data.h"
#include "dll.h"

namespace {

// Smooth colour gradients with noise, whole grey levels 0..255.
CImg<double> colour_image(int side) {
  CImg<double> im(side, side, 1, 3);
  std::mt19937 rng(17);
  std::uniform_int_distribution<int> noise(0, 40);
  cimg_forXYC(im, x, y, c) im(x, y, 0, c) = ((x * (c + 1) + y * (3 - c)) * 255 / (4 * side) + noise(rng)) % 256;
  return im;
}

const CImg<double>& big_colour() {
  static const CImg<double> img = colour_image(4096);
  return img;
}

// Interleaved 32-bit float RGB of the same pixels, times `scale`.
cv::Mat as_rgb32f(const CImg<double>& in, double scale) {
  cv::Mat m(in.height(), in.width(), CV_32FC3);
  for (int y = 0; y < in.height(); ++y) {
    float* row = m.ptr<float>(y);
    for (int x = 0; x < in.width(); ++x)
      for (int c = 0; c < 3; ++c) row[3 * x + c] = static_cast<float>(in(x, y, 0, c) * scale);
  }
  return m;
}

template <void (*Op)(const CImg<double>&, CImg<double>&)>
void BM_Conversion(benchmark::State& state) {
  const CImg<double>& in = big_colour();
  CImg<double> out;
  Op(in, out);  // the result buffer is allocated (and its pages touched) once, outside the timing
  for (auto _ : state) {
    Op(in, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK_TEMPLATE(BM_Conversion, ColourToLABFun)->Name("ColourToLABFun")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_Conversion, ColourToHSIFun)->Name("ColourToHSIFun")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_Conversion, ColourToYUVFun)->Name("ColourToYUVFun")->Unit(benchmark::kMillisecond)->UseRealTime();

// The memory floor of a conversion: every double of the three planes read
// and written once (OpenCV has no double path to set beside ours).
void BM_ColourCopyPass(benchmark::State& state) { zel_bench::copy_pass(state, big_colour()); }
BENCHMARK(BM_ColourCopyPass)->Unit(benchmark::kMillisecond)->UseRealTime();

// OpenCV's float conversions take 0..1 for Lab and HLS.
void BM_cvtColor(benchmark::State& state) {
  cv::setNumThreads(1);
  const int code = static_cast<int>(state.range(0));
  const cv::Mat in = as_rgb32f(big_colour(), code == cv::COLOR_RGB2YUV ? 1.0 : 1.0 / 255.0);
  cv::Mat out;
  cv::cvtColor(in, out, code);
  for (auto _ : state) {
    cv::cvtColor(in, out, code);
    benchmark::DoNotOptimize(out.data);
  }
}
BENCHMARK(BM_cvtColor)->Name("cv_RGB2Lab")->Arg(cv::COLOR_RGB2Lab)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_cvtColor)->Name("cv_RGB2HLS")->Arg(cv::COLOR_RGB2HLS)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_cvtColor)->Name("cv_RGB2YUV")->Arg(cv::COLOR_RGB2YUV)->Unit(benchmark::kMillisecond)->UseRealTime();

const CImg<double>& cluster_image() {
  static const CImg<double> img = colour_image(1024);
  return img;
}

void BM_ColourClusterFun(benchmark::State& state) {
  const CImg<double>& in = cluster_image();
  CImg<double> out;
  for (auto _ : state) {
    ColourClusterFun(in, out, 8);  // prints one "Here #3" line per run
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_ColourClusterFun)->Unit(benchmark::kMillisecond)->UseRealTime();

// One attempt, k-means++ centres, at most 100 passes (the cap of
// ColourClusterFun); OpenCV also stops when the centres no longer move.
void BM_cv_kmeans(benchmark::State& state) {
  cv::setNumThreads(1);
  const cv::Mat samples = as_rgb32f(cluster_image(), 1.0).reshape(1, 1024 * 1024);
  cv::Mat labels, centres;
  for (auto _ : state) {
    cv::kmeans(samples, 8, labels, cv::TermCriteria(cv::TermCriteria::MAX_ITER, 100, 0), 1, cv::KMEANS_PP_CENTERS,
               centres);
    benchmark::DoNotOptimize(centres.data);
  }
}
BENCHMARK(BM_cv_kmeans)->Unit(benchmark::kMillisecond)->UseRealTime();

// Edge image of side n: circles of radius 5..70 and sparse noise, the count
// growing with the area so that the edge density is the same at every size.
CImg<double> circle_edges(int side) {
  CImg<double> im(side, side, 1, 1, 0.0);
  std::mt19937 rng(23);
  std::uniform_int_distribution<int> pos(0, side - 1), rad(5, 70);
  const double white = 255.0;
  const int area = side / 256 * side / 256;
  for (int i = 0; i < 4 * area; ++i) im.draw_circle(pos(rng), pos(rng), rad(rng), &white, 1.0f, ~0U);
  for (int i = 0; i < 500 * area; ++i) im(pos(rng), pos(rng)) = 255.0;
  return im;
}

void BM_CircHoughFun(benchmark::State& state) {
  const CImg<double> in = circle_edges(static_cast<int>(state.range(0)));
  CImg<double> out;
  CircHoughFun(in, out, 10, 61, 1);
  for (auto _ : state) {
    CircHoughFun(in, out, 10, 61, 1);  // radii 10..60
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["edge_pixels"] = static_cast<double>((in.get_threshold(1)).sum());
}
BENCHMARK(BM_CircHoughFun)->Arg(512)->Arg(1024)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
