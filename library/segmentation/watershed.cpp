// Watershed segmentation by flooding. Each plane (slice, channel) is smoothed
// twice by the 3x3 low-pass filter, each time rounded to whole grey levels;
// every regional minimum of the result (a connected plateau with no lower
// neighbour) is a basin, numbered 1, 2, ... in raster order of its first
// pixel; the basins then grow level by level from a queue of 256 FIFOs, one
// per grey level, each pixel once: linear in the number of pixels.
// Neighbourhoods are the eight surrounding pixels throughout.
//
// Memory: the work needs 8 bytes a pixel (label, level and a link for the
// list that holds a plateau being searched), which is the size of a double, so
// it is kept in the buffer of the bounds result until that result is written
// over it row by row. The smoothing runs on a band of three rows. The labels
// result may be the input image itself: each plane of the input is read
// before its labels are written.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "../core/helpers.h"
#include "../dll.h"

namespace {

// A pixel's label, or its state before it has one.
constexpr int32_t kUnset = 0;
constexpr int32_t kQueued = -2;   // waiting in the flooding queue
constexpr int32_t kVisited = -3;  // on a plateau already found not to be a minimum
constexpr int32_t kMaxLabel = (1 << 23) - 1;  // basins beyond it share this label

// The work word of one pixel: label and level, and the next pixel of the
// plateau being searched that holds this one. may_alias:
// the words live in a buffer of doubles.
template <class Index>
struct __attribute__((may_alias)) Cell {
  int32_t label : 24;
  uint32_t level : 8;
  Index next;
};
static_assert(sizeof(Cell<uint32_t>) == sizeof(double), "the work word fits a double");

// Rounds to the nearest level (half up); levels outside 0..255 are clamped
// to the nearest end and NaN counts as 0.
inline uint32_t level_of(double v) {
  const double r = std::floor(v + 0.5);
  return static_cast<uint32_t>(r >= 0.0 ? (r <= 255.0 ? r : 255.0) : 0.0);
}

// The 3x3 mean of three rows at x (the low-pass filter's sum, in its order).
inline double mean9(const double* a, const double* b, const double* c, size_t x) {
  return (a[x - 1] + a[x] + a[x + 1] + b[x - 1] + b[x] + b[x + 1] + c[x - 1] + c[x] + c[x + 1]) / 9.0;
}

// One FIFO of pixel indices per grey level, the lowest non-empty level
// served first. Each FIFO is a list of chunks of kChunk indices, taken from
// a shared pool as it grows and given back as it is read out, so the queue
// holds little more than the pixels waiting in it; reading a chunk in order
// lets the caller look a few pixels ahead (ahead()) to fetch their memory
// early.
template <class Index>
class LevelQueue {
 public:
  static constexpr size_t kChunk = 1024;
  static constexpr size_t kAhead = 16;

  void push(Index p, uint32_t level) {
    Fifo& f = fifo_[level];
    if (!f.tail || f.tail_pos == kChunk) {
      Chunk* c = take();
      if (f.tail) f.tail->next = c;
      else f.head = c, f.head_pos = 0;
      f.tail = c, f.tail_pos = 0;
    }
    f.tail->item[f.tail_pos++] = p;
    level_ = std::min(level_, level);
  }
  bool pop(Index& p) {
    for (; level_ < 256; ++level_) {
      Fifo& f = fifo_[level_];
      if (!f.head) continue;
      if (f.head == f.tail && f.head_pos == f.tail_pos) {  // read out
        give(f.head);
        f.head = f.tail = nullptr;
        continue;
      }
      if (f.head_pos == kChunk) {  // the next chunk holds the rest
        Chunk* c = f.head;
        f.head = c->next, f.head_pos = 0;
        give(c);
      }
      p = f.head->item[f.head_pos++];
      return true;
    }
    return false;
  }
  // The pixel kAhead places behind the one last popped at the current
  // level, if it is in the same chunk; else nothing.
  const Index* ahead() const {
    const Fifo& f = fifo_[level_];
    const size_t i = f.head_pos + kAhead;
    return i < (f.head == f.tail ? f.tail_pos : kChunk) ? &f.head->item[i] : nullptr;
  }
  uint32_t level() const { return level_; }

 private:
  struct Chunk {
    Index item[kChunk];
    Chunk* next;
  };
  struct Fifo {
    Chunk *head = nullptr, *tail = nullptr;
    size_t head_pos = 0, tail_pos = 0;
  };
  Chunk* take() {
    if (free_.empty()) {
      pool_.push_back(std::make_unique<Chunk>());
      return pool_.back().get();
    }
    Chunk* c = free_.back();
    free_.pop_back();
    return c;
  }
  void give(Chunk* c) { free_.push_back(c); }

