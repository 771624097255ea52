// The body of the two whole-compile targets: compiles a pair of texts in memory, from the
// loader to the bytes of the three files. compile_fuzz bounds the line length in its
// input mapping (see BoundLineNumbers), so that an input costs no more than a line of
// 999 m (a grid and a plan of at most 8 000 places, with the 7 000 m beyond the line
// end) and the target runs several times as many inputs a second; compile_long_fuzz
// takes the texts as they are, up to the longest line of 1 000 000 m.
//
// Input: one control byte, then the line description, a 0x00 byte, then the train data
// text (no 0x00 byte: the whole rest is the line description and the train data text is
// empty). Bits of the control byte:
//   bit 0  with bit 6: with the plan (the plan is computed and its file encoded; one input
//          in four: a plan of 8 000 points costs as much as all the rest of an input)
//   bit 1  the train data text is missing (the load's catch-all path)
//   bit 2  the line description is missing
//   bit 3  with bits 5 and 7: compile a second time in the same state and require the
//          same bytes (one input in eight: a second compile doubles an input's cost)
//   bit 4  take the texts as an author's: convert UTF-8 to Windows-1252 first, as the
//          compile command does
//
// Beyond "no crash": a compiled scenario's files have exactly the sizes their layouts
// give for the compiled model, and the plan file is there exactly when bits 0 and 6 are 1;
// every recorded error has a meaning, carries a position exactly when its meaning says
// so, and is written as a diagnostic of bounded length whatever the text.
#ifndef PERCORSO_FUZZ_COMPILE_FUZZ_BODY_H_
#define PERCORSO_FUZZ_COMPILE_FUZZ_BODY_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "model/error_meanings.h"
#include "compiler/diagnostics.h"
#include "base/text_encoding.h"
#include "compiler/loader.h"
#include "compiler/compile.h"
#include "model/cell_grid.h"
#include "model/line_table.h"
#include "model/track_plan.h"

namespace {

using percorso::CompileVerdict;
using percorso::Compilation;
using percorso::ReadStatus;
using percorso::SourceText;

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "compile invariant broken: %s\n", what);
  std::abort();
}

size_t PlanFileSize(const percorso::TrackPlan& plan) {
  size_t one_component = 0;
  for (int64_t j = 0; j <= plan.upper(); ++j) {
    const uint16_t tag = plan.TagOf(j);
    one_component += 2 + (tag == percorso::kPlanInt16 ? 2 : tag == percorso::kPlanDouble ? 8 : 0);
  }
  return 2 * one_component;
}

size_t LineFileSize(const percorso::LineTable& table) {
  size_t n = 0;
  for (const percorso::LineRecord& r : table.slot) n += percorso::kSlotFixedBytes + r.nome.size();
  return n;
}

void CheckCompiled(bool with_plan, const Compilation& out) {
  if (out.verdict != CompileVerdict::kCompiled) return;
  Check(out.grid.exists(), "compiled without a grid");
  Check(out.cell_file()->size() ==
            static_cast<size_t>(out.grid.upper() + 1) * percorso::kCellBytes,
        "cell file size");
  Check(out.line_file()->size() == LineFileSize(out.line_table), "line file size");
  for (const percorso::LineRecord& r : out.line_table.slot)
    Check(r.nome.size() <= 65535, "a name too long for the line file");
  Check((out.plan_file() != nullptr) == with_plan, "plan file present exactly with the plan");
  if (out.plan_file()) Check(out.plan_file()->size() == PlanFileSize(out.plan), "plan file size");
}

// Each recorded error as the compile command reports it.
void CheckDiagnostics(const percorso::ErrorState& errore, const percorso::QuotedText& linea_text,
                      const percorso::QuotedText& treno_text) {
  for (const percorso::Diagnostic& d : errore.log) {
    const percorso::ErrorMeaning* m = percorso::FindMeaning(d.numero);
    Check(m != nullptr, "a recorded error has a meaning");
    Check(d.has_posizione == m->has_posizione, "a position exactly when the meaning has one");
    const percorso::QuotedText* text = d.origin == percorso::ErrorOrigin::kLineText ? &linea_text
                                       : d.origin == percorso::ErrorOrigin::kTrainText
                                           ? &treno_text
                                           : nullptr;
    std::ostringstream out;
    percorso::WriteDiagnostic(out, d, m->meaning, text, "fuzz_55.dat");
    Check(out.str().size() < 4096, "a diagnostic of bounded length");
  }
}

