// k-means colour clustering, slice by slice, on the colours of all channels
// of each pixel (squared Euclidean distance).
//
// One Lloyd engine serves both operations: it assigns every pixel to its
// nearest centre (ties to the lower index), moves each centre to the mean of
// its pixels (a centre left without pixels stays where it is) and repeats
// until no pixel changes cluster, at most kMaxIterations times.
// - ColourClusterFun starts from k-means++ centres drawn by a generator with a
//   fixed seed, so the same image always gives the same result. Each new
//   centre is drawn among the colours not yet chosen, so an image of fewer
//   distinct colours than k gets one cluster per distinct colour.
// - SIColourClusterFun starts from the peaks of the per-channel histograms;
//   an image of a single colour gives one cluster.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <stdexcept>
#include <vector>

#include "../core/helpers.h"
#include "../core/numeric.h"
#include "../core/parallel.h"
#include "../core/vector_clones.h"
#include "../dll.h"

namespace zel {
namespace {

constexpr int kMaxIterations = 100;  // Lloyd passes per slice at most
constexpr uint32_t kSeed = 12345;    // k-means++ draws
constexpr size_t kBlock = 256;       // pixels whose distances are computed together

// The pixels of one slice: one pointer per channel plane, n pixels each.
struct Slice {
  std::vector<const double*> planes;
  size_t n;
  size_t channels() const { return planes.size(); }
};

Slice slice_of(const CImg<double>& in, int z) {
  Slice s{{}, plane_size(in)};
  for (int c = 0; c < in.spectrum(); ++c) s.planes.push_back(plane_at(in, z, c));
  return s;
}

// d[i] = squared distance of pixels i0 .. i0 + m - 1 to centre (C values).
void distances(const Slice& s, size_t i0, size_t m, const double* centre, double* d) {
  std::fill_n(d, m, 0.0);
  for (size_t c = 0; c < s.channels(); ++c) {
    const double* p = s.planes[c] + i0;
    const double mc = centre[c];
    for (size_t i = 0; i < m; ++i) {
      const double t = p[i] - mc;
      d[i] += t * t;
    }
  }
}

// near[i] = the nearest of the k centres to pixel i0 + i (the lower index on
// a tie), for m <= kBlock pixels; best and d are scratch. Built for AVX2 as
// well, picked at load time where the processor has it.
ZEL_VECTOR_CLONES void nearest_centres(const Slice& s, size_t i0, size_t m, const double* centres, size_t k,
                                       double* best, double* d, int32_t* near) {
  const size_t C = s.channels();
  distances(s, i0, m, centres, best);
  std::fill_n(near, m, 0);
  for (size_t j = 1; j < k; ++j) {
    distances(s, i0, m, centres + j * C, d);
    for (size_t i = 0; i < m; ++i) {
      const bool closer = d[i] < best[i];
      best[i] = closer ? d[i] : best[i];
      near[i] = closer ? static_cast<int32_t>(j) : near[i];
    }
  }
}

// Lloyd iterations from `centres` (k rows of C values); labels receive each
// pixel's cluster. The assignment to the nearest centre, k distances per
// pixel, is split over the threads in blocks; the sums that move the centres
// are then added on one thread in pixel order, so that their rounding, and
// with it the result, does not depend on the thread count.
void lloyd(const Slice& s, std::vector<double>& centres, std::vector<int32_t>& labels) {
  const size_t C = s.channels(), k = centres.size() / C;
  labels.assign(s.n, -1);
  std::vector<double> sums(k * C);
  std::vector<size_t> counts(k);
  const size_t blocks = (s.n + kBlock - 1) / kBlock;
  for (int pass = 0; pass < kMaxIterations; ++pass) {
    std::atomic<size_t> changed(0);
    parallel_ranges(blocks, s.n * k * C, [&](size_t b0, size_t b1) {
      std::vector<double> best(kBlock), d(kBlock);
      int32_t near[kBlock];
      size_t moved = 0;
      for (size_t i0 = b0 * kBlock; i0 < std::min(s.n, b1 * kBlock); i0 += kBlock) {
        const size_t m = std::min(kBlock, s.n - i0);
        nearest_centres(s, i0, m, centres.data(), k, best.data(), d.data(), near);
        int32_t* lab = labels.data() + i0;
        for (size_t i = 0; i < m; ++i) {
          moved += lab[i] != near[i];
          lab[i] = near[i];
        }
      }
      changed += moved;
    });
    if (changed == 0) break;  // the centres are already the means of these clusters
    std::fill(sums.begin(), sums.end(), 0.0);
    std::fill(counts.begin(), counts.end(), 0);
    for (size_t i = 0; i < s.n; ++i) ++counts[static_cast<size_t>(labels[i])];
    for (size_t c = 0; c < C; ++c) {
      const double* p = s.planes[c];
      for (size_t i = 0; i < s.n; ++i) sums[static_cast<size_t>(labels[i]) * C + c] += p[i];
    }
    for (size_t j = 0; j < k; ++j)
      if (counts[j] > 0)
        for (size_t c = 0; c < C; ++c) centres[j * C + c] = sums[j * C + c] / static_cast<double>(counts[j]);
  }
}

// The colour of pixel i appended to centres.
void push_colour(const Slice& s, size_t i, std::vector<double>& centres) {
  for (const double* p : s.planes) centres.push_back(p[i]);
}

// k-means++ (Arthur and Vassilvitskii 2007): the first centre a pixel drawn
// uniformly, each next one a pixel drawn with probability proportional to its
// squared distance to the nearest centre so far. Stops early when every pixel
// has a centre of its own colour.
std::vector<double> kmeanspp_centres(const Slice& s, size_t k) {
  std::mt19937 rng(kSeed);
  const auto unit = [&rng] { return static_cast<double>(rng()) / 4294967296.0; };  // 0 <= u < 1
  std::vector<double> centres;
  push_colour(s, std::min(s.n - 1, static_cast<size_t>(unit() * static_cast<double>(s.n))), centres);
  std::vector<double> nearest(s.n);
  const size_t C = s.channels();
  for (size_t i0 = 0; i0 < s.n; i0 += kBlock)
    distances(s, i0, std::min(kBlock, s.n - i0), centres.data(), nearest.data() + i0);
  const size_t blocks = (s.n + kBlock - 1) / kBlock;
  while (centres.size() / C < k) {
    double total = 0.0;
    for (double v : nearest) total += v;
    if (!(total > 0.0)) break;  // no further distinct colour
    const double target = unit() * total;
    double run = 0.0;
    size_t pick = s.n, last = s.n;
    for (size_t i = 0; i < s.n; ++i) {
      if (!(nearest[i] > 0.0)) continue;
      last = i;
      run += nearest[i];
      if (run > target) {
        pick = i;
        break;
      }
    }
    if (pick == s.n) pick = last;  // rounding left the target beyond the sum
    push_colour(s, pick, centres);
    // Each pixel's distance to its nearest centre, on separate threads.
    const double* centre = centres.data() + centres.size() - C;
    parallel_ranges(blocks, s.n * C, [&](size_t b0, size_t b1) {
      double d[kBlock];
      for (size_t i0 = b0 * kBlock; i0 < std::min(s.n, b1 * kBlock); i0 += kBlock) {
        const size_t m = std::min(kBlock, s.n - i0);
        distances(s, i0, m, centre, d);
        for (size_t i = 0; i < m; ++i) nearest[i0 + i] = smin(nearest[i0 + i], d[i]);
      }
    });
  }
  return centres;
}

// The peaks of a 256-bin histogram smoothed by a 5-bin mean: bins above the
// bin before and not below the bin after (so a plateau gives one peak), in
// ascending grey level.
std::vector<double> histogram_peaks(const double* plane, size_t n) {
  std::vector<double> hist(256, 0.0), smooth(256, 0.0);
  for (size_t i = 0; i < n; ++i) hist[static_cast<size_t>(grey_bin(plane[i]))] += 1.0;
  for (int b = 0; b < 256; ++b) {
    double sum = 0.0;
    int cnt = 0;
    for (int t = std::max(0, b - 2); t <= std::min(255, b + 2); ++t, ++cnt) sum += hist[static_cast<size_t>(t)];
    smooth[static_cast<size_t>(b)] = sum / cnt;
  }
  std::vector<double> peaks;
  for (int b = 0; b < 256; ++b) {
    const double v = smooth[static_cast<size_t>(b)];
    const bool rises = b == 0 || v > smooth[static_cast<size_t>(b - 1)];
    const bool holds = b == 255 || v >= smooth[static_cast<size_t>(b + 1)];
    if (v > 0.0 && rises && holds) peaks.push_back(b);
  }
  return peaks;
}

// Centre i takes the i-th peak of every channel (a channel with fewer peaks
// repeats its last one); repeated centres are dropped.
std::vector<double> peak_centres(const Slice& s) {
  std::vector<std::vector<double>> peaks;
  size_t k = 0;
  for (const double* p : s.planes) {
    peaks.push_back(histogram_peaks(p, s.n));
    k = std::max(k, peaks.back().size());
  }
  const size_t C = s.channels();
  std::vector<double> centres;
  for (size_t i = 0; i < k; ++i) {
    const size_t at = centres.size();
    for (const auto& pc : peaks) centres.push_back(pc[std::min(i, pc.size() - 1)]);
    if (at >= C && std::equal(centres.begin() + static_cast<ptrdiff_t>(at - C), centres.begin() + static_cast<ptrdiff_t>(at),
                              centres.begin() + static_cast<ptrdiff_t>(at)))
      centres.resize(at);
  }
  return centres;
}

// Writes value(label, channel) into slice z of out for every pixel.
template <class F>
void paint(CImg<double>& out, int z, const std::vector<int32_t>& labels, F value) {
  for (int c = 0; c < out.spectrum(); ++c) {
    double* o = plane_at(out, z, c);
    for (size_t i = 0; i < labels.size(); ++i) o[i] = value(labels[i], c);
  }
}

}  // namespace
}  // namespace zel

