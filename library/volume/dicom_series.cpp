// DICOM files and series read through the DICOM library (DCMTK): headers,
// pixel data uncompressed or in the JPEG, JPEG-LS and RLE transfer syntaxes,
// implicit or explicit VR, with or without the 128-byte preamble and "DICM"
// mark.
//
// Choices, kept by both readers:
// - The modality rescale is applied: a voxel is stored value x slope +
//   intercept (1 and 0 where the file gives none), so that slices with their
//   own slopes form one volume in the modality's units.
// - Each file gives its first frame, every sample per pixel as a channel.
#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcrledrg.h>
#include <dcmtk/dcmdata/dcstack.h>
#include <dcmtk/dcmdata/dcxfer.h>
#include <dcmtk/dcmjpeg/djdecode.h>
#include <dcmtk/dcmjpls/djdecode.h>
#include <dcmtk/oflog/oflog.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "../dll.h"
#include "dicom_reader.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

// The listing the series reader leaves in the working directory, and the
// block runner's first result file: neither is ever a slice of a series.
constexpr const char* kListingFile = "tempfile.txt";
constexpr const char* kFirstResultFile = "temp_out_kq_matfile0.kqmat";

// Once per process: the DICOM library logs nothing (failures reach the
// caller as exceptions naming the file) and its decoders are registered.
void prepare_dicom_library() {
  static const bool done = [] {
    OFLog::configure(OFLogger::OFF_LOG_LEVEL);
    DJDecoderRegistration::registerCodecs();
    DJLSDecoderRegistration::registerCodecs();
    DcmRLEDecoderRegistration::registerCodecs();
    return true;
  }();
  (void)done;
}

// One parsed file: what the series reader needs from its header, and the
// parsed file itself, whose pixel data the library loads only when asked.
struct Header {
  std::string file, study, series;
  std::unique_ptr<DcmFileFormat> parsed;
  bool damaged = false;  // the parser stopped early (truncated or corrupt)
  bool numbered = false;
  long instance = 0;
  unsigned rows = 0, columns = 0, samples = 1;
  double slope = 1.0, intercept = 0.0;
};

// A cheap look at the first bytes, so that files which are plainly not DICOM
// (value files, pictures, text) never reach the parser: either the "DICM"
// mark after the preamble, or a file that starts with an element of group
// 0000, 0002 or 0008 (a stream without preamble), in either byte order.
bool may_be_dicom(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  unsigned char head[132] = {};
  in.read(reinterpret_cast<char*>(head), sizeof head);
  const std::streamsize got = in.gcount();
  if (got == 132 && std::memcmp(head + 128, "DICM", 4) == 0) return true;
  if (got < 8) return false;
  const unsigned little = head[0] | head[1] << 8, big = head[0] << 8 | head[1];
  auto known = [](unsigned group) { return group == 0x0000 || group == 0x0002 || group == 0x0008; };
  return known(little) || known(big);
}

std::string text_of(DcmDataset& ds, const DcmTagKey& key) {
  OFString s;
  return ds.findAndGetOFString(key, s).good() ? std::string(s.c_str()) : std::string();
}

// Whether an element announces a value longer than the whole file. The
// parser leaves long values on disk and allocates their announced length
// when one is read: a small damaged file could ask for gigabytes.
bool announces_more_than(DcmFileFormat& parsed, uintmax_t file_bytes) {
  DcmStack stack;
  while (parsed.nextObject(stack, OFTrue).good()) {
    // Elements only: the length of a data set or sequence is computed for
    // an encoding of the parser's choosing, not read from the file.
    if (!stack.top()->isLeaf()) continue;
    const Uint32 length = stack.top()->getLengthField();  // as read: getLength() would load the value
    if (length != DCM_UndefinedLength && length > file_bytes) return true;
  }
  return false;
}

// Parses file up to its pixel data, whose value stays on disk until it is
// read. False when the file is not a DICOM image: the parser finds no
// element, or no rows and columns; also false, with `damaged` set, when an
// element announces more bytes than the file holds.
bool read_header(const std::string& file, Header& h) {
  if (!may_be_dicom(file)) return false;
  auto parsed = std::make_unique<DcmFileFormat>();
  const OFCondition status = parsed->loadFile(file.c_str(), EXS_Unknown, EGL_noChange, DCM_MaxReadLength,
                                              ERM_autoDetect);
  std::error_code ec;
  const uintmax_t file_bytes = fs::file_size(file, ec);
  if (ec || announces_more_than(*parsed, file_bytes)) {
    h.damaged = true;
    return false;
  }
  DcmDataset& ds = *parsed->getDataset();
  Uint16 rows = 0, columns = 0, samples = 1;
  if (ds.findAndGetUint16(DCM_Rows, rows).bad() || ds.findAndGetUint16(DCM_Columns, columns).bad() || rows == 0 ||
      columns == 0)
    return false;
  if (ds.tagExists(DCM_SamplesPerPixel) && (ds.findAndGetUint16(DCM_SamplesPerPixel, samples).bad() ||
                                            samples < 1 || samples > 4))
    return false;
  h.file = file;
  h.damaged = status.bad();
  h.rows = rows;
  h.columns = columns;
  h.samples = samples;
  h.study = text_of(ds, DCM_StudyInstanceUID);
  h.series = text_of(ds, DCM_SeriesInstanceUID);
  Sint32 number = 0;
  h.numbered = ds.findAndGetSint32(DCM_InstanceNumber, number).good();
  h.instance = number;
  Float64 v;
  if (ds.findAndGetFloat64(DCM_RescaleSlope, v).good() && std::isfinite(v)) h.slope = v;
  if (ds.findAndGetFloat64(DCM_RescaleIntercept, v).good() && std::isfinite(v)) h.intercept = v;
  h.parsed = std::move(parsed);
  return true;
}