// The line length sizes the grid and the plan: a line of 1 000 000 m costs milliseconds
// an input in clearing them alone. The bounded mapping rewrites every run of more than
// kBoundedDigits decimal digits of the line description whose value is within the
// longest line (1 000 000 m) by zeroing its leading digits: "96900" reads 900. Positions
// and lengths shrink alike, so a row beyond the line end stays beyond it only by chance;
// the long target keeps the texts' own numbers.
// Byte lengths, and so every line and column, stay as they were; numbers beyond the
// longest line (the range errors, the fields too wide) are kept.
constexpr size_t kBoundedDigits = 3;
constexpr int64_t kLongestLine = 1000000;

std::string BoundLineNumbers(std::string_view text) {
  std::string out(text);
  size_t i = 0;
  while (i < out.size()) {
    if (out[i] < '0' || out[i] > '9') {
      ++i;
      continue;
    }
    size_t end = i;
    int64_t value = 0;
    while (end < out.size() && out[end] >= '0' && out[end] <= '9') {
      if (value <= kLongestLine) value = value * 10 + (out[end] - '0');
      ++end;
    }
    if (value <= kLongestLine && end - i > kBoundedDigits) {
      for (size_t k = i; k < end - kBoundedDigits; ++k) out[k] = '0';
    }
    i = end;
  }
  return out;
}

// Runs one input; `bound_length` applies BoundLineNumbers to the line description.
inline int RunCompileInput(const uint8_t* data, size_t size, bool bound_length) {
  if (size == 0) return 0;
  const uint8_t control = data[0];
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const size_t line_end = input.find('\0');
  std::string bounded;
  if (bound_length) {
    bounded = BoundLineNumbers(input.substr(0, line_end));
    if (line_end != std::string_view::npos) bounded.append(input.substr(line_end));
  }
  const std::string_view rest = bound_length ? std::string_view(bounded) : input;
  const size_t cut = rest.find('\0');

  SourceText linea;
  SourceText treno;
  linea.name = "fuzz_linea.txt";
  treno.name = "fuzz_55-.txt";
  linea.status = (control & 4) ? ReadStatus::kMissing : ReadStatus::kOk;
  treno.status = (control & 2) ? ReadStatus::kMissing : ReadStatus::kOk;
  const std::string_view raw_linea = rest.substr(0, cut);
  const std::string_view raw_treno =
      cut != std::string_view::npos ? rest.substr(cut + 1) : std::string_view();
  const bool author = (control & 16) != 0;
  // The texts as the diagnostics quote them: an author's without its byte-order mark.
  percorso::QuotedText linea_text{"fuzz_linea.txt", raw_linea, false};
  percorso::QuotedText treno_text{"fuzz_55-.txt", raw_treno, false};
  auto load = [&](std::string_view raw, SourceText* t, percorso::QuotedText* quoted) {
    if (t->status != ReadStatus::kOk) return;
    if (!author) {
      t->bytes = std::string(raw);
      return;
    }
    percorso::DecodedText d = percorso::ToWindows1252(raw);
    quoted->original = percorso::StripUtf8Bom(raw);
    quoted->from_utf8 = d.from_utf8;
    t->bytes = std::move(d.bytes);
  };
  load(raw_linea, &linea, &linea_text);
  load(raw_treno, &treno, &treno_text);
  const bool with_plan = (control & 1) && (control & 64);
  const percorso::CompileSettings settings{
      "fuzz", "55", with_plan ? percorso::PlanChoice::kWithPlan : percorso::PlanChoice::kWithoutPlan};

  const Compilation first = percorso::CompileScenario(linea, treno, settings);
  CheckCompiled(with_plan, first);
  CheckDiagnostics(first.errors, linea_text, treno_text);

  if ((control & 8) && (control & 32) && (control & 128)) {
    const Compilation second = percorso::CompileScenario(linea, treno, settings);
    Check(second.verdict == first.verdict, "same verdict twice");
    Check(second.errors.numero == first.errors.numero &&
              second.errors.posizione == first.errors.posizione,
          "same error twice");
    bool same = second.files.size() == first.files.size();
    for (size_t k = 0; same && k < first.files.size(); ++k) {
      same = second.files[k].name == first.files[k].name &&
             second.files[k].bytes == first.files[k].bytes;
    }
    Check(same, "same bytes twice");
  }
  return 0;
}

}  // namespace

#endif  // PERCORSO_FUZZ_COMPILE_FUZZ_BODY_H_
