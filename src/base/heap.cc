#include "base/heap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace percorso {

namespace {

// The largest block the C library lets come from the heap (M_MMAP_THRESHOLD's limit on
// 64-bit machines); the heap is grown in pieces a little smaller.
constexpr size_t kLargestHeapBlock = size_t{32} << 20;
constexpr size_t kHeapPiece = size_t{31} << 20;

// Sets the heap's limits and grows it by `bytes`, in blocks held until they are freed.
std::vector<std::pair<void*, size_t>> GrowHeap(size_t bytes) {
  ::mallopt(M_MMAP_THRESHOLD, static_cast<int>(kLargestHeapBlock));
  ::mallopt(M_TRIM_THRESHOLD,
            static_cast<int>(std::min<size_t>(2 * bytes + kLargestHeapBlock, size_t{1} << 30)));
  std::vector<std::pair<void*, size_t>> blocks;
  for (size_t left = bytes; left > 0;) {
    const size_t n = std::min(left, kHeapPiece);
    void* block = std::malloc(n);
    if (block == nullptr) break;
    blocks.emplace_back(block, n);
    left -= n;
  }
  return blocks;
}

void Advise(void* block, size_t bytes, HeapPages pages) {
  const uintptr_t page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + page - 1) & ~(page - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(page - 1);
  if (end <= begin) return;
  ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  if (pages == HeapPages::kPresentNow) {
    ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
  }
}

}  // namespace

void PrepareHeap(size_t bytes, HeapPages pages) {
  for (auto [block, n] : GrowHeap(bytes)) {
    Advise(block, n, pages);
    std::free(block);
  }
}

}  // namespace percorso
