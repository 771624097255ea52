#include "decompile/recover_rows.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <queue>
#include <set>
#include <string_view>
#include <utility>

#include "model/items.h"
#include "compiler/chainage.h"
#include "compiler/marker_writers.h"

namespace percorso {

namespace {

// Cell types, as the compiler writes them.
constexpr uint8_t kSignal = TipoOf(ItemType::kSignal);
constexpr uint8_t kSlowdownEnd = TipoOf(ItemType::kSlowdownEnd);
constexpr uint8_t kSlowdownStart = TipoOf(ItemType::kSlowdownStart);
constexpr uint8_t kSlowdownWarning = TipoOf(ItemType::kSlowdownWarning);
constexpr uint8_t kSlowdownApproach = TipoOf(ItemType::kSlowdownApproach);
constexpr uint8_t kSpeedBoards = TipoOf(ItemType::kSpeedBoards);
constexpr uint8_t kStationStop = TipoOf(ItemType::kStationStop);
constexpr uint8_t kSpanMarker = TipoOf(ItemType::kSpanMarker);
constexpr uint8_t kPointWithValue = TipoOf(ItemType::kAbbattimento);
constexpr uint8_t kPointWithoutValue = TipoOf(ItemType::kAbbattimentoBare);
constexpr uint8_t kIndicatorBoard = TipoOf(ItemType::kBoard);

// The slowdown's warning cell and nearest approach cell, counted back from its start, as
// the marker writers place them (24 and 25 cells).
constexpr int64_t kWarningCells = kSlowdownWarningCells;
constexpr int64_t kApproachCells = kSlowdownApproachCells;
// A slowdown whose start cell is this one (31) may or may not have a warning point: its
// position can lie on either side of 1500 m.
constexpr int64_t kWarningOptionalStart = kSlowdownBorderStartCell;

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

// A text field that reads back as `text`, or nothing when no field can: a field that
// starts with a quote runs to the next quote, any other to the next comma or line end,
// and blanks before a field are skipped.
std::optional<std::string> TextField(const std::string& text) {
  const bool has_quote = text.find('"') != std::string::npos;
  const bool needs_quotes = text.find_first_of(",\r\n") != std::string::npos ||
                            (!text.empty() && (text[0] == ' ' || text[0] == '\t'));
  if (!has_quote) return needs_quotes ? "\"" + text + "\"" : text;
  if (needs_quotes || text[0] == '"') return std::nullopt;
  return text;
}

struct TrainItem {
  int group = 0;        // 0 station, 1 slowdown, 2 signal: the sections of the text
  int64_t key = 0;      // order inside the group
  std::string line;
  // Approach marks the row writes: cell and value.
  std::vector<std::pair<int64_t, uint8_t>> marks;
};

class Recovery {
 public:
  Recovery(const RecoveryInput& in, UnreproducedList* lost)
      : t_(*in.table), g_(in.cells), curves_(in.curves), lost_(lost) {
    u_ = static_cast<int64_t>(g_.size()) - 1;
    used_.assign(g_.size(), false);
  }

  RecoveredRows Run() {
    RecoverGeneral();
    RecoverCurveRows();
    RecoverFills();
    RecoverMontagnaRows();
    RecoverBoards();
    RecoverSpeedBoards();
    RecoverTrainGeneral();
    RecoverStations();
    RecoverSlowdowns();
    RecoverSignals();
    RecoverPoints();
    RecoverLeftovers();
    OrderTrainItems();
    return std::move(out_);
  }

 private:
  void LoseCell(int64_t c, std::string why) { lost_->push_back({PlaceKind::kCell, c, std::move(why)}); }
  void LoseSlot(int64_t s, std::string why) { lost_->push_back({PlaceKind::kSlot, s, std::move(why)}); }

  // An item placed by a marker writer or a board row at cell c stands at 50 (c - 1) m,
  // which must be a position the loader accepts.
  bool ItemCellPlaceable(int64_t c) { return c >= 1 && c <= u_ - 1; }

