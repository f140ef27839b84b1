// Command rows: measurements and local equalisation.
#include "commands.h"
#include "dll.h"

namespace zel {

std::vector<Command> measure_rows() { return {}; }

}  // namespace zel
