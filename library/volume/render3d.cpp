// The interactive 3-D view of a volume, in the image library's 3-D viewer.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "../dll.h"

namespace zel {
namespace {

// The view shows the non-zero voxels of channel 0 as points; a bigger volume
// is thinned to at most this many by taking every k-th such voxel, so the
// view stays interactive.
constexpr size_t kMaxPoints = 200000;
constexpr int kWindowSide = 256;

// The points and their grey levels: brighter voxels lighter, from 64 (the
// smallest non-zero value) to 255 (the largest), so that faint ones show.
void points_of(const CImg<double>& in, CImg<float>& vertices, cimg_library::CImgList<unsigned int>& primitives,
               cimg_library::CImgList<unsigned char>& colours) {
  const size_t plane = static_cast<size_t>(in.width()) * in.height(), voxels = plane * in.depth();
  size_t count = 0;
  double lo = 0, hi = 0;
  for (size_t i = 0; i < voxels; ++i) {
    const double v = in.data()[i];
    if (v == 0.0 || v != v) continue;
    lo = count ? std::min(lo, v) : v, hi = count ? std::max(hi, v) : v;
    ++count;
  }
  const size_t stride = (count + kMaxPoints - 1) / kMaxPoints, shown = stride ? (count + stride - 1) / stride : 0;
  vertices.assign(static_cast<unsigned>(shown), 3);
  primitives.assign(static_cast<unsigned>(shown), 1, 1, 1, 1);
  colours.assign(static_cast<unsigned>(shown), 1, 1, 1, 3);
  const double scale = hi > lo ? 191.0 / (hi - lo) : 0.0;
  size_t seen = 0, k = 0;
  for (size_t i = 0; i < voxels && k < shown; ++i) {
    const double v = in.data()[i];
    if (v == 0.0 || v != v || seen++ % stride) continue;
    vertices(k, 0) = static_cast<float>(i % in.width());
    vertices(k, 1) = static_cast<float>(i / in.width() % in.height());
    vertices(k, 2) = static_cast<float>(i / plane);
    primitives(k, 0) = static_cast<unsigned>(k);
    const auto grey = static_cast<unsigned char>(64.0 + (v - lo) * scale);
    colours(k).fill(grey);
    ++k;
  }
}

}  // namespace
}  // namespace zel

using namespace zel;

// Shows the volume until the window is closed (or Esc or Q, the viewer's
// own keys for closing, is pressed). Without a display the view cannot open:
// one notice on stderr and the call returns, so a pipeline never waits for a
// window that nobody can see.
ZEL_API void Render3DFun(const CImg<double>& in) {
  // The X server is asked first: the image library's window set-up leaks
  // its title when the display cannot be opened.
  Display* probe = ::XOpenDisplay(nullptr);
  cimg_library::CImgDisplay disp;
  try {
    if (!probe) throw cimg_library::CImgDisplayException("no display");
    ::XCloseDisplay(probe);
    disp.assign(kWindowSide, kWindowSide, "", 0);
  } catch (const cimg_library::CImgException&) {
    std::fprintf(stderr, "Render3D: no display is available, the 3-D view is not shown\n");
    return;
  }
  CImg<float> vertices;
  cimg_library::CImgList<unsigned int> primitives;
  cimg_library::CImgList<unsigned char> colours;
  if (!in.is_empty()) points_of(in, vertices, primitives, colours);
  const CImg<unsigned char> background(kWindowSide, kWindowSide, 1, 3, 0);
  while (!disp.is_closed()) {
    if (vertices.width() > 0) {
      background.display_object3d(disp, vertices, primitives, colours, CImg<float>(), true, 1, 1, true, 700.0f, 0.0f,
                                  0.0f, -5e8f, 0.2f, 0.1f, false);
    } else {
      disp.display(background).wait();
    }
    if (disp.is_keyESC() || disp.is_keyQ()) break;
    disp.set_key();
  }
}