  void RecoverGeneral() {
    std::vector<std::string>& s = out_.linea;
    s.push_back("[generale]");
    const LineRecord& fig = t_.slot[kTrainFiguresSlot];
    s.push_back(FormatRow("lunghezza percorso", {fig.fine}));
    RecoverChainage();
    const LineRecord& id = t_.slot[kLineIdentitySlot];
    s.push_back(FormatRow("sfondo uno", {id.inizio}));
    s.push_back(FormatRow("sfondo due", {id.posizione}));
    s.push_back(FormatRow("sfondo tre", {id.fine}));
    const LineRecord& rep = t_.slot[kTrainIdentitySlot];
    const char* token = "ripetizione segnali 4 codici";
    if (rep.posizione == 9) {
      token = "ripetizione segnali 9 codici";
    } else if (rep.posizione == 0 ? rep.fine != 0 : rep.posizione != 4) {
      LoseSlot(kTrainIdentitySlot, "signal repetition with " + std::to_string(rep.posizione) +
                                       " codes: a row gives 4 or 9 codes, or 0 when its end is 0");
    }
    if (rep.inizio % kCellMetres != 0 || rep.fine % kCellMetres != 0)
      LoseSlot(kTrainIdentitySlot, "signal repetition start and end must be multiples of 50");
    s.push_back(FormatRow(token, {rep.inizio, rep.fine}));
  }

  // The references as written: the ordering moved whole references and added 100 to
  // the end of each whose third value is 1, so every assignment of the undone
  // references to the rows tre, due and uno is tried until one orders back to the slots.
  void RecoverChainage() {
    std::array<std::array<int64_t, 3>, 3> ref{};
    for (int i = 0; i < 3; ++i) {
      const LineRecord& r = t_.slot[static_cast<size_t>(kChainageSlotTre + i)];
      ref[static_cast<size_t>(i)] = {r.inizio, r.posizione == 1 ? int64_t{r.fine} - 100 : r.fine,
                                     r.posizione};
    }
    // Reversed first: that puts the reference of slot 81 in the row "uno", as the
    // ordering of references by their ends does.
    static constexpr std::array<std::array<int, 3>, 6> kTries = {{
        {2, 1, 0}, {0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}}};
    std::optional<std::array<int, 3>> found;
    for (const std::array<int, 3>& perm : kTries) {
      bool fits = true;
      LineTable probe;
      for (int i = 0; i < 3 && fits; ++i) {
        const auto& r = ref[static_cast<size_t>(perm[static_cast<size_t>(i)])];
        if (r[1] < INT32_MIN) fits = false;
        LineRecord& slot = probe.slot[static_cast<size_t>(kChainageSlotTre + i)];
        slot.inizio = static_cast<int32_t>(r[0]);
        slot.fine = static_cast<int32_t>(r[1]);
        slot.posizione = static_cast<int32_t>(r[2]);
      }
      if (!fits) continue;
      OrderChainages(probe);
      bool same = true;
      for (int i = kChainageSlotTre; i <= kChainageSlotUno; ++i) {
        const LineRecord& a = probe.slot[static_cast<size_t>(i)];
        const LineRecord& b = t_.slot[static_cast<size_t>(i)];
        same = same && a.inizio == b.inizio && a.fine == b.fine && a.posizione == b.posizione;
      }
      if (same) {
        found = perm;
        break;
      }
    }
    if (!found) {
      LoseSlot(kChainageSlotTre, "no three chainage rows are put in this order");
      found = std::array<int, 3>{0, 1, 2};
    }
    // Slot 81 is loaded from "tre", 82 from "due", 83 from "uno".
    static constexpr const char* kRows[] = {"progressiva chilometrica tre",
                                            "progressiva chilometrica due",
                                            "progressiva chilometrica uno"};
    for (int i = 2; i >= 0; --i) {
      const auto& r = ref[static_cast<size_t>((*found)[static_cast<size_t>(i)])];
      out_.linea.push_back(FormatRow(kRows[i], {r[0], r[1], r[2]}));
    }
  }

  void RecoverCurveRows() {
    if (curves_ == nullptr || curves_->empty()) return;
    out_.linea.push_back("[curve]");
    for (const CurveRow& c : *curves_)
      out_.linea.push_back(FormatRow(c.token, {c.start, c.length}));
  }

  // The rows of one filled field: a row at each change of the cells' value, and for the
  // last three cells, which only rows on the last accepted cell reach, one such row per
  // cell written (each row writes the value of the one before) and one more.
  template <typename Value>
  std::vector<std::pair<int64_t, int64_t>> FillRows(uint8_t TrackCell::*field, uint8_t initial,
                                                    Value value) {
    std::vector<std::pair<int64_t, int64_t>> rows;
    uint8_t in_force = initial;
    const int64_t last_row_cell = u_ - 2;
    for (int64_t c = 0; c < last_row_cell; ++c) {
      const uint8_t v = g_[static_cast<size_t>(c)].*field;
      if (v == in_force) continue;
      rows.push_back({kCellMetres * c, value(v)});
      in_force = v;
    }
    int64_t tail = 0;
    for (int64_t i = 0; i < 3; ++i)
      if (g_[static_cast<size_t>(last_row_cell + i)].*field != 0) tail = i + 1;
    for (int64_t i = 0; i < tail; ++i)
      rows.push_back(
          {kCellMetres * last_row_cell, value(g_[static_cast<size_t>(last_row_cell + i)].*field)});
    if (tail > 0) rows.push_back(rows.back());
    return rows;
  }

