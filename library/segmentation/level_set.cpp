// Seeded level-set segmentation: a region grown from the seed starts a
// narrow-band level set (negative inside) that evolves under an edge-stopped
// balloon force with curvature smoothing.
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "../core/fifo.h"
#include "../core/helpers.h"
#include "../core/numeric.h"
#include "../dll.h"

namespace zel {
namespace {

// Region growing takes the 4-connected pixels within this many grey levels
// of the seed's value.
constexpr double kGrowTolerance = 20.0;
// The level set evolves for this many steps.
constexpr int kIterations = 50;
// Half width of the narrow band in pixels; the function is clamped to
// +-kBand, so only the band moves.
constexpr double kBand = 3.0;
// Time step, and the largest change of the function in one step, which
// bounds how far the front can travel (kIterations * kMaxStep pixels).
constexpr double kTimeStep = 0.5;
constexpr double kMaxStep = 0.5;
// Speed F = g (kBalloon - kCurvature * curvature), g = 1 / (1 + (|grad I| /
// kEdgeScale)^2): the front expands over flat grey and stops at edges.
constexpr double kBalloon = 1.0;
constexpr double kCurvature = 0.2;
constexpr double kEdgeScale = 10.0;
// The function is reset to the signed distance of its zero level this often.
constexpr int kReinitEvery = 5;

// The working window: the grown region's bounding box widened by the
// distance the front can travel, clipped to the plane.
struct Box {
  int x0, y0, w, h;
  size_t at(int x, int y) const { return static_cast<size_t>(y) * w + x; }
};

// Pixels 4-connected to (sx, sy) within kGrowTolerance of its value: 1.
std::vector<char> grow(const double* plane, int w, int h, int sx, int sy, Box& box) {
  std::vector<char> in(static_cast<size_t>(w) * h, 0);
  const double seed = plane[static_cast<size_t>(sy) * w + sx];
  Fifo<size_t> queue;
  in[static_cast<size_t>(sy) * w + sx] = 1;
  queue.push(static_cast<size_t>(sy) * w + sx);
  int x0 = sx, x1 = sx, y0 = sy, y1 = sy;
  const auto near_seed = [&](size_t j) { return std::fabs(plane[j] - seed) <= kGrowTolerance; };
  flood4(queue, in, w, h, near_seed, [&](size_t, int x, int y) {
    x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
  });
  const int margin = static_cast<int>(std::ceil(kIterations * kMaxStep + kBand)) + 2;
  box.x0 = std::max(0, x0 - margin), box.y0 = std::max(0, y0 - margin);
  box.w = std::min(w - 1, x1 + margin) - box.x0 + 1, box.h = std::min(h - 1, y1 + margin) - box.y0 + 1;
  return in;
}

// Chamfer distance (1 and sqrt 2) of every pixel of the box to the nearest
// pixel where target is true (0 there), in two raster passes.
void chamfer(const Box& b, const std::vector<char>& target, std::vector<double>& d) {
  const double big = 1e30, diag = std::sqrt(2.0);
  for (size_t i = 0; i < d.size(); ++i) d[i] = target[i] ? 0.0 : big;
  for (int y = 0; y < b.h; ++y)
    for (int x = 0; x < b.w; ++x) {
      double& v = d[b.at(x, y)];
      if (x > 0) v = std::min(v, d[b.at(x - 1, y)] + 1.0);
      if (y > 0) {
        v = std::min(v, d[b.at(x, y - 1)] + 1.0);
        if (x > 0) v = std::min(v, d[b.at(x - 1, y - 1)] + diag);
        if (x + 1 < b.w) v = std::min(v, d[b.at(x + 1, y - 1)] + diag);
      }
    }
  for (int y = b.h - 1; y >= 0; --y)
    for (int x = b.w - 1; x >= 0; --x) {
      double& v = d[b.at(x, y)];
      if (x + 1 < b.w) v = std::min(v, d[b.at(x + 1, y)] + 1.0);
      if (y + 1 < b.h) {
        v = std::min(v, d[b.at(x, y + 1)] + 1.0);
        if (x + 1 < b.w) v = std::min(v, d[b.at(x + 1, y + 1)] + diag);
        if (x > 0) v = std::min(v, d[b.at(x - 1, y + 1)] + diag);
      }
    }
}

// phi becomes the signed distance (negative inside) of the boundary between
// inside and outside, half a pixel on either side of it, clamped to the band.
void reinitialise(const Box& b, const std::vector<char>& inside, std::vector<double>& phi) {
  std::vector<char> outside(inside.size());
  for (size_t i = 0; i < inside.size(); ++i) outside[i] = !inside[i];
  std::vector<double> to_in(phi.size()), to_out(phi.size());
  chamfer(b, inside, to_in);
  chamfer(b, outside, to_out);
  for (size_t i = 0; i < phi.size(); ++i)
    phi[i] = inside[i] ? std::max(-kBand, 0.5 - to_out[i]) : std::min(kBand, to_in[i] - 0.5);
}

// One step of phi_t = g (-kBalloon |grad phi| (upwind) + kCurvature * curvature
// |grad phi|) on the band; the box edge repeats its pixels.
void evolve(const Box& b, const std::vector<double>& g, std::vector<double>& phi, std::vector<double>& next) {
  next = phi;
  for (int y = 0; y < b.h; ++y)
    for (int x = 0; x < b.w; ++x) {
      const size_t i = b.at(x, y);
      const double p = phi[i];
      if (std::fabs(p) >= kBand) continue;
      const double l = phi[b.at(std::max(x - 1, 0), y)], r = phi[b.at(std::min(x + 1, b.w - 1), y)];
      const double u = phi[b.at(x, std::max(y - 1, 0))], d = phi[b.at(x, std::min(y + 1, b.h - 1))];
      const double ul = phi[b.at(std::max(x - 1, 0), std::max(y - 1, 0))];
      const double ur = phi[b.at(std::min(x + 1, b.w - 1), std::max(y - 1, 0))];
      const double dl = phi[b.at(std::max(x - 1, 0), std::min(y + 1, b.h - 1))];
      const double dr = phi[b.at(std::min(x + 1, b.w - 1), std::min(y + 1, b.h - 1))];
      // Upwind gradient for an outward (positive) speed.
      const double mx = std::max(p - l, 0.0), px = std::min(r - p, 0.0);
      const double my = std::max(p - u, 0.0), py = std::min(d - p, 0.0);
      const double grad_up = std::sqrt(mx * mx + px * px + my * my + py * py);
      // Curvature times |grad phi| from central differences.
      const double fx = (r - l) / 2, fy = (d - u) / 2, fxx = r - 2 * p + l, fyy = d - 2 * p + u;
      const double fxy = (dr - ur - dl + ul) / 4, n2 = fx * fx + fy * fy;
      const double curv = n2 > 1e-12 ? (fxx * fy * fy - 2 * fx * fy * fxy + fyy * fx * fx) / n2 : 0.0;
      double step = kTimeStep * g[i] * (-kBalloon * grad_up + kCurvature * curv);
      step = std::clamp(step, -kMaxStep, kMaxStep);
      next[i] = std::clamp(p + step, -kBand, kBand);
    }
  phi.swap(next);
}

}  // namespace
}  // namespace zel

