#include "inspect/dump.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>

#include "base/text_display.h"
#include "base/text_encoding.h"
#include "format/decode.h"
#include "inspect/describe.h"
#include "model/cell_grid.h"
#include "model/items.h"
#include "model/line_table.h"
#include "model/track_plan.h"

namespace percorso {

namespace {

using nlohmann::json;

bool EndsWithNoCase(std::string_view s, std::string_view tail) {
  if (s.size() < tail.size()) return false;
  return std::equal(tail.begin(), tail.end(), s.end() - static_cast<std::ptrdiff_t>(tail.size()),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) ==
                             std::tolower(static_cast<unsigned char>(b));
                    });
}

// "name=value" padded on the right to `width` characters, then two blanks.
void Field(std::string& line, const char* name, long long value, int width = 0) {
  std::string f = std::string(name) + "=" + std::to_string(value);
  if (static_cast<int>(f.size()) < width) f.append(static_cast<size_t>(width) - f.size(), ' ');
  line += f;
  line += "  ";
}

std::string JsonText(const json& j) {
  return j.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

// ---- cells ----

json CellJson(const TrackCell& c, size_t k) {
  json j{{"cell", k}, {"from_m", kCellMetres * k}, {"item", CellItemName(c.tipo)}};
  ForEachCellField(c, [&j](const char* name, auto value) {
    j[name] = value;
    return true;
  });
  return j;
}

// The text form's columns: every field after `tipo`, padded to line up.
constexpr int kCellColumnWidths[] = {0, 12, 12, 12, 12, 9, 13, 12, 12, 12, 0};

std::string CellLine(const TrackCell& c, size_t k) {
  char head[64];
  std::snprintf(head, sizeof head, "cell %5zu  from %7zu m  ", k, kCellMetres * k);
  std::string line = head;
  std::string tipo = "tipo=" + std::to_string(c.tipo);
  if (c.tipo != 0) tipo += " (" + std::string(CellItemName(c.tipo)) + ")";
  tipo.resize(std::max<size_t>(tipo.size(), 28), ' ');
  line += tipo + "  ";
  size_t column = 0;
  ForEachCellField(c, [&](const char* name, auto value) {
    const int width = kCellColumnWidths[column++];
    if (column > 1) Field(line, name, value, width);
    return true;
  });
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line + "\n";
}

void DumpCells(const std::vector<TrackCell>& cells, std::string_view name, bool as_json, bool all,
               std::ostream& out) {
  std::vector<size_t> shown;
  for (size_t k = 0; k < cells.size(); ++k) {
    if (all || CellHoldsSomething(cells, k)) shown.push_back(k);
  }
  if (as_json) {
    json j{{"file", std::string(name)}, {"kind", "cells"}, {"cells_total", cells.size()},
           {"cells", json::array()}};
    for (size_t k : shown) j["cells"].push_back(CellJson(cells[k], k));
    out << JsonText(j);
    return;
  }
  out << "# cell file " << EscapeControls(name) << ": " << cells.size()
      << " cells (0.." << cells.size() - 1 << "), cell k covers the metres 50k to 50k+49\n";
  if (!all) {
    out << "# shown: " << shown.size()
        << " cells with an item, a value or an approach mark, or a change of speed limit, "
           "gradient, adhesion or montagna type (--all shows every cell)\n";
  }
  for (size_t k : shown) out << CellLine(cells[k], k);
}

// ---- slots ----

json SlotJson(const LineRecord& r, int k) {
  json j{{"slot", k}, {"role", SlotRole(k, r)}};
  ForEachSlotField(r, [&j](const char* name, const auto& value) {
    if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>) {
      j[name] = Cp1252ToUtf8(value);
    } else {
      j[name] = value;
    }
    return true;
  });
  return j;
}

// The text form's columns, padded to line up as far as `nome`, whose length varies.
constexpr int kSlotColumnWidths[] = {8, 14, 12, 16, 12};

std::string SlotLine(const LineRecord& r, int k) {
  char head[64];
  std::snprintf(head, sizeof head, "slot %2d  %-22s  ", k, SlotRole(k, r));
  std::string line = head;
  size_t column = 0;
  ForEachSlotField(r, [&](const char* name, const auto& value) {
    const int width = column < std::size(kSlotColumnWidths) ? kSlotColumnWidths[column] : 0;
    ++column;
    if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>) {
      line += std::string(name) + "=\"" + EscapeControls(Cp1252ToUtf8(value)) + "\"  ";
    } else {
      Field(line, name, value, width);
    }
    return true;
  });
  if (std::string_view(SlotRole(k, r)) == "station") line += "(" + ClockText(r.orario) + ")";
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line + "\n";
}

