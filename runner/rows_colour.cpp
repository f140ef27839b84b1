// Command rows: colour-space conversions and their views, colour clustering,
// the circle Hough transform and its inverse, the percentage scaling. Each
// writes its result image as slot 0; "SICluster" adds its cluster indices as
// slot 1 and its cluster count as slot 2.
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
      {"Cluster", "IN", [](A a, R r) { ColourClusterFun(a.image(1), r.image(0), a.integer(1)); }},
      {"SICluster", "I",
       [](A a, R r) {
         double count;  // the operation always sets it
         SIColourClusterFun(a.image(1), r.image(0), r.image(1), count);
         r.number(count, 2);
       }},
      {"CircHough", "INNN",
       [](A a, R r) { CircHoughFun(a.image(1), r.image(0), a.integer(1), a.integer(2), a.integer(3)); }},
      // The operation does not read its second number, so its file is read
      // but its value (NaN too) never reaches the call.
      {"InvCircHough", "INNN",
       [](A a, R r) { InvCircHoughFun(a.image(1), r.image(0), a.integer(1), 0, a.integer(3)); }},
      {"VellFun", "IN", [](A a, R r) { auto& im = over_input(a, r); VellFun(im, im, a.integer(1)); }, QuarterTurn::Transposed},
  };
}

}  // namespace zel
