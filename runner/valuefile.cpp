#include "valuefile.h"

#include "core/numeric.h"
#include "core/parallel.h"
#include "transpose.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "value files are little-endian; this build reads them in host order");

namespace zel {
namespace {

// Values move between the file and the image through a buffer of this many
// doubles (1 MiB: few system calls, and the buffer stays in the second-level
// cache while it is transposed).
constexpr size_t kChunk = 128 * 1024;
constexpr size_t kBandColumns = 32;

std::string errno_text() { return std::strerror(errno); }

class InputFile {
 public:
  explicit InputFile(const char* path) : name_(path ? path : "") {
    do fd_ = ::open(name_.c_str(), O_RDONLY | O_CLOEXEC);
    while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) fail("cannot open: " + errno_text());
    struct stat st;
    if (::fstat(fd_, &st) != 0) fail("cannot read: " + errno_text());
    if (S_ISDIR(st.st_mode)) fail("is a folder, not a value file");
    if (S_ISREG(st.st_mode)) size_ = static_cast<unsigned long long>(st.st_size);
  }
  ~InputFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  [[noreturn]] void fail(const std::string& problem) const { throw ValueFileError(name_, problem); }

  // Fails unless the file holds at least 16 header bytes plus `values`
  // doubles. Known up front for regular files; pipes fail on the short read.
  void require_values(unsigned long long values, const char* what) const {
    if (size_ == kUnknown) return;
    const unsigned long long present = size_ < 16 ? 0 : (size_ - 16) / 8;
    if (size_ < 16 || present < values)
      fail(std::string("file is shorter than ") + what + ": " + std::to_string(values) +
           " values needed, " + std::to_string(present) + " present");
  }

  // A stream (a pipe, a FIFO, a character device) has no length to check a
  // header against: the `values` doubles after the header are read into
  // memory first, the buffer growing only as data arrives, so a header that
  // announces more than is sent costs no more than what was sent.
  void buffer_stream(unsigned long long values, const char* what) {
    if (size_ != kUnknown) return;
    const unsigned long long want = values * sizeof(double);
    unsigned long long have = 0;
    while (have < want) {
      const unsigned long long next = std::min<unsigned long long>(want, std::max<unsigned long long>(1 << 20, 2 * have));
      stream_.resize(static_cast<size_t>(next));
      const unsigned long long got = read_some(stream_.data() + have, next - have);
      have += got;
      if (have < next) break;  // end of the stream
    }
    stream_.resize(static_cast<size_t>(have));
    size_ = 16 + have;
    require_values(values, what);
  }

  void read_exact(void* dst, size_t bytes, const char* what) {
    if (!stream_.empty() || buffered_) {
      if (bytes > stream_.size() - pos_) fail(std::string("file is shorter than ") + what);
      std::memcpy(dst, stream_.data() + pos_, bytes);
      pos_ += bytes;
      return;
    }
    char* p = static_cast<char*>(dst);
    while (bytes > 0) {
      const ssize_t got = ::read(fd_, p, std::min<size_t>(bytes, size_t(1) << 30));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) fail("cannot read: " + errno_text());
      if (got == 0) fail(std::string("file is shorter than ") + what);
      p += got;
      bytes -= static_cast<size_t>(got);
    }
  }

  void read_header(int32_t h[4]) {
    if (size_ != kUnknown && size_ < 16) fail("file is shorter than the 16-byte header");
    read_exact(h, 16, "the 16-byte header");
  }
  void read_doubles(double* dst, size_t n, const char* what) { read_exact(dst, n * sizeof(double), what); }
  bool is_stream() const { return buffered_; }

  // Random access to a regular file (not a stream), for reading the pieces
  // of a large plane on several threads: read_at may be called concurrently;
  // seek then moves the file's position past what they read.
  unsigned long long position() const { return static_cast<unsigned long long>(::lseek(fd_, 0, SEEK_CUR)); }
  void read_at(void* dst, size_t bytes, unsigned long long offset, const char* what) const {
    char* p = static_cast<char*>(dst);
    while (bytes > 0) {
      const ssize_t got = ::pread(fd_, p, std::min<size_t>(bytes, size_t(1) << 30), static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) fail("cannot read: " + errno_text());
      if (got == 0) fail(std::string("file is shorter than ") + what);
      p += got, offset += static_cast<unsigned long long>(got);
      bytes -= static_cast<size_t>(got);
    }
  }
  void seek(unsigned long long offset) {
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) fail("cannot read: " + errno_text());
  }

 private:
  // Reads up to n bytes, fewer only at the end of the file.
  unsigned long long read_some(char* p, unsigned long long n) {
    buffered_ = true;
    unsigned long long done = 0;
    while (done < n) {
      const ssize_t got = ::read(fd_, p + done, std::min<unsigned long long>(n - done, 1ull << 30));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) fail("cannot read: " + errno_text());
      if (got == 0) break;
      done += static_cast<unsigned long long>(got);
    }
    return done;
  }

  static constexpr unsigned long long kUnknown = ~0ull;
  std::string name_;
  int fd_ = -1;
  unsigned long long size_ = kUnknown;
  std::vector<char> stream_;  // a stream's values, read ahead by buffer_stream
  size_t pos_ = 0;
  bool buffered_ = false;
};

