// Command rows: labelling, blobs and shape.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> blob_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      // Labelling and blobs
      {"Centroid", "I", [](A a, R r) { CentroidFun(a.image(1), r.image(0)); }},
      {"Centroid16", "I", [](A a, R r) { Centroid16Fun(a.image(1), r.image(0)); }},
      {"BiggestBlob", "I", [](A a, R r) { BiggestBlobFun(a.image(1), r.image(0)); }},
      {"BlobFill", "I", [](A a, R r) { BlobFillFun(a.image(1), r.image(0)); }},
      {"IsolateHoles", "I", [](A a, R r) { IsolateHolesFun(a.image(1), r.image(0)); }},
      {"IsolateBays", "I", [](A a, R r) { IsolateBaysFun(a.image(1), r.image(0)); }},
      {"CountBlobs", "I", [](A a, R r) { r.number(CountWhiteBlobsFun(a.image(1))); }},
      {"SmallestBlob", "I", [](A a, R r) { SmallestBlobFun(a.image(1), r.image(0)); }},
      {"BoundingBox", "I", [](A a, R r) { BoundingBoxFun(a.image(1), r.image(0)); }},
      {"FillBounding", "I", [](A a, R r) { FillBoundingBoxFun(a.image(1), r.image(0)); }},
      {"LabelByArea", "I", [](A a, R r) { LabelByAreaFun(a.image(1), r.image(0)); }},
      {"Labeller", "I", [](A a, R r) { LabellerFun(a.image(1), r.image(0)); }},

      // Shape
      {"Connectivity", "I", [](A a, R r) { ConnectivityFun(a.image(1), r.image(0)); }},
      {"ConvexHull", "I", [](A a, R r) { ConvexHullFun(a.image(1), r.image(0)); }},
      {"DetectCracks", "I", [](A a, R r) { CrackDetectorFun(a.image(1), r.image(0)); }},
      {"FilledConvex", "I", [](A a, R r) { FilledConvexHullFun(a.image(1), r.image(0)); }},
  };
}

}  // namespace zel
