// Running maxima and minima over windows of k samples, along a row and down
// the columns of a plane, by the van Herk / Gil-Werman scheme: prefix
// extremes and suffix extremes within blocks of k, three comparisons per
// value whatever k is. Shared by the flat N x N grey morphology and the
// windowed local extremes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <limits>
#include <vector>

namespace zel {

// The larger / smaller of a running extreme and a new value. A NaN value
// compares false and is passed over, so NaN samples take no part in a
// window (a window of NaN only gives ident).
struct RunMax {
  static constexpr double ident = -std::numeric_limits<double>::infinity();
  static double pick(double m, double v) { return v > m ? v : m; }
};
struct RunMin {
  static constexpr double ident = std::numeric_limits<double>::infinity();
  static double pick(double m, double v) { return v < m ? v : m; }
};

// r[u] = extreme of a[u .. u + k - 1] for u < nr, where a holds nr + k - 1
// values; g and h are scratch of as many values.
template <class Op>
void running_extreme(const double* a, size_t nr, size_t k, double* g, double* h, double* r) {
  const size_t n = nr + k - 1;
  if (k == 1) {
    for (size_t u = 0; u < nr; ++u) r[u] = Op::pick(Op::ident, a[u]);
    return;
  }
  for (size_t b = 0; b < n; b += k) {
    const size_t e = std::min(b + k, n);
    double m = Op::pick(Op::ident, a[b]);
    g[b] = m;
    for (size_t i = b + 1; i < e; ++i) g[i] = m = Op::pick(m, a[i]);
    m = Op::pick(Op::ident, a[e - 1]);
    h[e - 1] = m;
    for (size_t i = e - 1; i-- > b;) h[i] = m = Op::pick(m, a[i]);
  }
  for (size_t u = 0; u < nr; ++u) r[u] = Op::pick(h[u], g[u + k - 1]);
}

// The same scheme down the columns of ny + k - 1 rows of w values, whole
// rows at a time, so that the row loops vectorise. row(j, slot) gives row j
// (j < ny + k - 1, asked for once each, in order) as a pointer to its w
// values, either into slot (w values it may fill) or to a row elsewhere
// that stays as it is; NaN values are passed over. For each window u < ny
// of rows u .. u + k - 1, emit(u, s, p) receives its extremes as
// Op::pick(s[x], p[x]), p null meaning s alone. Only two blocks of k rows
// are held in buf.
template <class Op, class Row, class Emit>
void running_extreme_down(size_t w, size_t ny, size_t k, Row row, std::vector<double>& buf, Emit emit) {
  buf.resize((2 * k + 1) * w);
  double *cur = buf.data(), *nxt = cur + k * w, *prefix = nxt + k * w;
  std::vector<const double*> given(2 * k);
  const double **at = given.data(), **next_at = at + k;  // the rows of the two blocks
  for (size_t j = 0; j < k; ++j) at[j] = row(j, cur + j * w);
  for (size_t b = 0; b < ny; b += k) {
    // Suffix extremes of the block into cur, from its last row up.
    double* s = cur + (k - 1) * w;
    const double* a = at[k - 1];
    for (size_t x = 0; x < w; ++x) s[x] = Op::pick(Op::ident, a[x]);
    for (size_t j = k - 1; j-- > 0;) {
      const double* below = cur + (j + 1) * w;
      s = cur + j * w, a = at[j];
      for (size_t x = 0; x < w; ++x) s[x] = Op::pick(below[x], a[x]);
    }
    emit(b, static_cast<const double*>(cur), static_cast<const double*>(nullptr));
    // Window b + j: the block's suffix from row j and the prefix of the next
    // block's first j rows.
    size_t j = 1;
    for (; j < k && b + j < ny; ++j) {
      a = next_at[j - 1] = row(b + k + j - 1, nxt + (j - 1) * w);
      if (j == 1)
        for (size_t x = 0; x < w; ++x) prefix[x] = Op::pick(Op::ident, a[x]);
      else
        for (size_t x = 0; x < w; ++x) prefix[x] = Op::pick(prefix[x], a[x]);
      emit(b + j, static_cast<const double*>(cur + j * w), static_cast<const double*>(prefix));
    }
    if (b + k >= ny) break;
    for (; j <= k; ++j) next_at[j - 1] = row(b + k + j - 1, nxt + (j - 1) * w);  // the rest of the next block
    std::swap(cur, nxt);
    std::swap(at, next_at);
  }
}

}  // namespace zel