  Fifo fifo_[256];
  uint32_t level_ = 0;
  std::vector<std::unique_ptr<Chunk>> pool_;
  std::vector<Chunk*> free_;
};

// One w x h plane flooded in its work words.
template <class Index>
class Plane {
 public:
  using C = Cell<Index>;
  static constexpr Index kNil = std::numeric_limits<Index>::max();

  Plane(C* cells, size_t w, size_t h) : c_(cells), w_(w), h_(h) {
    const ptrdiff_t s = static_cast<ptrdiff_t>(w);
    const ptrdiff_t off[8] = {-s - 1, -s, -s + 1, -1, 1, s - 1, s, s + 1};
    std::copy(off, off + 8, off_);
    // Exact division by w of any 32-bit index by one multiplication.
    inverse_w_ = w > 1 ? UINT64_MAX / w + 1 : 0;
  }

  // Levels of the twice smoothed, twice rounded plane src; the frame of
  // each smoothing is 0, as the low-pass filter leaves it.
  void set_levels(const double* src) {
    const size_t w = w_, h = h_;
    for (size_t i = 0; i < w * h; ++i) c_[i].label = kUnset, c_[i].level = 0;
    if (w < 3 || h < 3) return;
    // Ring of three rows of the first smoothing, rounded.
    std::vector<double> ring(3 * w, 0.0);
    auto first = [&](size_t y) {
      double* r = ring.data() + (y % 3) * w;
      if (y == 0 || y + 1 == h) return std::fill(r, r + w, 0.0);
      const double *a = src + (y - 1) * w, *b = a + w, *c = b + w;
      r[0] = r[w - 1] = 0.0;
      for (size_t x = 1; x + 1 < w; ++x) r[x] = std::floor(mean9(a, b, c, x) + 0.5);
    };
    first(0);
    first(1);
    for (size_t y = 1; y + 1 < h; ++y) {
      first(y + 1);
      const double *a = ring.data() + ((y - 1) % 3) * w, *b = ring.data() + (y % 3) * w,
                   *c = ring.data() + ((y + 1) % 3) * w;
      C* row = c_ + y * w;
      for (size_t x = 1; x + 1 < w; ++x) row[x].level = level_of(mean9(a, b, c, x));
    }
  }

  // Numbers the regional minima, each of its pixels taking the basin's label.
  void label_minima() {
    int32_t basins = 0;
    for (size_t s = 0; s < w_ * h_; ++s) {
      if (c_[s].label != kUnset) continue;
      const uint32_t v = c_[s].level;
      bool minimum = true;
      // The plateau of s, searched breadth first as a list through next.
      c_[s].label = kVisited, c_[s].next = kNil;
      size_t tail = s;
      for (size_t p = s; p != kNil; p = c_[p].next)
        around(p, [&](size_t q) {
          if (c_[q].level < v) minimum = false;
          else if (c_[q].level == v && c_[q].label == kUnset)
            c_[q].label = kVisited, c_[q].next = kNil, c_[tail].next = static_cast<Index>(q), tail = q;
        });
      if (!minimum) continue;
      basins = std::min(basins + 1, kMaxLabel);
      for (size_t p = s; p != kNil; p = c_[p].next) c_[p].label = basins;
    }
    for (size_t i = 0; i < w_ * h_; ++i) c_[i].label = c_[i].label == kVisited ? kUnset : c_[i].label;
  }

  // Floods from the basins: each pixel, taken in order of level (never below
  // the level being flooded) and first come first served within a level,
  // joins the largest label among its labelled neighbours, so a pixel where
  // basins meet goes to the larger label.
  void flood() {
    LevelQueue<Index> queue;
    for (size_t p = 0; p < w_ * h_; ++p)
      if (c_[p].label > 0)
        around(p, [&](size_t q) {
          if (c_[q].label == kUnset) c_[q].label = kQueued, queue.push(static_cast<Index>(q), c_[q].level);
        });
    Index p;
    while (queue.pop(p)) {
      // The rows of a pixel a few places on in the queue, fetched ahead.
      if (const Index* next = queue.ahead()) {
        const C* n = c_ + *next;
        __builtin_prefetch(n - w_), __builtin_prefetch(n, 1), __builtin_prefetch(n + w_);
      }
      // One look at each neighbour: a label to join, or an unset pixel to queue.
      int32_t best = kUnset;
      const uint32_t level = queue.level();
      around(p, [&](size_t q) {
        const int32_t l = c_[q].label;
        best = std::max(best, l);
        if (l == kUnset) c_[q].label = kQueued, queue.push(static_cast<Index>(q), std::max<uint32_t>(c_[q].level, level));
      });
      c_[p].label = best;  // > 0: p was queued by a labelled neighbour
    }
  }

