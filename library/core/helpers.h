// Shared building blocks of the library's loops: numeric helpers and
// iteration over the planes (one slice of one channel) of an image.
#pragma once

#include <climits>
#include <cstddef>
#include <stdexcept>
#include <cstdint>

#include "../image.h"

namespace zel {

// The smaller / larger of two doubles; the second argument on a tie.
inline double smin(double a, double b) { return a < b ? a : b; }
inline double smax(double a, double b) { return a > b ? a : b; }
// The larger / smaller of two samples in a form the compiler turns into one
// vector instruction; NaN compares false, so a NaN is kept or dropped by its
// position, never a fault.
struct PickMax {
  double operator()(double a, double b) const { return a > b ? a : b; }
};
struct PickMin {
  double operator()(double a, double b) const { return a < b ? a : b; }
};

// Clamps a grey level to 0..255.
inline double flow(double v) { return v < 0.0 ? 0.0 : (v > 255.0 ? 255.0 : v); }

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
  img.assign(static_cast<unsigned int>(w), static_cast<unsigned int>(h), static_cast<unsigned int>(d),
             static_cast<unsigned int>(c));
}

// True when (x, y) addresses a pixel of the image's planes.
inline bool inside(const CImg<double>& img, long x, long y) {
  return x >= 0 && y >= 0 && x < img.width() && y < img.height();
}

// Writes colour (channel 0, 1, 2 taking R, G, B; further channels untouched)
// at (x, y) of every slice; positions outside the image are skipped.
inline void put_colour(CImg<double>& img, long x, long y, const double rgb[3]) {
  if (!inside(img, x, y)) return;
  const size_t n = plane_size(img);
  const size_t at = static_cast<size_t>(y) * img.width() + static_cast<size_t>(x);
  const int channels = img.spectrum() < 3 ? img.spectrum() : 3;
  for (int c = 0; c < channels; ++c)
    for (int z = 0; z < img.depth(); ++z)
      img.data()[at + n * (static_cast<size_t>(z) + static_cast<size_t>(img.depth()) * c)] = rgb[c];
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

inline void stream_fence() {
#if defined(__SSE2__)
  _mm_sfence();
#endif
}

}  // namespace zel
