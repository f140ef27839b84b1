// libFuzzer target of the DICOM reader: the input bytes are one file, read
// as "DICOMReadSingle" and each slice of "DICOMRead" read it (header, then
// pixel data through the DICOM library's decoders). The reader must refuse
// what it cannot read with an exception, and what it returns must have the
// sizes its header announced to the image: never a crash or a memory error.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>

#include "volume/dicom_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int fd = ::memfd_create("zel_fuzz_dicom", MFD_CLOEXEC);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (fd < 0 || ::ftruncate(fd, 0) != 0) std::abort();
  for (size_t done = 0; done < size;) {
    const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    if (n <= 0) std::abort();
    done += static_cast<size_t>(n);
  }
  try {
    CImg<double> img;
    zel::ReadDicomImage(path, img);
    if (img.is_empty() || img.depth() != 1) std::abort();
  } catch (const std::exception&) {
    // refused: the runner reports it as one line
  }
  return 0;
}
