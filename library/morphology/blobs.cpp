#include "blobs.h"

#include <algorithm>

namespace zel {

namespace detail {
namespace {

int32_t find_root(std::vector<int32_t>& parent, int32_t i) {
  int32_t root = i;
  while (parent[root] != root) root = parent[root];
  while (parent[i] != root) {  // path compression
    const int32_t next = parent[i];
    parent[i] = root;
    i = next;
  }
  return root;
}

}  // namespace

void join_rows(std::vector<Run>& runs, std::vector<int32_t>& parent, size_t prev, size_t cur,
               Connectivity conn) {
  // Runs of adjacent rows touch when their column ranges overlap; with eight
  // neighbours also when they only meet diagonally.
  const int32_t reach = conn == Connectivity::Eight ? 1 : 0;
  const size_t end = runs.size();
  size_t i = prev;
  for (size_t j = cur; j < end; ++j) {
    const Run& r = runs[j];
    while (i < cur && runs[i].x1 + reach < r.x0) ++i;
    for (size_t k = i; k < cur && runs[k].x0 <= r.x1 + reach; ++k) {
      // Union by smaller index: every root is the first run of its blob.
      const int32_t a = find_root(parent, static_cast<int32_t>(k));
      const int32_t b = find_root(parent, static_cast<int32_t>(j));
      if (a < b) parent[b] = a;
      else if (b < a) parent[a] = b;
    }
  }
}

void assign_labels(Blobs& blobs, std::vector<int32_t>& parent) {
  int32_t count = 0;
  for (size_t i = 0; i < blobs.runs.size(); ++i) {
    const int32_t root = find_root(parent, static_cast<int32_t>(i));
    blobs.runs[i].label = root == static_cast<int32_t>(i) ? ++count : blobs.runs[root].label;
  }
  blobs.count = count;
}

}  // namespace detail
}  // namespace zel
