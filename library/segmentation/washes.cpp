// Washes, integrations and row sums: one pass over each plane, row by row,
// every slice and channel on its own.
#include <cstddef>
#include <vector>

#include "../core/helpers.h"
#include "../dll.h"

namespace {

// Sizes out like in and calls f(src, dst, w, h) for every plane.
template <class F>
void per_plane(const CImg<double>& in, CImg<double>& out, F f) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  zel::for_each_plane_pair(in, out, [&](const double* s, double* d) { f(s, d, w, h); });
}

// A wash starts at the first white sample it meets; white means at least 255.
inline bool white(double v) { return v >= 255.0; }

// Vertical wash: rows are visited from the starting edge, and each column
// remembers (in `state`, 0 or 255) whether it has met a white sample, so the
// loops stay contiguous along rows.
void wash_columns(const CImg<double>& in, CImg<double>& out, bool from_bottom) {
  std::vector<double> state;
  per_plane(in, out, [&](const double* s, double* d, size_t w, size_t h) {
    state.assign(w, 0.0);
    for (size_t k = 0; k < h; ++k) {
      const size_t y = from_bottom ? h - 1 - k : k;
      const double* sr = s + y * w;
      double* dr = d + y * w;
      for (size_t x = 0; x < w; ++x) {
        state[x] = white(sr[x]) ? 255.0 : state[x];
        dr[x] = state[x];
      }
    }
  });
}

// Horizontal wash: the first white sample from the starting side splits each
// row into 0s before it and 255s from it on.
void wash_rows(const CImg<double>& in, CImg<double>& out, bool from_left) {
  per_plane(in, out, [&](const double* s, double* d, size_t w, size_t h) {
    for (size_t y = 0; y < h; ++y) {
      const double* sr = s + y * w;
      double* dr = d + y * w;
      if (from_left) {
        size_t first = 0;
        while (first < w && !white(sr[first])) ++first;
        for (size_t x = 0; x < w; ++x) dr[x] = x < first ? 0.0 : 255.0;
      } else {
        size_t end = w;  // one past the last white sample, 0 when there is none
        while (end > 0 && !white(sr[end - 1])) --end;
        for (size_t x = 0; x < w; ++x) dr[x] = x < end ? 255.0 : 0.0;
      }
    }
  });
}

}  // namespace

ZEL_API void IntegrateColsFun(const CImg<double>& in, CImg<double>& out) {
  per_plane(in, out, [](const double* s, double* d, size_t w, size_t h) {
    const double height = static_cast<double>(h);
    for (size_t x = 0; x < w; ++x) d[x] = s[x] / height;
    for (size_t y = 1; y < h; ++y) {
      const double* sr = s + y * w;
      const double* above = d + (y - 1) * w;
      double* dr = d + y * w;
      for (size_t x = 0; x < w; ++x) dr[x] = above[x] + sr[x] / height;
    }
  });
}

ZEL_API void IntegrateRowsFun(const CImg<double>& in, CImg<double>& out) {
  per_plane(in, out, [](const double* s, double* d, size_t w, size_t h) {
    const double width = static_cast<double>(w);
    for (size_t y = 0; y < h; ++y) {
      const double* sr = s + y * w;
      double* dr = d + y * w;
      double sum = 0.0;
      for (size_t x = 0; x < w; ++x) dr[x] = sum += sr[x] / width;
    }
  });
}

ZEL_API void L2RSumFun(const CImg<double>& in, CImg<double>& out) {
  per_plane(in, out, [](const double* s, double* d, size_t w, size_t h) {
    for (size_t y = 0; y < h; ++y) {
      const double* sr = s + y * w;
      double* dr = d + y * w;
      double sum = 0.0;
      for (size_t x = 0; x < w; ++x) sum += sr[x];
      for (size_t x = 0; x + 1 < w; ++x) dr[x] = 0.0;
      dr[w - 1] = sum;
    }
  });
}

ZEL_API void B2TWashFun(const CImg<double>& in, CImg<double>& out) { wash_columns(in, out, true); }
ZEL_API void T2BWashFun(const CImg<double>& in, CImg<double>& out) { wash_columns(in, out, false); }
ZEL_API void L2RWashFun(const CImg<double>& in, CImg<double>& out) { wash_rows(in, out, true); }
ZEL_API void R2LWashFun(const CImg<double>& in, CImg<double>& out) { wash_rows(in, out, false); }
