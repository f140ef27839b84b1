// Array allocation of the runner process (the library allocates through the
// same operators). Image buffers are large and written once from end to end,
// so large arrays ask the kernel for transparent huge pages and have it fill
// them in at once (MADV_POPULATE_WRITE, where the kernel has it) instead of
// one page fault at a time. Every fresh page is zeroed by the kernel either
// way; what this saves is the faults. On a virtual machine a fault can cost
// far more than the zeroing: measured on one, a 128 MiB image cost 4 to 5
// times more in 4 KiB pages than in huge pages, and after a few idle seconds
// (when the host has taken back the free memory) huge pages filled in at
// once cost a third less than huge pages faulted one by one. Everything else
// is plain malloc/free.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

#if !defined(__SANITIZE_ADDRESS__)

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
#if defined(MADV_POPULATE_WRITE)
constexpr int kPopulateWrite = MADV_POPULATE_WRITE;
#else
constexpr int kPopulateWrite = 23;  // Linux 5.14's value, for older headers
#endif

void* allocate(std::size_t n) {
  void* p = nullptr;
  if (n < 2 * kHugePage) {
    p = std::malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    return p;
  }
  // Large blocks start on a cache line, so that rows of an image can be
  // written in whole lines.
  if (::posix_memalign(&p, 64, n) != 0) throw std::bad_alloc();
  {
    // Advise only the whole huge pages inside the block, before any is touched.
    const auto begin = (reinterpret_cast<std::uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(p) + n) & ~(kHugePage - 1);
    if (end > begin) {
      ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
      // Advice only: an older kernel refuses it and the pages fault in as they are touched.
      ::madvise(reinterpret_cast<void*>(begin), end - begin, kPopulateWrite);
    }
  }
  return p;
}

}  // namespace

__attribute__((visibility("default"))) void* operator new[](std::size_t n) { return allocate(n); }
__attribute__((visibility("default"))) void operator delete[](void* p) noexcept { std::free(p); }
__attribute__((visibility("default"))) void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

#endif