  void RecoverFills() {
    out_.linea.push_back("[pendenze]");
    for (auto [p, v] : FillRows(&TrackCell::pendenza, 100, [](uint8_t b) { return int64_t{b} - 100; }))
      out_.linea.push_back(FormatRow("pendenza", {p, v}));
    velocita_ = FillRows(&TrackCell::velocita, 0, [](uint8_t b) { return int64_t{b} * 5; });
    aderenza_ = FillRows(&TrackCell::aderenza, 0, [](uint8_t b) { return int64_t{b}; });
  }

  // Cuts the run of cells c..end of one montagna value where its markers change step:
  // spans that follow one another with no gap are each counted from their own first
  // cell. Each span: its first cell, and whether it has markers.
  std::vector<std::pair<int64_t, bool>> CutIntoSpans(int64_t c, int64_t end) {
    std::vector<std::pair<int64_t, bool>> spans;  // first cell, with markers
    int64_t first = c;
    int markers = -1;  // not known yet
    // A span cut off where a marker was missing may have begun anywhere after the
    // previous span's last marker: its first marker then fixes its start.
    int64_t earliest = c;
    int64_t last_marker = -1;
    auto fits = [&](int64_t from, int64_t to) {  // no free cell on a marker place
      for (int64_t p = from; p <= to; ++p)
        if (g_[static_cast<size_t>(p)].tipo == 0 && (p - from + 1) % 4 == 0) return false;
      return true;
    };
    for (int64_t i = c; i <= end; ++i) {
      const uint8_t tipo = g_[static_cast<size_t>(i)].tipo;
      const bool marker_place = (i - first + 1) % 4 == 0;
      if (tipo == kSpanMarker) {
        if (marker_place && markers != 0) {
          markers = 1;
          last_marker = i;
          continue;
        }
        if (markers != 1 && earliest < first) {
          // Move the start back to where this marker is the 4th cell.
          int64_t start = first - ((first - (i - 3)) % 4 + 4) % 4;
          if (start >= earliest && fits(start, i)) {
            first = start;
            markers = 1;
            last_marker = i;
            continue;
          }
        }
        if (i - 3 <= first || (last_marker >= 0 && i - 3 <= last_marker)) {
          LoseCell(i, "a span marker off the 4th cells of its montagna span");
          continue;
        }
        spans.push_back({first, markers == 1});
        earliest = first = i - 3;
        markers = 1;
        last_marker = i;
      } else if (tipo == 0 && marker_place) {
        if (markers == 1) {
          spans.push_back({first, true});
          earliest = last_marker + 1;
          first = i;
          markers = -1;
          last_marker = -1;
        } else {
          markers = 0;
        }
      }
    }
    spans.push_back({first, markers == 1});
    return spans;
  }

  // Spans: each run of cells with one montagna value is one row; its markers (type 11
  // on every 4th cell that was empty) say whether the row asked for them.
  void RecoverMontagnaRows() {
    out_.linea.push_back("[montagne]");
    bool has_previous = false;
    int64_t previous_fine = 0;
    for (int64_t c = 0; c <= u_;) {
      const uint8_t v = g_[static_cast<size_t>(c)].montagna;
      int64_t end = c;
      while (end + 1 <= u_ && g_[static_cast<size_t>(end + 1)].montagna == v) ++end;
      if (v == 0) {
        for (int64_t i = c; i <= end; ++i)
          if (g_[static_cast<size_t>(i)].tipo == kSpanMarker) LoseCell(i, "a span marker outside every montagna span");
        c = end + 1;
        continue;
      }
      const std::vector<std::pair<int64_t, bool>> spans = CutIntoSpans(c, end);
      for (size_t k = 0; k < spans.size(); ++k) {
        const int64_t from = spans[k].first;
        const int64_t to = k + 1 < spans.size() ? spans[k + 1].first - 1 : end;
        const int64_t inizio = kCellMetres * from;
        const int64_t fine = kCellMetres * (to + 1);
        if (from > u_ - 2) LoseCell(from, "a montagna row may not start this near the end of the grid");
        if (has_previous && inizio - previous_fine <= 150 && v != 3)
          LoseCell(from, "a montagna span within 150 m of the previous one is always of type 3");
        const int64_t tipo = spans[k].second ? int64_t{v} + 10 : (v <= 10 ? int64_t{v} : int64_t{v} - 256);
        out_.linea.push_back(FormatRow("montagna", {inizio, fine, tipo}));
        has_previous = true;
        previous_fine = fine;
      }
      c = end + 1;
    }
  }

