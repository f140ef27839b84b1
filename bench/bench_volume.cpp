// Volume filters and per-slice statistics on a 256 x 256 x 256 volume of
// doubles, single-threaded. bench/volume_vs_scipy.py runs these side by side
// with scipy.ndimage on the same array (handed over through the raw file
// named by ZEL_BENCH_VOLUME) and prints the ratios; without that variable
// the volume is random grey levels made here. BM_Volume_ReadPass is the
// yardstick of the statistics: one plain read of every voxel.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <stdexcept>

#include "dll.h"

namespace {

constexpr int kSide = 256;

const CImg<double>& volume() {
  static const CImg<double> vol = [] {
    CImg<double> v(kSide, kSide, kSide, 1);
    if (const char* file = std::getenv("ZEL_BENCH_VOLUME")) {
      std::FILE* f = std::fopen(file, "rb");
      const size_t got = f ? std::fread(v.data(), sizeof(double), v.size(), f) : 0;
      if (f) std::fclose(f);
      if (got != v.size()) throw std::runtime_error("ZEL_BENCH_VOLUME: cannot read 256^3 doubles");
      return v;
    }
    std::mt19937 rng(23);
    std::uniform_real_distribution<double> grey(0.0, 255.0);
    for (double& x : v) x = grey(rng);
    return v;
  }();
  return vol;
}

template <void (*Filter)(const CImg<double>&, CImg<double>&)>
void BM_Volume(benchmark::State& state) {
  const CImg<double>& in = volume();
  CImg<double> out;
  Filter(in, out);  // sizes out and pages it in, as the peer's output is preallocated
  for (auto _ : state) {
    Filter(in, out);
    benchmark::DoNotOptimize(out.data());
  }
}

void gauss2(const CImg<double>& in, CImg<double>& out) { Gauss3DFun(in, out, 2.0); }

BENCHMARK_TEMPLATE(BM_Volume, LowPass3DFun)->Name("BM_Volume_LowPass3D")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_Volume, LargestIntensityNeighbour3DFun)
    ->Name("BM_Volume_LIN3D")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_TEMPLATE(BM_Volume, gauss2)->Name("BM_Volume_Gauss3D_sigma2")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_Volume, Sobel3DFun)->Name("BM_Volume_Sobel3D")->Unit(benchmark::kMillisecond)->UseRealTime();

template <ConvArray (*Table)(const CImg<double>&)>
void BM_VolumeTable(benchmark::State& state) {
  const CImg<double>& in = volume();
  for (auto _ : state) {
    const ConvArray t = Table(in);
    benchmark::DoNotOptimize(t.data[0][0]);
  }
}
BENCHMARK_TEMPLATE(BM_VolumeTable, DicomAverageIntensityFun)
    ->Name("BM_Volume_DICOMAvg")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_TEMPLATE(BM_VolumeTable, DicomSTDCalcFun)
    ->Name("BM_Volume_DICOMSTD")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One plain pass reading every voxel: four running sums, so the loop is
// limited by memory, not by one chain of additions.
void BM_Volume_ReadPass(benchmark::State& state) {
  const CImg<double>& in = volume();
  for (auto _ : state) {
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    const double* p = in.data();
    for (size_t i = 0, n = in.size(); i + 4 <= n; i += 4) s0 += p[i], s1 += p[i + 1], s2 += p[i + 2], s3 += p[i + 3];
    benchmark::DoNotOptimize(s0 + s1 + s2 + s3);
  }
}
BENCHMARK(BM_Volume_ReadPass)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
