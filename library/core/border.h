// What a window engine does where a pixel's window reaches beyond the image:
// the one list of border rules that every engine (3x3, N x N, separable,
// 3x3x3 block) takes, and the small pieces that write them.
//
// In the pictures, abcdefgh is one row of the input, capitals are values
// the operation computed, '|' marks the image's edges and what lies beyond
// them is what the window sees there.
#pragma once

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <stdexcept>
#include <string>

namespace zel {

enum class Border {
  //    |0BCDEFG0|     Only pixels whose window lies inside are computed; the frame is 0.
  LeaveZero,
  //    |aBCDEFGh|     Only pixels whose window lies inside are computed; the frame keeps the input.
  CopyInput,
  // aaa|abcdefgh|hhh  Every pixel is computed; beyond an edge the edge pixel repeats.
  RepeatEdge,
  // 000|abcdefgh|000  Every pixel is computed; beyond an edge every pixel is 0.
  ZeroPadded,
};

inline const char* border_name(Border b) {
  switch (b) {
    case Border::LeaveZero: return "leave 0";
    case Border::CopyInput: return "keep the input";
    case Border::RepeatEdge: return "repeat the edge pixel";
    case Border::ZeroPadded: return "zero padding";
  }
  return "unknown";
}

// True for the rules that leave a frame of uncomputed pixels.
inline bool leaves_frame(Border b) { return b == Border::LeaveZero || b == Border::CopyInput; }

// An engine that serves only some of the rules calls this first: any other
// rule raises std::invalid_argument naming the engine and the rule.
inline void require_border(Border b, std::initializer_list<Border> served, const char* engine) {
  if (std::find(served.begin(), served.end(), b) == served.end())
    throw std::invalid_argument(std::string(engine) + " does not serve the border rule \"" + border_name(b) + "\"");
}

// Fills the r slots before row[0] and after row[w - 1] (w >= 1) as the
// padding rule b says: 0 (ZeroPadded) or the edge pixel (RepeatEdge).
inline void pad_row(double* row, size_t w, size_t r, Border b) {
  const bool repeat = b == Border::RepeatEdge;
  std::fill(row - r, row, repeat ? row[0] : 0.0);
  std::fill(row + w, row + w + r, repeat ? row[w - 1] : 0.0);
}

// The widths of the frame of a plane that a window cannot cover.
struct Frame {
  size_t top, bottom, left, right;
};

// Writes the frame f of one w x h row-major plane dst under the frame rule
// b: 0 (LeaveZero) or src's values (CopyInput). A frame wider than the plane
// covers all of it.
inline void write_frame(const double* src, double* dst, size_t w, size_t h, Frame f, Border b) {
  const bool copy = b == Border::CopyInput;
  const auto put = [&](size_t from, size_t to) {  // dst[from, to)
    if (copy) std::copy(src + from, src + to, dst + from);
    else std::fill(dst + from, dst + to, 0.0);
  };
  if (f.top + f.bottom >= h || f.left + f.right >= w) {
    put(0, w * h);
    return;
  }
  put(0, f.top * w);
  put((h - f.bottom) * w, h * w);
  for (size_t y = f.top; y < h - f.bottom; ++y) {
    put(y * w, y * w + f.left);
    put((y + 1) * w - f.right, (y + 1) * w);
  }
}

}  // namespace zel
