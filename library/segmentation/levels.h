// Grey levels of samples as bytes, shared by the look-up tables (lut.cpp),
// the grey-level thresholds (thresholds.cpp) and the threshold-selecting
// segmentations (published_thresholds.cpp). A sample's level is
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

// Kapur, Sahoo and Wong's maximum-entropy split of a 256-level histogram:
// the last level of the dark class (levels 0..t); the lowest t wins a tie.
// Without two non-empty classes: the lowest level present, 0 if none.
int kapur_level(const uint64_t counts[256]);

}  // namespace levels
}  // namespace zel
