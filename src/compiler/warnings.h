// The loader's watch for rows that are read in a way the author almost certainly did not
// mean. The loader tells it what it reads (every keyword, every field, every row it
// acts on); the watch only appends warnings to the error state and never changes what
// is loaded, the error number or the position. It keeps at most 100000 warnings a
// compile; the rest are not recorded.
#ifndef PERCORSO_COMPILER_WARNINGS_H_
#define PERCORSO_COMPILER_WARNINGS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "compiler/field_reader.h"
#include "compiler/keywords.h"
#include "model/error_state.h"
#include "model/items.h"
#include "model/track_plan.h"

namespace percorso {

class WarningWatch {
 public:
  explicit WarningWatch(ErrorState& errore) : errore_(errore) {}

  // Where the loader is: each text's start, its general section, its body.
  void StartLine(bool with_plan);
  void StartGeneral();
  void StartTrain();
  void StartBody();
  // The header that ends the line description's general section.
  void EndGeneral(const TextField& header);
  // The train data ended before a field holding "[generale]": its body is skipped.
  void WarnNoOpeningHeader();
  // The current text was read to its end (`at_end`) or left early after an error 15.
  void EndText(bool at_end);

  // Every field read as a keyword, then, for the one taken as a row's keyword, the row
  // around its call: every numeric and text field the row reads comes in between.
  // These run for every field: the common case, a field that needs no word, is decided
  // here, inline; the rest in the .cc.
  void WatchToken(const TextField& tok) {
    // A field after one that was skipped, on the same line: the rest of a comment line
    // that holds a comma.
    const bool after_skipped =
        !last_token_read_as_row_ && !tok.first_on_line && tok.line == last_token_.line;
    if (after_skipped) CheckAfterSkipped(last_token_, tok);
    last_token_ = tok;
    last_token_read_as_row_ = false;
    if (phase_ != Phase::kPreamble && !has_joined_ && (tok.first_on_line || tok.line != row_line_))
      return;
    CheckToken(tok);
  }
  void StartRow(const TextField& keyword) {
    keyword_ = keyword;
    row_fields_ = 0;
    row_name_ = nullptr;
    last_token_read_as_row_ = true;
    // A header or a comment read as a row says so itself; its fields need no more words.
    // One pass over the token turns away the plain keywords.
    bool maybe = false;
    bool blank = false;
    for (char c : keyword.text) {
      maybe = maybe || c == '-' || c == '[';
      blank = blank || c == ' ' || c == '\t';
    }
    keyword_special_ = maybe && (IsComment(keyword.text) || IsSectionHeader(keyword.text));
    row_warned_ = keyword_special_;
    split_pending_ = false;
    // The rest of a comment line, or a keyword with its values after blanks: said at the
    // row's first field, when it is known what the row is.
    row_from_comment_ = comment_rest_.line == keyword.line && comment_rest_.column == keyword.column &&
                        phase_ != Phase::kPreamble;
    missing_comma_ = blank && !keyword_special_ && phase_ != Phase::kPreamble &&
                     HoldsValuesAfterBlanks(keyword.text);
    pending_row_note_ = row_from_comment_ || missing_comma_;
  }
  void EndRow() {
    if (row_fields_ == 0 || keyword_special_ || pending_row_note_) return CheckRow();
    row_line_ = row_warned_ ? 0 : keyword_.line;
    last_row_name_ = row_name_;
  }
  void WatchNumber(const NumberField& f, const char* row, const char* field) {
    ++row_fields_;
    if (row_name_ == nullptr) row_name_ = row;
    if (!has_joined_ && !f.joined && f.numeric && f.line == keyword_.line && !pending_row_note_)
      return;
    CheckNumber(f, row, field);
  }
  void WatchText(const TextField& f);

  // The rows the loader acts on, their fields as read (after the range checks).
  void CheckGradientRow(const NumberField (&v)[2]);
  void CheckCurveRow(const NumberField (&v)[2], const TrackPlan& plan);
  void CheckMontagnaRow(const NumberField (&v)[3]);
  void CheckSpeedBoardsRow(const NumberField (&v)[9]);
  void CheckBoardRow(const NumberField& p);
  void CheckSpeedRow(const NumberField (&v)[2]);
  void CheckAdhesionRow(const NumberField (&v)[2]);
  void CheckSignalRow(const NumberField (&v)[11]);
  void CheckSlowdownRow(const NumberField (&v)[6]);
  void CheckAbbattimentoRow(const NumberField (&v)[2]);
  void CheckStationRow(const NumberField& p);
  // The line length of the general section: stations and signals beyond it stand in the
  // run-out.
  void SetLineLength(int32_t metres) { line_length_ = metres; }
  // Hours, minutes and seconds of the clock row and of a station's scheduled time.
  void CheckClockRow(const NumberField (&t)[3]);
  void CheckStationTime(const NumberField& p, const NumberField (&t)[3]);

 private:
  enum class Phase : uint8_t { kPreamble, kGeneral, kBody };

