// Drawing into a copy of the input: box outlines, rings, thick lines and
// filled boxes and discs. Every shape is written into all slices, channels
// 0..2 taking R, G, B; whatever falls outside the image is skipped. Loops
// run over the shape's extent clipped to the image, never over user sizes.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "../dll.h"
#include "draw_helpers.h"

namespace {

// Fills, row by row, the pixels (x, y) with ring_lo^2 <= (x-cx)^2 + (y-cy)^2 <= ring_hi^2;
// ring_lo <= 0 means a full disc.
void fill_ring(CImg<double>& img, long long cx, long long cy, double ring_lo, double ring_hi,
               const double rgb[3]) {
  if (img.is_empty() || ring_hi < 0.0 || ring_lo > ring_hi) return;
  const long long reach = static_cast<long long>(std::floor(ring_hi));
  const long long y0 = std::max(cy - reach, 0LL);
  const long long y1 = std::min(cy + reach, static_cast<long long>(img.height()) - 1);
  for (long long y = y0; y <= y1; ++y) {
    const double d2 = static_cast<double>(y - cy) * static_cast<double>(y - cy);
    const long long outer = zel::half_span(d2, ring_hi * ring_hi, false);
    if (outer < 0) continue;
    const long long inner = ring_lo > 0.0 ? zel::half_span(d2, ring_lo * ring_lo, true) : -1;
    if (inner < 0) {
      zel::fill_rect(img, cx - outer, y, cx + outer, y, rgb);
    } else {
      zel::fill_rect(img, cx - outer, y, cx - inner - 1, y, rgb);
      zel::fill_rect(img, cx + inner + 1, y, cx + outer, y, rgb);
    }
  }
}

}  // namespace

ZEL_API void DrawBoxFun(const CImg<double>& in, CImg<double>& out, CoOrdinate p1, CoOrdinate p2,
                        RGBTriplet colour, int thickness) {
  out.assign(in);
  if (thickness <= 0) return;
  double rgb[3];
  zel::colour_values(colour, rgb);
  const long long x1 = p1.getX(), y1 = p1.getY(), x2 = p2.getX(), y2 = p2.getY(), t = thickness;
  const long long left = std::min(x1, x2), right = std::max(x1, x2);
  const long long top = std::min(y1, y2), bottom = std::max(y1, y2);
  // Sides grow from p1 by +k and from p2 by -k, whichever corner is which.
  zel::fill_rect(out, left, y1, right, y1 + t - 1, rgb);
  zel::fill_rect(out, left, y2 - t + 1, right, y2, rgb);
  zel::fill_rect(out, x1, top, x1 + t - 1, bottom, rgb);
  zel::fill_rect(out, x2 - t + 1, top, x2, bottom, rgb);
}

ZEL_API void DrawCircleFun(const CImg<double>& in, CImg<double>& out, CoOrdinate centre, int radius,
                           RGBTriplet colour, int thickness) {
  out.assign(in);
  double rgb[3];
  zel::colour_values(colour, rgb);
  // The ring's half-width is thickness / 2 as a real number; a negative thickness draws nothing.
  const double half = thickness / 2.0;
  fill_ring(out, centre.getX(), centre.getY(), radius - half, radius + half, rgb);
}

ZEL_API void DrawLineFun(const CImg<double>& in, CImg<double>& out, CoOrdinate p1, CoOrdinate p2,
                         RGBTriplet colour, int thickness) {
  out.assign(in);
  if (out.is_empty()) return;
  double rgb[3];
  zel::colour_values(colour, rgb);
  // A thickness below 1 draws as 1.
  const long long t = std::max(thickness, 1);
  long long x1 = p1.getX(), y1 = p1.getY(), x2 = p2.getX(), y2 = p2.getY();
  if (x1 == x2) {
    // Vertical lines (and single points) are the box t/2 columns either side of the line.
    zel::fill_rect(out, x1 - t / 2, std::min(y1, y2), x2 + t / 2, std::max(y1, y2), rgb);
    return;
  }
  // The t parallel lines sit at offsets k - t/2 (k = 0..t-1) along the minor axis.
  const long long off_lo = -(t / 2), off_hi = t - 1 - t / 2;
  const long long w = out.width(), h = out.height();
  if (std::llabs(x2 - x1) >= std::llabs(y2 - y1)) {
    // Walk columns from the left end point so that both directions draw the same pixels.
    if (x2 < x1) std::swap(x1, x2), std::swap(y1, y2);
    const long long xa = std::max(x1, 0LL), xb = std::min(x2, w - 1);
    // Each column gets rows y + off_lo .. y + off_hi; columns go in blocks, filled
    // row by row, so that thick lines write memory contiguously.
    constexpr long long kBlock = 64;
    long long lo[kBlock], hi[kBlock];
    for (long long bx = xa; bx <= xb; bx += kBlock) {
      const long long n = std::min(kBlock, xb - bx + 1);
      long long ymin = h, ymax = -1;
      for (long long i = 0; i < n; ++i) {
        const long long y = zel::line_minor(y1, y2 - y1, x2 - x1, bx + i - x1);
        lo[i] = std::max(y + off_lo, 0LL);
        hi[i] = std::min(y + off_hi, h - 1);
        if (lo[i] <= hi[i]) ymin = std::min(ymin, lo[i]), ymax = std::max(ymax, hi[i]);
      }
      for (int c = 0; c < zel::colour_channels(out); ++c)
        for (int z = 0; z < out.depth(); ++z) {
          double* row = zel::plane_at(out, z, c) + bx;
          for (long long y = ymin; y <= ymax; ++y)
            for (long long i = 0; i < n; ++i)
              if (lo[i] <= y && y <= hi[i]) row[static_cast<size_t>(y * w + i)] = rgb[c];
        }
    }
  } else {
    // Steep lines walk rows from the top end point, offsets running along the row.
    if (y2 < y1) std::swap(x1, x2), std::swap(y1, y2);
    const long long ya = std::max(y1, 0LL), yb = std::min(y2, h - 1);
    for (long long y = ya; y <= yb; ++y) {
      const long long x = zel::line_minor(x1, x2 - x1, y2 - y1, y - y1);
      zel::fill_rect(out, x + off_lo, y, x + off_hi, y, rgb);
    }
  }
}

ZEL_API void FillBoxFun(const CImg<double>& in, CImg<double>& out, CoOrdinate p1, CoOrdinate p2,
                        RGBTriplet colour) {
  out.assign(in);
  double rgb[3];
  zel::colour_values(colour, rgb);
  const long long x1 = p1.getX(), y1 = p1.getY(), x2 = p2.getX(), y2 = p2.getY();
  zel::fill_rect(out, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2), rgb);
}

ZEL_API void FillCircleFun(const CImg<double>& in, CImg<double>& out, CoOrdinate centre, int radius,
                           RGBTriplet colour) {
  out.assign(in);
  double rgb[3];
  zel::colour_values(colour, rgb);
  fill_ring(out, centre.getX(), centre.getY(), 0.0, radius, rgb);
}
