// Labelling and blob centroids.
#include <algorithm>
#include <cmath>
#include <vector>

#include "../core/helpers.h"
#include "../core/numeric.h"
#include "../dll.h"
#include "blobs.h"

namespace zel {
namespace {

// Pointers to the planes of slice z, one per channel.
std::vector<const double*> slice_planes(const CImg<double>& img, int z) {
  std::vector<const double*> planes(img.spectrum());
  for (int c = 0; c < img.spectrum(); ++c) planes[c] = img.data(0, 0, z, c);
  return planes;
}

// The blobs of slice z: pixels whose every channel is at least `threshold`
// (the channels of a pixel are judged together).
Blobs slice_blobs(const CImg<double>& in, int z, double threshold) {
  const std::vector<const double*> planes = slice_planes(in, z);
  const size_t w = static_cast<size_t>(in.width());
  return find_blobs(in.width(), in.height(), [&](int32_t y, uint64_t* words) {
    for (size_t c = 0; c < planes.size(); ++c)
      mask_at_least(planes[c] + y * w, in.width(), threshold, words, c > 0);
  });
}

// Writes every pixel of a plane: each run's label, 0 between runs. Each row
// is built in a small buffer and streamed out.
void paint_labels(double* plane, int w, int h, const std::vector<Run>& runs) {
  std::vector<double> line(static_cast<size_t>(w), 0.0);
  size_t r = 0;
  for (int y = 0; y < h; ++y) {
    const size_t first = r;
    for (; r < runs.size() && runs[r].y == y; ++r)
      std::fill(line.begin() + runs[r].x0, line.begin() + runs[r].x1 + 1, static_cast<double>(runs[r].label));
    stream_copy(plane + static_cast<size_t>(y) * w, line.data(), line.size());
    for (size_t i = first; i < r; ++i) std::fill(line.begin() + runs[i].x0, line.begin() + runs[i].x1 + 1, 0.0);
  }
  stream_fence();
}

// 255 at the rounded centroid of every blob, in every channel. The blobs are
// exactly those of LabellerFun (white pixels, at least 255, eight neighbours
// joined), so that a grey background never forms one blob with the objects.
// Blobs are counted in 32 bits, so there is no label cap.
void mark_centroids(const CImg<double>& in, CImg<double>& out) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum(), 0.0);
  for (int z = 0; z < in.depth(); ++z) {
    const Blobs blobs = slice_blobs(in, z, kWhite);
    std::vector<double> sx(blobs.count + 1, 0.0), sy(blobs.count + 1, 0.0), n(blobs.count + 1, 0.0);
    for (const Run& r : blobs.runs) {
      const double len = static_cast<double>(r.x1) - r.x0 + 1.0;
      n[r.label] += len;
      sx[r.label] += (static_cast<double>(r.x0) + r.x1) * len / 2.0;
      sy[r.label] += static_cast<double>(r.y) * len;
    }
    for (int32_t b = 1; b <= blobs.count; ++b) {
      const long x = static_cast<long>(std::floor(sx[b] / n[b] + 0.5));
      const long y = static_cast<long>(std::floor(sy[b] / n[b] + 0.5));
      for (int c = 0; c < out.spectrum(); ++c) out(x, y, z, c) = 255.0;
    }
  }
}

}  // namespace
}  // namespace zel

using namespace zel;

ZEL_API void LabellerFun(const CImg<double>& in, CImg<double>& out) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  for (int z = 0; z < in.depth(); ++z) {
    const Blobs blobs = slice_blobs(in, z, kWhite);
    for (int c = 0; c < out.spectrum(); ++c) paint_labels(out.data(0, 0, z, c), in.width(), in.height(), blobs.runs);
  }
}

ZEL_API void CentroidFun(const CImg<double>& in, CImg<double>& out) { mark_centroids(in, out); }

ZEL_API void Centroid16Fun(const CImg<double>& in, CImg<double>& out) { mark_centroids(in, out); }
