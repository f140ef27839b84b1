// Shape operations: connection pixels, the convex hull (outline and filled)
// and crack detection.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstdint>
#include <utility>
#include <vector>

#include "../core/helpers.h"
#include "../core/window.h"
#include "../dll.h"
#include "blob_tools.h"

namespace zel {
namespace {

// ---- Connection pixels -----------------------------------------------------

// Neighbour k of the 3x3 window, as (dx, dy), k = 0..7 in raster order.
constexpr int kNeighbourDx[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
constexpr int kNeighbourDy[8] = {-1, -1, -1, 0, 0, 1, 1, 1};

// For each of the 256 neighbour patterns (bit k set: neighbour k is 255),
// whether the white neighbours fall into two or more groups of eight-joined
// pixels once the centre is taken away: the centre is then the pixel that
// connects them. Solid areas, line ends, corners and isolated pixels do not
// match; the inner pixels of a line, bridges and branch points do.
std::array<bool, 256> connection_patterns() {
  std::array<bool, 256> table{};
  for (int code = 0; code < 256; ++code) {
    int group[8];
    for (int k = 0; k < 8; ++k) group[k] = k;
    auto root = [&](int k) {
      while (group[k] != k) k = group[k];
      return k;
    };
    for (int a = 0; a < 8; ++a)
      for (int b = a + 1; b < 8; ++b)
        if ((code >> a & 1) && (code >> b & 1) && std::abs(kNeighbourDx[a] - kNeighbourDx[b]) <= 1 &&
            std::abs(kNeighbourDy[a] - kNeighbourDy[b]) <= 1)
          group[root(b)] = root(a);
    int groups = 0;
    for (int k = 0; k < 8; ++k) groups += (code >> k & 1) && root(k) == k;
    table[code] = groups >= 2;
  }
  return table;
}

// ---- Convex hull -------------------------------------------------------------

struct Point {
  int64_t x, y;
};

// Twice the signed area of o, a, b: positive for a left turn.
int64_t cross(const Point& o, const Point& a, const Point& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Vertices of the convex hull of the pixels of a w x h plane that are at
// least 255, in order round the hull, collinear points dropped (one vertex
// for a single pixel, two for a straight run). Only the first and last
// object pixel of each row can be a vertex, so the candidates arrive
// already sorted by (y, x) and the monotone chain needs no sort: O(w h)
// to find them, O(h) for the hull. Corner coordinates differ by less than
// w and h, so each product in cross() is at most w h and fits 64 bits.
void plane_hull(const double* plane, int64_t w, int64_t h, std::vector<Point>& pts, std::vector<Point>& hull) {
  pts.clear();
  hull.clear();
  for (int64_t y = 0; y < h; ++y) {
    const double* row = plane + y * w;
    int64_t x = 0;
    while (x < w && !(row[x] >= kWhite)) ++x;
    if (x == w) continue;
    int64_t last = w - 1;
    while (!(row[last] >= kWhite)) --last;
    pts.push_back({x, y});
    if (last != x) pts.push_back({last, y});
  }
  if (pts.size() <= 1) {
    hull = pts;
    return;
  }
  // Andrew's monotone chain: one side of the hull forwards, the other backwards.
  hull.resize(2 * pts.size());
  size_t k = 0;
  for (size_t i = 0; i < pts.size(); ++i) {
    while (k >= 2 && cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
    hull[k++] = pts[i];
  }
  for (size_t i = pts.size() - 1, t = k + 1; i-- > 0;) {
    while (k >= t && cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
    hull[k++] = pts[i];
  }
  hull.resize(k - 1);  // the last point repeats the first
}

// Sets to v the pixels of a four-joined line from a to b in a plane w pixels
// wide (both ends inside it). Each step moves one pixel along x or along y,
// whichever keeps the pixel nearer the true line (x on a tie), so that the
// line has no diagonal gaps. The line is always drawn from the smaller end,
// so a to b and b to a set the same pixels.
void line4(double* plane, int64_t w, Point a, Point b, double v) {
  if (b.y < a.y || (b.y == a.y && b.x < a.x)) std::swap(a, b);
  const int64_t dx = b.x > a.x ? b.x - a.x : a.x - b.x, dy = b.y - a.y;
  const int64_t sx = b.x > a.x ? 1 : -1;
  int64_t x = a.x, y = a.y;
  int64_t e = 0;  // (steps along x) * dy - (steps along y) * dx: the distance from the line, scaled
  plane[y * w + x] = v;
  for (int64_t i = 0, n = dx + dy; i < n; ++i) {
    const int64_t ex = e + dy, ey = e - dx;
    const bool along_x = y == b.y || (x != b.x && (ex < 0 ? -ex : ex) <= (ey < 0 ? -ey : ey));
    if (along_x) {
      x += sx;
      e = ex;
    } else {
      ++y;
      e = ey;
    }
    plane[y * w + x] = v;
  }
}

}  // namespace
}  // namespace zel

using namespace zel;

ZEL_API void ConnectivityFun(const CImg<double>& in, CImg<double>& out) {
  static const std::array<bool, 256> table = connection_patterns();
  filter3x3(in, out, Border::LeaveZero, [](const double* p, ptrdiff_t s) {
    if (p[0] != 255.0) return 0.0;
    const double n[8] = {p[-s - 1], p[-s], p[-s + 1], p[-1], p[1], p[s - 1], p[s], p[s + 1]};
    int code = 0;
    for (int k = 0; k < 8; ++k) {
      if (n[k] == 255.0) code |= 1 << k;
      else if (n[k] != 0.0) return 0.0;
    }
    return table[code] ? 255.0 : 0.0;
  });
}

// Per slice, the hull of each channel's pixels of at least 255 is drawn in
// 255 with four-joined edges into one plane (the channels joined by their
// maximum), which is then written into every channel. The hull of all the
// object pixels is that of the edge pixels, so every row's two extreme
// pixels suffice.
ZEL_API void ConvexHullFun(const CImg<double>& in, CImg<double>& out) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const int64_t w = in.width(), h = in.height();
  const size_t n = plane_size(in);
  std::vector<Point> pts, hull;
  for (int z = 0; z < in.depth(); ++z) {
    double* joined = plane_at(out, z, 0);
    std::fill(joined, joined + n, 0.0);
    for (int c = 0; c < in.spectrum(); ++c) {
      plane_hull(plane_at(in, z, c), w, h, pts, hull);
      for (size_t i = 0; i < hull.size(); ++i) line4(joined, w, hull[i], hull[(i + 1) % hull.size()], 255.0);
    }
    for (int c = 1; c < in.spectrum(); ++c) std::copy(joined, joined + n, plane_at(out, z, c));
  }
}

ZEL_API void FilledConvexHullFun(const CImg<double>& in, CImg<double>& out) {
  CImg<double> hull, binary;
  ConvexHullFun(in, hull);
  ThresholdFun(hull, binary, 255);
  BlobFillFun(binary, out);
}

ZEL_API void CrackDetectorFun(const CImg<double>& in, CImg<double>& out) {
  CImg<double> a, b;
  LargestIntensityNeighbourFun(in, a);
  LargestIntensityNeighbourFun(a, b);
  SmallestIntensityNeighbourFun(b, a);
  SmallestIntensityNeighbourFun(a, b);
  double* d = b.data();
  const double* s = in.data();
  for (size_t i = 0, n = b.size(); i < n; ++i) d[i] -= s[i];
  MidThresholdFun(b, out);
}
