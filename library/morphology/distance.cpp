// Distance transforms: the four directional run lengths, the 3x3 and 5x5
// chamfer maps and the grassfire transform. A pixel is object when its value
// is at least 255; every slice and channel is a plane of its own.
//
// The chamfer maps share one engine: two raster passes over a padded integer
// buffer. Each pass first takes, for a whole row, the minimum over the
// already finished row(s) above (or below), which the compiler vectorises,
// then runs the one serial step along the row (left neighbour going down,
// right neighbour going up). Background starts at 0 and object at "far", so
// the minima need no mask test: linear time, contiguous loops.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "../core/helpers.h"
#include "../core/numeric.h"
#include "../core/parallel.h"
#include "../dll.h"
#include "distance.h"

namespace zel {
namespace {

// Chamfer step weights: straight, diagonal, and the knight's move (0: none,
// a 3x3 mask; otherwise a 5x5 mask, whose (0, 2) and (2, 2) steps of twice
// the straight and diagonal weight never beat two single steps and so are
// left out).
struct ChamferMask {
  int straight, diagonal, knight;
};

template <class T>
constexpr T far_value() {
  return std::numeric_limits<T>::max() / 2;
}

// True when every chamfer distance of a w x h plane (and the far value plus
// a step) fits 32 bits: 16 exceeds every step weight.
bool fits_int32(size_t w, size_t h) { return static_cast<int64_t>(w + h + 4) * 16 < far_value<int32_t>(); }

// Computes, in `buf` ((w + 2p) x (h + 2p) values, p = 1 for a 3x3 mask, 2 for
// 5x5, the plane at offset p in both directions), the chamfer distance from
// every object pixel of `plane` to the nearest background pixel; background
// pixels get 0. The frame holds 0 when pixels outside the image count as
// background, otherwise far_value (never reached). Returns false, after the
// first pass only, when no background reaches the object: then the plane has
// no background pixel at all (the frame not being background), because the
// first pass carries every pixel's value on to the last pixel (right, then
// down). Calls row_done(y, row) for every finished row, bottom to top.
template <class T, class RowDone>
bool chamfer_plane(const double* plane, size_t w, size_t h, const ChamferMask& m, bool outside_is_background,
                   std::vector<T>& buf, RowDone row_done) {
  const T far = far_value<T>();
  const size_t p = m.knight ? 2 : 1;
  const size_t pw = w + 2 * p;
  buf.assign(pw * (h + 2 * p), outside_is_background ? T(0) : far);
  if (w == 0 || h == 0) return true;
  const T a = static_cast<T>(m.straight), b = static_cast<T>(m.diagonal), k = static_cast<T>(m.knight);
  const ptrdiff_t s = static_cast<ptrdiff_t>(pw);
  auto row = [&](size_t y) { return buf.data() + (y + p) * pw + p; };

  // Forward pass: the rows above first (vectorised), then the left neighbour.
  for (size_t y = 0; y < h; ++y) {
    const double* in = plane + y * w;
    T* t = row(y);
    const T* u = t - s;
    for (size_t x = 0; x < w; ++x) {
      T v = in[x] >= kWhite ? far : T(0);
      v = std::min(v, static_cast<T>(u[x] + a));
      t[x] = std::min(v, static_cast<T>(std::min(u[x - 1], u[x + 1]) + b));
    }
    if (m.knight) {
      const T* u2 = u - s;
      for (size_t x = 0; x < w; ++x)
        t[x] = std::min(t[x], static_cast<T>(std::min(std::min(u[x - 2], u[x + 2]), std::min(u2[x - 1], u2[x + 1])) + k));
    }
    for (size_t x = 0; x < w; ++x) t[x] = std::min(t[x], static_cast<T>(t[x - 1] + a));
  }
  if (row(h - 1)[w - 1] == far) return false;

  // Backward pass: the rows below first, then the right neighbour.
  for (size_t y = h; y-- > 0;) {
    T* t = row(y);
    const T* d = t + s;
    for (size_t x = 0; x < w; ++x) {
      const T v = std::min(t[x], static_cast<T>(d[x] + a));
      t[x] = std::min(v, static_cast<T>(std::min(d[x - 1], d[x + 1]) + b));
    }
    if (m.knight) {
      const T* d2 = d + s;
      for (size_t x = 0; x < w; ++x)
        t[x] = std::min(t[x], static_cast<T>(std::min(std::min(d[x - 2], d[x + 2]), std::min(d2[x - 1], d2[x + 1])) + k));
    }
    for (size_t x = w; x-- > 0;) t[x] = std::min(t[x], static_cast<T>(t[x + 1] + a));
    row_done(y, static_cast<const T*>(t));
  }
  return true;
}

// Sample values that count as "255" for the run-length transforms: those
// whose truncation toward zero is 255 (NaN is not one).
inline bool is_255(double v) { return v >= 255.0 && v < 256.0; }

// Run lengths along every row of every plane of `in`, left to right or right
// to left.
void row_runs(const CImg<double>& in, CImg<double>& out, bool rightwards) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  for_each_plane_pair(in, out, [&](const double* src, double* dst) {
    for (size_t y = 0; y < h; ++y) {
      const double* i = src + y * w;
      double* o = dst + y * w;
      double run = 0.0;
      if (rightwards)
        for (size_t x = 0; x < w; ++x) o[x] = run = is_255(i[x]) ? run + 1.0 : 0.0;
      else
        for (size_t x = w; x-- > 0;) o[x] = run = is_255(i[x]) ? run + 1.0 : 0.0;
    }
  });
}

// Run lengths down (or up) every column of slices 0 .. slices - 1 of every
// channel; the other slices are 0. A whole row is done at a time, from the
// row before it.
void column_runs(const CImg<double>& in, CImg<double>& out, bool downwards, int slices) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum(), 0.0);
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  const std::vector<double> zeros(w, 0.0);
  for (int c = 0; c < in.spectrum(); ++c)
    for (int z = 0; z < std::min(slices, in.depth()); ++z) {
      const double* src = plane_at(in, z, c);
      double* dst = plane_at(out, z, c);
      const double* prev = zeros.data();
      for (size_t i = 0; i < h; ++i) {
        const size_t y = downwards ? i : h - 1 - i;
        const double* r = src + y * w;
        double* o = dst + y * w;
        for (size_t x = 0; x < w; ++x) o[x] = is_255(r[x]) ? prev[x] + 1.0 : 0.0;
        prev = o;
      }
    }
}

}  // namespace

