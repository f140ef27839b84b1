// The Fourier engine (FFTW plans, the centred forward and inverse transforms
// of one plane) and the operations on whole spectra: the transform and its
// inverse, the spectrum view, spectrum products and quotients, and the
// synthetic Gaussian spectrum.
//
// A real plane's spectrum is Hermitian, so the forward transform computes
// FFTW's half spectrum (real to complex) and fills the other half from
// conjugate partners while writing the centred planes. The inverse keeps
// only the real part of the result, which is the inverse of the spectrum's
// Hermitian part (X(k) + conj(X(-k))) / 2: it folds the spectrum onto that
// half and runs FFTW's complex-to-real transform, at half the work of a
// full complex one.
#include "fourier.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>
#include <vector>

#include "../core/parallel.h"
#include "../dll.h"

namespace zel {
namespace fourier {

bool size_ok(long long w, long long h) {
  auto side_ok = [](long long n) { return n >= 2 && n <= kLargestSide && (n & (n - 1)) == 0; };
  return side_ok(w) && side_ok(h);
}

void check_pair(const CImg<double>& re, const CImg<double>& im) {
  if (re.width() != im.width() || re.height() != im.height() || re.spectrum() != im.spectrum())
    throw std::invalid_argument("the real and imaginary parts of a spectrum differ in size");
}

Held::Held(const CImg<double>& in, std::initializer_list<const CImg<double>*> outputs) : img_(&in) {
  for (const CImg<double>* out : outputs)
    if (out == &in) {
      copy_ = in;
      img_ = &copy_;
      return;
    }
}

void* scratch_alloc(size_t bytes) {
  constexpr size_t kHugePage = size_t(2) << 20;
  const bool large = bytes >= 2 * kHugePage;
  void* p = nullptr;
  if (::posix_memalign(&p, large ? kHugePage : 64, bytes ? bytes : 1) != 0) throw std::bad_alloc();
  if (large) ::madvise(p, bytes & ~(kHugePage - 1), MADV_HUGEPAGE);
  return p;
}

std::mutex& planner_mutex() {
  static std::mutex m;
  return m;
}

Plan::~Plan() {
  if (!plan_) return;
  std::lock_guard<std::mutex> held(planner_mutex());
  fftw_destroy_plan(plan_);
}

void Plan::replace(fftw_plan p) {
  if (!p) throw std::runtime_error("FFTW could not plan the transform");
  if (plan_) fftw_destroy_plan(plan_);
  plan_ = p;
}

Forward::Forward(int w, int h)
    : w_(w), h_(h), half_(scratch_array<fftw_complex>(static_cast<size_t>(h) * (static_cast<size_t>(w) / 2 + 1))) {}

void Forward::run(const double* in, double* re, double* im) {
  double* src = const_cast<double*>(in);  // planned with FFTW_PRESERVE_INPUT: only read
  const int w = w_, h = h_;
  const fftw_plan p = plan_.for_arrays(src, half_.get(), [w, h](void* i, void* o) {
    return fftw_plan_dft_r2c_2d(h, w, static_cast<double*>(i), static_cast<fftw_complex*>(o),
                                FFTW_ESTIMATE | FFTW_PRESERVE_INPUT);
  });
  fftw_execute_dft_r2c(p, src, half_.get());
  // Row y of the centred spectrum holds frequency row ky = y - h/2 (mod h);
  // column x the frequency x - w/2: columns w/2.. come from the half
  // spectrum's row ky, column 0 from its last column, columns 1..w/2-1 from
  // the conjugates of the mirror row -ky, read backwards.
  const size_t W = static_cast<size_t>(w), H = static_cast<size_t>(h), half = W / 2, stride = half + 1;
  for (size_t y = 0; y < H; ++y) {
    const size_t ky = (y + H / 2) & (H - 1), mirror = (H - ky) & (H - 1);
    const fftw_complex* a = half_.get() + ky * stride;
    const fftw_complex* b = half_.get() + mirror * stride;
    double* r = re + y * W;
    double* i = im + y * W;
    for (size_t k = 0; k < half; ++k) {
      r[half + k] = a[k][0];
      i[half + k] = a[k][1];
    }
    r[0] = a[half][0];
    i[0] = a[half][1];
    for (size_t x = 1; x < half; ++x) {
      r[x] = b[half - x][0];
      i[x] = -b[half - x][1];
    }
  }
}

Inverse::Inverse(int w, int h)
    : w_(w), h_(h), half_(scratch_array<fftw_complex>(static_cast<size_t>(h) * (static_cast<size_t>(w) / 2 + 1))) {}

void Inverse::run(const double* re, const double* im, double* out) {
  // The half spectrum of the Hermitian part, scaled by 1 / (w h): frequency
  // (kx, ky) sits at centred position (kx + w/2, ky + h/2) mod the size and
  // its partner (-kx, -ky) at the point mirror of that position.
  const size_t W = static_cast<size_t>(w_), H = static_cast<size_t>(h_), half = W / 2, stride = half + 1;
  const double s = 0.5 / (static_cast<double>(W) * static_cast<double>(H));
  for (size_t ky = 0; ky < H; ++ky) {
    const size_t y = (ky + H / 2) & (H - 1), mirror = (H - y) & (H - 1);
    const double *ra = re + y * W, *ia = im + y * W, *rb = re + mirror * W, *ib = im + mirror * W;
    fftw_complex* o = half_.get() + ky * stride;
    for (size_t kx = 0; kx < half; ++kx) {
      o[kx][0] = s * (ra[half + kx] + rb[half - kx]);
      o[kx][1] = s * (ia[half + kx] - ib[half - kx]);
    }
    o[half][0] = s * (ra[0] + rb[0]);
    o[half][1] = s * (ia[0] - ib[0]);
  }
  const int w = w_, h = h_;
  const fftw_plan p = plan_.for_arrays(half_.get(), out, [w, h](void* i, void* o) {
    return fftw_plan_dft_c2r_2d(h, w, static_cast<fftw_complex*>(i), static_cast<double*>(o), FFTW_ESTIMATE);
  });
  fftw_execute_dft_c2r(p, half_.get(), out);
}

void rescale_channels(CImg<double>& img, bool from_smallest) {
  const size_t n = plane_size(img) * static_cast<size_t>(img.depth());
  for (int c = 0; c < img.spectrum(); ++c) {
    double* v = plane_at(img, 0, c);
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (size_t k = 0; k < n; ++k)
      if (std::isfinite(v[k])) {
        lo = std::min(lo, v[k]);
        hi = std::max(hi, v[k]);
      }
    if (hi < lo) lo = hi = 0.0;  // no finite value
    if (!from_smallest) lo = 0.0;
    const double scale = hi > lo ? 255.0 / (hi - lo) : 0.0;
    for (size_t k = 0; k < n; ++k) v[k] = !(v[k] > lo) ? 0.0 : v[k] >= hi ? 255.0 : (v[k] - lo) * scale;
  }
}

namespace {

// Row y of channel c of img as a row of w samples: the row itself, or a copy
// in pad, filled out with zeros where img does not reach.
const double* padded_row(const CImg<double>& img, int c, int y, size_t w, std::vector<double>& pad) {
  const bool has_row = c < img.spectrum() && y < img.height();
  const size_t own = has_row ? static_cast<size_t>(img.width()) : 0;
  const double* row = has_row ? plane_at(img, 0, c) + static_cast<size_t>(y) * own : nullptr;
  if (own == w) return row;
  std::fill(std::copy(row, row + own, pad.begin()), pad.end(), 0.0);
  return pad.data();
}

// The product-like operations on two spectra a and b: both padded with
// zeros to the larger width, height and channel count of their real parts;
// when the transform accepts that size, out receives op(a, b) sample by
// sample, otherwise both outputs are left as they are.
template <class Op>
void combine_spectra(const CImg<double>& a_re, const CImg<double>& a_im, const CImg<double>& b_re,
                     const CImg<double>& b_im, CImg<double>& out_re, CImg<double>& out_im, Op op) {
  check_pair(a_re, a_im);
  check_pair(b_re, b_im);
  const int W = std::max(a_re.width(), b_re.width()), H = std::max(a_re.height(), b_re.height());
  const int C = std::max(a_re.spectrum(), b_re.spectrum());
  if (!size_ok(W, H)) return;
  const Held ar(a_re, {&out_re, &out_im}), ai(a_im, {&out_re, &out_im});
  const Held br(b_re, {&out_re, &out_im}), bi(b_im, {&out_re, &out_im});
  assign_checked(out_re, W, H, 1, C);
  assign_checked(out_im, W, H, 1, C);
  const size_t w = static_cast<size_t>(W);
  std::vector<double> pad[4];
  for (auto& p : pad) p.resize(w);
  for (int c = 0; c < C; ++c)
    for (int y = 0; y < H; ++y) {
      const double* p = padded_row(ar.get(), c, y, w, pad[0]);
      const double* q = padded_row(ai.get(), c, y, w, pad[1]);
      const double* r = padded_row(br.get(), c, y, w, pad[2]);
      const double* s = padded_row(bi.get(), c, y, w, pad[3]);
      double* o = plane_at(out_re, 0, c) + static_cast<size_t>(y) * w;
      double* u = plane_at(out_im, 0, c) + static_cast<size_t>(y) * w;
      for (size_t x = 0; x < w; ++x) op(p[x], q[x], r[x], s[x], o[x], u[x]);
    }
}

// Gaussian weights exp(-d^2 / (2 sigma^2)) of the distances d = k - centre,
// k = 0..n-1; the centre's weight is 1 for every sigma (sigma 0 gives a
// single 1 there).
std::vector<double> gaussian_weights(int n, int centre, double sigma) {
  std::vector<double> g(static_cast<size_t>(n));
  const double denominator = 2.0 * sigma * sigma;
  for (int k = 0; k < n; ++k) {
    const double d = k - centre;
    g[static_cast<size_t>(k)] = d == 0 ? 1.0 : std::exp(-d * d / denominator);
  }
  return g;
}

}  // namespace
}  // namespace fourier
}  // namespace zel

