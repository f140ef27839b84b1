// Connected-component analysis of one plane, shared by every blob operation.
//
// Object pixels are joined to their eight neighbours (pixels that touch only
// at a corner belong to one blob); the background, where an operation needs
// it (holes, bays), uses the complementary four-neighbourhood. Each row is
// turned into a bit mask, the masks into runs of object pixels, runs of
// adjacent rows are merged with union-find, and every run receives its
// blob's label: linear in the number of pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "../core/runs.h"

namespace zel {

enum class Connectivity { Four, Eight };

struct Blobs {
  std::vector<Run> runs;  // in raster order
  int32_t count = 0;
};

namespace detail {
// Merges the runs of a row (from index cur) with those of the row above
// (from prev to cur).
void join_rows(std::vector<Run>& runs, std::vector<int32_t>& parent, size_t prev, size_t cur,
               Connectivity conn);
void assign_labels(Blobs& blobs, std::vector<int32_t>& parent);
}  // namespace detail

// Finds the blobs of a plane of w x h pixels. mask_row(y, words) fills the
// mask of row y (bits beyond w clear).
template <class MaskRow>
Blobs find_blobs(int w, int h, MaskRow mask_row, Connectivity conn = Connectivity::Eight) {
  Blobs blobs;
  std::vector<int32_t> parent;
  std::vector<uint64_t> words(mask_words(w));
  size_t prev = 0;
  for (int32_t y = 0; y < h; ++y) {
    const size_t cur = blobs.runs.size();
    mask_row(y, words.data());
    runs_of_row(words.data(), w, y, blobs.runs);
    for (size_t i = parent.size(); i < blobs.runs.size(); ++i) parent.push_back(static_cast<int32_t>(i));
    detail::join_rows(blobs.runs, parent, prev, cur, conn);
    prev = cur;
  }
  detail::assign_labels(blobs, parent);
  return blobs;
}

}  // namespace zel
