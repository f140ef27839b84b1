// The one-pass central moment sums of sample_statistics.h, for a lanes type
// (PairLanes, or the AVX2 QuadLanes of sample_statistics_avx2.cpp). Included
// only by those two files, each instantiating it for its own lanes type.
#pragma once

#include <algorithm>
#include <cstdint>

#include "sample_statistics.h"

namespace zel {
namespace stats {
namespace {

// The running count, mean and centred power sums of the samples merged so
// far, block by block (Chan et al. for M2, Pebay for M3 and M4).
struct Running {
  double n = 0.0, mean = 0.0, m2 = 0.0, m3 = 0.0, m4 = 0.0;  // of the shifted samples
  template <int Order>
  void merge(double nb, double mb, double m2b, double m3b, double m4b) {
    if (n == 0.0) {
      n = nb, mean = mb, m2 = m2b, m3 = m3b, m4 = m4b;
      return;
    }
    const double na = n, nn = na + nb, delta = mb - mean, dn = delta / nn;
    if (Order == 4) {
      m4 += m4b + delta * dn * dn * dn * na * nb * (na * na - na * nb + nb * nb) +
            6.0 * dn * dn * (na * na * m2b + nb * nb * m2) + 4.0 * dn * (na * m3b - nb * m3);
      m3 += m3b + delta * dn * dn * na * nb * (na - nb) + 3.0 * dn * (na * m2b - nb * m2);
    }
    m2 += m2b + delta * dn * na * nb;
    mean += dn * nb;
    n = nn;
  }
  template <int Order>
  Moments result(double shift) const {
    Moments r;
    r.n = n;
    r.mean = shift + mean;
    r.m2 = m2;
    if (Order == 4) r.m3 = m3, r.m4 = m4;
    return r;
  }
};

// One sum of f over a run of samples, as block_sum takes it.
template <class F>
struct Stream {
  const double* p;
  size_t n;
  F f;
};
template <class F>
Stream<F> stream(const double* p, size_t n, F f) {
  return {p, n, f};
}

// block_sum of two streams, in one loop while both have samples: two
// independent chains of additions in flight, each lane adding the same
// samples in the same order as block_sum.
template <class Lanes, class A, class B>
void two_sums(const Stream<A>& a, const Stream<B>& b, double& ra, double& rb) {
  Lanes sa, sb;
  const size_t common = std::min(a.n, b.n);
  size_t i = 0;
  for (; i + 4 <= common; i += 4) {
    // The stream read from memory is prefetched two blocks ahead (prefetches
    // never fault, so the address may lie past the samples).
    const uintptr_t ahead = reinterpret_cast<uintptr_t>(b.p + i) + 2 * sizeof(double) * kBlock;
    __builtin_prefetch(reinterpret_cast<const void*>(ahead));
    sa.add4(a.p + i, a.f);
    sb.add4(b.p + i, b.f);
  }
  ra = finish_lanes(a.p, i, a.n, a.f, sa);
  rb = finish_lanes(b.p, i, b.n, b.f, sb);
}

// Order 2. Each block is summed twice (its shifted samples for its mean,
// then the squares of their deviations from it); the loop pairs the
// deviations of one block, which is in cache, with the sum of the next,
// which is read from memory, so that two chains of additions run at once.
template <class Lanes>
Moments moments2_of(const double* p, size_t total_n) {
  if (total_n == 0) return Moments();
  const double shift = p[0];
  const auto shifted = [shift](auto v) { return v - shift; };
  double sum = block_sum<decltype(shifted), Lanes>(p, std::min(kBlock, total_n), shifted);
  Running run;
  for (size_t at = 0; at < total_n; at += kBlock) {
    const size_t len = std::min(kBlock, total_n - at);
    const double nb = static_cast<double>(len), mb = sum / nb;
    const size_t next = at + kBlock < total_n ? std::min(kBlock, total_n - at - kBlock) : 0;
    const auto square = [shift, mb](auto v) {
      const auto d = (v - shift) - mb;
      return d * d;
    };
    double m2b = 0.0;
    two_sums<Lanes>(stream(p + at, len, square), stream(p + at + len, next, shifted), m2b, sum);
    run.merge<2>(nb, mb, m2b, 0.0, 0.0);
  }
  return run.result<2>(shift);
}

// Order 4: one block at a time, limited by its own arithmetic.
template <class Lanes>
Moments moments4_of(const double* p, size_t total_n) {
  if (total_n == 0) return Moments();
  const double shift = p[0];
  const auto shifted = [shift](auto v) { return v - shift; };
  Running run;
  for (size_t at = 0; at < total_n; at += kBlock) {
    const size_t len = std::min(kBlock, total_n - at);
    const double* b = p + at;
    const double nb = static_cast<double>(len);
    const double mb = block_sum<decltype(shifted), Lanes>(b, len, shifted) / nb;
    double m2b = 0.0, m3b = 0.0, m4b = 0.0;
    for (size_t i = 0; i < len; ++i) {
      const double d = (b[i] - shift) - mb, d2 = d * d;
      m2b += d2;
      m3b += d2 * d;
      m4b += d2 * d2;
    }
    run.merge<4>(nb, mb, m2b, m3b, m4b);
  }
  return run.result<4>(shift);
}

}  // namespace
}  // namespace stats
}  // namespace zel
