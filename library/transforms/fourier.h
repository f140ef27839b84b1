// The frequency engine shared by the cosine and Fourier operations: FFTW
// plans, the centred forward and inverse 2-D Fourier transforms of one plane,
// the spectrum-pair checks and masks of the frequency-domain filters, and the
// logarithmic display of the spectrum and coefficient views.
//
// A spectrum is two images, real and imaginary part, of one slice each, in
// the centred layout: the zero frequency at column w / 2, row h / 2, so that
// column x holds the frequency x - w / 2 and its conjugate partner lies at
// the point mirror ((w - x) mod w, (h - y) mod h).
#pragma once

#include <fftw3.h>

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <mutex>

#include "../core/helpers.h"

namespace zel {
namespace fourier {

// The sizes the Fourier transform accepts: width and height each a power of
// two from 2 to 2048.
constexpr long long kLargestSide = 2048;
bool size_ok(long long w, long long h);

// Squared-distance bounds of the frequency masks. The square root is
// monotone and correctly rounded, so for every radius R one bound T gives,
// for every s >= 0, sqrt(s) < R exactly when s < T (below), or sqrt(s) <= R
// exactly when s < T (at_most): the masks compare squared distances and
// give the same answers as comparing distances. A NaN radius gives a NaN
// bound, so every comparison is false, as with the distance.
inline double below(double R) {
  if (std::isnan(R)) return R;
  if (!(R > 0.0)) return 0.0;  // no distance is below 0 or less
  if (std::isinf(R)) return R;
  // The smallest T with sqrt(T) >= R: start at R^2 and step to it.
  double T = R * R;
  while (T > 0.0 && std::sqrt(T) >= R) T = std::nextafter(T, 0.0);
  while (std::sqrt(T) < R) T = std::nextafter(T, HUGE_VAL);
  return T;
}

// sqrt(s) is a double, so sqrt(s) <= R exactly when sqrt(s) < the next double above R.
inline double at_most(double R) { return below(std::nextafter(R, HUGE_VAL)); }

// Raises std::invalid_argument unless the two parts of a spectrum have the
// same width, height and channel count (an empty pair passes).
void check_pair(const CImg<double>& re, const CImg<double>& im);

// An input that stays readable while the outputs are written: the input
// itself, or a copy of it when it is the same object as one of the outputs.
class Held {
 public:
  Held(const CImg<double>& in, std::initializer_list<const CImg<double>*> outputs);
  const CImg<double>& get() const { return *img_; }

 private:
  CImg<double> copy_;
  const CImg<double>* img_;
};

// Scratch memory for the transforms: aligned for FFTW's vector code; large
// blocks ask for transparent huge pages, since a fresh block is written
// once from end to end and small pages would cost a page fault per 4 KiB.
// std::bad_alloc when there is none.
struct ScratchFree {
  void operator()(void* p) const { std::free(p); }
};
template <class T>
using ScratchArray = std::unique_ptr<T[], ScratchFree>;
void* scratch_alloc(size_t bytes);
template <class T>
ScratchArray<T> scratch_array(size_t n) {
  return ScratchArray<T>(static_cast<T*>(scratch_alloc(n * sizeof(T))));
}

// FFTW's planner is not thread-safe: plans are made and destroyed under
// this lock. Executing them is thread-safe.
std::mutex& planner_mutex();

// One FFTW plan, made for the first arrays it is asked for and made again
// only for arrays of another alignment (FFTW's new-array execution needs the
// planned alignment).
class Plan {
 public:
  Plan() = default;
  ~Plan();
  Plan(const Plan&) = delete;
  Plan& operator=(const Plan&) = delete;

  // The plan for arrays in and out; make(in, out) builds it with FFTW_ESTIMATE
  // (one process runs one transform: measuring plans would cost more than it saves).
  template <class Make>
  fftw_plan for_arrays(void* in, void* out, Make make) {
    const int in_alignment = fftw_alignment_of(static_cast<double*>(in));
    const int out_alignment = fftw_alignment_of(static_cast<double*>(out));
    if (!plan_ || in_alignment != in_alignment_ || out_alignment != out_alignment_) {
      std::lock_guard<std::mutex> held(planner_mutex());
      replace(make(in, out));
      in_alignment_ = in_alignment;
      out_alignment_ = out_alignment;
    }
    return plan_;
  }

 private:
  void replace(fftw_plan p);  // takes p (std::runtime_error when it is null), drops the old plan

  fftw_plan plan_ = nullptr;
  int in_alignment_ = 0, out_alignment_ = 0;
};

// The centred, unscaled forward transform of w x h real planes (w, h
// accepted by size_ok), one plane per run.
class Forward {
 public:
  Forward(int w, int h);
  void run(const double* in, double* re, double* im);

 private:
  int w_, h_;
  ScratchArray<fftw_complex> half_;  // the h x (w/2 + 1) half spectrum of a real plane
  Plan plan_;
};

// The inverse: the real part of the inverse transform of a centred w x h
// spectrum, scaled by 1 / (w h), one plane per run.
class Inverse {
 public:
  Inverse(int w, int h);
  void run(const double* re, const double* im, double* out);

 private:
  int w_, h_;
  ScratchArray<fftw_complex> half_;
  Plan plan_;
};

// The frequency-domain filters' one loop: sizes out_re and out_im to
// (w, h, 1, channels) of re and copies the first slice of the pair where the
// mask keeps a position, 0 elsewhere. mask.row(re_plane, y) gives, for
// row y of a channel whose real plane is re_plane, a test keep(x, re, im)
// of the position's column and values.
template <class Mask>
void filter_pair(const CImg<double>& re_in, const CImg<double>& im_in, CImg<double>& out_re, CImg<double>& out_im,
                 const Mask& mask) {
  check_pair(re_in, im_in);
  const Held re_held(re_in, {&out_re, &out_im}), im_held(im_in, {&out_re, &out_im});
  const CImg<double>& re = re_held.get();
  const CImg<double>& im = im_held.get();
  assign_checked(out_re, re.width(), re.height(), 1, re.spectrum());
  assign_checked(out_im, re.width(), re.height(), 1, re.spectrum());
  const size_t w = static_cast<size_t>(re.width()), h = static_cast<size_t>(re.height());
  for (int c = 0; c < out_re.spectrum(); ++c) {
    const double* pr = plane_at(re, 0, c);
    const double* pi = plane_at(im, 0, c);
    double* qr = plane_at(out_re, 0, c);
    double* qi = plane_at(out_im, 0, c);
    for (size_t y = 0; y < h; ++y) {
      const auto keep = mask.row(pr, y);
      const double *r = pr + y * w, *i = pi + y * w;
      double *orow = qr + y * w, *irow = qi + y * w;
      for (size_t x = 0; x < w; ++x) {
        const bool k = keep(x, r[x], i[x]);
        orow[x] = k ? r[x] : 0.0;
        irow[x] = k ? i[x] : 0.0;
      }
    }
  }
}

// Rescales every channel of img, whose values are logarithms of magnitudes,
// to 0..255: from lo (0, or the channel's smallest finite value when
// from_smallest) to the channel's largest finite value. Values at or below
// lo and NaN give 0, values at or above the largest (infinity too) 255; a
// channel without spread gives 0.
void rescale_channels(CImg<double>& img, bool from_smallest);

}  // namespace fourier
}  // namespace zel
