// Geometry of images: doubling and halving the size, free rotation, quarter
// turns and rescaling. Every plane (one slice of one channel) is transformed
// on its own; slices and channels are kept.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "../dll.h"
#include "helpers.h"
#include "numeric.h"

namespace {

using zel::kPi;
using zel::plane_at;

// The quarter turns walk a plane in kTile x kTile tiles, each in kBlock x
// kBlock blocks taken down the source columns. A block reads kBlock source
// rows and writes kBlock output rows, one cache line of each; a tile keeps the
// pages of its source rows and output rows few enough for the TLB, and
// consecutive blocks continue the same output lines.
constexpr size_t kTile = 128;
constexpr size_t kBlock = 8;

// Edge of the output tiles of the free rotation.
constexpr size_t kRotateTile = 64;

// Quarter turn of one w x h plane into an h x w plane. Plus: out(h-1-y, x) =
// in(x, y); otherwise out(y, w-1-x) = in(x, y). Indices are size_t so that
// tile ends near INT_MAX cannot overflow.
template <bool Plus>
void quarter_turn(const double* src, double* dst, size_t w, size_t h) {
  for (size_t ty = 0; ty < h; ty += kTile) {
    const size_t ty_end = std::min(h, ty + kTile);
    for (size_t tx = 0; tx < w; tx += kTile) {
      const size_t tx_end = std::min(w, tx + kTile);
      for (size_t bx = tx; bx < tx_end; bx += kBlock) {
        const size_t bx_end = std::min(tx_end, bx + kBlock);
        for (size_t by = ty; by < ty_end; by += kBlock) {
          const size_t by_end = std::min(ty_end, by + kBlock);
          for (size_t x = bx; x < bx_end; ++x) {
            // Source column x becomes one output row.
            const double* s = src + x;
            if (Plus) {
              double* d = dst + x * h + (h - 1);
              for (size_t y = by; y < by_end; ++y) *(d - y) = s[y * w];
            } else {
              double* d = dst + (w - 1 - x) * h;
              for (size_t y = by; y < by_end; ++y) d[y] = s[y * w];
            }
          }
        }
      }
    }
  }
}

template <bool Plus>
void quarter_turn_image(const CImg<double>& in, CImg<double>& out) {
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  zel::assign_checked(out, in.height(), in.width(), in.depth(), in.spectrum());
  if (out.is_empty()) return;
  zel::for_each_plane_pair(in, out, [&](const double* s, double* d) { quarter_turn<Plus>(s, d, w, h); });
}

// One entry of a resampling table: the two source indices and the weight of the second.
struct Tap {
  size_t lo, hi;
  double frac;
};

// Source positions of the n_out output pixels along an axis of n_in pixels
// (n_in, n_out > 0). Pixel centres are aligned: src = (i + 0.5) * n_in / n_out
// - 0.5, clamped to [0, n_in - 1] so the border pixels are repeated.
std::vector<Tap> resample_taps(int n_in, int n_out) {
  std::vector<Tap> taps(static_cast<size_t>(n_out));
  const double last = static_cast<double>(n_in - 1);
  for (int i = 0; i < n_out; ++i) {
    double s = ((i + 0.5) * n_in) / n_out - 0.5;
    s = s < 0.0 ? 0.0 : (s > last ? last : s);
    const int lo = static_cast<int>(s);
    const int hi = lo < n_in - 1 ? lo + 1 : lo;
    taps[static_cast<size_t>(i)] = {static_cast<size_t>(lo), static_cast<size_t>(hi), s - lo};
  }
  return taps;
}

}  // namespace

