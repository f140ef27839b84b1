// Per-slice statistics of a volume: tables of depth rows and channel columns
// whose element [z][v] measures the plane of slice z, channel v. Each measure
// is the whole-image one of core/statistics.cpp and core/cooccurrence.cpp
// (sample_statistics.h) applied to one plane, so an empty or constant plane
// gives what the 2-D measure gives for an empty or constant image. An empty
// volume gives a 0 x 0 table.
#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string>

#include "../core/helpers.h"
#include "../core/sample_statistics.h"
#include "../dll.h"

namespace zel {
namespace {

// The depth x dim table of f(plane, samples per plane, z, v).
template <class F>
ConvArray per_plane(const CImg<double>& in, F f) {
  ConvArray table;
  if (in.is_empty()) {
    table.setSize(0, 0);
    return table;
  }
  table.setSize(in.depth(), in.spectrum());
  const size_t n = plane_size(in);
  for_each_plane(in, [&](const double* p, int z, int c) { table.data[z][c] = f(p, n, z, c); });
  return table;
}

// The table of a co-occurrence cell measure summed over each plane.
template <class Cell>
ConvArray per_cooccurrence_plane(const CImg<double>& in, Cell cell) {
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  return per_plane(in, [&](const double* p, size_t, int, int) { return stats::cooccurrence_sum(p, w, h, cell); });
}

std::string size_text(const CImg<double>& img) {
  return std::to_string(img.width()) + " x " + std::to_string(img.height()) + " x " + std::to_string(img.depth()) +
         " x " + std::to_string(img.spectrum());
}

}  // namespace
}  // namespace zel

using namespace zel;

ZEL_API ConvArray DicomAverageIntensityFun(const CImg<double>& in) {
  return per_plane(in, [](const double* p, size_t n, int, int) { return stats::mean(p, n); });
}

ZEL_API ConvArray DicomVarianceCalcFun(const CImg<double>& in) {
  return per_plane(in, [](const double* p, size_t n, int, int) { return stats::variance(stats::moments<2>(p, n)); });
}

ZEL_API ConvArray DicomSTDCalcFun(const CImg<double>& in) {
  return per_plane(in, [](const double* p, size_t n, int, int) {
    return std::sqrt(stats::variance(stats::moments<2>(p, n)));
  });
}

ZEL_API ConvArray DicomSkewCalcFun(const CImg<double>& in) {
  return per_plane(in, [](const double* p, size_t n, int, int) { return stats::skew(stats::moments<4>(p, n)); });
}

ZEL_API ConvArray DicomKurtosisCalcFun(const CImg<double>& in) {
  return per_plane(in, [](const double* p, size_t n, int, int) { return stats::kurtosis(stats::moments<4>(p, n)); });
}

ZEL_API ConvArray DicomHighestGreyFun(const CImg<double>& in) {
  return per_plane(in, [](const double* p, size_t n, int, int) { return stats::extreme<true>(p, n, 0.0); });
}

ZEL_API ConvArray DicomLowestGreyFun(const CImg<double>& in) {
  return per_plane(in, [](const double* p, size_t n, int, int) { return stats::extreme<false>(p, n, 255.0); });
}

// The volume is first stretched, as a whole, from its smallest..largest
// finite value onto 0..255 and rounded (the floor of v + 0.5); each plane's
// histogram counts the stretched levels. Nothing stretched is stored: each
// level is formed as it is counted. A volume without spread (or without a
// finite value) sits at its minimum: every level is 0 and every entropy 0.
ZEL_API ConvArray DicomEntropyCalcFun(const CImg<double>& in) {
  double lo = 0.0, hi = 0.0;
  stats::finite_range(in.data(), in.size(), lo, hi);
  // Halves keep hi - lo finite for any finite pair.
  const double half_range = hi * 0.5 - lo * 0.5, half_lo = lo * 0.5;
  const double gain = half_range > 0.0 ? 255.0 / half_range : 0.0;
  return per_plane(in, [&](const double* p, size_t n, int, int) {
    stats::Histogram hist;
    if (gain > 0.0) hist.add(p, n, [=](double v) { return std::floor((v * 0.5 - half_lo) * gain + 0.5); });
    else hist.add(p, n, [](double) { return 0.0; });
    return hist.entropy(static_cast<double>(n));
  });
}

// Sum of (a - b)^2 over a's plane, divided by a's plane size, b read at the
// same positions. A second volume smaller than the first on any axis has no
// sample at some of those positions: it is refused.
ZEL_API ConvArray DicomMSECalcFun(const CImg<double>& a, const CImg<double>& b) {
  if (!a.is_empty() && (b.width() < a.width() || b.height() < a.height() || b.depth() < a.depth() ||
                        b.spectrum() < a.spectrum()))
    throw std::invalid_argument("the second volume (" + size_text(b) +
                                ", width x height x slices x channels) is smaller than the first (" + size_text(a) +
                                ")");
  const size_t wa = static_cast<size_t>(a.width()), wb = static_cast<size_t>(b.width());
  return per_plane(a, [&](const double* pa, size_t n, int z, int c) {
    const double* pb = plane_at(b, z, c);
    stats::CompensatedSum acc;
    for (int y = 0; y < a.height(); ++y)
      stats::add_squared_differences(pa + static_cast<size_t>(y) * wa, pb + static_cast<size_t>(y) * wb, wa, acc);
    return acc.value() / static_cast<double>(n);
  });
}

// The co-occurrence measures of each plane read as a matrix (column i, row
// j); homogeneity divides the cells as they are, not truncated.
ZEL_API ConvArray DicomCoHomogFun(const CImg<double>& in) {
  return per_cooccurrence_plane(in, stats::CoHomogCell{false});
}

ZEL_API ConvArray DicomCoEntropyFun(const CImg<double>& in) {
  return per_cooccurrence_plane(in, stats::CoEntropyCell{});
}

ZEL_API ConvArray DicomCoEnergyFun(const CImg<double>& in) { return per_cooccurrence_plane(in, stats::CoEnergyCell{}); }

ZEL_API ConvArray DicomCoContrastFun(const CImg<double>& in) {
  return per_cooccurrence_plane(in, stats::CoContrastCell{});
}
