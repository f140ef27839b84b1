// Medial axis: the morphological skeleton of the white object with the
// cross (4-connected) structuring element, computed in linear time.
//
// With d(p) the city-block distance from an object pixel p to the nearest
// background pixel (pixels outside the image count as background, as they do
// for the 4-connected erosion), k erosions leave exactly the pixels with
// d > k. The skeleton adds, for every k, the pixels of the k-th erosion that
// its opening (one more erosion, then one dilation) removes: p is removed at
// step k when no pixel of its cross has d > k + 1. Only k = d(p) - 1 can
// remove p (for smaller k, p itself survives the next erosion), so p is on
// the skeleton exactly when no 4-neighbour lies farther from the background:
// d(p) >= d(q) for each 4-neighbour q. One distance map and one 3x3 test
// replace the repeated whole-image erosions.
#include <cstdint>
#include <vector>

#include "../core/helpers.h"
#include "../dll.h"
#include "distance.h"

namespace zel {

namespace {

template <class T>
void skeleton_plane(const double* src, double* dst, size_t w, size_t h, std::vector<T>& buf) {
  city_block_distance(src, w, h, true, buf);
  const size_t pw = w + 2;
  for (size_t y = 0; y < h; ++y) {
    const T* d = buf.data() + (y + 1) * pw + 1;
    double* o = dst + y * w;
    for (size_t x = 0; x < w; ++x) {
      const T v = d[x];
      const bool top = v > 0 && v >= d[x - 1] && v >= d[x + 1] && v >= d[x - pw] && v >= d[x + pw];
      o[x] = top ? 255.0 : 0.0;
    }
  }
}

}  // namespace
}  // namespace zel

using namespace zel;

ZEL_API void MedialAxisFun(const CImg<double>& in, CImg<double>& out) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  const bool narrow = distance_fits_int32(w, h);
  std::vector<int32_t> b32;
  std::vector<int64_t> b64;
  for (int c = 0; c < in.spectrum(); ++c)
    for (int z = 0; z < in.depth(); ++z) {
      if (narrow) skeleton_plane(plane_at(in, z, c), plane_at(out, z, c), w, h, b32);
      else skeleton_plane(plane_at(in, z, c), plane_at(out, z, c), w, h, b64);
    }
}