// Declared in distance.h.
bool city_block_distance(const double* plane, size_t w, size_t h, bool outside_is_background,
                         std::vector<int32_t>& buf) {
  return chamfer_plane(plane, w, h, ChamferMask{1, 2, 0}, outside_is_background, buf, [](size_t, const int32_t*) {});
}
bool city_block_distance(const double* plane, size_t w, size_t h, bool outside_is_background,
                         std::vector<int64_t>& buf) {
  return chamfer_plane(plane, w, h, ChamferMask{1, 2, 0}, outside_is_background, buf, [](size_t, const int64_t*) {});
}
bool distance_fits_int32(size_t w, size_t h) { return fits_int32(w, h); }

namespace {

// Sizes out like in and calls plane(src, dst, buf) for every plane, with an
// integer buffer of 32 bits, or of 64 bits on planes whose sides add up to
// over a hundred million pixels. The raster passes inside a plane are
// serial, so the planes of a volume or of a colour image are split over the
// threads, each with its own buffer (plane may be called concurrently).
template <class Plane>
void chamfer_planes(const CImg<double>& in, CImg<double>& out, Plane plane) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  const bool narrow = fits_int32(static_cast<size_t>(in.width()), static_cast<size_t>(in.height()));
  const size_t n = plane_size(in), planes = n == 0 ? 0 : in.size() / n;
  parallel_ranges(planes, 8 * in.size(), [&](size_t p0, size_t p1) {
    std::vector<int32_t> b32;
    std::vector<int64_t> b64;
    for (size_t p = p0; p < p1; ++p) {
      if (narrow) plane(in.data() + p * n, out.data() + p * n, b32);
      else plane(in.data() + p * n, out.data() + p * n, b64);
    }
  });
}

}  // namespace
}  // namespace zel

