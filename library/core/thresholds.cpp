// Point thresholds: every sample becomes 255 or 0 on its own, in every
// slice and channel.
#include <cstddef>

#include "../dll.h"
#include "helpers.h"

namespace {

// Sizes out like in and writes 255 where keep(sample), 0 elsewhere.
template <class Keep>
void binarise(const CImg<double>& in, CImg<double>& out, Keep keep) {
  zel::point_map(in, out, [keep](double v) { return keep(v) ? 255.0 : 0.0; });
}

}  // namespace

// NaN compares false, so it always becomes 0.
ZEL_API void ThresholdFun(const CImg<double>& in, CImg<double>& out, int threshold) {
  const double t = threshold;
  binarise(in, out, [t](double v) { return v >= t; });
}

// A 0/1 image (every non-zero sample exactly 1.0) is cut at 0.5, anything
// else at 127; an empty or all-zero image takes the 0/1 rule.
ZEL_API void MidThresholdFun(const CImg<double>& in, CImg<double>& out) {
  const double* s = in.data();
  const size_t n = in.size();
  bool unit = true;
  for (size_t i = 0; i < n && unit; ++i) unit = s[i] == 0.0 || s[i] == 1.0;
  const double t = unit ? 0.5 : 127.0;
  binarise(in, out, [t](double v) { return v >= t; });
}

ZEL_API void DoubleThresholdFun(const CImg<double>& in, CImg<double>& out, int low, int high) {
  const double lo = low < high ? low : high, hi = low < high ? high : low;
  binarise(in, out, [lo, hi](double v) { return v >= lo && v <= hi; });
}
