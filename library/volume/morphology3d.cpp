// Grey morphology of a volume (the 3x3x3 block or the voxel and its six face
// neighbours; voxels beyond the volume take no part), the compositions built
// on it, the projections along the slice axis, the linear stretch, the
// window and the 3x3x3 median. Channels are volumes of their own.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>
#include <vector>

#include "../core/helpers.h"
#include "../core/numeric.h"
#include "../core/parallel.h"
#include "../dll.h"
#include "block3.h"

namespace zel {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// The extreme of each voxel and its six face neighbours inside the volume:
// the row itself, then the four rows around it, then the shifts along x.
template <class Combine>
void cross6(const CImg<double>& in, CImg<double>& out, Combine combine) {
  if (fill_aside(in, out, [&](CImg<double>& o) { cross6(in, o, combine); })) return;
  assign_checked(out, in.width(), in.height(), in.depth(), in.spectrum());
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  const size_t d = static_cast<size_t>(in.depth());
  // Rows of every slice and channel, split over the threads.
  parallel_for(h * d * static_cast<size_t>(in.spectrum()), 7 * in.size(), [&](size_t i) {
    const size_t y = i % h;
    const int z = static_cast<int>(i / h % d), c = static_cast<int>(i / h / d);
    const double* m = plane_at(in, z, c) + y * w;
    double* __restrict o = plane_at(out, z, c) + y * w;
    const double* around[4] = {y > 0 ? m - w : nullptr, y + 1 < h ? m + w : nullptr,
                               z > 0 ? plane_at(in, z - 1, c) + y * w : nullptr,
                               z + 1 < in.depth() ? plane_at(in, z + 1, c) + y * w : nullptr};
    std::copy(m, m + w, o);
    for (const double* r : around)
      if (r)
        for (size_t x = 0; x < w; ++x) o[x] = combine(o[x], r[x]);
    for (size_t x = 1; x < w; ++x) o[x] = combine(o[x], m[x - 1]);
    for (size_t x = 0; x + 1 < w; ++x) o[x] = combine(o[x], m[x + 1]);
  });
}

// The extreme of the 3x3x3 block of each voxel, the block cut by the volume:
// for a maximum or minimum, repeating the edge voxel beyond it is the same
// as leaving the outside out.
template <class Combine>
void block27(const CImg<double>& in, CImg<double>& out, Combine combine) {
  if (fill_aside(in, out, [&](CImg<double>& o) { block27(in, o, combine); })) return;
  assign_checked(out, in.width(), in.height(), in.depth(), in.spectrum());
  const size_t w = static_cast<size_t>(in.width());
  block3::reduce(in, Border::RepeatEdge, Border::RepeatEdge, combine, [&](int c, int z, size_t y, const double* red) {
    stream_copy(plane_at(out, z, c) + y * w, red, w);
  });
  stream_fence();
}

// The smallest and largest value of an image, NaN passed over; {0, 0} when
// it holds no number.
std::pair<double, double> value_range(const CImg<double>& img) {
  double lo = kInf, hi = -kInf;
  for (const double v : img) lo = kSmaller(lo, v), hi = kLarger(hi, v);
  if (!(lo <= hi)) return {0.0, 0.0};
  return {lo, hi};
}

// Stretches img in place from its own smallest..largest to 0..top; a constant
// image (nothing to stretch) becomes 0 everywhere.
void stretch(CImg<double>& img, double top, bool round) {
  const auto [lo, hi] = value_range(img);
  const double scale = hi > lo ? top / (hi - lo) : 0.0;
  for (double& v : img) {
    const double s = hi > lo ? (v - lo) * scale : 0.0;
    v = round ? std::floor(s + 0.5) : s;
  }
}

// The projection of each column of voxels along the slice axis: fold(acc,
// v) over the slices from first, then finish(acc, depth).
template <class Fold, class Finish>
void project(const CImg<double>& in, CImg<double>& out, double first, Fold fold, Finish finish) {
  CImg<double> proj;
  assign_checked(proj, in.width(), in.height(), in.depth() > 0 ? 1 : 0, in.spectrum());
  const size_t n = static_cast<size_t>(in.width()) * in.height();
  for (int c = 0; c < proj.spectrum() && !proj.is_empty(); ++c) {
    double* p = plane_at(proj, 0, c);
    std::fill(p, p + n, first);
    for (int z = 0; z < in.depth(); ++z) {
      const double* s = plane_at(in, z, c);
      for (size_t i = 0; i < n; ++i) p[i] = fold(p[i], s[i]);
    }
    for (size_t i = 0; i < n; ++i) p[i] = finish(p[i], in.depth());
  }
  // Rescaled from the projection's own smallest..largest to 0..255, not
  // rounded; a constant projection is 0 everywhere.
  stretch(proj, 255.0, false);
  out.swap(proj);
}

// The median (the 14th smallest) of 27 values given as three sorted columns
// of nine: a three-way merge stopped at the 14th value.
inline double median_of_columns(const double* a, const double* b, const double* e) {
  int i = 0, j = 0, k = 0;
  double v = 0.0;
  for (int n = 0; n < 14; ++n) {
    const bool ta = i < 9 && (j >= 9 || !(b[j] < a[i])) && (k >= 9 || !(e[k] < a[i]));
    const bool tb = !ta && j < 9 && (k >= 9 || !(e[k] < b[j]));
    if (ta) v = a[i++];
    else if (tb) v = b[j++];
    else v = e[k++];
  }
  return v;
}

// Sorts nine values by insertion (safe with NaN: never reads out of range).
inline void sort9(double* v) {
  for (int i = 1; i < 9; ++i) {
    const double t = v[i];
    int j = i;
    for (; j > 0 && t < v[j - 1]; --j) v[j] = v[j - 1];
    v[j] = t;
  }
}

}  // namespace
}  // namespace zel

