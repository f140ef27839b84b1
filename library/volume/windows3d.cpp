// Volume filters with a parameter: the 3-D Gaussian, convolution with a
// three-plane kernel table, windowed local extrema of each slice and face
// masking. Channels are filtered on their own; out is sized by the operation.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "../core/border.h"
#include "../core/helpers.h"
#include "../core/parallel.h"
#include "../core/running_extreme.h"
#include "../dll.h"
#include "block3.h"

namespace zel {
namespace {

// ---- Gaussian --------------------------------------------------------------

// Half of the 1-D kernel, weights[u] for u = 0..r, normalised so that the
// full kernel -r..r sums to 1. The weight of offset u is the mean of
// exp(-t^2 / (2 sigma^2)) over t = u - 0.5, u, u + 0.5 (a box-averaged
// sample); r is one less than the first offset u >= 2 whose sample
// exp(-u^2 / (2 sigma^2)) is at most 0.005, and at most 19. The constant
// factor 1 / (2 pi sigma^2) cancels in the normalisation and is left out, so
// no sigma overflows or underflows it.
std::vector<double> gauss3d_weights(double sigma) {
  const double two_var = 2.0 * sigma * sigma;
  const auto g = [two_var](double t) { return std::exp(-t * t / two_var); };
  int r = 19;
  for (int u = 2; u <= 20; ++u)
    if (g(u) <= 0.005) {
      r = u - 1;
      break;
    }
  std::vector<double> wt(static_cast<size_t>(r) + 1);
  for (int u = 0; u <= r; ++u) wt[u] = (g(u - 0.5) + g(u) + g(u + 0.5)) / 3.0;
  double total = wt[0];
  for (int u = 1; u <= r; ++u) total += 2.0 * wt[u];
  for (double& v : wt) v /= total;
  return wt;
}

// dst[x] = k[0] c[x] + sum_u k[u] (a_u[x] + b_u[x]) over n samples, where
// a_u and b_u are the rows at offsets -u and +u that row(u, sign) returns.
template <class Row>
inline void symmetric_sum(double* dst, const double* c, size_t n, const std::vector<double>& k, Row row) {
  for (size_t x = 0; x < n; ++x) dst[x] = k[0] * c[x];
  for (size_t u = 1; u < k.size(); ++u) {
    const double* a = row(u, -1);
    const double* b = row(u, +1);
    const double wu = k[u];
    for (size_t x = 0; x < n; ++x) dst[x] += wu * (a[x] + b[x]);
  }
}

// Rows y0 .. y1 - 1 of one w x h plane smoothed along y, then along x, edge
// samples repeated, into dst (row y at dst + (y - y0) w); pad is scratch.
void gauss_rows_xy(const double* src, double* dst, size_t w, size_t h, size_t y0, size_t y1,
                   const std::vector<double>& k, std::vector<double>& pad) {
  const size_t r = k.size() - 1;
  pad.resize(w + 2 * r);
  double* acc = pad.data() + r;
  for (size_t y = y0; y < y1; ++y) {
    symmetric_sum(acc, src + y * w, w, k, [&](size_t u, int sign) {
      const size_t at = sign < 0 ? (y >= u ? y - u : 0) : std::min(y + u, h - 1);
      return src + at * w;
    });
    pad_row(acc, w, r, Border::RepeatEdge);
    symmetric_sum(dst + (y - y0) * w, acc, w, k, [&](size_t u, int sign) { return sign < 0 ? acc - u : acc + u; });
  }
}

}  // namespace
}  // namespace zel

using namespace zel;

// Separable Gaussian: passes along x, y and z with the box-averaged weights
// of gauss3d_weights. Voxels within r of a face see the edge voxel repeated
// beyond it (as the 2-D Gaussian does), so a constant volume stays constant.
// Each slice is smoothed in x and y into a ring of the 2r + 1 latest smoothed
// slices, from which the z pass writes each output slice once: the volume is
// read once and written once. sigma not above 0, NaN or infinite: no
// smoothing (a copy), as for the 2-D Gaussian.
ZEL_API void Gauss3DFun(const CImg<double>& in, CImg<double>& out, double sigma) {
  if (fill_aside(in, out, [&](CImg<double>& o) { Gauss3DFun(in, o, sigma); })) return;
  assign_checked(out, in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  if (!(sigma > 0.0) || std::isinf(sigma)) {
    std::copy(in.data(), in.data() + in.size(), out.data());
    return;
  }
  const std::vector<double> k = gauss3d_weights(sigma);
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height()), n = w * h;
  const size_t d = static_cast<size_t>(in.depth()), r = k.size() - 1;
  const size_t slots = std::min(d, 2 * r + 1);
  // Bands of rows on separate threads, each through every slice with its own
  // ring of smoothed bands: one split per channel, whatever the depth.
  for (int c = 0; c < in.spectrum(); ++c)
    parallel_ranges(h, 3 * n * d * k.size(), [&](size_t y0, size_t y1) {
      const size_t m = (y1 - y0) * w;
      std::vector<double> ring(slots * m), pad;
      const auto smoothed = [&](size_t z) { return ring.data() + (z % slots) * m; };
      // Slices 0..min(r, d - 1) first; then each output slice z needs z + r.
      size_t ready = 0;
      const auto smooth_until = [&](size_t last) {
        for (; ready <= last; ++ready)
          gauss_rows_xy(plane_at(in, static_cast<int>(ready), c), smoothed(ready), w, h, y0, y1, k, pad);
      };
      for (size_t z = 0; z < d; ++z) {
        smooth_until(std::min(z + r, d - 1));
        double* dst = plane_at(out, static_cast<int>(z), c) + y0 * w;
        if (d == 1) {
          std::copy(smoothed(0), smoothed(0) + m, dst);
          continue;
        }
        symmetric_sum(dst, smoothed(z), m, k, [&](size_t u, int sign) {
          return smoothed(sign < 0 ? (z >= u ? z - u : 0) : std::min(z + u, d - 1));
        });
      }
    });
}

