#include "decompile/decompile.h"

#include <algorithm>
#include <bit>
#include <map>
#include <set>
#include <utility>

#include "model/items.h"
#include "base/text_encoding.h"
#include "compiler/protection_pass.h"
#include "decompile/compile_call.h"
#include "decompile/plan_curves.h"
#include "decompile/recover_rows.h"
#include "format/plan_file.h"
#include "model/cell_grid.h"
#include "model/line_table.h"
#include "model/track_plan.h"

namespace percorso {

std::string DescribePlace(const Unreproduced& u) {
  switch (u.kind) {
    case PlaceKind::kCell:
      return "cell " + std::to_string(u.number) + " (" + std::to_string(kCellMetres * u.number) +
             " m)";
    case PlaceKind::kSlot:
      return "slot " + std::to_string(u.number);
    case PlaceKind::kPlanPoint:
      return "plan point " + std::to_string(u.number);
    case PlaceKind::kCellFile:
      return "cell file";
    case PlaceKind::kLineFile:
      return "line file";
    case PlaceKind::kPlanFile:
      return "plan file";
  }
  return "file";
}

namespace {

// The reserved places the output stage stamps.
constexpr int kMarkedCell = 1;
// At most this many compiles are spent on telling the author's points of 180 from the
// pass's, and those tried lie this many cells either side of where the files part.
constexpr int kPointCompiles = 48;
constexpr int64_t kPointWindow = 3;

// The differing fields of two cells, by name.
std::string CellDifference(const TrackCell& want, const TrackCell& got) {
  std::string s;
  auto field = [&](const char* name, int64_t a, int64_t b) {
    if (a == b) return;
    if (!s.empty()) s += ", ";
    s += std::string(name) + " " + std::to_string(b) + " instead of " + std::to_string(a);
  };
  field("tipo", want.tipo, got.tipo);
  field("dato1", want.dato1, got.dato1);
  field("dato2", want.dato2, got.dato2);
  field("dato3", want.dato3, got.dato3);
  field("dato4", want.dato4, got.dato4);
  field("tempo", want.tempo, got.tempo);
  field("preavviso", want.preavviso, got.preavviso);
  field("montagna", want.montagna, got.montagna);
  field("velocita", want.velocita, got.velocita);
  field("pendenza", want.pendenza, got.pendenza);
  field("aderenza", want.aderenza, got.aderenza);
  return s;
}

bool SameSlot(const LineRecord& a, const LineRecord& b) {
  return a.tipo == b.tipo && a.inizio == b.inizio && a.fine == b.fine &&
         a.posizione == b.posizione && a.opzione1 == b.opzione1 && a.nome == b.nome &&
         a.valore1 == b.valore1 && a.valore2 == b.valore2 && a.valore3 == b.valore3 &&
         a.valore4 == b.valore4 && a.valore5 == b.valore5 && a.opzione2 == b.opzione2 &&
         a.opzione3 == b.opzione3 && a.opzione4 == b.opzione4 && a.opzione5 == b.opzione5 &&
         a.orario == b.orario;
}

// The bytes `compile` hands the loader for a text: a text that is valid UTF-8 with a
// multi-byte character is taken for UTF-8 and converted.
std::string AsCompileReads(const std::string& text, bool* converted) {
  DecodedText d = ToWindows1252(text);
  *converted = d.from_utf8 || d.fault.has_value();
  return d.fault ? text : d.bytes;
}

class Comparison {
 public:
  explicit Comparison(UnreproducedList* lost) : lost_(lost) {
    for (const Unreproduced& u : *lost) listed_.insert({u.kind, u.number});
  }

  void Add(PlaceKind kind, int64_t number, std::string why) {
    if (!listed_.insert({kind, number}).second) return;
    lost_->push_back({kind, number, std::move(why)});
  }

  void CompareCells(const std::vector<TrackCell>& want, std::string_view got_bytes) {
    auto got = DecodeCellFile(got_bytes);
    if (!got.ok()) return Add(PlaceKind::kCellFile, 0, "the recovered texts give no cell file");
    const size_t n = std::min(want.size(), got.value.size());
    for (size_t c = 0; c < n; ++c) {
      std::string diff = CellDifference(want[c], got.value[c]);
      if (!diff.empty()) Add(PlaceKind::kCell, static_cast<int64_t>(c), "compiles back with " + diff);
    }
    if (want.size() != got.value.size()) {
      Add(PlaceKind::kCellFile, 0,
          "compiles back with " + std::to_string(got.value.size()) + " cells instead of " +
              std::to_string(want.size()));
    }
  }

  void CompareSlots(const LineTable& want, std::string_view got_bytes) {
    auto got = DecodeLineFile(got_bytes);
    if (!got.ok()) return Add(PlaceKind::kLineFile, 0, "the recovered texts give no line file");
    for (int s = 0; s < kLineSlots; ++s) {
      if (!SameSlot(want.slot[static_cast<size_t>(s)], got.value.slot[static_cast<size_t>(s)]))
        Add(PlaceKind::kSlot, s, "compiles back different");
    }
  }

