// Straight-line Hough transform and its inverse.
//
// The accumulator has the input's size. Column i holds the angle
// theta = i * pi / W (W columns from 0 towards pi); row r holds the signed
// distance rho = x cos(theta) + y sin(theta) from the top-left pixel, as
// r = mid + rho * half / D rounded to the nearest row, with mid = H / 2,
// half = (H - 1) / 2 (integer halves) and D = sqrt((W-1)^2 + (H-1)^2) the
// image diagonal, so that -D .. D fill rows mid - half .. mid + half and
// distance 0 falls on the middle row.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "../core/helpers.h"
#include "../core/numeric.h"
#include "../dll.h"

namespace zel {
namespace {

struct HoughGeometry {
  size_t w, h;
  double mid;      // row of distance 0
  double per_row;  // rows per pixel of distance (0 when all distances share the middle row)
  double unit;     // pixels of distance per row (0 likewise)

  HoughGeometry(size_t width, size_t height) : w(width), h(height) {
    const double diag = std::hypot(static_cast<double>(w) - 1.0, static_cast<double>(h) - 1.0);
    const double half = static_cast<double>((h - 1) / 2);
    mid = static_cast<double>(h / 2);
    per_row = diag > 0 && half > 0 ? half / diag : 0.0;
    unit = per_row > 0 ? diag / half : 0.0;
  }
  double theta(size_t i) const { return static_cast<double>(i) * kPi / static_cast<double>(w); }
};

// A pixel votes when it is non-zero (NaN does not).
inline bool votes(double v) { return v > 0.0 || v < 0.0; }

constexpr size_t kBlock = 8;  // angles counted together: one cache line of output per row

// Counts the votes of the listed pixels for angles i0 .. i0 + 7 into
// acc (kBlock columns of h counters each). Angles past the width get
// cos = sin = 0 and count harmlessly into the middle row.
void vote_block(const HoughGeometry& g, size_t i0, const std::vector<float>& px, const std::vector<float>& py,
                std::vector<uint32_t>& acc) {
  double cs[kBlock], sn[kBlock];
  for (size_t k = 0; k < kBlock; ++k) {
    const bool used = i0 + k < g.w;
    cs[k] = used ? std::cos(g.theta(i0 + k)) * g.per_row : 0.0;
    sn[k] = used ? std::sin(g.theta(i0 + k)) * g.per_row : 0.0;
  }
  std::fill(acc.begin(), acc.end(), 0u);
  uint32_t* col[kBlock];
  for (size_t k = 0; k < kBlock; ++k) col[k] = acc.data() + k * g.h;
  const double offset = g.mid + 0.5;               // rounds to the nearest row by truncation
  const double top = static_cast<double>(g.h) - 0.5;  // guards the last row against rounding error
  for (size_t j = 0; j < px.size(); ++j) {
    const double x = px[j], y = py[j];
    int32_t r[kBlock];
    for (size_t k = 0; k < kBlock; ++k) r[k] = static_cast<int32_t>(std::min(std::max(x * cs[k] + y * sn[k] + offset, 0.0), top));
    for (size_t k = 0; k < kBlock; ++k) ++col[k][r[k]];
  }
}

// The coordinates of the voting pixels of one plane, as floats (exact below
// 2^24, and the accumulator's rows are coarser than a float's error beyond).
void voters(const double* plane, size_t w, size_t h, std::vector<float>& px, std::vector<float>& py) {
  px.clear();
  py.clear();
  for (size_t y = 0; y < h; ++y) {
    const double* row = plane + y * w;
    for (size_t x = 0; x < w; ++x)
      if (votes(row[x])) {
        px.push_back(static_cast<float>(x));
        py.push_back(static_cast<float>(y));
      }
  }
}

// A cell of the accumulator that InvHough may draw.
struct Peak {
  double value;
  size_t index;  // y * w + x
};

// Non-strict and strict "v is above n", where a NaN neighbour never wins.
inline bool not_below(double v, double n) { return !(n > v); }
inline bool above(double v, double n) { return !(n >= v); }

// The peaks of a plane: positive cells at least as strong as each of their
// eight neighbours (those outside the plane ignored) and stronger than the
// neighbours before them in raster order, so that a plateau gives one peak.
std::vector<Peak> find_peaks(const double* plane, size_t w, size_t h) {
  std::vector<Peak> peaks;
  for (size_t y = 0; y < h; ++y) {
    const double* row = plane + y * w;
    const double* up = y > 0 ? row - w : nullptr;
    const double* down = y + 1 < h ? row + w : nullptr;
    for (size_t x = 0; x < w; ++x) {
      const double v = row[x];
      if (!(v > 0.0)) continue;
      const bool l = x > 0, r = x + 1 < w;
      bool peak = (!l || above(v, row[x - 1])) && (!r || not_below(v, row[x + 1]));
      if (peak && up) peak = above(v, up[x]) && (!l || above(v, up[x - 1])) && (!r || above(v, up[x + 1]));
      if (peak && down)
        peak = not_below(v, down[x]) && (!l || not_below(v, down[x - 1])) && (!r || not_below(v, down[x + 1]));
      if (peak) peaks.push_back({v, y * w + x});
    }
  }
  return peaks;
}

// Draws x cos(theta) + y sin(theta) = rho in 255 on the given planes: one
// pixel per column where the line is nearer horizontal, one per row
// otherwise, each rounded to the nearest pixel.
void draw_line(const std::vector<double*>& planes, size_t w, size_t h, double theta, double rho) {
  const double c = std::cos(theta), s = std::sin(theta);
  const bool by_column = std::fabs(s) >= std::fabs(c);
  const size_t steps = by_column ? w : h, span = by_column ? h : w;
  const double along = by_column ? c : s, across = by_column ? s : c;
  for (size_t i = 0; i < steps; ++i) {
    const double j = std::floor((rho - static_cast<double>(i) * along) / across + 0.5);
    if (!(j >= 0.0 && j < static_cast<double>(span))) continue;
    const size_t at = by_column ? static_cast<size_t>(j) * w + i : i * w + static_cast<size_t>(j);
    for (double* p : planes) p[at] = 255.0;
  }
}

}  // namespace
}  // namespace zel

