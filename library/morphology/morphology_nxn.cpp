// Grey dilation and erosion by a structuring element given as a table of
// weights, and the closing, opening and hit-and-miss transform built from
// them. The element's rows run along y and its columns along x; its centre is
// at row (rows - 1) / 2 and column (cols - 1) / 2. A cell of 0 is not part of
// the element; every other cell adds its value to the sample under it.
// Each slice and channel is processed on its own.
#include <algorithm>
#include <stdexcept>
#include <vector>

#include "../core/border.h"
#include "../core/helpers.h"
#include "../core/parallel.h"
#include "../core/running_extreme.h"
#include "../dll.h"

namespace {

using Max = zel::RunMax;
using Min = zel::RunMin;

// Clamps to 0..255; NaN (from a sum of opposite infinities) gives 0.
inline double clamp255(double v) { return v >= 0.0 ? (v <= 255.0 ? v : 255.0) : 0.0; }

struct Cell {
  ptrdiff_t dy, dx;  // from the window's top-left corner
  double w;
};

// The non-zero cells of an element and, when they fill their bounding box
// with one value, that box (the flat case, served by running extremes).
struct Element {
  long long rows, cols, cy, cx;
  std::vector<Cell> cells;
  bool flat = false;
  long long i0 = 0, j0 = 0, kh = 0, kw = 0;  // bounding box of the cells
  double w = 0.0;
};

Element read_element(const ConvArray& se) {
  if (se.rows <= 0 || se.cols <= 0 || se.data == nullptr)
    throw std::invalid_argument("the structuring element has no cells");
  Element e;
  e.rows = se.rows, e.cols = se.cols;
  // An even side is served with the truncated centre: the window then reaches
  // one row (column) further below (right of) the centre than above (left).
  e.cy = (e.rows - 1) / 2, e.cx = (e.cols - 1) / 2;
  long long i1 = -1, j1 = -1;
  e.i0 = e.rows, e.j0 = e.cols;
  for (int i = 0; i < se.rows; ++i)
    for (int j = 0; j < se.cols; ++j) {
      const double v = se.data[i][j];
      if (v == 0.0) continue;
      e.cells.push_back({i, j, v});
      e.i0 = std::min<long long>(e.i0, i), i1 = std::max<long long>(i1, i);
      e.j0 = std::min<long long>(e.j0, j), j1 = std::max<long long>(j1, j);
    }
  if (e.cells.empty()) return e;
  e.kh = i1 - e.i0 + 1, e.kw = j1 - e.j0 + 1;
  e.w = e.cells[0].w;
  e.flat = static_cast<long long>(e.cells.size()) == e.kh * e.kw &&
           std::all_of(e.cells.begin(), e.cells.end(), [&](const Cell& c) { return c.w == e.w; });
  return e;
}

// One plane, flat element: the extreme over the kh x kw box of every valid
// window, separably: the running extremes of each row, then down the columns.
template <class Op, class Emit>
void flat_plane(const double* src, size_t W, const Element& e, size_t nx, size_t ny, Emit emit,
                std::vector<double>& buf, std::vector<double>& scratch) {
  const size_t kh = static_cast<size_t>(e.kh), kw = static_cast<size_t>(e.kw), n = nx + kw - 1;
  scratch.resize(2 * n);
  double *g = scratch.data(), *h = g + n;
  const auto row_extreme = [&](size_t r, double* slot) {
    const double* a = src + (static_cast<size_t>(e.i0) + r) * W + static_cast<size_t>(e.j0);
    zel::running_extreme<Op>(a, nx, kw, g, h, slot);
    return static_cast<const double*>(slot);
  };
  zel::running_extreme_down<Op>(nx, ny, kh, row_extreme, buf, emit);
}

// Sizes out like in and fills it: every pixel whose element window lies
// inside the plane gets fin(extreme of cell value + sample), the frame the
// window cannot cover follows the border rule (LeaveZero). An element larger
// than the image leaves every pixel frame, so the result is all 0.
template <class Op, class Fin>
void morph(const CImg<double>& in, CImg<double>& out, const ConvArray& se, zel::Border border, Fin fin) {
  zel::require_border(border, {zel::Border::LeaveZero}, "the N x N grey morphology");
  const Element e = read_element(se);
  if (&out == &in) {  // rows of in are read after out's rows are written
    CImg<double> fresh;
    morph<Op>(in, fresh, se, border, fin);
    out.swap(fresh);
    return;
  }
  CImg<double>& res = out;
  zel::assign_checked(res, in.width(), in.height(), in.depth(), in.spectrum());
  const long long W = in.width(), H = in.height();
  const long long nxl = W - e.cols + 1, nyl = H - e.rows + 1;
  if (res.is_empty() || nxl <= 0 || nyl <= 0) {
    std::fill(res.data(), res.data() + res.size(), 0.0);
    return;
  }
  const size_t w = static_cast<size_t>(W), nx = static_cast<size_t>(nxl), ny = static_cast<size_t>(nyl);
  const size_t cx = static_cast<size_t>(e.cx), cy = static_cast<size_t>(e.cy);
  std::vector<ptrdiff_t> offsets;
  for (const Cell& c : e.cells) offsets.push_back(c.dy * static_cast<ptrdiff_t>(w) + c.dx);
  // Each output row is assembled in `line` (its border columns stay 0) and
  // streamed to the image, which is not read again here. The rows of windows
  // are split into bands over the threads, each with its own scratch.
  const size_t work = nx * ny * (e.flat ? 6 : e.cells.size());
  for (int c = 0; c < in.spectrum(); ++c)
    for (int z = 0; z < in.depth(); ++z) {
      const double* src = zel::plane_at(in, z, c);
      double* dst = zel::plane_at(res, z, c);
      // The rows above and below the windows; the columns beside them stay 0 in `line`.
      zel::write_frame(src, dst, w, static_cast<size_t>(H), {cy, static_cast<size_t>(H) - cy - ny, 0, 0}, border);
      zel::parallel_ranges(ny, work, [&](size_t t0, size_t t1) {
        std::vector<double> buf, scratch, line(w, 0.0);
        double* mid = line.data() + cx;
        auto put = [&](size_t t) { zel::stream_copy(dst + (cy + t) * w, line.data(), w); };
        if (e.flat) {
          const double k = e.w;
          auto emit = [&](size_t t, const double* a, const double* b = nullptr) {
            if (b)
              for (size_t u = 0; u < nx; ++u) mid[u] = fin(k + Op::pick(a[u], b[u]));
            else
              for (size_t u = 0; u < nx; ++u) mid[u] = fin(k + a[u]);
            put(t0 + t);
          };
          flat_plane<Op>(src + t0 * w, w, e, nx, t1 - t0, emit, buf, scratch);
          return;
        }
        // General element: one pass over a row of windows per non-zero cell.
        buf.resize(nx);
        double* acc = buf.data();
        for (size_t t = t0; t < t1; ++t) {
          std::fill(acc, acc + nx, Op::ident);
          const double* base = src + t * w;
          for (size_t i = 0; i < offsets.size(); ++i) {
            const double* s = base + offsets[i];
            const double cw = e.cells[i].w;
            for (size_t u = 0; u < nx; ++u) acc[u] = Op::pick(acc[u], s[u] + cw);
          }
          for (size_t u = 0; u < nx; ++u) mid[u] = fin(acc[u]);
          put(t);
        }
      });
    }
  zel::stream_fence();
}

}  // namespace

