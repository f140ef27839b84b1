// k-means on the values of a volume. One-dimensional k-means depends only on
// how many voxels hold each value, so the clustering runs on the list of
// distinct values with their counts: a histogram when the values are whole
// numbers over a short span (the usual grey volumes), a sorted copy of the
// finite values otherwise. Each Lloyd step then costs the number of distinct
// values, not the number of voxels, and the result is the same as on the
// voxels themselves.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <stdexcept>
#include <vector>

#include "../core/numeric.h"
#include "../core/parallel.h"
#include "../dll.h"

namespace {

// Widest span of whole values that is counted in a histogram.
constexpr double kHistogramSpan = 1 << 22;
// Lloyd steps at most; a step that moves no centre ends the iteration first.
constexpr int kMaxIterations = 200;

struct Level {
  double value;
  double count;
};

// The distinct finite values of in with their counts, in increasing order.
std::vector<Level> value_levels(const CImg<double>& in) {
  const double* p = in.data();
  const size_t n = in.size();
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  bool whole = true;
  for (size_t i = 0; i < n; ++i) {
    const double v = p[i];
    if (!std::isfinite(v)) continue;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
    whole = whole && v == std::floor(v);
  }
  std::vector<Level> levels;
  if (lo > hi) return levels;
  if (whole && hi - lo < kHistogramSpan) {
    std::vector<double> counts(static_cast<size_t>(hi - lo) + 1, 0.0);
    for (size_t i = 0; i < n; ++i)
      if (std::isfinite(p[i])) counts[static_cast<size_t>(p[i] - lo)] += 1.0;
    for (size_t b = 0; b < counts.size(); ++b)
      if (counts[b] > 0) levels.push_back({lo + static_cast<double>(b), counts[b]});
    return levels;
  }
  std::vector<double> sorted;
  sorted.reserve(n);
  for (size_t i = 0; i < n; ++i)
    if (std::isfinite(p[i])) sorted.push_back(p[i]);
  std::sort(sorted.begin(), sorted.end());
  for (double v : sorted) {
    if (!levels.empty() && levels.back().value == v)
      levels.back().count += 1.0;
    else
      levels.push_back({v, 1.0});
  }
  return levels;
}

// Index of the centre nearest to v among the increasing centres c (the lower
// one on a tie), by the midpoints between neighbours.
size_t nearest(const std::vector<double>& c, double v) {
  size_t lo = 0, hi = c.size() - 1;
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    if (v <= 0.5 * (c[mid] + c[mid + 1]))
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}

// The k-means centres of the finite values of in, increasing: the distinct
// values themselves when there are at most k of them (none when in holds no
// finite value).
std::vector<double> value_centres(const CImg<double>& in, int k) {
  zel::require_count(k, 1, zel::kMaxClusters, "the number of clusters");
  const std::vector<Level> levels = value_levels(in);
  if (levels.empty()) return {};
  if (levels.size() <= static_cast<size_t>(k)) {  // every value its own cluster: no error left to reduce
    std::vector<double> own(levels.size());
    for (size_t j = 0; j < levels.size(); ++j) own[j] = levels[j].value;
    return own;
  }
  const double lo = levels.front().value, hi = levels.back().value;
  const size_t n = static_cast<size_t>(k);
  // Initial centres spread evenly over the value range, at the middle of each
  // of n equal parts: deterministic and increasing.
  std::vector<double> centres(n);
  for (size_t j = 0; j < n; ++j) centres[j] = lo + (hi - lo) * (static_cast<double>(j) + 0.5) / static_cast<double>(n);
  std::vector<double> sum(n), weight(n);
  for (int it = 0; it < kMaxIterations; ++it) {
    std::fill(sum.begin(), sum.end(), 0.0);
    std::fill(weight.begin(), weight.end(), 0.0);
    // The levels are increasing, so the nearest centre never moves back.
    size_t j = 0;
    for (const Level& l : levels) {
      while (j + 1 < n && l.value > 0.5 * (centres[j] + centres[j + 1])) ++j;
      sum[j] += l.value * l.count;
      weight[j] += l.count;
    }
    bool moved = false;
    for (size_t c = 0; c < n; ++c) {
      if (weight[c] == 0) continue;  // an empty cluster keeps its centre
      const double m = sum[c] / weight[c];
      moved = moved || m != centres[c];
      centres[c] = m;
    }
    std::sort(centres.begin(), centres.end());
    if (!moved) break;
  }
  return centres;
}

}  // namespace

ZEL_API void Cluster3DFun(const CImg<double>& in, CImg<double>& out, int k) {
  const std::vector<double> centres = value_centres(in, k);
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  const double* p = in.data();
  double* q = out.data();
  const size_t n = in.size();
  // A search among the centres per voxel: pieces of the volume on separate threads.
  size_t steps = 1;
  while ((size_t{1} << steps) < centres.size()) ++steps;
  zel::parallel_ranges(n, n * steps, [&](size_t i0, size_t i1) {
    for (size_t i = i0; i < i1; ++i)
      q[i] = std::isfinite(p[i]) ? std::trunc(centres[nearest(centres, p[i])]) : p[i];  // non-finite values kept
  });
}
