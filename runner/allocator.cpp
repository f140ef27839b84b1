// Array allocation of the runner process (the library allocates through the
// same operators). Image buffers are large and written once from end to end,
// so large arrays ask the kernel for transparent huge pages: one page fault
// per 2 MiB instead of one per 4 KiB. Everything else is plain malloc/free.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

#if !defined(__SANITIZE_ADDRESS__)

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;

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
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  }
  return p;
}

}  // namespace

__attribute__((visibility("default"))) void* operator new[](std::size_t n) { return allocate(n); }
__attribute__((visibility("default"))) void operator delete[](void* p) noexcept { std::free(p); }
__attribute__((visibility("default"))) void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

#endif
