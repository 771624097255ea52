// What line and train recovery share: the cells a row accounts for, the places lost, the
// spelling of a row and of a text field, and the fill rule read backwards.
#include <utility>

#include "decompile/recovery_parts.h"
#include "model/items.h"

namespace percorso::recovery_parts {

RecoveryLedger::RecoveryLedger(const RecoveryInput& in, UnreproducedList* lost)
    : table_(*in.table), cells_(in.cells), lost_(lost) {
  last_cell_ = static_cast<int64_t>(cells_.size()) - 1;
  accounted_.assign(cells_.size(), false);
}

void RecoveryLedger::LoseCell(int64_t c, std::string why) {
  lost_->push_back({PlaceKind::kCell, c, std::move(why)});
}

void RecoveryLedger::LoseSlot(int64_t slot, std::string why) {
  lost_->push_back({PlaceKind::kSlot, slot, std::move(why)});
}

bool RecoveryLedger::HasStopCellFor(int slot) const {
  for (const TrackCell& c : cells_)
    if (Is(c.tipo, ItemType::kStationStop) && c.dato1 == slot) return true;
  return false;
}

void RecoveryLedger::LoseUnaccountedCells() {
  for (int64_t c = 0; c <= last_cell_; ++c) {
    const uint8_t tipo = cell(c).tipo;
    if (Is(tipo, ItemType::kNone) || Is(tipo, ItemType::kSpanMarker) || accounted(c)) continue;
    switch (tipo) {
      case TipoOf(ItemType::kSlowdownEnd):
        LoseCell(c, "a slowdown end without its start");
        break;
      case TipoOf(ItemType::kSlowdownWarning):
        LoseCell(c, "a slowdown warning cell without its start");
        break;
      case TipoOf(ItemType::kSlowdownApproach):
        LoseCell(c, "a slowdown approach cell without its warning cell");
        break;
      case TipoOf(ItemType::kStationStop):
        LoseCell(c, "a station stop cell without its station");
        break;
      default:
        LoseCell(c, "no row places an item of type " + std::to_string(tipo));
    }
  }
}

std::string FormatRow(std::string_view keyword, std::initializer_list<int64_t> values) {
  std::string s(keyword);
  s += ",";
  bool first = true;
  for (int64_t v : values) {
    s += first ? "  " : ",  ";
    s += std::to_string(v);
    first = false;
  }
  return s;
}

// A field that starts with a quote runs to the next quote, any other to the next comma
// or line end, and blanks before a field are skipped.
std::optional<std::string> TextFieldFor(const std::string& text) {
  const bool has_quote = text.find('"') != std::string::npos;
  const bool needs_quotes = text.find_first_of(",\r\n") != std::string::npos ||
                            (!text.empty() && (text[0] == ' ' || text[0] == '\t'));
  if (!has_quote) return needs_quotes ? "\"" + text + "\"" : text;
  if (needs_quotes || text[0] == '"') return std::nullopt;
  return text;
}

bool HoldsOnlyName(const LineRecord& r) {
  return r.tipo == 0 && r.inizio == 0 && r.fine == 0 && r.posizione == 0 && r.opzione1 == 0 &&
         r.valore1 == 0 && r.valore2 == 0 && r.valore3 == 0 && r.valore4 == 0 && r.valore5 == 0 &&
         r.opzione2 == 0 && r.opzione3 == 0 && r.opzione4 == 0 && r.opzione5 == 0 && r.orario == 0;
}

// A row at each change of the cells' value, and for the last three cells, which only
// rows on the last accepted cell reach, one such row per cell written (each row writes
// the value of the one before) and one more.
std::vector<FillRow> FillRows(const RecoveryLedger& ledger, uint8_t TrackCell::*field,
                              uint8_t initial, int64_t (*value)(uint8_t)) {
  std::vector<FillRow> rows;
  uint8_t in_force = initial;
  const int64_t last_row_cell = ledger.last_cell() - 2;
  for (int64_t c = 0; c < last_row_cell; ++c) {
    const uint8_t v = ledger.cell(c).*field;
    if (v == in_force) continue;
    rows.push_back({kCellMetres * c, value(v)});
    in_force = v;
  }
  int64_t tail = 0;
  for (int64_t i = 0; i < 3; ++i)
    if (ledger.cell(last_row_cell + i).*field != 0) tail = i + 1;
  for (int64_t i = 0; i < tail; ++i)
    rows.push_back({kCellMetres * last_row_cell, value(ledger.cell(last_row_cell + i).*field)});
  if (tail > 0) rows.push_back(rows.back());
  return rows;
}

}  // namespace percorso::recovery_parts
