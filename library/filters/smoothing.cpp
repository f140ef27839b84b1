// Smoothing and neighbourhood filters: low-pass, median, midpoint, sharpen,
// zero crossings, Gaussian, convolution with a caller's kernel, rectangular
// average, anisotropic diffusion and variance-adaptive smoothing. Every slice
// and channel is filtered on its own; out is sized by the operation.
#include <atomic>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "core/helpers.h"
#include "core/separable.h"
#include "core/window.h"
#include "dll.h"
#include "../core/numeric.h"

namespace zel {
namespace {

// The nine values of the window around c (rows s apart), row by row.
inline void load9(const double* c, ptrdiff_t s, double v[9]) {
  v[0] = c[-s - 1], v[1] = c[-s], v[2] = c[-s + 1];
  v[3] = c[-1], v[4] = c[0], v[5] = c[1];
  v[6] = c[s - 1], v[7] = c[s], v[8] = c[s + 1];
}

// Orders a and b. The two comparisons are written separately so that the
// compiler emits one vector min and one vector max rather than a compare and
// two blends (three times slower in the median's pixel loop).
inline void sort2(double& a, double& b) {
  const double lo = a < b ? a : b, hi = a > b ? a : b;
  a = lo, b = hi;
}

// Sets out to a copy of in, then applies passes of f, each pass computing
// every interior pixel from the previous pass's 3x3 window (the one-pixel
// border keeps the input's values). Stops early once a pass changes nothing,
// since every further pass would repeat it.
template <class F>
void iterate3x3(const CImg<double>& in, CImg<double>& out, int passes, F f) {
  out.assign(in);
  if (passes <= 0 || in.width() < 3 || in.height() < 3) return;
  CImg<double> next;
  for (int i = 0; i < passes; ++i) {
    // Set by whichever thread first sees a change; read before it is written,
    // so the flag's cache line is not bounced between threads.
    std::atomic<bool> changed(false);
    filter3x3(out, next, Border::CopyInput, [&](const double* c, ptrdiff_t s) {
      const double v = f(c, s);
      if (!(v == c[0]) && !changed.load(std::memory_order_relaxed)) changed.store(true, std::memory_order_relaxed);
      return v;
    });
    out.swap(next);
    if (!changed.load()) break;
  }
}

}  // namespace
}  // namespace zel

using namespace zel;

// ---- 3x3 filters (border rule: the one-pixel border left at 0) ------------

ZEL_API void LowPassFun(const CImg<double>& in, CImg<double>& out) {
  filter3x3(in, out, Border::LeaveZero, [](const double* c, ptrdiff_t s) {
    return (c[-s - 1] + c[-s] + c[-s + 1] + c[-1] + c[0] + c[1] + c[s - 1] + c[s] + c[s + 1]) / 9.0;
  });
}

// The median by the 19 compare-exchange network for nine values. Built twice,
// for AVX2 and for the baseline, the copy for the running processor chosen
// when the library loads; flatten pulls the window engine into each copy.
__attribute__((target_clones("avx2", "default"), flatten))
static void median3x3(const CImg<double>& in, CImg<double>& out) {
  filter3x3(in, out, Border::LeaveZero, [](const double* c, ptrdiff_t s) {
    double p[9];
    load9(c, s, p);
    sort2(p[1], p[2]), sort2(p[4], p[5]), sort2(p[7], p[8]);
    sort2(p[0], p[1]), sort2(p[3], p[4]), sort2(p[6], p[7]);
    sort2(p[1], p[2]), sort2(p[4], p[5]), sort2(p[7], p[8]);
    sort2(p[0], p[3]), sort2(p[5], p[8]), sort2(p[4], p[7]);
    sort2(p[3], p[6]), sort2(p[1], p[4]), sort2(p[2], p[5]);
    sort2(p[4], p[7]), sort2(p[4], p[2]), sort2(p[6], p[4]);
    sort2(p[4], p[2]);
    return p[4];
  });
}

ZEL_API void MedianFun(const CImg<double>& in, CImg<double>& out) {
  median3x3(in, out);
}

ZEL_API void MidpointFun(const CImg<double>& in, CImg<double>& out) {
  filter3x3(in, out, Border::LeaveZero, [](const double* c, ptrdiff_t s) {
    double p[9];
    load9(c, s, p);
    double lo = p[0], hi = p[0];
    for (int k = 1; k < 9; ++k) lo = smin(lo, p[k]), hi = smax(hi, p[k]);
    return (lo + hi) / 2.0;
  });
}

ZEL_API void SharpenFun(const CImg<double>& in, CImg<double>& out) {
  filter3x3(in, out, Border::LeaveZero, [](const double* c, ptrdiff_t s) {
    const double ring = c[-s - 1] + c[-s] + c[-s + 1] + c[-1] + c[1] + c[s - 1] + c[s] + c[s + 1];
    return flow(9.0 * c[0] - ring);
  });
}

