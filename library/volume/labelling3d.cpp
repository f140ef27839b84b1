// The 26-connected components of a volume and what is built on them: labels
// in raster order, ranks by voxel count, the largest and the smallest blob.
// A voxel is object where every channel is at least 1. Runs of object
// voxels along x are joined by union-find with the runs of the four rows
// before them in raster order that touch them (the row above in the slice,
// and the three around it in the slice before): linear in the voxels.
#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

#include "../core/helpers.h"
#include "../dll.h"
#include "components3d.h"

namespace zel {
namespace {

constexpr double kObject = 1.0;  // a voxel is object from this value on, in every channel

struct Run {
  int32_t x0, x1;  // inclusive
};

// Runs of every row in raster order (row r = z h + y owns runs first[r] ..
// first[r + 1] - 1) and the component label 1..count of each.
struct Components {
  std::vector<Run> runs;
  std::vector<size_t> first;
  std::vector<uint32_t> label;
  uint32_t count = 0;
};

uint32_t find(std::vector<uint32_t>& parent, uint32_t i) {
  while (parent[i] != i) i = parent[i] = parent[parent[i]];
  return i;
}

// Appends the runs of object voxels of row (z, y) to cs.runs and their
// parents (themselves) to parent. One channel: read straight from the row;
// more: from a byte mask that every channel narrows.
void find_runs(const CImg<double>& in, int z, int y, std::vector<uint8_t>& object, Components& cs,
               std::vector<uint32_t>& parent) {
  const int w = in.width();
  auto push = [&](int x0, int x1) {
    cs.runs.push_back({x0, x1});
    parent.push_back(static_cast<uint32_t>(parent.size()));
  };
  if (in.spectrum() == 1) {
    const double* s = plane_at(in, z, 0) + static_cast<size_t>(y) * w;
    for (int x = 0; x < w; ++x) {
      if (!(s[x] >= kObject)) continue;
      const int x0 = x;
      while (x + 1 < w && s[x + 1] >= kObject) ++x;
      push(x0, x);
    }
    return;
  }
  for (int x = 0; x < w; ++x) object[x] = plane_at(in, z, 0)[static_cast<size_t>(y) * w + x] >= kObject;
  for (int c = 1; c < in.spectrum(); ++c) {
    const double* s = plane_at(in, z, c) + static_cast<size_t>(y) * w;
    for (int x = 0; x < w; ++x) object[x] &= s[x] >= kObject;
  }
  for (int x = 0; x < w; ++x) {
    if (!object[x]) continue;
    const int x0 = x;
    while (x + 1 < w && object[x + 1]) ++x;
    push(x0, x);
  }
}

// Joins the runs [i, i1) of a row with the runs [j, j1) of a row before it
// that they touch (overlap or meet at a corner). The root of the current
// run is kept while it meets several runs, so each meeting costs one find.
void join_rows(const std::vector<Run>& runs, std::vector<uint32_t>& parent, size_t i, size_t i1, size_t j,
               size_t j1) {
  uint32_t root = UINT32_MAX;  // of run i, once found
  while (i < i1 && j < j1) {
    const Run &a = runs[i], &q = runs[j];
    if (q.x1 + 1 < a.x0) ++j;
    else if (a.x1 + 1 < q.x0) ++i, root = UINT32_MAX;
    else {
      if (root == UINT32_MAX) root = find(parent, static_cast<uint32_t>(i));
      const uint32_t other = find(parent, static_cast<uint32_t>(j));
      if (other != root) {  // the earlier run stays the root
        if (other < root) parent[root] = other, root = other;
        else parent[other] = root;
      }
      if (a.x1 < q.x1) ++i, root = UINT32_MAX;
      else ++j;
    }
  }
}

Components components(const CImg<double>& in) {
  Components cs;
  const int w = in.width(), h = in.height(), d = in.depth();
  const size_t rows = static_cast<size_t>(h) * static_cast<size_t>(d);
  cs.first.assign(rows + 1, 0);
  if (in.is_empty()) return cs;
  std::vector<uint32_t> parent;
  std::vector<uint8_t> object(static_cast<size_t>(w));
  for (int z = 0; z < d; ++z)
    for (int y = 0; y < h; ++y) {
      const size_t r = static_cast<size_t>(z) * h + y;
      cs.first[r] = cs.runs.size();
      find_runs(in, z, y, object, cs, parent);
      cs.first[r + 1] = cs.runs.size();
      if (z == 0 && y + 1 == h && d > 1) {
        // Room for as many runs in every slice as in the first, and a
        // quarter more: reserved, not touched, so an overestimate costs no
        // memory, and the lists are not copied as they grow.
        const size_t guess = std::min((cs.runs.size() + 1) * static_cast<size_t>(d) / 4 * 5,
                                      (static_cast<size_t>(w) + 1) / 2 * rows);
        cs.runs.reserve(guess);
        parent.reserve(guess);
      }
      if (cs.first[r] == cs.first[r + 1]) continue;
      // The rows before this one that a 26-connected neighbour can lie in.
      const long before[4][2] = {{z, y - 1L}, {z - 1L, y - 1L}, {z - 1L, y}, {z - 1L, y + 1L}};
      for (const auto& b : before) {
        if (b[0] < 0 || b[1] < 0 || b[1] >= h) continue;
        const size_t p = static_cast<size_t>(b[0]) * h + static_cast<size_t>(b[1]);
        join_rows(cs.runs, parent, cs.first[r], cs.first[r + 1], cs.first[p], cs.first[p + 1]);
      }
    }
  // Labels in the raster order of each component's first voxel: a root
  // comes before the runs it holds, so one pass in order finds every label.
  cs.label.assign(cs.runs.size(), 0);
  for (uint32_t i = 0; i < cs.runs.size(); ++i) {
    const uint32_t root = parent[i] == i ? i : find(parent, i);
    cs.label[i] = root == i ? ++cs.count : cs.label[root];
  }
  return cs;
}

// Voxels per component (index 0 unused).
std::vector<uint64_t> volumes(const Components& cs) {
  std::vector<uint64_t> n(cs.count + 1, 0);
  for (size_t i = 0; i < cs.runs.size(); ++i) n[cs.label[i]] += cs.runs[i].x1 - cs.runs[i].x0 + 1;
  return n;
}

// Sizes out like in and writes value[label] over each run, in every
// channel, 0 elsewhere: each row written once, from end to end.
void paint(const CImg<double>& in, const Components& cs, const std::vector<double>& value, CImg<double>& out) {
  CImg<double> fresh;
  CImg<double>& dst = &out == &in ? fresh : out;  // in is read until the end
  assign_checked(dst, in.width(), in.height(), in.depth(), in.spectrum());
  const size_t w = static_cast<size_t>(in.width());
  for (int z = 0; z < in.depth(); ++z)
    for (int y = 0; y < in.height(); ++y) {
      const size_t r = static_cast<size_t>(z) * in.height() + y;
      double* row = plane_at(dst, z, 0) + y * w;
      size_t x = 0;
      for (size_t i = cs.first[r]; i < cs.first[r + 1]; ++i) {
        const size_t x0 = static_cast<size_t>(cs.runs[i].x0), x1 = static_cast<size_t>(cs.runs[i].x1) + 1;
        std::fill(row + x, row + x0, 0.0);
        std::fill(row + x0, row + x1, value[cs.label[i]]);
        x = x1;
      }
      std::fill(row + x, row + w, 0.0);
      for (int c = 1; c < in.spectrum(); ++c) std::copy(row, row + w, plane_at(dst, z, c) + y * w);
    }
  if (&dst != &out) out.swap(fresh);
}

// 255 over the one blob that `better` prefers by voxel count (ties: the
// lower label), 0 elsewhere.
template <class Better>
void one_blob(const CImg<double>& in, CImg<double>& out, Better better) {
  const Components cs = components(in);
  const std::vector<uint64_t> n = volumes(cs);
  std::vector<double> value(cs.count + 1, 0.0);
  uint32_t pick = 0;
  for (uint32_t l = 1; l <= cs.count; ++l)
    if (pick == 0 || better(n[l], n[pick])) pick = l;
  if (pick) value[pick] = 255.0;
  paint(in, cs, value, out);
}

}  // namespace

// Clears, channel by channel, every component with fewer than min_voxels
// voxels: each channel is labelled as a one-channel volume of its own, in
// place, and only the runs of the dropped components are written.
void drop_small_components(CImg<double>& img, uint64_t min_voxels) {
  for (int c = 0; c < img.spectrum(); ++c) {
    CImg<double> channel = img.get_shared_channel(static_cast<unsigned>(c));
    const Components cs = components(channel);
    const std::vector<uint64_t> n = volumes(cs);
    const size_t w = static_cast<size_t>(img.width());
    for (size_t r = 0; r + 1 < cs.first.size(); ++r)
      for (size_t i = cs.first[r]; i < cs.first[r + 1]; ++i)
        if (n[cs.label[i]] < min_voxels) {
          double* row = channel.data() + r * w;
          std::fill(row + cs.runs[i].x0, row + cs.runs[i].x1 + 1, 0.0);
        }
  }
}

}  // namespace zel

using namespace zel;

ZEL_API void Labeller3DFun(const CImg<double>& in, CImg<double>& out) {
  const Components cs = components(in);
  std::vector<double> value(cs.count + 1);
  std::iota(value.begin(), value.end(), 0.0);
  paint(in, cs, value, out);
}

ZEL_API void LabelByVolFun(const CImg<double>& in, CImg<double>& out) {
  const Components cs = components(in);
  const std::vector<uint64_t> n = volumes(cs);
  std::vector<uint32_t> order(cs.count);
  std::iota(order.begin(), order.end(), 1u);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return n[a] > n[b]; });
  std::vector<double> value(cs.count + 1, 0.0);
  for (uint32_t k = 0; k < cs.count; ++k) value[order[k]] = k + 1.0;
  paint(in, cs, value, out);
}

ZEL_API void BigBlob3DFun(const CImg<double>& in, CImg<double>& out) {
  one_blob(in, out, [](uint64_t a, uint64_t b) { return a > b; });
}

ZEL_API void SmallBlob3DFun(const CImg<double>& in, CImg<double>& out) {
  one_blob(in, out, [](uint64_t a, uint64_t b) { return a < b; });
}
