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

// Floods a w x h plane 4-connectedly from the positions in `queue` (already
// marked in `in`): a neighbour j not yet in `in` joins when take(j); each
// position is handed to reached(i) as it leaves the queue.
template <class Take, class Reached>
void flood4(Fifo<size_t>& queue, std::vector<char>& in, int w, int h, Take take, Reached reached) {
  while (!queue.empty()) {
    const size_t i = queue.pop();
    const int x = static_cast<int>(i % static_cast<size_t>(w)), y = static_cast<int>(i / static_cast<size_t>(w));
    reached(i, x, y);
    const auto visit = [&](bool ok, size_t j) {
      if (ok && !in[j] && take(j)) in[j] = 1, queue.push(j);
    };
    visit(x > 0, i - 1);
    visit(x + 1 < w, i + 1);
    visit(y > 0, i - static_cast<size_t>(w));
    visit(y + 1 < h, i + static_cast<size_t>(w));
  }
}

}  // namespace zel
