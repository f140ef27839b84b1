// The 3x3x3 block filters of a volume (block3.h): largest and smallest
// neighbour, low-pass, midpoint, sharpen, the gradient operators, Roberts
// cross, non-maxima, the Laplacian and the difference of low-pass volumes.
// Channels are filtered on their own. Apart from the Laplacian they start
// from a copy of the input: the one-pixel frame of every slice keeps it, and
// the first and last slice are repeated beyond the volume.
#include <cmath>
#include <cstddef>
#include <vector>

#include "../core/helpers.h"
#include "../core/numeric.h"
#include "../dll.h"
#include "block3.h"

namespace zel {
namespace {

// Sum (the extremes kLarger / kSmaller pass a NaN over, as a running extreme does).
constexpr auto kSum = [](double a, double b) { return a + b; };

// The border rules most of these filters share: within a slice the frame
// keeps the input; across slices the first and last repeat.
constexpr Border kPlane = Border::CopyInput, kSlices = Border::RepeatEdge;

// Face weights of a 3-D gradient: `centre` at the middle of a face of the
// block, `edge` at the four voxels that share a side with it, `corner` at
// the four corners.
struct FaceWeights {
  double centre, edge, corner;
};

// The parts of the three derivatives of the row at x = 0 .. w - 1 from the
// nine block rows r[3 dz + dy]: face, the weighted sum of the nine rows (gx
// is its difference across x); ya / yb, the differences across y weighted
// for the column at x / for the columns at x - 1 and x + 1; za / zb likewise
// across z. Separate restrict-qualified rows, so the loop vectorises.
void gradient_parts(const double* const* r, size_t w, FaceWeights k, double* __restrict face,
                    double* __restrict ya, double* __restrict yb, double* __restrict za, double* __restrict zb) {
  const double* __restrict r00 = r[0];
  const double* __restrict r01 = r[1];
  const double* __restrict r02 = r[2];
  const double* __restrict r10 = r[3];
  const double* __restrict r11 = r[4];
  const double* __restrict r12 = r[5];
  const double* __restrict r20 = r[6];
  const double* __restrict r21 = r[7];
  const double* __restrict r22 = r[8];
  for (size_t x = 0; x < w; ++x) {
    face[x] = k.centre * r11[x] + k.edge * ((r01[x] + r21[x]) + (r10[x] + r12[x])) +
              k.corner * ((r00[x] + r02[x]) + (r20[x] + r22[x]));
    const double e0 = r02[x] - r00[x], e1 = r12[x] - r10[x], e2 = r22[x] - r20[x];  // across y
    const double f0 = r20[x] - r00[x], f1 = r21[x] - r01[x], f2 = r22[x] - r02[x];  // across z
    ya[x] = k.centre * e1 + k.edge * (e0 + e2);
    yb[x] = k.edge * e1 + k.corner * (e0 + e2);
    za[x] = k.centre * f1 + k.edge * (f0 + f2);
    zb[x] = k.edge * f1 + k.corner * (f0 + f2);
  }
}

void gradient_magnitudes(const double* __restrict face, const double* __restrict ya, const double* __restrict yb,
                         const double* __restrict za, const double* __restrict zb, size_t w, double scale,
                         double* __restrict o) {
  for (size_t x = 1; x + 1 < w; ++x) {
    const double gx = face[x + 1] - face[x - 1];
    const double gy = ya[x] + (yb[x - 1] + yb[x + 1]);
    const double gz = za[x] + (zb[x - 1] + zb[x + 1]);
    o[x] = std::sqrt(gx * gx + gy * gy + gz * gz) * scale;
  }
}

// The gradient magnitude sqrt(gx^2 + gy^2 + gz^2) of the block, times
// scale; each derivative is the difference of the two faces of the block
// across its axis, weighted over the face.
void gradient3d(const CImg<double>& in, CImg<double>& out, FaceWeights k, double scale) {
  block3::filter_rows(in, out, kPlane, kSlices, [k, scale](const block3::Rows& b, double* o, size_t w) {
    thread_local std::vector<double> buf;  // rows run on several threads
    buf.resize(5 * w);
    double* p = buf.data();
    gradient_parts(&b.r[0][0], w, k, p, p + w, p + 2 * w, p + 3 * w, p + 4 * w);
    gradient_magnitudes(p, p + w, p + 2 * w, p + 3 * w, p + 4 * w, w, scale, o);
  });
}

}  // namespace
}  // namespace zel

using namespace zel;

ZEL_API void LargestIntensityNeighbour3DFun(const CImg<double>& in, CImg<double>& out) {
  block3::reduce_into(in, out, kPlane, kSlices, kLarger, [](double, double m) { return m; });
}

ZEL_API void SmallestIntensityNeighbour3DFun(const CImg<double>& in, CImg<double>& out) {
  block3::reduce_into(in, out, kPlane, kSlices, kSmaller, [](double, double m) { return m; });
}

ZEL_API void LowPass3DFun(const CImg<double>& in, CImg<double>& out) {
  block3::reduce_into(in, out, kPlane, kSlices, kSum, [](double, double s) { return s / 27.0; });
}

