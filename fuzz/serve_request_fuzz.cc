// The preview server's request handling: any bytes as a request, parsed by cpp-httplib
// and routed, answered in memory (no socket). The event hub is closed, so an event
// stream ends after the page it starts with.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "serve/event_hub.h"
#include "serve/live_page.h"
#include "serve/preview_server.h"

namespace {

percorso::EventHub& Hub() {
  static percorso::EventHub* hub = [] {
    auto* h = new percorso::EventHub;
    percorso::LivePage page("L · train 1");
    percorso::PageBuild build;
    build.drawing = "<p>drawing</p>";
    build.title = "L · train 1";
    build.complete = true;
    h->Publish(page.Update(build, "00:00:00"));
    h->Close();
    return h;
  }();
  return *hub;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static percorso::PreviewServer* server = new percorso::PreviewServer(Hub());
  server->Answer(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
