#include "compiler/warnings.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>
#include <utility>

#include "base/rounding.h"
#include "compiler/field_words.h"
#include "compiler/keywords.h"
#include "model/cell_grid.h"
#include "model/items.h"

namespace percorso {

namespace {

std::string_view Trimmed(std::string_view s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string Metres(int64_t p) { return std::to_string(p) + " m"; }

bool IsThreeDigits(std::string_view s) {
  if (s.size() != 3) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

bool IsDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// "1350.5", "-0.25": a number with a decimal point.
bool IsDecimal(std::string_view s) {
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.remove_prefix(1);
  const size_t point = s.find('.');
  if (point == std::string_view::npos) return false;
  return (IsDigits(s.substr(0, point)) || point == 0) && IsDigits(s.substr(point + 1));
}

bool IsWholeNumber(std::string_view s) {
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.remove_prefix(1);
  return IsDigits(s);
}

// "96 900": one to three digits, a single blank and then the three digits of `group`,
// the way a thousands separator is written.
bool LooksLikeThousands(const NumberField& first, const NumberField& group) {
  std::string_view digits = first.text;
  if (!digits.empty() && digits[0] == '-') digits.remove_prefix(1);
  if (digits.empty() || digits.size() > 3 || !IsDigits(digits)) return false;
  if (first.line != group.line || !IsThreeDigits(group.text)) return false;
  // A joined number has the next field after it on its line, so the byte after it exists.
  const char after = first.text.data()[first.text.size()];
  return after == ' ' && group.column == first.column + static_cast<int>(first.text.size()) + 1;
}

std::string Clock(int64_t seconds) {
  auto two = [](int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); };
  return std::to_string(seconds / 3600) + ":" + two(seconds / 60 % 60) + ":" + two(seconds % 60);
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

// The keywords an author writes in each part of the texts, as the built-in texts spell them.
constexpr std::string_view kGeneralKeywords[] = {
    keyword::kLunghezzaPercorso, keyword::kProgressivaUno, keyword::kProgressivaDue,
    keyword::kProgressivaTre,    keyword::kSfondoUno,      keyword::kSfondoDue,
    keyword::kSfondoTre,         keyword::kRipetizione4Codici};
constexpr std::string_view kLineBodyKeywords[] = {
    keyword::kPendenza, "curvad4", "curvas4", keyword::kMontagna, keyword::kIndicatoriVmax,
    keyword::kCartelloIndicatore};
constexpr std::string_view kTrainKeywords[] = {
    keyword::kPercentualeMassaFrenata, keyword::kNumeroVetture, keyword::kVelocita,
    keyword::kAderenza,                keyword::kOrologio,      keyword::kSabbia,
    keyword::kSegnale,                 keyword::kRallentamento, keyword::kAbbattimento,
    keyword::kStazione};

// Edit distance of two short words, letter case ignored.
size_t EditDistance(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1,
                         diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

// The keyword of `keywords` nearest to `token`, when it is near enough to be a slip.
std::string_view NearestKeyword(std::string_view token, std::span<const std::string_view> keywords) {
  constexpr size_t kLongest = 60;
  if (token.size() > kLongest) return {};
  std::string_view best;
  size_t best_distance = SIZE_MAX;
  for (std::string_view k : keywords) {
    const size_t d = EditDistance(token, k);
    if (d < best_distance) {
      best_distance = d;
      best = k;
    }
  }
  const size_t allowed = std::max<size_t>(2, best.size() / 3);
  return best_distance <= allowed ? best : std::string_view{};
}

constexpr int32_t kCell = kCellMetres;
constexpr int32_t kSpeedStep = kCellSpeedUnitKmh;  // a cell stores speeds in these steps
constexpr size_t kMaxWarnings = 100000;
constexpr int64_t kSecondsPerDay = 24 * 3600;
// A scheduled time this far below the one before it is taken as the run passing midnight.
constexpr int64_t kMidnightJump = kSecondsPerDay / 2;

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
  comment_rest_ = TextField{};
  split_pending_ = false;
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
  CheckSlowdownSpeeds();
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
  NumberField group;
  group.text = text;
  group.line = tok.line;
  group.column = tok.column;
  if (has_joined_ && joined_.line == tok.line && LooksLikeThousands(joined_, group)) {
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
      !text.empty() && split_pending_ && split_first_.line == tok.line) {
    // "velocita, 96 900, 140": read as two numbers, the thousands leave a field over.
    Add(WarningKind::kSplitNumber, split_first_.line, split_first_.column,
        "digits separated by blanks in one field, " +
            Quoted(std::string(split_first_.text) + " " + std::string(split_second_.text)) +
            ", are read as two numbers, " + std::string(split_first_.text) + " and " +
            std::string(split_second_.text) + ", so " + Quoted(text) +
            " is left over and read as a new row's keyword");
    leftover_line_ = tok.line;
  }
  if (!tok.first_on_line && tok.line == row_line_ && leftover_line_ != tok.line &&
      !text.empty()) {
    Add(WarningKind::kRowSpansLines, tok.line, tok.column,
        "field left over at the end of a \"" + std::string(last_row_name_ != nullptr ? last_row_name_ : "") +
            "\" row, read as a new row's keyword: " + Quoted(text));
    leftover_line_ = tok.line;
  }
}

// The first part of a comment line cut by a comma was skipped; the field after the comma
// is read as a keyword. Said once the row it makes (or not) is known.
void WarningWatch::CheckAfterSkipped(const TextField& skipped, const TextField& tok) {
  if (phase_ == Phase::kPreamble || !skipped.first_on_line) return;
  const std::string_view comment = Trimmed(skipped.text);
  const std::string_view rest = Trimmed(tok.text);
  if (!IsComment(comment) || rest.empty() || IsComment(rest)) return;
  comment_ = skipped;
  comment_rest_ = tok;
}

// A keyword field such as "velocita 9000 90": a word, then numbers after blanks. A curve
// or signal-repetition keyword whose only number is one digit names its class or code
// count that way and is left alone.
bool WarningWatch::HoldsValuesAfterBlanks(std::string_view keyword) {
  const std::string_view text = Trimmed(keyword);
  size_t numbers = 0;
  size_t words = 0;
  size_t i = 0;
  std::string_view last;
  bool number_run = true;  // the words read so far from the end are all numbers
  std::vector<std::string_view> parts;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) parts.push_back(text.substr(start, i - start));
  }
  for (size_t k = parts.size(); k-- > 0;) {
    if (number_run && IsWholeNumber(parts[k])) {
      ++numbers;
      last = parts[k];
    } else {
      number_run = false;
      ++words;
    }
  }
  if (numbers == 0 || words == 0) return false;
  const Folded f(text);
  if (numbers == 1 && last.size() == 1 && (f.Has("curva") || f.Has("ripetizione"))) return false;
  return true;
}

void WarningWatch::SayPendingRowNote(const TextField* first_field) {
  if (!pending_row_note_) return;
  pending_row_note_ = false;
  row_warned_ = true;  // one word about the row's shape is enough
  const std::string row(RowName());
  const bool elsewhere = first_field != nullptr && first_field->line != keyword_.line;
  if (row_from_comment_) {
    std::string message = "a comment cannot hold a comma: only " + Quoted(Trimmed(comment_.text)) +
                          " is skipped as a comment, and the rest of the line, " +
                          Quoted(Trimmed(comment_rest_.text)) + ", ";
    if (row_fields_ == 0)
      message += "is read as a keyword and ignored";
    else if (elsewhere)
      message += "is read as a \"" + row + "\" row that takes its fields from line " +
                 std::to_string(first_field->line) + " on";
    else
      message += "is read as a \"" + row + "\" row";
    Add(WarningKind::kCommentComma, comment_.line, comment_.column, message);
    return;
  }
  if (row_fields_ == 0) return;  // no keyword: the row is unknown, said as such
  const std::string_view text = Trimmed(keyword_.text);
  size_t blank = 0;
  while (blank < text.size() && text[blank] != ' ' && text[blank] != '\t') ++blank;
  std::string message = "no comma after the keyword " + Quoted(text.substr(0, blank)) +
                        ": the whole field " + Quoted(text) +
                        " is read as the keyword, so the \"" + row +
                        "\" row takes its values from the fields after it";
  if (elsewhere) message += ", from line " + std::to_string(first_field->line) + " on";
  message += "; put a comma after " + Quoted(text.substr(0, blank));
  const int offset = static_cast<int>(std::min<size_t>(blank, 1000000));
  Add(WarningKind::kMissingComma, keyword_.line, keyword_.column + offset, message);
}

void WarningWatch::CheckRow() {
  const std::string_view text = Trimmed(keyword_.text);
  if (pending_row_note_) {
    const bool from_comment = row_from_comment_;
    SayPendingRowNote(nullptr);
    if (from_comment && row_fields_ == 0) return;
  }
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
    std::string message = "row not recognised in " + section_ + ", ignored: " + Quoted(text);
    const std::string_view nearest =
        NearestKeyword(text, general ? std::span<const std::string_view>(kGeneralKeywords)
                             : train ? std::span<const std::string_view>(kTrainKeywords)
                                     : std::span<const std::string_view>(kLineBodyKeywords));
    if (!nearest.empty()) message += "; did you mean `" + std::string(nearest) + "`?";
    Add(WarningKind::kUnknownRow, keyword.line, keyword.column, message);
  }
}

void WarningWatch::CheckNumber(const NumberField& f, std::string_view row,
                               std::string_view field) {
  if (pending_row_note_) {
    TextField at;
    at.line = f.line;
    at.column = f.column;
    SayPendingRowNote(&at);
  }
  // Blank-separated numbers are a form of the format; a thousands separator is only told
  // apart by what it does to the row, known at the row's end.
  if (has_joined_ && joined_.line == f.line && !split_pending_ && !row_warned_ &&
      LooksLikeThousands(joined_, f)) {
    split_pending_ = true;
    split_first_ = joined_;
    split_second_ = f;
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
    std::string message = FieldInWords(row, field) + ": " + Quoted(f.text) +
                          " is not a whole number and reads 0";
    if (IsDecimal(f.text)) {
      message += IsPositionField(field) ? "; positions are whole metres"
                                        : "; the field holds whole numbers only";
    }
    Add(WarningKind::kNotANumber, f.line, f.column, message);
  }
}

void WarningWatch::WatchText(const TextField& f) {
  ++row_fields_;
  has_joined_ = false;
  SayPendingRowNote(&f);
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
  if (ValuesMisread()) return;
  CheckRising(gradient_, v[0], "pendenza");
  CheckRounded(v[0], RoundHalfEven(v[0].value, kCell), "pendenza");
  CheckFits8(v[1], int64_t{v[1].value} + kCellGradientLevel, "gradient + 100 =");
}

void WarningWatch::CheckCurveRow(const NumberField (&v)[2], const TrackPlan& plan) {
  if (ValuesMisread()) return;
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
  if (ValuesMisread()) return;
  CheckRounded(v[0], RoundHalfEven(v[0].value, kCell), "montagna");
  CheckRounded(v[1], RoundHalfEven(int64_t{v[1].value} - kCell, kCell), "montagna");
  const int64_t tipo = v[2].value > 10 ? int64_t{v[2].value} - 10 : v[2].value;
  CheckFits8(v[2], tipo, "span type");
  // The span covers the cells from inizio's up to the one before fine's.
  if (CellAt(int64_t{v[1].value} - kCell) < CellAt(v[0].value)) {
    Add(WarningKind::kReversedSpan, v[1].line, v[1].column,
        "montagna span from " + Metres(v[0].value) + " (inizio) to " + Metres(v[1].value) +
            " (fine): its end does not come after its start, so it marks no cell; give inizio "
            "first and fine after it");
  }
}

void WarningWatch::CheckSpeedBoardsRow(const NumberField (&v)[9]) {
  if (ValuesMisread()) return;
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
  if (ValuesMisread()) return;
  const int64_t cell = ItemCellOf(p.value);
  CheckRounded(p, cell, "cartello_indicatore");
  CheckItemPosition(p, cell, "cartello_indicatore");
}

void WarningWatch::CheckSpeedRow(const NumberField (&v)[2]) {
  ++speed_rows_;
  if (ValuesMisread()) return;
  CheckRising(speed_, v[0], "velocita");
  CheckRounded(v[0], RoundHalfEven(v[0].value, kCell), "velocita");
  const int64_t stored = RoundHalfEven(v[1].value, kSpeedStep) * kSpeedStep;
  if (stored >= 0 && stored <= INT32_MAX)
    limits_.push_back({v[0].value, static_cast<int32_t>(stored), v[0].line});
  if (stored == 0 && v[0].value < line_length_) {
    Add(WarningKind::kZeroSpeedLimit, v[1].line, v[1].column,
        "speed limit " + std::to_string(v[1].value) + " km/h from " + Metres(v[0].value) +
            " is stored as 0 km/h, within the line (" + Metres(line_length_) +
            " long): no train can run on from there");
  }
  if (v[1].value % kSpeedStep != 0) {
    Add(WarningKind::kRoundedSpeed, v[1].line, v[1].column,
        "speed " + std::to_string(v[1].value) + " km/h is not a multiple of 5: it is stored as " +
            std::to_string(RoundHalfEven(v[1].value, kSpeedStep) * kSpeedStep) + " km/h");
  }
}

void WarningWatch::CheckAdhesionRow(const NumberField (&v)[2]) {
  ++adhesion_rows_;
  if (ValuesMisread()) return;
  CheckRising(adhesion_, v[0], "aderenza");
  CheckRounded(v[0], RoundHalfEven(v[0].value, kCell), "aderenza");
  CheckFits8(v[1], v[1].value, "adhesion");
}

void WarningWatch::CheckSignalRow(const NumberField (&v)[11]) {
  if (ValuesMisread()) return;
  const int64_t cell = ItemCellOf(v[0].value);
  CheckRising(signal_, v[0], "segnale");
  CheckPastLineEnd(v[0], "signal");
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
  if (ValuesMisread()) return;
  const int64_t cell = ItemCellOf(v[0].value);
  CheckRounded(v[0], cell, "rallentamento");
  CheckItemPosition(v[0], cell, "rallentamento");
  CheckFits16(v[1], v[1].value, "slowdown speed");
  if (v[1].value > 0) slowdowns_.push_back({v[0].value, v[1]});
  CheckFits16(v[3], v[3].value, "f_tt");
  CheckFits16(v[5], v[5].value, "second speed");
}

void WarningWatch::CheckAbbattimentoRow(const NumberField (&v)[2]) {
  if (ValuesMisread()) return;
  const int64_t cell = RoundHalfEven(v[0].value, kCell);
  CheckRounded(v[0], cell, "abbattimento");
  CheckItemPosition(v[0], cell, "abbattimento");
  if (v[1].value > 0) CheckFits16(v[1], v[1].value, "abbattimento value");
}

void WarningWatch::CheckStationRow(const NumberField& p) {
  if (ValuesMisread()) return;
  CheckRising(station_, p, "stazione");
  CheckPastLineEnd(p, "station");
}

void WarningWatch::CheckPastLineEnd(const NumberField& p, std::string_view what) {
  if (p.value <= line_length_) return;
  Add(WarningKind::kPastLineEnd, p.line, p.column,
      std::string(what) + " at " + Metres(p.value) + " stands past the end of the line at " +
          Metres(line_length_) + ", in the run-out of " + Metres(kRunOutMetres) +
          " the grid adds after it");
}

void WarningWatch::CheckTimeFields(const NumberField (&t)[3], std::string_view what) {
  static constexpr const char* kUnit[] = {"hour", "minute", "second"};
  static constexpr int32_t kLimit[] = {24, 60, 60};
  for (int i = 0; i < 3; ++i) {
    if (t[i].value >= 0 && t[i].value < kLimit[i]) continue;
    Add(WarningKind::kImpossibleTime, t[i].line, t[i].column,
        std::string(kUnit[i]) + " " + std::to_string(t[i].value) + " of " + std::string(what) +
            " is not a time of day (" + kUnit[i] + "s run 0 to " + std::to_string(kLimit[i] - 1) +
            "): it is added up as " + std::to_string(t[0].value) + " h " +
            std::to_string(t[1].value) + " min " + std::to_string(t[2].value) + " s");
    return;  // one word about a time is enough
  }
}

void WarningWatch::CheckClockRow(const NumberField (&t)[3]) {
  if (ValuesMisread()) return;
  CheckTimeFields(t, "the clock (orologio)");
}

void WarningWatch::CheckStationTime(const NumberField& p, const NumberField (&t)[3]) {
  if (ValuesMisread()) return;
  if (t[0].value == 0 && t[1].value == 0 && t[2].value == 0) return;  // no scheduled time
  CheckTimeFields(t, "a station's scheduled time");
  const int64_t seconds = int64_t{t[0].value} * 3600 + int64_t{t[1].value} * 60 + t[2].value;
  // Stations stand in rising order; one behind the one before is its own fault.
  if (last_timed_.seen && p.value > last_timed_.posizione && seconds < last_timed_.seconds &&
      last_timed_.seconds - seconds < kMidnightJump) {
    Add(WarningKind::kImpossibleTime, t[0].line, t[0].column,
        "the station at " + Metres(p.value) + " is scheduled at " + Clock(seconds) +
            ", before the station at " + Metres(last_timed_.posizione) + " (line " +
            std::to_string(last_timed_.line) + ") scheduled at " + Clock(last_timed_.seconds) +
            ": the timetable runs backwards along the line");
  }
  last_timed_ = {true, seconds, p.value, p.line};
}

// Once the train data is read: every slowdown against the speed limit in force where it
// starts, from the velocita row of the highest position at or before it.
void WarningWatch::CheckSlowdownSpeeds() {
  if (slowdowns_.empty()) return;
  // By position, rows of one position in text order: the last of them is in force.
  std::stable_sort(limits_.begin(), limits_.end(), [](const SpeedLimit& a, const SpeedLimit& b) {
    return a.posizione < b.posizione;
  });
  for (const Slowdown& s : slowdowns_) {
    auto after = std::upper_bound(
        limits_.begin(), limits_.end(), s.posizione,
        [](int32_t p, const SpeedLimit& l) { return p < l.posizione; });
    if (after == limits_.begin()) continue;
    const SpeedLimit* in_force = &*(after - 1);
    if (in_force->kmh == 0 || s.v.value <= in_force->kmh) continue;
    Add(WarningKind::kSlowdownAboveLimit, s.v.line, s.v.column,
        "slowdown speed " + std::to_string(s.v.value) + " km/h at " + Metres(s.posizione) +
            " is above the speed limit of " + std::to_string(in_force->kmh) +
            " km/h in force there (the \"velocita\" row of line " +
            std::to_string(in_force->line) + "): it slows nothing");
  }
}

}  // namespace percorso