ZEL_API void ZeroCrossingsDetectorFun(const CImg<double>& in, CImg<double>& out) {
  // The level is 0.5 when every value of the whole image (all planes) is 0 or 1, else 127.
  bool binary = true;
  for (const double* p = in.data(), *end = in.data() + in.size(); p < end && binary; ++p)
    binary = *p == 0.0 || *p == 1.0;
  const double level = binary ? 0.5 : 127.0;
  // A triple crosses the level when one of its values is below it and another at or above it.
  filter3x3(in, out, Border::LeaveZero, [level](const double* c, ptrdiff_t s) {
    const double hlo = smin(smin(c[-1], c[0]), c[1]), hhi = smax(smax(c[-1], c[0]), c[1]);
    const double vlo = smin(smin(c[-s], c[0]), c[s]), vhi = smax(smax(c[-s], c[0]), c[s]);
    const bool cross = (hlo < level && hhi >= level) || (vlo < level && vhi >= level);
    return cross ? 255.0 : 0.0;
  });
}

// ---- Iterated 3x3 smoothing ----------------------------------------------

// Perona-Malik diffusion with time step 0.25 (the largest stable step for
// four neighbours); the one-pixel border keeps the input's values.
ZEL_API void DiffusionFun(const CImg<double>& in, CImg<double>& out, double scale, int iterations) {
  require_count(iterations, INT32_MIN, kMaxIterations, "the number of iterations");
  // scale 0 or NaN leaves no conduction defined: no diffusion (a copy).
  if (scale == 0.0 || std::isnan(scale)) iterations = 0;
  const double inv = 1.0 / scale;  // scale infinite: conduction 1 everywhere
  iterate3x3(in, out, iterations, [inv](const double* c, ptrdiff_t s) {
    const double dn = c[-s] - c[0], ds = c[s] - c[0], de = c[1] - c[0], dw = c[-1] - c[0];
    const auto flux = [inv](double d) { return std::exp(-(d * inv) * (d * inv)) * d; };
    return c[0] + 0.25 * (flux(dn) + flux(ds) + flux(de) + flux(dw));
  });
}

// Variance-adaptive smoothing: where the population variance of the 3x3
// window is at most varianceThreshold (a flat, noisy area) the pixel becomes
// the mean of its window weighted by exp(-((v - centre) / scale)^2), so
// values unlike the centre count little; where the variance is above it (an
// edge or detail) the pixel is kept. The one-pixel border keeps the input.
ZEL_API void AdaptiveSmoothFun(const CImg<double>& in, CImg<double>& out, int iterations,
                               double varianceThreshold, double scale) {
  require_count(iterations, INT32_MIN, kMaxIterations, "the number of iterations");
  // scale 0 or NaN cannot scale a difference: no smoothing (a copy).
  if (scale == 0.0 || std::isnan(scale)) iterations = 0;
  const double inv = 1.0 / scale;
  iterate3x3(in, out, iterations, [inv, varianceThreshold](const double* c, ptrdiff_t s) {
    double p[9];
    load9(c, s, p);
    double mean = 0.0;
    for (double v : p) mean += v;
    mean /= 9.0;
    double var = 0.0;
    for (double v : p) var += (v - mean) * (v - mean);
    if (!(var / 9.0 <= varianceThreshold)) return c[0];
    double sum = 0.0, weights = 0.0;
    for (double v : p) {
      const double t = (v - c[0]) * inv, wt = std::exp(-t * t);
      sum += wt * v, weights += wt;
    }
    return sum / weights;  // weights >= 1: the centre's own weight is 1
  });
}

// ---- Larger windows --------------------------------------------------------

// Gaussian smoothing by the shared separable engine (edge pixels repeated
// outside the plane), then every plane (one slice of one channel) mapped by
// v -> (v - min) * 255 / max with its own min and max.
ZEL_API void GaussFun(const CImg<double>& in, CImg<double>& out, double sigma) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height()), n = w * h;
  for (int c = 0; c < in.spectrum(); ++c)
    for (int z = 0; z < in.depth(); ++z) {
      double* dst = plane_at(out, z, c);
      gaussian_plane(plane_at(in, z, c), dst, w, h, sigma, Border::RepeatEdge);  // sigma <= 0 or NaN: unchanged
      // Four running minima and maxima, so that the loop is not one long chain.
      double lo4[4] = {dst[0], dst[0], dst[0], dst[0]}, hi4[4] = {dst[0], dst[0], dst[0], dst[0]};
      size_t i = 0;
      for (; i + 4 <= n; i += 4)
        for (int k = 0; k < 4; ++k) lo4[k] = smin(lo4[k], dst[i + k]), hi4[k] = smax(hi4[k], dst[i + k]);
      for (; i < n; ++i) lo4[0] = smin(lo4[0], dst[i]), hi4[0] = smax(hi4[0], dst[i]);
      const double lo = smin(smin(lo4[0], lo4[1]), smin(lo4[2], lo4[3]));
      const double hi = smax(smax(hi4[0], hi4[1]), smax(hi4[2], hi4[3]));
      if (hi == 0.0) {  // max 0 would divide by zero: the plane becomes 0
        std::fill(dst, dst + n, 0.0);
        continue;
      }
      const double gain = 255.0 / hi;
      parallel_ranges(n, n, [&](size_t i0, size_t i1) {
        for (size_t i = i0; i < i1; ++i) dst[i] = (dst[i] - lo) * gain;
      });
    }
}

