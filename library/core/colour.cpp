// Colour-space conversions and their display views.
//
// One engine (convert_pixels) applies a per-pixel function to channels 0..2
// of every pixel of every slice; each space is a small function handed to it.
// Conventions kept by every conversion here:
// - R, G, B are sRGB-encoded grey levels 0..255; XYZ and L*a*b* linearise
//   them first (the sRGB transfer curve) and the inverses encode again.
// - X, Y, Z are on the 0..100 scale (white: Y = 100).
// - L*a*b* uses the D65 white point of the sRGB matrix (the matrix row sums,
//   so that RGB white gives a* = b* = 0 exactly).
// - HSI: hue and saturation scaled to 0..255 (hue 0..360 degrees -> 0..255),
//   intensity the mean (R + G + B) / 3; a grey pixel has hue 0 and saturation
//   0, and black has saturation 0.
// - The views use fixed ranges of each space (the extremes the RGB cube
//   reaches), not per-image minima and maxima, so that one colour always
//   looks the same.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "../dll.h"
#include "helpers.h"
#include "numeric.h"
#include "parallel.h"
#include "vector_clones.h"

// glibc's vector maths library (libmvec) has vector forms of these; declared
// so, the conversion loops that call them vectorise (the file is compiled
// without errno for the maths functions, which the library never reads).
#if defined(__GLIBC__) && defined(__x86_64__) && !defined(__clang__)
extern "C" {
__attribute__((simd("notinbranch"))) double cbrt(double) noexcept;
__attribute__((simd("notinbranch"))) double acos(double) noexcept;
}
#endif

