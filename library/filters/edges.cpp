// Edge and feature detectors: gradient operators, Roberts cross, Laplacian,
// non-maxima, gradient direction, Canny and SUSAN corners. Every slice and
// channel is a plane of its own.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "../core/helpers.h"
#include "../core/numeric.h"
#include "../core/parallel.h"
#include "../core/separable.h"
#include "../core/window.h"
#include "../dll.h"
#include "gradient.h"

using namespace zel;

// Sobel operator (gradient engine, w = 2): magnitude clamped to 0..255; the
// one-pixel border of each plane is 0.
ZEL_API void SobelFun(const CImg<double>& in, CImg<double>& out) { gradient_magnitude(in, out, 2.0, false); }

// Prewitt operator (gradient engine, w = 1): magnitude truncated toward zero
// and clamped to 0..255; border 0.
ZEL_API void PrewittFun(const CImg<double>& in, CImg<double>& out) { gradient_magnitude(in, out, 1.0, true); }

// Frei-Chen isotropic gradient (gradient engine, w = sqrt(2)): the two
// gradient masks only, magnitude not normalised by 1 / (2 + sqrt(2)) so that
// it is on the scale of Sobel and Prewitt; truncated, clamped; border 0.
ZEL_API void FreiChenFun(const CImg<double>& in, CImg<double>& out) {
  gradient_magnitude(in, out, std::sqrt(2.0), true);
}

// Roberts cross: sqrt((I(x,y) - I(x+1,y+1))^2 + (I(x+1,y) - I(x,y+1))^2),
// clamped to 0..255. The value of each 2x2 block goes to its top-left pixel;
// like the 3x3 operators, the one-pixel border of each plane is 0.
ZEL_API void RobertsFun(const CImg<double>& in, CImg<double>& out) {
  filter3x3(in, out, Border::LeaveZero, [](const double* c, ptrdiff_t s) {
    const double d1 = c[0] - c[s + 1], d2 = c[1] - c[s];
    return flow(std::sqrt(d1 * d1 + d2 * d2));
  });
}

ZEL_API void LaplacianFun(const CImg<double>& in, CImg<double>& out, int conn) {
  if (conn == 8) {
    filter3x3(in, out, Border::LeaveZero, [](const double* c, ptrdiff_t s) {
      const double ring = c[-s - 1] + c[-s] + c[-s + 1] + c[-1] + c[1] + c[s - 1] + c[s] + c[s + 1];
      return flow((8.0 * c[0] - ring) / 2.0 + 127.0);
    });
  } else {
    filter3x3(in, out, Border::LeaveZero, [](const double* c, ptrdiff_t s) {
      return flow(4.0 * c[0] - (c[-s] + c[-1] + c[1] + c[s]));
    });
  }
}

ZEL_API void NonMaximaFun(const CImg<double>& in, CImg<double>& out) {
  filter3x3(in, out, Border::LeaveZero, [](const double* c, ptrdiff_t s) {
    const double v = c[0];
    return (v >= c[-1] && v >= c[1]) || (v >= c[-s] && v >= c[s]) ? v : 0.0;
  });
}

ZEL_API void IntensityGradientDirectionFun(const CImg<double>& in, CImg<double>& out) {
  filter3x3(in, out, Border::LeaveZero, [](const double* c, ptrdiff_t s) {
    const double v[8] = {c[1], c[-s + 1], c[-s], c[-s - 1], c[-1], c[s - 1], c[s], c[s + 1]};
    double best = -HUGE_VAL;
    int code = 1;
    for (int k = 0; k < 8; ++k)
      if (v[k] > best) best = v[k], code = k + 1;
    return static_cast<double>(code);
  });
}

// ---- Canny ----------------------------------------------------------------

