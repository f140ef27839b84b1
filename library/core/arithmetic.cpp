// Two-image arithmetic and logic, sample by sample. The result takes the
// larger of the two inputs' sizes in every axis (width, height, depth,
// channels); a sample that lies outside an input counts as 0.
#include <algorithm>
#include <cstdint>

#include "../dll.h"
#include "helpers.h"
#include "numeric.h"

namespace {

// out[i] = f(in[i]) and out[i] = f(a[i], b[i]) over n samples: the only
// sample loops of this file, each one the compiler vectorises.
template <class F>
inline void map_samples(const double* in, double* out, size_t n, F f) {
  for (size_t i = 0; i < n; ++i) out[i] = f(in[i]);
}
template <class F>
inline void zip_samples(const double* a, const double* b, double* out, size_t n, F f) {
  for (size_t i = 0; i < n; ++i) out[i] = f(a[i], b[i]);
}

bool has_size(const CImg<double>& img, int w, int h, int d, int c) {
  return img.width() == w && img.height() == h && img.depth() == d && img.spectrum() == c;
}

// Fills out (already sized w x h x d x c) with f over a and b, padding each
// input with 0 outside its own extent. Each output row is split into the
// stretch both inputs cover, the stretch only the wider one covers and the
// rest, so every inner loop is contiguous and reads only inside a buffer.
template <class F>
void combine_rows(const CImg<double>& a, const CImg<double>& b, CImg<double>& out, F f) {
  const int W = out.width(), H = out.height(), D = out.depth(), C = out.spectrum();
  const double f00 = f(0.0, 0.0);
  double* o = out.data();
  for (int c = 0; c < C; ++c)
    for (int z = 0; z < D; ++z) {
      const bool a_plane = c < a.spectrum() && z < a.depth(), b_plane = c < b.spectrum() && z < b.depth();
      const double* pa = a_plane ? zel::plane_at(a, z, c) : nullptr;
      const double* pb = b_plane ? zel::plane_at(b, z, c) : nullptr;
      for (int y = 0; y < H; ++y, o += W) {
        const size_t na = a_plane && y < a.height() ? static_cast<size_t>(a.width()) : 0;
        const size_t nb = b_plane && y < b.height() ? static_cast<size_t>(b.width()) : 0;
        const double* ra = na ? pa + static_cast<size_t>(y) * na : nullptr;
        const double* rb = nb ? pb + static_cast<size_t>(y) * nb : nullptr;
        const size_t both = std::min(na, nb);
        zip_samples(ra, rb, o, both, f);
        if (na > nb)
          map_samples(ra + both, o + both, na - both, [&](double v) { return f(v, 0.0); });
        else if (nb > na)
          map_samples(rb + both, o + both, nb - both, [&](double v) { return f(0.0, v); });
        std::fill(o + std::max(na, nb), o + W, f00);
      }
    }
}

// Sizes out and fills it with f over a and b; out may be an input only when
// that input already has out's size (then every sample is read before it is written).
template <class F>
void combine_into(const CImg<double>& a, const CImg<double>& b, CImg<double>& out, int W, int H, int D, int C,
                  F f) {
  zel::assign_checked(out, W, H, D, C);
  const size_t n = out.size();
  if (has_size(a, W, H, D, C) && has_size(b, W, H, D, C))
    zip_samples(a.data(), b.data(), out.data(), n, f);
  else if (b.is_empty())
    map_samples(a.data(), out.data(), n, [&](double v) { return f(v, 0.0); });
  else if (a.is_empty())
    map_samples(b.data(), out.data(), n, [&](double v) { return f(0.0, v); });
  else
    combine_rows(a, b, out, f);
}

// The one engine of every two-image operation: sizes out to the larger input
// in each axis and applies f sample by sample.
template <class F>
void combine(const CImg<double>& a, const CImg<double>& b, CImg<double>& out, F f) {
  const int W = std::max(a.width(), b.width()), H = std::max(a.height(), b.height());
  const int D = std::max(a.depth(), b.depth()), C = std::max(a.spectrum(), b.spectrum());
  // out may be one of the inputs; resizing it would lose that input's samples
  // (or reuse its buffer with another layout), so such a call works on a copy.
  if ((&out == &a && !has_size(a, W, H, D, C)) || (&out == &b && !has_size(b, W, H, D, C))) {
    CImg<double> fresh;
    combine_into(a, b, fresh, W, H, D, C, f);
    out.swap(fresh);
  } else {
    combine_into(a, b, out, W, H, D, C, f);
  }
}

}  // namespace

ZEL_API void AddImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out) {
  combine(a, b, out, [](double x, double y) { return 0.5 * (x + y); });
}

ZEL_API void SubtractImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out) {
  combine(a, b, out, [](double x, double y) { return zel::flow(x - y); });
}

ZEL_API void MultiplyImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out) {
  combine(a, b, out, [](double x, double y) { return x * y / 255.0; });
}

ZEL_API void DivideImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out) {
  // The divisor 0 is replaced before dividing: no division by 0 happens at all, so no 0/0 NaN.
  combine(a, b, out, [](double x, double y) {
    const double q = 255.0 * x / (y == 0.0 ? 1.0 : y);
    return y == 0.0 ? 255.0 : q;
  });
}

// NaN compares false, so smax / smin give the second sample when either is NaN.
ZEL_API void MaximumImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out) {
  combine(a, b, out, [](double x, double y) { return zel::smax(x, y); });
}

ZEL_API void MinimumImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out) {
  combine(a, b, out, [](double x, double y) { return zel::smin(x, y); });
}

ZEL_API void AndImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out) {
  combine(a, b, out, [](double x, double y) { return static_cast<double>(zel::saturate_to_int(x) & zel::saturate_to_int(y)); });
}

ZEL_API void OrImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out) {
  combine(a, b, out, [](double x, double y) { return static_cast<double>(zel::saturate_to_int(x) | zel::saturate_to_int(y)); });
}

ZEL_API void XorImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out) {
  combine(a, b, out, [](double x, double y) { return static_cast<double>(zel::saturate_to_int(x) ^ zel::saturate_to_int(y)); });
}

ZEL_API void NotImgFun(const CImg<double>& in, CImg<double>& out) {
  zel::assign_checked(out, in.width(), in.height(), in.depth(), in.spectrum());  // same size: in place is safe
  map_samples(in.data(), out.data(), out.size(), [](double v) { return 255.0 - v; });
}

ZEL_API void VellFun(const CImg<double>& in, CImg<double>& out, int k) {
  const double factor = static_cast<double>(k);
  zel::assign_checked(out, in.width(), in.height(), in.depth(), in.spectrum());
  map_samples(in.data(), out.data(), out.size(), [factor](double v) { return v * factor / 100.0; });
}