// Product of the counts, or an error when one is negative or the product
// exceeds what a value file may hold.
unsigned long long element_count(const InputFile& f, std::initializer_list<int32_t> counts) {
  for (int32_t c : counts)
    if (c < 0) f.fail("negative count in header");
  unsigned long long n = 1;
  for (int32_t c : counts) {
    if (c == 0) return 0;
    n *= static_cast<unsigned long long>(c);
    if (n > kMaxElements)
      f.fail("header announces more elements than a value file can hold (at most " +
             std::to_string(kMaxElements) + ")");
  }
  return n;
}

// Columns that one transfer carries: as many as fit in the buffer, at most
// kBandColumns so that a band of the plane stays small.
size_t band_columns(size_t h) { return std::min(kBandColumns, kChunk / h); }
// The same for the bands that threads carry, each in a buffer of its own:
// half as many, so that a run's buffers together stay small beside a plane.
size_t thread_band_columns(size_t h) { return std::max<size_t>(1, band_columns(h) / 2); }

// Number of threads that share the bands of a plane of n values.
size_t band_threads(size_t bands, size_t n) { return static_cast<size_t>(parallel_threads(bands, n)); }

// Reads n doubles into dst: a large piece of a regular file in slices of
// kChunk on several threads (the kernel's copies and the page faults of dst
// run side by side), anything else by one read.
void read_span(InputFile& f, double* dst, size_t n, const char* what) {
  const size_t slices = (n + kChunk - 1) / kChunk;
  if (f.is_stream() || band_threads(slices, n) < 2) return f.read_doubles(dst, n, what);
  const unsigned long long base = f.position();
  parallel_ranges(slices, n, [&](size_t s0, size_t s1) {
    const size_t begin = s0 * kChunk, end = std::min(n, s1 * kChunk);
    f.read_at(dst + begin, (end - begin) * sizeof(double), base + begin * sizeof(double), what);
  });
  f.seek(base + n * sizeof(double));
}

// Reads one plane stored column by column (row index fastest) into `plane`,
// which is stored row by row (column index fastest). Bands of whole columns
// are read into buf and transposed from there straight into the plane; the
// bands of a large plane of a regular file are shared out over the threads,
// each reading its own at its place in the file into a buffer of its own.
void read_plane(InputFile& f, double* plane, size_t w, size_t h, std::vector<double>& buf) {
  const char* what = "its header announces";
  if (w == 1 || h == 1) {  // both orders coincide
    read_span(f, plane, w * h, what);
    return;
  }
  if (h <= kChunk) {
    const size_t tcols = thread_band_columns(h), bands = (w + tcols - 1) / tcols;
    if (!f.is_stream() && band_threads(bands, w * h) > 1) {
      const unsigned long long base = f.position();
      parallel_ranges(bands, w * h, [&](size_t b0, size_t b1) {
        std::vector<double> own(tcols * h);
        for (size_t b = b0; b < b1; ++b) {
          const size_t x0 = b * tcols, k = std::min(tcols, w - x0);
          f.read_at(own.data(), k * h * sizeof(double), base + x0 * h * sizeof(double), what);
          transpose(own.data(), h, plane + x0, w, k, h, true);
        }
      });
      f.seek(base + w * h * sizeof(double));
      return;
    }
    const size_t cols = band_columns(h);
    for (size_t x0 = 0; x0 < w; x0 += cols) {
      const size_t k = std::min(cols, w - x0);
      f.read_doubles(buf.data(), k * h, what);
      transpose(buf.data(), h, plane + x0, w, k, h, true);
    }
    return;
  }
  for (size_t x = 0; x < w; ++x)  // very tall planes: one column in pieces
    for (size_t y0 = 0; y0 < h; y0 += kChunk) {
      const size_t k = std::min(kChunk, h - y0);
      f.read_doubles(buf.data(), k, what);
      for (size_t i = 0; i < k; ++i) plane[(y0 + i) * w + x] = buf[i];
    }
}

