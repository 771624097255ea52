// The row grammar of the two route texts: for each keyword, where it may stand, how it
// is recognised, its fields in order with their widths, units, ranges and meanings, and
// what the row as a whole does. The editor's hover, completion and outline read this one
// table; a table test holds the loader's field widths to it.
#ifndef PERCORSO_COMPILER_ROW_SCHEMA_H_
#define PERCORSO_COMPILER_ROW_SCHEMA_H_

#include <cstdint>
#include <span>
#include <string_view>

#include "compiler/field_reader.h"

namespace percorso {

// Which of the two texts a document is.
enum class TextKind : uint8_t {
  kLinea,  // NAME_linea.txt, the line description
  kTreno,  // NAME_NUMBER-.txt, the train data
};

// Where in a text a row stands.
enum class Section : uint8_t {
  kPreamble,  // before [generale]: every field is skipped
  kGeneral,   // the line description's general section
  kBody,      // the rest: rows of the body
};

// What the editor's outline makes of a row.
enum class RowRole : uint8_t {
  kPlain,
  kStation,
  kSignal,
  kSlowdown,
  kSpeedBoards,
  kCurve,
  kIndicatorBoard,
};

enum class FieldKind : uint8_t {
  kNumber,
  kText,
};

// How a position field maps to its cell.
enum class CellRule : uint8_t {
  kNone,       // not a position
  kRounded,    // the cell that begins at the position: round(p / 50)
  kItem,       // a point item: the cell after the one that begins at p, round(p / 50 + 1)
};

// How far before the end of the grid a position must stand for its row to be taken: a
// row's position p passes when p + 100 m, a station's when p + 800 m, is at most
// `kCellMetres * N` (N the grid's last cell); beyond, the reading stops with error 15.
inline constexpr int32_t kItemEndMarginMetres = 100;
inline constexpr int32_t kStationEndMarginMetres = 800;

struct FieldSchema {
  std::string_view name;
  FieldKind kind = FieldKind::kNumber;
  NumberWidth width = NumberWidth::kInt32;
  std::string_view unit;     // "m", "km/h", "" for none
  std::string_view meaning;
  CellRule cell = CellRule::kNone;
  bool station_position = false;  // range check of a station (kStationEndMarginMetres)
};

struct RowSchema {
  TextKind text;
  Section section;
  std::string_view keyword;  // as written in the exported texts, and as completed
  // Words the keyword token must contain. Case is ignored unless `exact_case`.
  std::span<const std::string_view> words;
  bool exact_case = false;
  RowRole role = RowRole::kPlain;
  std::span<const FieldSchema> fields;
  std::string_view meaning;
};

std::span<const RowSchema> RowSchemas();

// The first row of `text`'s `section` whose keyword `token` matches, in the order the
// loader tests them; nullptr when none does.
const RowSchema* MatchRow(TextKind text, Section section, std::string_view token);

// The first (in table order) schema of a role, for the outline.
std::string_view RoleName(RowRole role);

}  // namespace percorso

#endif  // PERCORSO_COMPILER_ROW_SCHEMA_H_
