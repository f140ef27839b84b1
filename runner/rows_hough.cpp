// Command rows: Hough, medial axis, co-occurrence and distances.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> hough_rows() { return {}; }

}  // namespace zel
