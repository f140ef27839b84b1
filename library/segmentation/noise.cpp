// Noise generators: each sample receives a pseudo-random disturbance drawn
// from the process-wide NoiseSource, and the result is clamped to 0..255.
// A three-channel image whose slice-0 pixels all have equal channels is a
// grey picture stored as colour: it receives one disturbance per pixel,
// shared by its three channels, so that it stays grey.
#include <climits>
#include <cmath>
#include <cstddef>
#include <ctime>
#include <stdexcept>
#include <string>

#include "../core/helpers.h"
#include "../core/numeric.h"
#include "../dll.h"
#include "random.h"

namespace zel {

NoiseSource& NoiseSource::global() {
  static NoiseSource source;
  return source;
}

void NoiseSource::seed(uint64_t s) {
  std::lock_guard<std::mutex> hold(mutex_);
  engine_.seed(s);
}

void NoiseSource::pin_clock_seed(std::optional<uint64_t> s) {
  std::lock_guard<std::mutex> hold(mutex_);
  pinned_ = s;
}

NoiseSource::Draws NoiseSource::draws(bool reseed_from_clock) {
  Draws d(mutex_, engine_);
  if (reseed_from_clock) engine_.seed(pinned_ ? *pinned_ : static_cast<uint64_t>(std::time(nullptr)));
  return d;
}

}  // namespace zel

namespace {

bool grey_colour(const CImg<double>& in) {
  if (in.spectrum() != 3 || in.is_empty()) return false;
  const size_t n = zel::plane_size(in);
  const double *r = zel::plane_at(in, 0, 0), *g = zel::plane_at(in, 0, 1), *b = zel::plane_at(in, 0, 2);
  for (size_t i = 0; i < n; ++i)
    if (!(r[i] == g[i] && g[i] == b[i])) return false;
  return true;
}

// Sizes out like in and sets every sample to apply(sample, k), where k is the
// result of one call of draw(): one call per sample, in buffer order, or one
// per pixel (x, y, z) of a grey colour image, shared by its three channels.
template <class Draw, class Apply>
void disturb(const CImg<double>& in, CImg<double>& out, Draw draw, Apply apply) {
  out.assign(in.width(), in.height(), in.depth(), in.spectrum());
  if (in.is_empty()) return;
  if (grey_colour(in)) {
    const size_t n = zel::plane_size(in) * static_cast<size_t>(in.depth());  // one channel
    const double* s = in.data();
    double* d = out.data();
    for (size_t i = 0; i < n; ++i) {
      const double k = draw();
      d[i] = apply(s[i], k);
      d[i + n] = apply(s[i + n], k);
      d[i + 2 * n] = apply(s[i + 2 * n], k);
    }
    return;
  }
  const double* s = in.data();
  double* d = out.data();
  const size_t n = in.size();
  for (size_t i = 0; i < n; ++i) d[i] = apply(s[i], draw());
}

// Adds the disturbance and clamps; a NaN sample stays NaN.
inline double add_clamped(double v, double k) { return zel::flow(v + k); }

// A NaN parameter, or an infinite spread that would make 0 * inf, has no
// sound reading.
void require_finite(double v, const char* what) {
  if (!std::isfinite(v)) throw std::invalid_argument(std::string(what) + " must be a finite number");
}

const double kTwoPi = 6.283185307179586476925286766559;

}  // namespace

// Zero-mean: the half amplitude is amplitude / 2.0 (not integer division),
// so the noise spans [-a/2, a/2); a negative amplitude mirrors that range.
ZEL_API void AdditiveNoiseFun(const CImg<double>& in, CImg<double>& out, int amplitude) {
  zel::NoiseSource::Draws rng = zel::NoiseSource::global().draws(false);
  const double a = amplitude, half = a / 2.0;
  disturb(in, out, [&] { return rng.thousandths() * a - half; }, add_clamped);
}

// Box-Muller with u1, u2 uniform on [0, 1) (1 - u is exact, so its logarithm
// needs no log1p); |sigma| * sqrt(-2 ln(1 - u1))
// equals sqrt(-2 sigma^2 ln(1 - u1)) without overflowing sigma^2.
ZEL_API void GaussianNoiseFun(const CImg<double>& in, CImg<double>& out, double sigma) {
  require_finite(sigma, "the noise deviation");
  zel::NoiseSource::Draws rng = zel::NoiseSource::global().draws(true);
  const double s = std::fabs(sigma);
  disturb(
      in, out,
      [&] {
        const double u1 = rng.unit(), u2 = rng.unit();
        return s * std::sqrt(-2.0 * std::log(1.0 - u1)) * std::cos(kTwoPi * u2) + 0.5;
      },
      add_clamped);
}

// Exponential noise of mean k = |mean| truncated toward zero, saturated at
// INT_MAX; the second draw of each pair is drawn and not used.
ZEL_API void PoissonNoiseFun(const CImg<double>& in, CImg<double>& out, double mean) {
  if (std::isnan(mean)) throw std::invalid_argument("the noise mean must be a number");
  const double m = std::fabs(mean);
  const double k = m >= static_cast<double>(INT_MAX) ? static_cast<double>(INT_MAX) : std::trunc(m);
  zel::NoiseSource::Draws rng = zel::NoiseSource::global().draws(false);
  disturb(
      in, out,
      [&] {
        const double u1 = rng.unit();
        rng.bits();
        return -k * std::log(1.0 - u1);
      },
      add_clamped);
}

ZEL_API void RayleighNoiseFun(const CImg<double>& in, CImg<double>& out, double scale) {
  require_finite(scale, "the noise scale");
  zel::NoiseSource::Draws rng = zel::NoiseSource::global().draws(false);
  const double s = std::fabs(scale);
  disturb(in, out, [&] { return s * std::sqrt(-4.6598 * std::log(1.0 - rng.unit())) + 0.5; }, add_clamped);
}

// u is uniform on [0, 1): a probability of 0 or below changes nothing, 1 or
// above changes every sample. k < 0 marks a sample that keeps its value.
ZEL_API void SaltPepperNoiseFun(const CImg<double>& in, CImg<double>& out, double probability) {
  if (std::isnan(probability)) throw std::invalid_argument("the noise probability must be a number");
  zel::NoiseSource::Draws rng = zel::NoiseSource::global().draws(true);
  const double p = probability;
  disturb(
      in, out,
      [&] {
        if (!(rng.unit() < p)) return -1.0;
        return rng.bits() % 10 < 5 ? 0.0 : 255.0;
      },
      [](double v, double k) { return k < 0.0 ? v : k; });
}
