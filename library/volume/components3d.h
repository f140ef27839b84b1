// The 26-connected components of labelling3d.cpp, offered to the
// operations that clean their own binary results.
#pragma once

#include <cstdint>

#include "../image.h"

namespace zel {

// Sets to 0 every 26-connected component (samples of at least 1) with fewer
// than min_voxels voxels, each channel labelled on its own; larger ones stay
// as they are.
void drop_small_components(CImg<double>& img, uint64_t min_voxels);

}  // namespace zel
