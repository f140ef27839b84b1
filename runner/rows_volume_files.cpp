// Command rows: image files: DICOM and the formats the image library writes.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> volume_file_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      {"DICOMRead", "P", [](A a, R r) { DicomOpenFun(r.image(0), a.path(1)); }},
      {"DICOMSave", "IP", [](A a, R r) { DicomSaveFun(a.image(1), a.path(1)); r.say_success(); }},
      {"DICOMReadSingle", "P", [](A a, R r) { DicomOpenFunSingle(r.image(0), a.path(1)); }},
  };
}

}  // namespace zel
