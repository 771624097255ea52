#include "inspect/report.h"

#include <string>
#include <string_view>

#include "inspect/report_facts.h"
#include "inspect/report_run.h"
#include "inspect/svg.h"

namespace percorso {

namespace {

constexpr const char* kStyle = R"css(
:root { --ink:#1d2733; --muted:#6b7785; --rule:#d9dee5; --paper:#fbfaf7; --track:#1f5f99;
        --span:#9a5b2c; --accent:#c2410c; }
* { box-sizing:border-box; }
body { margin:0; background:var(--paper); color:var(--ink);
       font:15px/1.45 system-ui, "Segoe UI", "DejaVu Sans", "Liberation Sans", sans-serif; }
main { max-width:1220px; margin:0 auto; padding:24px 28px 48px; }
header { border-bottom:3px solid var(--ink); padding-bottom:14px; margin-bottom:8px; }
.kicker { margin:0; text-transform:uppercase; letter-spacing:.12em; font-size:12px; color:var(--muted); }
h1 { margin:2px 0 12px; font-size:30px; letter-spacing:-.01em; }
h1 .train { font-weight:400; color:var(--muted); margin-left:.3em; }
h2 { font-size:19px; margin:30px 0 8px; padding-bottom:4px; border-bottom:1px solid var(--rule); }
.facts { display:grid; grid-template-columns:repeat(auto-fill, minmax(210px, 1fr)); gap:8px 18px; margin:0; }
.fact dt { font-size:12px; text-transform:uppercase; letter-spacing:.06em; color:var(--muted); }
.fact dd { margin:0; font-size:16px; }
.muted { color:var(--muted); }
.note { color:var(--muted); font-size:13px; margin:4px 0 8px; }
.legend { list-style:none; padding:0; margin:6px 0; display:flex; flex-wrap:wrap; gap:4px 18px; font-size:13px; }
.legend li { display:flex; align-items:center; gap:6px; }
.figure { overflow-x:auto; background:#fff; border:1px solid var(--rule); border-radius:6px; }
.figure svg { display:block; }
svg text { font-family:system-ui, "DejaVu Sans", "Liberation Sans", sans-serif; fill:var(--ink); }
.map-bg { fill:#fff; }
.track { fill:none; stroke:var(--track); stroke-width:2.6; stroke-linejoin:round; stroke-linecap:round; vector-effect:non-scaling-stroke; }
.runout { fill:none; stroke:#8a96a3; stroke-width:1.6; stroke-dasharray:5 4; vector-effect:non-scaling-stroke; }
.map-span { fill:none; stroke:var(--span); stroke-width:6; stroke-linecap:butt; vector-effect:non-scaling-stroke; }
.station-mark { fill:#fff; stroke:var(--ink); stroke-width:2; }
.start-mark { fill:#15803d; stroke:#fff; stroke-width:2; }
.end-mark { fill:#b91c1c; stroke:#fff; stroke-width:2; }
.map-label { font-size:12.5px; paint-order:stroke; stroke:#fff; stroke-width:3.5px; stroke-linejoin:round; }
.map-label.strong { font-weight:700; }
.map-label.km { font-size:11px; fill:#6b7785; }
.km-post { fill:#6b7785; }
.leader { stroke:#9aa5b1; stroke-width:1; }
.scale-a { fill:var(--ink); } .scale-b { fill:#fff; stroke:var(--ink); stroke-width:1; }
.scale-label { font-size:12px; }
.axis-line { stroke:#4b5563; stroke-width:1; }
.grid { stroke:#e7eaee; stroke-width:1; }
.tick { font-size:11.5px; fill:#4b5563; }
.axis-title { font-size:12.5px; font-weight:600; fill:#374151; }
.lane-name { font-size:11.5px; fill:var(--muted); }
.lane-rule { stroke:#eef0f3; stroke-width:1; }
.station-name { font-size:12px; font-weight:600; }
.name-leader { stroke:#c3cad3; stroke-width:1; }
.zone { fill:#dbe7f3; stroke:var(--track); stroke-width:1; }
.zone.unnamed { fill:#eef1f4; stroke:#8a96a3; }
.station-tick { stroke:var(--ink); stroke-width:2; }
.span-band { fill:#9a5b2c; fill-opacity:.13; }
.beyond { fill:#8a96a3; fill-opacity:.12; }
.signal path { stroke:#111827; stroke-width:1.4; fill:none; }
.signal circle { fill:#dc2626; stroke:#111827; stroke-width:.8; }
.warning { fill:#f59e0b; stroke:#92400e; stroke-width:.8; }
.speed-board { fill:#fff; stroke:#1f2937; stroke-width:1.2; }
.protection { fill:#7c3aed; stroke:#4c1d95; stroke-width:.6; }
.board { fill:#1e3a8a; }
.speed-line { fill:none; stroke:var(--track); stroke-width:2.2; }
.slow-line { fill:none; stroke:var(--accent); stroke-width:2; stroke-dasharray:6 3; }
.slow-label { font-size:11px; font-weight:700; fill:var(--accent); paint-order:stroke; stroke:#fff; stroke-width:3px; }
.elevation-area { fill:#84a98c; fill-opacity:.28; }
.elevation-line { fill:none; stroke:#40704c; stroke-width:1.8; }
.gradient-line { fill:none; stroke:#7c5c2e; stroke-width:1.6; }
.zoom-layer * { vector-effect:non-scaling-stroke; }
table { border-collapse:collapse; width:100%; font-size:14px; background:#fff; }
th, td { text-align:left; padding:5px 10px; border-bottom:1px solid var(--rule); vertical-align:middle; }
th { font-size:12px; text-transform:uppercase; letter-spacing:.05em; color:var(--muted); background:#f3f4f6; }
td.num, th.num { text-align:right; font-variant-numeric:tabular-nums; }
td.time { font-variant-numeric:tabular-nums; }
tbody tr:nth-child(even) { background:#fafbfc; }
.panels { display:inline-flex; gap:3px; }
.panel { background:#1e3a8a; color:#fff; font:600 13px/1.2 "DejaVu Sans Mono", ui-monospace, monospace;
         padding:3px 6px; border-radius:3px; white-space:pre; }
.loose { white-space:pre; }
svg[data-zoom] { cursor:grab; touch-action:none; }
svg[data-zoom]:focus { outline:2px solid var(--track); outline-offset:-2px; }
.crowded { display:none; }
.zoom-help { color:var(--muted); font-size:12px; margin:2px 0 0; }
details { margin-top:14px; } summary { cursor:pointer; font-weight:600; }
footer { margin-top:36px; color:var(--muted); font-size:12px; }
)css";

}  // namespace

std::string_view ReportStyle() { return kStyle; }

ReportParts RenderReportParts(const CompiledView& view) {
  ReportFacts f = ExtractFacts(view);
  ReportParts parts;
  parts.title = f.line_name + " · train " + f.train_number;
  parts.main = RenderHeader(f, view);
  parts.main += RenderMap(f, view);
  parts.main += RenderProfile(f, view);
  parts.main += RenderRunCharts(view);
  parts.main += RenderTables(f);
  parts.main += "<footer>Made by percorso " PERCORSO_VERSION " from the compiled files alone.</footer>";
  return parts;
}

std::string RenderReport(const CompiledView& view) {
  ReportParts parts = RenderReportParts(view);
  std::string s = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                  "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                  "<title>" + EscapeHtml(parts.title) + " — compiled scenario</title><style>";
  s += kStyle;
  s += "</style></head><body><main>";
  s += parts.main;
  s += "</main><script>";
  s += ReportScript();
  s += "</script></body></html>\n";
  return s;
}

}  // namespace percorso
