// The rasterised circle shared by the circle Hough transforms and the
// circle detector: for every row offset dy in -r..r the columns
// +-round(sqrt(r^2 - dy^2)), and for every column offset dx the rows
// +-round(sqrt(r^2 - dx^2)); the union of the two sweeps is an 8-connected ring.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace zel {

inline int64_t half_chord(double r2, int64_t t) {
  return static_cast<int64_t>(std::floor(std::sqrt(r2 - static_cast<double>(t) * static_cast<double>(t)) + 0.5));
}

// Calls plot(dx, dy) for the points of the circle of radius r (r >= 0) with
// xlo <= dx <= xhi and ylo <= dy <= yhi; a point may come twice.
template <class F>
void circle_points(int64_t r, int64_t xlo, int64_t xhi, int64_t ylo, int64_t yhi, F plot) {
  const double r2 = static_cast<double>(r) * static_cast<double>(r);
  const auto inside = [](int64_t v, int64_t lo, int64_t hi) { return v >= lo && v <= hi; };
  for (int64_t dy = std::max(-r, ylo); dy <= std::min(r, yhi); ++dy) {
    const int64_t dx = half_chord(r2, dy);
    if (inside(-dx, xlo, xhi)) plot(-dx, dy);
    if (dx != 0 && inside(dx, xlo, xhi)) plot(dx, dy);
  }
  for (int64_t dx = std::max(-r, xlo); dx <= std::min(r, xhi); ++dx) {
    const int64_t dy = half_chord(r2, dx);
    if (inside(-dy, ylo, yhi)) plot(dx, -dy);
    if (dy != 0 && inside(dy, ylo, yhi)) plot(dx, dy);
  }
}

// The circle's offsets (dy, dx), each once, by rows.
inline std::vector<std::pair<int, int>> circle_offsets(int r) {
  std::vector<std::pair<int, int>> pts;
  circle_points(r, -r, r, -r, r,
                [&](int64_t dx, int64_t dy) { pts.emplace_back(static_cast<int>(dy), static_cast<int>(dx)); });
  std::sort(pts.begin(), pts.end());
  pts.erase(std::unique(pts.begin(), pts.end()), pts.end());
  return pts;
}

}  // namespace zel
