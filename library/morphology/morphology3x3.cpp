// Grey-level morphology with a 3x3 structuring element: the full square
// (conn 8) or the cross of the pixel and its four edge neighbours (any other
// conn), and the operations composed of dilation, erosion and subtraction.
// Dilation counts pixels outside the image as 0; erosion leaves the
// one-pixel border of every plane at 0. Every slice and channel is a plane
// of its own.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "../core/border.h"
#include "../core/helpers.h"
#include "../core/numeric.h"
#include "../core/parallel.h"
#include "../dll.h"

namespace {

using zel::PickMax;
using zel::PickMin;

// Sizes out like in and sets every pixel to the extreme of itself and its
// four edge neighbours. ZeroPadded: every pixel, outside pixels counting as
// 0; LeaveZero: only pixels with all eight neighbours inside, the one-pixel
// border of each plane 0. Rows are read in place (no padded copy of the
// plane): the rows above and below stand in as a zero row where the image
// ends, and the inner loop over a row is one the compiler vectorises.
template <class Pick>
void cross_extreme(const CImg<double>& in, CImg<double>& out, zel::Border border, Pick pick) {
  zel::require_border(border, {zel::Border::ZeroPadded, zel::Border::LeaveZero}, "the 3x3 cross extreme");
  const bool padded = border == zel::Border::ZeroPadded;
  if (&in == &out) {  // rows are overwritten while the next row still reads them
    CImg<double> fresh;
    cross_extreme(in, fresh, border, pick);
    out.swap(fresh);
    return;
  }
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  const size_t w = static_cast<size_t>(in.width()), h = static_cast<size_t>(in.height());
  if (!padded && (w < 3 || h < 3)) {  // no pixel has all its neighbours inside
    std::fill(out.data(), out.data() + out.size(), 0.0);
    return;
  }
  const std::vector<double> zero_row(w, 0.0);
  zel::for_each_plane(in, [&](const double* src, int z, int c) {
    double* dst = zel::plane_at(out, z, c);
    zel::parallel_for(h, 5 * w * h, [&](size_t y) {
      double* o = dst + y * w;
      if (!padded && (y == 0 || y + 1 == h)) {
        std::fill(o, o + w, 0.0);
        return;
      }
      const double* r = src + y * w;
      const double* up = y > 0 ? r - w : zero_row.data();
      const double* down = y + 1 < h ? r + w : zero_row.data();
      for (size_t x = 1; x + 1 < w; ++x) o[x] = pick(pick(pick(up[x], r[x - 1]), pick(r[x], r[x + 1])), down[x]);
      if (!padded) {
        o[0] = o[w - 1] = 0.0;
        return;
      }
      // End pixels: the outside neighbour is 0 (a one-pixel row has two).
      const double left = pick(pick(pick(up[0], 0.0), r[0]), down[0]);
      o[0] = pick(left, w > 1 ? r[1] : 0.0);
      if (w > 1) o[w - 1] = pick(pick(pick(up[w - 1], r[w - 2]), pick(r[w - 1], 0.0)), down[w - 1]);
    });
  });
}

}  // namespace

// The square form is the 3x3 largest-neighbour filter.
ZEL_API void DilationFun(const CImg<double>& in, CImg<double>& out, int conn) {
  if (conn == 8) return LargestIntensityNeighbourFun(in, out);
  cross_extreme(in, out, zel::Border::ZeroPadded, PickMax());
}

// The square form is the 3x3 smallest-neighbour filter.
ZEL_API void ErosionFun(const CImg<double>& in, CImg<double>& out, int conn) {
  if (conn == 8) return SmallestIntensityNeighbourFun(in, out);
  cross_extreme(in, out, zel::Border::LeaveZero, PickMin());
}

ZEL_API void CloseFun(const CImg<double>& in, CImg<double>& out, int conn) {
  CImg<double> dilated;
  DilationFun(in, dilated, conn);
  ErosionFun(dilated, out, conn);
}

ZEL_API void OpenFun(const CImg<double>& in, CImg<double>& out, int conn) {
  CImg<double> eroded;
  ErosionFun(in, eroded, conn);
  DilationFun(eroded, out, conn);
}

// Differences are clamped to 0..255 by the subtraction.
ZEL_API void BeucherGradientFun(const CImg<double>& in, CImg<double>& out, int conn) {
  CImg<double> dilated, eroded;
  DilationFun(in, dilated, conn);
  ErosionFun(in, eroded, conn);
  SubtractImgFun(dilated, eroded, out);
}

ZEL_API void MorphTopHatFun(const CImg<double>& in, CImg<double>& out, int conn) {
  CImg<double> opened;
  OpenFun(in, opened, conn);
  SubtractImgFun(in, opened, out);
}

ZEL_API void MorphValleyFun(const CImg<double>& in, CImg<double>& out, int conn) {
  CImg<double> closed;
  CloseFun(in, closed, conn);
  SubtractImgFun(closed, in, out);
}