// (maximum + minimum) / 2, the maximum taken from 0 and the minimum from
// 100000000: the maxima first, then the minima joined to them.
ZEL_API void Midpoint3DFun(const CImg<double>& in, CImg<double>& out) {
  if (fill_aside(in, out, [&](CImg<double>& o) { Midpoint3DFun(in, o); })) return;
  block3::reduce_into(in, out, kPlane, kSlices, kLarger, [](double, double m) { return kLarger(m, 0.0); });
  const size_t w = static_cast<size_t>(in.width());
  block3::reduce(in, kPlane, kSlices, kSmaller, [&](int c, int z, size_t y, const double* m) {
    double* o = plane_at(out, z, c) + y * w;
    for (size_t x = 1; x + 1 < w; ++x) o[x] = (o[x] + kSmaller(m[x], 100000000.0)) / 2.0;
  });
}

ZEL_API void Sharpen3DFun(const CImg<double>& in, CImg<double>& out) {
  block3::reduce_into(in, out, kPlane, kSlices, kSum, [](double v, double s) { return 28.0 * v - s; });
}

// Frei-Chen: face weights inversely as the distance from the voxel (sqrt 6 /
// 1, sqrt 6 / sqrt 2, sqrt 6 / sqrt 3).
ZEL_API void FreiChen3DFun(const CImg<double>& in, CImg<double>& out) {
  gradient3d(in, out, {std::sqrt(6.0), std::sqrt(3.0), std::sqrt(2.0)}, 1.0);
}

ZEL_API void Prewitt3DFun(const CImg<double>& in, CImg<double>& out) { gradient3d(in, out, {1.0, 1.0, 1.0}, 1.0); }

// Sobel: the face weights are the outer product of (1, 2, 1) with itself.
ZEL_API void Sobel3DFun(const CImg<double>& in, CImg<double>& out) {
  gradient3d(in, out, {4.0, 2.0, 1.0}, 1.0 / 27.0);
}

// The four body diagonals of the 2x2x2 block from (x, y, z) to (x + 1,
// y + 1, z + 1), the slice beyond the last repeated.
ZEL_API void Roberts3DFun(const CImg<double>& in, CImg<double>& out) {
  block3::filter_rows(in, out, kPlane, kSlices, [](const block3::Rows& b, double* o, size_t w) {
    const double *a0 = b.r[1][1], *a1 = b.r[1][2], *b0 = b.r[2][1], *b1 = b.r[2][2];  // slice z, z + 1; row y, y + 1
    for (size_t x = 1; x + 1 < w; ++x) {
      const double d1 = a0[x] - b1[x + 1], d2 = a0[x + 1] - b1[x], d3 = a1[x] - b0[x + 1], d4 = a1[x + 1] - b0[x];
      o[x] = std::sqrt(d1 * d1 + d2 * d2 + d3 * d3 + d4 * d4);
    }
  });
}

// A voxel stays where, along some axis, it is not below either neighbour
// and above at least one; otherwise 0.
ZEL_API void NonMaxima3DFun(const CImg<double>& in, CImg<double>& out) {
  block3::filter_rows(in, out, kPlane, kSlices, [](const block3::Rows& b, double* o, size_t w) {
    const double* c = b.r[1][1];
    const auto peak = [](double v, double p, double q) { return v >= p && v >= q && (v > p || v > q); };
    for (size_t x = 1; x + 1 < w; ++x) {
      const double v = c[x];
      const bool keep = peak(v, c[x - 1], c[x + 1]) || peak(v, b.r[1][0][x], b.r[1][2][x]) ||
                        peak(v, b.r[0][1][x], b.r[2][1][x]);
      o[x] = keep ? v : 0.0;
    }
  });
}

// (27 x centre - block sum) x 0.5 + 127, clamped to 0..255, for every voxel;
// voxels beyond the volume count as 0.
ZEL_API void Laplacian3DFun(const CImg<double>& in, CImg<double>& out) {
  if (fill_aside(in, out, [&](CImg<double>& o) { Laplacian3DFun(in, o); })) return;
  assign_checked(out, in.width(), in.height(), in.depth(), in.spectrum());
  const size_t w = static_cast<size_t>(in.width());
  block3::reduce(in, Border::ZeroPadded, Border::ZeroPadded, kSum, [&](int c, int z, size_t y, const double* s) {
    const double* v = plane_at(in, z, c) + y * w;
    double* o = plane_at(out, z, c) + y * w;
    for (size_t x = 0; x < w; ++x) o[x] = flow((27.0 * v[x] - s[x]) * 0.5 + 127.0);
  });
}

// in becomes the threefold low-pass L3 and out the clamped L3 - L6; one work
// volume besides the two.
ZEL_API void DOLPS3DFun(CImg<double>& in, CImg<double>& out) {
  CImg<double> third;
  LowPass3DFun(in, third);
  LowPass3DFun(third, in);
  LowPass3DFun(in, third);  // L3
  LowPass3DFun(third, out);
  LowPass3DFun(out, in);
  LowPass3DFun(in, out);    // L6
  const double* a = third.data();
  double* o = out.data();
  for (size_t i = 0, n = out.size(); i < n; ++i) o[i] = flow(a[i] - o[i]);
  in.swap(third);
}
