// Image and DICOM file input and output. The image library picks the format
// from the file name's extension (writing DICOM through medcon); DICOM files
// are read through the DICOM library (dicom_series.cpp), as the series
// reader reads them, so that both give the same values.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>
#include <stdexcept>
#include <string>

#include "../dll.h"
#include "dicom_reader.h"

namespace {

// path as its stem and extension ("dir/out" and ".png").
std::pair<std::string, std::string> split_extension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  const bool has_ext = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  if (!has_ext) return {path, std::string()};
  return {path.substr(0, dot), path.substr(dot)};
}

// A name in the same folder as path, with the same extension, for writing
// the file before it replaces path: "<stem>.tmp<pid><ext>".
std::string temporary_sibling(const std::string& path) {
  const auto [stem, ext] = split_extension(path);
  return stem + ".tmp" + std::to_string(::getpid()) + ext;
}

// Removes the temporary siblings of path that earlier saves, killed while
// writing, left behind: those whose process no longer exists.
void remove_dead_siblings(const std::string& path) {
  namespace fs = std::filesystem;
  const auto [stem, ext] = split_extension(path);
  const fs::path stem_path(stem);
  const std::string prefix = stem_path.filename().string() + ".tmp";
  fs::path folder = stem_path.parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= prefix.size() + ext.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
      continue;
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - ext.size());
    if (digits.empty() || digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    const long pid = std::strtol(digits.c_str(), nullptr, 10);
    std::error_code gone;
    if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) fs::remove(it->path(), gone);
  }
}

// The image library's message with every mention of `from` replaced by `to`.
std::string reason(const std::exception& e, const std::string& from, const std::string& to) {
  std::string text = e.what();
  for (size_t at = 0; !from.empty() && (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

// The largest value the format named by path's extension stores (its whole
// numbers run from 0), or 0 for a format that stores the doubles as they are.
// An extension of no format the writer supports is refused before anything
// is written.
double format_ceiling(const std::string& path) {
  const size_t slash = path.find_last_of('/'), dot = path.find_last_of('.');
  std::string ext = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(dot + 1) : "";
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "png" || ext == "pgm" || ext == "ppm" || ext == "pnm") return 65535.0;
  if (ext == "jpg" || ext == "jpeg" || ext == "bmp") return 255.0;
  if (ext == "tif" || ext == "tiff" || ext == "dcm") return 0.0;
  throw std::invalid_argument(path + ": cannot write this format (the writer knows .png, .jpg, .jpeg, .bmp, .pgm, "
                              ".ppm, .pnm, .tif, .tiff and .dcm)");
}

}  // namespace

// Loads one image file and keeps its first slice with all channels. A file
// that the image library would take for DICOM (by extension or by its
// "DICM" mark) is read by the DICOM reader, modality rescale applied.
ZEL_API void DicomOpenFunSingle(CImg<double>& out, const char* path) {
  if (!path || !*path) throw std::invalid_argument("no file name given");
  if (zel::IsDicomPath(path)) return zel::ReadDicomImage(path, out);
  CImg<double> loaded;
  {
    // The image library and the converters it starts print their own
    // messages on stderr: silenced while loading, so that a failure shows as
    // the runner's one line.
    std::fflush(stderr);
    const int saved = ::dup(2), null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved >= 0 && null >= 0) ::dup2(null, 2);
    if (null >= 0) ::close(null);
    const auto restore = [saved] {
      if (saved >= 0) ::dup2(saved, 2), ::close(saved);
    };
    try {
      loaded.load(path);
    } catch (const std::exception& e) {
      restore();
      throw std::runtime_error(std::string(path) + ": cannot load: " + e.what());
    }
    restore();
  }
  if (loaded.is_empty()) throw std::runtime_error(std::string(path) + ": the file holds no image");
  if (loaded.depth() > 1) loaded.slice(0);
  out.swap(loaded);
}

// Writes the image to path whole or not at all: the file is written under a
// temporary name in the same folder and then renamed. An empty image is
// refused, since it would leave a file that no reader can load.
ZEL_API void DicomSaveFun(const CImg<double>& in, const char* path) {
  if (!path || !*path) throw std::invalid_argument("no file name given");
  if (in.is_empty()) throw std::invalid_argument("cannot save an empty image");
  const std::string target(path), temp = temporary_sibling(target);
  const double top = format_ceiling(target);
  remove_dead_siblings(target);
  // A format of whole numbers gets values it can hold: clamped to 0..top,
  // NaN as 0 (the image library would convert the others with undefined
  // results).
  CImg<double> mapped;
  if (top > 0.0) {
    bool fits = true;
    cimg_for(in, p, double) fits = fits && *p >= 0.0 && *p <= top;
    if (!fits) {
      mapped.assign(in);
      cimg_for(mapped, p, double) *p = *p > 0.0 ? (*p < top ? *p : top) : 0.0;
    }
  }
  try {
    (mapped.is_empty() ? in : mapped).save(temp.c_str());
  } catch (const std::exception& e) {
    std::remove(temp.c_str());
    throw std::runtime_error(target + ": cannot write: " + reason(e, temp, target));
  }
  if (std::rename(temp.c_str(), target.c_str()) != 0) {
    std::remove(temp.c_str());
    throw std::runtime_error(target + ": cannot write the file");
  }
}
