// Circle Hough transform and its inverse.
//
// Both use one rasterised circle (core/circle.h). The transform precomputes
// its offsets once per radius, so its cost is edge pixels x radii x
// circumference; the inverse sweeps only the rows and
// columns of the image, so a huge radius costs no more than the image's sides.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

#include "../core/circle.h"
#include "../core/helpers.h"
#include "../dll.h"

namespace zel {
namespace {

// A pixel votes when it is non-zero (NaN does not).
inline bool votes(double v) { return v > 0.0 || v < 0.0; }

// Slice o of the accumulator for radius r: the votes of the voters (vx, vy)
// counted into acc (w x h counters), divided by r.
template <class Count>
void vote_radius(int r, const std::vector<int>& vx, const std::vector<int>& vy, size_t w, size_t h,
                 std::vector<Count>& acc, double* o) {
  const std::vector<std::pair<int, int>> pts = circle_offsets(r);
  std::vector<ptrdiff_t> step;
  for (const auto& [dy, dx] : pts) step.push_back(static_cast<ptrdiff_t>(dy) * static_cast<ptrdiff_t>(w) + dx);
  std::fill(acc.begin(), acc.end(), Count{0});
  const int64_t W = static_cast<int64_t>(w), H = static_cast<int64_t>(h);
  for (size_t v = 0; v < vx.size(); ++v) {
    const int64_t x = vx[v], y = vy[v];
    Count* centre = acc.data() + static_cast<size_t>(y) * w + static_cast<size_t>(x);
    if (x >= r && y >= r && x + r < W && y + r < H) {
      for (ptrdiff_t s : step) ++centre[s];
    } else {
      for (const auto& [dy, dx] : pts)
        if (x + dx >= 0 && x + dx < W && y + dy >= 0 && y + dy < H)
          ++acc[static_cast<size_t>(y + dy) * w + static_cast<size_t>(x + dx)];
    }
  }
  const double per = 1.0 / static_cast<double>(r);
  for (size_t i = 0; i < acc.size(); ++i) o[i] = static_cast<double>(acc[i]) * per;
}

}  // namespace
}  // namespace zel

using namespace zel;

// Slice k: the votes for radius rmin + k * rstep of the non-zero pixels of
// channel 0 of slice 0, divided by the radius. A largest radius not beyond the
// smallest (in the step's direction) gives an empty accumulator; a step of 0,
// a negative slice count or a radius below 1 throws std::invalid_argument.
ZEL_API void CircHoughFun(const CImg<double>& in, CImg<double>& out, int rmin, int rmax, int rstep) {
  if (&in == &out) {  // the accumulator replaces its own input: read from a copy
    const CImg<double> copy(in);
    CircHoughFun(copy, out, rmin, rmax, rstep);
    return;
  }
  if (rstep == 0) throw std::invalid_argument("the radius step must not be 0");
  // Radii up to rmax exclusive; a positive step with rmax <= rmin gives none.
  const int64_t slices = rstep > 0 && rmax <= rmin ? 0 : (static_cast<int64_t>(rmax) - rmin) / rstep;
  if (slices < 0)
    throw std::invalid_argument("radii " + std::to_string(rmin) + " to " + std::to_string(rmax) + " by step " +
                                std::to_string(rstep) + " give a negative slice count");
  const int64_t last = rmin + (slices - 1) * rstep;
  if (slices > 0 && std::min<int64_t>(rmin, last) < 1) throw std::invalid_argument("every radius must be at least 1");
  if (in.is_empty() || slices == 0) {
    out.assign();
    return;
  }
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height()), n = w * h;
  if (n > UINT32_MAX) throw std::invalid_argument("image too large for the circle Hough accumulator");
  assign_checked(out, in.width(), in.height(), slices, 1);
  std::vector<int> vx, vy;
  const double* plane = plane_at(in, 0, 0);
  for (size_t y = 0; y < h; ++y)
    for (size_t x = 0; x < w; ++x)
      if (votes(plane[y * w + x])) {
        vx.push_back(static_cast<int>(x));
        vy.push_back(static_cast<int>(y));
      }
  const double diagonal = std::hypot(static_cast<double>(w), static_cast<double>(h));
  // A cell gets at most one vote per voter: 16-bit counters where they
  // suffice halve the accumulator, which keeps the rows a circle sweeps in cache.
  std::vector<uint16_t> acc16(vx.size() <= UINT16_MAX ? n : 0);
  std::vector<uint32_t> acc32(vx.size() <= UINT16_MAX ? 0 : n);
  for (int64_t k = 0; k < slices; ++k) {
    const int64_t r = rmin + k * rstep;
    double* o = plane_at(out, static_cast<int>(k), 0);
    if (static_cast<double>(r) > diagonal + 1.0) {  // every point of every circle lies outside
      std::fill_n(o, n, 0.0);
      continue;
    }
    if (acc16.empty())
      vote_radius(static_cast<int>(r), vx, vy, w, h, acc32, o);
    else
      vote_radius(static_cast<int>(r), vx, vy, w, h, acc16, o);
  }
}

// A white (255) circle in all three channels for every non-zero cell (x, y, z)
// of channel 0, of radius r0 + z * step centred at (x, y); a negative radius
// draws nothing. Each circle is clipped to the image before it is swept.
ZEL_API void InvCircHoughFun(const CImg<double>& acc, CImg<double>& out, int r0, int unused, int step) {
  if (&acc == &out) {  // the drawing replaces its own accumulator: read from a copy
    const CImg<double> copy(acc);
    InvCircHoughFun(copy, out, r0, unused, step);
    return;
  }
  if (acc.is_empty()) {
    out.assign();
    return;
  }
  out.assign(acc.width(), acc.height(), 1, 3, 0.0);
  const int64_t w = acc.width(), h = acc.height();
  double* o = out.data();
  for (int z = 0; z < acc.depth(); ++z) {
    const int64_t r = r0 + static_cast<int64_t>(z) * step;
    if (r < 0) continue;
    const double* plane = plane_at(acc, z, 0);
    for (int64_t cy = 0; cy < h; ++cy)
      for (int64_t cx = 0; cx < w; ++cx) {
        if (!votes(plane[cy * w + cx])) continue;
        // Beyond the farthest corner (plus the rounding of one pixel) the circle misses the image.
        const double far = std::hypot(static_cast<double>(std::max(cx, w - 1 - cx)),
                                      static_cast<double>(std::max(cy, h - 1 - cy)));
        if (static_cast<double>(r) > far + 1.0) continue;
        circle_points(r, -cx, w - 1 - cx, -cy, h - 1 - cy,
                      [&](int64_t dx, int64_t dy) { o[(cy + dy) * w + cx + dx] = 255.0; });
      }
  }
  std::copy_n(o, w * h, o + w * h);
  std::copy_n(o, w * h, o + 2 * w * h);
}
