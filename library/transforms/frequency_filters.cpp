// Frequency-domain filters on a centred spectrum pair: each is a mask over
// the one loop of fourier::filter_pair, which copies a position of both
// parts where the mask keeps it and writes 0 elsewhere. Radii are fractions
// of half the spectrum's height; distances are Euclidean, in pixels, from
// the zero frequency (column w/2, row h/2, integer halves) unless a centre
// is given. A NaN radius, threshold or centre makes every comparison false:
// the low, high and band passes and the adaptive low pass keep nothing, the
// band stop and the selective passes remove nothing (the symmetric one still
// applies its mirror rule).
#include <cmath>

#include "../dll.h"
#include "fourier.h"

namespace zel {
namespace {

struct Point {
  double x, y;
};

// The zero frequency's position.
Point zero_frequency(const CImg<double>& re) {
  return {static_cast<double>(re.width() / 2), static_cast<double>(re.height() / 2)};
}

// The disc centre (u, v) in -1..1 (v counting upward) as a position.
Point disc_centre(const CImg<double>& re, double u, double v) {
  return {re.width() * (u + 1.0) / 2.0, re.height() * (1.0 - v) / 2.0};
}

// A test on the squared distance s of each position from a centre. The
// bounds below() and at_most() turn each distance comparison into an exact
// comparison of s, so no position needs a square root.
template <class Test>
struct Radial {
  Point centre;
  Test test;
  auto row(const double*, size_t y) const {
    const double dy = static_cast<double>(y) - centre.y, dy2 = dy * dy, x0 = centre.x;
    const Test t = test;
    return [=](size_t x, double, double) {
      // Through int (image sides fit): int to double converts a vector at a time.
      const double dx = static_cast<double>(static_cast<int>(x)) - x0;
      return t(dx * dx + dy2);
    };
  }
};
template <class Test>
Radial<Test> radial(Point centre, Test test) {
  return {centre, test};
}

double radius(const CImg<double>& re, double r) { return r * re.height() / 2.0; }

using fourier::at_most;
using fourier::below;

// Removes the closed disc of radius R around (cx, cy) and then the point
// mirror through the zero frequency of every position whose real part is 0
// after that: a position is kept unless it or its mirror lies in the disc,
// or its mirror's real part is 0 (the test reads the real part after the
// disc only, so a position with real part 0 keeps its own values).
struct SymmetricDisc {
  size_t w, h;
  Point centre;
  double R;
  // The point mirror of index i through the zero frequency n / 2 along an
  // axis of length n: 2 (n / 2) - i, where i = 0 of an even length (the
  // highest frequency) is its own partner.
  static size_t mirror(size_t i, size_t n) {
    const size_t m = 2 * (n / 2) - i;
    return m < n ? m : 0;
  }
  auto row(const double* re_plane, size_t y) const {
    const size_t my = mirror(y, h);
    const double* mirror_row = re_plane + my * w;
    const double dy = static_cast<double>(y) - centre.y, dmy = static_cast<double>(my) - centre.y;
    const double dy2 = dy * dy, dmy2 = dmy * dmy, x0 = centre.x, inside = at_most(R);
    const size_t width = w;
    return [=](size_t x, double, double) {
      const size_t mx = mirror(x, width);
      const double dx = static_cast<double>(x) - x0, dmx = static_cast<double>(mx) - x0;
      const bool removed = dx * dx + dy2 < inside || dmx * dmx + dmy2 < inside || mirror_row[mx] == 0.0;
      return !removed;
    };
  }
};

// A test on each position's magnitude.
struct Magnitude {
  double threshold;
  auto row(const double*, size_t) const {
    // |F| > threshold; nothing exceeds an infinite threshold (a NaN bound keeps nothing).
    const double t = threshold < HUGE_VAL ? at_most(threshold) : std::nan("");
    return [t](size_t, double r, double i) { return r * r + i * i >= t; };
  }
};

}  // namespace
}  // namespace zel

using namespace zel;

ZEL_API void FourierLowPassFun(const CImg<double>& re, const CImg<double>& im, CImg<double>& out_re,
                               CImg<double>& out_im, double r) {
  const double T = below(radius(re, r));  // d < R
  fourier::filter_pair(re, im, out_re, out_im, radial(zero_frequency(re), [T](double s) { return s < T; }));
}

ZEL_API void FourierHighPassFun(const CImg<double>& re, const CImg<double>& im, CImg<double>& out_re,
                                CImg<double>& out_im, double r) {
  const double T = at_most(radius(re, r));  // d > R
  fourier::filter_pair(re, im, out_re, out_im, radial(zero_frequency(re), [T](double s) { return s >= T; }));
}

ZEL_API void FourierBandPassFun(const CImg<double>& re, const CImg<double>& im, CImg<double>& out_re,
                                CImg<double>& out_im, double r1, double r2) {
  const double T1 = at_most(radius(re, r1)), T2 = below(radius(re, r2));  // R1 < d < R2
  fourier::filter_pair(re, im, out_re, out_im,
                       radial(zero_frequency(re), [T1, T2](double s) { return s >= T1 && s < T2; }));
}

ZEL_API void FourierBandStopFun(const CImg<double>& re, const CImg<double>& im, CImg<double>& out_re,
                                CImg<double>& out_im, double r1, double r2) {
  const double T1 = below(radius(re, r1)), T2 = at_most(radius(re, r2));  // not R1 <= d <= R2
  fourier::filter_pair(re, im, out_re, out_im,
                       radial(zero_frequency(re), [T1, T2](double s) { return !(s >= T1 && s < T2); }));
}

ZEL_API void FourierSelectivePassFun(const CImg<double>& re, const CImg<double>& im, CImg<double>& out_re,
                                     CImg<double>& out_im, double r, double u, double v) {
  const double T = at_most(radius(re, r));  // not d <= R
  fourier::filter_pair(re, im, out_re, out_im, radial(disc_centre(re, u, v), [T](double s) { return !(s < T); }));
}

ZEL_API void FourierSymSelectivePassFun(const CImg<double>& re, const CImg<double>& im, CImg<double>& out_re,
                                        CImg<double>& out_im, double r, double u, double v) {
  const SymmetricDisc mask{static_cast<size_t>(re.width()), static_cast<size_t>(re.height()), disc_centre(re, u, v),
                           radius(re, r)};
  fourier::filter_pair(re, im, out_re, out_im, mask);
}

// Keeps the components whose magnitude exceeds r w h / 2.
ZEL_API void FourierAdaptiveLPFun(const CImg<double>& re, const CImg<double>& im, CImg<double>& out_re,
                                  CImg<double>& out_im, double r) {
  const double threshold = r * re.width() * re.height() / 2.0;
  fourier::filter_pair(re, im, out_re, out_im, Magnitude{threshold});
}
