#include "datatypes.h"

#include <cstdlib>
#include <new>

ConvArray::ConvArray() { setSize(1, 1); }

void ConvArray::setSize(int new_rows, int new_cols) {
  if (new_rows < 0) new_rows = 0;
  if (new_cols < 0) new_cols = 0;
  const size_t n = static_cast<size_t>(new_rows) * static_cast<size_t>(new_cols);
  // One block: the row table followed by the elements, row by row.
  const size_t bytes = sizeof(double*) * static_cast<size_t>(new_rows) + sizeof(double) * n;
  void* block = std::calloc(1, bytes ? bytes : 1);
  if (!block) throw std::bad_alloc();
  double** table = static_cast<double**>(block);
  double* values = reinterpret_cast<double*>(table + new_rows);
  for (int r = 0; r < new_rows; ++r) table[r] = values + static_cast<size_t>(r) * new_cols;
  storage_.reset(block, std::free);
  rows = new_rows;
  cols = new_cols;
  data = table;
}
