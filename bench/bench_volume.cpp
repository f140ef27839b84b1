// Volume filters and per-slice statistics on a 256 x 256 x 256 volume of
// doubles, on the threads that OMP_NUM_THREADS gives. bench/volume_vs_scipy.py runs these side by side
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

// 3-D morphology, the median and labelling. The labeller reads the voxels
// at or above 200 as object (1) and the rest as 0: about a fifth of the
// volume, many components and one that spans it.
void dilate26(const CImg<double>& in, CImg<double>& out) { Dilation3DFun(in, out, 26); }
BENCHMARK_TEMPLATE(BM_Volume, dilate26)->Name("BM_Volume_Dilate3D_26")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_Volume, Median3DFun)->Name("BM_Volume_Median3D")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Volume_Labeller3D(benchmark::State& state) {
  CImg<double> objects(volume());
  for (double& v : objects) v = v >= 200.0 ? 1.0 : 0.0;
  CImg<double> out;
  Labeller3DFun(objects, out);
  for (auto _ : state) {
    Labeller3DFun(objects, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_Volume_Labeller3D)->Unit(benchmark::kMillisecond)->UseRealTime();

// Reconstruction of a single bright voxel at the first corner under the
// volume (or its first 128^3 corner): the marker spreads through all of it.
void BM_ReconByDil3D(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  const CImg<double> mask = volume().get_crop(0, 0, 0, side - 1, side - 1, side - 1);
  CImg<double> marker(side, side, side, 1, 0.0), rec, residue;
  marker(0, 0, 0) = 255.0;
  for (auto _ : state) {
    ReconByDil3DFun(mask, marker, rec, residue, 26);
    benchmark::DoNotOptimize(rec.data());
  }
}
BENCHMARK(BM_ReconByDil3D)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