  // The lowest slot that holds an indicator board: the boards fill slots 80 downwards,
  // and every board's cell names its slot.
  void FindBoardSlots() {
    board_low_ = kFirstBoardSlot + 1;
    for (int64_t c = 0; c <= u_; ++c) {
      const TrackCell& cell = g_[static_cast<size_t>(c)];
      if (cell.tipo == kIndicatorBoard && cell.dato1 >= 1 && cell.dato1 <= kFirstBoardSlot)
        board_low_ = std::min<int>(board_low_, cell.dato1);
    }
    // A board whose cell was written over still left its text in its slot.
    for (int s = board_low_ - 1; s >= 1; --s) {
      const LineRecord& r = t_.slot[static_cast<size_t>(s)];
      if (r.nome.empty() || !HoldsOnlyName(r)) break;
      if (HasStopCellFor(s)) break;
      board_low_ = s;
    }
  }

  static bool HoldsOnlyName(const LineRecord& r) {
    return r.tipo == 0 && r.inizio == 0 && r.fine == 0 && r.posizione == 0 && r.opzione1 == 0 &&
           r.valore1 == 0 && r.valore2 == 0 && r.valore3 == 0 && r.valore4 == 0 &&
           r.valore5 == 0 && r.opzione2 == 0 && r.opzione3 == 0 && r.opzione4 == 0 &&
           r.opzione5 == 0 && r.orario == 0;
  }

  bool HasStopCellFor(int slot) const {
    for (const TrackCell& cell : g_)
      if (cell.tipo == kStationStop && cell.dato1 == slot) return true;
    return false;
  }

  void RecoverBoards() {
    FindBoardSlots();
    std::vector<int64_t> cell_of(kFirstBoardSlot + 1, -1);
    for (int64_t c = 0; c <= u_; ++c) {
      const TrackCell& cell = g_[static_cast<size_t>(c)];
      if (cell.tipo != kIndicatorBoard) continue;
      if (cell.dato1 < board_low_ || cell.dato1 > kFirstBoardSlot ||
          cell_of[static_cast<size_t>(cell.dato1)] >= 0) {
        LoseCell(c, "an indicator board whose slot " + std::to_string(cell.dato1) +
                        " no board row can give it");
        continue;
      }
      cell_of[static_cast<size_t>(cell.dato1)] = c;
    }
    out_.linea.push_back("[cartelli]");  // the speed boards come first, as in the built-in text
    boards_.clear();
    for (int s = kFirstBoardSlot; s >= board_low_; --s) {
      const LineRecord& r = t_.slot[static_cast<size_t>(s)];
      int64_t c = cell_of[static_cast<size_t>(s)];
      if (!HoldsOnlyName(r)) LoseSlot(s, "an indicator board slot holds only its text");
      if (c < 0) {
        LoseSlot(s, "the cell of this indicator board was written over");
        continue;
      }
      used_[static_cast<size_t>(c)] = true;
      if (!ItemCellPlaceable(c)) LoseCell(c, "no board row places an indicator board on this cell");
      std::optional<std::string> text = TextField(r.nome);
      if (!text) {
        LoseSlot(s, "a board text that starts with a quote and holds a comma or line end cannot be written");
        text = "";
      }
      boards_.push_back("cartello_indicatore,  " + std::to_string(kCellMetres * (c - 1)) + ",   " +
                        *text);
    }
  }

  void RecoverSpeedBoards() {
    for (int64_t c = 0; c <= u_; ++c) {
      const TrackCell& cell = g_[static_cast<size_t>(c)];
      if (cell.tipo != kSpeedBoards) continue;
      used_[static_cast<size_t>(c)] = true;
      if (!ItemCellPlaceable(c)) LoseCell(c, "no speed-board row places boards on this cell");
      // A code is left speed / 5 in the hundreds and right speed / 5 in the units.
      auto split = [](int16_t code) -> std::pair<int64_t, int64_t> {
        if (code < 0) return {0, int64_t{code} * 5};
        return {code / 100 * 5, code % 100 * 5};
      };
      auto [vas, vad] = split(cell.dato1);
      auto [vbs, vbd] = split(cell.dato2);
      auto [vcs, vcd] = split(cell.dato3);
      const int64_t strisces = cell.dato4 < 0 ? 0 : cell.dato4 / 10;
      const int64_t strisced = cell.dato4 < 0 ? cell.dato4 : cell.dato4 % 10;
      std::string row =
          FormatRow("indicatori_vmax", {kCellMetres * (c - 1), vas, vbs, vcs, strisces});
      if (vad == 0 && vbd == 0 && vcd == 0) {
        row += ",  ,  ,  ,  " + std::to_string(strisced);  // no board on the right
      } else {
        for (int64_t v : {vad, vbd, vcd, strisced}) row += ",  " + std::to_string(v);
      }
      out_.linea.push_back(row);
    }
    out_.linea.push_back("[indicazioni]");
    for (const std::string& b : boards_) out_.linea.push_back(b);
  }