namespace zel {
namespace {

constexpr size_t kBlock = 256;  // pixels converted together into a small buffer

// Sizes out like in and converts channels 0..2 of every pixel of every slice
// block by block: f(r, g, b, o0, o1, o2, m) converts m pixels (it may use its
// outputs as scratch space); further channels are 0. A one-channel
// image is copied unchanged; a two-channel one has no colour to convert.
template <class F>
void convert_blocks(const char* op, const CImg<double>& in, CImg<double>& out, F f) {
  if (&in == &out) {  // converting in place: read from a copy
    const CImg<double> copy(in);
    convert_blocks(op, copy, out, f);
    return;
  }
  if (in.spectrum() == 2)
    throw std::invalid_argument(std::string(op) + ": an image of 2 channels; the conversion takes 1 channel or 3 or more");
  if (in.is_empty()) {
    out.assign();
    return;
  }
  if (in.spectrum() == 1) {
    out.assign(in);
    return;
  }
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  const size_t n = plane_size(in), blocks = (n + kBlock - 1) / kBlock;
  for (int z = 0; z < in.depth(); ++z) {
    const double *r = plane_at(in, z, 0), *g = plane_at(in, z, 1), *b = plane_at(in, z, 2);
    double *o0 = plane_at(out, z, 0), *o1 = plane_at(out, z, 1), *o2 = plane_at(out, z, 2);
    // Pixels are independent: runs of blocks on separate threads.
    parallel_ranges(blocks, 8 * n, [&](size_t b0, size_t b1) {
      for (size_t i = b0 * kBlock, end = std::min(n, b1 * kBlock); i < end; i += kBlock)
        f(r + i, g + i, b + i, o0 + i, o1 + i, o2 + i, std::min(kBlock, end - i));
    });
    for (int c = 3; c < in.spectrum(); ++c) std::fill_n(plane_at(out, z, c), n, 0.0);
  }
}

// The same with a per-pixel function f(r, g, b, o0, o1, o2); written without
// branches, f vectorises.
template <class F>
void convert_pixels(const char* op, const CImg<double>& in, CImg<double>& out, F f) {
  convert_blocks(op, in, out,
                 [&f](const double* __restrict r, const double* __restrict g, const double* __restrict b,
                      double* __restrict o0, double* __restrict o1, double* __restrict o2, size_t m) {
                   for (size_t i = 0; i < m; ++i) f(r[i], g[i], b[i], o0[i], o1[i], o2[i]);
                 });
}

// A 3 x 3 matrix applied to (r, g, b); the inverses are computed from the
// forward matrices so that a round trip is exact to rounding.
struct Mat3 {
  double m[3][3];
  void apply(double r, double g, double b, double& o0, double& o1, double& o2) const {
    o0 = m[0][0] * r + m[0][1] * g + m[0][2] * b;
    o1 = m[1][0] * r + m[1][1] * g + m[1][2] * b;
    o2 = m[2][0] * r + m[2][1] * g + m[2][2] * b;
  }
  Mat3 inverse() const {
    const auto& a = m;
    const double c00 = a[1][1] * a[2][2] - a[1][2] * a[2][1], c01 = a[1][2] * a[2][0] - a[1][0] * a[2][2],
                 c02 = a[1][0] * a[2][1] - a[1][1] * a[2][0];
    const double det = a[0][0] * c00 + a[0][1] * c01 + a[0][2] * c02;
    return {{{c00 / det, (a[0][2] * a[2][1] - a[0][1] * a[2][2]) / det, (a[0][1] * a[1][2] - a[0][2] * a[1][1]) / det},
             {c01 / det, (a[0][0] * a[2][2] - a[0][2] * a[2][0]) / det, (a[0][2] * a[1][0] - a[0][0] * a[1][2]) / det},
             {c02 / det, (a[0][1] * a[2][0] - a[0][0] * a[2][1]) / det, (a[0][0] * a[1][1] - a[0][1] * a[1][0]) / det}}};
  }
};

// sRGB (linear, 0..1) to XYZ (D65), on the 0..100 scale.
constexpr Mat3 kXYZ = {{{41.24564, 35.75761, 18.04375}, {21.26729, 71.51522, 7.21750}, {1.93339, 11.91920, 95.03041}}};
// NTSC YIQ.
constexpr Mat3 kYIQ = {{{0.299, 0.587, 0.114}, {0.596, -0.274, -0.322}, {0.211, -0.523, 0.312}}};
// Analogue-television YUV: U = 0.492 (B - Y), V = 0.877 (R - Y).
constexpr Mat3 kYUV = {{{0.299, 0.587, 0.114},
                        {-0.492 * 0.299, -0.492 * 0.587, 0.492 * (1.0 - 0.114)},
                        {0.877 * (1.0 - 0.299), -0.877 * 0.587, -0.877 * 0.114}}};
// Opponent colours R - 2G + B, -R - G + 2B, R + G + B.
constexpr Mat3 kOpponent = {{{1, -2, 1}, {-1, -1, 2}, {1, 1, 1}}};

const Mat3& inverse_xyz() {
  static const Mat3 m = kXYZ.inverse();
  return m;
}
const Mat3& inverse_yiq() {
  static const Mat3 m = kYIQ.inverse();
  return m;
}
const Mat3& inverse_yuv() {
  static const Mat3 m = kYUV.inverse();
  return m;
}

// The sRGB transfer curve: grey level 0..255 to linear light 0..1. Whole grey
// levels 0..255 (nearly every image) come from a table; others are computed.
double srgb_decode_exact(double v) {
  const double c = v / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
struct DecodeTable {
  double t[256];
  DecodeTable() {
    for (int i = 0; i < 256; ++i) t[i] = srgb_decode_exact(i);
  }
};
const DecodeTable& decode_table() {
  static const DecodeTable table;
  return table;
}
inline double srgb_decode(const DecodeTable& table, double v) {
  if (v >= 0.0 && v <= 255.0) {
    const int i = static_cast<int>(v);
    if (i == v) return table.t[i];
  }
  return srgb_decode_exact(v);
}
// Linear light 0..1 to a grey level, clamped to 0..255.
inline double srgb_encode(double c) {
  const double e = c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
  return flow(e * 255.0);
}

// The D65 white point of kXYZ (its row sums), 0..100 scale.
constexpr double kWhiteX = 41.24564 + 35.75761 + 18.04375;
constexpr double kWhiteY = 21.26729 + 71.51522 + 7.21750;
constexpr double kWhiteZ = 1.93339 + 11.91920 + 95.03041;

// CIE f(t): the cube root above (6/29)^3, its tangent line below.
constexpr double kDelta = 6.0 / 29.0;
// root is the cube root of t.
inline double lab_f(double t, double root) {
  return t > kDelta * kDelta * kDelta ? root : t / (3.0 * kDelta * kDelta) + 4.0 / 29.0;
}
inline double lab_f_inverse(double f) { return f > kDelta ? f * f * f : 3.0 * kDelta * kDelta * (f - 4.0 / 29.0); }

// The cosine of the HSI hue angle (the arccos formula), clamped to -1..1; 1
// (hue 0) for grey.
inline double hue_cosine(double r, double g, double b) {
  const double num = 0.5 * ((r - g) + (r - b));
  const double den = std::sqrt((r - g) * (r - g) + (r - b) * (g - b));
  const bool grey = !(den > 0.0);
  double q = num / (grey ? 1.0 : den);
  q = grey ? 1.0 : q;
  q = q < -1.0 ? -1.0 : q;
  return q > 1.0 ? 1.0 : q;
}

// The block kernels with a maths call run in passes, so that the call sits in
// a loop of its own (a call under a condition is not vectorised); each is
// built for AVX2 as well, picked at load time where the processor has it.

// L*, a*, b* in place of linear R, G, B (0..1), m <= kBlock pixels.
ZEL_VECTOR_CLONES void lab_from_linear(double* __restrict L, double* __restrict A, double* __restrict B, size_t m) {
  const auto& k = kXYZ.m;  // the rows scaled by the white point
  const double x0 = k[0][0] / kWhiteX, x1 = k[0][1] / kWhiteX, x2 = k[0][2] / kWhiteX;
  const double y0 = k[1][0] / kWhiteY, y1 = k[1][1] / kWhiteY, y2 = k[1][2] / kWhiteY;
  const double z0 = k[2][0] / kWhiteZ, z1 = k[2][1] / kWhiteZ, z2 = k[2][2] / kWhiteZ;
  alignas(64) double tx[kBlock], ty[kBlock], tz[kBlock], cx[kBlock], cy[kBlock], cz[kBlock];
  for (size_t i = 0; i < m; ++i) {
    tx[i] = x0 * L[i] + x1 * A[i] + x2 * B[i];
    ty[i] = y0 * L[i] + y1 * A[i] + y2 * B[i];
    tz[i] = z0 * L[i] + z1 * A[i] + z2 * B[i];
  }
  for (size_t i = 0; i < m; ++i) cx[i] = std::cbrt(tx[i]), cy[i] = std::cbrt(ty[i]), cz[i] = std::cbrt(tz[i]);
  for (size_t i = 0; i < m; ++i) {
    const double fx = lab_f(tx[i], cx[i]), fy = lab_f(ty[i], cy[i]), fz = lab_f(tz[i], cz[i]);
    L[i] = 116.0 * fy - 16.0;
    A[i] = 500.0 * (fx - fy);
    B[i] = 200.0 * (fy - fz);
  }
}

// Hue, saturation and intensity of m <= kBlock pixels.
ZEL_VECTOR_CLONES void hsi_block(const double* __restrict r, const double* __restrict g, const double* __restrict b,
                                 double* __restrict h, double* __restrict s, double* __restrict in, size_t m) {
  alignas(64) double q[kBlock];
  for (size_t i = 0; i < m; ++i) q[i] = hue_cosine(r[i], g[i], b[i]);
  for (size_t i = 0; i < m; ++i) q[i] = std::acos(q[i]);
  for (size_t i = 0; i < m; ++i) {
    const double theta = q[i] * (180.0 / kPi);
    h[i] = (b[i] > g[i] ? 360.0 - theta : theta) * (255.0 / 360.0);
    const double sum = r[i] + g[i] + b[i];
    const double lo = smin(r[i], smin(g[i], b[i]));
    const double sat = (1.0 - 3.0 * lo / (sum > 0.0 ? sum : 1.0)) * 255.0;
    s[i] = sum > 0.0 ? sat : 0.0;
    in[i] = sum * (1.0 / 3.0);
  }
}

// One sector of the HSI inverse: the channel that leads the sector (angle h
// in degrees, 0 <= h < 120), the minimum and the rest.
inline void hsi_sector(double h, double s, double i, double& lead, double& low, double& rest) {
  low = i * (1.0 - s);
  lead = i * (1.0 + s * std::cos(h * (kPi / 180.0)) / std::cos((60.0 - h) * (kPi / 180.0)));
  rest = 3.0 * i - (lead + low);
}

// The range [lo, hi] each output of m reaches over the RGB cube 0..255, and
// the view that maps it onto 0..255.
struct ChannelView {
  double lo, scale;
  double operator()(double v) const { return flow((v - lo) * scale); }
};
ChannelView cube_view(const Mat3& m, int row) {
  double lo = 0.0, hi = 0.0;
  for (double c : m.m[row]) (c < 0.0 ? lo : hi) += 255.0 * c;
  return {lo, 255.0 / (hi - lo)};
}
void view_linear(const char* op, const Mat3& m, const CImg<double>& in, CImg<double>& out) {
  const ChannelView v0 = cube_view(m, 0), v1 = cube_view(m, 1), v2 = cube_view(m, 2);
  convert_pixels(op, in, out, [&](double a, double b, double c, double& o0, double& o1, double& o2) {
    o0 = v0(a);
    o1 = v1(b);
    o2 = v2(c);
  });
}

// The matrix m applied to every pixel; the result clamped to 0..255 when
// Clamp (the inverses, which give R, G, B).
template <bool Clamp>
void by_matrix(const char* op, const Mat3& m, const CImg<double>& in, CImg<double>& out) {
  const double a0 = m.m[0][0], a1 = m.m[0][1], a2 = m.m[0][2], b0 = m.m[1][0], b1 = m.m[1][1], b2 = m.m[1][2],
               c0 = m.m[2][0], c1 = m.m[2][1], c2 = m.m[2][2];  // in registers for the vectorised loop
  const auto limit = [](double v) { return Clamp ? flow(v) : v; };
  convert_pixels(op, in, out, [=](double r, double g, double b, double& o0, double& o1, double& o2) {
    o0 = limit(a0 * r + a1 * g + a2 * b);
    o1 = limit(b0 * r + b1 * g + b2 * b);
    o2 = limit(c0 * r + c1 * g + c2 * b);
  });
}

}  // namespace

}  // namespace zel

using namespace zel;

// ---- 255 minus every value -------------------------------------------------

ZEL_API void CMYToColourFun(const CImg<double>& in, CImg<double>& out) {
  point_map(in, out, [](double v) { return 255.0 - v; });
}
ZEL_API void ColourToCMYFun(const CImg<double>& in, CImg<double>& out) { CMYToColourFun(in, out); }

// ---- Linear spaces ---------------------------------------------------------

ZEL_API void ColourToYIQFun(const CImg<double>& in, CImg<double>& out) { by_matrix<false>("ColourToYIQFun", kYIQ, in, out); }
ZEL_API void YIQToColourFun(const CImg<double>& in, CImg<double>& out) {
  by_matrix<true>("YIQToColourFun", inverse_yiq(), in, out);
}
ZEL_API void ColourToYUVFun(const CImg<double>& in, CImg<double>& out) { by_matrix<false>("ColourToYUVFun", kYUV, in, out); }
ZEL_API void YUVToColourFun(const CImg<double>& in, CImg<double>& out) {
  by_matrix<true>("YUVToColourFun", inverse_yuv(), in, out);
}
ZEL_API void ColourToOpponentFun(const CImg<double>& in, CImg<double>& out) {
  by_matrix<false>("ColourToOpponentFun", kOpponent, in, out);
}
// The exact inverse of the opponent matrix; not clamped.
ZEL_API void OpponentToColourFun(const CImg<double>& in, CImg<double>& out) {
  convert_pixels("OpponentToColourFun", in, out,
                 [](double o1, double o2, double o3, double& r, double& g, double& b) {
                   r = (o1 - o2 + o3) / 3.0;
                   g = (o3 - o1) / 3.0;
                   b = (o2 + o3) / 3.0;
                 });
}
ZEL_API void GreyScalerFun(const CImg<double>& in, CImg<double>& out) {
  convert_pixels("GreyScalerFun", in, out, [](double r, double g, double b, double& o0, double& o1, double& o2) {
    o0 = o1 = o2 = 0.299 * r + 0.587 * g + 0.114 * b;
  });
}

// ---- XYZ and L*a*b* --------------------------------------------------------

ZEL_API void ColourToXYZFun(const CImg<double>& in, CImg<double>& out) {
  const DecodeTable& table = decode_table();
  convert_pixels("ColourToXYZFun", in, out, [&](double r, double g, double b, double& x, double& y, double& z) {
    kXYZ.apply(srgb_decode(table, r), srgb_decode(table, g), srgb_decode(table, b), x, y, z);
  });
}
ZEL_API void XYZToColourFun(const CImg<double>& in, CImg<double>& out) {
  const Mat3& m = inverse_xyz();
  convert_pixels("XYZToColourFun", in, out, [&](double x, double y, double z, double& r, double& g, double& b) {
    m.apply(x, y, z, r, g, b);
    r = srgb_encode(r), g = srgb_encode(g), b = srgb_encode(b);
  });
}
ZEL_API void ColourToLABFun(const CImg<double>& in, CImg<double>& out) {
  const DecodeTable& table = decode_table();
  convert_blocks("ColourToLABFun", in, out,
                 [&](const double* r, const double* g, const double* b, double* L, double* A, double* B, size_t m) {
                   for (size_t i = 0; i < m; ++i)  // linear light, by table
                     L[i] = srgb_decode(table, r[i]), A[i] = srgb_decode(table, g[i]), B[i] = srgb_decode(table, b[i]);
                   lab_from_linear(L, A, B, m);
                 });
}
ZEL_API void LABToColourFun(const CImg<double>& in, CImg<double>& out) {
  const Mat3& m = inverse_xyz();
  convert_pixels("LABToColourFun", in, out, [&](double L, double A, double B, double& r, double& g, double& b) {
    const double fy = (L + 16.0) / 116.0;
    const double x = kWhiteX * lab_f_inverse(fy + A / 500.0), y = kWhiteY * lab_f_inverse(fy),
                 z = kWhiteZ * lab_f_inverse(fy - B / 200.0);
    m.apply(x, y, z, r, g, b);
    r = srgb_encode(r), g = srgb_encode(g), b = srgb_encode(b);
  });
}

// ---- HSI -------------------------------------------------------------------

ZEL_API void ColourToHSIFun(const CImg<double>& in, CImg<double>& out) {
  convert_blocks("ColourToHSIFun", in, out, hsi_block);
}
// The sector formulas of the HSI model; not clamped, as the inverse of
// ColourToHSIFun (an HSI triple outside the RGB cube gives values outside
// 0..255).
ZEL_API void HSIToColourFun(const CImg<double>& in, CImg<double>& out) {
  convert_pixels("HSIToColourFun", in, out, [](double h, double s, double i, double& r, double& g, double& b) {
    double deg = std::fmod(h * (360.0 / 255.0), 360.0);
    if (deg < 0.0) deg += 360.0;
    s /= 255.0;
    if (deg < 120.0)
      hsi_sector(deg, s, i, r, b, g);
    else if (deg < 240.0)
      hsi_sector(deg - 120.0, s, i, g, r, b);
    else
      hsi_sector(deg - 240.0, s, i, b, g, r);
  });
}

// ---- Views -----------------------------------------------------------------

// L* 0..100 onto 0..255; a* and b* offset by 128 (their 8-bit encoding).
ZEL_API void ViewLABFun(const CImg<double>& in, CImg<double>& out) {
  convert_pixels("ViewLABFun", in, out, [](double L, double A, double B, double& o0, double& o1, double& o2) {
    o0 = flow(L * 2.55);
    o1 = flow(A + 128.0);
    o2 = flow(B + 128.0);
  });
}
// X, Y, Z from 0..white onto 0..255.
ZEL_API void ViewXYZFun(const CImg<double>& in, CImg<double>& out) {
  convert_pixels("ViewXYZFun", in, out, [](double x, double y, double z, double& o0, double& o1, double& o2) {
    o0 = flow(x * (255.0 / kWhiteX));
    o1 = flow(y * (255.0 / kWhiteY));
    o2 = flow(z * (255.0 / kWhiteZ));
  });
}
// Each channel from the range it reaches over the RGB cube onto 0..255.
ZEL_API void ViewYIQFun(const CImg<double>& in, CImg<double>& out) { view_linear("ViewYIQFun", kYIQ, in, out); }
ZEL_API void ViewYUVFun(const CImg<double>& in, CImg<double>& out) { view_linear("ViewYUVFun", kYUV, in, out); }
ZEL_API void ViewOpponentFun(const CImg<double>& in, CImg<double>& out) {
  view_linear("ViewOpponentFun", kOpponent, in, out);
}
