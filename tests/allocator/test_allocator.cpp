// The runner's array allocator, linked into this test as it is into the
// runner: large blocks are cache-line aligned, advised for huge pages and
// filled in before use, small ones are plain, and delete[] gives every block
// back.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kMiB = std::size_t(1) << 20;

// The VmFlags line of the mapping that holds address p ("hg" marks huge-page advice).
std::string vm_flags_at(const void* p) {
  const auto a = reinterpret_cast<std::uintptr_t>(p);
  std::ifstream smaps("/proc/self/smaps");
  std::string line;
  bool inside = false;
  while (std::getline(smaps, line)) {
    std::uintptr_t lo = 0, hi = 0;
    char dash = 0;
    std::istringstream head(line);
    if (head >> std::hex >> lo >> dash >> hi && dash == '-') {
      inside = a >= lo && a < hi;
      continue;
    }
    if (inside && line.rfind("VmFlags:", 0) == 0) return line;
  }
  return {};
}

bool huge_page_advised(const void* p) { return vm_flags_at(p).find(" hg") != std::string::npos; }

// Virtual size of the process in KiB.
long vm_size_kib() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == "VmSize:") {
      status >> value;
      return value;
    }
    status.ignore(1 << 10, '\n');
  }
  return -1;
}

#if defined(__SANITIZE_ADDRESS__)
#define SKIP_UNDER_SANITIZER() GTEST_SKIP() << "the sanitizer's own allocator replaces this one"
#else
#define SKIP_UNDER_SANITIZER() (void)0
#endif

TEST(Allocator, LargeBlocksAreAlignedAndAdvisedForHugePagesSmallOnesAreNot) {
  SKIP_UNDER_SANITIZER();
  for (std::size_t n : {4 * kMiB, 4 * kMiB + 8, 64 * kMiB + 24}) {
    auto* big = new double[n / sizeof(double)];
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(big) % 64, 0u) << n;
    // The first whole huge page inside the block carries the advice.
    const auto page = (reinterpret_cast<std::uintptr_t>(big) + 2 * kMiB - 1) & ~(2 * kMiB - 1);
    EXPECT_TRUE(huge_page_advised(reinterpret_cast<void*>(page))) << vm_flags_at(reinterpret_cast<void*>(page));
    big[0] = 1.0;
    big[n / sizeof(double) - 1] = 2.0;  // the whole block is usable
    delete[] big;
  }
  // Below two huge pages the block is plain malloc memory, never advised.
  auto* small = new double[(2 * kMiB - 8) / sizeof(double)];
  EXPECT_FALSE(huge_page_advised(small)) << vm_flags_at(small);
  delete[] small;
  auto* empty = new double[0];
  EXPECT_NE(empty, nullptr);
  delete[] empty;
}

// Whether the kernel fills in pages on request (Linux 5.14 on).
bool kernel_populates() {
  const std::size_t n = 4096;
  void* m = ::mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (m == MAP_FAILED) return false;
  const bool ok = ::madvise(m, n, 23 /* MADV_POPULATE_WRITE */) == 0;
  ::munmap(m, n);
  return ok;
}

// Pages of [p, p + n) that are resident.
std::size_t resident_pages(const void* p, std::size_t n) {
  const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const auto lo = reinterpret_cast<std::uintptr_t>(p) & ~(page - 1);
  const std::size_t count = (reinterpret_cast<std::uintptr_t>(p) + n - lo + page - 1) / page;
  std::vector<unsigned char> in(count);
  if (::mincore(reinterpret_cast<void*>(lo), count * page, in.data()) != 0) return 0;
  std::size_t k = 0;
  for (unsigned char c : in) k += c & 1;
  return k;
}

TEST(Allocator, LargeBlocksArriveFilledIn) {
  SKIP_UNDER_SANITIZER();
  if (!kernel_populates()) GTEST_SKIP() << "this kernel does not fill in pages on request";
  const std::size_t n = 24 * kMiB;
  auto* big = new char[n];  // nothing written yet
  // Every whole huge page inside the block is resident before it is touched.
  const auto lo = (reinterpret_cast<std::uintptr_t>(big) + 2 * kMiB - 1) & ~(2 * kMiB - 1);
  const auto hi = (reinterpret_cast<std::uintptr_t>(big) + n) & ~(2 * kMiB - 1);
  ASSERT_GT(hi, lo);
  const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  EXPECT_EQ(resident_pages(reinterpret_cast<void*>(lo), hi - lo), (hi - lo) / page);
  delete[] big;
}

TEST(Allocator, DeleteReturnsLargeBlocksToTheSystem) {
  SKIP_UNDER_SANITIZER();
  const long before = vm_size_kib();
  ASSERT_GT(before, 0);
  // 64 rounds of 256 MiB: kept blocks would add 16 GiB of address space.
  for (int i = 0; i < 64; ++i) {
    char* volatile block = new char[256 * kMiB];
    block[0] = 1;
    delete[] block;
  }
  EXPECT_LT(vm_size_kib() - before, 512L * 1024);
}

TEST(Allocator, AnImpossibleRequestThrowsBadAlloc) {
  SKIP_UNDER_SANITIZER();
  volatile std::size_t n = ~std::size_t(0) / 2;
  char* volatile p = nullptr;  // volatile: the compiler may not drop the pair
  EXPECT_THROW(p = new char[n], std::bad_alloc);
  delete[] p;
}

}  // namespace
