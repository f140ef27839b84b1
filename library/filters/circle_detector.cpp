// Circle detection by the gradient-direction Hough transform: each edge
// pixel votes for the centres that lie along its gradient, at every radius of
// the range; each well-voted centre then takes the radius that the edge
// pixels around it support best.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "../core/circle.h"
#include "../core/helpers.h"
#include "../core/numeric.h"
#include "../dll.h"
#include "gradient.h"

namespace zel {
namespace {

// An edge pixel has a Sobel magnitude of at least this share of the plane's
// largest.
constexpr double kEdgeShare = 0.25;
// Radii from kMinRadius to half the plane's shorter side.
constexpr int kMinRadius = 5;
// Votes are summed over (2 kSpread + 1)^2 pixels first: a circle's votes
// scatter over a few pixels around its centre as the gradient directions are
// rounded. A centre needs this many summed votes (about the edge pixels of
// the smallest circle) and must be the largest sum within kPeakReach pixels.
constexpr int kSpread = 2;
constexpr uint32_t kMinVotes = 30;
constexpr int kPeakReach = 3;
// A radius is supported by the edge pixels within half a pixel of it or of
// its two neighbouring radii whose gradient lies within about 25 degrees of
// the radial direction (|cos| >= kRadialCos); a circle needs at least
// kMinSupport such pixels per pixel of circumference, spread around it: in
// at least kMinSectors of its kSectors equal angular sectors (an arc of
// another object's outline is not a circle).
constexpr double kRadialCos = 0.9;
constexpr double kMinSupport = 0.5;
constexpr int kSectors = 16;
constexpr int kMinSectors = 12;

struct Edge {
  int x, y;
  double ux, uy;  // unit gradient
};

std::vector<Edge> edges_of(const double* p, int w, int h) {
  std::vector<Edge> edges;
  if (w < 3 || h < 3) return edges;
  std::vector<Gradient> g(static_cast<size_t>(w) * h, Gradient{0, 0});
  double top = 0.0;
  for (int y = 1; y + 1 < h; ++y)
    for (int x = 1; x + 1 < w; ++x) {
      const size_t i = static_cast<size_t>(y) * w + x;
      g[i] = gradient_at(p + i, w, 2.0);
      top = kLarger(top, std::hypot(g[i].gx, g[i].gy));
    }
  if (!(top > 0.0) || !std::isfinite(top)) return edges;
  for (int y = 1; y + 1 < h; ++y)
    for (int x = 1; x + 1 < w; ++x) {
      const Gradient& d = g[static_cast<size_t>(y) * w + x];
      const double m = std::hypot(d.gx, d.gy);
      if (m >= kEdgeShare * top) edges.push_back({x, y, d.gx / m, d.gy / m});
    }
  return edges;
}

// Radius of the best supported circle centred at (cx, cy), or 0 when none
// is; support gets its support per pixel of circumference.
int best_radius(const std::vector<Edge>& edges, int cx, int cy, int rmax, double& best_support) {
  std::vector<uint32_t> hist(static_cast<size_t>(rmax) + 2, 0);
  std::vector<uint32_t> sectors(hist.size(), 0);  // one bit per sector
  for (const Edge& e : edges) {
    const double dx = e.x - cx, dy = e.y - cy, d = std::hypot(dx, dy);
    if (d < kMinRadius - 1.5 || d >= rmax + 1.5) continue;
    if (std::fabs(dx * e.ux + dy * e.uy) < kRadialCos * d) continue;
    const size_t r = static_cast<size_t>(std::lround(d));
    ++hist[r];
    const int sector = static_cast<int>((std::atan2(dy, dx) + kPi) * (kSectors / (2 * kPi))) % kSectors;
    sectors[r] |= 1u << sector;
  }
  int best = 0;
  best_support = kMinSupport;
  for (int r = kMinRadius; r <= rmax; ++r) {
    const double support = (hist[r - 1] + hist[r] + hist[r + 1]) / (2.0 * kPi * r);
    const int covered = __builtin_popcount(sectors[r - 1] | sectors[r] | sectors[r + 1]);
    if (covered >= kMinSectors && support >= best_support) best_support = support, best = r;
  }
  return best;
}

struct Peak {
  uint32_t votes;
  int x, y;
};

// The peak of summed votes v at (x, y), moved to the vote-weighted centre of
// its window.
Peak centroid(const std::vector<uint32_t>& acc, int w, int h, int x, int y, uint32_t v) {
  double sx = 0, sy = 0, n = 0;
  for (int yy = std::max(0, y - kSpread); yy <= std::min(h - 1, y + kSpread); ++yy)
    for (int xx = std::max(0, x - kSpread); xx <= std::min(w - 1, x + kSpread); ++xx) {
      const double a = acc[static_cast<size_t>(yy) * w + xx];
      sx += a * xx, sy += a * yy, n += a;
    }
  return {v, static_cast<int>(std::lround(sx / n)), static_cast<int>(std::lround(sy / n))};
}

// The sums of acc over the (2 kSpread + 1)^2 window of each pixel, clipped
// to the plane: running sums along the rows, then down the columns.
std::vector<uint32_t> box_sums(const std::vector<uint32_t>& acc, int w, int h) {
  std::vector<uint32_t> rows(acc.size()), out(acc.size());
  for (int y = 0; y < h; ++y) {
    const uint32_t* a = acc.data() + static_cast<size_t>(y) * w;
    uint32_t* r = rows.data() + static_cast<size_t>(y) * w;
    uint32_t run = 0;
    for (int x = 0; x < w + kSpread; ++x) {
      if (x < w) run += a[x];
      if (x - kSpread >= 0) r[x - kSpread] = run;
      if (x - 2 * kSpread >= 0) run -= a[x - 2 * kSpread];
    }
  }
  std::vector<uint32_t> run(static_cast<size_t>(w), 0);
  for (int y = 0; y < h + kSpread; ++y) {
    for (int x = 0; x < w; ++x) {
      if (y < h) run[x] += rows[static_cast<size_t>(y) * w + x];
      if (y - kSpread >= 0) out[static_cast<size_t>(y - kSpread) * w + x] = run[x];
      if (y - 2 * kSpread >= 0) run[x] -= rows[static_cast<size_t>(y - 2 * kSpread) * w + x];
    }
  }
  return out;
}

void detect_plane(const double* p, int w, int h, double* circles, double* votes) {
  const std::vector<Edge> edges = edges_of(p, w, h);
  const int rmax = std::min(w, h) / 2;
  if (edges.empty() || rmax < kMinRadius) return;
  std::vector<uint32_t> acc(static_cast<size_t>(w) * h, 0);
  for (const Edge& e : edges)
    for (int sign : {-1, 1})
      for (int r = kMinRadius; r <= rmax; ++r) {
        const long cx = std::lround(e.x + sign * r * e.ux), cy = std::lround(e.y + sign * r * e.uy);
        if (cx < 0 || cy < 0 || cx >= w || cy >= h) break;  // farther radii leave the plane too
        ++acc[static_cast<size_t>(cy) * w + cx];
      }
  const std::vector<uint32_t> sum = box_sums(acc, w, h);
  // Candidate centres: local peaks, strongest first (raster order on ties).
  std::vector<Peak> peaks;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t v = sum[static_cast<size_t>(y) * w + x];
      if (v < kMinVotes) continue;
      bool peak = true;
      for (int yy = std::max(0, y - kPeakReach); peak && yy <= std::min(h - 1, y + kPeakReach); ++yy)
        for (int xx = std::max(0, x - kPeakReach); peak && xx <= std::min(w - 1, x + kPeakReach); ++xx) {
          const uint32_t o = sum[static_cast<size_t>(yy) * w + xx];
          peak = o < v || (o == v && (yy > y || (yy == y && xx >= x)));
        }
      if (peak) peaks.push_back(centroid(acc, w, h, x, y, v));
    }
  std::stable_sort(peaks.begin(), peaks.end(), [](const Peak& a, const Peak& b) { return a.votes > b.votes; });
  std::vector<Peak> found;
  for (Peak c : peaks) {
    bool near = false;
    for (const Peak& f : found) near = near || std::hypot(c.x - f.x, c.y - f.y) < kMinRadius;
    if (near) continue;
    // The peak can lie a pixel off the centre: its 3 x 3 neighbours compete.
    int r = 0;
    double support = 0.0;
    const Peak peak = c;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        double s = 0.0;
        const int rr = best_radius(edges, peak.x + dx, peak.y + dy, rmax, s);
        if (rr > 0 && s > support) support = s, r = rr, c.x = peak.x + dx, c.y = peak.y + dy;
      }
    if (r == 0) continue;
    found.push_back(c);
    circle_points(r, -c.x, w - 1 - c.x, -c.y, h - 1 - c.y, [&](int64_t dx, int64_t dy) {
      circles[static_cast<size_t>(c.y + dy) * w + (c.x + dx)] = kWhite;
    });
  }
  for (size_t i = 0; i < acc.size(); ++i) votes[i] = std::max(static_cast<double>(acc[i]), circles[i]);
}

}  // namespace
}  // namespace zel

using namespace zel;

// Every plane on its own; the plane's one-pixel frame has no gradient and
// never votes.
ZEL_API void CircDetectorFun(const CImg<double>& in, CImg<double>& circles, CImg<double>& votes) {
  assign_checked(circles, in.width(), in.height(), in.depth(), in.spectrum());
  assign_checked(votes, in.width(), in.height(), in.depth(), in.spectrum());
  circles.fill(0.0);
  votes.fill(0.0);
  for (int c = 0; c < in.spectrum(); ++c)
    for (int z = 0; z < in.depth(); ++z)
      detect_plane(plane_at(in, z, c), in.width(), in.height(), plane_at(circles, z, c), plane_at(votes, z, c));
}