// Three kernel planes for the slices below, at and above the voxel: with
// kr = rows / 3 and kc = cols, plane p (0, 1, 2) is kernel rows 3p .. 3p +
// kr - 1, its row j weighing image row y + j - kr / 2 and its column i image
// column x + i - kc / 2. Every tap counts (zero taps add nothing and are
// skipped). The first and last slice are repeated beyond the volume. Only
// voxels whose window lies inside the slice are computed; the rest stay 0.
// With s the sum of the first plane, the sum is divided by s where s > 1,
// becomes 255 - sum / s where s < 0 and |sum| where s = 0.
// The shape must satisfy rows >= kr + 6, rows >= kc and kr <= kc (the three
// planes of the usual 9 x 3 table); other shapes are refused. The work is the
// non-zero taps times the voxels whose window fits (none when a plane is
// larger than the slice); above kMaxConvolutionWork multiply-adds, minutes
// of work, the kernel is refused for that volume.
constexpr double kMaxConvolutionWork = 274877906944.0;  // 2^38

ZEL_API void Convolution3DFun(const CImg<double>& in, CImg<double>& out, ConvArray kernel) {
  const long long rows = kernel.getRows(), cols = kernel.getCols(), kr = rows / 3, kc = cols;
  if (rows <= 0 || cols <= 0 || kernel.data == nullptr || rows < kr + 6 || rows < kc || kr > kc)
    throw std::invalid_argument("a 3-D kernel of " + std::to_string(rows) + " rows and " + std::to_string(cols) +
                                " columns is outside the supported shapes (rows >= rows / 3 + 6, rows >= columns, "
                                "rows / 3 <= columns; three planes of 3 x 3 are 9 rows of 3)");
  struct Tap {
    int dz;
    ptrdiff_t dy, dx;
    double k;
  };
  std::vector<Tap> taps;
  double s = 0.0;
  for (long long p = 0; p < 3; ++p)
    for (long long j = 0; j < kr; ++j)
      for (long long i = 0; i < kc; ++i) {
        const double k = kernel.data[j + 3 * p][i];
        if (p == 0) s += k;
        if (k != 0.0) taps.push_back({static_cast<int>(p) - 1, j - kr / 2, i - kc / 2, k});
      }
  const auto finish = [s](double v) {
    return s > 1.0 ? v / s : s < 0.0 ? 255.0 - v / s : s == 0.0 ? std::fabs(v) : v;
  };
  if (fill_aside(in, out, [&](CImg<double>& o) { Convolution3DFun(in, o, kernel); })) return;
  const long long w = in.width(), h = in.height(), d = in.depth();
  const long long x0 = kc / 2, x1 = w - kc / 2, y0 = kr / 2, y1 = h - kr / 2;  // x0 <= x < x1, y0 <= y < y1
  const bool fits = !in.is_empty() && x0 < x1 && y0 < y1;
  const double work = fits ? static_cast<double>(taps.size()) * static_cast<double>((x1 - x0) * (y1 - y0)) *
                                 static_cast<double>(d) * in.spectrum()
                           : 0.0;
  if (work > kMaxConvolutionWork) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "a 3-D kernel of %zu non-zero taps needs %.3g multiply-adds on this volume, above the limit of "
                  "2^38 (%.3g)", taps.size(), work, kMaxConvolutionWork);
    throw std::invalid_argument(text);
  }
  assign_checked(out, w, h, d, in.spectrum());
  if (in.is_empty()) return;
  std::fill(out.data(), out.data() + out.size(), 0.0);
  if (!fits) return;
  const size_t span = static_cast<size_t>(x1 - x0);
  // The rows of windows of every slice and channel, split over the threads.
  const size_t ny = static_cast<size_t>(y1 - y0), planes = static_cast<size_t>(d) * static_cast<size_t>(in.spectrum());
  parallel_ranges(ny * planes, static_cast<size_t>(work), [&](size_t i0, size_t i1) {
    std::vector<double> acc(span);
    for (size_t i = i0; i < i1; ++i) {
      const long long y = y0 + static_cast<long long>(i % ny), z = static_cast<long long>(i / ny % static_cast<size_t>(d));
      const int c = static_cast<int>(i / ny / static_cast<size_t>(d));
      const double* slice[3] = {plane_at(in, static_cast<int>(std::max(z - 1, 0LL)), c),
                                plane_at(in, static_cast<int>(z), c),
                                plane_at(in, static_cast<int>(std::min(z + 1, d - 1)), c)};
      std::fill(acc.begin(), acc.end(), 0.0);
      for (const Tap& t : taps) {
        const double* src = slice[t.dz + 1] + (y + t.dy) * w + x0 + t.dx;
        const double k = t.k;
        for (size_t x = 0; x < span; ++x) acc[x] += k * src[x];
      }
      double* o = plane_at(out, static_cast<int>(z), c) + y * w + x0;
      for (size_t x = 0; x < span; ++x) o[x] = finish(acc[x]);
    }
  });
}

