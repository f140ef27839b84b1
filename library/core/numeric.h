// The library's small numeric rules, each defined once: picking the larger or
// smaller sample, clamping to the grey range, the grey level a sample falls
// in, the white level of binary images, pi, and the saturating conversion of a
// double to an int.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zel {

constexpr double kPi = 3.14159265358979323846;

// Object pixels of binary images are 255; every other value is background.
constexpr double kWhite = 255.0;

// The smaller / larger of two doubles; the second argument on a tie.
inline double smin(double a, double b) { return a < b ? a : b; }
inline double smax(double a, double b) { return a > b ? a : b; }
// The larger / smaller of two samples in a form the compiler turns into one
// vector instruction; NaN compares false, so a NaN is kept or dropped by its
// position, never a fault.
struct PickMax {
  double operator()(double a, double b) const { return a > b ? a : b; }
};
struct PickMin {
  double operator()(double a, double b) const { return a < b ? a : b; }
};
// The larger / smaller of two values where a NaN loses to a number (the
// volume extremes: a NaN voxel never hides its neighbours).
constexpr auto kLarger = [](double a, double b) { return a > b || b != b ? a : b; };
constexpr auto kSmaller = [](double a, double b) { return a < b || b != b ? a : b; };

// Clamps a grey level to 0..255.
inline double flow(double v) { return v < 0.0 ? 0.0 : (v > 255.0 ? 255.0 : v); }

// The grey level (histogram bin, look-up-table index) of a sample: truncated
// toward zero and clamped into 0..255, NaN into 0. The clamps come first, so
// the conversion is always defined.
inline int grey_bin(double v) {
  const double t = v > 0.0 ? v : 0.0;
  return static_cast<int>(t < 255.0 ? t : 255.0);
}

// A double truncated toward zero to an int, saturated at the int range, NaN
// as 0: a huge request stays huge instead of wrapping, and no conversion is
// undefined. Written as max, min and a mask so that a loop of them vectorises.
inline int32_t saturate_to_int(double v) {
  double c = v > -2147483648.0 ? v : -2147483648.0;
  c = c < 2147483647.0 ? c : 2147483647.0;
  c = v == v ? c : 0.0;
  return static_cast<int32_t>(c);
}

// Upper bounds on the counts that set an operation's amount of work, so that
// one huge number (a saturated 2^31 - 1) is refused instead of running for
// hours: iterations of the iterated filters, clusters of the k-means.
constexpr int kMaxIterations = 100000;
constexpr int kMaxClusters = 256;

// Throws std::invalid_argument unless lo <= v <= hi (what names the count).
inline void require_count(long long v, long long lo, long long hi, const char* what) {
  if (v < lo || v > hi)
    throw std::invalid_argument(std::string(what) + " must be " + std::to_string(lo) + " to " + std::to_string(hi) +
                                ", not " + std::to_string(v));
}

}  // namespace zel