using namespace zel;

ZEL_API void HoughFun(const CImg<double>& in, CImg<double>& out) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  if (plane_size(in) > UINT32_MAX) throw std::invalid_argument("image too large for the Hough accumulator");
  const HoughGeometry g(w, h);
  std::vector<float> px, py;
  std::vector<uint32_t> acc(kBlock * h);
  for (int z = 0; z < in.depth(); ++z) {
    voters(plane_at(in, z, 0), w, h, px, py);
    for (size_t i0 = 0; i0 < w; i0 += kBlock) {
      vote_block(g, i0, px, py, acc);
      const size_t n = std::min(kBlock, w - i0);
      double line[kBlock];
      for (size_t r = 0; r < h; ++r) {
        for (size_t k = 0; k < n; ++k) line[k] = static_cast<double>(acc[k * h + r]);
        for (int c = 0; c < out.spectrum(); ++c) stream_copy(plane_at(out, z, c) + r * w + i0, line, n);
      }
    }
  }
  stream_fence();
}

ZEL_API void InvHoughFun(const CImg<double>& accumulator, CImg<double>& out, int lines) {
  out.assign(accumulator.width(), accumulator.height(), accumulator.depth(), accumulator.spectrum(), 0.0);
  if (accumulator.is_empty() || lines <= 0) return;
  const size_t w = static_cast<size_t>(accumulator.width()), h = static_cast<size_t>(accumulator.height());
  const HoughGeometry g(w, h);
  std::vector<double*> planes(static_cast<size_t>(out.spectrum()));
  for (int z = 0; z < accumulator.depth(); ++z) {
    std::vector<Peak> peaks = find_peaks(plane_at(accumulator, z, 0), w, h);
    const auto stronger = [](const Peak& a, const Peak& b) {
      return a.value > b.value || (a.value == b.value && a.index < b.index);
    };
    const size_t n = std::min(peaks.size(), static_cast<size_t>(lines));
    std::partial_sort(peaks.begin(), peaks.begin() + static_cast<ptrdiff_t>(n), peaks.end(), stronger);
    for (int c = 0; c < out.spectrum(); ++c) planes[static_cast<size_t>(c)] = plane_at(out, z, c);
    for (size_t k = 0; k < n; ++k) {
      const size_t col = peaks[k].index % w, row = peaks[k].index / w;
      draw_line(planes, w, h, g.theta(col), (static_cast<double>(row) - g.mid) * g.unit);
    }
  }
}