using namespace zel;

ZEL_API void FourierTransformFun(const CImg<double>& in_img, CImg<double>& re, CImg<double>& im) {
  if (!fourier::size_ok(in_img.width(), in_img.height())) return;  // the defined contract: outputs untouched
  const fourier::Held in(in_img, {&re, &im});
  const int w = in.get().width(), h = in.get().height(), c = in.get().spectrum();
  assign_checked(re, w, h, 1, c);
  assign_checked(im, w, h, 1, c);
  // The channels on separate threads, each with its own plan and scratch
  // (one plane's transform is FFTW's serial plan, the same on any thread).
  const size_t channels = static_cast<size_t>(c);
  parallel_ranges(channels, plane_size(re) * channels * 20, [&](size_t k0, size_t k1) {
    fourier::Forward transform(w, h);
    for (int k = static_cast<int>(k0); k < static_cast<int>(k1); ++k)
      transform.run(plane_at(in.get(), 0, k), plane_at(re, 0, k), plane_at(im, 0, k));
  });
}

ZEL_API void InvFourierTransformFun(const CImg<double>& re_img, const CImg<double>& im_img, CImg<double>& out) {
  fourier::check_pair(re_img, im_img);
  const fourier::Held re(re_img, {&out}), im(im_img, {&out});
  const int w = re.get().width(), h = re.get().height(), c = re.get().spectrum();
  assign_checked(out, w, h, 1, c);
  if (!fourier::size_ok(w, h)) {
    out.fill(0.0);  // the defined contract: zeros for sizes the transform does not accept
    return;
  }
  const size_t channels = static_cast<size_t>(c);
  parallel_ranges(channels, plane_size(out) * channels * 20, [&](size_t k0, size_t k1) {
    fourier::Inverse transform(w, h);
    for (int k = static_cast<int>(k0); k < static_cast<int>(k1); ++k)
      transform.run(plane_at(re.get(), 0, k), plane_at(im.get(), 0, k), plane_at(out, 0, k));
  });
}