// The header of the file the caller named; refuses what is not a DICOM image.
Header given_header(const std::string& file) {
  prepare_dicom_library();
  std::error_code ec;
  const fs::file_status st = fs::status(file, ec);
  if (!fs::exists(st)) throw std::invalid_argument(file + ": no such file");
  if (fs::is_directory(st)) throw std::invalid_argument(file + ": is a folder, not a DICOM file");
  if (!fs::is_regular_file(st)) throw std::invalid_argument(file + ": not a regular file");
  Header h;
  if (!read_header(file, h))
    throw std::invalid_argument(file + (h.damaged ? ": truncated or damaged" : ": not a DICOM image file"));
  return h;
}

// How stored values are laid out in the pixel data.
struct Layout {
  unsigned allocated, stored, high;
  bool is_signed, planar;
};

// Stored values of one frame into the planes of a slice: the channel c plane
// starts at dst + c * channel_stride. Only the bits stored count (ending at
// the high bit), sign-extended for signed pixels.
template <typename Word>
void convert_frame(const Word* src, const Header& h, const Layout& l, double* dst, size_t channel_stride) {
  const size_t plane = static_cast<size_t>(h.rows) * h.columns;
  const unsigned shift = l.high + 1 - l.stored;
  const uint32_t mask = l.stored >= 32 ? 0xffffffffu : (1u << l.stored) - 1;
  const int64_t sign = l.is_signed ? int64_t{1} << (l.stored - 1) : 0;
  const double slope = h.slope, intercept = h.intercept;
  for (unsigned c = 0; c < h.samples; ++c) {
    double* d = dst + c * channel_stride;
    const Word* s = src + (l.planar ? c * plane : c);
    const size_t step = l.planar ? 1 : h.samples;
    for (size_t i = 0; i < plane; ++i, s += step) {
      const int64_t bits = (static_cast<uint32_t>(*s) >> shift) & mask;
      const int64_t v = sign ? (bits ^ sign) - sign : bits;  // sign extension
      d[i] = static_cast<double>(v) * slope + intercept;
    }
  }
}

// The first frame of h's file, ready to convert: its layout and its pixel
// data element, checked to hold the whole frame (compressed data is decoded
// here). Called before an image is sized from the header, so that a header
// announcing more than its file holds allocates nothing.
struct Frame {
  Layout layout;
  DcmElement* pixels;
  size_t bytes;
};
Frame check_frame(Header& h) {
  if (h.damaged) throw std::runtime_error(h.file + ": truncated or damaged");
  DcmDataset& ds = *h.parsed->getDataset();
  if (DcmXfer(ds.getOriginalXfer()).isEncapsulated() &&
      ds.chooseRepresentation(EXS_LittleEndianExplicit, nullptr).bad())
    throw std::runtime_error(h.file + ": cannot decode its compressed pixel data");
  Uint16 allocated = 0, stored = 0, high = 0, representation = 0, planar = 0;
  if (ds.findAndGetUint16(DCM_BitsAllocated, allocated).bad() ||
      (allocated != 8 && allocated != 16 && allocated != 32))
    throw std::invalid_argument(h.file + ": pixel format not supported (" + std::to_string(allocated) +
                                " bits allocated)");
  if (ds.findAndGetUint16(DCM_BitsStored, stored).bad() || stored == 0 || stored > allocated) stored = allocated;
  if (ds.findAndGetUint16(DCM_HighBit, high).bad() || high < stored - 1 || high >= allocated) high = stored - 1;
  ds.findAndGetUint16(DCM_PixelRepresentation, representation);
  ds.findAndGetUint16(DCM_PlanarConfiguration, planar);
  const Layout layout{allocated, stored, high, representation == 1, h.samples > 1 && planar == 1};

  DcmElement* pixels = nullptr;
  if (ds.findAndGetElement(DCM_PixelData, pixels).bad() || !pixels)
    throw std::runtime_error(h.file + ": holds no pixel data");
  const size_t frame = static_cast<size_t>(h.rows) * h.columns * h.samples * (allocated / 8);
  if (pixels->getLength() < frame)
    throw std::runtime_error(h.file + ": holds less pixel data than its header announces");
  return {layout, pixels, frame};
}

