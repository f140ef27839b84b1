// Shared building blocks of the library's loops over pixel buffers: the
// planes (one slice of one channel) of an image, checked sizing, and
// streaming stores for outputs filled once.
#pragma once

#include <unistd.h>

#include <string>

#include <climits>
#include <cstddef>
#include <stdexcept>
#include <cstdint>

#include "../image.h"

namespace zel {

// Number of pixels in one plane.
inline size_t plane_size(const CImg<double>& img) {
  return static_cast<size_t>(img.width()) * static_cast<size_t>(img.height());
}

// Pointer to the first pixel of plane (z, c); z and c must be in range.
template <class Img>
auto plane_at(Img& img, int z, int c) -> decltype(img.data()) {
  return img.data() + plane_size(img) * (static_cast<size_t>(z) +
                                         static_cast<size_t>(img.depth()) * static_cast<size_t>(c));
}

// Calls f(plane, z, c) with a pointer to the first pixel of every plane.
template <class Img, class F>
void for_each_plane(Img& img, F f) {
  for (int c = 0; c < img.spectrum(); ++c)
    for (int z = 0; z < img.depth(); ++z) f(plane_at(img, z, c), z, c);
}

// Calls f(plane_a, plane_b) for every plane of a and the plane at the same
// slice and channel of b (b at least as deep and as many channels as a).
template <class A, class B, class F>
void for_each_plane_pair(A& a, B& b, F f) {
  for (int c = 0; c < a.spectrum(); ++c)
    for (int z = 0; z < a.depth(); ++z) f(plane_at(a, z, c), plane_at(b, z, c));
}

// Sizes out like in and writes f(sample) for every sample, in one pass over
// the buffer.
template <class F>
void point_map(const CImg<double>& in, CImg<double>& out, F f) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  const double* s = in.data();
  double* d = out.data();
  const size_t n = in.size();
  for (size_t i = 0; i < n; ++i) d[i] = f(s[i]);
}

// Sizes img to w x h x d x c, pixels left uninitialised; a zero or negative
// size gives an empty image. Sizes beyond an int or beyond what one image can
// hold raise std::invalid_argument before anything is allocated.
inline void assign_checked(CImg<double>& img, long long w, long long h, long long d, long long c) {
  if (w <= 0 || h <= 0 || d <= 0 || c <= 0) {
    img.assign();
    return;
  }
  if (w > INT_MAX || h > INT_MAX || d > INT_MAX || c > INT_MAX)
    throw std::invalid_argument("image size does not fit an int");
  // Each factor is below 2^31, so every partial product is checked before it can overflow.
  const unsigned long long limit = static_cast<unsigned long long>(cimg_max_buf_size);
  unsigned long long n = static_cast<unsigned long long>(w);
  for (long long f : {h, d, c}) {
    if (n > limit / static_cast<unsigned long long>(f))
      throw std::invalid_argument("image size exceeds the largest image buffer");
    n *= static_cast<unsigned long long>(f);
  }
  // An image bigger than the machine's memory is refused before the attempt
  // (a sanitizer build would abort on the failed allocation, not throw).
  const long pages = ::sysconf(_SC_PHYS_PAGES), page = ::sysconf(_SC_PAGE_SIZE);
  if (pages > 0 && page > 0 && n > static_cast<unsigned long long>(pages) * static_cast<unsigned long long>(page) / 8)
    throw std::invalid_argument("an image of " + std::to_string(n) + " values is larger than this machine's memory");
  img.assign(static_cast<unsigned int>(w), static_cast<unsigned int>(h), static_cast<unsigned int>(d),
             static_cast<unsigned int>(c));
}

}  // namespace zel

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>

namespace zel {

// Copies n doubles to memory that will not be read again soon (an output
// image being filled row by row), bypassing the cache so that the
// destination lines are not first read in. Call stream_fence() after the last.
inline void stream_copy(double* dst, const double* src, size_t n) {
#if defined(__SSE2__)
  size_t i = 0;
  if (reinterpret_cast<uintptr_t>(dst) % 16 != 0 && n > 0) dst[i] = src[i], ++i;
  if (reinterpret_cast<uintptr_t>(dst + i) % 16 == 0)
    for (; i + 2 <= n; i += 2) _mm_stream_pd(dst + i, _mm_loadu_pd(src + i));
  for (; i < n; ++i) dst[i] = src[i];
#else
  std::memcpy(dst, src, n * sizeof(double));
#endif
}

// dst[i] = 255 where src[i] >= t, 0 elsewhere (NaN gives 0, and a NaN t
// gives 0 everywhere), stored past the cache as stream_copy does.
inline void stream_threshold(double* dst, const double* src, size_t n, double t) {
  size_t i = 0;
#if defined(__SSE2__)
  if (reinterpret_cast<uintptr_t>(dst) % 16 != 0 && n > 0) dst[i] = src[i] >= t ? 255.0 : 0.0, ++i;
  if (reinterpret_cast<uintptr_t>(dst + i) % 16 == 0) {
    const __m128d tt = _mm_set1_pd(t), white = _mm_set1_pd(255.0);
    for (; i + 2 <= n; i += 2) _mm_stream_pd(dst + i, _mm_and_pd(_mm_cmpge_pd(_mm_loadu_pd(src + i), tt), white));
  }
#endif
  for (; i < n; ++i) dst[i] = src[i] >= t ? 255.0 : 0.0;
}

inline void stream_fence() {
#if defined(__SSE2__)
  _mm_sfence();
#endif
}

}  // namespace zel
