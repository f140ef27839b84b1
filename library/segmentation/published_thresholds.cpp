// Segmentations by published threshold-selection methods: global thresholds
// chosen from each plane's grey-level histogram, local thresholds from window
// means and deviations, and the removal of small blobs that three of them
// finish with.
//
// Every plane (one slice of one channel) is thresholded on its own, like the
// other grey-level thresholds. Global methods work on grey levels
// (zel::grey_bin: truncated, clamped to 0..255, NaN as level 0) and choose t,
// the last level of the dark class; a sample is 255 when its level is above t
// (a sample that reaches t + 1 is white), so NaN is never white. A plane with
// fewer than two levels present has no split and becomes 0; an empty image
// gives an empty result.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "../core/helpers.h"
#include "../dll.h"
#include "../volume/components3d.h"
#include "levels.h"

namespace {

// ---- Global thresholds ----

// A plane's histogram with its cumulative counts and level sums, so that the
// count, mean and variance of any class of levels 0..t or t+1..255 come in O(1).
struct Histogram {
  const uint64_t* counts;
  double cum[256], cum_sum[256], cum_sq[256];
  int lo, hi;  // lowest and highest level present (lo < hi: callers see two levels at least)

  explicit Histogram(const uint64_t c[256]) : counts(c) {
    double n = 0.0, s = 0.0, q = 0.0;
    lo = 256, hi = -1;
    for (int i = 0; i < 256; ++i) {
      const double k = static_cast<double>(c[i]);
      n += k, s += k * i, q += k * i * i;
      cum[i] = n, cum_sum[i] = s, cum_sq[i] = q;
      if (c[i]) lo = std::min(lo, i), hi = i;
    }
  }
  double total() const { return cum[255]; }
  double variance() const {
    const double m = cum_sum[255] / total();
    return std::max(0.0, cum_sq[255] / total() - m * m);
  }
  // Class statistics of levels 0..t (dark) and t+1..255 (bright); t in [lo, hi - 1]
  // keeps both classes non-empty.
  struct Split {
    double n0, n1, m0, m1, v0, v1;
  };
  Split split(int t) const {
    Split s;
    s.n0 = cum[t], s.n1 = total() - cum[t];
    s.m0 = cum_sum[t] / s.n0, s.m1 = (cum_sum[255] - cum_sum[t]) / s.n1;
    s.v0 = std::max(0.0, cum_sq[t] / s.n0 - s.m0 * s.m0);
    s.v1 = std::max(0.0, (cum_sq[255] - cum_sq[t]) / s.n1 - s.m1 * s.m1);
    return s;
  }
  // The split level for a real threshold x: levels up to x are dark.
  int level_at(double x) const {
    const double t = std::floor(x);
    return static_cast<int>(std::min<double>(std::max<double>(t, lo), hi - 1));  // NaN takes lo
  }
};

// The t in [lo, hi - 1] with the best score, the lowest t on a tie.
template <class Score, class Better>
int best_split(const Histogram& h, Score score, Better better) {
  int best = h.lo;
  double best_score = score(h.split(h.lo));
  for (int t = h.lo + 1; t < h.hi; ++t) {
    const double s = score(h.split(t));
    if (better(s, best_score)) best = t, best_score = s;
  }
  return best;
}

// Otsu (1979): the split with the largest between-class variance, here
// n0 n1 (m0 - m1)^2, which is that variance times the squared total.
int otsu_level(const Histogram& h) {
  return best_split(
      h, [](const Histogram::Split& s) { return s.n0 * s.n1 * (s.m0 - s.m1) * (s.m0 - s.m1); },
      [](double a, double b) { return a > b; });
}

// Kittler and Illingworth (1986), minimum error: the split that minimises
// P0 ln v0 + P1 ln v1 - 2 (P0 ln P0 + P1 ln P1). Each class variance gets the
// 1/12 of a level's width of truncation, so a class of one level has a
// finite criterion (and a two-level image a split).
constexpr double kLevelVariance = 1.0 / 12.0;

int kittler_level(const Histogram& h) {
  const double n = h.total();
  return best_split(
      h,
      [n](const Histogram::Split& s) {
        const double p0 = s.n0 / n, p1 = s.n1 / n;
        return p0 * std::log(s.v0 + kLevelVariance) + p1 * std::log(s.v1 + kLevelVariance) -
               2.0 * (p0 * std::log(p0) + p1 * std::log(p1));
      },
      [](double a, double b) { return a < b; });
}

// Iterates t -> level_at(next(split(t))) from the mean until a level repeats
// (a fixed point, or the first level met again in a cycle).
template <class Next>
int iterate_split(const Histogram& h, Next next) {
  bool seen[256] = {};
  int t = h.level_at(h.cum_sum[255] / h.total());
  while (!seen[t]) {
    seen[t] = true;
    t = h.level_at(next(h.split(t)));
  }
  return t;
}

// Ridler and Calvard (1978), isodata: the midpoint of the two class means.
int ridler_level(const Histogram& h) {
  return iterate_split(h, [](const Histogram::Split& s) { return 0.5 * (s.m0 + s.m1); });
}

// Lloyd (1985), as surveyed by Sezgin and Sankur (2004): the minimum-error
// boundary between two Gaussian classes that share the plane's variance,
// (m0 + m1) / 2 + var / (m1 - m0) ln(P0 / P1), iterated like the two-level
// quantiser (without the log term it would be the isodata threshold).
int lloyd_level(const Histogram& h) {
  const double var = h.variance();
  return iterate_split(h, [var](const Histogram::Split& s) {
    return 0.5 * (s.m0 + s.m1) + var / (s.m1 - s.m0) * std::log(s.n0 / s.n1);
  });
}

// Tsai (1985), moment preserving: the two-level image with the plane's first
// three moments has its dark level with fraction p0; t is the level whose
// cumulative fraction is nearest p0.
int tsai_level(const Histogram& h) {
  const double n = h.total();
  double m[4] = {1.0, 0.0, 0.0, 0.0};
  for (int i = h.lo; i <= h.hi; ++i) {
    const double p = static_cast<double>(h.counts[i]) / n;
    m[1] += p * i, m[2] += p * i * i, m[3] += p * i * i * i;
  }
  const double cd = m[2] - m[1] * m[1];  // > 0: two levels at least
  const double c0 = (m[1] * m[3] - m[2] * m[2]) / cd, c1 = (m[1] * m[2] - m[3]) / cd;
  const double root = std::sqrt(std::max(0.0, c1 * c1 - 4.0 * c0));
  const double z0 = 0.5 * (-c1 - root), z1 = 0.5 * (-c1 + root);
  const double p0 = z1 > z0 ? (z1 - m[1]) / (z1 - z0) : 0.5;
  return best_split(
      h, [p0, n](const Histogram::Split& s) { return std::fabs(s.n0 / n - p0); },
      [](double a, double b) { return a < b; });
}

// Yanni and Horne (1994): the midpoint between the lowest and highest level
// present splits the histogram into two halves; the threshold lies midway
// between the highest bin of each half (the lowest such level on a tie).
int yanni_level(const Histogram& h) {
  const int mid = (h.lo + h.hi) / 2;  // < hi, so both halves hold a level
  auto peak = [&](int from, int to) {
    int p = from;
    for (int i = from + 1; i <= to; ++i)
      if (h.counts[i] > h.counts[p]) p = i;
    return p;
  };
  return h.level_at(0.5 * (peak(h.lo, mid) + peak(mid + 1, h.hi)));
}

// Sizes out like in and sets each plane to 255 where the level is above the
// plane's choice t, 0 elsewhere: one pass counts the levels, one compares the
// samples with t + 1 (for t < 255 a sample reaches t + 1 exactly when its
// level is above t; NaN reaches nothing). out may be in.
template <class Choose>
void global_segmentation(const CImg<double>& in, CImg<double>& out, Choose choose) {
  zel::assign_checked(out, in.width(), in.height(), in.depth(), in.spectrum());
  const size_t n = zel::plane_size(in);
  if (out.is_empty()) return;
  for (int c = 0; c < in.spectrum(); ++c)
    for (int z = 0; z < in.depth(); ++z) {
      uint64_t counts[256] = {};
      zel::levels::grey_histogram(zel::plane_at(in, z, c), n, counts, nullptr);
      const Histogram h(counts);
      const int t = h.lo < h.hi ? choose(h) : 255;  // choose gives at most 254
      const double no_sample = std::numeric_limits<double>::quiet_NaN();
      zel::stream_threshold(zel::plane_at(out, z, c), zel::plane_at(in, z, c), n, t < 255 ? t + 1.0 : no_sample);
    }
  zel::stream_fence();
}

// ---- Local thresholds ----

// Window sums of one w x h plane: for every row y, f(y, sum, sq, count)
// receives per column the sum and the sum of squares of the samples in the
// (2r+1) x (2r+1) window around it, clipped to the plane, and how many
// samples that is. Non-finite samples count as 0. Column sums run down the
// plane and a prefix sum runs along each row, so the cost per pixel does not
// depend on r; running sums of grey levels (integers) are exact.
template <class F>
void window_sums(const double* p, size_t w, size_t h, size_t r, F f) {
  std::vector<double> col(w, 0.0), col_sq(w, 0.0), pre(w + 1, 0.0), pre_sq(w + 1, 0.0);
  std::vector<double> sum(w), sq(w), count(w);
  auto add_row = [&](size_t y, double sign) {
    const double* row = p + y * w;
    for (size_t x = 0; x < w; ++x) {
      const double v = std::isfinite(row[x]) ? row[x] : 0.0;
      col[x] += sign * v, col_sq[x] += sign * v * v;
    }
  };
  for (size_t y = 0; y < std::min(r, h); ++y) add_row(y, 1.0);
  for (size_t y = 0; y < h; ++y) {
    if (y + r < h) add_row(y + r, 1.0);
    if (y > r) add_row(y - r - 1, -1.0);
    const double rows = static_cast<double>(std::min(h - 1, y + r) - (y > r ? y - r : 0) + 1);
    for (size_t x = 0; x < w; ++x) pre[x + 1] = pre[x] + col[x], pre_sq[x + 1] = pre_sq[x] + col_sq[x];
    for (size_t x = 0; x < w; ++x) {
      const size_t x0 = x > r ? x - r : 0, x1 = std::min(w - 1, x + r) + 1;
      sum[x] = pre[x1] - pre[x0], sq[x] = pre_sq[x1] - pre_sq[x0];
      count[x] = rows * static_cast<double>(x1 - x0);
    }
    f(y, sum.data(), sq.data(), count.data());
  }
}

// Sizes out like in and fills every plane with a window rule:
// rule(sample, mean, variance, count) gives 255 or 0.
template <class Rule>
void local_segmentation(const CImg<double>& in, CImg<double>& out, size_t r, Rule rule) {
  zel::assign_checked(out, in.width(), in.height(), in.depth(), in.spectrum());
  if (out.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  zel::for_each_plane_pair(in, out, [&](const double* s, double* d) {
    window_sums(s, w, h, r, [&](size_t y, const double* sum, const double* sq, const double* count) {
      const double* sr = s + y * w;
      double* dr = d + y * w;
      for (size_t x = 0; x < w; ++x) {
        const double mean = sum[x] / count[x];
        dr[x] = rule(sr[x], mean, std::max(0.0, sq[x] / count[x] - mean * mean), count[x]);
      }
    });
  });
}

constexpr size_t kWindowRadius = 4;  // the 9 x 9 window of Sauvola and modified Niblack

// Sauvola and Pietikainen (2000): t = m (1 + k (s / R - 1)) with their k and R.
constexpr double kSauvolaK = 0.5;
constexpr double kSauvolaR = 128.0;
constexpr uint64_t kSauvolaMinBlob = 80;

// Khurshid et al. (2009), "NICK", Niblack's rule modified so that flat
// bright areas stay background: t = m + k sqrt((sum of squares - m^2) / NP);
// they advise k from -0.2 to -0.1.
constexpr double kNiblackK = -0.1;

// Palumbo, Swaminathan and Srihari (1986), with the parameters of Trier and
// Jain's (1995) evaluation: a pixel is print (255) when it is at most kT1, or
// when its 3 x 3 block is darker than the mean of the four 3 x 3 blocks on its
// diagonals: kT3 m_neigh + kT5 > kT4 m_center.
constexpr double kPalumboT1 = 20.0;
constexpr double kPalumboT3 = 0.85;
constexpr double kPalumboT4 = 1.0;
constexpr double kPalumboT5 = 0.0;
constexpr uint64_t kPalumboMinBlob = 100;
constexpr uint64_t kTsaiMinBlob = 100;

}  // namespace

ZEL_API void KapurSegmentationFun(const CImg<double>& in, CImg<double>& out) {
  global_segmentation(in, out, [](const Histogram& h) { return zel::levels::kapur_level(h.counts); });
}

ZEL_API void KittlerSegmentationFun(const CImg<double>& in, CImg<double>& out) {
  global_segmentation(in, out, kittler_level);
}

ZEL_API void LloydSegmentationFun(const CImg<double>& in, CImg<double>& out) {
  global_segmentation(in, out, lloyd_level);
}

ZEL_API void OtsuSegmentationFun(const CImg<double>& in, CImg<double>& out) {
  global_segmentation(in, out, otsu_level);
}

ZEL_API void RiddlerSegmentationFun(const CImg<double>& in, CImg<double>& out) {
  global_segmentation(in, out, ridler_level);
}

ZEL_API void TsaiSegmentationFun(const CImg<double>& in, CImg<double>& out) {
  global_segmentation(in, out, tsai_level);
  zel::drop_small_components(out, kTsaiMinBlob);
}

// The equalised image is built in out and thresholded there.
ZEL_API void YanniSegmentationFun(const CImg<double>& in, CImg<double>& out) {
  HistEqualiserFun(in, out);
  global_segmentation(out, out, yanni_level);
}

// A flat plane has s = 0, so t = m (1 - k): positive samples are above it.
ZEL_API void SauvolaSegmentationFun(const CImg<double>& in, CImg<double>& out) {
  local_segmentation(in, out, kWindowRadius, [](double v, double mean, double var, double) {
    return v > mean * (1.0 + kSauvolaK * (std::sqrt(var) / kSauvolaR - 1.0)) ? 255.0 : 0.0;
  });
  zel::drop_small_components(out, kSauvolaMinBlob);
}

// Dark objects: 255 below the threshold. sum of squares / NP - m^2 / NP is
// the variance plus m^2 (1 - 1 / NP), never negative.
ZEL_API void ModifiedNiblackSegmentationFun(const CImg<double>& in, CImg<double>& out) {
  local_segmentation(in, out, kWindowRadius, [](double v, double mean, double var, double count) {
    return v < mean + kNiblackK * std::sqrt(var + mean * mean * (1.0 - 1.0 / count)) ? 255.0 : 0.0;
  });
}

// The 3 x 3 block means of a plane are kept whole, as every pixel reads
// five of them; diagonal blocks whose centre lies outside the plane take no
// part, and a pixel without any is judged by kT1 alone. NaN is 0.
ZEL_API void PalumboSegmentationFun(const CImg<double>& in, CImg<double>& out) {
  zel::assign_checked(out, in.width(), in.height(), in.depth(), in.spectrum());
  if (out.is_empty()) return;
  const long w = in.width(), h = in.height();
  std::vector<double> block(zel::plane_size(in));
  zel::for_each_plane_pair(in, out, [&](const double* s, double* d) {
    window_sums(s, static_cast<size_t>(w), static_cast<size_t>(h), 1,
                [&](size_t y, const double* sum, const double*, const double* count) {
                  for (long x = 0; x < w; ++x) block[y * w + x] = sum[x] / count[x];
                });
    for (long y = 0; y < h; ++y)
      for (long x = 0; x < w; ++x) {
        const double v = s[y * w + x];
        double neigh = 0.0;
        int blocks = 0;
        for (long dy : {-3L, 3L})
          for (long dx : {-3L, 3L})
            if (y + dy >= 0 && y + dy < h && x + dx >= 0 && x + dx < w) neigh += block[(y + dy) * w + x + dx], ++blocks;
        const bool dark = v <= kPalumboT1 ||
                          (blocks > 0 && kPalumboT3 * (neigh / blocks) + kPalumboT5 > kPalumboT4 * block[y * w + x]);
        d[y * w + x] = dark && !std::isnan(v) ? 255.0 : 0.0;
      }
  });
  zel::drop_small_components(out, kPalumboMinBlob);
}