// Decodes the first frame of h's file into slice z of out, whose width,
// height and channels match the header.
void read_frame(Header& h, CImg<double>& out, unsigned z) {
  const Frame f = check_frame(h);
  const Layout& layout = f.layout;
  const unsigned allocated = layout.allocated;
  const size_t frame = f.bytes;
  DcmElement* pixels = f.pixels;
  double* dst = out.data(0, 0, z, 0);
  const size_t stride = static_cast<size_t>(out.width()) * out.height() * out.depth();
  // The library hands 8-bit data as bytes and wider data as 16-bit words in
  // this machine's byte order, loading the value from the file on this call.
  if (allocated == 8) {
    Uint8* bytes = nullptr;
    if (pixels->getUint8Array(bytes).bad() || !bytes) throw std::runtime_error(h.file + ": cannot read its pixel data");
    convert_frame(bytes, h, layout, dst, stride);
  } else {
    Uint16* words = nullptr;
    if (pixels->getUint16Array(words).bad() || !words)
      throw std::runtime_error(h.file + ": cannot read its pixel data");
    if (allocated == 16) {
      convert_frame(words, h, layout, dst, stride);
    } else {
      std::vector<uint32_t> wide(frame / 4);
      std::memcpy(wide.data(), words, frame);
      convert_frame(wide.data(), h, layout, dst, stride);
    }
  }
  pixels->compact();  // the value is not needed again: free it now
}

// Writes the names of the folder's entries, one a line, to the listing file
// in the working directory.
void write_listing(const std::vector<std::string>& names) {
  std::ofstream listing(kListingFile, std::ios::trunc);
  for (const std::string& name : names) listing << name << '\n';
  listing.flush();
  if (!listing) throw std::runtime_error(std::string(kListingFile) + ": cannot write the folder listing");
}

// The names of the entries of folder, sorted; throws when it cannot be read.
std::vector<std::string> list_folder(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  const std::string shown = folder.empty() ? "." : folder.string();
  fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) names.push_back(it->path().filename().string());
  if (ec) throw std::runtime_error(shown + ": cannot list the folder: " + ec.message());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

bool IsDicomPath(const std::string& path) {
  const size_t slash = path.find_last_of('/'), dot = path.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "dcm" || ext == "dicom") return true;
  }
  std::ifstream in(path, std::ios::binary);
  char head[132];
  return in.read(head, sizeof head) && std::memcmp(head + 128, "DICM", 4) == 0;
}

void ReadDicomImage(const std::string& path, CImg<double>& out) {
  Header h = given_header(path);
  check_frame(h);
  CImg<double> image(h.columns, h.rows, 1, h.samples);
  read_frame(h, image, 0);
  out.swap(image);
}

}  // namespace zel

// Reads the series of the DICOM file at path from the folder that holds it.
ZEL_API void DicomOpenFun(CImg<double>& out, const char* path) {
  using namespace zel;
  if (!path || !*path) throw std::invalid_argument("no file name given");
  const std::string given(path);
  Header first = given_header(given);
  check_frame(first);
  first.parsed.reset();  // its slice is read again with the others
  const fs::path folder = fs::path(given).parent_path();
  const std::vector<std::string> names = list_folder(folder);
  write_listing(names);

  std::vector<Header> slices;
  size_t other_size = 0;
  for (const std::string& name : names) {
    if (name == kListingFile || name == kFirstResultFile) continue;
    const std::string file = folder.empty() ? name : (folder / name).string();
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) continue;
    Header h;
    // What is not DICOM is passed over, whatever its name (so is a file too
    // damaged to tell its series, as garbage that starts like DICOM is).
    if (!read_header(file, h) || h.study != first.study || h.series != first.series) continue;
    if (h.rows != first.rows || h.columns != first.columns || h.samples != first.samples) {
      ++other_size;
      continue;
    }
    slices.push_back(std::move(h));
  }
  if (slices.empty()) throw std::runtime_error(given + ": no file of its series could be read");
  // Instance order; files without an instance number after the numbered ones;
  // equal numbers (or none) in the order of their file names, every file kept.
  std::stable_sort(slices.begin(), slices.end(), [](const Header& a, const Header& b) {
    if (a.numbered != b.numbered) return a.numbered;
    return a.numbered && a.instance < b.instance;
  });

  CImg<double> volume(first.columns, first.rows, static_cast<unsigned>(slices.size()), first.samples);
  for (size_t z = 0; z < slices.size(); ++z) {
    read_frame(slices[z], volume, static_cast<unsigned>(z));
    slices[z].parsed.reset();
  }
  // One notice line, once the series has been read (an error stays the only line).
  if (other_size > 0)
    std::fprintf(stderr, "%s: passed over %zu file%s of its series whose rows, columns or samples differ\n",
                 given.c_str(), other_size, other_size == 1 ? "" : "s");
  out.swap(volume);
}
