// Blob operations: counting, the largest and smallest blob, ranking by
// area, filling holes, holes and bays, and bounding boxes. The blob
// operations work slice by slice on the white pixels (every channel at
// least 255), eight neighbours joined as LabellerFun joins them, and write
// their result into every channel; the boxes look at pixels above 0 and
// below 255 instead.
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "../core/helpers.h"
#include "../core/numeric.h"
#include "../dll.h"
#include "blob_tools.h"

namespace zel {
namespace {

// Pixel count of every blob, indexed by label.
std::vector<int64_t> blob_areas(const Blobs& blobs) {
  std::vector<int64_t> area(static_cast<size_t>(blobs.count) + 1, 0);
  for (const Run& r : blobs.runs) area[r.label] += static_cast<int64_t>(r.x1) - r.x0 + 1;
  return area;
}

// Keeps, per slice, the one blob of largest (or smallest) area in 255; on
// equal areas the blob met first in raster order (the lower label) wins.
void keep_one_blob(const CImg<double>& in, CImg<double>& out, bool largest) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  for (int z = 0; z < in.depth(); ++z) {
    const Blobs blobs = white_blobs(in, z);
    const std::vector<int64_t> area = blob_areas(blobs);
    int32_t pick = 0;
    for (int32_t b = 1; b <= blobs.count; ++b)
      if (pick == 0 || (largest ? area[b] > area[pick] : area[b] < area[pick])) pick = b;
    std::vector<double> value(area.size(), 0.0);
    if (pick) value[pick] = 255.0;
    paint_slice(out, z, blobs.runs, value, 0.0);
  }
}

// Slice by slice: with `fill`, the white pixels and the holes in 255, the
// rest 0; without, the holes alone. A hole is a background component (four
// neighbours joined) that does not touch the image border.
void fill_or_isolate_holes(const CImg<double>& in, CImg<double>& out, bool fill) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  std::vector<char> outer;
  for (int z = 0; z < in.depth(); ++z) {
    const Blobs bg = background_blobs(in, z, outer);
    std::vector<double> value(outer.size());
    for (size_t b = 1; b < outer.size(); ++b) value[b] = outer[b] ? 0.0 : 255.0;
    // Filled: everything is 255 but the outer background. Holes: only the inner background is 255.
    paint_slice(out, z, bg.runs, value, fill ? 255.0 : 0.0);
  }
}

// The smallest box (inclusive columns and rows) around the pixels of slice z
// for which some channel's sample passes `test`; empty when there are none.
struct Box {
  long long x0, y0, x1, y1;
  bool empty() const { return x0 > x1; }
};

template <class Test>
Box box_of(const CImg<double>& in, int z, Test test) {
  const long long w = in.width(), h = in.height();
  Box box{w, h, -1, -1};
  for (int c = 0; c < in.spectrum(); ++c) {
    const double* plane = plane_at(in, z, c);
    for (long long y = 0; y < h; ++y) {
      const double* row = plane + y * w;
      long long x = 0;
      while (x < w && !test(row[x])) ++x;
      if (x == w) continue;
      long long last = w - 1;
      while (!test(row[last])) --last;
      box.x0 = std::min(box.x0, x);
      box.x1 = std::max(box.x1, last);
      box.y0 = std::min(box.y0, y);
      box.y1 = std::max(box.y1, y);
    }
  }
  return box;
}

// Slice by slice: the box around the pixels above 0 grown by one pixel, in
// 255, when it fits inside the image; otherwise the box around the pixels
// below 255 grown by one pixel, in 0 (drawn clipped where it reaches
// outside; nothing when every pixel is white). `draw` is DrawBoxFun with
// thickness 1 or FillBoxFun.
template <class Draw>
void box_per_slice(const CImg<double>& in, CImg<double>& out, Draw draw) {
  auto draw_slice = [&](const CImg<double>& slice, CImg<double>& result) {
    const long long w = slice.width(), h = slice.height();
    Box box = box_of(slice, 0, [](double v) { return v > 0.0; });
    double level = 255.0;
    if (box.empty() || box.x0 < 1 || box.y0 < 1 || box.x1 > w - 2 || box.y1 > h - 2) {
      box = box_of(slice, 0, [](double v) { return v < 255.0; });
      level = 0.0;
    }
    if (box.empty()) {
      result.assign(slice);
      return;
    }
    // Grown corners lie in -1..w and -1..h, within the int range.
    draw(slice, result, CoOrdinate(static_cast<int>(box.x0 - 1), static_cast<int>(box.y0 - 1)),
         CoOrdinate(static_cast<int>(box.x1 + 1), static_cast<int>(box.y1 + 1)), RGBTriplet(level, level, level));
  };
  if (in.depth() <= 1) {
    draw_slice(in, out);
    return;
  }
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  CImg<double> slice, result;
  for (int z = 0; z < in.depth(); ++z) {
    slice.assign(in.width(), in.height(), 1, in.spectrum());
    for (int c = 0; c < in.spectrum(); ++c)
      std::copy(plane_at(in, z, c), plane_at(in, z, c) + plane_size(in), plane_at(slice, 0, c));
    draw_slice(slice, result);
    for (int c = 0; c < in.spectrum(); ++c)
      std::copy(plane_at(result, 0, c), plane_at(result, 0, c) + plane_size(in), plane_at(out, z, c));
  }
}

}  // namespace
}  // namespace zel

