// Grey-level thresholds: the entropic choice of a threshold, the grey cap,
// the adaptive (local mean) thresholds, the three-band threshold and grey
// marking of white pixels.
//
// Integer thresholds and offsets are used as given, at any size: a threshold
// above every sample or below every sample simply puts all samples on one
// side. A sample equal to a threshold counts as reaching it, and NaN reaches
// nothing (every comparison with it is false).
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "../core/border.h"
#include "../core/helpers.h"
#include "../dll.h"
#include "levels.h"

namespace {

// Adaptive threshold over a (2r+1) x (2r+1) window under the border rule
// ZeroPadded (pixels outside the plane count as 0): 255 where sample >=
// window sum / window area - offset, 0 elsewhere. Separable: the horizontal
// window sums of the rows the window spans are kept in a ring of 2r+1 rows,
// each row's sums computed once from a padded copy of the row, so the cost is
// O(r) per pixel and there is no running-sum drift.
template <int r>
void adaptive_threshold(const CImg<double>& in, CImg<double>& out, zel::Border border, int offset) {
  zel::require_border(border, {zel::Border::ZeroPadded}, "the adaptive threshold");
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  constexpr size_t span = 2 * r + 1;
  const double area = static_cast<double>(span * span), off = offset;
  std::vector<double> padded(w + 2 * r), ring(span * w);
  auto row_sums = [&](const double* src, double* dst) {
    std::copy(src, src + w, padded.begin() + r);
    zel::pad_row(padded.data() + r, w, r, border);
    for (size_t x = 0; x < w; ++x) {
      double s = 0.0;
      for (size_t k = 0; k < span; ++k) s += padded[x + k];
      dst[x] = s;
    }
  };
  zel::for_each_plane_pair(in, out, [&](const double* s, double* d) {
    // Ring slot y % span holds the sums of row y; rows outside the plane are 0.
    std::fill(ring.begin(), ring.end(), 0.0);
    for (size_t y = 0; y < h && y < static_cast<size_t>(r); ++y) row_sums(s + y * w, &ring[(y % span) * w]);
    for (size_t y = 0; y < h; ++y) {
      const size_t next = y + r;  // the row that enters the window now
      double* slot = &ring[(next % span) * w];
      if (next < h) row_sums(s + next * w, slot);
      else std::fill(slot, slot + w, 0.0);
      const double* sr = s + y * w;
      double* dr = d + y * w;
      const double* q = ring.data();
      for (size_t x = 0; x < w; ++x) {
        double sum = 0.0;
        for (size_t k = 0; k < span; ++k) sum += q[k * w + x];
        dr[x] = sr[x] >= sum / area - off ? 255.0 : 0.0;
      }
    }
  });
}

}  // namespace

namespace zel {
namespace levels {

// With counts n_i and class total N, the entropy of a class is
// ln N - (sum of n_i ln n_i) / N; nlogn[t] is that sum over levels 0..t.
int kapur_level(const uint64_t counts[256]) {
  double nlogn[256], total_nlogn = 0.0;
  uint64_t cum[256], total = 0;
  for (int i = 0; i < 256; ++i) {
    const double n = static_cast<double>(counts[i]);
    total_nlogn += counts[i] ? n * std::log(n) : 0.0;
    total += counts[i];
    nlogn[i] = total_nlogn;
    cum[i] = total;
  }
  int best = -1;
  double best_h = 0.0;
  for (int t = 0; t < 255; ++t) {
    if (cum[t] == 0 || cum[t] == total) continue;
    const double nb = static_cast<double>(cum[t]), nw = static_cast<double>(total - cum[t]);
    const double h = std::log(nb) - nlogn[t] / nb + std::log(nw) - (total_nlogn - nlogn[t]) / nw;
    if (best < 0 || h > best_h + 1e-12) best = t, best_h = h;  // a margin, so rounding cannot break a tie
  }
  if (best >= 0) return best;
  int lowest = 0;
  while (lowest < 255 && counts[lowest] == 0) ++lowest;
  return counts[lowest] ? lowest : 0;
}

}  // namespace levels
}  // namespace zel

// Kapur, Sahoo and Wong's maximum entropy criterion over slice 0 of channel 0:
// the threshold t splits the histogram into levels 0..t and t+1..255 and
// maximises the sum of the two classes' entropies. The result is the last
// level of the dark class; the lowest t wins a tie. Without two non-empty
// classes (an empty image or a single grey level) the result is the lowest
// level present, 0 if none.
ZEL_API int EntropicThresholdFun(const CImg<double>& in) {
  if (in.is_empty()) return 0;
  uint64_t counts[256] = {};
  zel::levels::grey_histogram(zel::plane_at(in, 0, 0), zel::plane_size(in), counts, nullptr);
  return zel::levels::kapur_level(counts);
}

ZEL_API void GSCapThresholdFun(const CImg<double>& in, CImg<double>& out, int threshold) {
  const double t = threshold;
  zel::point_map(in, out, [t](double v) { return v >= t ? v : 0.0; });
}

ZEL_API void AdaptiveThreshold3x3Fun(const CImg<double>& in, CImg<double>& out, int offset) {
  adaptive_threshold<1>(in, out, zel::Border::ZeroPadded, offset);
}

ZEL_API void AdaptiveThreshold5x5Fun(const CImg<double>& in, CImg<double>& out, int offset) {
  adaptive_threshold<2>(in, out, zel::Border::ZeroPadded, offset);
}

// Bands: below low 0, from low to below high 127, from high up 255.
ZEL_API void TripleThresholdFun(const CImg<double>& in, CImg<double>& out, int low, int high) {
  const double lo = low < high ? low : high, hi = low < high ? high : low;
  zel::point_map(in, out, [lo, hi](double v) { return v >= hi ? 255.0 : (v >= lo ? 127.0 : 0.0); });
}

// The grey value is written as given, without clamping.
ZEL_API void BinGreyFun(const CImg<double>& in, CImg<double>& out, int grey) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const double g = grey;
  const size_t n = zel::plane_size(in);
  for (int c = 0; c < in.spectrum(); ++c) {
    const double* s = zel::plane_at(in, 0, c);
    double* d = zel::plane_at(out, 0, c);
    for (size_t i = 0; i < n; ++i) d[i] = s[i] >= 255.0 ? g : 0.0;
    std::fill(d + n, d + n * static_cast<size_t>(in.depth()), 0.0);  // the later slices of channel c
  }
}
