#include "model/explanations.h"

#include <iterator>

#include "model/error_meanings.h"
#include "model/warnings.h"

namespace percorso {

namespace {

struct ErrorHelp {
  int32_t numero;
  const char* cause;
  const char* example;
  const char* fix;
};

constexpr ErrorHelp kErrorHelp[] = {
    {1, "the line length row gives a length below 0 or above 1000000 m",
     "lunghezza percorso, 1200000", "shorten the line to at most 1000000 m"},
    {2, "a progressiva chilometrica row's start or end is not a multiple of 50",
     "progressiva chilometrica uno, 0, 96925, 1", "round its start and end to 50 m"},
    {3, "the ripetizione segnali row's start is not a multiple of 50",
     "ripetizione segnali 4 codici, 910, 95700", "round its start to 50 m"},
    {4, "the ripetizione segnali row's end is not a multiple of 50",
     "ripetizione segnali 4 codici, 900, 95710", "round its end to 50 m (0 for no repetition)"},
    {5, "the ripetizione segnali keyword holds neither the digit 4 nor the digit 9",
     "ripetizione segnali codici, 900, 95700",
     "write ripetizione segnali 4 codici or ripetizione segnali 9 codici"},
    {6, "an indicator board's cell already holds another board or a speed-board pair",
     "cartello_indicatore, 3350, (BIVIO)\ncartello_indicatore, 3350, (SOLVERCI)",
     "move the board by 50 m"},
    {7, "an abbattimento point's cell already holds an item",
     "abbattimento, 5000, 1\nabbattimento, 5000, 2", "move it, or remove the item already there"},
    {8, "a stazione row's position is not a multiple of 50",
     "stazione, 225, 2, 500, 0,0,0, 1,1,0, 2,4,1, 1, 14,46,0, VALDORO", "round it to 50 m"},
    {9, "a stazione row's zone length is not a multiple of 100",
     "stazione, 200, 2, 450, 0,0,0, 1,1,0, 2,4,1, 1, 14,46,0, VALDORO", "round it to 100 m"},
    {10, "stations, timing points and indicator boards together need more than 78 slots",
     "(79 stazione and cartello_indicatore rows)", "fewer stations, timing points or boards"},
    {11,
     "a signal up to 1000 m before a slowdown's warning cell has neither of the two cells "
     "before it free for its protection point",
     "(a signal with items on the two cells before it, 900 m before a slowdown's warning cell)",
     "free one of the two cells before the signal, or move the signal"},
    {12,
     "all three cells of a protection window before a slowdown start (250-350, 550-650 or "
     "900-1000 m before it) are taken",
     "(signals at 25950, 26000 and 26050 m before rallentamento, 26500, ...)",
     "move the slowdown or the items in that window"},
    {13,
     "no free cell for a protection point inside a slowdown below 110 km/h, or before the "
     "first signal after it",
     "(items on every cell around a point 400 m into a slowdown at 30 km/h)",
     "move items off the cells shown, or move the signal"},
    {15,
     "a row's position lies beyond the end of the grid or is negative, or a station's zone "
     "reaches past the grid; only the rest of that text is skipped",
     "velocita, 200000, 100", "check the position against the line length"},
    {16, "a signal's cell already holds an item",
     "segnale, 10200, 1, 4,0,0, 0, 1, 1,0,0, 0\nsegnale, 10200, 1, 4,0,0, 0, 1, 1,0,0, 0",
     "move the signal by 50 m, or the item already there"},
    {17, "a slowdown's warning cell (1200 m before its start) already holds an item",
     "segnale, 25300, 1, 4,0,0, 0, 1, 1,0,0, 0\nrallentamento, 26500, 30, 1200, 0, 0, 30",
     "move the slowdown or the item on that cell"},
    {18, "a slowdown's start cell already holds an item",
     "segnale, 26500, 1, 4,0,0, 0, 1, 1,0,0, 0\nrallentamento, 26500, 30, 1200, 0, 0, 30",
     "move the slowdown"},
    {19, "a slowdown's end cell already holds an item or lies beyond the grid",
     "segnale, 27700, 1, 4,0,0, 0, 1, 1,0,0, 0\nrallentamento, 26500, 30, 1200, 0, 0, 30",
     "change its length"},
    {20, "one of a slowdown's four approach cells (before its warning cell) already holds an item",
     "segnale, 25200, 1, 4,0,0, 0, 1, 1,0,0, 0\nrallentamento, 26500, 30, 1200, 0, 1, 30",
     "move the slowdown, or set f_ta to 0"},
    {21, "a speed-board pair's cell already holds an item",
     "indicatori_vmax, 1350, 125,135,145, 0, , , , 0\ncartello_indicatore, 1350, (BIVIO)",
     "move the boards by 50 m"},
    {22,
     "a station zone starts less than 350 m after the previous station's zone ends (or the "
     "stations are out of order)",
     "stazione, 6700, 12, 400, ...\nstazione, 6900, 12, 400, ...",
     "put the stations in order, or shorten the zones"},
    {24, "a station zone ends within the first 100 m of the line",
     "stazione, 50, 2, 100, 0,0,0, 1,1,0, 2,4,1, 1, 14,46,0, VALDORO",
     "move the station further along"},
    {25,
     "a row cut short by the end of the text, a number too large for its field, a speed above "
     "1277 or below -2 km/h, a text field longer than 65535 bytes, no line length row, a "
     "character Windows-1252 cannot hold, or a text that cannot be read; the message says which",
     "velocita, 1000", "as the message says"},
    {101, "the line description text does not exist", "(no NAME_linea.txt)",
     "write the line description, or export the built-in route as a start"},
    {102, "no field of the line description holds [generale]", "[general]\nlunghezza percorso, 96900",
     "add the [generale] header before the general rows"},
    {103, "a curve keyword holds no digit 1 to 6, or a curve ends past the end of the plan",
     "curvad, 1100, 250", "write the class digit, e.g. curvad4; check start and length"},
    {1250,
     "a reserved place (slot 85 valore1 or cell 1 dato1) is already in use: an item with a "
     "value stands in cell 1 (metres 50 to 99)",
     "abbattimento, 50, 7", "keep the first 100 m of the line free of items"},
    {1251,
     "a reserved place (slot 85 orario or cell 1 dato2) is already in use: an item with a "
     "second value stands in cell 1",
     "rallentamento, 0, 30, 50, 0, 0, 30", "keep the first 100 m of the line free of items"},
};

struct WarningHelp {
  WarningKind kind;
  const char* meaning;
  const char* cause;
  const char* example;
  const char* fix;
};

constexpr WarningHelp kWarningHelp[] = {
    {WarningKind::kUnknownRow, "a row whose keyword matches none of its section's keywords",
     "the first field of a line matches no keyword of the section it stands in, so the loader "
     "reads its fields as keywords and ignores them",
     "[vel_limite]\nvelocta,   88850,   160", "spell the keyword as the tables give it"},
    {WarningKind::kNotANumber, "a numeric field that is not a whole number, read as 0",
     "a field where a number belongs holds something else than an optional sign and digits "
     "(2.6e3, 12x, 1.5, 0x10)",
     "curvad4,  2.6e3,  800", "write the number as decimal digits"},
    {WarningKind::kSplitNumber, "digits separated by blanks in one field, read as two numbers",
     "a number written with a blank as thousands separator: a blank ends a number, so the "
     "rest is read as the next field",
     "lunghezza percorso, 96 900", "write the number without blanks (96900)"},
    {WarningKind::kRowSpansLines, "a row whose fields run onto the next line, or are left over",
     "a row with fewer fields than its keyword reads takes the missing ones from the next "
     "line; a row with more fields leaves the rest to be read as keywords",
     "velocita, 1000\nvelocita, 2000, 60", "give the row exactly its fields on one line"},
    {WarningKind::kPositionNotRising, "a step row or item whose position goes backwards",
     "a pendenza, velocita, aderenza, segnale or stazione row at a position below the one "
     "before it of its kind: the fill moves forwards only and gives it one cell instead",
     "velocita, 2000, 100\nvelocita, 1000, 60", "give each kind of row in rising order"},
    {WarningKind::kRoundedPosition, "a position that is not a multiple of 50, rounded into a cell",
     "the compiled line is cut into cells of 50 m; a position between two cell starts is "
     "rounded, halves to the even cell",
     "segnale, 10225, 1, 4,0,0, 0, 1, 1,0,0, 0", "write positions in multiples of 50"},
    {WarningKind::kRoundedSpeed, "a speed that is not a multiple of 5 km/h, rounded",
     "speeds are stored in steps of 5 km/h, speed / 5 rounded", "velocita, 1350, 137",
     "write speeds in multiples of 5 km/h"},
    {WarningKind::kCurveDropped, "a curve row the plan ignores in whole or in part",
     "a curva row that starts behind the plan points already computed by the rows before it; "
     "the plan only moves forwards",
     "curvad4, 2600, 800\ncurvas4, 3000, 600", "give curves in rising order of start, not overlapping"},
    {WarningKind::kValueWraps, "a value that its 16-bit or 8-bit field stores with high bits cut",
     "the value does not fit the field of the compiled file it goes into (a gradient outside "
     "-100 to 155, an adhesion outside 0 to 255, a signal code outside -32768 to 32767)",
     "pendenza, 1550, 160", "keep the value within its field's range"},
    {WarningKind::kAfterEnd, "a keyword that is the last field of a text, never read",
     "the loader checks for the end of the text right after each keyword, so a keyword with "
     "nothing after it is dropped",
     "sabbia", "close every text with a line of its own, such as [fine]"},
    {WarningKind::kHeaderIsRow, "a header in a body that holds a keyword and is read as a row",
     "headers in a body are read like any field; one that contains a keyword takes the fields "
     "after it as its values",
     "[velocita]\nvelocita, 0, 100", "name headers so that they hold no keyword"},
    {WarningKind::kCommentAsKeyword, "a comment line past the limit of skipped comments, read as a row",
     "only two comment fields in a row are skipped in a body (ten in the general section); the "
     "next one is taken as a keyword",
     "-- gradients --\n-- of the climb --\n--- pendenza ---",
     "fewer comment lines in a row, or comments that hold no keyword"},
    {WarningKind::kMisplacedRow, "a row of another section, ignored where it stands",
     "the keyword belongs to another text or section (pendenza in [generale], lunghezza "
     "percorso in a body, velocita in the line description)",
     "[generale]\npendenza, 1550, 1", "move the row to its section"},
    {WarningKind::kUnknownHeader, "a train data text whose [generale] header is not found",
     "everything up to the first field holding [generale] is skipped; without one the whole "
     "text is skipped",
     "[general]\nvelocita, 0, 30", "write the header as [generale]"},
    {WarningKind::kEmptyText, "a train data text with no speed row or no adhesion row",
     "without a velocita row the speed is 0 over the whole line, without an aderenza row the "
     "adhesion",
     "[generale]\nnumero vetture, 12", "start speed and adhesion at position 0"},
    {WarningKind::kCellCollisionRisk, "two items whose positions round into one cell",
     "two point items at positions that are not multiples of 50 are rounded into the same "
     "cell; the second is then rejected with the error of its kind",
     "segnale, 3025, 1, 4,0,0, 0, 1, 1,0,0, 0\nsegnale, 3075, 1, 4,0,0, 0, 1, 1,0,0, 0",
     "write positions in multiples of 50, one item a cell"},
    {WarningKind::kCommentComma, "a comment line that holds a comma, its rest read as a row",
     "a comma ends a field even in a comment, so only the part before the first comma is "
     "skipped as a comment; the rest is read as the next row's keyword, and a keyword in it "
     "takes its fields from the lines after it",
     "-- the climb, pendenza rises to 12\npendenza, 1000, 12",
     "write comments without commas (use a semicolon or a dash)"},
    {WarningKind::kMissingComma, "a keyword set apart from its values by blanks instead of a comma",
     "a text field runs to the next comma or line end, so \"velocita 9000 90\" is one keyword "
     "field and the row's values are taken from the fields after it, often on the next line",
     "velocita 1000 90\nvelocita, 1500, 60", "put a comma after the keyword: velocita, 1000, 90"},
    {WarningKind::kPastLineEnd, "a station or signal placed past the end of the line",
     "the grid runs 7000 m past the line length so that a train can run out; a station or "
     "signal placed there stands beyond the line the general section describes",
     "lunghezza percorso, 25000\nstazione, 26000, 5, 500, 0,0,0, 0,0,0, 0,0,0, 0, 15,46,0, CAPOLINEA",
     "place stations and signals within the line length, or lengthen the line"},
    {WarningKind::kReversedSpan, "a montagna span whose end comes before its start, dropped",
     "a montagna span covers the cells from inizio up to fine; with fine at or before inizio it "
     "covers none and marks nothing, yet counts as the span before the next one",
     "montagna,  10400,   10250,  12", "give the span's start first: montagna, 10250, 10400, 12"},
    {WarningKind::kImpossibleTime, "a time of day that cannot be, or a timetable that goes back",
     "a clock or station time with minutes or seconds of 60 or more or hours of 24 or more is "
     "added up into seconds as written; a station scheduled before the station before it runs "
     "the timetable backwards along the line",
     "orologio, 14, 75, 0", "write hours 0 to 23, minutes and seconds 0 to 59, times rising along the line"},
    {WarningKind::kSlowdownAboveLimit, "a slowdown whose speed is above the line's speed limit there",
     "a slowdown (rallentamento) lowers the speed; one above the velocita limit in force at "
     "its position never slows the train",
     "velocita, 0, 100\nrallentamento, 5000, 120, 400, 0, 0, 120",
     "give the slowdown a speed below the limit where it stands"},
    {WarningKind::kZeroSpeedLimit, "a speed limit of 0 km/h on open line",
     "a velocita row with speed 0 (or below 3 km/h, stored as 0) within the line stops every "
     "train there for good",
     "velocita, 5000, 0", "give the speed in km/h; a train stops at stations, not by a limit of 0"},
    {WarningKind::kSlowdownWarningShort,
     "a slowdown whose warning stands closer than the train needs to brake",
     "the warning point stands 1200 m before the slowdown's start; braking from the speed in "
     "force there down to the slowdown's speed, with the train's braked-mass percentage, "
     "takes longer (Minden braking formula, docs/running-times.md)",
     "percentuale massa frenata, 60\nvelocita, 0, 160\nrallentamento, 26500, 30, 1200, 0, 0, 30",
     "raise the braked-mass percentage, lower the line's speed before the slowdown, or raise "
     "the slowdown's speed"},
    {WarningKind::kTimetableTooTight, "a scheduled time the train cannot keep",
     "the fastest legal run of the assumed train (speed limits, slowdowns, gradients, braking) "
     "from the previous station with a time needs longer than the schedule gives; the "
     "message gives the shortfall in seconds (percorso timetable shows every section)",
     "stazione, 1000, 2, 400, 0, 0, 0, 1,1,0, 2,4,1, 1, 14,46,0, ALFA\n"
     "stazione, 4000, 5, 400, 0, 0, 0, 1,1,0, 2,1,1, 0, 14,47,0, BETA",
     "give the section more time, or check the speed limits and slowdowns along it"},
};

static_assert(std::size(kWarningHelp) == 25);

Explanation OfError(const ErrorHelp& h) {
  const ErrorMeaning* m = FindMeaning(h.numero);
  return {std::to_string(h.numero), false, m != nullptr ? m->meaning : "", h.cause, h.example,
          h.fix};
}

Explanation OfWarning(const WarningHelp& h) {
  return {std::string(WarningName(h.kind)), true, h.meaning, h.cause, h.example, h.fix};
}

// A cell of a Markdown table: "|" escaped, the example's lines as code joined by <br>.
std::string Cell(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '|') out += "\\|";
    else out.push_back(c);
  }
  return out;
}

