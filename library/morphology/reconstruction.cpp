// Grey reconstruction by dilation of a marker under a mask, and the double
// (hysteresis) threshold built on it. The reconstruction is the limit of
// repeated 3x3 dilations (pixels outside the image count as 0) each capped by
// the mask; it is computed to completion, every reachable pixel reached, by
// the hybrid scheme: one raster and one anti-raster scan, then a FIFO queue
// that carries the remaining propagation. Each slice and channel on its own.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "../core/fifo.h"
#include "../core/helpers.h"
#include "../dll.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// The larger of a running maximum and a value; a NaN value is ignored.
inline double pick_max(double m, double v) { return v > m ? v : m; }

// Raises j toward cand, capped by the mask value m. Only a strict rise
// happens: a NaN in j, cand or m leaves j alone (NaN pixels neither take nor
// pass on a value), and j never exceeds m.
inline bool raise(double& j, double cand, double m) {
  if (!(cand > j && m > j)) return false;
  j = cand < m ? cand : m;
  return true;
}

// Pixel positions queued for propagation.
struct XY {
  uint32_t x, y;
};

// One plane: J the marker, raised in place to the result; I the mask.
template <bool Eight>
class Plane {
 public:
  static constexpr int kN = Eight ? 8 : 4;

  Plane(double* J, const double* I, size_t w, size_t h) : J_(J), I_(I), w_(w), h_(h) {
    // Neighbours as (dx, dy); the first half precede the pixel in raster order.
    static constexpr int dx8[8] = {-1, 0, 1, -1, 1, -1, 0, 1}, dy8[8] = {-1, -1, -1, 0, 0, 1, 1, 1};
    static constexpr int dx4[4] = {0, -1, 1, 0}, dy4[4] = {-1, 0, 0, 1};
    for (int k = 0; k < kN; ++k) {
      dx_[k] = Eight ? dx8[k] : dx4[k], dy_[k] = Eight ? dy8[k] : dy4[k];
      off_[k] = static_cast<ptrdiff_t>(dy_[k]) * static_cast<ptrdiff_t>(w) + dx_[k];
    }
  }

  void run(zel::Fifo<XY>& queue) {
    // Pixels outside count as 0 in every dilation: a frame of constant 0
    // raises the edge pixels once, up to min(0, mask), and no further.
    for (size_t y = 0; y < h_; ++y)
      for (size_t x = 0; x < w_; x += (y == 0 || y + 1 == h_ || x + 1 == w_) ? 1 : w_ - 1)
        raise(J_[y * w_ + x], 0.0, I_[y * w_ + x]);
    scan(true, queue);
    scan(false, queue);
    // Propagation: every raised pixel passes its value on in turn.
    while (!queue.empty()) {
      const XY c = queue.pop();
      const size_t p = c.y * w_ + c.x;
      each(c.x, c.y, 0, kN, [&](size_t q, int k) {
        if (raise(J_[q], J_[p], I_[q]))
          queue.push({static_cast<uint32_t>(c.x + dx_[k]), static_cast<uint32_t>(c.y + dy_[k])});
      });
    }
  }

 private:
  // j raised toward cand, capped by the mask value m, without branches: the
  // same as raise() (a NaN m or j leaves j; cand is never NaN here).
  static double step(double j, double cand, double m) { return pick_max(j, cand < m ? cand : m); }
  static bool lower(double jq, double iq, double jp) { return jq < jp && jq < iq; }