using namespace zel;

ZEL_API void L2RDistTransformFun(const CImg<double>& in, CImg<double>& out) { row_runs(in, out, true); }

ZEL_API void R2LDistTransformFun(const CImg<double>& in, CImg<double>& out) { row_runs(in, out, false); }

ZEL_API void T2BDistTransformFun(const CImg<double>& in, CImg<double>& out) {
  column_runs(in, out, true, in.depth());
}

// Bottom to top in slice 0 only; the later slices are 0.
ZEL_API void B2TDistTransformFun(const CImg<double>& in, CImg<double>& out) { column_runs(in, out, false, 1); }

// Chamfer 3-4 distances, unscaled; only pixels inside the image count as
// background. A plane without background (no distance to measure) is all 0.
ZEL_API void DistanceTransform3x3Fun(const CImg<double>& in, CImg<double>& out) {
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  chamfer_planes(in, out, [&](const double* src, double* dst, auto& buf) {
    std::vector<double> line(w);
    const bool reached = chamfer_plane(src, w, h, ChamferMask{3, 4, 0}, false, buf, [&](size_t y, const auto* t) {
      for (size_t x = 0; x < w; ++x) line[x] = static_cast<double>(t[x]);
      stream_copy(dst + y * w, line.data(), w);
    });
    stream_fence();
    if (!reached) std::fill(dst, dst + w * h, 0.0);
  });
}

// Chamfer 5-7-11 distances (the 10 and 14 steps are two 5 or 7 steps, never
// shorter, so they are implied). A plane whose largest distance exceeds 255
// is scaled by 255 / largest, so that its maximum is exactly 255 (real values,
// not truncated); each plane is scaled on its own. A plane without
// background is all 0.
ZEL_API void DistanceTransform5x5Fun(const CImg<double>& in, CImg<double>& out) {
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  chamfer_planes(in, out, [&](const double* src, double* dst, auto& buf) {
    using T = typename std::decay_t<decltype(buf)>::value_type;
    T top = 0;
    const bool reached = chamfer_plane(src, w, h, ChamferMask{5, 7, 11}, false, buf, [&](size_t, const T* t) {
      for (size_t x = 0; x < w; ++x) top = std::max(top, t[x]);
    });
    if (!reached) return (void)std::fill(dst, dst + w * h, 0.0);
    const double scale = top > 255 ? 255.0 / static_cast<double>(top) : 1.0;
    for (size_t y = 0; y < h; ++y) {
      const T* t = buf.data() + (y + 2) * (w + 4) + 2;
      for (size_t x = 0; x < w; ++x) dst[y * w + x] = static_cast<double>(t[x]) * scale;
    }
  });
}

ZEL_API void GFTransformFun(const CImg<double>& in, CImg<double>& out) {
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  chamfer_planes(in, out, [&](const double* src, double* dst, auto& buf) {
    using T = typename std::decay_t<decltype(buf)>::value_type;
    std::copy(src, src + w * h, dst);
    if (w < 3 || h < 3) return;
    auto steps = [](T d) { return d > 254 ? 254.0 : static_cast<double>(d); };
    const bool reached = chamfer_plane(src, w, h, ChamferMask{1, 2, 0}, false, buf, [&](size_t y, const T* t) {
      if (y == 0 || y + 1 == h) return;
      for (size_t x = 1; x + 1 < w; ++x) dst[y * w + x] = steps(t[x]);
    });
    if (reached) return;
    for (size_t y = 1; y + 1 < h; ++y) std::fill(dst + y * w + 1, dst + y * w + w - 1, 254.0);
  });
}