namespace {

// Direction codes of the gradient angle, measured counter-clockwise from the
// x axis with y upwards, in four sectors of 45 degrees: 1 for 0 (horizontal
// gradient, a vertical edge), 2 for 45, 3 for 90, 4 for 135 degrees.
constexpr double kTan22 = 0.41421356237309504880;  // tan(22.5 degrees)
constexpr double kTan67 = 2.41421356237309504880;  // tan(67.5 degrees)

inline double sector(double gx, double gy) {
  const double ax = std::fabs(gx), ay = std::fabs(gy);
  if (ay <= ax * kTan22) return 1.0;
  if (ay > ax * kTan67) return 3.0;
  return (gx < 0) != (gy < 0) ? 2.0 : 4.0;  // gy grows downwards: opposite signs point to 45 degrees
}

// Pixel states of the hysteresis map.
enum : uint8_t { kNone = 0, kWeak = 1, kEdge = 2 };

// Non-maximum suppression of pixel x of the middle row, whose derivatives
// are gx[x], gy[x]: kept when strictly above the neighbour across the edge
// that comes earlier in raster order and at least the later one, so that a
// two-pixel-wide ridge of equal values keeps one pixel. line[x] gets the
// sector code of a kept pixel, state[x] its hysteresis state (kNone when
// suppressed or below low).
inline void nms_at(const double* up, const double* mid, const double* dn, const double* gx, const double* gy,
                   double* line, uint8_t* state, size_t x, double low2, double high2) {
  const double m = mid[x], code = sector(gx[x], gy[x]);
  bool keep;
  if (code == 1.0) keep = m > mid[x - 1] && m >= mid[x + 1];
  else if (code == 2.0) keep = m > up[x + 1] && m >= dn[x - 1];
  else if (code == 3.0) keep = m > up[x] && m >= dn[x];
  else keep = m > up[x - 1] && m >= dn[x + 1];
  line[x] = keep ? code : 0.0;
  state[x] = static_cast<uint8_t>(keep ? (m >= low2) + (m >= high2) : 0);
}

// Four doubles, and the masks their comparisons give (GCC and Clang vector
// extensions: SSE2 pairs by default, one AVX2 register in the avx2 clone).
// *QuadAt(p) reads four doubles at any double-aligned address.
typedef double Quad __attribute__((vector_size(32)));
typedef long long QuadMask __attribute__((vector_size(32)));
typedef double UnalignedQuad __attribute__((vector_size(32), aligned(8), may_alias));
using QuadAt = const UnalignedQuad*;

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define ZEL_AVX2_CLONE __attribute__((target_clones("avx2", "default")))
#else
#define ZEL_AVX2_CLONE
#endif

// nms_at over x = 1 .. w - 2. Sectors follow no pattern a branch predictor
// could learn, so four pixels at a time the sector and both neighbours are
// chosen by masks, not branches.
ZEL_AVX2_CLONE void nms_row(const double* up, const double* mid, const double* dn, const double* gx,
                            const double* gy, double* line, uint8_t* state, size_t w, double low2,
                            double high2) {
  const Quad zero = {0, 0, 0, 0};
  size_t x = 1;
  for (; x + 5 <= w; x += 4) {
    const Quad m = *QuadAt(mid + x), dx = *QuadAt(gx + x), dy = *QuadAt(gy + x);
    const Quad ax = dx < zero ? -dx : dx, ay = dy < zero ? -dy : dy;
    const QuadMask horizontal = ay <= ax * kTan22, vertical = ay > ax * kTan67;
    const QuadMask opposite = (dx < zero) ^ (dy < zero);  // 45 degrees (gy grows downwards)
    const Quad before = horizontal ? *QuadAt(mid + x - 1)
                        : vertical ? *QuadAt(up + x)
                        : opposite ? *QuadAt(up + x + 1)
                                   : *QuadAt(up + x - 1);
    const Quad after = horizontal ? *QuadAt(mid + x + 1)
                       : vertical ? *QuadAt(dn + x)
                       : opposite ? *QuadAt(dn + x - 1)
                                  : *QuadAt(dn + x + 1);
    const QuadMask keep = (m > before) & (m >= after);
    const Quad code = horizontal ? Quad{1, 1, 1, 1}
                      : vertical ? Quad{3, 3, 3, 3}
                      : opposite ? Quad{2, 2, 2, 2}
                                 : Quad{4, 4, 4, 4};
    const Quad kept = keep ? code : zero;
    *reinterpret_cast<UnalignedQuad*>(line + x) = kept;
    const QuadMask weak = keep & (m >= low2), edge = keep & (m >= high2);  // lanes 0 or -1
    for (int i = 0; i < 4; ++i) state[x + i] = static_cast<uint8_t>(-weak[i] - edge[i]);
  }
  for (; x + 1 < w; ++x) nms_at(up, mid, dn, gx, gy, line, state, x, low2, high2);
}

// Squared Sobel magnitudes and derivatives of x = 1 .. w - 2 of the row at c
// (rows stride s apart). The outputs are distinct rows: restrict lets the
// loop vectorise without run-time overlap checks.
ZEL_AVX2_CLONE void sobel_row(const double* __restrict c, ptrdiff_t s, size_t w, double* __restrict m,
                              double* __restrict gx, double* __restrict gy) {
  for (size_t x = 1; x + 1 < w; ++x) {
    const Gradient g = gradient_at(c + x, s, 2.0);
    m[x] = g.gx * g.gx + g.gy * g.gy;
    gx[x] = g.gx;
    gy[x] = g.gy;
  }
}

// Squared threshold: comparing squared magnitudes to it is comparing the
// magnitude to t; a threshold of 0 or less admits every surviving pixel.
inline double squared_threshold(int t) { return t <= 0 ? -1.0 : static_cast<double>(t) * t; }

// Weak pixels eight-connected to an edge through rows lo .. hi - 1 become
// edges: every edge of rows s0 .. s1 - 1, in raster order, passes the state
// on through the weak pixels around it (depth first; the stack holds only
// pixels raised from weak), never leaving rows lo .. hi - 1. Edges lie
// inside the border (columns 0 and w - 1 hold no state), so a step never
// wraps to another row unseen.
template <class Index>
void hysteresis(uint8_t* map, size_t w, size_t lo, size_t hi, size_t s0, size_t s1, std::vector<Index>& stack) {
  const size_t s = w;
  const size_t around[8] = {0 - s - 1, 0 - s, 0 - s + 1, 0 - size_t{1}, 1, s - 1, s, s + 1};  // modulo 2^64
  const size_t first = lo * w, span = (hi - lo) * w;
  for (size_t i = s0 * w; i < s1 * w; ++i) {
    if (map[i] != kEdge) continue;
    stack.assign(1, static_cast<Index>(i));
    while (!stack.empty()) {
      const size_t p = stack.back();
      stack.pop_back();
      for (size_t o : around) {
        const size_t q = p + o;
        if (q - first < span && map[q] == kWeak) map[q] = kEdge, stack.push_back(static_cast<Index>(q));
      }
    }
  }
}

// The hysteresis states of a plane, reused from plane to plane (not
// cleared: every state is written before it is read).
struct StateMap {
  std::unique_ptr<uint8_t[]> bytes;
  size_t size = 0;
};

// Hysteresis over the whole w x h map, in bands of rows on separate threads:
// each band first closes over its own rows; then the edges of the two rows
// at every seam between bands pass the state on across the whole map. A weak
// pixel joined to an edge is reached either inside the edge's band or along
// a path whose last crossing of a seam starts from an edge of a seam row, so
// the result is the same set of edges as one pass over the map.
template <class Index>
void hysteresis_bands(uint8_t* map, size_t w, size_t h) {
  std::vector<size_t> seams;
  std::mutex seams_lock;
  parallel_ranges(h - 2, 4 * w * h, [&](size_t b0, size_t b1) {
    std::vector<Index> stack;
    hysteresis(map, w, b0 + 1, b1 + 1, b0 + 1, b1 + 1, stack);
    if (b0 == 0) return;
    std::lock_guard<std::mutex> hold(seams_lock);
    seams.push_back(b0 + 1);
  });
  std::vector<Index> stack;
  for (size_t y : seams) hysteresis(map, w, 0, h, y - 1, y + 1, stack);
}

// Non-maximum suppression of rows y0 .. y1 - 1 (1 <= y0 < y1 <= h - 1) of a
// w x h plane into their directions and hysteresis states. The rows of the
// smoothed plane (sigma > 0) are made as the Sobel rows need them, in a
// window of three; squared Sobel magnitudes of three rows at a time feed the
// suppression row by row. Every row is computed from src alone, so bands of
// rows may run on separate threads with the same bits.
void canny_band(const double* src, double sigma, double* dirs, uint8_t* map, size_t w, size_t h, size_t y0,
                size_t y1, double low2, double high2) {
  std::unique_ptr<GaussianRows> gauss;
  if (sigma > 0.0) gauss = std::make_unique<GaussianRows>(src, w, h, sigma);
  // Ring of three rows of squared magnitudes and derivatives; window of
  // three smoothed rows.
  std::vector<double> mag(3 * w, 0.0), gxs(3 * w, 0.0), gys(3 * w, 0.0), line(w, 0.0);
  std::vector<double> window(gauss ? 3 * w : 0);
  const ptrdiff_t s = static_cast<ptrdiff_t>(w);
  // Before gradient row y >= 1 is made the window holds rows y - 1 and y.
  const size_t first = y0 - 1, top = first == 0 ? 0 : first - 1;
  if (gauss) gauss->row(top, window.data()), gauss->row(top + 1, window.data() + w);
  // Row y into ring slot y % 3; the border rows stay 0.
  auto gradient_row = [&](size_t y) {
    double* m = mag.data() + (y % 3) * w;
    if (y == 0 || y + 1 == h) {
      std::fill(m, m + w, 0.0);
      return;
    }
    const size_t slot = (y % 3) * w;
    const double* c = src + y * w;
    if (gauss) {  // the window holds rows y - 1 .. y + 1
      gauss->row(y + 1, window.data() + 2 * w);
      c = window.data() + w;
    }
    sobel_row(c, s, w, m, gxs.data() + slot, gys.data() + slot);
    if (gauss) std::copy(window.begin() + w, window.end(), window.begin());
  };
  gradient_row(first);
  gradient_row(y0);
  for (size_t y = y0; y < y1; ++y) {
    gradient_row(y + 1);
    const double* up = mag.data() + ((y - 1) % 3) * w;
    const double* mid = mag.data() + (y % 3) * w;
    const double* dn = mag.data() + ((y + 1) % 3) * w;
    const size_t slot = (y % 3) * w;
    uint8_t* state = map + y * w;
    state[0] = state[w - 1] = kNone;
    nms_row(up, mid, dn, gxs.data() + slot, gys.data() + slot, line.data(), state, w, low2, high2);
    stream_copy(dirs + y * w, line.data(), w);
  }
}

// Canny of one w x h plane (w, h >= 3): suppression in bands of rows on
// separate threads, hysteresis over the whole map on one, then the edges,
// written last so that edges may be the plane src itself.
void canny_plane(const double* src, double sigma, double* edges, double* dirs, size_t w, size_t h, double low2,
                 double high2, StateMap& map) {
  const size_t n = w * h;
  if (map.size < n) map.bytes.reset(new uint8_t[n]), map.size = n;  // every pixel is written below
  uint8_t* states = map.bytes.get();
  const size_t work = n * (sigma > 0.0 ? 40 : 20);
  parallel_ranges(h - 2, work, [&](size_t b0, size_t b1) {
    canny_band(src, sigma, dirs, states, w, h, b0 + 1, b1 + 1, low2, high2);
  });
  std::fill_n(states, w, kNone);
  std::fill_n(states + n - w, w, kNone);
  std::fill_n(dirs, w, 0.0);
  std::fill_n(dirs + (h - 1) * w, w, 0.0);
  if (n <= UINT32_MAX) hysteresis_bands<uint32_t>(states, w, h);
  else hysteresis_bands<size_t>(states, w, h);
  parallel_ranges(h, w * h, [&](size_t b0, size_t b1) {
    std::vector<double> line(w);
    for (size_t y = b0; y < b1; ++y) {
      const uint8_t* row = states + y * w;
      for (size_t x = 0; x < w; ++x) line[x] = row[x] == kEdge ? 255.0 : 0.0;
      stream_copy(edges + y * w, line.data(), w);
    }
  });
  stream_fence();
}

}  // namespace

