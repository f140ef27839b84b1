// The moment sums of sample_statistics.h: the AVX2 build where the processor
// has it and this one was compiled with it (the same bits either way), the
// two-vector SSE2 build otherwise.
#include "moment_sums.h"

namespace zel {
namespace stats {

#if defined(ZEL_AVX2_KERNELS)
namespace {
const bool kAvx2 = __builtin_cpu_supports("avx2");
}
#endif

Moments moments2(const double* p, size_t n) {
#if defined(ZEL_AVX2_KERNELS)
  if (kAvx2) return moments2_avx2(p, n);
#endif
  return moments2_of<PairLanes>(p, n);
}

Moments moments4(const double* p, size_t n) {
#if defined(ZEL_AVX2_KERNELS)
  if (kAvx2) return moments4_avx2(p, n);
#endif
  return moments4_of<PairLanes>(p, n);
}

}  // namespace stats
}  // namespace zel
