#include "model/warnings.h"

#include <iterator>

namespace percorso {

namespace {

struct KindName {
  WarningKind kind;
  std::string_view name;
};

constexpr KindName kNames[] = {
    {WarningKind::kUnknownRow, "unknown-row"},
    {WarningKind::kNotANumber, "not-a-number"},
    {WarningKind::kSplitNumber, "split-number"},
    {WarningKind::kRowSpansLines, "row-spans-lines"},
    {WarningKind::kPositionNotRising, "position-not-rising"},
    {WarningKind::kRoundedPosition, "rounded-position"},
    {WarningKind::kRoundedSpeed, "rounded-speed"},
    {WarningKind::kCurveDropped, "curve-dropped"},
    {WarningKind::kValueWraps, "value-wraps"},
    {WarningKind::kAfterEnd, "after-end"},
    {WarningKind::kHeaderIsRow, "header-is-row"},
    {WarningKind::kCommentAsKeyword, "comment-as-keyword"},
    {WarningKind::kMisplacedRow, "misplaced-row"},
    {WarningKind::kUnknownHeader, "unknown-header"},
    {WarningKind::kEmptyText, "empty-text"},
    {WarningKind::kCellCollisionRisk, "cell-collision-risk"},
    {WarningKind::kCommentComma, "comment-comma"},
    {WarningKind::kMissingComma, "missing-comma"},
    {WarningKind::kPastLineEnd, "past-line-end"},
    {WarningKind::kReversedSpan, "reversed-span"},
    {WarningKind::kImpossibleTime, "impossible-time"},
    {WarningKind::kSlowdownAboveLimit, "slowdown-above-limit"},
    {WarningKind::kZeroSpeedLimit, "zero-speed-limit"},
    {WarningKind::kSlowdownWarningShort, "slowdown-warning-short"},
    {WarningKind::kTimetableTooTight, "timetable-too-tight"},
};

constexpr WarningKind kKinds[] = {
    WarningKind::kUnknownRow,       WarningKind::kNotANumber,      WarningKind::kSplitNumber,
    WarningKind::kRowSpansLines,    WarningKind::kPositionNotRising,
    WarningKind::kRoundedPosition,  WarningKind::kRoundedSpeed,    WarningKind::kCurveDropped,
    WarningKind::kValueWraps,       WarningKind::kAfterEnd,        WarningKind::kHeaderIsRow,
    WarningKind::kCommentAsKeyword, WarningKind::kMisplacedRow,    WarningKind::kUnknownHeader,
    WarningKind::kEmptyText,        WarningKind::kCellCollisionRisk, WarningKind::kCommentComma,
    WarningKind::kMissingComma,     WarningKind::kPastLineEnd,     WarningKind::kReversedSpan,
    WarningKind::kImpossibleTime,   WarningKind::kSlowdownAboveLimit,
    WarningKind::kZeroSpeedLimit,
    WarningKind::kSlowdownWarningShort, WarningKind::kTimetableTooTight,
};

static_assert(std::size(kNames) == std::size(kKinds));

}  // namespace

std::span<const WarningKind> AllWarningKinds() { return kKinds; }

std::string_view WarningName(WarningKind kind) {
  for (const KindName& k : kNames)
    if (k.kind == kind) return k.name;
  return "warning";
}

std::optional<WarningKind> FindWarning(std::string_view name) {
  for (const KindName& k : kNames)
    if (k.name == name) return k.kind;
  return std::nullopt;
}

}  // namespace percorso