  void RecoverTrainGeneral() {
    std::vector<std::string>& s = out_.treno_head;
    const LineRecord& fig = t_.slot[kTrainFiguresSlot];
    const LineRecord& id = t_.slot[kTrainIdentitySlot];
    s.push_back("[generale]");
    s.push_back(FormatRow("numero vetture", {fig.posizione}));
    s.push_back(FormatRow("percentuale massa frenata", {fig.inizio}));
    s.push_back(FormatRow("sabbia", {id.valore1}));
    s.push_back("orologio,    " + std::to_string(id.valore3) + "    " + std::to_string(id.valore4) +
                "    " + std::to_string(id.valore5));
    if (fig.tipo != 0 || fig.opzione1 != 0 || !fig.nome.empty() || fig.valore1 != 0 ||
        fig.valore2 != 0 || fig.valore3 != 0 || fig.valore4 != 0 || fig.valore5 != 0 ||
        fig.opzione2 != 0 || fig.opzione3 != 0 || fig.opzione4 != 0 || fig.opzione5 != 0 ||
        fig.orario != 0)
      LoseSlot(kTrainFiguresSlot, "holds values no row gives");
    if (id.tipo != 0 || id.opzione1 != 0 || id.valore2 != 0 || id.opzione2 != 0 ||
        id.opzione3 != 0 || id.opzione4 != 0 || id.opzione5 != 0 || id.orario != 0)
      LoseSlot(kTrainIdentitySlot, "holds values no row gives");
    s.push_back("[aderenze]");
    for (auto [p, v] : aderenza_) s.push_back(FormatRow("aderenza", {p, v}));
    s.push_back("[vel_limite]");
    for (auto [p, v] : velocita_) s.push_back(FormatRow("velocita", {p, v}));
  }

  void RecoverStations() {
    // Stations fill slots 1 upwards, up to the boards.
    int last = 0;
    for (int s = 1; s < board_low_; ++s) {
      const LineRecord& r = t_.slot[static_cast<size_t>(s)];
      if (!HoldsOnlyName(r) || !r.nome.empty() || HasStopCellFor(s)) last = s;
    }
    for (int k = 1; k <= last; ++k) RecoverStation(k);
  }

  void RecoverStation(int k) {
    const LineRecord& r = t_.slot[static_cast<size_t>(k)];
    const int64_t p = r.posizione;
    const int tipo = r.tipo;
    int64_t len = 0;
    int64_t sixth = r.opzione4;
    int64_t end = 0;
    if (tipo == 5 || tipo == 6) {
      len = p - r.inizio;
      end = p + 150;
      sixth = 0;
    } else if (tipo == 7 || tipo == 8) {
      len = p - r.inizio;
      end = p + len;
      sixth = 0;
    } else {
      len = 2 * (p - r.inizio);
      const int64_t extra = r.fine - (p + len / 2);
      // The first station's sixth field is cleared once its zone is known.
      if (k == 1) sixth = extra == kCellMetres ? 1 : 0;
      end = p + len / 2 + (sixth != 0 ? kCellMetres : 0);
    }
    if (end != r.fine || len % 100 != 0 || p % kCellMetres != 0 ||
        (tipo >= 5 && tipo <= 8 && r.opzione4 != 0))
      LoseSlot(k, "no station row gives this zone");
    if ((len < 600 || k == 1) && r.opzione5 != 0)
      LoseSlot(k, "the fifth field of this station would have been cleared");
    if (k == 1 && r.opzione4 != 0) LoseSlot(k, "the first station's sixth field is always cleared");
    if (p < 0 || p + 800 > kCellMetres * u_)
      LoseSlot(k, "no station row may stand at this position");
    TrainItem item;
    item.group = 0;
    item.key = k;
    if (tipo < 25) {
      const int64_t stop = end / kCellMetres - 1;
      if (stop >= 0 && stop <= u_) {
        const TrackCell& cell = g_[static_cast<size_t>(stop)];
        if (cell.tipo != kStationStop || cell.dato1 != k)
          LoseCell(stop, "the stop cell of the station in slot " + std::to_string(k) + " was written over");
        used_[static_cast<size_t>(stop)] = true;
      }
      if (tipo != 5 && tipo != 6) {
        for (int64_t i = 1; i <= 4; ++i)
          if (stop - i > 1 && stop - i <= u_) item.marks.push_back({stop - i, static_cast<uint8_t>(80 + i)});
      }
    }
    const int64_t orario = r.orario;
    const int64_t h = orario >= 0 ? orario / 3600 : 0;
    const int64_t m = orario >= 0 ? orario % 3600 / 60 : 0;
    const int64_t sec = orario >= 0 ? orario % 60 : orario;
    std::optional<std::string> name = TextField(r.nome);
    if (!name) {
      LoseSlot(k, "a station name that starts with a quote and holds a comma or line end cannot be written");
      name = "";
    }
    item.line = "stazione,  " + std::to_string(p) + ",  " + std::to_string(tipo) + ",  " +
                std::to_string(len) + ",  " + std::to_string(r.opzione1) + ", " +
                std::to_string(r.opzione5) + ", " + std::to_string(sixth) + ",  " +
                std::to_string(r.valore1) + "," + std::to_string(r.valore2) + "," +
                std::to_string(r.opzione2) + ",  " + std::to_string(r.valore3) + "," +
                std::to_string(r.valore4) + "," + std::to_string(r.valore5) + ",  " +
                std::to_string(r.opzione3) + ",  " + std::to_string(h) + "," + std::to_string(m) +
                ", " + std::to_string(sec) + ", " + *name;
    items_.push_back(std::move(item));
  }