  // One scan, raster order (forward) or anti-raster: each pixel takes the
  // largest of itself and its neighbours already visited, capped by the mask.
  // The backward scan also queues every pixel that could still raise one of
  // its visited neighbours.
  void scan(bool forward, zel::Fifo<XY>& queue) {
    std::vector<double> near(w_);  // per column: largest neighbour in the previous row of the scan
    for (size_t i = 0; i < h_; ++i) {
      const size_t y = forward ? i : h_ - 1 - i;
      double* r = J_ + y * w_;
      const double* m = I_ + y * w_;
      const bool has_prev = forward ? y > 0 : y + 1 < h_;
      const double* prev = has_prev ? (forward ? r - w_ : r + w_) : nullptr;
      const double* prev_m = has_prev ? (forward ? m - w_ : m + w_) : nullptr;
      if (!has_prev) std::fill(near.begin(), near.end(), -kInf);
      else {
        for (size_t x = 0; x < w_; ++x) near[x] = pick_max(-kInf, prev[x]);
        if (Eight) {
          for (size_t x = 0; x + 1 < w_; ++x) near[x] = pick_max(near[x], prev[x + 1]);
          for (size_t x = w_; x-- > 1;) near[x] = pick_max(near[x], prev[x - 1]);
        }
      }
      double last = -kInf;  // the pixel just before in the scan
      if (forward) {
        for (size_t x = 0; x < w_; ++x) r[x] = last = step(r[x], pick_max(near[x], last), m[x]);
        continue;
      }
      for (size_t x = w_; x-- > 0;) r[x] = last = step(r[x], pick_max(near[x], last), m[x]);
      for (size_t x = 0; x < w_; ++x) {
        bool more = x + 1 < w_ && lower(r[x + 1], m[x + 1], r[x]);
        if (has_prev) {
          more = more || lower(prev[x], prev_m[x], r[x]);
          if (Eight) {
            more = more || (x > 0 && lower(prev[x - 1], prev_m[x - 1], r[x]));
            more = more || (x + 1 < w_ && lower(prev[x + 1], prev_m[x + 1], r[x]));
          }
        }
        if (more) queue.push({static_cast<uint32_t>(x), static_cast<uint32_t>(y)});
      }
    }
  }

  // Calls f(q, k) for the neighbours k0 <= k < k1 of (x, y) inside the plane.
  template <class F>
  void each(size_t x, size_t y, int k0, int k1, F f) const {
    const size_t p = y * w_ + x;
    if (x > 0 && y > 0 && x + 1 < w_ && y + 1 < h_) {
      for (int k = k0; k < k1; ++k) f(p + off_[k], k);
      return;
    }
    for (int k = k0; k < k1; ++k) {
      const bool in_x = dx_[k] < 0 ? x > 0 : (dx_[k] == 0 || x + 1 < w_);
      const bool in_y = dy_[k] < 0 ? y > 0 : (dy_[k] == 0 || y + 1 < h_);
      if (in_x && in_y) f(p + off_[k], k);
    }
  }

  double* J_;
  const double* I_;
  size_t w_, h_;
  int dx_[kN], dy_[kN];
  ptrdiff_t off_[kN];
};

// The mask at the result's size: itself, or padded with 0 as MinimumImgFun
// pads its inputs.
const CImg<double>& mask_like(const CImg<double>& mask, const CImg<double>& R, CImg<double>& padded) {
  if (mask.width() == R.width() && mask.height() == R.height() && mask.depth() == R.depth() &&
      mask.spectrum() == R.spectrum())
    return mask;
  padded.assign(R.width(), R.height(), R.depth(), R.spectrum(), 0.0);
  const size_t mw = static_cast<size_t>(mask.width());
  for (int c = 0; c < mask.spectrum(); ++c)
    for (int z = 0; z < mask.depth(); ++z)
      for (int y = 0; y < mask.height(); ++y)
        std::copy_n(zel::plane_at(mask, z, c) + y * mw, mw, zel::plane_at(padded, z, c) + y * static_cast<size_t>(R.width()));
  return padded;
}

}  // namespace

