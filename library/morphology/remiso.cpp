// Removal of isolated white pixels.
#include "../core/window.h"
#include "../dll.h"

ZEL_API void RemIsoFun(const CImg<double>& in, CImg<double>& out) {
  zel::filter3x3(in, out, zel::Border::ZeroPadded, [](const double* c, ptrdiff_t s) {
    const double around = c[-s - 1] + c[-s] + c[-s + 1] + c[-1] + c[1] + c[s - 1] + c[s] + c[s + 1];
    return c[0] >= 255.0 && around > 0.0 ? 255.0 : 0.0;
  });
}
