// Image information: sizes, single pixels, the first white pixel and the
// sum of all values.
#include "../dll.h"
#include "draw_helpers.h"

ZEL_API int GetWidthFun(const CImg<double>& in) { return in.width(); }
ZEL_API int GetHeightFun(const CImg<double>& in) { return in.height(); }
ZEL_API int GetChannelsFun(const CImg<double>& in) { return in.spectrum(); }

ZEL_API RGBTriplet GetPixelFun(const CImg<double>& in, CoOrdinate p) {
  if (!zel::inside(in, p.getX(), p.getY())) return RGBTriplet(-1, -1, -1);
  const size_t at = static_cast<size_t>(p.getY()) * in.width() + static_cast<size_t>(p.getX());
  double v[3] = {0.0, 0.0, 0.0};
  for (int c = 0; c < zel::colour_channels(in); ++c) v[c] = zel::plane_at(in, 0, c)[at];
  return RGBTriplet(v[0], v[1], v[2]);
}

ZEL_API CoOrdinate FirstWhitePixelFun(const CImg<double>& in) {
  if (in.is_empty()) return CoOrdinate(-1, -1);
  // Images with three or more channels need channels 0, 1 and 2 white; others channel 0 only.
  const bool colour = in.spectrum() >= 3;
  const double* r = zel::plane_at(in, 0, 0);
  const double* g = colour ? zel::plane_at(in, 0, 1) : r;
  const double* b = colour ? zel::plane_at(in, 0, 2) : r;
  const size_t n = zel::plane_size(in);
  for (size_t i = 0; i < n; ++i)
    if (r[i] >= 255.0 && g[i] >= 255.0 && b[i] >= 255.0)
      return CoOrdinate(static_cast<int>(i % in.width()), static_cast<int>(i / in.width()));
  return CoOrdinate(-1, -1);
}

ZEL_API double GrayscalePixelSumFun(const CImg<double>& in) {
  const double* v = in.data();
  const size_t n = in.size();
  // Four running sums let the additions overlap; their total is the result.
  double s[4] = {0.0, 0.0, 0.0, 0.0};
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    s[0] += v[i];
    s[1] += v[i + 1];
    s[2] += v[i + 2];
    s[3] += v[i + 3];
  }
  for (; i < n; ++i) s[0] += v[i];
  return (s[0] + s[1]) + (s[2] + s[3]);
}
