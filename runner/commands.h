// The rows of the command families; command_table() (protocol.h) joins them.
#pragma once

#include <vector>

#include "protocol.h"

namespace zel {

// Slot 0's result image taken over from the first image input, for a row
// whose operation may write its result over its input (element-wise
// operations, and copies that change a few pixels): `Op(im, im, ...)`.
inline CImg<double>& over_input(const Args& a, Results& r) { return r.image_from(0, a, 1); }

std::vector<Command> basics_rows();      // rows_basics.cpp
std::vector<Command> blob_rows();        // rows_blobs.cpp
std::vector<Command> arithmetic_rows();  // rows_arithmetic.cpp
std::vector<Command> filter_rows();      // rows_filters.cpp
std::vector<Command> measure_rows();     // rows_measure.cpp
std::vector<Command> morphology_rows();  // rows_morphology.cpp
std::vector<Command> enhance_rows();     // rows_enhance.cpp
std::vector<Command> hough_rows();       // rows_hough.cpp
std::vector<Command> volume_file_rows();        // rows_volume_files.cpp
std::vector<Command> volume_statistics_rows();  // rows_volume_statistics.cpp
std::vector<Command> volume_filter_rows();      // rows_volume_filters.cpp
std::vector<Command> colour_rows();             // rows_colour.cpp
std::vector<Command> volume_morphology_rows();  // rows_volume_morphology.cpp
std::vector<Command> volume_measure_rows();     // rows_volume_measures.cpp
std::vector<Command> frequency_rows();   // rows_frequency.cpp
std::vector<Command> segmentation_rows();  // rows_segmentations.cpp

}  // namespace zel
