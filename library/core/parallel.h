// Work split over the machine's cores. The OpenMP runtime sets the thread
// count (OMP_NUM_THREADS). Every loop split here gives each thread one
// contiguous range of independent items (rows, planes, slices), computed as it
// would be by one thread, so results do not depend on the thread count.
// Operations whose total work is small run on the calling thread alone, so
// small images pay nothing for thread start-up.
#pragma once

#include <cstddef>
#include <exception>
#include <mutex>

#if defined(_OPENMP)
#include <omp.h>
#endif

#include "helpers.h"

namespace zel {

// Below this many sample operations a loop is not split: waking the thread
// pool costs a few microseconds, which a 256 x 256 pass repays.
constexpr size_t kParallelMinWork = size_t{1} << 16;

// Number of threads a split loop of n items and `work` sample operations
// would use (1 when it runs on the calling thread).
inline int parallel_threads(size_t n, size_t work) {
#if defined(_OPENMP)
  if (n < 2 || work < kParallelMinWork || omp_in_parallel()) return 1;
  const int t = omp_get_max_threads();
  return static_cast<size_t>(t) > n ? static_cast<int>(n) : t;
#else
  (void)n, (void)work;
  return 1;
#endif
}

// Start of part k when [0, n) is cut into `parts` contiguous parts whose
// sizes differ by at most one (the first n % parts one larger); part `parts`
// starts at n. The split of parallel_ranges, for callers that prepare
// per-part data before the parts run.
inline size_t part_start(size_t n, size_t parts, size_t k) {
  return n / parts * k + (k < n % parts ? k : n % parts);
}

// Calls f(begin, end) on disjoint ranges that together cover [0, n), one
// range per thread (the whole range when the loop is not split); `work` is
// the loop's total cost in sample operations. f must treat items
// independently; it may hold scratch for its range. Streaming stores are
// fenced before the ranges join. The first exception thrown by any range is
// rethrown on the calling thread once all have finished.
template <class F>
void parallel_ranges(size_t n, size_t work, F f) {
  if (n == 0) return;
  const int threads = parallel_threads(n, work);
  if (threads <= 1) {
    f(size_t{0}, n);
    return;
  }
#if defined(_OPENMP)
  std::exception_ptr error;
  std::mutex error_lock;
#pragma omp parallel num_threads(threads)
  {
    const size_t t = static_cast<size_t>(omp_get_thread_num()), nt = static_cast<size_t>(omp_get_num_threads());
    const size_t begin = part_start(n, nt, t), end = part_start(n, nt, t + 1);
    try {
      if (begin < end) f(begin, end);
    } catch (...) {
      std::lock_guard<std::mutex> hold(error_lock);
      if (!error) error = std::current_exception();
    }
    stream_fence();
  }
  if (error) std::rethrow_exception(error);
#endif
}

// Calls f(i) for every i in [0, n), split as parallel_ranges does.
template <class F>
void parallel_for(size_t n, size_t work, F f) {
  parallel_ranges(n, work, [&](size_t begin, size_t end) {
    for (size_t i = begin; i < end; ++i) f(i);
  });
}

}  // namespace zel
