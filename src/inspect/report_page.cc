// The page around the drawings: the header with the general data and the tables.
#include <algorithm>

#include "inspect/report_facts.h"
#include "inspect/svg.h"
#include "model/items.h"
#include "model/names.h"
#include "model/track_plan.h"

namespace percorso {

namespace {

std::string Fact(const std::string& name, const std::string& value_html) {
  return "<div class=\"fact\"><dt>" + EscapeHtml(name) + "</dt><dd>" + value_html + "</dd></div>";
}

std::string Td(const std::string& html, const char* cls = nullptr) {
  return cls ? "<td class=\"" + std::string(cls) + "\">" + html + "</td>" : "<td>" + html + "</td>";
}

std::string Th(const char* text, const char* cls = nullptr) {
  return cls ? "<th class=\"" + std::string(cls) + "\">" + text + "</th>"
             : "<th>" + std::string(text) + "</th>";
}

// A board text as its panels: each "( ... )" becomes a panel, anything between stays text.
std::string BoardPanels(const std::string& text) {
  std::string s = "<span class=\"panels\">";
  size_t i = 0;
  while (i < text.size()) {
    size_t open = text.find('(', i);
    size_t close = open == std::string::npos ? std::string::npos : text.find(')', open + 1);
    if (close == std::string::npos) {
      s += "<span class=\"loose\">" + EscapeHtml(text.substr(i)) + "</span>";
      break;
    }
    if (open > i) s += "<span class=\"loose\">" + EscapeHtml(text.substr(i, open - i)) + "</span>";
    s += "<span class=\"panel\">" + EscapeHtml(text.substr(open + 1, close - open - 1)) + "</span>";
    i = close + 1;
  }
  return s + "</span>";
}

// The rows a table of point items shows at most: the longest line has some ten thousand
// signals, and a page of them all would weigh megabytes; `dump` lists every cell.
constexpr size_t kItemTableRows = 200;

// The last row of a table cut at kItemTableRows: how many rows are left out and where
// to find them.
std::string MoreRows(size_t total, int columns, const ReportFacts& f) {
  if (total <= kItemTableRows) return "";
  return "<tr class=\"more\"><td colspan=\"" + std::to_string(columns) + "\" class=\"muted\">" +
         std::to_string(total - kItemTableRows) + " more not shown: percorso dump " +
         EscapeHtml(CellFileName(f.line_name, f.train_number)) + " lists every cell</td></tr>";
}

std::string CellKm(int32_t cell) {
  if (cell < 0) return "<span class=\"muted\">none</span>";
  return std::to_string(cell) + " <span class=\"muted\">(" + Km(int64_t{cell} * kCellMetres) +
         " km)</span>";
}

}  // namespace

std::string RenderHeader(const ReportFacts& f, const CompiledView& view) {
  std::string s = "<header><p class=\"kicker\">Compiled scenario</p><h1>" +
                  EscapeHtml(f.line_name.empty() ? "(no line name)" : f.line_name) +
                  " <span class=\"train\">train " + EscapeHtml(f.train_number) + "</span></h1>";
  s += "<dl class=\"facts\">";
  s += Fact("Line length", "<b>" + Km(f.line_length) + " km</b> <span class=\"muted\">(" +
                               std::to_string(f.line_length) + " m)</span>");
  s += Fact("Cars", std::to_string(f.cars));
  s += Fact("Braked mass", std::to_string(f.braked_mass) + " %");
  s += Fact("Clock at the start", ClockText(int64_t{f.clock_h} * 3600 + f.clock_m * 60 + f.clock_s));
  s += Fact("Sand", std::to_string(f.sand));
  s += Fact("Signal repetition",
            f.repetition_codes == 0 && f.repetition_end == 0
                ? std::string("none")
                : Km(f.repetition_start) + " to " + Km(f.repetition_end) + " km, " +
                      std::to_string(f.repetition_codes) + " codes");
  s += Fact("Line file code", "mark " + std::to_string(f.line_mark) + ", code " +
                                  std::to_string(f.line_code) +
                                  " <span class=\"muted\">(slot 85)</span>");
  s += Fact("Cell file code", "mark " + std::to_string(f.cell_mark) + ", code " +
                                  std::to_string(f.cell_code) +
                                  " <span class=\"muted\">(cell 1)</span>");
  size_t named = static_cast<size_t>(
      std::count_if(f.stations.begin(), f.stations.end(), [](const StationFact& s) { return s.named(); }));
  s += Fact("Stations", std::to_string(f.stations.size()) + " <span class=\"muted\">(" +
                            std::to_string(named) + " named)</span>");
  s += Fact("Signals, slowdowns", std::to_string(f.signals.size()) + ", " +
                                      std::to_string(f.slowdowns.size()));
  s += Fact("Cell grid", std::to_string(view.cells.size()) + " cells of 50 m");
  if (view.plan) {
    int64_t filled = view.plan->FilledPoints();
    s += Fact("Plan", "points 0 to " + std::to_string(view.plan->upper()) +
                          " <span class=\"muted\">(last computed " + std::to_string(filled - 1) +
                          ")</span>");
  } else {
    s += Fact("Plan", "none");
  }
  s += "</dl></header>";
  return s;
}

std::string RenderTables(const ReportFacts& f) {
  std::string s = "<section id=\"tables\">";
  s += "<p class=\"note\" id=\"cell-rounding\">The compiled files keep cells of 50 m, not the "
       "positions written in the texts: a point item written at P m stands on cell "
       "round(P / 50 + 1), halves to even, and is shown at that cell's start. A board "
       "written at 4 550 m stands on cell 92, shown at 4.600 km; cell c holds what was "
       "written from 50c − 75 to 50c − 25 m (a position halfway between two cells goes to "
       "the even one).</p>";
  s += "<h2>Stations</h2>";
  s += "<table id=\"stations\"><thead><tr>" + Th("Slot", "num") + Th("Name") + Th("Type", "num") +
       Th("Position (km)", "num") + Th("Zone (km)") + Th("Stop cell") + Th("Scheduled") +
       "</tr></thead><tbody>";
  for (const StationFact& st : f.stations) {
    s += "<tr data-slot=\"" + std::to_string(st.slot) + "\" data-pos=\"" +
         std::to_string(st.posizione) + "\">";
    s += Td(std::to_string(st.slot), "num");
    s += Td(st.named() ? EscapeHtml(st.name)
                       : "<span class=\"muted\">" + EscapeHtml(st.name) + " (no name)</span>");
    s += Td(std::to_string(st.tipo), "num");
    s += Td(Km(st.posizione), "num");
    s += Td(Km(st.inizio) + " – " + Km(st.fine));
    s += Td(CellKm(st.stop_cell));
    // A station without a scheduled time holds 0 in its slot: a dash, not midnight.
    s += Td(st.orario == 0 ? std::string("<span class=\"muted\">—</span>") : ClockText(st.orario),
            "time");
    s += "</tr>";
  }
  s += "</tbody></table>";

  s += "<h2>Indicator boards</h2><table id=\"boards\"><thead><tr>" + Th("Slot", "num") +
       Th("Text") + Th("Cell") + "</tr></thead><tbody>";
  for (const BoardFact& b : f.boards) {
    s += "<tr data-slot=\"" + std::to_string(b.slot) + "\">" + Td(std::to_string(b.slot), "num") +
         Td(BoardPanels(b.text)) + Td(CellKm(b.cell)) + "</tr>";
  }
  if (f.boards.empty()) s += "<tr><td colspan=\"3\" class=\"muted\">none</td></tr>";
  s += "</tbody></table>";

  s += "<h2>Chainage references</h2><table id=\"chainage\"><thead><tr>" + Th("Slot", "num") +
       Th("Start (m)", "num") + Th("End (m)", "num") + Th("Code", "num") + "</tr></thead><tbody>";
  for (int i = 0; i < 3; ++i) {
    const LineRecord& r = f.chainage[i];
    s += "<tr>" + Td(std::to_string(kChainageSlotTre + i), "num") + Td(std::to_string(r.inizio), "num") +
         Td(std::to_string(r.fine), "num") + Td(std::to_string(r.posizione), "num") + "</tr>";
  }
  s += "</tbody></table>";

  s += "<h2>Slowdowns</h2><table id=\"slowdowns\"><thead><tr>" + Th("Start cell") + Th("End cell") +
       Th("Speed (km/h)", "num") + Th("Second speed", "num") + Th("f_tt", "num") +
       "</tr></thead><tbody>";
  for (const SlowdownFact& sd : f.slowdowns) {
    if (&sd - f.slowdowns.data() >= static_cast<std::ptrdiff_t>(kItemTableRows)) break;
    s += "<tr>" + Td(CellKm(sd.start_cell)) + Td(CellKm(sd.end_cell)) +
         Td(std::to_string(sd.speed), "num") + Td(std::to_string(sd.second_speed), "num") +
         Td(std::to_string(sd.f_tt), "num") + "</tr>";
  }
  if (f.slowdowns.empty()) s += "<tr><td colspan=\"5\" class=\"muted\">none</td></tr>";
  s += MoreRows(f.slowdowns.size(), 5, f);
  s += "</tbody></table>";

  s += "<details><summary>Signals (" + std::to_string(f.signals.size()) +
       ")</summary><table id=\"signals\"><thead><tr>" + Th("Cell") + Th("dato1", "num") +
       Th("dato2", "num") + Th("dato3", "num") + Th("dato4", "num") + Th("tempo", "num") +
       "</tr></thead><tbody>";
  for (const ItemFact& it : f.signals) {
    if (&it - f.signals.data() >= static_cast<std::ptrdiff_t>(kItemTableRows)) break;
    s += "<tr>" + Td(CellKm(it.cell)) + Td(std::to_string(it.c.dato1), "num") +
         Td(std::to_string(it.c.dato2), "num") + Td(std::to_string(it.c.dato3), "num") +
         Td(std::to_string(it.c.dato4), "num") + Td(std::to_string(it.c.tempo), "num") + "</tr>";
  }
  s += MoreRows(f.signals.size(), 6, f);
  s += "</tbody></table></details>";

  s += "<details><summary>Speed boards (" + std::to_string(f.speed_boards.size()) +
       ")</summary><table id=\"speed-boards\"><thead><tr>" + Th("Cell") + Th("A left/right") +
       Th("B left/right") + Th("C left/right") + Th("Stripes") + "</tr></thead><tbody>";
  auto pair = [](int code) {
    return std::to_string(LeftSpeed(code)) + " / " + std::to_string(RightSpeed(code));
  };
  for (const ItemFact& it : f.speed_boards) {
    if (&it - f.speed_boards.data() >= static_cast<std::ptrdiff_t>(kItemTableRows)) break;
    s += "<tr>" + Td(CellKm(it.cell)) + Td(pair(it.c.dato1)) + Td(pair(it.c.dato2)) +
         Td(pair(it.c.dato3)) +
         Td(std::to_string(it.c.dato4 / 10) + " / " + std::to_string(it.c.dato4 % 10)) + "</tr>";
  }
  s += MoreRows(f.speed_boards.size(), 5, f);
  s += "</tbody></table></details></section>";
  return s;
}

}  // namespace percorso
