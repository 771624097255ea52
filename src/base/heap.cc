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
// 64-bit machines); the heap is grown in pieces a little smaller, whole huge pages.
constexpr size_t kLargestHeapBlock = size_t{32} << 20;
constexpr size_t kHeapPiece = size_t{30} << 20;
constexpr uintptr_t kHugePage = uintptr_t{2} << 20;

// The filler below the prepared heap, held for the rest of the process.
void* held_filler = nullptr;

// Makes the next block taken from the top of the heap start on a huge-page boundary, by
// holding a filler block below it for the rest of the process (address space only: no
// page of it is touched but at its two ends). Blocks are carved from the heap's top upwards,
// so the compile's memory then lies in the huge pages prepared after the filler, and no
// memory below the boundary is made present for nothing.
//
// A probe block shows where the top begins. Taking it wrote the header of the rest of
// the top just past its end, so the boundary is chosen beyond that: a 2 MB range with a
// page touched before the advice stays in small pages. The C library gives a block the
// size asked plus its 8-byte header, rounded to 16 bytes, so the filler ends where the
// next block's header goes, 16 bytes below the boundary. Where the filler does not land
// where the probe did, it is given back and the heap is left as it is.
void AlignHeapTop() {
  constexpr size_t kProbeBytes = size_t{64} << 10;
  void* probe = std::malloc(kProbeBytes);
  if (probe == nullptr) return;
  const uintptr_t at = reinterpret_cast<uintptr_t>(probe);
  std::free(probe);
  const uintptr_t boundary = (at + kProbeBytes + 64 + kHugePage - 1) & ~(kHugePage - 1);
  void* filler = std::malloc(boundary - at - sizeof(size_t));
  if (filler != probe) {
    std::free(filler);
    return;
  }
  held_filler = filler;
}

// Sets the heap's limits and grows it by `bytes`, in blocks held until they are freed.
std::vector<std::pair<void*, size_t>> GrowHeap(size_t bytes) {
  ::mallopt(M_MMAP_THRESHOLD, static_cast<int>(kLargestHeapBlock));
  ::mallopt(M_TRIM_THRESHOLD,
            static_cast<int>(std::min<size_t>(2 * bytes + kLargestHeapBlock, size_t{1} << 30)));
  // Room for the list first: a block of it taken between the pieces would keep the last
  // piece, once freed, from going back into the heap's top.
  std::vector<std::pair<void*, size_t>> blocks;
  blocks.reserve(bytes / kHeapPiece + 1);
  AlignHeapTop();
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
