// Ejection fraction of two volumes (for example a heart chamber at the end of
// filling and at the end of ejection): each volume is filtered, clustered,
// and the region around its seed tracked through its slices.
#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "../core/fifo.h"
#include "../core/helpers.h"
#include "../dll.h"

namespace zel {
namespace {

// Grey classes the clustering separates (for example blood, muscle and the
// background).
constexpr int kClusters = 3;

// Voxel count of the region around (x, y) of the middle slice of channel 0:
// the 4-connected pixels of the seed's class in that slice, then, slice by
// slice up and down, the 4-connected pixels of that class reached from the
// pixels that lie under the region of the slice before.
size_t tracked_volume(const CImg<double>& in, int x, int y, const char* which) {
  if (in.is_empty()) throw std::invalid_argument(std::string("the ") + which + " volume is empty");
  if (x < 0 || y < 0 || x >= in.width() || y >= in.height())
    throw std::invalid_argument(std::string("the seed (") + std::to_string(x) + ", " + std::to_string(y) +
                                ") lies outside the " + which + " volume");
  CImg<double> smooth, classes;
  Median3DFun(in, smooth);  // 3 x 3 x 3 median: speckle noise would split the regions
  Cluster3DFun(smooth, classes, kClusters);
  smooth.assign();
  const int w = classes.width(), h = classes.height(), d = classes.depth(), mid = d / 2;
  const size_t n = static_cast<size_t>(w) * h;
  const double cls = classes(x, y, mid, 0);
  std::vector<char> prev(n, 0), cur(n, 0);
  Fifo<size_t> queue;
  size_t total = 0;
  // Floods slice z from the queued pixels; returns the pixels it took.
  const auto flood = [&](int z) {
    const double* p = plane_at(classes, z, 0);
    size_t count = 0;
    flood4(queue, cur, w, h, [&](size_t j) { return p[j] == cls; }, [&](size_t, int, int) { ++count; });
    return count;
  };
  const size_t seed = static_cast<size_t>(y) * w + x;
  if (!(plane_at(classes, mid, 0)[seed] == cls)) return 0;  // a non-finite seed voxel has no class
  cur[seed] = 1;
  queue.push(seed);
  total += flood(mid);
  const std::vector<char> middle = cur;
  for (int dir : {-1, 1}) {
    prev = middle;
    for (int z = mid + dir; z >= 0 && z < d; z += dir) {
      std::fill(cur.begin(), cur.end(), 0);
      const double* p = plane_at(classes, z, 0);
      for (size_t i = 0; i < n; ++i)
        if (prev[i] && p[i] == cls) cur[i] = 1, queue.push(i);
      const size_t got = flood(z);
      if (got == 0) break;
      total += got;
      prev.swap(cur);
    }
  }
  return total;
}

}  // namespace
}  // namespace zel

using namespace zel;

// (V2 - V1) / V2; an empty region in the second volume would make it
// non-finite and is refused instead.
ZEL_API double EjectionFractionFun(const CImg<double>& first, const CImg<double>& second, CoOrdinate seed1,
                                   CoOrdinate seed2) {
  const double v1 = static_cast<double>(tracked_volume(first, seed1.getX(), seed1.getY(), "first"));
  const double v2 = static_cast<double>(tracked_volume(second, seed2.getX(), seed2.getY(), "second"));
  if (v2 == 0.0) throw std::invalid_argument("the region at the seed of the second volume is empty");
  return (v2 - v1) / v2;
}
