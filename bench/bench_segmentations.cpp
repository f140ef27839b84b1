// The threshold-selecting segmentations on a 4096 x 4096 image of doubles,
// single-threaded: "OtsuSeg" against two plain read passes over the same
// doubles, and "SauvolaSeg" (9 x 9 window and its blob clean-up), which
// bench/segmentation_vs_skimage.py sets beside scikit-image's Sauvola
// threshold on the same image (handed over through the raw file named by
// ZEL_BENCH_SEG_IMAGE; without it the image is made here).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <stdexcept>

#include "dll.h"

namespace {

constexpr int kSide = 4096;

// Dark text-like strokes on a bright, unevenly lit page with noise: two
// modes whose split moves across the image.
const CImg<double>& page() {
  static const CImg<double> img = [] {
    CImg<double> im(kSide, kSide, 1, 1);
    if (const char* file = std::getenv("ZEL_BENCH_SEG_IMAGE")) {
      std::FILE* f = std::fopen(file, "rb");
      const size_t got = f ? std::fread(im.data(), sizeof(double), im.size(), f) : 0;
      if (f) std::fclose(f);
      if (got != im.size()) throw std::runtime_error("ZEL_BENCH_SEG_IMAGE: cannot read 4096^2 doubles");
      return im;
    }
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0.0, 12.0);
    cimg_forXY(im, x, y) {
      const bool stroke = (x / 3 + y / 17) % 7 == 0;
      im(x, y) = (stroke ? 60.0 : 150.0 + 60.0 * x / kSide) + noise(rng);
    }
    return im;
  }();
  return img;
}

void BM_Seg_OtsuSeg(benchmark::State& state) {
  const CImg<double>& in = page();
  CImg<double> out;
  OtsuSegmentationFun(in, out);  // the output pages in once, outside the timing
  for (auto _ : state) {
    OtsuSegmentationFun(in, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_Seg_OtsuSeg)->Unit(benchmark::kMillisecond)->UseRealTime();

// The yardstick of OtsuSeg: two plain passes reading every pixel, four
// running sums each, so that memory and not one chain of additions limits them.
void BM_Seg_TwoReadPasses(benchmark::State& state) {
  const CImg<double>& in = page();
  for (auto _ : state)
    for (int pass = 0; pass < 2; ++pass) {
      double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
      const double* p = in.data();
      for (size_t i = 0, n = in.size(); i + 4 <= n; i += 4) s0 += p[i], s1 += p[i + 1], s2 += p[i + 2], s3 += p[i + 3];
      benchmark::DoNotOptimize(s0 + s1 + s2 + s3);
    }
}
BENCHMARK(BM_Seg_TwoReadPasses)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Seg_SauvolaSeg(benchmark::State& state) {
  const CImg<double>& in = page();
  CImg<double> out;
  SauvolaSegmentationFun(in, out);
  for (auto _ : state) {
    SauvolaSegmentationFun(in, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_Seg_SauvolaSeg)->Unit(benchmark::kMillisecond)->UseRealTime();

// The watershed on smooth relief with noise at two sizes: the time per pixel
// should stay flat from 1024^2 to 4096^2 (linear flooding), the result
// buffers written once per run.
void BM_Seg_Watershed(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  CImg<double> in(side, side);
  std::mt19937 rng(29);
  std::uniform_real_distribution<double> noise(0.0, 20.0);
  cimg_forXY(in, x, y) in(x, y) = 117.0 + 60.0 * (std::sin(x / 23.0) + std::cos(y / 31.0)) + noise(rng);
  CImg<double> labels, bounds;
  WatershedFun(in, labels, bounds);
  for (auto _ : state) {
    WatershedFun(in, labels, bounds);
    benchmark::DoNotOptimize(labels.data());
  }
  state.counters["seconds_per_pixel"] = benchmark::Counter(static_cast<double>(in.size()) * state.iterations(),
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Seg_Watershed)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