using namespace zel;

ZEL_API void ColourClusterFun(const CImg<double>& in, CImg<double>& out, int k) {
  require_count(k, 1, kMaxClusters, "the number of clusters");
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  std::vector<int32_t> labels;
  for (int z = 0; z < in.depth(); ++z) {
    const Slice s = slice_of(in, z);
    std::vector<double> centres = kmeanspp_centres(s, static_cast<size_t>(std::min<size_t>(k, s.n)));
    lloyd(s, centres, labels);
    for (double& v : centres) v = std::trunc(v);
    const size_t C = s.channels();
    paint(out, z, labels, [&](int32_t j, int c) { return centres[static_cast<size_t>(j) * C + static_cast<size_t>(c)]; });
    std::fputs("Here #3\n", stdout);
  }
}

// count: 1 plus the number of final centres of the last slice that differ
// from the centre before them in the list; 0 for an image without pixels.
ZEL_API void SIColourClusterFun(const CImg<double>& in, CImg<double>& out1, CImg<double>& out2, double& count) {
  out1.assign(in.width(), in.height(), in.depth(), in.spectrum());
  out2.assign(in.width(), in.height(), in.depth(), in.spectrum());
  count = 0.0;
  if (in.is_empty()) return;
  std::vector<int32_t> labels;
  for (int z = 0; z < in.depth(); ++z) {
    const Slice s = slice_of(in, z);
    std::vector<double> centres = peak_centres(s);
    lloyd(s, centres, labels);
    const size_t C = s.channels();
    paint(out1, z, labels, [&](int32_t j, int c) { return centres[static_cast<size_t>(j) * C + static_cast<size_t>(c)]; });
    paint(out2, z, labels, [](int32_t j, int) { return static_cast<double>(j); });
    count = 1.0;
    for (size_t j = 1; j < centres.size() / C; ++j)
      count += !std::equal(centres.begin() + static_cast<ptrdiff_t>(j * C), centres.begin() + static_cast<ptrdiff_t>((j + 1) * C),
                           centres.begin() + static_cast<ptrdiff_t>((j - 1) * C));
  }
}