using namespace zel;

// LabellerFun numbers every slice from 1, so its highest label is the
// largest blob count of any one slice. Counting needs no label image.
ZEL_API int CountWhiteBlobsFun(const CImg<double>& in) {
  int32_t most = 0;
  for (int z = 0; z < in.depth(); ++z) most = std::max(most, white_blobs(in, z).count);
  return most;
}

ZEL_API void BiggestBlobFun(const CImg<double>& in, CImg<double>& out) { keep_one_blob(in, out, true); }

ZEL_API void SmallestBlobFun(const CImg<double>& in, CImg<double>& out) { keep_one_blob(in, out, false); }

ZEL_API void LabelByAreaFun(const CImg<double>& in, CImg<double>& out) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  for (int z = 0; z < in.depth(); ++z) {
    const Blobs blobs = white_blobs(in, z);
    const std::vector<int64_t> area = blob_areas(blobs);
    // Counting sort by area, labels visited in ascending order: ascending
    // area, the lower label first on a tie. Linear, as no area exceeds the
    // slice's pixel count.
    const int64_t largest = area.size() > 1 ? *std::max_element(area.begin() + 1, area.end()) : 0;
    std::vector<int32_t> before(static_cast<size_t>(largest) + 2, 0);  // blobs of smaller area
    for (int32_t b = 1; b <= blobs.count; ++b) ++before[area[b] + 1];
    for (size_t a = 1; a < before.size(); ++a) before[a] += before[a - 1];
    std::vector<double> rank(area.size(), 0.0);
    for (int32_t b = 1; b <= blobs.count; ++b) rank[b] = ++before[area[b]];
    paint_slice(out, z, blobs.runs, rank, 0.0);
  }
}

ZEL_API void BlobFillFun(const CImg<double>& in, CImg<double>& out) { fill_or_isolate_holes(in, out, true); }

// The holes are exactly the filled pixels that are not white, so they are
// painted directly instead of filling and then comparing with in.
ZEL_API void IsolateHolesFun(const CImg<double>& in, CImg<double>& out) { fill_or_isolate_holes(in, out, false); }

// Bays are the background inside the convex hull that is open to the
// outside of the blobs: the filled blobs with their hull outline drawn over
// them enclose exactly those regions, which then come out as holes. The
// one-pixel frame of 0 that this is defined within is left out: a hole is
// already a background component that does not touch the image border, so
// the frame (which only extends that border background) changes no pixel.
ZEL_API void IsolateBaysFun(const CImg<double>& in, CImg<double>& out) {
  CImg<double> filled, hull;
  BlobFillFun(in, filled);
  ConvexHullFun(filled, hull);
  double* hp = hull.data();
  const double* fp = filled.data();
  for (size_t i = 0, n = hull.size(); i < n; ++i) hp[i] = smax(hp[i], fp[i]);
  IsolateHolesFun(hull, out);
}

ZEL_API void BoundingBoxFun(const CImg<double>& in, CImg<double>& out) {
  box_per_slice(in, out, [](const CImg<double>& s, CImg<double>& r, CoOrdinate a, CoOrdinate b, RGBTriplet k) {
    DrawBoxFun(s, r, a, b, k, 1);
  });
}

ZEL_API void FillBoundingBoxFun(const CImg<double>& in, CImg<double>& out) {
  box_per_slice(in, out, [](const CImg<double>& s, CImg<double>& r, CoOrdinate a, CoOrdinate b, RGBTriplet k) {
    FillBoxFun(s, r, a, b, k);
  });
}
