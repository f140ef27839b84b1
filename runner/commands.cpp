// The command table: the rows of every command family. A row names the
// command, lists its input kinds in argv order (I image, S an image of which
// only the sizes are used, N number, C coordinate, K colour, A array,
// P path) and maps the inputs and the result slots to one library
// operation. The argument count is 2 plus the number of inputs.
#include "commands.h"

namespace zel {

const std::vector<Command>& command_table() {
  static const std::vector<Command> table = [] {
    std::vector<Command> all;
    for (auto family : {basics_rows, measure_rows, arithmetic_rows, filter_rows, enhance_rows, morphology_rows,
                        blob_rows, hough_rows, volume_file_rows, volume_statistics_rows, volume_filter_rows,
                        colour_rows, volume_morphology_rows, volume_measure_rows,
                        frequency_rows, segmentation_rows}) {
      std::vector<Command> rows = family();
      all.insert(all.end(), rows.begin(), rows.end());
    }
    return all;
  }();
  return table;
}

}  // namespace zel
