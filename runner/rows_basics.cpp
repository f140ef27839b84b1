// Command rows: image information and pixels, pixel editing and drawing, and geometry.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> basics_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      // Information and pixels
      {"GetWidth", "S", [](A a, R r) { r.number(GetWidthFun(a.image(1))); }},
      {"GetHeight", "S", [](A a, R r) { r.number(GetHeightFun(a.image(1))); }},
      {"GetChannels", "S", [](A a, R r) { r.number(GetChannelsFun(a.image(1))); }},
      {"GetPixel", "IC", [](A a, R r) { r.colour(GetPixelFun(a.image(1), a.coord(1))); }},
      {"FWP", "I", [](A a, R r) { r.coord(FirstWhitePixelFun(a.image(1))); }},
      {"GreyscalePixelSum", "I", [](A a, R r) { r.number(GrayscalePixelSumFun(a.image(1))); }},

      // Pixel editing and drawing
      // Image information, pixel editing, drawing and geometry
      {"DrawBox", "ICCKN", [](A a, R r) { auto& im = over_input(a, r); DrawBoxFun(im, im, a.coord(1), a.coord(2), a.colour(), a.integer(1)); }},
      {"DrawCircle", "ICNKN", [](A a, R r) { auto& im = over_input(a, r); DrawCircleFun(im, im, a.coord(1), a.integer(1), a.colour(), a.integer(2)); }},
      {"DrawLine", "ICCKN", [](A a, R r) { auto& im = over_input(a, r); DrawLineFun(im, im, a.coord(1), a.coord(2), a.colour(), a.integer(1)); }},
      {"FillBox", "ICCK", [](A a, R r) { auto& im = over_input(a, r); FillBoxFun(im, im, a.coord(1), a.coord(2), a.colour()); }},
      {"FillCircle", "ICNK", [](A a, R r) { auto& im = over_input(a, r); FillCircleFun(im, im, a.coord(1), a.integer(1), a.colour()); }},
      {"RemovePixel", "IC", [](A a, R r) { auto& im = over_input(a, r); RemovePixelFun(im, im, a.position(1)); }, QuarterTurn::Transposed},
      {"SetPixel", "ICK", [](A a, R r) { auto& im = over_input(a, r); SetPixelFun(im, im, a.position(1), a.colour()); }, QuarterTurn::Transposed},
      {"MaskImg", "IN", [](A a, R r) { auto& im = over_input(a, r); MaskImgFun(im, im, a.integer(1)); }},
      {"Point2Cross", "I", [](A a, R r) { Point2CrossFun(a.image(1), r.image(0)); }},
      {"Point2Square", "I", [](A a, R r) { Point2SquareFun(a.image(1), r.image(0)); }},

      // Geometry
      {"DoubleSize", "I", [](A a, R r) { DoubleImgSizeFun(a.image(1), r.image(0)); }},
      {"HalveSize", "I", [](A a, R r) { HalveImgSizeFun(a.image(1), r.image(0)); }},
      {"RotateImg", "IN", [](A a, R r) { RotateImgFun(a.image(1), r.image(0), a.number(1)); }},
      // The quarter turns happen as the image is read (RotateMinus90ImgFun and
      // RotatePlus90ImgFun give the same pixels).
      {"Rotatem90", "I", [](A a, R r) { r.image_from(0, a, 1); }, QuarterTurn::Minus},
      {"Rotatep90", "I", [](A a, R r) { r.image_from(0, a, 1); }, QuarterTurn::Plus},
      {"ScaleImg", "INN", [](A a, R r) { ScaleImgFun(a.image(1), r.image(0), a.integer(1), a.integer(2)); }},
  };
}

}  // namespace zel