// The view: log(1 + |F|) per position, scaled per channel so that the
// largest magnitude shows as 255 and 0 as 0.
ZEL_API void ViewFFTFun(const CImg<double>& re_img, const CImg<double>& im_img, CImg<double>& out) {
  fourier::check_pair(re_img, im_img);
  const fourier::Held re(re_img, {&out}), im(im_img, {&out});
  const int w = re.get().width(), h = re.get().height();
  assign_checked(out, w, h, 1, re.get().spectrum());
  const size_t n = plane_size(out);
  for (int c = 0; c < out.spectrum(); ++c) {
    const double* r = plane_at(re.get(), 0, c);
    const double* i = plane_at(im.get(), 0, c);
    double* o = plane_at(out, 0, c);
    // A logarithm per sample: pieces of the plane on separate threads.
    parallel_ranges(n, 20 * n, [&](size_t k0, size_t k1) {
      for (size_t k = k0; k < k1; ++k) o[k] = std::log1p(std::sqrt(r[k] * r[k] + i[k] * i[k]));
    });
  }
  fourier::rescale_channels(out, false);
}

ZEL_API void FourierMultiplyFun(const CImg<double>& a_re, const CImg<double>& a_im, const CImg<double>& b_re,
                                const CImg<double>& b_im, CImg<double>& out_re, CImg<double>& out_im) {
  fourier::combine_spectra(a_re, a_im, b_re, b_im, out_re, out_im,
                           [](double p, double q, double r, double s, double& o, double& u) {
                             o = p * r - q * s;
                             u = p * s + q * r;
                           });
}

