// The border rules through the 3x3 window engine on a hand-worked 5 x 4
// image, and the shared running extreme against brute force.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "core/running_extreme.h"
#include "core/window.h"
#include "dll.h"

namespace {

using zel::Border;

// v(x, y) = 10 y + x + 1: rows 1..5, 11..15, 21..25, 31..35. The value is
// linear, so a full 3x3 window sums to 9 v at its centre.
CImg<double> ramp() {
  CImg<double> v(5, 4);
  cimg_forXY(v, x, y) v(x, y) = 10.0 * y + x + 1;
  return v;
}

CImg<double> window_sums(Border border) {
  CImg<double> out;
  zel::filter3x3(ramp(), out, border, [](const double* c, ptrdiff_t s) {
    double sum = 0.0;
    for (ptrdiff_t dy = -1; dy <= 1; ++dy)
      for (ptrdiff_t dx = -1; dx <= 1; ++dx) sum += c[dy * s + dx];
    return sum;
  });
  return out;
}

CImg<double> rows(std::vector<std::vector<double>> r) {
  CImg<double> v(static_cast<int>(r[0].size()), static_cast<int>(r.size()));
  cimg_forXY(v, x, y) v(x, y) = r[y][x];
  return v;
}

TEST(BorderRules, LeaveZeroComputesTheInteriorAndZeroesTheFrame) {
  EXPECT_EQ(window_sums(Border::LeaveZero), rows({{0, 0, 0, 0, 0},  //
                                                  {0, 108, 117, 126, 0},
                                                  {0, 198, 207, 216, 0},
                                                  {0, 0, 0, 0, 0}}));
}

TEST(BorderRules, CopyInputKeepsEveryFramePixelIncludingTheLastColumn) {
  EXPECT_EQ(window_sums(Border::CopyInput), rows({{1, 2, 3, 4, 5},  //
                                                  {11, 108, 117, 126, 15},
                                                  {21, 198, 207, 216, 25},
                                                  {31, 32, 33, 34, 35}}));
}

TEST(BorderRules, ZeroPaddedCountsTheOutsideAsZero) {
  const CImg<double> s = window_sums(Border::ZeroPadded);
  EXPECT_EQ(s(0, 0), 1 + 2 + 11 + 12);
  EXPECT_EQ(s(2, 0), 2 + 3 + 4 + 12 + 13 + 14);
  EXPECT_EQ(s(4, 3), 24 + 25 + 34 + 35);
  EXPECT_EQ(s(4, 1), 4 + 5 + 14 + 15 + 24 + 25);
  EXPECT_EQ(s(2, 2), 207);
}

TEST(BorderRules, RepeatEdgeClampsTheWindowToTheEdgePixel) {
  const CImg<double> s = window_sums(Border::RepeatEdge);
  EXPECT_EQ(s(0, 0), 1 + 1 + 2 + 1 + 1 + 2 + 11 + 11 + 12);
  EXPECT_EQ(s(2, 0), 2 * (2 + 3 + 4) + 12 + 13 + 14);
  EXPECT_EQ(s(4, 3), 24 + 25 + 25 + 2 * (34 + 35 + 35));
  EXPECT_EQ(s(4, 1), 4 + 5 + 5 + 14 + 15 + 15 + 24 + 25 + 25);
  EXPECT_EQ(s(2, 2), 207);
}

// A one-row or one-column plane has no interior: all frame.
TEST(BorderRules, PlanesWithoutInteriorAreAllFrame) {
  CImg<double> thin(2, 4, 1, 1, 7.0), out;
  const auto sum = [](const double* c, ptrdiff_t) { return c[0]; };
  zel::filter3x3(thin, out, Border::CopyInput, sum);
  EXPECT_EQ(out, thin);
  zel::filter3x3(thin, out, Border::LeaveZero, sum);
  EXPECT_EQ(out.max(), 0.0);
  EXPECT_EQ(out.min(), 0.0);
}

// The engine refuses a rule it does not serve instead of computing another.
TEST(BorderRules, AnEngineRefusesARuleItDoesNotServe) {
  EXPECT_THROW(zel::require_border(Border::RepeatEdge, {Border::LeaveZero, Border::ZeroPadded}, "test"),
               std::invalid_argument);
  EXPECT_NO_THROW(zel::require_border(Border::ZeroPadded, {Border::LeaveZero, Border::ZeroPadded}, "test"));
}

// The running maximum down the columns, with rows given in place and filled
// into the engine's slots, against brute force; NaN samples are passed over.
TEST(RunningExtreme, DownTheColumnsMatchesBruteForceForEveryWindowHeight) {
  const size_t w = 7, h = 17;
  std::vector<double> plane(w * h);
  unsigned seed = 11;
  for (double& v : plane) v = static_cast<double>((seed = seed * 1103515245u + 12345u) >> 16 & 255);
  plane[3 * w + 2] = plane[4 * w + 2] = std::nan("");
  std::vector<double> buf;
  for (size_t k = 1; k <= h; ++k) {
    const size_t ny = h - k + 1;
    for (bool in_slot : {false, true}) {
      std::vector<double> got(ny * w, -1.0);
      const auto row = [&](size_t j, double* slot) -> const double* {
        if (!in_slot) return plane.data() + j * w;
        for (size_t x = 0; x < w; ++x) slot[x] = zel::RunMax::pick(zel::RunMax::ident, plane[j * w + x]);
        return slot;
      };
      zel::running_extreme_down<zel::RunMax>(w, ny, k, row, buf, [&](size_t u, const double* s, const double* p) {
        for (size_t x = 0; x < w; ++x) got[u * w + x] = p ? zel::RunMax::pick(s[x], p[x]) : s[x];
      });
      for (size_t u = 0; u < ny; ++u)
        for (size_t x = 0; x < w; ++x) {
          double m = -std::numeric_limits<double>::infinity();
          for (size_t j = u; j < u + k; ++j)
            if (plane[j * w + x] > m) m = plane[j * w + x];
          ASSERT_EQ(got[u * w + x], m) << "k " << k << " window " << u << " x " << x << " slot " << in_slot;
        }
    }
  }
}

}  // namespace
