// Watershed segmentation by flooding. Each plane (slice, channel) is smoothed
// twice by the 3x3 low-pass filter, each time rounded to whole grey levels;
// every regional minimum of the result (a connected plateau with no lower
// neighbour) is a basin, numbered 1, 2, ... in raster order of its first
// pixel; the basins then grow level by level from a queue of 256 FIFOs, one
// per grey level, each pixel once: linear in the number of pixels.
// Neighbourhoods are the eight surrounding pixels throughout.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "../core/helpers.h"
#include "../dll.h"

namespace {

// A pixel's label, or its state before it has one.
constexpr int32_t kOutside = -1;  // the frame around a plane
constexpr int32_t kUnset = 0;
constexpr int32_t kQueued = -2;   // waiting in the flooding queue
constexpr int32_t kVisited = -3;  // on a plateau already found not to be a minimum

// Label and level in one 32-bit word, so that a pixel's neighbours are few
// cache lines. Basins beyond kMaxLabel share that label.
struct Px {
  int32_t label : 24;
  uint32_t level : 8;
};
static_assert(sizeof(Px) == 4, "one word per pixel");
constexpr int32_t kMaxLabel = (1 << 23) - 1;

// Rounds to the nearest level (half up); levels outside 0..255 are clamped
// to the nearest end and NaN counts as 0.
inline uint32_t level_of(double v) {
  const double r = std::floor(v + 0.5);
  return static_cast<uint32_t>(r >= 0.0 ? (r <= 255.0 ? r : 255.0) : 0.0);
}

// Pixel indices, one FIFO per grey level; the lowest non-empty level is served first.
template <class Index>
class LevelQueue {
 public:
  void push(size_t p, int level) {
    fifo_[level].push_back(static_cast<Index>(p));
    level_ = std::min(level_, level);
  }
  bool pop(size_t& p) {
    for (; level_ < 256; ++level_)
      if (head_[level_] < fifo_[level_].size()) {
        p = fifo_[level_][head_[level_]++];
        return true;
      }
    return false;
  }
  int level() const { return level_; }

 private:
  std::array<std::vector<Index>, 256> fifo_;
  std::array<size_t, 256> head_{};
  int level_ = 0;
};

// One plane padded with a frame of kOutside, (w + 2) x (h + 2) pixels.
struct Plane {
  size_t w, h, pw;
  std::vector<Px> px;
  ptrdiff_t nb[8];
};

// Numbers the regional minima, each of its pixels taking the basin's label.
void label_minima(Plane& P) {
  std::vector<size_t> plateau;
  int32_t basins = 0;
  for (size_t y = 1; y <= P.h; ++y)
    for (size_t x = 1; x <= P.w; ++x) {
      const size_t s = y * P.pw + x;
      if (P.px[s].label != kUnset) continue;
      const uint32_t v = P.px[s].level;
      bool minimum = true;
      plateau.assign(1, s);
      P.px[s].label = kVisited;
      for (size_t i = 0; i < plateau.size(); ++i)
        for (ptrdiff_t d : P.nb) {
          Px& q = P.px[plateau[i] + d];
          if (q.label == kOutside) continue;
          if (q.level < v) minimum = false;
          else if (q.level == v && q.label == kUnset) q.label = kVisited, plateau.push_back(plateau[i] + d);
        }
      if (!minimum) continue;
      basins = std::min(basins + 1, kMaxLabel);
      for (size_t p : plateau) P.px[p].label = basins;
    }
  for (Px& q : P.px) q.label = q.label == kVisited ? kUnset : q.label;
}

// Floods from the basins: each pixel, taken in order of level (never below
// the level being flooded) and first come first served within a level, joins
// the largest label among its labelled neighbours, so a pixel where basins
// meet goes to the larger label.
template <class Index>
void flood(Plane& P) {
  LevelQueue<Index> queue;
  auto enqueue_neighbours = [&](size_t p, int floor_level) {
    for (ptrdiff_t d : P.nb) {
      Px& q = P.px[p + d];
      if (q.label != kUnset) continue;
      q.label = kQueued;
      queue.push(p + d, std::max(static_cast<int>(q.level), floor_level));
    }
  };
  for (size_t y = 1; y <= P.h; ++y)
    for (size_t x = 1; x <= P.w; ++x) {
      const size_t p = y * P.pw + x;
      if (P.px[p].label > 0) enqueue_neighbours(p, 0);
    }
  size_t p;
  while (queue.pop(p)) {
    // One look at each neighbour: a label to join, or an unset pixel to queue.
    int32_t best = kUnset;
    const int level = queue.level();
    for (ptrdiff_t d : P.nb) {
      Px& q = P.px[p + d];
      const int32_t l = q.label;
      best = std::max(best, l);
      if (l == kUnset) {
        q.label = kQueued;
        queue.push(p + d, std::max(static_cast<int>(q.level), level));
      }
    }
    P.px[p].label = best;  // > 0: p was queued by a labelled neighbour
  }
}

}  // namespace

// Labels above 255 are written as 255; the boundaries are found on the labels
// themselves, so two regions whose labels both clamp to 255 are still parted.
ZEL_API void WatershedFun(const CImg<double>& in, CImg<double>& labels, CImg<double>& bounds) {
  CImg<double> smooth, twice, lab, bnd;
  LowPassFun(in, smooth);
  double* s = smooth.data();
  for (size_t i = 0; i < smooth.size(); ++i) s[i] = std::floor(s[i] + 0.5);
  LowPassFun(smooth, twice);
  smooth.assign();
  zel::assign_checked(lab, in.width(), in.height(), in.depth(), in.spectrum());
  zel::assign_checked(bnd, in.width(), in.height(), in.depth(), in.spectrum());
  Plane P;
  P.w = static_cast<size_t>(in.width()), P.h = static_cast<size_t>(in.height()), P.pw = P.w + 2;
  const ptrdiff_t pw = static_cast<ptrdiff_t>(P.pw);
  const ptrdiff_t nb[8] = {-pw - 1, -pw, -pw + 1, -1, 1, pw - 1, pw, pw + 1};
  std::copy(nb, nb + 8, P.nb);
  for (int c = 0; c < lab.spectrum(); ++c)
    for (int z = 0; z < lab.depth(); ++z) {
      const double* src = zel::plane_at(twice, z, c);
      P.px.assign(P.pw * (P.h + 2), Px{kOutside, 0});
      for (size_t y = 0; y < P.h; ++y) {
        Px* row = P.px.data() + (y + 1) * P.pw + 1;
        for (size_t x = 0; x < P.w; ++x) row[x] = Px{kUnset, level_of(src[y * P.w + x])};
      }
      label_minima(P);
      if (P.px.size() <= UINT32_MAX) flood<uint32_t>(P);
      else flood<size_t>(P);
      double* lo = zel::plane_at(lab, z, c);
      double* bo = zel::plane_at(bnd, z, c);
      for (size_t y = 0; y < P.h; ++y)
        for (size_t x = 0; x < P.w; ++x) {
          const size_t p = (y + 1) * P.pw + x + 1;
          const int32_t l = P.px[p].label;
          bool edge = false;
          for (ptrdiff_t d : P.nb) edge |= P.px[p + d].label != kOutside && P.px[p + d].label < l;
          lo[y * P.w + x] = std::min(l, 255);
          bo[y * P.w + x] = edge ? 255.0 : 0.0;
        }
    }
  labels.swap(lab);
  bounds.swap(bnd);
}