// The divisor's squared magnitude is not guarded: a zero divisor gives
// infinities or NaN, as IEEE arithmetic has it.
ZEL_API void FourierDivideFun(const CImg<double>& a_re, const CImg<double>& a_im, const CImg<double>& b_re,
                              const CImg<double>& b_im, CImg<double>& out_re, CImg<double>& out_im) {
  fourier::combine_spectra(a_re, a_im, b_re, b_im, out_re, out_im,
                           [](double p, double q, double r, double s, double& o, double& u) {
                             const double d = r * r + s * s;
                             o = (p * r + q * s) / d;
                             u = (q * r - p * s) / d;
                           });
}

// sigma is in pixels of the spectrum:
// re(x, y) = 255 exp(-((x - w/2)^2 + (y - h/2)^2) / (2 sigma^2)).
ZEL_API void FourierGaussianFun(CImg<double>& out_re, CImg<double>& out_im, int width, int height, double sigma) {
  // Sizes of 0 or below have no image to hold the spectrum; sizes too large to
  // allocate are refused by assign_checked before anything else is allocated.
  if (width < 1 || height < 1) throw std::invalid_argument("the Gaussian spectrum's width and height must be positive");
  if (std::isnan(sigma)) throw std::invalid_argument("the Gaussian spectrum's sigma is not a number");
  assign_checked(out_re, width, height, 1, 3);
  const std::vector<double> gx = fourier::gaussian_weights(width, width / 2, sigma);
  const std::vector<double> gy = fourier::gaussian_weights(height, height / 2, sigma);
  const size_t w = static_cast<size_t>(width);
  for (int y = 0; y < height; ++y) {
    double* row = out_re.data() + static_cast<size_t>(y) * w;
    const double peak = 255.0 * gy[static_cast<size_t>(y)];
    for (size_t x = 0; x < w; ++x) row[x] = peak * gx[x];
  }
  const size_t n = plane_size(out_re);
  std::copy_n(out_re.data(), n, out_re.data() + n);
  std::copy_n(out_re.data(), n, out_re.data() + 2 * n);
  out_im.assign(width, height, 1, 3, 0.0);
}