// Correlation with the kernel: entry [i][j] weighs the pixel (x + j - cx,
// y + i - cy), with the anchor (cx, cy) = ((cols - 1) / 2, (rows - 1) / 2), so an
// even size anchors just before its middle; pixels outside the image count as
// 0 (they are skipped, as are zero entries).
ZEL_API void ConvolutionFun(const CImg<double>& in, CImg<double>& out, ConvArray kernel) {
  const int rows = kernel.getRows(), cols = kernel.getCols();
  if (rows <= 0 || cols <= 0 || kernel.data == nullptr) throw std::invalid_argument("empty kernel");
  struct Tap {
    ptrdiff_t dx;
    double k;
  };
  // The non-zero entries of each kernel row, row i's at taps[first[i] .. first[i + 1]).
  std::vector<Tap> taps;
  std::vector<size_t> first(static_cast<size_t>(rows) + 1, 0);
  const ptrdiff_t cx = (cols - 1) / 2, cy = (rows - 1) / 2;
  double sum = 0.0;
  for (int i = 0; i < rows; ++i) {
    first[i] = taps.size();
    for (int j = 0; j < cols; ++j) {
      const double k = kernel.data[i][j];
      sum += k;
      if (k != 0.0) taps.push_back({static_cast<ptrdiff_t>(j) - cx, k});
    }
  }
  first[rows] = taps.size();

  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const ptrdiff_t w = in.width(), h = in.height();
  std::vector<double> acc(static_cast<size_t>(w));
  for_each_plane_pair(in, out, [&](const double* src, double* dst) {
    for (ptrdiff_t y = 0; y < h; ++y) {
      std::fill(acc.begin(), acc.end(), 0.0);
      // Kernel rows whose source row y + i - cy lies inside the plane.
      const ptrdiff_t i0 = std::max<ptrdiff_t>(0, cy - y), i1 = std::min<ptrdiff_t>(rows, h + cy - y);
      for (ptrdiff_t i = i0; i < i1; ++i) {
        const double* srow = src + (y + i - cy) * w;
        for (size_t t = first[i]; t < first[i + 1]; ++t) {
          const ptrdiff_t dx = taps[t].dx, x0 = std::max<ptrdiff_t>(0, -dx), x1 = std::min(w, w - dx);
          const double k = taps[t].k;
          const double* s = srow + dx;
          for (ptrdiff_t x = x0; x < x1; ++x) acc[x] += k * s[x];
        }
      }
      double* o = dst + y * w;
      for (ptrdiff_t x = 0; x < w; ++x) {
        const double a = acc[x];
        const double v = sum == 0.0 ? std::fabs(a) : sum > 1.0 ? a / sum : sum < 0.0 ? 255.0 - a / sum : a;
        o[x] = flow(v);
      }
    }
  });
}

// Mean over the (2r+1) x (2r+1) window clipped at the plane border: each
// sample truncated toward zero to an int (saturated, NaN as 0), the window's
// samples summed exactly in 64 bits, and the sum divided by the number of
// window pixels inside the plane with integer division (truncating toward
// zero). r <= 0 gives the 1x1 window: each sample truncated.
ZEL_API void RectangularAverageFilterFun(const CImg<double>& in, CImg<double>& out, int r) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  // Sums of up to w h samples of magnitude 2^31 fit 64 bits while w h <= 2^32.
  if (w * h > (size_t{1} << 32)) throw std::invalid_argument("plane too large for 64-bit window sums");
  const size_t rr = r > 0 ? static_cast<size_t>(r) : 0;
  std::vector<double> count_x(w);
  for (size_t x = 0; x < w; ++x) count_x[x] = static_cast<double>(box_count(x, w, rr));
  // While |sum| < 2^53 the double quotient truncates to the integer quotient
  // (it cannot round across an integer), and divides far faster.
  const double widest = count_x[w / 2] * static_cast<double>(box_count(h / 2, h, rr));
  const bool exact_in_double = widest <= 4194304.0;  // 2^22 samples of at most 2^31
  for (int c = 0; c < in.spectrum(); ++c)
    for (int z = 0; z < in.depth(); ++z) {
      double* dst = plane_at(out, z, c);
      const auto sample = [](double v) { return static_cast<int64_t>(zel::saturate_to_int(v)); };
      box_sum_rows<int64_t>(plane_at(in, z, c), w, h, rr, Border::ZeroPadded, sample, [&](size_t y, const int64_t* sums) {
        double* o = dst + y * w;
        const double cy = static_cast<double>(box_count(y, h, rr));
        if (exact_in_double) {
          for (size_t x = 0; x < w; ++x)
            o[x] = static_cast<double>(static_cast<int64_t>(static_cast<double>(sums[x]) / (count_x[x] * cy)));
        } else {
          const int64_t icy = static_cast<int64_t>(cy);
          for (size_t x = 0; x < w; ++x) o[x] = static_cast<double>(sums[x] / (static_cast<int64_t>(count_x[x]) * icy));
        }
      });
    }
}