  // Writes the labels (clamped to 255) to lo and the bounds (255 where a
  // neighbour has a smaller label) to bo, row by row; bo may be the work
  // words' own buffer, as the labels of the row above are kept aside before
  // their words are written over.
  void write(double* lo, double* bo) {
    const size_t w = w_;
    std::vector<int32_t> rows(3 * w);
    int32_t *above = rows.data(), *mid = above + w, *below = mid + w;
    auto labels_of = [&](size_t y, int32_t* to) {
      for (size_t x = 0; x < w; ++x) to[x] = c_[y * w + x].label;
    };
    labels_of(0, mid);
    for (size_t y = 0; y < h_; ++y) {
      const bool up = y > 0, down = y + 1 < h_;
      if (down) labels_of(y + 1, below);
      double* l = lo + y * w;
      double* b = bo + y * w;
      for (size_t x = 0; x < w; ++x) {
        const int32_t v = mid[x];
        const size_t x0 = x > 0 ? x - 1 : x, x1 = x + 1 < w ? x + 1 : x;
        bool edge = false;
        for (size_t i = x0; i <= x1; ++i)
          edge |= (up && above[i] < v) | (i != x && mid[i] < v) | (down && below[i] < v);
        l[x] = std::min(v, 255);
        const double e = edge ? 255.0 : 0.0;
        std::memcpy(b + x, &e, sizeof e);
      }
      std::swap(above, mid);
      std::swap(mid, below);
    }
  }

 private:
  // Calls f(q) for the neighbours q of p inside the plane, in raster order.
  template <class F>
  void around(size_t p, F f) const {
    const size_t y = row_of(p), x = p - y * w_;
    if (x - 1 < w_ - 2 && y - 1 < h_ - 2) {  // unsigned: false on the frame
      for (ptrdiff_t o : off_) f(p + o);
      return;
    }
    for (int k = 0; k < 8; ++k) {
      const int dx = k < 3 ? k - 1 : k > 4 ? k - 6 : (k == 3 ? -1 : 1), dy = k < 3 ? -1 : k > 4 ? 1 : 0;
      if ((dx < 0 && x == 0) || (dx > 0 && x + 1 == w_) || (dy < 0 && y == 0) || (dy > 0 && y + 1 == h_)) continue;
      f(p + off_[k]);
    }
  }
  size_t row_of(size_t p) const {
    if (sizeof(Index) > 4) return p / w_;
    if (w_ == 1) return p;  // 2^64 / 1 does not fit the multiplier
    return static_cast<size_t>((static_cast<unsigned __int128>(inverse_w_) * p) >> 64);
  }

  C* c_;
  size_t w_, h_;
  ptrdiff_t off_[8];
  uint64_t inverse_w_;
};

template <class Index>
void watershed_plane(const double* src, double* lo, double* bo, Cell<Index>* cells, size_t w, size_t h) {
  Plane<Index> P(cells, w, h);
  P.set_levels(src);
  P.label_minima();
  P.flood();
  P.write(lo, bo);
}

}  // namespace

// Labels above 255 are written as 255; the boundaries are found on the labels
// themselves, so two regions whose labels both clamp to 255 are still parted.
ZEL_API void WatershedFun(const CImg<double>& in, CImg<double>& labels, CImg<double>& bounds) {
  if (&bounds == &in || &bounds == &labels) {  // the work words would overwrite the input
    const CImg<double> copy(in);
    CImg<double> l, b;
    WatershedFun(copy, l, b);
    labels.swap(l);
    bounds.swap(b);
    return;
  }
  zel::assign_checked(bounds, in.width(), in.height(), in.depth(), in.spectrum());
  if (&labels != &in) zel::assign_checked(labels, in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  const bool narrow = w * h < UINT32_MAX;  // every index and the list end fit 32 bits
  std::vector<Cell<uint64_t>> wide(narrow ? 0 : w * h);
  for (int c = 0; c < in.spectrum(); ++c)
    for (int z = 0; z < in.depth(); ++z) {
      const double* src = zel::plane_at(in, z, c);
      double* lo = zel::plane_at(labels, z, c);
      double* bo = zel::plane_at(bounds, z, c);
      if (narrow) watershed_plane(src, lo, bo, reinterpret_cast<Cell<uint32_t>*>(bo), w, h);
      else watershed_plane(src, lo, bo, wide.data(), w, h);
    }
}