  void RecoverSlowdowns() {
    // Ends, by the values they carry, nearest first.
    std::vector<int64_t> ends;
    for (int64_t c = 0; c <= u_; ++c)
      if (g_[static_cast<size_t>(c)].tipo == kSlowdownEnd) ends.push_back(c);
    for (int64_t s = 0; s <= u_; ++s) {
      const TrackCell& start = g_[static_cast<size_t>(s)];
      if (start.tipo != kSlowdownStart) continue;
      used_[static_cast<size_t>(s)] = true;
      if (!ItemCellPlaceable(s)) LoseCell(s, "no slowdown row starts on this cell");
      auto same = [&](const TrackCell& e) {
        return e.dato1 == start.dato1 && e.dato2 == start.dato2 && e.dato3 == start.dato3;
      };
      int64_t e = s;  // none: a slowdown of no length, or one ending beyond the grid
      int64_t best = -1;
      for (int64_t c : ends) {
        if (used_[static_cast<size_t>(c)] || !same(g_[static_cast<size_t>(c)])) continue;
        if (best < 0 || (c > s && (best < s || c < best)) || (c < s && best < s && c > best)) best = c;
      }
      if (best >= 0) {
        e = best;
        used_[static_cast<size_t>(e)] = true;
      }
      const int64_t v = start.dato1;
      const int64_t d_v = start.dato2;
      const int64_t f_tt = start.dato3;
      const int64_t w = s - kWarningCells;
      const bool warning_there =
          w >= 0 && g_[static_cast<size_t>(w)].tipo == kSlowdownWarning &&
          g_[static_cast<size_t>(w)].dato1 == start.dato1 && g_[static_cast<size_t>(w)].dato2 == start.dato2;
      int64_t x = kCellMetres * (s - 1);
      bool warned = x > 1500;
      if (s == kWarningOptionalStart && warning_there) {
        x = 1510;  // still on cell 31, but past 1500 m
        warned = true;
      }
      if (warned) {
        if (!warning_there) LoseCell(w, "the warning cell of the slowdown starting at cell " + std::to_string(s) + " is missing");
        else used_[static_cast<size_t>(w)] = true;
      }
      int64_t f_ta = 0;
      if (warned) {
        const int64_t a = s - kApproachCells;
        bool all = a - 3 >= 0;
        for (int64_t i = 0; i < 4 && all; ++i) {
          const TrackCell& cell = g_[static_cast<size_t>(a - i)];
          all = cell.tipo == kSlowdownApproach && cell.dato1 == i + 1 &&
                cell.dato2 == (d_v != 0 ? i + 1 : 0) && !used_[static_cast<size_t>(a - i)];
        }
        if (all) {
          f_ta = 1;
          for (int64_t i = 0; i < 4; ++i) used_[static_cast<size_t>(a - i)] = true;
        }
      }
      const int64_t l = kCellMetres * (e - 1) - x;
      TrainItem item;
      item.group = 1;
      item.key = s;
      item.line = FormatRow("rallentamento", {x, v, l, f_tt, f_ta, d_v});
      items_.push_back(std::move(item));
    }
  }

