// Each hand-vectorised kernel against its plain form on the same samples, so
// that the gain that justifies the vector code stays visible: the row masks
// of blob analysis (AVX2 against a loop of compares), the moment sums (AVX2
// against the SSE2 pairs), the streamed threshold and the finite range
// (SSE2 against scalar loops) and the look-up-table mapping (the library's
// InverseLutFun against a plain per-sample table loop). Single-threaded,
// 2^20 samples (8 MiB).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "bench_data.h"
#include "core/helpers.h"
#include "core/moment_sums.h"
#include "core/runs.h"
#include "dll.h"

namespace {

using namespace zel;

const CImg<double>& samples() {
  static const CImg<double> img = zel_bench::uniform_grey(1024, 5);
  return img;
}

template <uint64_t (*Mask)(const double*, double)>
void mask_rows(benchmark::State& state) {
  const CImg<double>& s = samples();
  std::vector<uint64_t> words(s.size() / 64);
  for (auto _ : state) {
    for (size_t k = 0; k < words.size(); ++k) words[k] = Mask(s.data() + 64 * k, 127.5);
    benchmark::DoNotOptimize(words.data());
  }
}
BENCHMARK_TEMPLATE(mask_rows, kernels::mask64_plain)->Name("BM_Fast_Mask64_plain")->UseRealTime();
#if defined(__x86_64__)
BENCHMARK_TEMPLATE(mask_rows, kernels::mask64_avx2)->Name("BM_Fast_Mask64_avx2")->UseRealTime();
#endif

// The moment sums on 2^15 samples (in the cache: what the arithmetic costs)
// and on all 2^20 (from memory).
void BM_Fast_Moments4_sse2_pairs(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(stats::moments4_of<stats::PairLanes>(samples().data(), n));
}
BENCHMARK(BM_Fast_Moments4_sse2_pairs)->Arg(1 << 15)->Arg(1 << 20)->UseRealTime();
#if defined(ZEL_AVX2_KERNELS)
void BM_Fast_Moments4_avx2(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(stats::moments4_avx2(samples().data(), n));
}
BENCHMARK(BM_Fast_Moments4_avx2)->Arg(1 << 15)->Arg(1 << 20)->UseRealTime();
#endif

void BM_Fast_Threshold_streamed(benchmark::State& state) {
  std::vector<double> out(samples().size());
  for (auto _ : state) {
    stream_threshold(out.data(), samples().data(), out.size(), 127.5);
    stream_fence();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Fast_Threshold_streamed)->UseRealTime();
void BM_Fast_Threshold_plain(benchmark::State& state) {
  std::vector<double> out(samples().size());
  const double* s = samples().data();
  for (auto _ : state) {
    for (size_t i = 0; i < out.size(); ++i) out[i] = s[i] >= 127.5 ? 255.0 : 0.0;
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Fast_Threshold_plain)->UseRealTime();

void BM_Fast_FiniteRange_sse2(benchmark::State& state) {
  double lo, hi;
  for (auto _ : state) {
    stats::finite_range(samples().data(), samples().size(), lo, hi);
    benchmark::DoNotOptimize(lo + hi);
  }
}
BENCHMARK(BM_Fast_FiniteRange_sse2)->UseRealTime();
void BM_Fast_FiniteRange_plain(benchmark::State& state) {
  const double* s = samples().data();
  for (auto _ : state) {
    double lo = INFINITY, hi = -INFINITY;
    for (size_t i = 0; i < samples().size(); ++i)
      if (std::isfinite(s[i])) lo = std::min(lo, s[i]), hi = std::max(hi, s[i]);
    benchmark::DoNotOptimize(lo + hi);
  }
}
BENCHMARK(BM_Fast_FiniteRange_plain)->UseRealTime();

void BM_Fast_Lut_library(benchmark::State& state) {
  CImg<double> out;
  InverseLutFun(samples(), out);
  for (auto _ : state) {
    InverseLutFun(samples(), out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_Fast_Lut_library)->UseRealTime();
void BM_Fast_Lut_plain(benchmark::State& state) {
  double table[256];
  for (int i = 0; i < 256; ++i) table[i] = 255.0 - i;
  CImg<double> out(samples(), "xyzc");
  for (auto _ : state) {
    const double* s = samples().data();
    for (size_t i = 0; i < out.size(); ++i) {
      const double v = s[i] > 0.0 ? std::min(s[i], 255.0) : 0.0;  // NaN takes entry 0
      out[i] = table[static_cast<int>(v)];
    }
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_Fast_Lut_plain)->UseRealTime();

}  // namespace
