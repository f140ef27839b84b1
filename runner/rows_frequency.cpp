// Command rows: cosine and Fourier transforms and the frequency-domain
// filters. A spectrum crosses as two image files, the real part first; as a
// result the real part is slot 0 and the imaginary part slot 1.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> frequency_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      {"DCT", "I", [](A a, R r) { DCTFun(a.image(1), r.image(0)); }},
      {"IDCT", "IN", [](A a, R r) { IDCTFun(a.image(1), r.image(0), a.number(1)); }},
      {"ViewDCT", "I", [](A a, R r) { ViewDCTFun(a.image(1), r.image(0)); }},
      {"FFT", "I", [](A a, R r) { FourierTransformFun(a.image(1), r.image(0), r.image(1)); }},
      {"InvFFT", "II", [](A a, R r) { InvFourierTransformFun(a.image(1), a.image(2), r.image(0)); }},
      {"FFTAdaptiveLP", "IIN",
       [](A a, R r) { FourierAdaptiveLPFun(a.image(1), a.image(2), r.image(0), r.image(1), a.number(1)); }},
      {"FFTDivide", "IIII",
       [](A a, R r) { FourierDivideFun(a.image(1), a.image(2), a.image(3), a.image(4), r.image(0), r.image(1)); }},
      {"FFTGaussian", "NNN",
       [](A a, R r) { FourierGaussianFun(r.image(0), r.image(1), a.integer(1), a.integer(2), a.number(3)); }},
      {"FFTHighPass", "IIN",
       [](A a, R r) { FourierHighPassFun(a.image(1), a.image(2), r.image(0), r.image(1), a.number(1)); }},
      {"FFTLowPass", "IIN",
       [](A a, R r) { FourierLowPassFun(a.image(1), a.image(2), r.image(0), r.image(1), a.number(1)); }},
      {"FFTMultiply", "IIII",
       [](A a, R r) { FourierMultiplyFun(a.image(1), a.image(2), a.image(3), a.image(4), r.image(0), r.image(1)); }},
      {"FFTBandPass", "IINN",
       [](A a, R r) { FourierBandPassFun(a.image(1), a.image(2), r.image(0), r.image(1), a.number(1), a.number(2)); }},
      {"FFTBandStop", "IINN",
       [](A a, R r) { FourierBandStopFun(a.image(1), a.image(2), r.image(0), r.image(1), a.number(1), a.number(2)); }},
      {"FFTSelectivePass", "IINNN",
       [](A a, R r) {
         FourierSelectivePassFun(a.image(1), a.image(2), r.image(0), r.image(1), a.number(1), a.number(2), a.number(3));
       }},
      {"ViewFFT", "II", [](A a, R r) { ViewFFTFun(a.image(1), a.image(2), r.image(0)); }},
      {"FFTSymSelectPass", "IINNN",
       [](A a, R r) {
         FourierSymSelectivePassFun(a.image(1), a.image(2), r.image(0), r.image(1), a.number(1), a.number(2),
                                    a.number(3));
       }},
  };
}

}  // namespace zel
