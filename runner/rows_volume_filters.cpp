// Command rows: 3-D filters and face masking. Each writes its result image as
// slot 0.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> volume_filter_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      // DOLPS3DFun leaves the threefold low-pass in its input; the runner
      // hands it the input image itself, which nothing reads afterwards.
      {"DOLPS3D", "I", [](A a, R r) { CImg<double> in = a.take_image(1); DOLPS3DFun(in, r.image(0)); }},
      {"LIN3D", "I", [](A a, R r) { LargestIntensityNeighbour3DFun(a.image(1), r.image(0)); }},
      {"LowPass3D", "I", [](A a, R r) { LowPass3DFun(a.image(1), r.image(0)); }},
      {"Midpoint3D", "I", [](A a, R r) { Midpoint3DFun(a.image(1), r.image(0)); }},
      {"Sharpen3D", "I", [](A a, R r) { Sharpen3DFun(a.image(1), r.image(0)); }},
      {"SIN3D", "I", [](A a, R r) { SmallestIntensityNeighbour3DFun(a.image(1), r.image(0)); }},
      {"FreiChen3D", "I", [](A a, R r) { FreiChen3DFun(a.image(1), r.image(0)); }},
      {"Laplace3D", "I", [](A a, R r) { Laplacian3DFun(a.image(1), r.image(0)); }},
      {"NonMax3D", "I", [](A a, R r) { NonMaxima3DFun(a.image(1), r.image(0)); }},
      {"Prewitt3D", "I", [](A a, R r) { Prewitt3DFun(a.image(1), r.image(0)); }},
      {"Roberts3D", "I", [](A a, R r) { Roberts3DFun(a.image(1), r.image(0)); }},
      {"Sobel3D", "I", [](A a, R r) { Sobel3DFun(a.image(1), r.image(0)); }},
      {"Gauss3D", "IN", [](A a, R r) { Gauss3DFun(a.image(1), r.image(0), a.number(1)); }},
      {"LocalMin", "IN", [](A a, R r) { LocalMinimaFun(a.image(1), r.image(0), a.integer(1)); }},
      {"LocalMax", "IN", [](A a, R r) { LocalMaximaFun(a.image(1), r.image(0), a.integer(1)); }},
      {"Conv3D", "IA", [](A a, R r) { Convolution3DFun(a.image(1), r.image(0), a.array(1)); }},
      {"Mask3D", "IN", [](A a, R r) { Mask3DFun(a.image(1), r.image(0), a.integer(1)); }},
  };
}

}  // namespace zel
