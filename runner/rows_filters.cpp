// Command rows: filters and edge detection.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> filter_rows() { return {}; }

}  // namespace zel
