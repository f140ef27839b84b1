// Private helpers of the blob and shape operations: the white and background
// components of one slice, and writing per-run values back into an image.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "../core/helpers.h"
#include "../core/numeric.h"
#include "blobs.h"

namespace zel {

// Fills the mask of row y of slice z: white pixels (every channel at least
// kWhite; NaN never is), or with `invert` every pixel that is not white
// (bits beyond the width stay clear).
inline void white_row(const CImg<double>& in, int z, int32_t y, uint64_t* words, bool invert) {
  const size_t w = static_cast<size_t>(in.width());
  for (int c = 0; c < in.spectrum(); ++c)
    mask_at_least(plane_at(in, z, c) + static_cast<size_t>(y) * w, in.width(), kWhite, words, c > 0);
  if (!invert) return;
  const size_t n = mask_words(in.width());
  for (size_t k = 0; k < n; ++k) words[k] = ~words[k];
  if (w % 64) words[n - 1] &= (uint64_t(1) << (w % 64)) - 1;
}

// The white blobs of slice z, eight neighbours joined: the blobs that
// LabellerFun numbers.
inline Blobs white_blobs(const CImg<double>& in, int z) {
  return find_blobs(in.width(), in.height(), [&](int32_t y, uint64_t* words) { white_row(in, z, y, words, false); });
}

// The background of slice z (pixels that are not white) in components of
// four neighbours, the complement of the blobs' eight. Entry `label` of
// `outer` is 1 when that component touches the image border; the others are
// the holes of the blobs.
inline Blobs background_blobs(const CImg<double>& in, int z, std::vector<char>& outer) {
  Blobs bg = find_blobs(
      in.width(), in.height(), [&](int32_t y, uint64_t* words) { white_row(in, z, y, words, true); },
      Connectivity::Four);
  outer.assign(static_cast<size_t>(bg.count) + 1, 0);
  const int32_t last_x = in.width() - 1, last_y = in.height() - 1;
  for (const Run& r : bg.runs)
    if (r.y == 0 || r.y == last_y || r.x0 == 0 || r.x1 == last_x) outer[r.label] = 1;
  return bg;
}

// Writes slice z of every channel of out: `base` everywhere except the runs,
// which take value[run.label]. Each row is built once in a small buffer and
// streamed to every channel.
inline void paint_slice(CImg<double>& out, int z, const std::vector<Run>& runs, const std::vector<double>& value,
                        double base) {
  const size_t w = static_cast<size_t>(out.width());
  std::vector<double> line(w, base);
  size_t r = 0;
  for (int32_t y = 0; y < out.height(); ++y) {
    const size_t first = r;
    for (; r < runs.size() && runs[r].y == y; ++r)
      std::fill(line.begin() + runs[r].x0, line.begin() + runs[r].x1 + 1, value[runs[r].label]);
    for (int c = 0; c < out.spectrum(); ++c)
      stream_copy(plane_at(out, z, c) + static_cast<size_t>(y) * w, line.data(), w);
    for (size_t i = first; i < r; ++i) std::fill(line.begin() + runs[i].x0, line.begin() + runs[i].x1 + 1, base);
  }
  stream_fence();
}

}  // namespace zel
