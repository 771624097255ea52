// The montagna rows of the line description, from the cells' montagna values and the span
// markers PlaceSpan wrote, with the rows a span written over or too close needs.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "compiler/keywords.h"
#include "compiler/row_schema.h"
#include "decompile/recovery_parts.h"
#include "model/items.h"

namespace percorso::recovery_parts {

namespace {

// A montagna span starting this many metres or fewer after the previous span's end is
// of this type, whatever its row says.
constexpr int64_t kSpanJoinGap = 150;
constexpr int64_t kJoinedSpanType = 3;
// A row's type above this gives its span markers: type - 10 with markers.
constexpr int64_t kMarkedTypeOffset = 10;
// A marked span marks every 4th of its cells, counted from its first.
constexpr int64_t kMarkerPlace = 4;

// The last metre p with round(p / 50) = c: the cell's start plus half a cell, when the
// tie rounds to c.
int64_t LatestStartIn(int64_t c) {
  const int64_t p = kCellMetres * c + kCellMetres / 2;
  return CellAt(p) == c ? p : p - 1;
}

// The first metre f with round((f - 50) / 50) = c: a span ending there has c for its
// last cell.
int64_t EarliestEndAfter(int64_t c) {
  const int64_t f = kCellMetres * (c + 1) - kCellMetres / 2;
  return CellAt(f - kCellMetres) == c ? f : f + 1;
}

// One span of a run of cells with one montagna value.
struct Span {
  int64_t first_cell = 0;
  bool with_markers = false;
};

class SpanRecovery {
 public:
  SpanRecovery(RecoveryLedger& ledger, std::vector<std::string>* rows)
      : ledger_(ledger), rows_(*rows) {}

  // Spans: each run of cells with one montagna value is one row; its markers (type 11 on
  // every 4th cell that was empty) say whether the row asked for them.
  void Run() {
    rows_.push_back(std::string(header::kMontagne));
    const int64_t last_cell = ledger_.last_cell();
    struct SpanRow {
      int64_t from, to;  // cells
      int64_t inizio, fine, tipo;
      bool joins;  // its type is the one a span too close to the previous one takes
    };
    std::vector<SpanRow> span_rows;
    for (int64_t c = 0; c <= last_cell;) {
      const uint8_t v = ledger_.cell(c).montagna;
      int64_t end = c;
      while (end + 1 <= last_cell && ledger_.cell(end + 1).montagna == v) ++end;
      if (v == 0) {
        for (int64_t i = c; i <= end; ++i)
          if (Is(ledger_.cell(i).tipo, ItemType::kSpanMarker)) stray_markers_.push_back(i);
        c = end + 1;
        continue;
      }
      const std::vector<Span> spans = CutIntoSpans(c, end);
      for (size_t k = 0; k < spans.size(); ++k) {
        const int64_t from = spans[k].first_cell;
        const int64_t to = k + 1 < spans.size() ? spans[k + 1].first_cell - 1 : end;
        if (from > last_cell - 2)
          ledger_.LoseCell(from, "a montagna row may not start this near the end of the grid");
        const int64_t tipo = spans[k].with_markers
                                 ? int64_t{v} + kMarkedTypeOffset
                                 : (v <= kMarkedTypeOffset ? int64_t{v} : int64_t{v} - 256);
        span_rows.push_back(
            {from, to, kCellMetres * from, kCellMetres * (to + 1), tipo, v == kJoinedSpanType});
      }
      c = end + 1;
    }
    // Markers no span of the final values explains were left by spans written over
    // later: each is given by a span of four cells with markers, whose cells a span of
    // type 0 then clears, before the spans that stay are written.
    for (int64_t m : stray_markers_) {
      if (m < kMarkerPlace - 1) {
        ledger_.LoseCell(
            m,
            "no montagna row marks cells 0 to 2: a row starts at 0 m or later, and its "
            "markers fall on the 4th, 8th, ... cells of its span");
        continue;
      }
      const int64_t inizio = kCellMetres * (m - (kMarkerPlace - 1)), fine = kCellMetres * (m + 1);
      Put(inizio, fine, 1 + kMarkedTypeOffset, true);
      Put(inizio, fine, 0, false);
    }
    for (size_t k = 0; k < span_rows.size(); ++k) {
      SpanRow& r = span_rows[k];
      if (has_previous_ && !r.joins && r.inizio - previous_fine_ <= kSpanJoinGap) {
        // The spacing rule counts metres, not cells: the span may start as late in its
        // first cell, and the one before end as early in its last, as the rounding
        // allows (and the range check of a row's position).
        r.inizio = std::min(LatestStartIn(r.from), kCellMetres * last_cell - kItemEndMarginMetres);
        if (k > 0 && r.inizio - previous_fine_ <= kSpanJoinGap) {
          SpanRow& before = span_rows[k - 1];
          before.fine = EarliestEndAfter(before.to);
          // The row before is the last one written: its end is mended in place.
          rows_.back() = FormatRow(keyword::kMontagna, {before.inizio, before.fine, before.tipo});
          previous_fine_ = before.fine;
        }
      }
      Put(r.inizio, r.fine, r.tipo, r.joins);
    }
  }

 private:
  // Cuts the run of cells c..end of one montagna value where its markers change step:
  // spans that follow one another with no gap are each counted from their own first
  // cell.
  std::vector<Span> CutIntoSpans(int64_t c, int64_t end) {
    std::vector<Span> spans;
    int64_t first = c;
    int markers = -1;  // not known yet
    // A span cut off where a marker was missing may have begun anywhere after the
    // previous span's last marker: its first marker then fixes its start.
    int64_t earliest = c;
    int64_t last_marker = -1;
    auto fits = [&](int64_t from, int64_t to) {  // no free cell on a marker place
      for (int64_t p = from; p <= to; ++p)
        if (ledger_.cell(p).tipo == 0 && (p - from + 1) % kMarkerPlace == 0) return false;
      return true;
    };
    for (int64_t i = c; i <= end; ++i) {
      const uint8_t tipo = ledger_.cell(i).tipo;
      const bool marker_place = (i - first + 1) % kMarkerPlace == 0;
      if (Is(tipo, ItemType::kSpanMarker)) {
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
          stray_markers_.push_back(i);  // left by a span written over
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

  // Writes a montagna row; one too close after the previous row that would not be of the
  // joined type gets a row before it that covers no cell (its end before its start), so
  // that the previous end the rule reads is far enough back.
  void Put(int64_t inizio, int64_t fine, int64_t tipo, bool joins) {
    if (has_previous_ && inizio - previous_fine_ <= kSpanJoinGap && !joins) {
      const int64_t spacer_fine = std::min<int64_t>(0, inizio - 4 * kCellMetres);
      rows_.push_back(FormatRow(keyword::kMontagna, {inizio, spacer_fine, kJoinedSpanType}));
    }
    rows_.push_back(FormatRow(keyword::kMontagna, {inizio, fine, tipo}));
    has_previous_ = true;
    previous_fine_ = fine;
  }

  RecoveryLedger& ledger_;
  std::vector<std::string>& rows_;
  std::vector<int64_t> stray_markers_;  // span markers no span of the final values places
  bool has_previous_ = false;           // a montagna row is written already
  int64_t previous_fine_ = 0;           // the end of the last montagna row written
};

}  // namespace

void AppendMontagnaRows(RecoveryLedger& ledger, std::vector<std::string>* rows) {
  SpanRecovery(ledger, rows).Run();
}

}  // namespace percorso::recovery_parts
