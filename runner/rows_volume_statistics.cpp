// Command rows: per-slice statistics of a volume. Each writes the table the
// operation returns (depth rows, channel columns) as the slot-0 array file.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> volume_statistics_rows() {
  using A = const Args&;
  using R = Results&;
  return {
      {"DICOMAvg", "I", [](A a, R r) { r.array(DicomAverageIntensityFun(a.image(1))); }},
      {"DICOMEnt", "I", [](A a, R r) { r.array(DicomEntropyCalcFun(a.image(1))); }},
      {"DICOMHi", "I", [](A a, R r) { r.array(DicomHighestGreyFun(a.image(1))); }},
      {"DICOMKurt", "I", [](A a, R r) { r.array(DicomKurtosisCalcFun(a.image(1))); }},
      {"DICOMLow", "I", [](A a, R r) { r.array(DicomLowestGreyFun(a.image(1))); }},
      {"DICOMMSE", "II", [](A a, R r) { r.array(DicomMSECalcFun(a.image(1), a.image(2))); }},
      {"DICOMSkew", "I", [](A a, R r) { r.array(DicomSkewCalcFun(a.image(1))); }},
      {"DICOMSTD", "I", [](A a, R r) { r.array(DicomSTDCalcFun(a.image(1))); }},
      {"DICOMVar", "I", [](A a, R r) { r.array(DicomVarianceCalcFun(a.image(1))); }},
      {"DICOMCoHomog", "I", [](A a, R r) { r.array(DicomCoHomogFun(a.image(1))); }},
      {"DICOMCoEnt", "I", [](A a, R r) { r.array(DicomCoEntropyFun(a.image(1))); }},
      {"DICOMCoEng", "I", [](A a, R r) { r.array(DicomCoEnergyFun(a.image(1))); }},
      {"DICOMContrast", "I", [](A a, R r) { r.array(DicomCoContrastFun(a.image(1))); }},
  };
}

}  // namespace zel