ZEL_API void DoubleImgSizeFun(const CImg<double>& in, CImg<double>& out) {
  const int w = in.width(), h = in.height();
  zel::assign_checked(out, 2LL * w, 2LL * h, in.depth(), in.spectrum());
  if (out.is_empty()) return;
  const size_t sw = static_cast<size_t>(w), ow = 2 * sw;
  // Every output pixel is written below, so the buffer needs no clearing first.
  // Beyond the last column or row the edge pixel is repeated, so the
  // in-between pixels there equal the edge pixel.
  zel::for_each_plane_pair(in, out, [&](const double* src, double* dst) {
    for (int y = 0; y < h; ++y) {
      const double* r = src + static_cast<size_t>(y) * sw;
      const double* rn = y + 1 < h ? r + sw : r;
      double* o0 = dst + static_cast<size_t>(2 * y) * ow;
      double* o1 = o0 + ow;
      for (size_t x = 0; x + 1 < sw; ++x) {
        const double a = r[x], b = r[x + 1], c = rn[x], d = rn[x + 1];
        o0[2 * x] = a;
        o0[2 * x + 1] = (a + b) * 0.5;
        o1[2 * x] = (a + c) * 0.5;
        o1[2 * x + 1] = (a + b + c + d) * 0.25;
      }
      const size_t x = sw - 1;
      const double a = r[x], c = rn[x], ac = (a + c) * 0.5;
      o0[2 * x] = a;
      o0[2 * x + 1] = a;
      o1[2 * x] = ac;
      o1[2 * x + 1] = ac;
    }
  });
}

ZEL_API void HalveImgSizeFun(const CImg<double>& in, CImg<double>& out) {
  const int w = in.width(), h = in.height();
  // A trailing odd column or row is dropped; a width or height of 1 gives an empty image.
  zel::assign_checked(out, w / 2, h / 2, in.depth(), in.spectrum());
  if (out.is_empty()) return;
  const size_t sw = static_cast<size_t>(w), ow = sw / 2, oh = static_cast<size_t>(h / 2);
  zel::for_each_plane_pair(in, out, [&](const double* src, double* dst) {
    for (size_t y = 0; y < oh; ++y) {
      const double* r0 = src + 2 * y * sw;
      const double* r1 = r0 + sw;
      double* o = dst + y * ow;
      for (size_t x = 0; x < ow; ++x)
        o[x] = (r0[2 * x] + r0[2 * x + 1] + r1[2 * x] + r1[2 * x + 1]) * 0.25;
    }
  });
}

