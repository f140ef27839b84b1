// Binary borders and the 3x3 features of skeletons: corner points, junctions
// and limb ends. A pixel is object (white) when its value is at least 255;
// every slice and channel is a plane of its own.
#include <array>
#include <cmath>
#include <cstdint>

#include "../core/helpers.h"
#include "../core/numeric.h"
#include "../core/window.h"
#include "../dll.h"
#include "ring.h"

namespace zel {

// The ring codes of ring.h.
int ring_transitions(unsigned code) {
  int n = 0;
  for (int k = 0; k < 8; ++k) n += !(code >> k & 1u) && (code >> ((k + 1) % 8) & 1u);
  return n;
}

int ring_count(unsigned code) {
  int n = 0;
  for (int k = 0; k < 8; ++k) n += code >> k & 1u;
  return n;
}

namespace {

// The ring code of the pixel at c (rows s apart), a neighbour counting as
// white when white(value).
template <class White>
inline unsigned ring_code(const double* c, ptrdiff_t s, White white) {
  return unsigned{white(c[-s])} | unsigned{white(c[-s + 1])} << 1 | unsigned{white(c[1])} << 2 |
         unsigned{white(c[s + 1])} << 3 | unsigned{white(c[s])} << 4 | unsigned{white(c[s - 1])} << 5 |
         unsigned{white(c[-1])} << 6 | unsigned{white(c[-s - 1])} << 7;
}
inline unsigned ring_code(const double* c, ptrdiff_t s) {
  return ring_code(c, s, [](double v) { return v >= kWhite; });
}

using Table = std::array<bool, 256>;

template <class Pred>
Table make_table(Pred pred) {
  Table t{};
  for (unsigned code = 0; code < 256; ++code) t[code] = pred(code);
  return t;
}

inline unsigned rotate_ring(unsigned code, int steps) {
  return ((code << steps) | (code >> (8 - steps))) & 0xFFu;
}

// Interior white pixels whose ring code is in the table become 255, all
// other pixels 0; the one-pixel border of each plane is 0.
void mark_ring_patterns(const CImg<double>& in, CImg<double>& out, const Table& table) {
  filter3x3(in, out, Border::LeaveZero, [&table](const double* c, ptrdiff_t s) {
    return c[0] >= kWhite && table[ring_code(c, s)] ? 255.0 : 0.0;
  });
}

// True when v truncated toward zero is odd (NaN and infinities are not).
inline bool is_odd(double v) {
  if (std::fabs(v) < 9007199254740992.0) return static_cast<long long>(v) & 1;  // |v| < 2^53
  return false;  // beyond 2^53 every double is even; NaN and infinities are not odd
}

// Junction ring codes: at least three branches leave the pixel, counted as
// background-to-white transitions round the ring (the crossing number). Each
// branch is a run of white neighbours along the ring, 8-connected.
const Table& junction_codes() {
  static const Table junctions = make_table([](unsigned code) { return ring_transitions(code) >= 3; });
  return junctions;
}

}  // namespace
}  // namespace zel

using namespace zel;

ZEL_API void BinaryBorderFun(const CImg<double>& in, CImg<double>& out) {
  filter3x3(in, out, Border::CopyInput, [](const double* c, ptrdiff_t s) {
    const int odd = is_odd(c[-s - 1]) + is_odd(c[-s]) + is_odd(c[-s + 1]) + is_odd(c[-1]) + is_odd(c[0]) +
                    is_odd(c[1]) + is_odd(c[s - 1]) + is_odd(c[s]) + is_odd(c[s + 1]);
    return odd > 6 ? 0.0 : c[0];
  });
}

ZEL_API void CornerPointDetectorFun(const CImg<double>& in, CImg<double>& out) {
  static const Table corners = make_table([](unsigned code) {
    const unsigned white = 0x1Cu, black = 0xC1u;  // E SE S white; W NW N black (the south-east corner)
    for (int r = 0; r < 8; r += 2)
      if ((code & rotate_ring(white, r)) == rotate_ring(white, r) && (code & rotate_ring(black, r)) == 0) return true;
    return false;
  });
  mark_ring_patterns(in, out, corners);
}

ZEL_API void JunctionDetectorFun(const CImg<double>& in, CImg<double>& out) {
  mark_ring_patterns(in, out, junction_codes());
}

// Junctions of skeletons of exact 255 objects on exact 0 background: a pixel
// of exactly 255 whose neighbours of exactly 255 form a junction code (any
// other value counts as background). Every pixel is examined, those outside
// the image counting as 0, so junctions on the image's edge are found too.
ZEL_API void Junction8DetectorFun(const CImg<double>& in, CImg<double>& out) {
  const Table& junctions = junction_codes();
  const auto white = [](double v) { return v == kWhite; };
  filter3x3(in, out, Border::ZeroPadded, [&](const double* c, ptrdiff_t s) {
    return c[0] == kWhite && junctions[ring_code(c, s, white)] ? 255.0 : 0.0;
  });
}

// Limb ends: white pixels with exactly one white neighbour, or two that touch
// each other (one transition round the ring), as at the tip of a line that
// steps diagonally.
ZEL_API void LimbEndDetectorFun(const CImg<double>& in, CImg<double>& out) {
  static const Table ends = make_table([](unsigned code) { return ring_transitions(code) == 1 && ring_count(code) <= 2; });
  mark_ring_patterns(in, out, ends);
}