// Reads one w x h plane stored column by column as the h x w plane of its
// quarter turn. Turned clockwise (plus), column x of the file becomes row x
// read backwards; turned anticlockwise, it becomes row w - 1 - x as it
// stands. Either way every column lands in one row: a copy, not a transpose.
void read_plane_turned(InputFile& f, double* plane, size_t w, size_t h, QuarterTurn turn,
                       std::vector<double>& buf) {
  const char* what = "its header announces";
  const bool plus = turn == QuarterTurn::Plus;
  const size_t cols = std::max<size_t>(1, kChunk / h), piece = std::min(kChunk, h);
  for (size_t x0 = 0; x0 < w; x0 += cols) {
    const size_t k = std::min(cols, w - x0);
    for (size_t y0 = 0; y0 < h; y0 += piece) {  // one piece unless a column exceeds the buffer
      const size_t n = std::min(piece, h - y0);
      f.read_doubles(buf.data(), k * n, what);  // k > 1 only when n == h
      for (size_t j = 0; j < k; ++j) {
        const double* col = buf.data() + j * n;
        double* row = plane + (plus ? x0 + j : w - 1 - x0 - j) * h;
        if (plus) {
          double* end = row + (h - y0);
          for (size_t i = 0; i < n; ++i) end[-1 - static_cast<std::ptrdiff_t>(i)] = col[i];
        } else {
          std::memcpy(row + y0, col, n * sizeof(double));
        }
      }
    }
  }
}

// Writes one plane stored row by row as a value file's plane, column by
// column: the mirror of read_plane (threads share the bands of a large plane
// and write each at its place in the file).
void write_plane(PendingFile& f, const double* plane, size_t w, size_t h, std::vector<double>& buf) {
  if (w == 1 || h == 1) {
    f.write(plane, w * h * sizeof(double));
    return;
  }
  if (h <= kChunk) {
    const size_t tcols = thread_band_columns(h), bands = (w + tcols - 1) / tcols;
    if (band_threads(bands, w * h) > 1) {
      const unsigned long long base = f.position();
      parallel_ranges(bands, w * h, [&](size_t b0, size_t b1) {
        std::vector<double> own(tcols * h);
        for (size_t b = b0; b < b1; ++b) {
          const size_t x0 = b * tcols, k = std::min(tcols, w - x0);
          transpose(plane + x0, w, own.data(), h, h, k, false);
          f.write_at(own.data(), k * h * sizeof(double), base + x0 * h * sizeof(double));
        }
      });
      f.seek(base + w * h * sizeof(double));
      return;
    }
    const size_t cols = band_columns(h);
    for (size_t x0 = 0; x0 < w; x0 += cols) {
      const size_t k = std::min(cols, w - x0);
      transpose(plane + x0, w, buf.data(), h, h, k, false);
      f.write(buf.data(), k * h * sizeof(double));
    }
    return;
  }
  for (size_t x = 0; x < w; ++x)
    for (size_t y0 = 0; y0 < h; y0 += kChunk) {
      const size_t k = std::min(kChunk, h - y0);
      for (size_t i = 0; i < k; ++i) buf[i] = plane[(y0 + i) * w + x];
      f.write(buf.data(), k * sizeof(double));
    }
}

void write_header(PendingFile& f, int32_t sy, int32_t sx, int32_t sv, int32_t sz) {
  const int32_t h[4] = {sy, sx, sv, sz};
  f.write(h, sizeof h);
}

// Reads the first n values after an ignored header.
template <size_t N>
void read_small_value(const char* path, double (&v)[N], const char* kind) {
  InputFile f(path);
  f.require_values(N, kind);
  int32_t h[4];
  f.read_header(h);
  f.read_doubles(v, N, kind);
}

// A coordinate value truncated toward zero, saturated to the int range so
// that a far-away position stays far away instead of wrapping.
int to_coordinate(double v, const char* path) {
  if (std::isnan(v)) throw ValueFileError(path, "coordinate is not a number");
  return zel::saturate_to_int(v);
}

}  // namespace