  // A row's position, kept to tell whether the next row of its kind rises.
  struct LastPosition {
    bool seen = false;
    int32_t posizione = 0;
    int line = 0;
  };
  // A point item whose position is not a multiple of 50, by the cell it was rounded into.
  struct RoundedItem {
    std::string_view row;
    int32_t posizione = 0;
    int line = 0;
  };

  // A speed limit row and a slowdown, kept to compare once the train data is read.
  struct SpeedLimit {
    int32_t posizione = 0;
    int32_t kmh = 0;  // as stored: in steps of 5 km/h
    int line = 0;
  };
  struct Slowdown {
    int32_t posizione = 0;
    NumberField v;
  };
  // A station's scheduled time, to tell whether the timetable runs backwards.
  struct Timed {
    bool seen = false;
    int64_t seconds = 0;
    int32_t posizione = 0;
    int line = 0;
  };

  // A row already said to be misshapen (fields taken from other lines, a header or a
  // comment read as a row, a keyword holding its values): its values are not what the
  // author wrote for them, so nothing more is said of them.
  bool ValuesMisread() const { return row_warned_; }
  void CheckToken(const TextField& tok);
  void CheckAfterSkipped(const TextField& skipped, const TextField& tok);
  void SayPendingRowNote(const TextField* first_field);
  static bool HoldsValuesAfterBlanks(std::string_view keyword);
  void CheckTimeFields(const NumberField (&t)[3], std::string_view what);
  void CheckSlowdownSpeeds();
  void CheckPastLineEnd(const NumberField& p, std::string_view what);
  void CheckRow();
  void CheckNumber(const NumberField& f, std::string_view row, std::string_view field);
  std::string_view RowName() const { return row_name_ != nullptr ? row_name_ : ""; }
  void Add(WarningKind kind, int line, int column, std::string message);
  // The checks every row makes: the usual outcome (nothing to say) inline, the words in
  // the .cc.
  void CheckRising(LastPosition& last, const NumberField& p, std::string_view row) {
    if (last.seen && p.value < last.posizione) WarnFalling(last, p, row);
    last = {true, p.value, p.line};
  }
  void CheckRounded(const NumberField& p, int64_t cell, std::string_view row) {
    if (p.value % kCellMetres != 0) WarnRoundedInto(p, cell, row);
  }
  void CheckItemPosition(const NumberField& p, int64_t cell, std::string_view row) {
    if (p.value % kCellMetres != 0) WarnRoundedItemAt(p, cell, row);
  }
  void CheckFits16(const NumberField& at, int64_t value, std::string_view what) {
    if (value < INT16_MIN || value > INT16_MAX) WarnWraps(at, value, what, 16);
  }
  void CheckFits8(const NumberField& at, int64_t value, std::string_view what) {
    if (value < 0 || value > UINT8_MAX) WarnWraps(at, value, what, 8);
  }
  void WarnFalling(const LastPosition& last, const NumberField& p, std::string_view row);
  void WarnRoundedInto(const NumberField& p, int64_t cell, std::string_view row);
  void WarnRoundedItemAt(const NumberField& p, int64_t cell, std::string_view row);
  void WarnWraps(const NumberField& at, int64_t value, std::string_view what, int bits);
  void WarnUnrecognised(const TextField& keyword);

  ErrorState& errore_;
  WarningText text_ = WarningText::kLine;
  Phase phase_ = Phase::kPreamble;
  bool plan_ = true;
  std::string section_;  // the header the rows stand under, e.g. "[vel_limite]"

  // The row being read.
  TextField keyword_;
  bool keyword_special_ = false;  // a header or a comment
  int row_fields_ = 0;
  bool row_warned_ = false;  // one warning about a row's shape is enough
  const char* row_name_ = nullptr;  // the row the keyword was read as
  // The last row acted on whose fields all stood on its keyword's line.
  int row_line_ = 0;
  const char* last_row_name_ = nullptr;
  int leftover_line_ = 0;  // the line whose left-over fields were reported
  NumberField joined_;      // the last number that ended at blanks before another field
  bool has_joined_ = false;

  TextField last_token_;
  bool last_token_read_as_row_ = true;
  TextField first_bracket_;  // the train data's first field with a "[", before the body
  bool has_bracket_ = false;
  bool skipped_ = false;  // the train data had no "[generale]": nothing of it was read

  // A number followed by a single blank and three digits ("96 900"), kept until it is
  // known whether reading it as two numbers left a field over on its line.
  bool split_pending_ = false;
  NumberField split_first_;
  NumberField split_second_;

  // The comment a comma cut (its first part, skipped) and the field after the comma.
  TextField comment_;
  TextField comment_rest_;
  bool row_from_comment_ = false;
  bool missing_comma_ = false;  // the row's keyword field holds its values after blanks
  bool pending_row_note_ = false;

  int32_t line_length_ = 0;
  LastPosition gradient_, speed_, adhesion_, signal_, station_;
  std::vector<SpeedLimit> limits_;
  std::vector<Slowdown> slowdowns_;
  Timed last_timed_;
  int speed_rows_ = 0;
  int adhesion_rows_ = 0;
  std::unordered_map<int64_t, RoundedItem> rounded_items_;
};

}  // namespace percorso

#endif  // PERCORSO_COMPILER_WARNINGS_H_