// The marker is first capped by the mask; inputs of different sizes give the
// result MinimumImgFun gives (the larger of each size, a missing sample
// counting as 0), and the mask is padded with 0 to that size. Every marker is
// reconstructed, also one whose sample sum is below 1.
ZEL_API void ReconByDilationFun(const CImg<double>& mask, const CImg<double>& marker, CImg<double>& out,
                                CImg<double>& residue, int conn) {
  if (&out == &mask) {  // the mask is read until the end
    CImg<double> R;
    ReconByDilationFun(mask, marker, R, residue, conn);
    out.swap(R);
    return;
  }
  MinimumImgFun(mask, marker, out);
  if (!out.is_empty()) {
    CImg<double> padded;
    const CImg<double>& I = mask_like(mask, out, padded);
    const size_t w = static_cast<size_t>(out.width()), h = static_cast<size_t>(out.height());
    zel::Fifo<XY> queue;
    for (int c = 0; c < out.spectrum(); ++c)
      for (int z = 0; z < out.depth(); ++z) {
        if (conn == 8) Plane<true>(zel::plane_at(out, z, c), zel::plane_at(I, z, c), w, h).run(queue);
        else Plane<false>(zel::plane_at(out, z, c), zel::plane_at(I, z, c), w, h).run(queue);
      }
  }
  SubtractImgFun(mask, out, residue);
}

namespace {

// Keeps, in out, the 8-connected components of {region = 255} of one w x h
// plane that hold a pixel where seed is 255 as well: 255 there, 0 elsewhere.
// That is the grey reconstruction of min(region, seed) under region when
// both are 0/255 images. Each kept pixel is pushed on the stack once.
template <class Index>
void keep_seeded(const double* seed, const double* region, double* out, size_t w, size_t h,
                 std::vector<Index>& stack) {
  const size_t n = w * h;
  std::fill(out, out + n, 0.0);
  for (size_t s = 0; s < n; ++s) {
    if (!(seed[s] == 255.0 && region[s] == 255.0) || out[s] != 0.0) continue;
    out[s] = 255.0;
    stack.assign(1, static_cast<Index>(s));
    while (!stack.empty()) {
      const size_t p = stack.back();
      stack.pop_back();
      const size_t y = p / w, x = p - y * w;
      const size_t y0 = y ? y - 1 : 0, y1 = y + 1 < h ? y + 1 : y, x0 = x ? x - 1 : 0, x1 = x + 1 < w ? x + 1 : x;
      for (size_t v = y0; v <= y1; ++v)
        for (size_t u = x0; u <= x1; ++u) {
          const size_t q = v * w + u;
          if (region[q] == 255.0 && out[q] == 0.0) out[q] = 255.0, stack.push_back(static_cast<Index>(q));
        }
    }
  }
}

}  // namespace

// Seeds and regions are thresholds of in; the result, their reconstruction,
// is found by one flood from the seeds through the regions, and may be
// written over in (in is not read after the thresholds).
ZEL_API void DBLTFun(const CImg<double>& in, CImg<double>& out, CImg<double>& seed, CImg<double>& region,
                     int seedThreshold, int regionThreshold) {
  if (&seed == &in || &region == &in || &seed == &region || &out == &seed || &out == &region) {
    const CImg<double> copy(in);
    CImg<double> o, s, r;
    DBLTFun(copy, o, s, r, seedThreshold, regionThreshold);
    out.swap(o);
    seed.swap(s);
    region.swap(r);
    return;
  }
  ThresholdFun(in, seed, seedThreshold);
  ThresholdFun(in, region, regionThreshold);
  if (&out != &in) out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  if (out.is_empty()) return;
  const size_t w = static_cast<size_t>(out.width()), h = static_cast<size_t>(out.height());
  std::vector<uint32_t> narrow;
  std::vector<size_t> wide;
  for (int c = 0; c < out.spectrum(); ++c)
    for (int z = 0; z < out.depth(); ++z) {
      const double *s = zel::plane_at(seed, z, c), *r = zel::plane_at(region, z, c);
      double* o = zel::plane_at(out, z, c);
      if (w * h <= UINT32_MAX) keep_seeded(s, r, o, w, h, narrow);
      else keep_seeded(s, r, o, w, h, wide);
    }
}
