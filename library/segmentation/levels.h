// Grey levels of samples as bytes, shared by the look-up tables (lut.cpp) and
// the grey-level thresholds (thresholds.cpp). A sample's level is
// zel::grey_bin: truncated, clamped to 0..255, NaN as 0.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zel {
namespace levels {

// Writes the grey level of each sample of s[0..n) to level.
void grey_levels(const double* s, size_t n, uint8_t* level);

// Adds the grey levels of plane[0..n) to counts[256], also writing them to
// level when given.
void grey_histogram(const double* plane, size_t n, uint64_t counts[256], uint8_t* level);

}  // namespace levels
}  // namespace zel
