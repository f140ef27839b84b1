// Command rows: smoothing and neighbourhood filters, edge and feature detectors.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> filter_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      // Smoothing and neighbourhood filters
      {"AdaptSmooth", "INNN", [](A a, R r) { AdaptiveSmoothFun(a.image(1), r.image(0), a.integer(1), a.number(2), a.number(3)); }},
      {"Convolution", "IA", [](A a, R r) { ConvolutionFun(a.image(1), r.image(0), a.array(1)); }},
      {"Diffusion", "INN", [](A a, R r) { DiffusionFun(a.image(1), r.image(0), a.number(1), a.integer(2)); }},
      {"Gauss", "IN", [](A a, R r) {
         CImg<double>& im = over_input(a, r);
         GaussFun(im, im, a.number(1));
       }},
      {"LINFilter", "I", [](A a, R r) {
         CImg<double>& im = over_input(a, r);
         LargestIntensityNeighbourFun(im, im);
       }},
      {"LowPass", "I", [](A a, R r) { LowPassFun(a.image(1), r.image(0)); }},
      {"Median", "I", [](A a, R r) { MedianFun(a.image(1), r.image(0)); }},
      {"Midpoint", "I", [](A a, R r) { MidpointFun(a.image(1), r.image(0)); }},
      {"RAFilter", "IN", [](A a, R r) { RectangularAverageFilterFun(a.image(1), r.image(0), a.integer(1)); }},
      {"Sharpen", "I", [](A a, R r) { SharpenFun(a.image(1), r.image(0)); }},
      {"SINFilter", "I", [](A a, R r) {
         CImg<double>& im = over_input(a, r);
         SmallestIntensityNeighbourFun(im, im);
       }},
      {"ZeroCross", "I", [](A a, R r) { ZeroCrossingsDetectorFun(a.image(1), r.image(0)); }},

      // Edges and features
      {"Canny", "INNN", [](A a, R r) {
         CImg<double>& im = over_input(a, r);
         CannyFun(im, im, r.image(1), a.number(1), a.integer(2), a.integer(3));
       }},
      {"FreiChen", "I", [](A a, R r) { FreiChenFun(a.image(1), r.image(0)); }},
      {"IntensGradDir", "I", [](A a, R r) { IntensityGradientDirectionFun(a.image(1), r.image(0)); }},
      {"Laplacian", "IN", [](A a, R r) { LaplacianFun(a.image(1), r.image(0), a.integer(1)); }},
      {"NonMaxima", "I", [](A a, R r) { NonMaximaFun(a.image(1), r.image(0)); }},
      {"Prewitt", "I", [](A a, R r) { PrewittFun(a.image(1), r.image(0)); }},
      {"Roberts", "I", [](A a, R r) { RobertsFun(a.image(1), r.image(0)); }},
      {"Sobel", "I", [](A a, R r) { SobelFun(a.image(1), r.image(0)); }},
      {"Susan", "INN", [](A a, R r) { SusanDetectorFun(a.image(1), r.image(0), a.integer(1), a.integer(2)); }},
  };
}

}  // namespace zel
