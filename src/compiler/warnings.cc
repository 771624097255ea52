#include "compiler/warnings.h"

#include <utility>

#include "base/rounding.h"
#include "compiler/keywords.h"
#include "model/items.h"

namespace percorso {

namespace {

std::string_view Trimmed(std::string_view s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string Quoted(std::string_view s) {
  constexpr size_t kShown = 60;
  std::string out = "\"";
  out.append(s.substr(0, kShown));
  if (s.size() > kShown) out.append("...");
  out.push_back('"');
  return out;
}

std::string Metres(int64_t p) { return std::to_string(p) + " m"; }

bool IsThreeDigits(std::string_view s) {
  if (s.size() != 3) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// The keywords of each part of the texts, matched as the loader matches them but with
// case ignored throughout: only to tell an author where a row he wrote belongs.
bool GeneralWord(const Folded& f) {
  return (f.Has("lunghezza") && f.Has("percorso")) || f.Has("progressiva") || f.Has("sfondo") ||
         (f.Has("ripetizione") && f.Has("segnali"));
}
bool LineBodyWord(const Folded& f) {
  return f.Has("pendenza") || f.Has("curva") || f.Has("montagna") || f.Has("indicatori_v") ||
         (f.Has("cartello") && f.Has("indicat"));
}
bool TrainWord(const Folded& f) {
  return (f.Has("frenata") && f.Has("massa")) || f.Has("vetture") || f.Has("velocit") ||
         f.Has("aderenza") || f.Has("orologio") || f.Has("sabbia") || f.Has("segnale") ||
         f.Has("rallentamento") || f.Has("abbattimento") || f.Has("stazione");
}

constexpr int32_t kCell = kCellMetres;
constexpr int32_t kSpeedStep = 5;
constexpr size_t kMaxWarnings = 100000;

}  // namespace

void WarningWatch::Add(WarningKind kind, int line, int column, std::string message) {
  // A text of millions of odd rows must not turn into millions of kept messages.
  if (errore_.warnings.size() >= kMaxWarnings) return;
  Warning w;
  w.kind = kind;
  w.text = text_;
  w.line = line;
  w.column = column;
  w.message = std::move(message);
  w.errors_before = errore_.log.size();
  errore_.warnings.push_back(std::move(w));
}

// --- Where the loader is --------------------------------------------------------------

void WarningWatch::StartLine(bool with_plan) {
  text_ = WarningText::kLine;
  plan_ = with_plan;
  phase_ = Phase::kPreamble;
}

void WarningWatch::StartGeneral() {
  phase_ = Phase::kGeneral;
  section_ = "[generale]";
  row_line_ = 0;
}

void WarningWatch::StartTrain() {
  text_ = WarningText::kTrain;
  phase_ = Phase::kPreamble;
  row_line_ = 0;
  has_joined_ = false;
  last_token_read_as_row_ = true;
  skipped_ = false;
}

void WarningWatch::StartBody() {
  if (text_ == WarningText::kTrain) section_ = "[generale]";
  phase_ = Phase::kBody;
}

void WarningWatch::EndGeneral(const TextField& header) {
  section_ = std::string(Trimmed(header.text).substr(0, 40));
  last_token_read_as_row_ = true;
}

void WarningWatch::WarnNoOpeningHeader() {
  skipped_ = true;
  std::string message = "the train data has no \"[generale]\" header, so none of its rows is read";
  if (has_bracket_) {
    message += " (its first header is " + Quoted(Trimmed(first_bracket_.text)) + ")";
    Add(WarningKind::kUnknownHeader, first_bracket_.line, first_bracket_.column, message);
  } else {
    Add(WarningKind::kUnknownHeader, 0, 0, message);
  }
}

void WarningWatch::EndText(bool at_end) {
  if (!at_end || phase_ != Phase::kBody || skipped_) return;
  const std::string_view last = Trimmed(last_token_.text);
  if (!last_token_read_as_row_ && !last.empty() && !IsComment(last) &&
      !IsSectionHeader(last)) {
    Add(WarningKind::kAfterEnd, last_token_.line, last_token_.column,
        "the text ends with " + Quoted(last) +
            ": a keyword that is the last field of a text is never read as a row");
  }
  if (text_ != WarningText::kTrain) return;
  if (speed_rows_ == 0) {
    Add(WarningKind::kEmptyText, 0, 0,
        "the train data has no \"velocita\" row: the speed is 0 over the whole line");
  }
  if (adhesion_rows_ == 0) {
    Add(WarningKind::kEmptyText, 0, 0,
        "the train data has no \"aderenza\" row: the adhesion is 0 over the whole line");
  }
}

// --- Keywords and fields ----------------------------------------------------------------

void WarningWatch::CheckToken(const TextField& tok) {
  if (phase_ == Phase::kPreamble) {
    if (!has_bracket_ && text_ == WarningText::kTrain &&
        tok.text.find('[') != std::string_view::npos) {
      first_bracket_ = tok;
      has_bracket_ = true;
    }
    return;
  }
  const std::string_view text = Trimmed(tok.text);
  if (has_joined_ && joined_.line == tok.line && IsThreeDigits(text)) {
    // "96 900": the row took 96, and 900 is read as the next keyword.
    Add(WarningKind::kSplitNumber, joined_.line, joined_.column,
        "digits separated by blanks in one field, " + Quoted(std::string(joined_.text) + " " +
                                                             std::string(text)) +
            ", are read as the number " + std::string(joined_.text) + " and then " +
            Quoted(text) + " as a further field");
    leftover_line_ = tok.line;
  }
  has_joined_ = false;
  if (!tok.first_on_line && tok.line == row_line_ && leftover_line_ != tok.line &&
      !text.empty()) {
    Add(WarningKind::kRowSpansLines, tok.line, tok.column,
        "field left over at the end of a \"" + std::string(last_row_name_ != nullptr ? last_row_name_ : "") +
            "\" row, read as a new row's keyword: " + Quoted(text));
    leftover_line_ = tok.line;
  }
}

void WarningWatch::CheckRow() {
  const std::string_view text = Trimmed(keyword_.text);
  if (row_fields_ == 0) {
    if (IsSectionHeader(text))
      section_ = std::string(text.substr(0, 40));
    else
      WarnUnrecognised(keyword_);
    return;
  }
  if (IsSectionHeader(text)) {
    Add(WarningKind::kHeaderIsRow, keyword_.line, keyword_.column,
        "header " + Quoted(text) + " holds a keyword and is read as a \"" +
            std::string(RowName()) + "\" row, taking the fields after it as its values");
    section_ = std::string(text.substr(0, 40));
  } else if (IsComment(text)) {
    Add(WarningKind::kCommentAsKeyword, keyword_.line, keyword_.column,
        "comment " + Quoted(text) + " follows " +
            (phase_ == Phase::kGeneral ? "ten comments" : "two comments") +
            " in a row and is read as a \"" + std::string(RowName()) + "\" row");
  }
  row_line_ = row_warned_ ? 0 : keyword_.line;
  last_row_name_ = row_name_;
}

void WarningWatch::WarnUnrecognised(const TextField& keyword) {
  const std::string_view text = Trimmed(keyword.text);
  if (!keyword.first_on_line || text.empty() || IsComment(text)) return;
  const Folded f(text);
  if (!plan_ && f.Has("curva")) return;  // without the plan, curve rows are dropped
  const bool general = phase_ == Phase::kGeneral;
  const bool train = text_ == WarningText::kTrain;
  const bool own = general ? GeneralWord(f) : train ? TrainWord(f) : LineBodyWord(f);
  const char* belongs = nullptr;
  if (!own) {
    if (!general && !train && GeneralWord(f)) belongs = "the line description's [generale] section";
    if (general && LineBodyWord(f)) belongs = "the line description's body";
    if (train && (GeneralWord(f) || LineBodyWord(f))) belongs = "the line description";
    if (!train && TrainWord(f)) belongs = "the train data";
  }
  if (belongs != nullptr) {
    Add(WarningKind::kMisplacedRow, keyword.line, keyword.column,
        Quoted(text) + " is a row of " + belongs + ", ignored in " + section_);
  } else {
    Add(WarningKind::kUnknownRow, keyword.line, keyword.column,
        "row not recognised in " + section_ + ", ignored: " + Quoted(text));
  }
}

void WarningWatch::CheckNumber(const NumberField& f, std::string_view row,
                               std::string_view field) {
  if (has_joined_ && joined_.line == f.line && IsThreeDigits(f.text) && !row_warned_) {
    Add(WarningKind::kSplitNumber, joined_.line, joined_.column,
        "digits separated by blanks in one field, " +
            Quoted(std::string(joined_.text) + " " + std::string(f.text)) +
            ", are read as two numbers, " + std::string(joined_.text) + " and " +
            std::string(f.text));
    row_warned_ = true;
  }
  joined_ = f;
  has_joined_ = f.joined;
  if (row_warned_) return;
  if (f.line != keyword_.line) {
    Add(WarningKind::kRowSpansLines, f.line, f.column,
        "the \"" + std::string(row) + "\" row of line " + std::to_string(keyword_.line) +
            " has too few fields there: its " + std::string(field) + " is taken from line " +
            std::to_string(f.line) + ", " + Quoted(f.text));
    row_warned_ = true;
    return;
  }
  if (!f.numeric && !f.text.empty()) {
    Add(WarningKind::kNotANumber, f.line, f.column,
        std::string(field) + " of a \"" + std::string(row) + "\" row: " + Quoted(f.text) +
            " is not a whole number and reads 0");
  }
}

void WarningWatch::WatchText(const TextField& f) {
  ++row_fields_;
  has_joined_ = false;
  if (row_warned_ || f.line == keyword_.line) return;
  Add(WarningKind::kRowSpansLines, f.line, f.column,
      "the row of line " + std::to_string(keyword_.line) +
          " has too few fields there: its text is taken from line " + std::to_string(f.line));
  row_warned_ = true;
}

// --- Checks shared by the rows --------------------------------------------------------

void WarningWatch::WarnFalling(const LastPosition& last, const NumberField& p,
                               std::string_view row) {
  Add(WarningKind::kPositionNotRising, p.line, p.column,
      "\"" + std::string(row) + "\" row at " + Metres(p.value) + " comes after one at " +
          Metres(last.posizione) + " (line " + std::to_string(last.line) +
          "): the cells are filled forwards only, one cell for this row");
}

void WarningWatch::WarnRoundedInto(const NumberField& p, int64_t cell, std::string_view row) {
  Add(WarningKind::kRoundedPosition, p.line, p.column,
      "position " + Metres(p.value) + " of a \"" + std::string(row) +
          "\" row is not a multiple of 50: it is rounded into cell " + std::to_string(cell) +
          " (" + Metres(cell * kCell) + ")");
}

void WarningWatch::WarnRoundedItemAt(const NumberField& p, int64_t cell, std::string_view row) {
  auto [it, added] = rounded_items_.try_emplace(cell, RoundedItem{row, p.value, p.line});
  if (added || it->second.posizione == p.value) return;
  Add(WarningKind::kCellCollisionRisk, p.line, p.column,
      "\"" + std::string(row) + "\" at " + Metres(p.value) + " is rounded into cell " +
          std::to_string(cell) + ", as is the \"" + std::string(it->second.row) + "\" at " +
          Metres(it->second.posizione) + " (line " + std::to_string(it->second.line) +
          "): one cell holds one item");
}

void WarningWatch::WarnWraps(const NumberField& at, int64_t value, std::string_view what,
                             int bits) {
  if (bits == 16) {
    const int16_t kept = static_cast<int16_t>(static_cast<uint16_t>(value));
    Add(WarningKind::kValueWraps, at.line, at.column,
        std::string(what) + " " + std::to_string(value) +
            " does not fit the 16-bit field it is stored in (-32768 to 32767): it is kept as " +
            std::to_string(kept));
    return;
  }
  const uint8_t kept = static_cast<uint8_t>(value);
  Add(WarningKind::kValueWraps, at.line, at.column,
      std::string(what) + " " + std::to_string(value) +
          " does not fit the byte it is stored in (0 to 255): it is kept as " +
          std::to_string(kept));
}

// --- Rows ---------------------------------------------------------------------------------

void WarningWatch::CheckGradientRow(const NumberField (&v)[2]) {
  CheckRising(gradient_, v[0], "pendenza");
  CheckRounded(v[0], RoundHalfEven(v[0].value, kCell), "pendenza");
  CheckFits8(v[1], int64_t{v[1].value} + 100, "gradient + 100 =");
}

void WarningWatch::CheckCurveRow(const NumberField (&v)[2], const TrackPlan& plan) {
  const int64_t start = v[0].value;
  const int64_t end = start + v[1].value;
  const int64_t next = plan.next();
  constexpr int64_t kFirstComputed = 2;  // points 0 and 1 are set when the plan starts
  if (next <= start + 1 || next <= kFirstComputed) return;
  std::string message = "curve from " + Metres(start) + " to " + Metres(end) +
                        " starts behind the plan already computed up to " + Metres(next - 1);
  if (next > end)
    message += ": the whole curve is ignored";
  else
    message += ": its first " + Metres(next - 1 - start) + " are ignored";
  Add(WarningKind::kCurveDropped, v[0].line, v[0].column, message + "; give curves in rising order");
}

void WarningWatch::CheckMontagnaRow(const NumberField (&v)[3]) {
  CheckRounded(v[0], RoundHalfEven(v[0].value, kCell), "montagna");
  CheckRounded(v[1], RoundHalfEven(int64_t{v[1].value} - kCell, kCell), "montagna");
  const int64_t tipo = v[2].value > 10 ? int64_t{v[2].value} - 10 : v[2].value;
  CheckFits8(v[2], tipo, "span type");
}

void WarningWatch::CheckSpeedBoardsRow(const NumberField (&v)[9]) {
  const int64_t cell = ItemCellOf(v[0].value);
  CheckRounded(v[0], cell, "indicatori_vmax");
  CheckItemPosition(v[0], cell, "indicatori_vmax");
  for (int i : {1, 2, 3, 5, 6, 7}) {
    if (v[i].value % kSpeedStep != 0) {
      Add(WarningKind::kRoundedSpeed, v[i].line, v[i].column,
          "board speed " + std::to_string(v[i].value) +
              " km/h is not a multiple of 5: it is stored in steps of 5 km/h, rounded");
    }
  }
  for (int i = 1; i <= 3; ++i) {
    CheckFits16(v[i],
                RoundHalfEven(int64_t{v[i + 4].value} + int64_t{v[i].value} * 100, kSpeedStep),
                "speed code");
  }
  CheckFits16(v[4], int64_t{v[4].value} * 10 + v[8].value, "stripe code");
}

void WarningWatch::CheckBoardRow(const NumberField& p) {
  const int64_t cell = ItemCellOf(p.value);
  CheckRounded(p, cell, "cartello_indicatore");
  CheckItemPosition(p, cell, "cartello_indicatore");
}

void WarningWatch::CheckSpeedRow(const NumberField (&v)[2]) {
  ++speed_rows_;
  CheckRising(speed_, v[0], "velocita");
  CheckRounded(v[0], RoundHalfEven(v[0].value, kCell), "velocita");
  if (v[1].value % kSpeedStep != 0) {
    Add(WarningKind::kRoundedSpeed, v[1].line, v[1].column,
        "speed " + std::to_string(v[1].value) + " km/h is not a multiple of 5: it is stored as " +
            std::to_string(RoundHalfEven(v[1].value, kSpeedStep) * kSpeedStep) + " km/h");
  }
}

void WarningWatch::CheckAdhesionRow(const NumberField (&v)[2]) {
  ++adhesion_rows_;
  CheckRising(adhesion_, v[0], "aderenza");
  CheckRounded(v[0], RoundHalfEven(v[0].value, kCell), "aderenza");
  CheckFits8(v[1], v[1].value, "adhesion");
}

void WarningWatch::CheckSignalRow(const NumberField (&v)[11]) {
  const int64_t cell = ItemCellOf(v[0].value);
  CheckRising(signal_, v[0], "segnale");
  CheckRounded(v[0], cell, "segnale");
  CheckItemPosition(v[0], cell, "segnale");
  // s1..s3 with d1..d3, and rapp with the aspect sx * 3 + dx: each pair makes one field.
  for (int i = 0; i < 3; ++i)
    CheckFits16(v[2 + i], int64_t{v[2 + i].value} * 10 + v[7 + i].value, "signal code");
  CheckFits16(v[5], int64_t{v[5].value} * 10 + int64_t{v[1].value} * 3 + v[6].value, "signal code");
  int64_t tempo = v[10].value;
  if (tempo >= 1 && tempo <= 100) tempo = 101;
  if (v[1].value == 2) CheckFits8(v[10], tempo, "signal time");
}

void WarningWatch::CheckSlowdownRow(const NumberField (&v)[6]) {
  const int64_t cell = ItemCellOf(v[0].value);
  CheckRounded(v[0], cell, "rallentamento");
  CheckItemPosition(v[0], cell, "rallentamento");
  CheckFits16(v[1], v[1].value, "slowdown speed");
  CheckFits16(v[3], v[3].value, "f_tt");
  CheckFits16(v[5], v[5].value, "second speed");
}

void WarningWatch::CheckAbbattimentoRow(const NumberField (&v)[2]) {
  const int64_t cell = RoundHalfEven(v[0].value, kCell);
  CheckRounded(v[0], cell, "abbattimento");
  CheckItemPosition(v[0], cell, "abbattimento");
  if (v[1].value > 0) CheckFits16(v[1], v[1].value, "abbattimento value");
}

void WarningWatch::CheckStationRow(const NumberField& p) { CheckRising(station_, p, "stazione"); }

}  // namespace percorso
