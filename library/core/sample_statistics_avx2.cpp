// The moment sums built for AVX2 (this file alone is compiled with -mavx2,
// see CMakeLists.txt): the four lanes of PairLanes as one register, each
// lane adding the same samples in the same order, so the bits are those of
// the SSE2 build.
#if defined(ZEL_AVX2_KERNELS) && defined(__AVX2__)
#include "moment_sums.h"

namespace zel {
namespace stats {
namespace {

typedef double Quad __attribute__((vector_size(32)));
typedef double UnalignedQuad __attribute__((vector_size(32), aligned(8), may_alias));
struct QuadLanes {
  Quad v = {0.0, 0.0, 0.0, 0.0};
  template <class F>
  void add4(const double* p, F f) {
    v += f(*reinterpret_cast<const UnalignedQuad*>(p));
  }
  double lane(int k) const { return v[k]; }
};

}  // namespace

Moments moments2_avx2(const double* p, size_t n) { return moments2_of<QuadLanes>(p, n); }
Moments moments4_avx2(const double* p, size_t n) { return moments4_of<QuadLanes>(p, n); }

}  // namespace stats
}  // namespace zel
#endif