using namespace zel;

// Every plane (slice and channel) on its own, from the same seed. out3 holds
// the final function: the signed distance near the zero level, +-3 beyond.
ZEL_API void LevelSetFun(const CImg<double>& in, CImg<double>& out1, CImg<double>& out2, CImg<double>& out3, int x,
                         int y) {
  if (in.is_empty()) throw std::invalid_argument("level set of an empty image");
  if (x < 0 || y < 0 || x >= in.width() || y >= in.height())
    throw std::invalid_argument("seed (" + std::to_string(x) + ", " + std::to_string(y) + ") lies outside the " +
                                std::to_string(in.width()) + " x " + std::to_string(in.height()) + " image");
  const int w = in.width(), h = in.height();
  out1.assign(in);
  assign_checked(out2, w, h, in.depth(), in.spectrum());
  assign_checked(out3, w, h, in.depth(), in.spectrum());
  out3.fill(kBand);
  for (int c = 0; c < in.spectrum(); ++c)
    for (int z = 0; z < in.depth(); ++z) {
      const double* src = plane_at(in, z, c);
      double *marked = plane_at(out1, z, c), *region = plane_at(out2, z, c), *fn = plane_at(out3, z, c);
      Box b{};
      const std::vector<char> grown = grow(src, w, h, x, y, b);
      for (size_t i = 0; i < grown.size(); ++i) region[i] = grown[i] ? kWhite : 0.0;
      const size_t n = static_cast<size_t>(b.w) * b.h;
      std::vector<char> inside(n);
      std::vector<double> phi(n), next, g(n);
      for (int yy = 0; yy < b.h; ++yy)
        for (int xx = 0; xx < b.w; ++xx) {
          const int gx = b.x0 + xx, gy = b.y0 + yy;
          inside[b.at(xx, yy)] = grown[static_cast<size_t>(gy) * w + gx];
          const auto v = [&](int px, int py) {
            return src[static_cast<size_t>(std::clamp(py, 0, h - 1)) * w + std::clamp(px, 0, w - 1)];
          };
          const double ix = (v(gx + 1, gy) - v(gx - 1, gy)) / 2, iy = (v(gx, gy + 1) - v(gx, gy - 1)) / 2;
          const double e = (ix * ix + iy * iy) / (kEdgeScale * kEdgeScale);
          g[b.at(xx, yy)] = e >= 0.0 ? 1.0 / (1.0 + e) : 0.0;  // NaN grey stops the front
        }
      reinitialise(b, inside, phi);
      for (int it = 1; it <= kIterations; ++it) {
        evolve(b, g, phi, next);
        if (it % kReinitEvery == 0 && it < kIterations) {
          for (size_t i = 0; i < n; ++i) inside[i] = phi[i] < 0.0;
          reinitialise(b, inside, phi);
        }
      }
      for (int yy = 0; yy < b.h; ++yy)
        for (int xx = 0; xx < b.w; ++xx) {
          const double p = phi[b.at(xx, yy)];
          const size_t gi = static_cast<size_t>(b.y0 + yy) * w + (b.x0 + xx);
          fn[gi] = p;
          // The zero level: an inside pixel with a 4-neighbour outside.
          const auto out_at = [&](int px, int py) {
            return px >= 0 && py >= 0 && px < b.w && py < b.h && phi[b.at(px, py)] >= 0.0;
          };
          if (p < 0.0 && (out_at(xx - 1, yy) || out_at(xx + 1, yy) || out_at(xx, yy - 1) || out_at(xx, yy + 1)))
            marked[gi] = kWhite;
        }
    }
}
