// Memory for a run that handles a few large blocks: the grid, the plan's arrays and the
// compiled files, from a few hundred kilobytes (the built-in line) to about 40 MB (the
// longest line).
#ifndef PERCORSO_BASE_HEAP_H_
#define PERCORSO_BASE_HEAP_H_

#include <cstddef>

namespace percorso {

// How a prepared heap gets its pages.
enum class HeapPages {
  kOnFirstTouch,  // as the run uses them
  kPresentNow,    // all at once, now: for a run known to use them all
};

// Grows the heap once by `bytes` and keeps it for the rest of the process: blocks up to
// 32 MB then come from the heap instead of mappings of their own, and a freed block
// stays in the heap for the next. The grown heap starts on a huge-page boundary (below
// it the heap holds a filler block of address space, never touched) and is asked for
// huge pages (2 MB): no page of it is touched before the advice, which would keep its
// 2 MB in small pages.
//
// Why: fresh memory is made present one page at a time, each on its first touch, and
// on the virtual machines this runs on a page fault, and a translation miss on a page of
// 4 KB, cost more than writing the page. Faulting in the compile's memory 4 KB at a time
// cost the built-in build run more than all its file operations, and the longest line's
// compile more than half its time. Best effort: a kernel without transparent huge pages,
// or without MADV_POPULATE_WRITE (before Linux 5.14), refuses the advice and the pages
// come as before.
void PrepareHeap(size_t bytes, HeapPages pages);

}  // namespace percorso

#endif  // PERCORSO_BASE_HEAP_H_
