#include "base/heap.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace percorso {
namespace {

constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
constexpr size_t kPrepared = size_t{8} << 20;

// Pages of [begin, begin + bytes) present in memory.
size_t PresentPages(uintptr_t begin, size_t bytes) {
  const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
  std::vector<unsigned char> present(bytes / page);
  if (::mincore(reinterpret_cast<void*>(begin), bytes, present.data()) != 0) return SIZE_MAX;
  size_t n = 0;
  for (unsigned char p : present) n += p & 1;
  return n;
}

// Prepares the heap, pages taken as used, and checks that the next large block starts on
// a huge-page boundary with not one page of the prepared range touched: a page touched
// before the advice (a block header, say) keeps its whole 2 MB in small pages. Exits 0
// when both hold; runs in a child process, since the heap's settings are the process's.
[[noreturn]] void PrepareAndInspect() {
  PrepareHeap(kPrepared, HeapPages::kOnFirstTouch);
  // The prepared heap as one block from its top (the C library writes only the header
  // before it and the one after it, both outside).
  const size_t bytes = kPrepared;
  void* block = std::malloc(bytes);
  const uintptr_t at = reinterpret_cast<uintptr_t>(block);
  if (at % kHugePage != 0) {
    std::fprintf(stderr, "first block at %#zx, not on a 2 MB boundary\n", static_cast<size_t>(at));
    std::_Exit(1);
  }
  const size_t touched = PresentPages(at, bytes);
  std::free(block);
  if (touched != 0) {
    std::fprintf(stderr, "%zu pages of the prepared heap touched before use\n", touched);
    std::_Exit(1);
  }
  std::_Exit(0);
}

TEST(PrepareHeapTest, PreparedHeapStartsOnAHugePageBoundaryUntouched) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizers' allocator keeps no heap of the C library's";
#endif
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(PrepareAndInspect(), testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace percorso