// edges may be in itself (each plane is read before its edges are written);
// directions are written as the rows are made, so they never share in's buffer.
ZEL_API void CannyFun(const CImg<double>& in, CImg<double>& edges, CImg<double>& directions, double sigma,
                      int low, int high) {
  if (&directions == &in || &directions == &edges) {
    const CImg<double> copy(in);
    CImg<double> e, d;
    CannyFun(copy, e, d, sigma, low, high);
    edges.swap(e);
    directions.swap(d);
    return;
  }
  if (low > high) std::swap(low, high);
  if (&edges != &in) edges.assign(in.width(), in.height(), in.depth(), in.spectrum());
  directions.assign(in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  if (w < 3 || h < 3) {
    edges.fill(0.0);
    directions.fill(0.0);
    return;
  }
  StateMap map;
  for (int c = 0; c < in.spectrum(); ++c)
    for (int z = 0; z < in.depth(); ++z) {
      canny_plane(plane_at(in, z, c), sigma, plane_at(edges, z, c), plane_at(directions, z, c), w, h,
                  squared_threshold(low), squared_threshold(high), map);
    }
}

// ---- SUSAN corners --------------------------------------------------------

namespace {

// The 37-pixel circular mask: half-widths of its seven rows, dy = -3..3.
constexpr int kMaskRadius = 3;
constexpr int kHalfWidth[7] = {1, 2, 3, 3, 3, 2, 1};
constexpr int kMaskArea = 37;
// Geometric threshold: half the largest USAN area, 18.5; corners have an
// area of at most 18.
constexpr int kCornerArea = kMaskArea / 2;
constexpr uint8_t kNotCorner = kMaskArea;  // area given to rejected pixels

inline bool in_mask(int dx, int dy) {
  return dy >= -kMaskRadius && dy <= kMaskRadius && std::abs(dx) <= kHalfWidth[dy + kMaskRadius];
}

// The published false-corner tests on a candidate: the USAN's centre of
// gravity lies at least one pixel from the nucleus, and the mask pixels on
// the ray from the nucleus towards it (at 1, 2 and 3 pixels, rounded) all
// belong to the USAN.
bool passes_corner_tests(const double* c, size_t w, double t) {
  const ptrdiff_t s = static_cast<ptrdiff_t>(w);
  auto similar = [&](int dx, int dy) { return std::fabs(c[dy * s + dx] - c[0]) <= t; };
  long n = 0, sx = 0, sy = 0;
  for (int dy = -kMaskRadius; dy <= kMaskRadius; ++dy)
    for (int dx = -kHalfWidth[dy + kMaskRadius]; dx <= kHalfWidth[dy + kMaskRadius]; ++dx)
      if (similar(dx, dy)) ++n, sx += dx, sy += dy;
  if (n == 0 || sx * sx + sy * sy < n * n) return false;
  const double len = std::sqrt(static_cast<double>(sx * sx + sy * sy));
  for (int k = 1; k <= kMaskRadius; ++k) {
    const int dx = static_cast<int>(std::lround(k * sx / len)), dy = static_cast<int>(std::lround(k * sy / len));
    if (in_mask(dx, dy) && !similar(dx, dy)) return false;
  }
  return true;
}

// Adds to count[x], x in [x0, x1), 1 where the pixel at p + x is similar to
// the nucleus at c + x (distinct buffers: restrict lets it vectorise).
ZEL_AVX2_CLONE void add_similar(const double* __restrict c, const double* __restrict p, double* __restrict count,
                                size_t x0, size_t x1, double t) {
  for (size_t x = x0; x < x1; ++x) count[x] += std::fabs(p[x] - c[x]) <= t;
}

// Marks the corners of one w x h plane (w, h >= 7) with 255 in out.
void susan_plane(const double* src, double* out, size_t w, size_t h, double t, std::vector<uint8_t>& area) {
  const size_t r = kMaskRadius;
  area.assign(w * h, kNotCorner);
  std::vector<double> count(w);
  for (size_t y = r; y + r < h; ++y) {
    // USAN areas of row y, one mask offset at a time along the whole row.
    const double* c = src + y * w;
    std::fill(count.begin(), count.end(), 0.0);
    for (int dy = -kMaskRadius; dy <= kMaskRadius; ++dy) {
      const int hw = kHalfWidth[dy + kMaskRadius];
      for (int dx = -hw; dx <= hw; ++dx) {
        const double* p = c + static_cast<ptrdiff_t>(dy) * static_cast<ptrdiff_t>(w) + dx;
        add_similar(c, p, count.data(), r, w - r, t);
      }
    }
    uint8_t* a = area.data() + y * w;
    for (size_t x = r; x + r < w; ++x)
      if (count[x] <= kCornerArea && passes_corner_tests(c + x, w, t)) a[x] = static_cast<uint8_t>(count[x]);
  }
  // Corners: candidates whose area is a minimum of their 3x3 neighbourhood,
  // strictly below the neighbours earlier in raster order and not above the
  // later ones, so that a run of equal minima gives one corner.
  std::fill(out, out + w * h, 0.0);
  const ptrdiff_t s = static_cast<ptrdiff_t>(w);
  for (size_t y = r; y + r < h; ++y)
    for (size_t x = r; x + r < w; ++x) {
      const uint8_t* a = area.data() + y * w + x;
      const uint8_t v = a[0];
      if (v == kNotCorner) continue;
      if (v < a[-s - 1] && v < a[-s] && v < a[-s + 1] && v < a[-1] && v <= a[1] && v <= a[s - 1] && v <= a[s] &&
          v <= a[s + 1])
        out[y * w + x] = 255.0;
    }
}

}  // namespace

// The mask fits only 3 pixels from the border; a smaller plane is all 0.
ZEL_API void SusanDetectorFun(const CImg<double>& in, CImg<double>& out, int threshold, int) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  if (w < 2 * kMaskRadius + 1 || h < 2 * kMaskRadius + 1) {
    out.fill(0.0);
    return;
  }
  const double t = threshold < 0 ? 0.0 : static_cast<double>(threshold);
  std::vector<uint8_t> area;
  for_each_plane(in, [&](const double* src, int z, int c) { susan_plane(src, plane_at(out, z, c), w, h, t, area); });
}