// A copy of in with the first and last n slices, and in every slice the first
// and last n rows and columns, set to 0; n is limited to each axis's length
// and n <= 0 leaves the copy.
ZEL_API void Mask3DFun(const CImg<double>& in, CImg<double>& out, int n) {
  if (&out != &in) out.assign(in);
  if (in.is_empty() || n <= 0) return;
  const size_t w = static_cast<size_t>(out.width()), h = static_cast<size_t>(out.height());
  const size_t d = static_cast<size_t>(out.depth()), m = static_cast<size_t>(n);
  const size_t nx = std::min(m, w), ny = std::min(m, h), nz = std::min(m, d);
  for_each_plane(out, [&](double* p, int z, int) {
    const size_t zs = static_cast<size_t>(z);
    if (zs < nz || zs + nz >= d) {
      std::fill(p, p + w * h, 0.0);
      return;
    }
    std::fill(p, p + ny * w, 0.0);
    std::fill(p + (h - ny) * w, p + h * w, 0.0);
    for (size_t y = ny; y + ny < h; ++y) {
      std::fill(p + y * w, p + y * w + nx, 0.0);
      std::fill(p + y * w + w - nx, p + (y + 1) * w, 0.0);
    }
  });
}

namespace zel {
namespace {

// ---- Windowed extremes of each slice ---------------------------------------

using Larger = RunMax;
using Smaller = RunMin;

// Sizes out like in; every pixel at least r = n / 2 from its slice's edges
// receives pick(start, extreme of its (2r + 1)^2 window), the r-wide frame
// following the border rule (LeaveZero). The columns first, straight into
// the output rows, then each of those rows along x in place; the cost per
// pixel does not depend on n.
template <class Op>
void local_extreme(const CImg<double>& in, CImg<double>& out, int n, Border border, double start) {
  require_border(border, {Border::LeaveZero}, "the windowed local extreme");
  if (n < -1) throw std::invalid_argument("window size " + std::to_string(n) + " is below -1");
  if (fill_aside(in, out, [&](CImg<double>& o) { local_extreme<Op>(in, o, n, border, start); })) return;
  assign_checked(out, in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t r = static_cast<size_t>(n / 2), k = 2 * r + 1;  // n / 2 < 2^30: no overflow
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  if (k > w || k > h) {  // no window fits: the frame is everything
    std::fill(out.data(), out.data() + out.size(), 0.0);
    return;
  }
  const size_t nx = w - k + 1, ny = h - k + 1;
  for_each_plane(in, [&](const double* src, int z, int c) {
    double* dst = plane_at(out, z, c);
    write_frame(src, dst, w, h, {r, r, r, r}, border);
    // Bands of windows on separate threads, each running down its own rows.
    parallel_ranges(ny, 8 * w * h, [&](size_t u0, size_t u1) {
      std::vector<double> buf, line(w), g(w), hs(w);
      const auto row = [&](size_t j, double*) { return src + (u0 + j) * w; };
      running_extreme_down<Op>(w, u1 - u0, k, row, buf, [&](size_t u, const double* s, const double* p) {
        if (p)
          for (size_t x = 0; x < w; ++x) line[x] = Op::pick(s[x], p[x]);
        else
          std::copy(s, s + w, line.data());
        double* o = dst + (u0 + u + r) * w;
        running_extreme<Op>(line.data(), nx, k, g.data(), hs.data(), o + r);
        for (size_t x = r; x < r + nx; ++x) o[x] = Op::pick(start, o[x]);
      });
    });
  });
}

}  // namespace
}  // namespace zel

ZEL_API void LocalMinimaFun(const CImg<double>& in, CImg<double>& out, int n) {
  local_extreme<Smaller>(in, out, n, Border::LeaveZero, 1000000.0);
}

ZEL_API void LocalMaximaFun(const CImg<double>& in, CImg<double>& out, int n) {
  local_extreme<Larger>(in, out, n, Border::LeaveZero, 0.0);
}
