#include "transpose.h"

#include <algorithm>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZEL_TRANSPOSE_X86 1
#endif

namespace zel {
namespace {

// A tile of 32 x 32 doubles reads 8 KiB and writes 8 KiB: both stay in the
// first-level cache while the register kernels cross the tile.
constexpr size_t kTile = 32;

bool aligned(const void* p, size_t bytes) { return reinterpret_cast<uintptr_t>(p) % bytes == 0; }

// The element-by-element transposition of columns x0..x1 and rows y0..y1.
inline void plain_part(const double* src, size_t ss, double* dst, size_t ds, size_t x0, size_t x1, size_t y0,
                       size_t y1) {
  for (size_t y = y0; y < y1; ++y)
    for (size_t x = x0; x < x1; ++x) dst[y * ds + x] = src[x * ss + y];
}

#if ZEL_TRANSPOSE_X86

// One tile by 4 x 4 blocks: four source runs of four values are loaded,
// interleaved in pairs (unpack) and their 128-bit halves exchanged
// (permute2f128), giving four destination runs of four values. The edges of
// the tile that do not fill a block go element by element.
__attribute__((target("avx"))) void tile_avx(const double* src, size_t ss, double* dst, size_t ds, size_t x0,
                                             size_t x1, size_t y0, size_t y1, bool stream) {
  const size_t xe = x0 + (x1 - x0) / 4 * 4, ye = y0 + (y1 - y0) / 4 * 4;
  for (size_t y = y0; y < ye; y += 4) {
    for (size_t x = x0; x < xe; x += 4) {
      const double* s = src + x * ss + y;
      const __m256d r0 = _mm256_loadu_pd(s), r1 = _mm256_loadu_pd(s + ss);
      const __m256d r2 = _mm256_loadu_pd(s + 2 * ss), r3 = _mm256_loadu_pd(s + 3 * ss);
      const __m256d t0 = _mm256_unpacklo_pd(r0, r1), t1 = _mm256_unpackhi_pd(r0, r1);
      const __m256d t2 = _mm256_unpacklo_pd(r2, r3), t3 = _mm256_unpackhi_pd(r2, r3);
      const __m256d o0 = _mm256_permute2f128_pd(t0, t2, 0x20), o1 = _mm256_permute2f128_pd(t1, t3, 0x20);
      const __m256d o2 = _mm256_permute2f128_pd(t0, t2, 0x31), o3 = _mm256_permute2f128_pd(t1, t3, 0x31);
      double* d = dst + y * ds + x;
      if (stream) {
        _mm256_stream_pd(d, o0), _mm256_stream_pd(d + ds, o1);
        _mm256_stream_pd(d + 2 * ds, o2), _mm256_stream_pd(d + 3 * ds, o3);
      } else {
        _mm256_storeu_pd(d, o0), _mm256_storeu_pd(d + ds, o1);
        _mm256_storeu_pd(d + 2 * ds, o2), _mm256_storeu_pd(d + 3 * ds, o3);
      }
    }
  }
  plain_part(src, ss, dst, ds, xe, x1, y0, ye);
  plain_part(src, ss, dst, ds, x0, x1, ye, y1);
}

// The same by 2 x 2 blocks, for processors without AVX.
void tile_sse2(const double* src, size_t ss, double* dst, size_t ds, size_t x0, size_t x1, size_t y0, size_t y1,
               bool stream) {
  const size_t xe = x0 + (x1 - x0) / 2 * 2, ye = y0 + (y1 - y0) / 2 * 2;
  for (size_t y = y0; y < ye; y += 2) {
    for (size_t x = x0; x < xe; x += 2) {
      const double* s = src + x * ss + y;
      const __m128d r0 = _mm_loadu_pd(s), r1 = _mm_loadu_pd(s + ss);
      double* d = dst + y * ds + x;
      if (stream) {
        _mm_stream_pd(d, _mm_unpacklo_pd(r0, r1)), _mm_stream_pd(d + ds, _mm_unpackhi_pd(r0, r1));
      } else {
        _mm_storeu_pd(d, _mm_unpacklo_pd(r0, r1)), _mm_storeu_pd(d + ds, _mm_unpackhi_pd(r0, r1));
      }
    }
  }
  plain_part(src, ss, dst, ds, xe, x1, y0, ye);
  plain_part(src, ss, dst, ds, x0, x1, ye, y1);
}

bool has_avx() {
  static const bool yes = [] {
    __builtin_cpu_init();  // may run before the runtime's own initialisation
    return __builtin_cpu_supports("avx") != 0;
  }();
  return yes;
}

#endif

}  // namespace

void transpose(const double* src, size_t src_stride, double* dst, size_t dst_stride, size_t cols, size_t rows,
               bool stream) {
#if ZEL_TRANSPOSE_X86
  // Streaming stores need every destination block to start on a vector
  // boundary: the block starts are dst + y * dst_stride + x with x and y
  // multiples of the block size.
  const bool avx = has_avx();
  const size_t vector = avx ? 32 : 16;
  stream = stream && aligned(dst, vector) && (dst_stride * sizeof(double)) % vector == 0;
  for (size_t y0 = 0; y0 < rows; y0 += kTile) {
    const size_t y1 = std::min(rows, y0 + kTile);
    for (size_t x0 = 0; x0 < cols; x0 += kTile) {
      const size_t x1 = std::min(cols, x0 + kTile);
      if (avx)
        tile_avx(src, src_stride, dst, dst_stride, x0, x1, y0, y1, stream);
      else
        tile_sse2(src, src_stride, dst, dst_stride, x0, x1, y0, y1, stream);
    }
  }
  if (stream) _mm_sfence();
#else
  (void)stream;
  for (size_t y0 = 0; y0 < rows; y0 += kTile)
    for (size_t x0 = 0; x0 < cols; x0 += kTile)
      plain_part(src, src_stride, dst, dst_stride, x0, std::min(cols, x0 + kTile), y0, std::min(rows, y0 + kTile));
#endif
}

void transpose_plain(const double* src, size_t src_stride, double* dst, size_t dst_stride, size_t cols,
                     size_t rows) {
  plain_part(src, src_stride, dst, dst_stride, 0, cols, 0, rows);
}

}  // namespace zel