ZEL_API void DilationNxNFun(const CImg<double>& in, CImg<double>& out, ConvArray se) {
  morph<Max>(in, out, se, zel::Border::LeaveZero, [](double v) { return clamp255(v); });
}

// The minimum sum is clamped before it is truncated: the same as truncating
// each sum first (truncation keeps order), without converting huge values.
ZEL_API void ErosionNxNFun(const CImg<double>& in, CImg<double>& out, ConvArray se) {
  morph<Min>(in, out, se, zel::Border::LeaveZero,
             [](double v) { return static_cast<double>(static_cast<int>(clamp255(v))); });
}

ZEL_API void CloseNxNFun(const CImg<double>& in, CImg<double>& out, ConvArray se) {
  CImg<double> work;
  DilationNxNFun(in, work, se);
  ErosionNxNFun(work, out, se);
}

ZEL_API void OpenNxNFun(const CImg<double>& in, CImg<double>& out, ConvArray se) {
  CImg<double> work;
  ErosionNxNFun(in, work, se);
  DilationNxNFun(work, out, se);
}

ZEL_API void HitAndMissFun(const CImg<double>& in, CImg<double>& out, ConvArray hit, ConvArray miss) {
  CImg<double> fits, inverted, misses;
  ErosionNxNFun(in, fits, hit);
  NotImgFun(in, inverted);
  ErosionNxNFun(inverted, misses, miss);
  AndImgFun(fits, misses, out);
}
