// Transposition of blocks of doubles, the step between a value file's
// planes (column by column) and an image's planes (row by row).
#pragma once

#include <cstddef>

namespace zel {

// dst[y * dst_stride + x] = src[x * src_stride + y] for x < cols, y < rows:
// `cols` source runs of `rows` values become `rows` destination runs of
// `cols` values. Works in cache-sized tiles with 4 x 4 (AVX) or 2 x 2 (SSE2)
// register kernels. With `stream`, destination runs that start on a 32-byte
// boundary are written past the cache (for a large destination that is not
// read again soon). src and dst must not overlap.
void transpose(const double* src, size_t src_stride, double* dst, size_t dst_stride, size_t cols, size_t rows,
               bool stream);

// The same, one element at a time: the reference the fast one must equal.
void transpose_plain(const double* src, size_t src_stride, double* dst, size_t dst_stride, size_t cols,
                     size_t rows);

}  // namespace zel
