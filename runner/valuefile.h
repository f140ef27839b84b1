// Value files: the binary format of every value that enters or leaves the
// runner. A 16-byte header of four little-endian int32 counts (rows,
// columns, channels, slices) followed by the values as little-endian
// doubles. Images are stored plane by plane (slice, then channel) and, inside
// a plane, column by column with the row index fastest. Arrays are written
// row by row but read column by column (see GetArray).
#pragma once

#include <stdexcept>
#include <string>

#include "datatypes.h"
#include "image.h"

namespace zel {

// A value file that cannot be read or written: what() is
// "<file name>: <problem>".
class ValueFileError : public std::runtime_error {
 public:
  ValueFileError(const std::string& file, const std::string& problem)
      : std::runtime_error(file + ": " + problem) {}
};

// The largest element count an image or array file may announce: counts are
// formed in 32-bit arithmetic by the files' producers.
constexpr unsigned long long kMaxElements = 0xFFFFFFFFull;

// Readers. Each throws ValueFileError when the file cannot be opened, is
// shorter than its header (or kind) needs, has a negative count or announces
// more elements than kMaxElements; std::bad_alloc when the values do not fit
// in memory. The header of a number, coordinate or colour file is ignored.
CImg<double> GetImage(const char* path);

// A quarter turn of every plane, as the geometry operations define it: plus
// is clockwise as displayed (out(h - 1 - y, x) = in(x, y)), minus
// anticlockwise (out(y, w - 1 - x) = in(x, y)).
// Transposed is not a turn: every plane is read as its transpose, which is
// the file's own column order, so the read is a straight copy. An operation
// that treats every sample alike gives the transpose of its result from it,
// and that result written back with WriteImage(..., transposed) is the file
// it would have written: both transposes of the run are saved.
enum class QuarterTurn { None, Plus, Minus, Transposed };
// GetImage, each plane turned as it is read (width and height exchanged):
// the same checks and errors, and no more work than an unturned read.
CImg<double> GetImage(const char* path, QuarterTurn turn);

// For commands that use only an image's sizes: the file is checked exactly
// as GetImage checks it, but its pixels are not loaded. The image is shared
// over a read-only mapping of zeros that takes no memory until read; the
// mapping lives as long as this object.
class ImageSizes {
 public:
  explicit ImageSizes(const char* path);
  ~ImageSizes();
  ImageSizes(const ImageSizes&) = delete;
  ImageSizes& operator=(const ImageSizes&) = delete;
  const CImg<double>& image() const { return img_; }

 private:
  CImg<double> img_;
  void* mapping_ = nullptr;
  size_t bytes_ = 0;
};
ConvArray GetArray(const char* path);        // sy rows, sx columns; the last of sv planes
CoOrdinate GetCoOrd(const char* path);       // two values, truncated toward zero
RGBTriplet GetRGBTrip(const char* path);     // three values, truncated toward zero
double GetNumber(const char* path);          // one value, unchanged

// An output file under construction: created under a temporary name in the
// target's folder and renamed onto the target by commit(), so that a reader
// never sees a half-written file. Destroyed uncommitted, it removes itself.
class PendingFile {
 public:
  explicit PendingFile(const std::string& target);
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  void write(const void* bytes, size_t n);  // throws ValueFileError
  // For writing the pieces of a large plane on several threads: write_at
  // may be called concurrently; seek then moves the position past them.
  void write_at(const void* bytes, size_t n, unsigned long long offset);
  unsigned long long position() const;
  void seek(unsigned long long offset);
  void finish();                            // closes the file; throws on a failed close
  void commit();                            // renames onto the target; throws on failure

 private:
  std::string target_, temp_;
  int fd_ = -1;
  bool committed_ = false;
};

// Writers: each writes one value file into a PendingFile.
void WriteImage(PendingFile& file, const CImg<double>& img);
// img holds the transpose of every plane (an image read
// QuarterTurn::Transposed): written as the untransposed image's file.
void WriteTransposedImage(PendingFile& file, const CImg<double>& img);
void WriteArray(PendingFile& file, const ConvArray& arr);
void WriteNumber(PendingFile& file, double num);
void WriteCoOrd(PendingFile& file, const CoOrdinate& p);
void WriteRGBTrip(PendingFile& file, const RGBTriplet& col);

// Convenience: write one value file at path, whole or not at all.
template <class Writer, class Value>
void WriteValueFile(const std::string& path, Writer writer, const Value& v) {
  PendingFile file(path);
  writer(file, v);
  file.finish();
  file.commit();
}

}  // namespace zel
