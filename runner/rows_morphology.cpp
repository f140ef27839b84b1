// Command rows: grey and binary morphology, skeletons and distances, thinning
// and skeleton features.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> morphology_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      // Grey and binary morphology
      {"RemIso", "I", [](A a, R r) { RemIsoFun(a.image(1), r.image(0)); }},
      {"DBLT", "INN", [](A a, R r) {
         CImg<double>& im = over_input(a, r);
         DBLTFun(im, im, r.image(1), r.image(2), a.integer(1), a.integer(2));
       }},
      {"Dilation", "IN", [](A a, R r) {
         CImg<double>& im = over_input(a, r);
         DilationFun(im, im, a.integer(1));
       }},
      {"DilationNxN", "IA", [](A a, R r) { DilationNxNFun(a.image(1), r.image(0), a.array(1)); }},
      {"Erosion", "IN", [](A a, R r) {
         CImg<double>& im = over_input(a, r);
         ErosionFun(im, im, a.integer(1));
       }},
      {"ErosionNxN", "IA", [](A a, R r) { ErosionNxNFun(a.image(1), r.image(0), a.array(1)); }},
      {"BeucherGrad", "IN", [](A a, R r) { BeucherGradientFun(a.image(1), r.image(0), a.integer(1)); }},
      {"Close", "IN", [](A a, R r) { CloseFun(a.image(1), r.image(0), a.integer(1)); }},
      {"CloseNxN", "IA", [](A a, R r) { CloseNxNFun(a.image(1), r.image(0), a.array(1)); }},
      {"Open", "IN", [](A a, R r) { OpenFun(a.image(1), r.image(0), a.integer(1)); }},
      {"OpenNxN", "IA", [](A a, R r) { OpenNxNFun(a.image(1), r.image(0), a.array(1)); }},
      {"HitAndMiss", "IAA", [](A a, R r) { HitAndMissFun(a.image(1), r.image(0), a.array(1), a.array(2)); }},
      {"TopHat", "IN", [](A a, R r) { MorphTopHatFun(a.image(1), r.image(0), a.integer(1)); }},
      {"Valley", "IN", [](A a, R r) { MorphValleyFun(a.image(1), r.image(0), a.integer(1)); }},
      {"ReconByDil", "IIN", [](A a, R r) { ReconByDilationFun(a.image(1), a.image(2), r.image(0), r.image(1), a.integer(1)); }},

      // Skeletons and distances
      {"MedialAxis", "I", [](A a, R r) { MedialAxisFun(a.image(1), r.image(0)); }},
      {"L2RDistance", "I", [](A a, R r) { L2RDistTransformFun(a.image(1), r.image(0)); }},
      {"R2LDistance", "I", [](A a, R r) { R2LDistTransformFun(a.image(1), r.image(0)); }},
      {"T2BDistance", "I", [](A a, R r) { T2BDistTransformFun(a.image(1), r.image(0)); }},
      {"B2TDistance", "I", [](A a, R r) { B2TDistTransformFun(a.image(1), r.image(0)); }},
      {"3x3Distance", "I", [](A a, R r) { DistanceTransform3x3Fun(a.image(1), r.image(0)); }},
      {"5x5Distance", "I", [](A a, R r) { DistanceTransform5x5Fun(a.image(1), r.image(0)); }},
      {"GFTransform", "I", [](A a, R r) { GFTransformFun(a.image(1), r.image(0)); }},

      // Thinning and skeleton features
      // DOLPSFun leaves the third low-pass in its input; the runner hands it
      // the input image itself, which nothing reads afterwards.
      {"DOLPS", "I", [](A a, R r) { CImg<double> in = a.take_image(1); DOLPSFun(in, r.image(0)); }},
      {"BinaryBorder", "I", [](A a, R r) { BinaryBorderFun(a.image(1), r.image(0)); }},
      {"CornerPoint", "I", [](A a, R r) { CornerPointDetectorFun(a.image(1), r.image(0)); }},
      {"ThinImg", "IN", [](A a, R r) { ThinImgFun(a.image(1), r.image(0), a.integer(1)); }},
      {"FullThin", "I", [](A a, R r) { FullThinFun(a.image(1), r.image(0)); }},
      {"Junctions", "I", [](A a, R r) { JunctionDetectorFun(a.image(1), r.image(0)); }},
      {"LimbEnds", "I", [](A a, R r) { LimbEndDetectorFun(a.image(1), r.image(0)); }},
      {"Junctions8", "I", [](A a, R r) { Junction8DetectorFun(a.image(1), r.image(0)); }},
  };
}

}  // namespace zel
