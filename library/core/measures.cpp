// Measurements that reduce an image to one number: the Euler number and the
// count of white pixels.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>
#include <vector>

#include "../dll.h"
#include "runs.h"
#include "helpers.h"

namespace {

int saturate(int64_t v) { return v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : static_cast<int>(v)); }

}  // namespace

// Bit-quad counts over the 2x2 windows of the first slice, windows reaching
// one pixel past every side so that outside pixels count as 0. A pixel is 1
// when it is white (every channel at least 255). With the diagonal quads
// counted negatively this is the Euler number of eight-connected objects
// (blobs minus holes); the quotient truncates toward zero.
ZEL_API int EulerNumFun(const CImg<double>& in) {
  if (in.is_empty()) return 0;
  const int w = in.width(), h = in.height();
  const size_t words = (static_cast<size_t>(w) + 1 + 63) / 64;  // quad positions 0..w (window columns x-1, x)
  std::vector<uint64_t> above(words, 0), below(words, 0);
  int64_t q1 = 0, q3 = 0, qd = 0;
  for (int y = 0; y <= h; ++y) {
    if (y < h) {
      for (int c = 0; c < in.spectrum(); ++c)
        zel::mask_at_least(zel::plane_at(in, 0, c) + static_cast<size_t>(y) * w, w, 255.0, below.data(), c > 0);
    } else {
      std::fill(below.begin(), below.end(), 0);
    }
    // Per word, bit x holds the window whose right column is x: tl/bl are
    // the masks shifted by one column, tr/br the masks themselves.
    uint64_t carry_t = 0, carry_b = 0;
    for (size_t k = 0; k < words; ++k) {
      const uint64_t tr = above[k], br = below[k];
      const uint64_t tl = (tr << 1) | carry_t, bl = (br << 1) | carry_b;
      carry_t = tr >> 63;
      carry_b = br >> 63;
      const uint64_t odd = tl ^ tr ^ bl ^ br;        // one or three set
      const uint64_t pair = (tl & tr) | (bl & br);  // some row has two set
      q1 += __builtin_popcountll(odd & ~pair);
      q3 += __builtin_popcountll(odd & pair);
      qd += __builtin_popcountll((tl & br & ~tr & ~bl) | (tr & bl & ~tl & ~br));
    }
    std::swap(above, below);
  }
  return saturate((q1 - q3 - 2 * qd) / 4);
}

// One channel: samples of at least 255 in every slice; three channels:
// pixels whose R + G + B is at least 765; other channel counts: 0. A count
// beyond the int range is reported as INT_MAX.
ZEL_API int WhitePixelCounterFun(const CImg<double>& in) {
  int64_t n = 0;
  if (in.spectrum() == 1) {
    const double* v = in.data();
    const size_t size = in.size();
    for (size_t i = 0; i < size; ++i) n += v[i] >= 255.0;
  } else if (in.spectrum() == 3) {
    const size_t plane = zel::plane_size(in);
    for (int z = 0; z < in.depth(); ++z) {
      const double *r = zel::plane_at(in, z, 0), *g = zel::plane_at(in, z, 1), *b = zel::plane_at(in, z, 2);
      for (size_t i = 0; i < plane; ++i) n += r[i] + g[i] + b[i] >= 765.0;
    }
  }
  return saturate(n);
}
