// Command rows: morphology.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> morphology_rows() { return {}; }

}  // namespace zel
