// The preview server's request handling: any bytes as a request, through the same path
// a connection's request takes (the library's parsing, its range handling and answer
// writing, the Host check and the routes), answered in memory. The event hub is closed,
// so an event stream ends after the page it starts with. Every answer is checked: never
// a partial answer nor a Content-Range, never larger than the page and its event with a
// head, and a page answered with 200 is the whole page.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "serve/event_hub.h"
#include "serve/live_page.h"
#include "serve/preview_server.h"

namespace {

constexpr int kPort = 8080;
constexpr size_t kMostHeadBytes = 4096;  // the head of any answer, and a short message

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

void Check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static percorso::PreviewServer* server = [] {
    auto* s = new percorso::PreviewServer(Hub());
    s->ServeAs("127.0.0.1", kPort);
    return s;
  }();
  const std::string answer =
      server->Answer(std::string_view(reinterpret_cast<const char*>(data), size));
  if (answer.empty()) return 0;  // nothing that could be read as a request line

  const percorso::EventHub::Snapshot page = Hub().Current();
  Check(answer.size() <= page->document.size() + page->event.size() + kMostHeadBytes);
  Check(answer.compare(0, 9, "HTTP/1.1 ") == 0 && answer.size() >= 12);
  const int status = std::atoi(answer.substr(9, 3).c_str());
  switch (status) {
    case 200: case 400: case 403: case 404: case 405: case 413: case 414: case 416: case 421:
      break;
    default:
      Check(false);  // 206 above all: nothing is ever answered in part
  }
  const size_t head_end = answer.find("\r\n\r\n");
  Check(head_end != std::string::npos);
  const std::string_view head(answer.data(), head_end);
  Check(head.find("Content-Range") == std::string_view::npos);
  const std::string_view body = std::string_view(answer).substr(head_end + 4);
  if (status == 200 && head.find("Content-Type: text/html") != std::string_view::npos) {
    Check(body.empty() || body == page->document);  // empty for HEAD
  }
  return 0;
}
