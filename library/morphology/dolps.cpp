// Difference of low-pass images: a band-pass made of repeated 3x3 means.
#include "core/helpers.h"
#include "dll.h"
#include "../core/numeric.h"

using zel::flow;

// out = the third repeated low-pass minus the sixth, clamped to 0..255; the
// third low-pass is left in in. Each low-pass leaves its one-pixel border at
// 0, so the border of both grows by one pixel per pass.
ZEL_API void DOLPSFun(CImg<double>& in, CImg<double>& out) {
  CImg<double> third, other;
  LowPassFun(in, third);
  LowPassFun(third, other);
  LowPassFun(other, third);  // third pass
  LowPassFun(third, other);
  LowPassFun(other, out);     // fifth, in out for now
  LowPassFun(out, other);     // sixth
  const double* a = third.data();
  const double* b = other.data();
  double* o = out.data();
  for (size_t i = 0, n = out.size(); i < n; ++i) o[i] = flow(a[i] - b[i]);
  in.swap(third);
}
