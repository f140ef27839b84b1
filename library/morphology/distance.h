// City-block distances of a plane, shared by the distance transforms
// (distance.cpp) and the medial axis (medial_axis.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zel {

// City-block distances of the object pixels of a w x h plane to the nearest
// background pixel: the result is in a (w + 2) x (h + 2) buffer, the plane at
// offset (1, 1), the frame holding 0 when outside pixels count as background
// and a far value otherwise. Returns false when no background reaches the
// object (the buffer is then not finished).
bool city_block_distance(const double* plane, size_t w, size_t h, bool outside_is_background,
                         std::vector<int32_t>& buf);
bool city_block_distance(const double* plane, size_t w, size_t h, bool outside_is_background,
                         std::vector<int64_t>& buf);
// True when every distance of a w x h plane fits an int32.
bool distance_fits_int32(size_t w, size_t h);

}  // namespace zel
