// libFuzzer target for one value-file reader, chosen at build time by
// ZEL_FUZZ_READER (image, sizes, number, coord, colour, array). The input
// bytes are the whole file: they are written into an in-memory file and the
// reader is given its /proc/self/fd path, so no run touches the disk.
//
// Each reader must either refuse the file (ValueFileError, or bad_alloc where
// documented) or return exactly what the bytes hold; anything else aborts.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "valuefile.h"

namespace {

int memory_file() {
  static const int fd = [] {
    const int f = ::memfd_create("zel_fuzz_input", MFD_CLOEXEC);
    if (f < 0) std::abort();
    return f;
  }();
  return fd;
}

// Replaces the in-memory file's contents with the input; returns its path.
const char* load(const uint8_t* data, size_t size) {
  static std::string path = "/proc/self/fd/" + std::to_string(memory_file());
  const int fd = memory_file();
  if (::ftruncate(fd, 0) != 0) std::abort();
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    if (n <= 0) std::abort();
    done += static_cast<size_t>(n);
  }
  return path.c_str();
}

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "reader returned a wrong value: %s\n", what);
    std::abort();
  }
}

int32_t header(const uint8_t* data, int k) {
  int32_t v;
  std::memcpy(&v, data + 4 * k, 4);
  return v;
}
double value(const uint8_t* data, size_t k) {
  double v;
  std::memcpy(&v, data + 16 + 8 * k, 8);
  return v;
}
bool same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// What the file's bytes say an image must be: sizes from the header, the
// value of (x, y, z, c) at its place in plane order, row index fastest.
[[maybe_unused]] void check_image(const CImg<double>& img, const uint8_t* data, size_t size, bool values) {
  if (img.is_empty()) {
    check(size >= 16, "an image from a file shorter than its header");
    bool zero = false;
    for (int k = 0; k < 4; ++k) zero = zero || header(data, k) == 0;
    check(zero, "an empty image from a header with no zero count");
    return;
  }
  const int sy = header(data, 0), sx = header(data, 1), sv = header(data, 2), sz = header(data, 3);
  check(img.height() == sy && img.width() == sx && img.spectrum() == sv && img.depth() == sz, "image sizes");
  check(16 + 8 * img.size() <= size, "an image larger than its file");
  if (!values) return;
  size_t k = 0;
  for (int z = 0; z < sz; ++z)
    for (int c = 0; c < sv; ++c)
      for (int x = 0; x < sx; ++x)
        for (int y = 0; y < sy; ++y, ++k) check(same(img(x, y, z, c), value(data, k)), "image value");
}

void read(const char* path, const uint8_t* data, size_t size) {
#if ZEL_FUZZ_READER_image
  check_image(zel::GetImage(path), data, size, true);
#elif ZEL_FUZZ_READER_sizes
  const zel::ImageSizes sized(path);
  check_image(sized.image(), data, size, false);
  for (const double v : sized.image()) check(v == 0.0, "a sizes-only image holds a value");
#elif ZEL_FUZZ_READER_number
  const double v = zel::GetNumber(path);
  check(size >= 24 && same(v, value(data, 0)), "number");
#elif ZEL_FUZZ_READER_coord
  const CoOrdinate p = zel::GetCoOrd(path);
  check(size >= 32, "a coordinate from a short file");
  const double x = value(data, 0), y = value(data, 1);
  check(!std::isnan(x) && !std::isnan(y), "a NaN coordinate accepted");
  const auto expect = [](double v) {
    return v >= 2147483647.0 ? 2147483647 : v <= -2147483648.0 ? -2147483647 - 1 : static_cast<int>(v);
  };
  check(p.getX() == expect(x) && p.getY() == expect(y), "coordinate");
#elif ZEL_FUZZ_READER_colour
  const RGBTriplet c = zel::GetRGBTrip(path);
  check(size >= 40, "a colour from a short file");
  check(same(c.getR(), std::trunc(value(data, 0))) && same(c.getG(), std::trunc(value(data, 1))) &&
            same(c.getB(), std::trunc(value(data, 2))),
        "colour");
#elif ZEL_FUZZ_READER_array
  const ConvArray a = zel::GetArray(path);
  check(size >= 16, "an array from a file shorter than its header");
  const int rows = header(data, 0), cols = header(data, 1), planes = header(data, 2);
  check(a.getRows() == rows && a.getCols() == cols, "array sizes");
  if (static_cast<int64_t>(rows) * cols * planes == 0) return;
  // The last plane wins; inside it, the row index runs fastest.
  const size_t last = static_cast<size_t>(planes - 1) * rows * cols;
  for (int x = 0; x < cols; ++x)
    for (int y = 0; y < rows; ++y)
      check(same(a.data[y][x], value(data, last + static_cast<size_t>(x) * rows + y)), "array value");
#else
#error "ZEL_FUZZ_READER names no reader"
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* path = load(data, size);
  try {
    read(path, data, size);
  } catch (const zel::ValueFileError&) {
  } catch (const std::bad_alloc&) {
  }
  return 0;
}
