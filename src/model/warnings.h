// Warnings: what a compile reads in a way the author almost certainly did not mean. A
// warning never changes a compiled byte, the error number or what is written; it only
// adds a message. Each kind has a stable name, used by `--no-warn NAME`, by `explain`
// and in the machine-readable diagnostics.
#ifndef PERCORSO_MODEL_WARNINGS_H_
#define PERCORSO_MODEL_WARNINGS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace percorso {

enum class WarningKind : uint8_t {
  kUnknownRow,
  kNotANumber,
  kSplitNumber,
  kRowSpansLines,
  kPositionNotRising,
  kRoundedPosition,
  kRoundedSpeed,
  kCurveDropped,
  kValueWraps,
  kAfterEnd,
  kHeaderIsRow,
  kCommentAsKeyword,
  kMisplacedRow,
  kUnknownHeader,
  kEmptyText,
  kCellCollisionRisk,
  kCommentComma,
  kMissingComma,
  kPastLineEnd,
  kReversedSpan,
  kImpossibleTime,
  kSlowdownAboveLimit,
  kZeroSpeedLimit,
  kSlowdownWarningShort,
  kTimetableTooTight,
};

// Every kind, in the order above.
std::span<const WarningKind> AllWarningKinds();

// "unknown-row", "not-a-number", ...
std::string_view WarningName(WarningKind kind);

// The kind named `name`, or nothing.
std::optional<WarningKind> FindWarning(std::string_view name);

// Which text a warning is about.
enum class WarningText : uint8_t { kLine, kTrain };

struct Warning {
  WarningKind kind = WarningKind::kUnknownRow;
  WarningText text = WarningText::kLine;
  int line = 0;    // 1-based; 0 when the warning is about the whole text
  int column = 0;  // 1-based byte column of the field it points at; 0 when none
  std::string message;  // without the name
  // How many errors had been recorded when the warning was: a report that prints both
  // keeps the order in which they were found.
  size_t errors_before = 0;
};

}  // namespace percorso

#endif  // PERCORSO_MODEL_WARNINGS_H_
