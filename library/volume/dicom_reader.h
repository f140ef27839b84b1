// DICOM input through the DICOM library, shared by the single-file reader
// (dicom.cpp) and the series reader (dicom_series.cpp).
#pragma once

#include <string>

#include "../image.h"

namespace zel {

// Whether the image library would take this file for DICOM: by its extension
// ("dcm", "dicom", any case) or by the "DICM" mark at byte 128.
bool IsDicomPath(const std::string& path);

// Reads the first frame of one DICOM file into out (columns x rows x 1 x
// samples per pixel), modality rescale applied. Throws std::invalid_argument
// or std::runtime_error naming the file when it is missing, not DICOM or
// damaged.
void ReadDicomImage(const std::string& path, CImg<double>& out);

}  // namespace zel