namespace {

struct ImageHeader {
  int32_t sy, sx, sv, sz;  // rows, columns, channels, slices
  unsigned long long count;
};

// Reads and checks the header of an image file: no negative count, no more
// elements than a file may hold, and (for a regular file) all of them present.
ImageHeader read_image_header(InputFile& f) {
  int32_t h[4];
  f.read_header(h);
  const ImageHeader head{h[0], h[1], h[2], h[3], element_count(f, {h[0], h[1], h[2], h[3]})};
  f.buffer_stream(head.count, "its header announces");
  f.require_values(head.count, "its header announces");
  return head;
}

// The values of an image file whose header has been read, as an image (or
// as its quarter turn).
CImg<double> read_image_body(InputFile& f, const ImageHeader& head, QuarterTurn turn = QuarterTurn::None) {
  if (head.count == 0) return CImg<double>();
  CImg<double> img;
  const bool turned = turn != QuarterTurn::None;  // width and height exchanged
  try {
    img.assign(turned ? head.sy : head.sx, turned ? head.sx : head.sy, head.sz, head.sv);
  } catch (const std::exception&) {
    f.fail("cannot allocate the " + std::to_string(head.count) + " values its header announces");
  }
  // A transfer buffer no bigger than a plane: small files stay cheap.
  std::vector<double> buf(turn == QuarterTurn::Transposed
                              ? 0
                              : std::min<unsigned long long>(kChunk, static_cast<unsigned long long>(head.sx) * head.sy));
  const size_t w = static_cast<size_t>(head.sx), hh = static_cast<size_t>(head.sy);
  for (int32_t z = 0; z < head.sz; ++z)
    for (int32_t v = 0; v < head.sv; ++v) {
      double* plane = img.data(0, 0, z, v);
      if (turn == QuarterTurn::Transposed)
        read_span(f, plane, w * hh, "its header announces");
      else if (turned)
        read_plane_turned(f, plane, w, hh, turn, buf);
      else
        read_plane(f, plane, w, hh, buf);
    }
  return img;
}

}  // namespace

ImageSizes::ImageSizes(const char* path) {
  InputFile f(path);
  const ImageHeader head = read_image_header(f);
  if (head.count == 0) return;
  if (f.is_stream()) {  // a stream's values are in memory already: keep them
    img_ = read_image_body(f, head);
    return;
  }
  bytes_ = head.count * sizeof(double);
  mapping_ = ::mmap(nullptr, bytes_, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (mapping_ == MAP_FAILED) {
    mapping_ = nullptr;
    f.fail("cannot map the " + std::to_string(head.count) + " values its header announces");
  }
  img_.assign(static_cast<const double*>(mapping_), head.sx, head.sy, head.sz, head.sv, true);
}

ImageSizes::~ImageSizes() {
  img_.assign();  // drop the shared view before its memory goes
  if (mapping_) ::munmap(mapping_, bytes_);
}

CImg<double> GetImage(const char* path) { return GetImage(path, QuarterTurn::None); }

CImg<double> GetImage(const char* path, QuarterTurn turn) {
  InputFile f(path);
  const ImageHeader head = read_image_header(f);
  return read_image_body(f, head, turn);
}

ConvArray GetArray(const char* path) {
  InputFile f(path);
  int32_t h[4];
  f.read_header(h);
  const int32_t rows = h[0], cols = h[1], planes = h[2];  // h[3] is not used
  const unsigned long long n = element_count(f, {rows, cols, planes});
  // Checked before anything is allocated: an empty array (a row table of
  // 2^31 rows and no columns would cost gigabytes) and a short file.
  if (n == 0) f.fail("the array is empty (" + std::to_string(rows) + " x " + std::to_string(cols) + " x " +
                     std::to_string(planes) + ")");
  f.buffer_stream(n, "its header announces");
  f.require_values(n, "its header announces");
  ConvArray arr;
  arr.setSize(rows, cols);
  // Every plane is read in turn and overwrites the one before: the last wins.
  std::vector<double> plane(static_cast<size_t>(rows) * static_cast<size_t>(cols));
  for (int32_t k = 0; k < planes; ++k) f.read_doubles(plane.data(), plane.size(), "its header announces");
  for (int32_t x = 0; x < cols; ++x)  // row index fastest
    for (int32_t y = 0; y < rows; ++y) arr.data[y][x] = plane[static_cast<size_t>(x) * rows + y];
  return arr;
}

CoOrdinate GetCoOrd(const char* path) {
  double v[2];
  read_small_value(path, v, "a coordinate (two values)");
  return CoOrdinate(to_coordinate(v[0], path), to_coordinate(v[1], path));
}

RGBTriplet GetRGBTrip(const char* path) {
  double v[3];
  read_small_value(path, v, "a colour (three values)");
  for (double c : v)
    if (std::isnan(c)) throw ValueFileError(path, "colour component is not a number");
  // Each component truncated toward zero and kept as a double.
  return RGBTriplet(std::trunc(v[0]), std::trunc(v[1]), std::trunc(v[2]));
}

double GetNumber(const char* path) {
  double v[1];
  read_small_value(path, v, "a number (one value)");
  return v[0];
}

// ---- Writing ---------------------------------------------------------------

PendingFile::PendingFile(const std::string& target) : target_(target) {
  for (int attempt = 0; fd_ < 0; ++attempt) {
    temp_ = target_ + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(attempt);
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && (errno != EEXIST || attempt > 100))
      throw ValueFileError(target_, "cannot create: " + errno_text());
  }
}