std::string ExampleCell(std::string_view example) {
  std::string out;
  size_t start = 0;
  while (start <= example.size()) {
    size_t end = example.find('\n', start);
    if (end == std::string_view::npos) end = example.size();
    if (!out.empty()) out += "<br>";
    out += "`" + Cell(example.substr(start, end - start)) + "`";
    start = end + 1;
  }
  return out;
}

}  // namespace

std::optional<Explanation> Explain(std::string_view code) {
  for (const ErrorHelp& h : kErrorHelp)
    if (std::to_string(h.numero) == code) return OfError(h);
  for (const WarningHelp& h : kWarningHelp)
    if (WarningName(h.kind) == code) return OfWarning(h);
  return std::nullopt;
}

std::vector<Explanation> AllExplanations() {
  std::vector<Explanation> all;
  for (const ErrorHelp& h : kErrorHelp) all.push_back(OfError(h));
  for (const WarningHelp& h : kWarningHelp) all.push_back(OfWarning(h));
  return all;
}

std::string ExplanationText(const Explanation& x) {
  std::string s = (x.warning ? "warning " : "error ") + x.code + ": " + x.meaning + "\n\n";
  s += "Cause: " + x.cause + ".\n\nExample:\n";
  size_t start = 0;
  while (start <= x.example.size()) {
    size_t end = x.example.find('\n', start);
    if (end == std::string::npos) end = x.example.size();
    s += "    " + x.example.substr(start, end - start) + "\n";
    start = end + 1;
  }
  s += "\nFix: " + x.fix + ".\n";
  return s;
}

std::string ExplanationsMarkdown() {
  std::string s = "| Code | Meaning | Cause | Example | Fix |\n|---|---|---|---|---|\n";
  for (const Explanation& x : AllExplanations()) {
    s += "| " + std::string(x.warning ? "`" + x.code + "`" : x.code) + " | " + Cell(x.meaning) +
         " | " + Cell(x.cause) + " | " + ExampleCell(x.example) + " | " + Cell(x.fix) + " |\n";
  }
  return s;
}

}  // namespace percorso