 private:
  UnreproducedList* lost_;
  std::set<std::pair<PlaceKind, int64_t>> listed_;
};

// The three files decoded; the first corrupt one stops the decompile.
struct DecodedFiles {
  std::vector<TrackCell> cells;
  LineTable table;
  std::optional<PlanPoints> plan;
};

std::optional<CorruptFile> DecodeFiles(const CompiledFiles& files, DecodedFiles* out) {
  auto cells = DecodeCellFile(files.cell_file);
  if (!cells.ok()) return CorruptFile{CompiledFileKind::kCells, *cells.error};
  auto table = DecodeLineFile(files.line_file);
  if (!table.ok()) return CorruptFile{CompiledFileKind::kLine, *table.error};
  if (files.plan_file) {
    // A plan longer than the line length allows is refused before it is decoded.
    const int64_t length = table.value.slot[kTrainFiguresSlot].fine;
    if (files.plan_file->size() > MaxPlanFileBytes(length)) {
      return CorruptFile{CompiledFileKind::kPlan,
                         DecodeError{MaxPlanFileBytes(length),
                                     "the plan file is " + std::to_string(files.plan_file->size()) +
                                         " bytes, more than a plan of a line of " +
                                         std::to_string(length) + " m can take (" +
                                         std::to_string(MaxPlanFileBytes(length)) + " bytes)"}};
    }
    auto p = ReadPlanPoints(*files.plan_file);
    if (!p.ok()) return CorruptFile{CompiledFileKind::kPlan, *p.error};
    out->plan = std::move(p.value);
  }
  out->cells = std::move(cells.value);
  out->table = std::move(table.value);
  return std::nullopt;
}

// What the rows are recovered from: the files as they stood before the reserved marks
// (those places are stamped again by the compiler), the line length within what the
// compiler accepts and the cells as many as that length gives.
RecoveryInput PrepareRecovery(const DecodedFiles& f, LineTable* model, UnreproducedList* lost) {
  *model = f.table;
  model->slot[kLineIdentitySlot].valore1 = 0;
  model->slot[kLineIdentitySlot].orario = 0;
  int32_t length = model->slot[kTrainFiguresSlot].fine;
  if (length < 0 || length > kMaxPlanLineLength) {
    lost->push_back({PlaceKind::kSlot, kTrainFiguresSlot,
                     "a line length of " + std::to_string(length) + " m is not accepted (0 to " +
                         std::to_string(kMaxPlanLineLength) + ")"});
    length = std::clamp(length, 0, kMaxPlanLineLength);
  }
  const int32_t upper = GridUpperFor(length);
  RecoveryInput in;
  in.table = model;
  in.cells = f.cells;
  in.line_length = length;
  if (in.cells.size() != static_cast<size_t>(upper) + 1) {
    lost->push_back({PlaceKind::kCellFile, 0,
                     "holds " + std::to_string(in.cells.size()) + " cells, but the line length " +
                         std::to_string(length) + " m gives " + std::to_string(upper + 1)});
    in.cells.resize(static_cast<size_t>(upper) + 1);
  }
  in.cells[kMarkedCell].dato1 = 0;
  in.cells[kMarkedCell].dato2 = 0;
  return in;
}

// The first cell where the compiled texts part from the cell file; -1 when none does.
int64_t FirstPartingCell(std::string_view want, const RecompiledFiles& r) {
  if (!r.written) return 0;
  const std::string_view got = r.cell_file;
  const size_t n = std::min(want.size(), got.size());
  const auto at =
      std::mismatch(want.begin(), want.begin() + static_cast<std::ptrdiff_t>(n), got.begin());
  const size_t offset = static_cast<size_t>(at.first - want.begin());
  if (offset == n && want.size() == got.size()) return -1;
  return static_cast<int64_t>(offset / kCellBytes);
}

// The train text with its abbattimento rows chosen, and what it compiles to.
struct TrainChoice {
  std::string treno;
  RecompiledFiles again;
  bool converted = false;  // a text reads as UTF-8, so `compile` would convert its names
};

// The protection points: the pass is run on the recovered rows, and every type-12 or
// type-13 cell it does not place itself becomes an abbattimento row. A point of any
// value but 180 is the author's. A point of 180 may be either: the pass works from the
// start of the line on, so at the first cell where the compiled texts part from the
// file, each nearby point of 180 is tried as the author's, and the one that takes the
// agreement furthest is kept.
TrainChoice ChooseAbbattimentoRows(const CompiledFiles& files, const RecoveredRows& rows,
                                   const std::vector<TrackCell>& cells, const std::string& linea) {
  TrainChoice t;
  std::map<int32_t, int32_t> chosen;
  for (auto [c, v] : rows.points)
    if (v != kProtectionValue || !Is(cells[static_cast<size_t>(c)].tipo, ItemType::kAbbattimento))
      chosen[c] = v;
  const std::string linea_read = AsCompileReads(linea, &t.converted);
  auto compile = [&](const std::map<int32_t, int32_t>& points) {
    bool treno_converted = false;
    const std::string treno_read = AsCompileReads(RenderTreno(rows, points), &treno_converted);
    t.converted = t.converted || treno_converted;
    // Without the plan: the curve rows are checked against the plan file on their own.
    return CompileTexts(files.nome_linea, files.numero_treno, linea_read, treno_read, false);
  };
  t.again = compile(chosen);
  int64_t part = FirstPartingCell(files.cell_file, t.again);
  for (int compiles = 1; part >= 0 && compiles < kPointCompiles;) {
    std::optional<std::map<int32_t, int32_t>> best;
    RecompiledFiles best_files;
    int64_t best_part = part;
    for (int64_t c = std::max<int64_t>(0, part - kPointWindow); c <= part + kPointWindow; ++c) {
      auto it = rows.points.find(static_cast<int32_t>(c));
      if (it == rows.points.end() || chosen.count(it->first) > 0) continue;
      if (compiles >= kPointCompiles) break;
      std::map<int32_t, int32_t> trial = chosen;
      trial[it->first] = it->second;
      RecompiledFiles r = compile(trial);
      ++compiles;
      const int64_t p = FirstPartingCell(files.cell_file, r);
      if (p < 0 || p > best_part || (best_part >= 0 && p < 0)) {
        best = std::move(trial);
        best_files = std::move(r);
        best_part = p;
        if (p < 0) break;
      }
    }
    if (!best) break;
    chosen = std::move(*best);
    t.again = std::move(best_files);
    part = best_part;
  }
  t.treno = RenderTreno(rows, chosen);
  return t;
}

// Lists where the recompiled files part from the given ones.
void ListDifferences(const CompiledFiles& files, const DecodedFiles& f, const TrainChoice& t,
                     UnreproducedList* lost) {
  const RecompiledFiles& again = t.again;
  Comparison compare(lost);
  if (t.converted)
    compare.Add(PlaceKind::kLineFile, 0,
                "a text reads as UTF-8, so `compile` would convert its names");
  if (!again.written) {
    compare.Add(PlaceKind::kCellFile, 0, "the recovered texts stop the compiler before it writes");
    return;
  }
  if (again.error_number != 0) {
    // The error is where the compiler met it, which is a cell for every error that the
    // recovered rows can still give (the protection pass finding no free cell).
    const int64_t cell = again.error_position / kCellMetres;
    compare.Add(cell >= 0 && static_cast<size_t>(cell) < f.cells.size() ? PlaceKind::kCell
                                                                        : PlaceKind::kCellFile,
                cell,
                "the recovered texts compile with error " + std::to_string(again.error_number) +
                    " at " + std::to_string(again.error_position) + " m, as the files must have");
  }
  if (again.cell_file != files.cell_file) compare.CompareCells(f.cells, again.cell_file);
  if (again.line_file != files.line_file) compare.CompareSlots(f.table, again.line_file);
}

}  // namespace

Decompiled Decompile(const CompiledFiles& files) {
  Decompiled d;
  DecodedFiles f;
  if (std::optional<CorruptFile> corrupt = DecodeFiles(files, &f)) {
    d.corrupt = std::move(corrupt);
    return d;
  }
  LineTable model;
  RecoveryInput in = PrepareRecovery(f, &model, &d.lost);
  std::vector<CurveRow> curves;
  if (f.plan) {
    curves = RecoverCurves(*f.plan, in.line_length, GridUpperFor(in.line_length), &d.lost);
    in.curves = &curves;
  }
  RecoveredRows rows = RecoverRows(in, &d.lost);
  d.linea = RenderLinea(rows);
  TrainChoice t = ChooseAbbattimentoRows(files, rows, in.cells, d.linea);
  d.treno = t.treno;

  // Every plan point was checked against the step of its row while the rows were
  // recovered, with the loader's arithmetic; the rows' starts, ends and tokens against
  // what the loader accepts.
  const bool plan_lost = std::any_of(d.lost.begin(), d.lost.end(), [](const Unreproduced& u) {
    return u.kind == PlaceKind::kPlanPoint || u.kind == PlaceKind::kPlanFile;
  });
  const RecompiledFiles& again = t.again;
  // The files are the proof: when they come back byte for byte, nothing was lost.
  if (again.written && again.error_number == 0 && !t.converted &&
      again.cell_file == files.cell_file && again.line_file == files.line_file && !plan_lost) {
    d.lost.clear();
    return d;
  }
  ListDifferences(files, f, t, &d.lost);
  return d;
}

}  // namespace percorso
