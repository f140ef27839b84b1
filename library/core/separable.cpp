// The separable Gaussian engine (see separable.h).
#include "separable.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "helpers.h"
#include "numeric.h"
#include "parallel.h"

namespace zel {
namespace {

// Half of the Gaussian kernel for an axis of n samples: weights[k] for
// k = 0..K, K = min(ceil(3 sigma), n - 1), normalised so that the full kernel
// sums to 1. With clamp-to-edge borders every tap beyond n - 1 reads the same
// edge pixel as tap n - 1, so their weights are added to that tap.
std::vector<double> half_kernel(double sigma, size_t n) {
  const double radius = std::ceil(3.0 * sigma);
  const size_t last = radius < static_cast<double>(n - 1) ? static_cast<size_t>(radius) : n - 1;
  const double two_var = 2.0 * sigma * sigma;
  std::vector<double> wt(last + 1);
  wt[0] = 1.0;
  for (size_t k = 1; k <= last; ++k) wt[k] = std::exp(-static_cast<double>(k) * static_cast<double>(k) / two_var);
  if (radius > static_cast<double>(last)) {
    // Taps last+1 .. radius fold onto the edge tap. Few of them: summed one by
    // one; many (sigma far beyond the plane): the sum is the integral of the
    // Gaussian over [last + 0.5, radius + 0.5], exact to far below a grey level.
    const double a = static_cast<double>(last) + 1.0;
    double tail = 0.0;
    if (radius - a < 1048576.0) {
      for (double k = a; k <= radius; k += 1.0) tail += std::exp(-k * k / two_var);
    } else {
      const double s = sigma * std::sqrt(2.0);
      tail = sigma * std::sqrt(kPi / 2.0) * (std::erf((radius + 0.5) / s) - std::erf((a - 0.5) / s));
    }
    wt[last] += tail;
  }
  double total = wt[0];
  for (size_t k = 1; k <= last; ++k) total += 2.0 * wt[k];
  for (double& v : wt) v /= total;
  return wt;
}

// One output row y of the separable Gaussian: the column pass into acc
// (the middle of a buffer padded by kh.size() - 1 on either side), the
// border pad, then the row pass into o. rows(i) gives row i of the source.
template <class Rows>
void gaussian_row(Rows rows, size_t w, size_t h, size_t y, const std::vector<double>& kv,
                  const std::vector<double>& kh, double* acc, double* o, Border border) {
  const size_t rv = kv.size() - 1, rh = kh.size() - 1;
  const double* mid = rows(y);
  for (size_t x = 0; x < w; ++x) acc[x] = kv[0] * mid[x];
  for (size_t k = 1; k <= rv; ++k) {
    const double* up = rows(y >= k ? y - k : 0);
    const double* dn = rows(std::min(y + k, h - 1));
    const double wk = kv[k];
    for (size_t x = 0; x < w; ++x) acc[x] += wk * (up[x] + dn[x]);
  }
  pad_row(acc, w, rh, border);
  for (size_t x = 0; x < w; ++x) o[x] = kh[0] * acc[x];
  for (size_t k = 1; k <= rh; ++k) {
    const double wk = kh[k];
    const double *left = acc - k, *right = acc + k;
    for (size_t x = 0; x < w; ++x) o[x] += wk * (left[x] + right[x]);
  }
}

// The rows of a plane stored one after the other.
struct PlaneRows {
  const double* src;
  size_t w;
  const double* operator()(size_t i) const { return src + i * w; }
};

// The Gaussian written over its source, by bands of rows on the threads.
// Row y of the result replaces row y only once it is computed, so the
// original rows still to be read are kept aside: those that a band reads
// beyond its own ends (up to rv rows on either side, which the neighbouring
// bands overwrite) are copied before any band starts, and each band keeps
// the last rv original rows it has overwritten in a ring. The rows read and
// the arithmetic are those of the two-buffer pass, so the bits agree.
// Returns false, having done nothing, when the rows kept aside would exceed
// a quarter of the plane (a kernel long against the bands).
bool gaussian_in_place(double* img, size_t w, size_t h, const std::vector<double>& kv,
                       const std::vector<double>& kh, Border border) {
  const size_t rv = kv.size() - 1, rh = kh.size() - 1, n = w * h;
  const size_t bands = static_cast<size_t>(parallel_threads(h, n * (rv + rh + 1)));
  // Band b holds rows [y0, y1) and reads rv rows beyond either end,
  // clipped to the plane: [above, y0) and [y1, below).
  struct Band {
    size_t y0, y1, above, below;
  };
  std::vector<Band> band(bands);
  std::vector<size_t> halo_at(bands + 1, 0);  // where each band's rows aside start
  for (size_t b = 0; b < bands; ++b) {
    const size_t y0 = part_start(h, bands, b), y1 = part_start(h, bands, b + 1);
    band[b] = {y0, y1, y0 > rv ? y0 - rv : 0, std::min(h, y1 + rv)};
    halo_at[b + 1] = halo_at[b] + (y0 - band[b].above) + (band[b].below - y1);
  }
  if (halo_at[bands] + std::max<size_t>(rv, 1) * bands > h / 4) return false;
  std::vector<double> halo(halo_at[bands] * w);
  const auto copy_rows = [w](double* to, const double* from, size_t rows) {
    if (rows > 0) std::memcpy(to, from, rows * w * sizeof(double));
  };
  for (size_t b = 0; b < bands; ++b) {
    const Band& d = band[b];
    double* to = halo.data() + halo_at[b] * w;
    copy_rows(to, img + d.above * w, d.y0 - d.above);
    copy_rows(to + (d.y0 - d.above) * w, img + d.y1 * w, d.below - d.y1);
  }
  parallel_ranges(bands, n * (rv + rh + 1), [&](size_t b0, size_t b1) {
    std::vector<double> pad(w + 2 * rh), line(w), ring(std::max<size_t>(rv, 1) * w);
    double* acc = pad.data() + rh;
    for (size_t b = b0; b < b1; ++b) {
      const size_t y0 = band[b].y0, y1 = band[b].y1, above = band[b].above;
      const double* before = halo.data() + halo_at[b] * w;  // empty halo: never read
      const double* after = before + (y0 - above) * w;
      for (size_t y = y0; y < y1; ++y) {
        const auto rows = [&](size_t i) -> const double* {
          if (i < y0) return before + (i - above) * w;
          if (i < y) return ring.data() + (i % rv) * w;  // overwritten: i >= y - rv, so rv > 0
          if (i < y1) return img + i * w;
          return after + (i - y1) * w;
        };
        gaussian_row(rows, w, h, y, kv, kh, acc, line.data(), border);
        if (rv > 0) copy_rows(ring.data() + (y % rv) * w, img + y * w, 1);
        copy_rows(img + y * w, line.data(), 1);
      }
    }
  });
  return true;
}

}  // namespace

void gaussian_plane(const double* src, double* dst, size_t w, size_t h, double sigma, Border border) {
  require_border(border, {Border::RepeatEdge}, "the Gaussian");
  if (w == 0 || h == 0) return;
  const size_t n = w * h;
  if (!(sigma > 0.0)) {  // sigma <= 0 or NaN: no smoothing
    if (dst != src) std::memmove(dst, src, n * sizeof(double));
    return;
  }
  // Beyond 1e15 a larger sigma moves no value by more than 1e-9 grey levels.
  sigma = std::min(sigma, 1e15);
  const std::vector<double> kv = half_kernel(sigma, h), kh = half_kernel(sigma, w);
  const size_t rv = kv.size() - 1, rh = kh.size() - 1;
  if (dst == src && gaussian_in_place(dst, w, h, kv, kh, border)) return;
  // Rows of dst are written while later rows still read src: a partly
  // overlapping src is read from a copy.
  std::vector<double> copy;
  const uintptr_t s0 = reinterpret_cast<uintptr_t>(src), d0 = reinterpret_cast<uintptr_t>(dst);
  if (s0 < d0 + n * sizeof(double) && d0 < s0 + n * sizeof(double)) {
    copy.assign(src, src + n);
    src = copy.data();
  }
  // Row by row: the column pass for row y goes into the middle of a buffer
  // padded by rh on either side, the row pass from there into line,
  // which is streamed to dst (the output is not read again here). Rows are
  // independent, so they are split over the threads.
  parallel_ranges(h, n * (rv + rh + 1), [&](size_t y0, size_t y1) {
    std::vector<double> pad(w + 2 * rh), line(w);
    double* acc = pad.data() + rh;
    for (size_t y = y0; y < y1; ++y) {
      double* o = line.data();
      gaussian_row(PlaneRows{src, w}, w, h, y, kv, kh, acc, o, border);
      stream_copy(dst + y * w, o, w);
    }
  });
  stream_fence();
}

GaussianRows::GaussianRows(const double* src, size_t w, size_t h, double sigma) : src_(src), w_(w), h_(h) {
  sigma = std::min(sigma, 1e15);
  kv_ = half_kernel(sigma, h);
  kh_ = half_kernel(sigma, w);
  pad_.resize(w + 2 * (kh_.size() - 1));
}

// One row by the same kernel as gaussian_plane, so the bits agree.
void GaussianRows::row(size_t y, double* o) {
  gaussian_row(PlaneRows{src_, w_}, w_, h_, y, kv_, kh_, pad_.data() + (kh_.size() - 1), o, Border::RepeatEdge);
}

}  // namespace zel
