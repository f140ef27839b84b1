// Pixel editing: removing and setting single pixels, masking a frame and
// marking bright points with crosses or squares.
#include <algorithm>

#include "../dll.h"
#include "draw_helpers.h"

ZEL_API void RemovePixelFun(const CImg<double>& in, CImg<double>& out, CoOrdinate p) {
  out.assign(in);
  if (!zel::inside(out, p.getX(), p.getY())) return;
  const size_t at = static_cast<size_t>(p.getY()) * out.width() + static_cast<size_t>(p.getX());
  zel::for_each_plane(out, [&](double* plane, int, int) { plane[at] = 0.0; });
}

ZEL_API void SetPixelFun(const CImg<double>& in, CImg<double>& out, CoOrdinate p, RGBTriplet colour) {
  out.assign(in);
  double rgb[3];
  zel::colour_values(colour, rgb);
  zel::put_colour(out, p.getX(), p.getY(), rgb);
}

ZEL_API void MaskImgFun(const CImg<double>& in, CImg<double>& out, int n) {
  out.assign(in);
  if (n <= 0 || out.is_empty()) return;
  const size_t w = static_cast<size_t>(out.width()), h = static_cast<size_t>(out.height());
  const size_t nx = std::min(static_cast<size_t>(n), w), ny = std::min(static_cast<size_t>(n), h);
  zel::for_each_plane(out, [&](double* plane, int, int) {
    for (size_t y = 0; y < h; ++y) {
      double* row = plane + y * w;
      if (y < ny || y >= h - ny) {
        std::fill(row, row + w, 0.0);
      } else {
        std::fill(row, row + nx, 0.0);
        std::fill(row + (w - nx), row + w, 0.0);
      }
    }
  });
}

namespace {

// Clears out to the size of in and, in every plane, calls mark(plane, x, y)
// for each pixel of in that is at least 255. in and out may be one image.
template <class Mark>
void mark_bright_points(const CImg<double>& in, CImg<double>& out, Mark mark) {
  const CImg<double> kept = (&in == &out) ? in : CImg<double>();
  const CImg<double>& src = (&in == &out) ? kept : in;
  out.assign(src.width(), src.height(), src.depth(), src.spectrum(), 0.0);
  const int w = src.width(), h = src.height();
  zel::for_each_plane_pair(src, out, [&](const double* s, double* d) {
    for (int y = 0; y < h; ++y, s += w)
      for (int x = 0; x < w; ++x)
        if (s[x] >= 255.0) mark(d, w, h, x, y);
  });
}

// Sets columns x0..x1 of row y to 255, clipped to the plane.
inline void mark_row(double* plane, long long w, long long h, long long y, long long x0, long long x1) {
  if (y < 0 || y >= h) return;
  x0 = std::max(x0, 0LL);
  x1 = std::min(x1, w - 1);
  for (long long x = x0; x <= x1; ++x) plane[static_cast<size_t>(y) * w + x] = 255.0;
}

// Sets rows y0..y1 of column x to 255, clipped to the plane.
inline void mark_column(double* plane, long long w, long long h, long long x, long long y0, long long y1) {
  if (x < 0 || x >= w) return;
  y0 = std::max(y0, 0LL);
  y1 = std::min(y1, h - 1);
  for (long long y = y0; y <= y1; ++y) plane[static_cast<size_t>(y) * w + x] = 255.0;
}

}  // namespace

ZEL_API void Point2CrossFun(const CImg<double>& in, CImg<double>& out) {
  mark_bright_points(in, out, [](double* d, long long w, long long h, long long x, long long y) {
    mark_row(d, w, h, y, x - 2, x + 2);
    mark_column(d, w, h, x, y - 2, y + 2);
  });
}

ZEL_API void Point2SquareFun(const CImg<double>& in, CImg<double>& out) {
  mark_bright_points(in, out, [](double* d, long long w, long long h, long long x, long long y) {
    mark_row(d, w, h, y - 2, x - 2, x + 2);
    mark_row(d, w, h, y + 2, x - 2, x + 2);
    mark_column(d, w, h, x - 2, y - 1, y + 1);
    mark_column(d, w, h, x + 2, y - 1, y + 1);
  });
}
