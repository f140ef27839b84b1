// The transposition between a value file's column-major planes and an
// image's row-major planes, blocked with register kernels against element by
// element, in the two shapes the value-file reader and writer use: a band of
// 32 columns into a 4096 x 4096 plane (read, streaming stores) and a band of
// the plane into a cache-sized buffer (write). The plane stays allocated
// across iterations, so page faults are not timed.
#include <benchmark/benchmark.h>

#include <vector>

#include "transpose.h"

namespace {

constexpr size_t kSide = 4096, kBand = 32;

struct Plane {
  std::vector<double> image, band;
  Plane() : image(kSide * kSide, 1.0), band(kBand * kSide, 2.0) {}
};

Plane& plane() {
  static Plane p;
  return p;
}

// Reading: band after band of the file's columns into the whole plane.
void BM_TransposeRead(benchmark::State& state) {
  Plane& p = plane();
  const bool fast = state.range(0) != 0;
  for (auto _ : state) {
    for (size_t x0 = 0; x0 < kSide; x0 += kBand) {
      if (fast)
        zel::transpose(p.band.data(), kSide, p.image.data() + x0, kSide, kBand, kSide, true);
      else
        zel::transpose_plain(p.band.data(), kSide, p.image.data() + x0, kSide, kBand, kSide);
    }
    benchmark::DoNotOptimize(p.image.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSide * kSide * sizeof(double)));
  state.SetLabel(fast ? "blocked" : "plain");
}

// Writing: the whole plane, band after band, into the file's column order.
void BM_TransposeWrite(benchmark::State& state) {
  Plane& p = plane();
  const bool fast = state.range(0) != 0;
  for (auto _ : state) {
    for (size_t x0 = 0; x0 < kSide; x0 += kBand) {
      if (fast)
        zel::transpose(p.image.data() + x0, kSide, p.band.data(), kSide, kSide, kBand, false);
      else
        zel::transpose_plain(p.image.data() + x0, kSide, p.band.data(), kSide, kSide, kBand);
      benchmark::DoNotOptimize(p.band.data());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSide * kSide * sizeof(double)));
  state.SetLabel(fast ? "blocked" : "plain");
}

BENCHMARK(BM_TransposeRead)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransposeWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
