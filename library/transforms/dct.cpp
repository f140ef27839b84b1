// The two-dimensional discrete cosine transform (DCT-II) of every plane (each
// slice of each channel), its inverse (DCT-III) from the lowest coefficients
// only, and the coefficient view. FFTW's real-to-real kinds REDFT10 and
// REDFT01 compute them in n log n for every size, 1-pixel axes included.
//
// Normalisation: orthonormal. Along an axis of length N coefficient 0 weighs
// sqrt(1/N) and the others sqrt(2/N), so the transform keeps the sum of
// squares and the inverse is its transpose.
#include <cmath>
#include <vector>

#include "../core/parallel.h"
#include "../dll.h"
#include "fourier.h"

namespace zel {
namespace {

// The weights that make FFTW's unnormalised kinds orthonormal, per axis of
// length n. REDFT10 gives 2 sum x_j cos(pi (2j + 1) k / 2n), so coefficient k
// is that times 1 / (2 sqrt n) for k = 0 and 1 / sqrt(2n) otherwise; REDFT01
// gives X_0 + 2 sum X_k cos(...), so the inverse first weighs X_0 by
// 1 / sqrt n and the others by 1 / sqrt(2n).
std::vector<double> axis_weights(int n, bool inverse) {
  const double N = static_cast<double>(n);
  std::vector<double> g(static_cast<size_t>(n), 1.0 / std::sqrt(2.0 * N));
  g[0] = (inverse ? 1.0 : 0.5) / std::sqrt(N);
  return g;
}

// FFTW's kind along `count` lines of n values, `stride` apart within a line
// and `step` apart from line to line, from the line at p, in place.
void transform_lines(double* p, int n, ptrdiff_t stride, size_t count, ptrdiff_t step, fftw_r2r_kind kind) {
  fourier::Plan plan;
  const fftw_plan f = plan.for_arrays(p, p, [&](void* i, void*) {
    fftw_iodim64 line = {n, stride, stride};
    fftw_iodim64 many = {static_cast<ptrdiff_t>(count), step, step};
    fftw_r2r_kind kinds[1] = {kind};
    double* a = static_cast<double*>(i);
    return fftw_plan_guru64_r2r(1, &line, 1, &many, a, a, kinds, FFTW_ESTIMATE);
  });
  fftw_execute_r2r(f, p, p);
}

// Runs FFTW's kind over every w x h plane of a buffer of `planes` planes, in
// place: along every row, then along every column, which is the order of
// FFTW's own two-dimensional plan and gives its bits. Each pass shares its
// rows (then columns) out over the threads, each thread with a plan of its
// own for its lines.
void transform_planes(double* data, int w, int h, size_t planes, fftw_r2r_kind kind) {
  const size_t W = static_cast<size_t>(w), H = static_cast<size_t>(h), work = 20 * W * H;
  for (size_t k = 0; k < planes; ++k) {
    double* plane = data + k * W * H;
    parallel_ranges(H, work, [&](size_t r0, size_t r1) {
      transform_lines(plane + r0 * W, w, 1, r1 - r0, w, kind);
    });
    parallel_ranges(W, work, [&](size_t c0, size_t c1) {
      transform_lines(plane + c0, h, w, c1 - c0, 1, kind);
    });
  }
}

}  // namespace
}  // namespace zel

using namespace zel;

ZEL_API void DCTFun(const CImg<double>& in, CImg<double>& out) {
  // The input is copied into out already scaled by the weight of the
  // coefficients beyond the first along each axis (the transform is
  // linear), then transformed in place; only the first row and column need
  // another weight after that. One pass over the data besides FFTW's own.
  const int w = in.width(), h = in.height();
  assign_checked(out, w, h, in.depth(), in.spectrum());  // out may be in: same size, nothing moves
  if (out.is_empty()) return;
  const size_t W = static_cast<size_t>(w), H = static_cast<size_t>(h);
  const size_t planes = static_cast<size_t>(out.depth()) * static_cast<size_t>(out.spectrum());
  const std::vector<double> gx = axis_weights(w, false), gy = axis_weights(h, false);
  const double rest_x = 1.0 / std::sqrt(2.0 * w), rest_y = 1.0 / std::sqrt(2.0 * h), scale = rest_x * rest_y;
  const double* from = in.data();
  double* to = out.data();
  parallel_ranges(out.size(), out.size(), [&](size_t k0, size_t k1) {
    for (size_t k = k0; k < k1; ++k) to[k] = from[k] * scale;
  });
  transform_planes(out.data(), w, h, planes, FFTW_REDFT10);
  const double first_x = gx[0] / rest_x, first_y = gy[0] / rest_y;
  for (size_t k = 0; k < planes; ++k) {
    double* plane = out.data() + k * W * H;
    for (size_t x = 0; x < W; ++x) plane[x] *= first_y;
    for (size_t y = 0; y < H; ++y) plane[y * W] *= first_x;
  }
}

// Keeps the first trunc(fraction N) coefficients along each axis of length N
// (a fraction outside 0..1, or NaN, counts as 1) and inverts.
ZEL_API void IDCTFun(const CImg<double>& coefficients, CImg<double>& out, double fraction) {
  if (!(fraction >= 0.0 && fraction <= 1.0)) fraction = 1.0;
  const fourier::Held in(coefficients, {&out});
  const CImg<double>& c = in.get();
  const int w = c.width(), h = c.height();
  assign_checked(out, w, h, c.depth(), c.spectrum());
  if (out.is_empty()) return;
  const size_t kx = static_cast<size_t>(fraction * w), ky = static_cast<size_t>(fraction * h);
  const size_t W = static_cast<size_t>(w), H = static_cast<size_t>(h);
  const size_t planes = static_cast<size_t>(out.depth()) * static_cast<size_t>(out.spectrum());
  const std::vector<double> gx = axis_weights(w, true), gy = axis_weights(h, true);
  for (size_t k = 0; k < planes; ++k)
    for (size_t y = 0; y < H; ++y) {
      const double* from = c.data() + (k * H + y) * W;
      double* row = out.data() + (k * H + y) * W;
      const double wy = gy[y];
      for (size_t x = 0; x < W; ++x) row[x] = x < kx && y < ky ? from[x] * wy * gx[x] : 0.0;
    }
  if (kx > 0 && ky > 0) transform_planes(out.data(), w, h, planes, FFTW_REDFT01);
}

// The view: log(1 + |c|), rescaled per channel from its smallest to its
// largest value onto 0..255 (a channel of one value shows as 0).
ZEL_API void ViewDCTFun(const CImg<double>& coefficients, CImg<double>& out) {
  const fourier::Held in(coefficients, {&out});
  const CImg<double>& c = in.get();
  assign_checked(out, c.width(), c.height(), c.depth(), c.spectrum());
  const double* from = c.data();
  double* to = out.data();
  // A logarithm per sample: pieces of the buffer on separate threads.
  parallel_ranges(out.size(), 20 * out.size(), [&](size_t k0, size_t k1) {
    for (size_t k = k0; k < k1; ++k) to[k] = std::log1p(std::fabs(from[k]));
  });
  fourier::rescale_channels(out, true);
}
