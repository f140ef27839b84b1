// Statistics that reduce an image to one number: mean, spread and shape of
// the value distribution, extremes, histogram entropy and the mean squared
// error between two images. All of them look at every sample (every column,
// row, slice and channel) unless stated otherwise; the sums, moments,
// extremes and histograms are those of sample_statistics.h over the whole
// pixel buffer.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>

#include "../dll.h"
#include "helpers.h"
#include "numeric.h"
#include "sample_statistics.h"

namespace {

using namespace zel::stats;

constexpr auto kSquare = [](auto v) { return v * v; };

}  // namespace

// An empty image has no mean: 0 / 0 gives a NaN.
ZEL_API double AverageIntensityFun(const CImg<double>& in) { return mean(in.data(), in.size()); }

// Empty image: NaN (no samples); constant image: exactly 0.
ZEL_API double VarianceCalcFun(const CImg<double>& in) { return variance(moments<2>(in.data(), in.size())); }

// The square root of VarianceCalcFun: NaN for an empty image, 0 for a constant one.
ZEL_API double STDCalcFun(const CImg<double>& in) { return std::sqrt(VarianceCalcFun(in)); }

// M3 / (n s^3): an empty image gives NaN, a constant one 0 / 0, a NaN.
ZEL_API double SkewCalcFun(const CImg<double>& in) { return skew(moments<4>(in.data(), in.size())); }

// M4 / (n s^4) - 3: an empty image gives NaN, a constant one 0 / 0, a NaN.
ZEL_API double KurtosisCalcFun(const CImg<double>& in) { return kurtosis(moments<4>(in.data(), in.size())); }

// Starts from 0, so an empty or all-negative image gives 0; NaN samples are
// passed over; a largest value beyond the int range saturates to INT_MAX.
ZEL_API int HighestGreyFun(const CImg<double>& in) {
  return zel::saturate_to_int(extreme<true>(in.data(), in.size(), 0.0));
}

// Starts from 255, so an empty image or one above 255 gives 255; NaN samples
// are passed over; a smallest value below the int range saturates to INT_MIN.
ZEL_API int LowestGreyFun(const CImg<double>& in) {
  return zel::saturate_to_int(extreme<false>(in.data(), in.size(), 255.0));
}

// Histogram of slice 0 over all channels, 256 bins. A value's bin is the
// value truncated toward zero; values that would fall outside 0..255 are
// clamped into bin 0 or bin 255 (NaN into bin 0), so nothing is read or
// written outside the histogram. An empty image gives 0.
ZEL_API double EntropyCalcFun(const CImg<double>& in) {
  if (in.is_empty()) return 0.0;
  const size_t plane = zel::plane_size(in);
  Histogram hist;
  for (int c = 0; c < in.spectrum(); ++c) hist.add(zel::plane_at(in, 0, c), plane);
  return hist.entropy(static_cast<double>(plane) * in.spectrum());
}

// Mean of (a - b)^2 over the larger extent of the two images on each axis,
// samples outside an image counting as 0. No padded copies are made: rows
// both images have contribute their squared differences where they overlap
// and the squares of the longer row's tail; rows only one image has
// contribute their squares. Two empty images give 0 / 0, a NaN.
ZEL_API double MSECalcFun(const CImg<double>& a, const CImg<double>& b) {
  const double count = static_cast<double>(std::max(a.width(), b.width())) * std::max(a.height(), b.height()) *
                       std::max(a.depth(), b.depth()) * std::max(a.spectrum(), b.spectrum());
  CompensatedSum acc;
  // Rows of a: with the matching row of b where b has one.
  for (int c = 0; c < a.spectrum(); ++c)
    for (int z = 0; z < a.depth(); ++z) {
      const bool b_plane = c < b.spectrum() && z < b.depth();
      const double* pa = zel::plane_at(a, z, c);
      const double* pb = b_plane ? zel::plane_at(b, z, c) : nullptr;
      const size_t wa = static_cast<size_t>(a.width()), wb = static_cast<size_t>(b.width());
      for (int y = 0; y < a.height(); ++y) {
        const double* ra = pa + static_cast<size_t>(y) * wa;
        if (!b_plane || y >= b.height()) {
          accumulate(ra, wa, kSquare, acc);
          continue;
        }
        const double* rb = pb + static_cast<size_t>(y) * wb;
        const size_t both = std::min(wa, wb);
        add_squared_differences(ra, rb, both, acc);
        if (wa > wb) accumulate(ra + both, wa - both, kSquare, acc);
        else accumulate(rb + both, wb - both, kSquare, acc);
      }
    }
  // Rows of b that a does not have.
  for (int c = 0; c < b.spectrum(); ++c)
    for (int z = 0; z < b.depth(); ++z) {
      const bool a_plane = c < a.spectrum() && z < a.depth();
      const int first = a_plane ? std::min(a.height(), b.height()) : 0;
      const size_t wb = static_cast<size_t>(b.width());
      const double* pb = zel::plane_at(b, z, c) + static_cast<size_t>(first) * wb;
      accumulate(pb, static_cast<size_t>(b.height() - first) * wb, kSquare, acc);
    }
  return acc.value() / count;
}
