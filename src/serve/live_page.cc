#include "serve/live_page.h"

#include <utility>

#include <nlohmann/json.hpp>

#include "inspect/report.h"
#include "base/text_display.h"

namespace percorso {

namespace {

constexpr const char* kPreviewStyle = R"css(
#serve-status { position:sticky; top:0; z-index:10; background:#f0f7f1; border-bottom:2px solid #40704c;
                padding:8px 28px; font-size:14px; max-height:45vh; overflow-y:auto; }
#serve-status.errors { background:#fdf1f0; border-color:#b91c1c; }
#serve-status.warnings { background:#fdf8ec; border-color:#b7791f; }
#serve-status p { margin:2px 0; }
.serve-summary { font-weight:600; }
.serve-link { float:right; font-weight:400; color:var(--muted); }
.serve-link.lost { color:#b91c1c; font-weight:600; }
.serve-diagnostics { list-style:none; margin:6px 0 2px; padding:0; }
.serve-diagnostics li { margin:0 0 6px; }
.serve-diagnostics .where { font-family:"DejaVu Sans Mono", ui-monospace, monospace; font-weight:600; }
.serve-diagnostics .severity { font-weight:600; }
.serve-diagnostics .error .severity { color:#b91c1c; }
.serve-diagnostics .warning .severity { color:#b7791f; }
.serve-diagnostics pre { margin:2px 0 0 1.5em; font:13px/1.3 "DejaVu Sans Mono", ui-monospace, monospace;
                         white-space:pre; overflow-x:auto; }
.stale-note { color:#7c2d12; }
main.stale { opacity:.5; filter:grayscale(.7); }
.serve-empty { color:var(--muted); padding:40px 0; }
)css";

// Keeps the page in place as changes arrive: the scroll position is kept; the drawing is
// replaced only when it changed; a dropped connection is retried by the browser.
constexpr const char* kPreviewScript = R"js(
(function () {
  var root = document.documentElement;
  var shownGeneration = Number(root.getAttribute('data-generation'));
  var shownDrawing = root.getAttribute('data-drawing');
  function apply(change) {
    if (change.generation <= shownGeneration) return;
    var x = window.scrollX, y = window.scrollY;
    document.getElementById('serve-status').outerHTML = change.status;
    var main = document.getElementById('serve-main');
    if (String(change.drawing) !== shownDrawing) {
      main.innerHTML = change.main;
      shownDrawing = String(change.drawing);
      root.setAttribute('data-drawing', shownDrawing);
    }
    main.classList.toggle('stale', change.stale);
    document.title = change.title;
    shownGeneration = change.generation;
    root.setAttribute('data-generation', String(shownGeneration));
    window.scrollTo(x, y);
    link(true);
  }
  function link(up) {
    var el = document.getElementById('serve-link');
    if (!el) return;
    el.textContent = up ? 'live' : 'connection lost, retrying\u2026';
    el.className = up ? 'serve-link' : 'serve-link lost';
  }
  var events = new EventSource('/events');
  events.addEventListener('page', function (e) { apply(JSON.parse(e.data)); });
  events.onopen = function () { link(true); };
  events.onerror = function () { link(false); };
})();
)js";

std::string Plural(size_t n, const char* one) {
  return std::to_string(n) + " " + one + (n == 1 ? "" : "s");
}

// "file:line:column", as much of it as is known.
std::string Place(const PageDiagnostic& d) {
  std::string s = d.file.empty() ? "percorso" : d.file;
  if (d.line > 0) {
    s += ":" + std::to_string(d.line);
    if (d.column > 0) s += ":" + std::to_string(d.column);
  }
  return s;
}

// The line up to the column kept as blanks (tabs stay tabs), then a caret; columns count
// characters. Empty when the column is unknown.
std::string Caret(const std::string& line, int column) {
  if (column <= 0) return "";
  std::string s;
  int chars = 0;
  for (size_t i = 0; i < line.size() && chars < column - 1; ++i) {
    unsigned char b = static_cast<unsigned char>(line[i]);
    if ((b & 0xC0) == 0x80) continue;  // a continuation byte of a UTF-8 character
    s += b == '\t' ? '\t' : ' ';
    ++chars;
  }
  return s + "^";
}

std::string RenderDiagnostic(const PageDiagnostic& d) {
  const bool error = d.severity == Severity::kError;
  std::string s = std::string("<li class=\"diagnostic ") + (error ? "error" : "warning") + "\"";
  if (d.line > 0) s += " data-line=\"" + std::to_string(d.line) + "\"";
  s += "><span class=\"where\">" + EscapeHtml(Place(d)) + "</span>: <span class=\"severity\">" +
       (error ? "error" : "warning") + (d.code.empty() ? "" : " " + EscapeHtml(d.code)) +
       "</span>: <span class=\"message\">" + EscapeHtml(d.message) + "</span>";
  if (!d.place.empty()) s += "<span class=\"place\">" + EscapeHtml(d.place) + "</span>";
  if (!d.source_line.empty()) {
    s += "<pre class=\"source\">" + EscapeHtml(d.source_line);
    std::string caret = Caret(d.source_line, d.column);
    if (!caret.empty()) s += "\n" + caret;
    s += "</pre>";
  }
  return s + "</li>";
}

}  // namespace

LivePage::LivePage(std::string pair_label)
    : pair_label_(std::move(pair_label)), title_(pair_label_) {}

std::string LivePage::RenderStatus(const PageBuild& build, const std::string& clock) const {
  size_t errors = 0, warnings = 0;
  for (const PageDiagnostic& d : build.diagnostics) {
    (d.severity == Severity::kError ? errors : warnings) += 1;
  }
  const char* state = errors > 0 ? "errors" : warnings > 0 ? "warnings" : "ok";
  std::string s = std::string("<div id=\"serve-status\" class=\"") + state + "\" data-errors=\"" +
                  std::to_string(errors) + "\" data-warnings=\"" + std::to_string(warnings) +
                  "\"><p class=\"serve-summary\">";
  if (errors == 0 && warnings == 0) {
    s += "Compiled at " + clock + ": no error";
  } else {
    s += "Compiled at " + clock + ": ";
    if (errors > 0) s += Plural(errors, "error");
    if (errors > 0 && warnings > 0) s += ", ";
    if (warnings > 0) s += Plural(warnings, "warning");
  }
  s += "<span id=\"serve-link\" class=\"serve-link\">live</span></p>";
  if (!build.diagnostics.empty()) {
    s += "<ol class=\"serve-diagnostics\">";
    for (const PageDiagnostic& d : build.diagnostics) s += RenderDiagnostic(d);
    s += "</ol>";
  }
  if (stale_ && !drawing_.empty()) {
    s += "<p class=\"stale-note\">";
    s += partial_ ? "The drawing below shows only what was read before the first error in the "
                    "texts (compiled at " + drawn_at_ + ")."
                  : "The drawing below is stale: it is from " + drawn_at_ +
                        ", the last compile that read the texts to their end.";
    s += "</p>";
  }
  return s + "</div>";
}

std::shared_ptr<const PageSnapshot> LivePage::Update(PageBuild build, const std::string& clock) {
  const bool fresh = build.drawing && build.complete;
  if (fresh || (build.drawing && drawing_.empty())) {
    if (*build.drawing != drawing_) ++drawing_id_;
    drawing_ = std::move(*build.drawing);
    title_ = build.title;
    drawn_at_ = clock;
    partial_ = !fresh;
  }
  stale_ = !fresh;
  ++generation_;

  const std::string status = RenderStatus(build, clock);
  const std::string main =
      drawing_.empty() ? "<p class=\"serve-empty\">Nothing to draw yet: the texts have not "
                         "compiled far enough.</p>"
                       : drawing_;
  const std::string title = title_ + " — live preview";

  auto snap = std::make_shared<PageSnapshot>();
  snap->generation = generation_;
  snap->document =
      "<!DOCTYPE html>\n<html lang=\"en\" data-generation=\"" + std::to_string(generation_) +
      "\" data-drawing=\"" + std::to_string(drawing_id_) +
      "\"><head><meta charset=\"utf-8\">"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"><title>" +
      EscapeHtml(title) + "</title><style>";
  snap->document += ReportStyle();
  snap->document += kPreviewStyle;
  snap->document += "</style></head><body>" + status + "<main id=\"serve-main\"";
  if (stale_) snap->document += " class=\"stale\"";
  snap->document += ">" + main + "</main><script>" + std::string(kPreviewScript) +
                    "</script></body></html>\n";

  nlohmann::json change = {{"generation", generation_}, {"drawing", drawing_id_},
                           {"stale", stale_},           {"title", title},
                           {"status", status},          {"main", main}};
  // Invalid UTF-8 cannot reach here through the renderers, but a stream must never stop
  // on it: replace rather than throw.
  snap->event = change.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  return snap;
}

}  // namespace percorso
