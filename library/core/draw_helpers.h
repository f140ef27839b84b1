// Building blocks of the drawing operations: clipped rectangle fills in
// every slice, integer circle spans and exact line rounding. All coordinate
// arithmetic is 64-bit so that any int position or size is safe.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "../datatypes.h"
#include "helpers.h"

namespace zel {

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

inline void colour_values(const RGBTriplet& colour, double rgb[3]) {
  rgb[0] = colour.getR();
  rgb[1] = colour.getG();
  rgb[2] = colour.getB();
}

// Channels that take a colour: 0..2, as far as the image has them.
inline int colour_channels(const CImg<double>& img) { return img.spectrum() < 3 ? img.spectrum() : 3; }

// Fills columns x0..x1 and rows y0..y1 (inclusive; nothing when x0 > x1 or
// y0 > y1) with the colour in every slice, clipped to the image.
inline void fill_rect(CImg<double>& img, long long x0, long long y0, long long x1, long long y1,
                      const double rgb[3]) {
  x0 = std::max(x0, 0LL);
  y0 = std::max(y0, 0LL);
  x1 = std::min(x1, static_cast<long long>(img.width()) - 1);
  y1 = std::min(y1, static_cast<long long>(img.height()) - 1);
  if (x0 > x1 || y0 > y1) return;
  const size_t w = static_cast<size_t>(img.width());
  const size_t len = static_cast<size_t>(x1 - x0 + 1);
  for (int c = 0; c < colour_channels(img); ++c)
    for (int z = 0; z < img.depth(); ++z) {
      double* row = plane_at(img, z, c) + static_cast<size_t>(y0) * w + static_cast<size_t>(x0);
      for (long long y = y0; y <= y1; ++y, row += w) std::fill(row, row + len, rgb[c]);
    }
}

// Largest m >= 0 with m*m + d2 <= r2 (strict: m*m + d2 < r2); -1 when
// there is none. The square root only gives the start; the exact test decides.
inline long long half_span(double d2, double r2, bool strict) {
  auto fits = [&](long long m) {
    const double s = static_cast<double>(m) * static_cast<double>(m) + d2;
    return strict ? s < r2 : s <= r2;
  };
  if (!fits(0)) return -1;
  long long m = static_cast<long long>(std::floor(std::sqrt(r2 - d2)));
  for (int i = 0; i < 4 && fits(m + 1); ++i) ++m;
  for (int i = 0; i < 4 && m > 0 && !fits(m); ++i) --m;
  return m;
}

// Minor coordinate a + i * d / len of a line at step i (0..len, len > 0) along
// its major axis, rounded to the nearest pixel with halves towards larger
// coordinates. Exact: i, |d| <= len < 2^32 keep the product within 64 bits unsigned.
inline long long line_minor(long long a, long long d, long long len, long long i) {
  const uint64_t p = static_cast<uint64_t>(i) * static_cast<uint64_t>(d < 0 ? -d : d);
  const uint64_t n = static_cast<uint64_t>(len);
  const long long q = static_cast<long long>(p / n);
  const uint64_t r2 = 2 * (p % n);
  return d >= 0 ? a + q + (r2 >= n ? 1 : 0) : a - q - (r2 > n ? 1 : 0);
}

}  // namespace zel
