// Line fitting of an edge image: the edge pixels are cleaned into simple
// 8-connected chains, each chain is traced and replaced by the polyline that
// recursive splitting fits to it, and the polylines are drawn at 255.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <vector>

#include "../core/draw_helpers.h"
#include "../core/helpers.h"
#include "../core/numeric.h"
#include "../dll.h"

namespace zel {
namespace {

// A chain point is kept as a polyline vertex while it lies farther than this
// many pixels from the chord of the piece it belongs to.
constexpr double kFitTolerance = 2.0;

struct Point {
  int x, y;
};

// The 8 neighbour offsets, clockwise from the east.
constexpr int kDx[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int kDy[8] = {0, 1, 1, 1, 0, -1, -1, -1};

class Chains {
 public:
  Chains(const double* plane, int w, int h) : w_(w), h_(h), on_(static_cast<size_t>(w) * h) {
    // An edge pixel is any value above 0 (NaN is not).
    for (size_t i = 0; i < on_.size(); ++i) on_[i] = plane[i] > 0.0;
  }

  // Corners (a pixel whose only two neighbours are one horizontal and one
  // vertical: a staircase step, removed in raster order so that its
  // neighbours stay 8-connected), then junctions (3 or more neighbours),
  // then the points left without any neighbour.
  void clean() {
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x)
        if (on(x, y) && is_corner(x, y)) on_[at(x, y)] = 0;
    std::vector<size_t> drop;
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x)
        if (on(x, y) && neighbours(x, y) >= 3) drop.push_back(at(x, y));
    for (size_t i : drop) on_[i] = 0;
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x)
        if (on(x, y) && neighbours(x, y) == 0) on_[at(x, y)] = 0;
  }

  // Every chain once: the open ones from one of their two ends, then the
  // closed loops that remain, each with its first point repeated at its end.
  template <class F>
  void trace(F emit) {
    std::vector<char> seen(on_.size(), 0);
    std::vector<Point> chain;
    for (int pass = 0; pass < 2; ++pass)
      for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x) {
          if (!on(x, y) || seen[at(x, y)] || (pass == 0 && neighbours(x, y) != 1)) continue;
          chain.clear();
          Point p{x, y};
          for (bool more = true; more;) {
            chain.push_back(p);
            seen[at(p.x, p.y)] = 1;
            more = false;
            for (int k = 0; k < 8 && !more; ++k) {
              const int nx = p.x + kDx[k], ny = p.y + kDy[k];
              if (on(nx, ny) && !seen[at(nx, ny)]) p = {nx, ny}, more = true;
            }
          }
          if (pass == 1) chain.push_back(chain.front());
          emit(chain, pass == 1);
        }
  }

 private:
  size_t at(int x, int y) const { return static_cast<size_t>(y) * w_ + x; }
  bool on(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_ && on_[at(x, y)]; }
  int neighbours(int x, int y) const {
    int n = 0;
    for (int k = 0; k < 8; ++k) n += on(x + kDx[k], y + kDy[k]);
    return n;
  }
  bool is_corner(int x, int y) const {
    if (neighbours(x, y) != 2) return false;
    const bool horizontal = on(x - 1, y) || on(x + 1, y), vertical = on(x, y - 1) || on(x, y + 1);
    return horizontal && vertical;
  }

  int w_, h_;
  std::vector<char> on_;
};

// Distance of p from the line through a and b (from a when a == b).
double off_chord(Point p, Point a, Point b) {
  const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
  if (len == 0.0) return std::hypot(p.x - a.x, p.y - a.y);
  return std::fabs(dx * (p.y - a.y) - dy * (p.x - a.x)) / len;
}

// Appends to vertices the polyline vertices of chain[a..b] after chain[a]:
// the piece is split at its point farthest from the chord while that point
// lies beyond the tolerance.
void split(const std::vector<Point>& chain, size_t a, size_t b, std::vector<size_t>& vertices) {
  size_t far = a;
  double worst = 0.0;
  for (size_t i = a + 1; i < b; ++i) {
    const double d = off_chord(chain[i], chain[a], chain[b]);
    if (d > worst) worst = d, far = i;
  }
  if (worst > kFitTolerance) {
    split(chain, a, far, vertices);
    split(chain, far, b, vertices);
  } else {
    vertices.push_back(b);
  }
}

void draw_segment(double* plane, int w, Point a, Point b) {
  const long long dx = b.x - a.x, dy = b.y - a.y;
  const long long len = std::max(std::llabs(dx), std::llabs(dy));
  if (len == 0) {
    plane[static_cast<size_t>(a.y) * w + a.x] = kWhite;
    return;
  }
  for (long long i = 0; i <= len; ++i) {
    const bool along_x = std::llabs(dx) >= std::llabs(dy);
    const long long x = along_x ? a.x + (dx < 0 ? -i : i) : line_minor(a.x, dx, len, i);
    const long long y = along_x ? line_minor(a.y, dy, len, i) : a.y + (dy < 0 ? -i : i);
    plane[static_cast<size_t>(y) * w + x] = kWhite;
  }
}

}  // namespace
}  // namespace zel

using namespace zel;

// Every plane on its own. A closed loop is first split at its point farthest
// from where its trace starts, so that both halves have a chord.
ZEL_API void LineFittingFun(const CImg<double>& in, CImg<double>& out) {
  assign_checked(out, in.width(), in.height(), in.depth(), in.spectrum());
  out.fill(0.0);
  const int w = in.width(), h = in.height();
  std::vector<size_t> vertices;
  for_each_plane_pair(in, out, [&](const double* src, double* dst) {
    Chains chains(src, w, h);
    chains.clean();
    chains.trace([&](const std::vector<Point>& chain, bool closed) {
      const size_t last = chain.size() - 1;
      vertices.assign(1, 0);
      size_t far = 0;
      if (closed) {
        double best = -1.0;
        for (size_t i = 1; i < last; ++i) {
          const double d = std::hypot(chain[i].x - chain[0].x, chain[i].y - chain[0].y);
          if (d > best) best = d, far = i;
        }
        split(chain, 0, far, vertices);
      }
      split(chain, far, last, vertices);
      for (size_t k = 0; k + 1 < vertices.size(); ++k)
        draw_segment(dst, w, chain[vertices[k]], chain[vertices[k + 1]]);
    });
  });
}
