// Rows of a plane as bit masks (one bit per pixel) and the runs of object
// pixels they hold: the shared first step of blob analysis and of the
// bit-quad measures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zel {

// A horizontal run of object pixels, columns x0..x1 inclusive, of row y.
struct Run {
  int32_t y, x0, x1;
  int32_t label;  // 1..count, in raster order of each blob's first pixel
};

// One bit per pixel of a row: bit x % 64 of word x / 64 is set for object.
inline size_t mask_words(int w) { return (static_cast<size_t>(w) + 63) / 64; }

// Sets, in words (mask_words(w) of them), the bits of the pixels of row[0..w)
// that are at least t; with `keep`, ANDs them into the bits already there.
void mask_at_least(const double* row, int w, double t, uint64_t* words, bool keep = false);

// The 64-value step of mask_at_least: bit j set where p[j] >= t (NaN is
// never object). mask_at_least uses the AVX2 form where the processor has it.
namespace kernels {
uint64_t mask64_plain(const double* p, double t);
#if defined(__x86_64__)
uint64_t mask64_avx2(const double* p, double t);  // call only where the processor has AVX2
#endif
}  // namespace kernels

// Appends the runs of one row's mask to `runs`.
void runs_of_row(const uint64_t* words, int w, int32_t y, std::vector<Run>& runs);

}  // namespace zel
