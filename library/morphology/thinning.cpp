// Thinning of white objects (value at least 255) by the two-sub-pass
// parallel algorithm of Zhang and Suen. Every slice and channel is a plane of
// its own; pixels outside the plane count as background.
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <vector>

#include "../core/helpers.h"
#include "../core/numeric.h"
#include "../dll.h"
#include "ring.h"

namespace zel {

namespace {

enum : unsigned { N = 1u, E = 4u, S = 16u, W = 64u };

// Deletable[k][code]: a white pixel with this ring code is removed in
// sub-pass k: 2 to 6 white neighbours, exactly one background-to-white
// transition, and in sub-pass 0 not all of N E S nor all of E S W white
// (south-east boundary and north-west corners), in sub-pass 1 not all of
// N E W nor all of N S W.
const std::array<std::array<bool, 256>, 2>& deletable() {
  static const std::array<std::array<bool, 256>, 2> table = [] {
    std::array<std::array<bool, 256>, 2> t{};
    auto all = [](unsigned code, unsigned bits) { return (code & bits) == bits; };
    for (unsigned code = 0; code < 256; ++code) {
      const int b = ring_count(code);
      if (b < 2 || b > 6 || ring_transitions(code) != 1) continue;
      t[0][code] = !all(code, N | E | S) && !all(code, E | S | W);
      t[1][code] = !all(code, N | E | W) && !all(code, N | S | W);
    }
    return t;
  }();
  return table;
}

// Thinning state of one plane inside a one-pixel background frame. Each
// sub-pass only examines the pixels queued for it: white pixels whose
// neighbourhood changed since they were last examined in that sub-pass
// (at first, every white pixel next to background). A pixel's fate depends
// on its 3x3 block alone, so the result is that of examining every pixel,
// and the total work is linear in the plane size.
class Thinner {
 public:
  Thinner(const double* src, size_t w, size_t h) : pw_(w + 2), white_((w + 2) * (h + 2), 0), queued_(white_.size(), 0) {
    for (size_t y = 0; y < h; ++y)
      for (size_t x = 0; x < w; ++x) white_[(y + 1) * pw_ + x + 1] = src[y * w + x] >= kWhite;
    for (size_t y = 1; y <= h; ++y)
      for (size_t i = y * pw_ + 1; i < y * pw_ + w + 1; ++i)
        if (white_[i] && code(i) != 0xFFu) queue_[0].push_back(i), queue_[1].push_back(i), queued_[i] = 3;
  }

  // One pass (both sub-passes); the number of pixels removed.
  size_t pass() {
    size_t removed = 0;
    for (int k = 0; k < 2; ++k) {
      const auto& table = deletable()[k];
      work_.swap(queue_[k]);
      queue_[k].clear();
      doomed_.clear();
      // Every decision of a sub-pass sees the plane as it was before it.
      for (size_t i : work_) {
        queued_[i] &= static_cast<uint8_t>(~(1u << k));
        if (white_[i] && table[code(i)]) doomed_.push_back(i);
      }
      for (size_t i : doomed_) white_[i] = 0;
      for (size_t i : doomed_)
        for (ptrdiff_t o : around())
          if (white_[i + o]) requeue(i + o);
      removed += doomed_.size();
    }
    return removed;
  }

  bool idle() const { return queue_[0].empty() && queue_[1].empty(); }

  // out = src, except that removed white pixels are 0.
  void write(const double* src, double* out, size_t w, size_t h) const {
    for (size_t y = 0; y < h; ++y) {
      const uint8_t* keep = white_.data() + (y + 1) * pw_ + 1;
      for (size_t x = 0; x < w; ++x) {
        const double v = src[y * w + x];
        out[y * w + x] = v >= kWhite && !keep[x] ? 0.0 : v;
      }
    }
  }

 private:
  std::array<ptrdiff_t, 8> around() const {
    const ptrdiff_t s = static_cast<ptrdiff_t>(pw_);
    return {-s, -s + 1, 1, s + 1, s, s - 1, -1, -s - 1};
  }
  unsigned code(size_t i) const {
    const uint8_t* p = white_.data() + i;
    const ptrdiff_t s = static_cast<ptrdiff_t>(pw_);
    return unsigned{p[-s]} | unsigned{p[-s + 1]} << 1 | unsigned{p[1]} << 2 | unsigned{p[s + 1]} << 3 |
           unsigned{p[s]} << 4 | unsigned{p[s - 1]} << 5 | unsigned{p[-1]} << 6 | unsigned{p[-s - 1]} << 7;
  }
  void requeue(size_t i) {
    for (int k = 0; k < 2; ++k)
      if (!(queued_[i] >> k & 1u)) queued_[i] |= static_cast<uint8_t>(1u << k), queue_[k].push_back(i);
  }

  size_t pw_;
  std::vector<uint8_t> white_;   // 1 for white, frame 0
  std::vector<uint8_t> queued_;  // bit k: waiting in queue_[k]
  std::vector<size_t> queue_[2], work_, doomed_;
};

}  // namespace
}  // namespace zel

using namespace zel;

// Stops early once a pass removes nothing.
ZEL_API void ThinImgFun(const CImg<double>& in, CImg<double>& out, int iterations) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  for_each_plane(in, [&](const double* src, int z, int c) {
    double* dst = plane_at(out, z, c);
    if (iterations <= 0) {
      std::copy(src, src + w * h, dst);
      return;
    }
    Thinner thinner(src, w, h);
    for (int i = 0; i < iterations && !thinner.idle(); ++i)
      if (thinner.pass() == 0) break;
    thinner.write(src, dst, w, h);
  });
}

// Zhang-Suen thinning repeated until a pass leaves the white-pixel count
// unchanged (each pass removes at least one pixel, so fewer than INT_MAX run).
ZEL_API void FullThinFun(const CImg<double>& in, CImg<double>& out) { ThinImgFun(in, out, INT_MAX); }
