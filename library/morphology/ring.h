// Ring codes of a pixel's eight neighbours, shared by the skeleton detectors
// (skeleton.cpp) and the thinning tables (thinning.cpp). A ring code has one
// bit per neighbour, set for white, clockwise from the north: bit 0 N, 1 NE,
// 2 E, 3 SE, 4 S, 5 SW, 6 W, 7 NW.
#pragma once

namespace zel {

// Background-to-object transitions met going once round the ring: the
// number of separate branches that leave the pixel.
int ring_transitions(unsigned code);

// White neighbours.
int ring_count(unsigned code);

}  // namespace zel