ZEL_API void RotateImgFun(const CImg<double>& in, CImg<double>& out, double degrees) {
  const int w = in.width(), h = in.height();
  zel::assign_checked(out, w, h, in.depth(), in.spectrum());
  if (out.is_empty()) return;
  // A non-finite angle has no meaningful turn: the result is all zero.
  if (!std::isfinite(degrees)) {
    out.fill(0.0);
    return;
  }
  double r = std::fmod(degrees, 360.0);
  if (r < 0.0) r += 360.0;
  if (r >= 360.0) r -= 360.0;
  // Quarter turns get exact cosines and sines, so they move pixels without blurring.
  double cs, sn;
  if (r == 0.0) {
    cs = 1.0, sn = 0.0;
  } else if (r == 90.0) {
    cs = 0.0, sn = 1.0;
  } else if (r == 180.0) {
    cs = -1.0, sn = 0.0;
  } else if (r == 270.0) {
    cs = 0.0, sn = -1.0;
  } else {
    const double rad = r * (kPi / 180.0);
    cs = std::cos(rad), sn = std::sin(rad);
  }
  // Positive angles turn the picture clockwise on screen (y points down). Each
  // output pixel is mapped back into the source about (w/2, h/2) (integer
  // halves): src_x = cx + dx*cos + dy*sin, src_y = cy - dx*sin + dy*cos with
  // dx = x - cx, dy = y - cy. Along a row the source point moves by the
  // constant step (cos, -sin), so no trigonometry is done per pixel.
  const double cx = static_cast<double>(w / 2), cy = static_cast<double>(h / 2);
  const double xmax = w - 1, ymax = h - 1;
  // Source points within this distance outside the image count as on its
  // border, so rounding in the steps does not drop the edge pixels.
  constexpr double kEdge = 1e-9;
  const size_t sw = static_cast<size_t>(w), sh = static_cast<size_t>(h);
  // The output is made in kRotateTile x kRotateTile tiles: whatever the angle,
  // the source pixels that one tile reads then stay in the cache.
  zel::for_each_plane_pair(in, out, [&](const double* src, double* dst) {
    for (size_t ty = 0; ty < sh; ty += kRotateTile) {
      const size_t ty_end = std::min(sh, ty + kRotateTile);
      for (size_t tx = 0; tx < sw; tx += kRotateTile) {
        const size_t tx_end = std::min(sw, tx + kRotateTile);
        for (size_t y = ty; y < ty_end; ++y) {
          const double dy = static_cast<double>(y) - cy;
          const double bx = cx - cx * cs + dy * sn;
          const double by = cy + cx * sn + dy * cs;
          double* o = dst + y * sw;
          for (size_t x = tx; x < tx_end; ++x) {
            const double fx_out = static_cast<double>(x);
            double sx = bx + fx_out * cs, sy = by - fx_out * sn;
            // Points outside the source image leave the output pixel at 0.
            if (!(sx >= -kEdge && sx <= xmax + kEdge && sy >= -kEdge && sy <= ymax + kEdge)) {
              o[x] = 0.0;
              continue;
            }
            sx = sx < 0.0 ? 0.0 : (sx > xmax ? xmax : sx);
            sy = sy < 0.0 ? 0.0 : (sy > ymax ? ymax : sy);
            const size_t xa = static_cast<size_t>(sx), ya = static_cast<size_t>(sy);
            const double fx = sx - static_cast<double>(xa), fy = sy - static_cast<double>(ya);
            const size_t xb = xa + 1 < sw ? xa + 1 : xa;
            const double* r0 = src + ya * sw;
            const double* r1 = ya + 1 < sh ? r0 + sw : r0;
            o[x] = (1.0 - fy) * ((1.0 - fx) * r0[xa] + fx * r0[xb]) +
                   fy * ((1.0 - fx) * r1[xa] + fx * r1[xb]);
          }
        }
      }
    }
  });
}

ZEL_API void RotateMinus90ImgFun(const CImg<double>& in, CImg<double>& out) {
  quarter_turn_image<false>(in, out);
}

ZEL_API void RotatePlus90ImgFun(const CImg<double>& in, CImg<double>& out) {
  quarter_turn_image<true>(in, out);
}

ZEL_API void ScaleImgFun(const CImg<double>& in, CImg<double>& out, int newWidth, int newHeight) {
  // A size that is not above 0 asks for no rescaling: the result is a copy.
  if (newWidth <= 0 || newHeight <= 0) {
    out.assign(in);
    return;
  }
  // An empty input has nothing to resample: the result is empty.
  if (in.is_empty()) {
    out.assign();
    return;
  }
  zel::assign_checked(out, newWidth, newHeight, in.depth(), in.spectrum());
  const std::vector<Tap> xt = resample_taps(in.width(), newWidth);
  const std::vector<Tap> yt = resample_taps(in.height(), newHeight);
  const size_t sw = static_cast<size_t>(in.width()), ow = static_cast<size_t>(newWidth);
  zel::for_each_plane_pair(in, out, [&](const double* src, double* dst) {
    for (size_t y = 0; y < yt.size(); ++y) {
      const double* r0 = src + yt[y].lo * sw;
      const double* r1 = src + yt[y].hi * sw;
      const double fy = yt[y].frac;
      double* o = dst + y * ow;
      for (size_t x = 0; x < ow; ++x) {
        const Tap& t = xt[x];
        const double top = r0[t.lo] + t.frac * (r0[t.hi] - r0[t.lo]);
        const double bottom = r1[t.lo] + t.frac * (r1[t.hi] - r1[t.lo]);
        o[x] = top + fy * (bottom - top);
      }
    }
  });
}
