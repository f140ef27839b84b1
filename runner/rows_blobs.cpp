// Command rows: shape and blob commands.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> blob_rows() { return {}; }

}  // namespace zel