using namespace zel;

ZEL_API void Dilation3DFun(const CImg<double>& in, CImg<double>& out, int conn) {
  if (conn == 26) block27(in, out, kLarger);
  else cross6(in, out, kLarger);
}

ZEL_API void Erosion3DFun(const CImg<double>& in, CImg<double>& out, int conn) {
  if (conn == 26) block27(in, out, kSmaller);
  else cross6(in, out, kSmaller);
}

ZEL_API void Close3DFun(const CImg<double>& in, CImg<double>& out, int conn) {
  CImg<double> work;
  Dilation3DFun(in, work, conn);
  Erosion3DFun(work, out, conn);
}

ZEL_API void Open3DFun(const CImg<double>& in, CImg<double>& out, int conn) { OpenFun(in, out, conn == 8 ? 8 : 4); }

ZEL_API void BeucherGrad3DFun(const CImg<double>& in, CImg<double>& out, int conn) {
  CImg<double> eroded;
  Erosion3DFun(in, eroded, conn);
  Dilation3DFun(in, out, conn);
  const size_t n = out.size();
  double* __restrict o = out.data();
  const double* __restrict e = eroded.data();
  for (size_t i = 0; i < n; ++i) o[i] -= e[i];
}

ZEL_API void AIPFun(const CImg<double>& in, CImg<double>& out) {
  project(in, out, 0.0, [](double a, double v) { return a + v; }, [](double a, int d) { return a / d; });
}

ZEL_API void MIPFun(const CImg<double>& in, CImg<double>& out) {
  project(in, out, -kInf, kLarger, [](double a, int) { return a; });
}

ZEL_API void Enhancer3DFun(const CImg<double>& in, CImg<double>& out, int range) {
  CImg<double> work(in);
  stretch(work, range, true);
  out.swap(work);
}

ZEL_API void Window3DFun(const CImg<double>& in, CImg<double>& out, int top) {
  if (&out != &in) out.assign(in);
  const double t = top;
  for (double& v : out) v = v > t ? 255.0 : v;
}

ZEL_API void Median3DFun(const CImg<double>& in, CImg<double>& out) {
  if (fill_aside(in, out, [&](CImg<double>& o) { Median3DFun(in, o); })) return;
  assign_checked(out, in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width());
  const int h = in.height(), d = in.depth();
  // cols[x + 1]: the nine voxels of column x in the 3x3 cross-section of the
  // row (its rows above and below, in this slice and the two beside it),
  // sorted; the columns beyond the row are zeros. The rows of every slice and
  // channel are split over the threads, each thread with its own columns.
  const size_t lines = static_cast<size_t>(h) * static_cast<size_t>(d) * static_cast<size_t>(in.spectrum());
  parallel_ranges(lines, 60 * in.size(), [&](size_t i0, size_t i1) {
    std::vector<double> cols((w + 2) * 9, 0.0);
    for (size_t i = i0; i < i1; ++i) {
      const int y = static_cast<int>(i % static_cast<size_t>(h));
      const int z = static_cast<int>(i / static_cast<size_t>(h) % static_cast<size_t>(d));
      const int c = static_cast<int>(i / static_cast<size_t>(h) / static_cast<size_t>(d));
      const double* rows[9];
      for (int k = 0; k < 9; ++k) {
        const int zz = z + k / 3 - 1, yy = y + k % 3 - 1;
        rows[k] = zz < 0 || zz >= d || yy < 0 || yy >= h ? nullptr : plane_at(in, zz, c) + yy * w;
      }
      for (size_t x = 0; x < w; ++x) {
        double* col = &cols[(x + 1) * 9];
        for (int k = 0; k < 9; ++k) col[k] = rows[k] ? rows[k][x] : 0.0;
        sort9(col);
      }
      double* o = plane_at(out, z, c) + y * w;
      for (size_t x = 0; x < w; ++x) o[x] = median_of_columns(&cols[x * 9], &cols[(x + 1) * 9], &cols[(x + 2) * 9]);
    }
  });
}
