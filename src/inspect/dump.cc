#include "inspect/dump.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

#include "base/exit_status.h"
#include "base/file_io.h"
#include "base/text_display.h"
#include "base/text_encoding.h"
#include "format/decode.h"
#include "inspect/describe.h"
#include "model/items.h"
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
  return json{{"cell", k},
              {"from_m", kCellMetres * k},
              {"tipo", c.tipo},
              {"item", CellItemName(c.tipo)},
              {"dato1", c.dato1},
              {"dato2", c.dato2},
              {"dato3", c.dato3},
              {"dato4", c.dato4},
              {"tempo", c.tempo},
              {"preavviso", c.preavviso},
              {"montagna", c.montagna},
              {"velocita", c.velocita},
              {"pendenza", c.pendenza},
              {"aderenza", c.aderenza}};
}

std::string CellLine(const TrackCell& c, size_t k) {
  char head[64];
  std::snprintf(head, sizeof head, "cell %5zu  from %7zu m  ", k, kCellMetres * k);
  std::string line = head;
  std::string tipo = "tipo=" + std::to_string(c.tipo);
  if (c.tipo != 0) tipo += " (" + std::string(CellItemName(c.tipo)) + ")";
  tipo.resize(std::max<size_t>(tipo.size(), 28), ' ');
  line += tipo + "  ";
  Field(line, "dato1", c.dato1, 12);
  Field(line, "dato2", c.dato2, 12);
  Field(line, "dato3", c.dato3, 12);
  Field(line, "dato4", c.dato4, 12);
  Field(line, "tempo", c.tempo, 9);
  Field(line, "preavviso", c.preavviso, 13);
  Field(line, "montagna", c.montagna, 12);
  Field(line, "velocita", c.velocita, 12);
  Field(line, "pendenza", c.pendenza, 12);
  Field(line, "aderenza", c.aderenza);
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
  return json{{"slot", k},
              {"role", SlotRole(k, r)},
              {"tipo", r.tipo},
              {"inizio", r.inizio},
              {"fine", r.fine},
              {"posizione", r.posizione},
              {"opzione1", r.opzione1},
              {"nome", Cp1252ToUtf8(r.nome)},
              {"valore1", r.valore1},
              {"valore2", r.valore2},
              {"valore3", r.valore3},
              {"valore4", r.valore4},
              {"valore5", r.valore5},
              {"opzione2", r.opzione2},
              {"opzione3", r.opzione3},
              {"opzione4", r.opzione4},
              {"opzione5", r.opzione5},
              {"orario", r.orario}};
}

std::string SlotLine(const LineRecord& r, int k) {
  char head[64];
  std::snprintf(head, sizeof head, "slot %2d  %-22s  ", k, SlotRole(k, r));
  std::string line = head;
  Field(line, "tipo", r.tipo, 8);
  Field(line, "inizio", r.inizio, 14);
  Field(line, "fine", r.fine, 12);
  Field(line, "posizione", r.posizione, 16);
  Field(line, "opzione1", r.opzione1, 12);
  line += "nome=\"" + EscapeControls(Cp1252ToUtf8(r.nome)) + "\"  ";
  Field(line, "valore1", r.valore1);
  Field(line, "valore2", r.valore2);
  Field(line, "valore3", r.valore3);
  Field(line, "valore4", r.valore4);
  Field(line, "valore5", r.valore5);
  Field(line, "opzione2", r.opzione2);
  Field(line, "opzione3", r.opzione3);
  Field(line, "opzione4", r.opzione4);
  Field(line, "opzione5", r.opzione5);
  Field(line, "orario", r.orario);
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

int DumpBytes(CompiledKind kind, std::string_view bytes, std::string_view name,
              const DumpOptions& options, std::ostream& out, std::ostream& err) {
  std::optional<DecodeError> error;
  switch (kind) {
    case CompiledKind::kCells: {
      auto d = DecodeCellFile(bytes);
      if (d.ok()) DumpCells(d.value, name, options.json, options.all, out);
      error = d.error;
      break;
    }
    case CompiledKind::kLine: {
      auto d = DecodeLineFile(bytes);
      if (d.ok()) DumpSlots(d.value, name, options.json, options.all, out);
      error = d.error;
      break;
    }
    case CompiledKind::kPlan: {
      auto d = DecodePlanFile(bytes);
      if (d.ok()) DumpPlan(d.value, name, options.json, options.all, out);
      error = d.error;
      break;
    }
    case CompiledKind::kUnknown:
      err << "percorso dump: " << EscapeControls(name)
          << ": not a compiled file name (NAME_linea.dat plan, NAME_NUMBER.sim line table, "
             "NAME_NUMBER.dat cells)\n";
      return 2;
  }
  if (error) {
    err << "percorso dump: " << EscapeControls(name) << ": " << error->Describe()
        << "\n";
    return kStatusInputWrong;
  }
  return 0;
}

int RunDump(const DumpOptions& options, std::ostream& out, std::ostream& err) {
  std::string name = options.file.filename().string();
  CompiledKind kind = KindOfFileName(name);
  if (kind == CompiledKind::kUnknown) return DumpBytes(kind, {}, name, options, out, err);
  ReadResult file = ReadWholeFile(options.file);
  if (file.status != ReadStatus::kOk) {
    err << "percorso dump: " << file.error.Message() << "\n";
    return kStatusFileFault;
  }
  return DumpBytes(kind, file.bytes, options.file.string(), options, out, err);
}

}  // namespace percorso
