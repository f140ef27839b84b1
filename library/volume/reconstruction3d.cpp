// Grey reconstruction by dilation of a marker under a mask in a volume: the
// limit of repeated 3-D dilations (26 neighbours, or 6 face neighbours; no
// neighbour beyond the volume) each capped by the mask, computed to
// completion by the hybrid scheme: a raster and an anti-raster scan, then a
// FIFO queue that carries what propagation remains. Each channel is a volume
// of its own.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "../core/fifo.h"
#include "../core/helpers.h"
#include "../dll.h"

namespace zel {
namespace {

// Raises j toward cand, capped by the mask value m: only a strict rise, so
// a NaN in j, cand or m leaves j alone and j never exceeds m.
inline bool raise(double& j, double cand, double m) {
  if (!(cand > j && m > j)) return false;
  j = cand < m ? cand : m;
  return true;
}

class Volume {
 public:
  // J the marker capped by the mask, raised in place; I the mask.
  Volume(double* J, const double* I, size_t w, size_t h, size_t d, bool full) : J_(J), I_(I), w_(w), h_(h), d_(d) {
    for (int dz = -1; dz <= 1; ++dz)
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const int far = (dx != 0) + (dy != 0) + (dz != 0);
          if (far == 0 || (!full && far > 1)) continue;
          // In raster order: neighbours before the voxel first.
          d_off_[n_] = {dx, dy, dz};
          ++n_;
        }
  }

  void run(Fifo<size_t>& queue) {
    scan(true, queue);
    scan(false, queue);
    while (!queue.empty()) {
      const size_t p = queue.pop();
      const size_t x = p % w_, y = p / w_ % h_, z = p / (w_ * h_);
      each(x, y, z, 0, n_, [&](size_t q) {
        if (raise(J_[q], J_[p], I_[q])) queue.push(q);
      });
    }
  }

 private:
  struct Off {
    int dx, dy, dz;
  };

  // One scan: each voxel takes the largest of itself and its neighbours
  // already visited, capped by the mask. The backward scan then queues each
  // voxel that could still raise a neighbour visited before it.
  void scan(bool forward, Fifo<size_t>& queue) {
    const int half = n_ / 2;  // neighbours 0 .. half - 1 precede the voxel in raster order
    const int k0 = forward ? 0 : half, k1 = forward ? half : n_;
    for (size_t i = 0; i < d_; ++i)
      for (size_t j = 0; j < h_; ++j)
        for (size_t l = 0; l < w_; ++l) {
          const size_t z = forward ? i : d_ - 1 - i, y = forward ? j : h_ - 1 - j, x = forward ? l : w_ - 1 - l;
          const size_t p = (z * h_ + y) * w_ + x;
          double best = J_[p];
          each(x, y, z, k0, k1, [&](size_t q) {
            if (J_[q] > best) best = J_[q];
          });
          raise(J_[p], best, I_[p]);
          if (forward) continue;
          bool more = false;
          each(x, y, z, k0, k1, [&](size_t q) { more = more || (J_[q] < J_[p] && J_[q] < I_[q]); });
          if (more) queue.push(p);
        }
  }

  // Calls f(q) for the neighbours k0 <= k < k1 of (x, y, z) inside the volume.
  template <class F>
  void each(size_t x, size_t y, size_t z, int k0, int k1, F f) const {
    const size_t p = (z * h_ + y) * w_ + x;
    for (int k = k0; k < k1; ++k) {
      const Off o = d_off_[k];
      if ((o.dx < 0 && x == 0) || (o.dx > 0 && x + 1 == w_) || (o.dy < 0 && y == 0) || (o.dy > 0 && y + 1 == h_) ||
          (o.dz < 0 && z == 0) || (o.dz > 0 && z + 1 == d_))
        continue;
      f(p + static_cast<ptrdiff_t>(o.dx) + static_cast<ptrdiff_t>(o.dy) * static_cast<ptrdiff_t>(w_) +
        static_cast<ptrdiff_t>(o.dz) * static_cast<ptrdiff_t>(w_ * h_));
    }
  }

  double* J_;
  const double* I_;
  size_t w_, h_, d_;
  Off d_off_[26];
  int n_ = 0;
};

}  // namespace
}  // namespace zel

using namespace zel;

ZEL_API void ReconByDil3DFun(const CImg<double>& mask, const CImg<double>& marker, CImg<double>& out,
                             CImg<double>& residue, int conn) {
  if (!mask.is_sameXYZC(marker)) throw std::invalid_argument("ReconByDil3D: the mask and the marker differ in size");
  CImg<double> J;
  assign_checked(J, mask.width(), mask.height(), mask.depth(), mask.spectrum());
  const size_t n = mask.size();
  for (size_t i = 0; i < n; ++i) J[i] = marker[i] < mask[i] ? marker[i] : mask[i];
  if (!J.is_empty()) {
    Fifo<size_t> queue;
    for (int c = 0; c < J.spectrum(); ++c)
      Volume(plane_at(J, 0, c), plane_at(mask, 0, c), J.width(), J.height(), J.depth(), conn == 26).run(queue);
  }
  CImg<double> R;
  assign_checked(R, mask.width(), mask.height(), mask.depth(), mask.spectrum());
  for (size_t i = 0; i < n; ++i) R[i] = mask[i] - J[i];
  out.swap(J);
  residue.swap(R);
}
