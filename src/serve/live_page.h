// The page of the live preview and its state between compiles: the diagnostics of the
// latest compile at the top, and below them the latest drawing that shows the texts
// whole. When the texts have an error that stops the loader, or nothing could be
// compiled, the drawing of the last compile that read the texts to their end is kept and
// marked stale rather than replaced by a blank page or by half a line.
//
// Every change is rendered once into a snapshot: the whole document (for a page being
// opened) and the same change as one line of JSON (for pages already open, which apply
// it in place, keeping their scroll position).
#ifndef PERCORSO_SERVE_LIVE_PAGE_H_
#define PERCORSO_SERVE_LIVE_PAGE_H_

#include <cstdint>
#include <memory>
#include <string>

#include "serve/page_compile.h"

namespace percorso {

struct PageSnapshot {
  uint64_t generation = 0;  // rises by one with every compile
  std::string document;     // the whole HTML page
  std::string event;        // the change as one line of JSON, for the event stream
};

// Not thread-safe: one thread feeds it; snapshots are immutable and may be shared.
class LivePage {
 public:
  // `pair_label` names the pair before anything has been drawn ("NAME · train NUMBER").
  explicit LivePage(std::string pair_label);

  // Takes the result of a compile finished at `clock` ("13:04:05") and renders it.
  std::shared_ptr<const PageSnapshot> Update(PageBuild build, const std::string& clock);

 private:
  std::string RenderStatus(const PageBuild& build, const std::string& clock) const;

  std::string pair_label_;
  uint64_t generation_ = 0;
  uint64_t drawing_id_ = 0;  // changes whenever the drawing shown changes
  std::string drawing_;      // the report's content shown; empty before the first drawing
  std::string title_;
  bool stale_ = false;
  bool partial_ = false;     // the drawing shown comes from a load an error stopped
  std::string drawn_at_;     // clock of the compile the drawing comes from
};

}  // namespace percorso

#endif  // PERCORSO_SERVE_LIVE_PAGE_H_