  // How many rows write an approach mark into each cell: the signals and the stations.
  void CountMarkWriters() {
    mark_writers_.assign(g_.size(), 0);
    for (const TrainItem& item : items_)
      for (auto [m, v] : item.marks) ++mark_writers_[static_cast<size_t>(m)];
    for (int64_t c = 0; c <= u_; ++c) {
      if (g_[static_cast<size_t>(c)].tipo != kSignal) continue;
      for (int64_t k = 1; k <= 4; ++k)
        if (c - 2 * k >= 0) ++mark_writers_[static_cast<size_t>(c - 2 * k)];
    }
  }

  void RecoverSignals() {
    CountMarkWriters();
    for (int64_t c = 0; c <= u_; ++c) {
      const TrackCell& cell = g_[static_cast<size_t>(c)];
      if (cell.tipo != kSignal) continue;
      used_[static_cast<size_t>(c)] = true;
      if (!ItemCellPlaceable(c)) LoseCell(c, "no signal row places a signal on this cell");
      // The aspect code sx * 3 + dx is told by the approach marks (code * 10 + k, low 8
      // bits), which keep it modulo 128, but only where no other row marks the same cell;
      // dato4 = rapp * 10 + code tells it modulo 10. With no such mark the plain split of
      // dato4 serves: every mark of the signal is then written over anyway.
      const int64_t d4 = cell.dato4;
      const int64_t units = ((d4 % 10) + 10) % 10;
      int64_t best = units;
      for (int64_t k = 1; k <= 4; ++k) {
        const int64_t m = c - 2 * k;
        if (m < 0 || mark_writers_[static_cast<size_t>(m)] != 1) continue;
        const uint8_t shown = g_[static_cast<size_t>(m)].preavviso;
        for (int64_t q = 0; q < 128; ++q) {
          if (static_cast<uint8_t>(q * 10 + k) == shown) {
            best = q;
            break;
          }
        }
        break;
      }
      // Raise the code by multiples of 128 (marks unchanged) until dato4 - code is a
      // multiple of 10; that needs the same parity.
      int64_t q = best;
      if (((d4 - q) % 2 + 2) % 2 != 0) q = units;
      while ((d4 - q) % 10 != 0) q += 128;
      const int64_t rapp = (d4 - q) / 10;
      int64_t sx = q / 3, dx = q % 3;
      int64_t tempo = 0;
      if (cell.tempo != 0) {
        sx = 2;
        dx = q - 6;
        // 1 to 100 are raised to 101, so those bytes come from a value 256 higher.
        tempo = cell.tempo > 100 ? cell.tempo : cell.tempo + 256;
      }
      auto split = [](int16_t d) { return std::pair<int64_t, int64_t>{d / 10, d % 10}; };
      auto [s1, d1] = split(cell.dato1);
      auto [s2, d2] = split(cell.dato2);
      auto [s3, d3] = split(cell.dato3);
      TrainItem item;
      item.group = 2;
      item.key = c;
      item.line = FormatRow("segnale",
                            {kCellMetres * (c - 1), sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo});
      for (int64_t k = 1; k <= 4; ++k)
        if (c - 2 * k >= 0) item.marks.push_back({c - 2 * k, static_cast<uint8_t>(q * 10 + k)});
      items_.push_back(std::move(item));
    }
  }

  void RecoverPoints() {
    for (int64_t c = 0; c <= u_; ++c) {
      const TrackCell& cell = g_[static_cast<size_t>(c)];
      if (cell.tipo != kPointWithValue && cell.tipo != kPointWithoutValue) continue;
      used_[static_cast<size_t>(c)] = true;
      if (c > u_ - 2) LoseCell(c, "no abbattimento row may stand on this cell");
      int32_t value = 0;
      if (cell.tipo == kPointWithValue) value = cell.dato1 > 0 ? cell.dato1 : cell.dato1 + 65536;
      out_.points[static_cast<int32_t>(c)] = value;
    }
  }

  void RecoverLeftovers() {
    for (int64_t c = 0; c <= u_; ++c) {
      const uint8_t tipo = g_[static_cast<size_t>(c)].tipo;
      if (tipo == 0 || tipo == kSpanMarker || used_[static_cast<size_t>(c)]) continue;
      switch (tipo) {
        case kSlowdownEnd:
          LoseCell(c, "a slowdown end without its start");
          break;
        case kSlowdownWarning:
          LoseCell(c, "a slowdown warning cell without its start");
          break;
        case kSlowdownApproach:
          LoseCell(c, "a slowdown approach cell without its warning cell");
          break;
        case kStationStop:
          LoseCell(c, "a station stop cell without its station");
          break;
        default:
          LoseCell(c, "no row places an item of type " + std::to_string(tipo));
      }
    }
  }

