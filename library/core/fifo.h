// A first-in first-out queue of positions for the propagating scans.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace zel {

// A first-in first-out queue in a ring that doubles when full.
template <class Index>
class Fifo {
 public:
  bool empty() const { return count_ == 0; }
  void push(Index v) {
    if (count_ == ring_.size()) grow();
    ring_[(head_ + count_) & (ring_.size() - 1)] = v;
    ++count_;
  }
  Index pop() {
    const Index v = ring_[head_];
    head_ = (head_ + 1) & (ring_.size() - 1);
    --count_;
    return v;
  }

 private:
  void grow() {
    std::vector<Index> bigger(std::max<size_t>(1024, 2 * ring_.size()));
    for (size_t i = 0; i < count_; ++i) bigger[i] = ring_[(head_ + i) & (ring_.size() - 1)];
    ring_.swap(bigger);
    head_ = 0;
  }
  std::vector<Index> ring_;
  size_t head_ = 0, count_ = 0;
};

}  // namespace zel
