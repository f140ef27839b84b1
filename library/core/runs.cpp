// Bit masks of rows and the runs of object pixels they hold.
#include "runs.h"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace zel {

namespace kernels {

uint64_t mask64_plain(const double* p, double t) {
  uint64_t bits = 0;
  for (int j = 0; j < 64; ++j) bits |= static_cast<uint64_t>(p[j] >= t) << j;
  return bits;
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) uint64_t mask64_avx2(const double* p, double t) {
  const __m256d tv = _mm256_set1_pd(t);
  uint64_t bits = 0;
  for (int j = 0; j < 64; j += 4)
    bits |= static_cast<uint64_t>(_mm256_movemask_pd(_mm256_cmp_pd(_mm256_loadu_pd(p + j), tv, _CMP_GE_OQ))) << j;
  return bits;
}
#endif

}  // namespace kernels

namespace {

// The widest form that this processor runs, chosen once.
using Mask64 = uint64_t (*)(const double*, double);
Mask64 pick_mask64() {
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx2")) return kernels::mask64_avx2;
#endif
  return kernels::mask64_plain;
}
const Mask64 mask64 = pick_mask64();

}  // namespace

void mask_at_least(const double* row, int w, double t, uint64_t* words, bool keep) {
  const size_t n = static_cast<size_t>(w);
  size_t k = 0;
  for (; (k + 1) * 64 <= n; ++k) {
    const uint64_t bits = mask64(row + k * 64, t);
    words[k] = keep ? (words[k] & bits) : bits;
  }
  if (k * 64 < n) {  // the last, partial word
    uint64_t bits = 0;
    for (size_t j = 0; k * 64 + j < n; ++j) bits |= static_cast<uint64_t>(row[k * 64 + j] >= t) << j;
    words[k] = keep ? (words[k] & bits) : bits;
  }
}

namespace {

// Position of the first set (or, with set false, clear) bit at or after
// `from`; nwords * 64 when there is none.
size_t next_bit(const uint64_t* words, size_t nwords, size_t from, bool set) {
  size_t k = from / 64;
  if (k >= nwords) return nwords * 64;
  uint64_t m = (set ? words[k] : ~words[k]) & (~uint64_t(0) << (from % 64));
  while (m == 0) {
    if (++k >= nwords) return nwords * 64;
    m = set ? words[k] : ~words[k];
  }
  return k * 64 + static_cast<size_t>(__builtin_ctzll(m));
}

}  // namespace

void runs_of_row(const uint64_t* words, int w, int32_t y, std::vector<Run>& runs) {
  const size_t nwords = mask_words(w), width = static_cast<size_t>(w);
  for (size_t x = 0;;) {
    const size_t start = next_bit(words, nwords, x, true);
    if (start >= width) return;
    const size_t end = std::min(next_bit(words, nwords, start, false), width);  // one past the run
    runs.push_back({y, static_cast<int32_t>(start), static_cast<int32_t>(end - 1), 0});
    x = end;
  }
}

}  // namespace zel