  // Stations keep their order; signals and stations are ordered so that the row whose
  // approach mark a cell shows is written after every other row marking that cell.
  void OrderTrainItems() {
    const size_t n = items_.size();
    std::vector<size_t> base(n);
    for (size_t i = 0; i < n; ++i) base[i] = i;
    std::stable_sort(base.begin(), base.end(), [&](size_t a, size_t b) {
      return items_[a].group != items_[b].group ? items_[a].group < items_[b].group
                                                 : items_[a].key < items_[b].key;
    });
    std::vector<size_t> rank(n);
    for (size_t i = 0; i < n; ++i) rank[base[i]] = i;
    std::vector<std::set<size_t>> after(n);  // after[a]: items that must follow a
    std::vector<size_t> need(n, 0);
    auto edge = [&](size_t a, size_t b) {
      if (a != b && after[a].insert(b).second) ++need[b];
    };
    size_t previous_station = n;
    for (size_t i : base) {
      if (items_[i].group != 0) continue;
      if (previous_station < n) edge(previous_station, i);
      previous_station = i;
    }
    std::map<int64_t, std::vector<std::pair<size_t, uint8_t>>> writers;
    for (size_t i = 0; i < n; ++i)
      for (auto [c, v] : items_[i].marks) writers[c].push_back({i, v});
    for (auto& [c, list] : writers) {
      const uint8_t shown = g_[static_cast<size_t>(c)].preavviso;
      std::optional<size_t> winner;
      for (auto [i, v] : list)
        if (v == shown && (!winner || rank[i] > rank[*winner])) winner = i;
      if (!winner) {
        LoseCell(c, "an approach mark that no signal or station gives");
        continue;
      }
      for (auto [i, v] : list)
        if (v != shown) edge(i, *winner);
    }
    // Kahn's order, taking the ready item that comes first in the plain order.
    std::priority_queue<std::pair<size_t, size_t>, std::vector<std::pair<size_t, size_t>>,
                        std::greater<>> ready;
    for (size_t i = 0; i < n; ++i)
      if (need[i] == 0) ready.push({rank[i], i});
    std::vector<size_t> order;
    while (!ready.empty()) {
      size_t i = ready.top().second;
      ready.pop();
      order.push_back(i);
      for (size_t j : after[i])
        if (--need[j] == 0) ready.push({rank[j], j});
    }
    if (order.size() != n) {
      LoseCell(0, "the approach marks ask for an order of rows that no text has");
      order = base;
    }
    static constexpr const char* kHeaders[] = {"[stazioni]", "[rallentamenti]", "[segnali]"};
    int group = -1;
    for (size_t i : order) {
      // A header each time the kind of row changes; headers are only read as unknown tokens.
      if (items_[i].group != group) {
        group = items_[i].group;
        out_.treno_items.push_back(kHeaders[group]);
      }
      out_.treno_items.push_back(items_[i].line);
    }
  }

  const LineTable& t_;
  const std::vector<TrackCell>& g_;
  const std::vector<CurveRow>* curves_;
  UnreproducedList* lost_;
  int64_t u_ = 0;
  std::vector<bool> used_;
  std::vector<int> mark_writers_;
  int board_low_ = kFirstBoardSlot + 1;
  std::vector<std::string> boards_;
  std::vector<std::pair<int64_t, int64_t>> velocita_, aderenza_;
  std::vector<TrainItem> items_;
  RecoveredRows out_;
};

std::string Render(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) {
    s += l;
    s += "\r\n";
  }
  return s;
}

}  // namespace

RecoveredRows RecoverRows(const RecoveryInput& in, UnreproducedList* lost) {
  return Recovery(in, lost).Run();
}

std::string RenderLinea(const RecoveredRows& rows) { return Render(rows.linea) + "[fine]\r\n"; }

std::string RenderTreno(const RecoveredRows& rows, const std::map<int32_t, int32_t>& abbattimenti) {
  std::string s = Render(rows.treno_head) + Render(rows.treno_items);
  s += "[abbattimenti]\r\n";
  for (auto [c, v] : abbattimenti)
    s += FormatRow("abbattimento", {kCellMetres * int64_t{c}, v}) + "\r\n";
  s += "[codici]\r\n[fine]\r\n";
  return s;
}

}  // namespace percorso