void DumpSlots(const LineTable& table, std::string_view name, bool as_json, bool all,
               std::ostream& out) {
  std::vector<int> shown;
  for (int k = 0; k < kLineSlots; ++k) {
    const LineRecord& r = table.slot[static_cast<size_t>(k)];
    if (all || k == 0 || k > kFirstBoardSlot || !SlotIsEmpty(r)) shown.push_back(k);
  }
  if (as_json) {
    json j{{"file", std::string(name)}, {"kind", "line"}, {"slots_total", kLineSlots},
           {"slots", json::array()}};
    for (int k : shown) j["slots"].push_back(SlotJson(table.slot[static_cast<size_t>(k)], k));
    out << JsonText(j);
    return;
  }
  out << "# line file " << EscapeControls(name) << ": 87 slots (0..86)\n";
  if (!all) {
    out << "# shown: " << shown.size()
        << " slots; empty slots between the stations and the boards are left out (--all shows "
           "them)\n";
  }
  for (int k : shown) out << SlotLine(table.slot[static_cast<size_t>(k)], k);
}

// ---- plan ----

const char* TagWord(uint16_t tag) {
  return tag == kPlanInt16 ? "int16" : tag == kPlanDouble ? "double" : "empty";
}

json ElementJson(const PlanElement& e) {
  if (e.tag == kPlanEmpty) return nullptr;
  if (e.tag == kPlanInt16) return static_cast<int>(e.value);
  if (!std::isfinite(e.value)) return nullptr;  // JSON has no NaN or infinity
  return e.value;
}

std::string ElementText(const PlanElement& e) {
  if (e.tag == kPlanEmpty) return "-";
  if (e.tag == kPlanInt16) return std::to_string(static_cast<int>(e.value));
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6f", e.value);
  return buf;
}

void DumpPlan(const DecodedPlan& plan, std::string_view name, bool as_json, bool all,
              std::ostream& out) {
  const int64_t m = plan.upper();
  const int64_t filled = plan.FilledPoints();
  std::vector<int64_t> shown;
  for (int64_t j = 0; j <= m; ++j) {
    bool pick = all || j < 2 || (j < filled && j % 1000 == 0) || j == filled - 1 ||
                j == filled || j >= m - 1;
    if (pick) shown.push_back(j);
  }
  if (as_json) {
    json j{{"file", std::string(name)}, {"kind", "plan"}, {"points_total", m + 1},
           {"filled_points", filled}, {"points", json::array()}};
    for (int64_t p : shown) {
      const PlanElement& x = plan.x[static_cast<size_t>(p)];
      const PlanElement& y = plan.y[static_cast<size_t>(p)];
      j["points"].push_back(json{{"point", p},
                                 {"x_tag", TagWord(x.tag)},
                                 {"x", ElementJson(x)},
                                 {"y_tag", TagWord(y.tag)},
                                 {"y", ElementJson(y)}});
    }
    out << JsonText(j);
    return;
  }
  out << "# plan file " << EscapeControls(name) << ": points 0.." << m
      << ", one a metre; x across the initial direction, y along it (m)\n";
  out << "# points 0.." << filled - 1 << " hold values";
  if (filled <= m) out << ", points " << filled << ".." << m << " are empty";
  out << "\n";
  if (!all) out << "# shown: the first two points, one a kilometre, the last filled one, the first empty one and the last two (--all shows every point)\n";
  for (int64_t p : shown) {
    const PlanElement& x = plan.x[static_cast<size_t>(p)];
    const PlanElement& y = plan.y[static_cast<size_t>(p)];
    char buf[160];
    std::snprintf(buf, sizeof buf, "point %7" PRId64 "  x=%-18s %-6s  y=%-18s %s\n", p,
                  ElementText(x).c_str(), TagWord(x.tag), ElementText(y).c_str(), TagWord(y.tag));
    out << buf;
  }
}

}  // namespace

CompiledKind KindOfFileName(std::string_view file_name) {
  if (EndsWithNoCase(file_name, "_linea.dat")) return CompiledKind::kPlan;
  if (EndsWithNoCase(file_name, ".sim")) return CompiledKind::kLine;
  if (EndsWithNoCase(file_name, ".dat")) return CompiledKind::kCells;
  return CompiledKind::kUnknown;
}

DumpedFile DumpCompiledBytes(CompiledKind kind, std::string_view bytes, std::string_view name,
                             const DumpForm& form) {
  std::ostringstream out;
  DumpedFile dumped;
  switch (kind) {
    case CompiledKind::kCells: {
      auto d = DecodeCellFile(bytes);
      if (d.ok()) DumpCells(d.value, name, form.json, form.all, out);
      dumped.fault = d.error;
      break;
    }
    case CompiledKind::kLine: {
      auto d = DecodeLineFile(bytes);
      if (d.ok()) DumpSlots(d.value, name, form.json, form.all, out);
      dumped.fault = d.error;
      break;
    }
    case CompiledKind::kPlan: {
      auto d = DecodePlanFile(bytes);
      if (d.ok()) DumpPlan(d.value, name, form.json, form.all, out);
      dumped.fault = d.error;
      break;
    }
    case CompiledKind::kUnknown:
      dumped.fault = DecodeError{0, "not a kind of compiled file"};
      break;
  }
  if (dumped.ok()) dumped.text = std::move(out).str();
  return dumped;
}

}  // namespace percorso
