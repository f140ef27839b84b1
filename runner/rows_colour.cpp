// Command rows: colour-space conversions and their views, the percentage
// scaling. Each writes its result image as slot 0.
#include "commands.h"
#include "dll.h"

namespace zel {

namespace {

// The rows of operations that take one image and give one.
template <void (*Op)(const CImg<double>&, CImg<double>&)>
Command image_row(const char* name) {
  return {name, "I", [](const Args& a, Results& r) { Op(a.image(1), r.image(0)); }};
}

}  // namespace

std::vector<Command> colour_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      image_row<CMYToColourFun>("CMYToRGB"),
      image_row<ColourToCMYFun>("RGBToCMY"),
      image_row<ColourToHSIFun>("RGBToHSI"),
      image_row<ColourToLABFun>("RGBToLAB"),
      image_row<ColourToOpponentFun>("RGBToOpp"),
      image_row<ColourToXYZFun>("RGBToXYZ"),
      image_row<ColourToYIQFun>("RGBToYIQ"),
      image_row<ColourToYUVFun>("RGBToYUV"),
      image_row<GreyScalerFun>("GreyScaler"),
      image_row<HSIToColourFun>("HSIToRGB"),
      image_row<LABToColourFun>("LABToRGB"),
      image_row<ViewLABFun>("ViewLAB"),
      image_row<ViewXYZFun>("ViewXYZ"),
      image_row<ViewYIQFun>("ViewYIQ"),
      image_row<ViewYUVFun>("ViewYUV"),
      image_row<XYZToColourFun>("XYZToRGB"),
      image_row<YIQToColourFun>("YIQToRGB"),
      image_row<YUVToColourFun>("YUVToRGB"),
      image_row<ViewOpponentFun>("ViewOpp"),
      image_row<OpponentToColourFun>("OppToRGB"),
      {"VellFun", "IN", [](A a, R r) { VellFun(a.image(1), r.image(0), a.integer(1)); }},
  };
}

}  // namespace zel