PendingFile::~PendingFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_) ::unlink(temp_.c_str());
}

void PendingFile::write(const void* bytes, size_t n) {
  const char* p = static_cast<const char*>(bytes);
  while (n > 0) {
    const ssize_t put = ::write(fd_, p, std::min<size_t>(n, size_t(1) << 30));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) throw ValueFileError(target_, "cannot write: " + errno_text());
    p += put;
    n -= static_cast<size_t>(put);
  }
}

void PendingFile::write_at(const void* bytes, size_t n, unsigned long long offset) {
  const char* p = static_cast<const char*>(bytes);
  while (n > 0) {
    const ssize_t put = ::pwrite(fd_, p, std::min<size_t>(n, size_t(1) << 30), static_cast<off_t>(offset));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) throw ValueFileError(target_, "cannot write: " + errno_text());
    p += put, offset += static_cast<unsigned long long>(put);
    n -= static_cast<size_t>(put);
  }
}

unsigned long long PendingFile::position() const {
  const off_t at = ::lseek(fd_, 0, SEEK_CUR);
  if (at < 0) throw ValueFileError(target_, "cannot write: " + errno_text());
  return static_cast<unsigned long long>(at);
}

void PendingFile::seek(unsigned long long offset) {
  if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0)
    throw ValueFileError(target_, "cannot write: " + errno_text());
}

void PendingFile::finish() {
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) throw ValueFileError(target_, "cannot write: " + errno_text());
}

void PendingFile::commit() {
  if (fd_ >= 0) finish();
  if (::rename(temp_.c_str(), target_.c_str()) != 0)
    throw ValueFileError(target_, "cannot replace: " + errno_text());
  committed_ = true;
}

void WriteTransposedImage(PendingFile& file, const CImg<double>& img) {
  if (img.is_empty()) return write_header(file, 0, 0, 0, 0);
  // The planes are in the file's order already.
  write_header(file, img.width(), img.height(), img.spectrum(), img.depth());
  for (int z = 0; z < img.depth(); ++z)
    for (int v = 0; v < img.spectrum(); ++v) file.write(img.data(0, 0, z, v), plane_size(img) * sizeof(double));
}

void WriteImage(PendingFile& file, const CImg<double>& img) {
  const size_t w = img.width(), h = img.height();
  if (img.is_empty()) {
    write_header(file, 0, 0, 0, 0);
    return;
  }
  write_header(file, img.height(), img.width(), img.spectrum(), img.depth());
  std::vector<double> buf(std::min(kChunk, w * h));
  for (int z = 0; z < img.depth(); ++z)
    for (int v = 0; v < img.spectrum(); ++v) write_plane(file, img.data(0, 0, z, v), w, h, buf);
}

void WriteArray(PendingFile& file, const ConvArray& arr) {
  const int rows = std::max(arr.getRows(), 0), cols = std::max(arr.getCols(), 0);
  write_header(file, rows, cols, 1, 1);
  for (int y = 0; y < rows; ++y) file.write(arr.data[y], sizeof(double) * static_cast<size_t>(cols));
}

void WriteNumber(PendingFile& file, double num) {
  write_header(file, 1, 1, 1, 1);
  file.write(&num, sizeof num);
}

void WriteCoOrd(PendingFile& file, const CoOrdinate& p) {
  write_header(file, 2, 1, 1, 1);
  const double v[2] = {static_cast<double>(p.getX()), static_cast<double>(p.getY())};
  file.write(v, sizeof v);
}

void WriteRGBTrip(PendingFile& file, const RGBTriplet& col) {
  write_header(file, 3, 1, 1, 1);
  const double v[3] = {col.getR(), col.getG(), col.getB()};
  file.write(v, sizeof v);
}

}  // namespace zel
