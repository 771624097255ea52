#include "serve/page_state.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <utility>

#include "compiler/front_end.h"
#include "builtin/builtin_texts.h"
#include "serve/page_compile.h"
#include "model/names.h"

namespace percorso {

namespace {

std::string ClockNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

std::string Outcome(const PageBuild& build) {
  size_t errors = 0, warnings = 0;
  const PageDiagnostic* first = nullptr;
  for (const PageDiagnostic& d : build.diagnostics) {
    (d.severity == Severity::kError ? errors : warnings) += 1;
    if (first == nullptr) first = &d;
  }
  if (first == nullptr) return "no error";
  std::string s;
  if (errors > 0) s += std::to_string(errors) + (errors == 1 ? " error" : " errors");
  if (errors > 0 && warnings > 0) s += ", ";
  if (warnings > 0) s += std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings");
  s += "; first: " + (first->file.empty() ? std::string("percorso") : first->file);
  if (first->line > 0) {
    s += ":" + std::to_string(first->line);
    if (first->column > 0) s += ":" + std::to_string(first->column);
  }
  s += std::string(": ") + (first->severity == Severity::kError ? "error" : "warning");
  if (!first->code.empty()) s += " " + first->code;
  s += ": " + first->message + first->place;
  if (!build.drawing) s += "; nothing to draw";
  else if (!build.complete) s += "; the drawing kept is stale";
  return s;
}

}  // namespace

PageState::PageState(PairFiles files)
    : files_(std::move(files)), page_(files_.linea + " · train " + files_.treno) {}

std::string PageState::linea_file() const { return LineaFileName(files_.linea); }
std::string PageState::treno_file() const { return TrenoFileName(files_.linea, files_.treno); }

PageState::Outcome PageState::Recompile() {
  const auto start = std::chrono::steady_clock::now();
  PageInput input;
  input.linea = files_.linea;
  input.treno = files_.treno;
  input.linea_text = ReadAuthorText(files_.dir, linea_file());
  input.treno_text = ReadAuthorText(files_.dir, treno_file());
  input.scenario_name = ShownPath(files_.dir, CellFileName(files_.linea, files_.treno));
  PageBuild build = CompilePage(input);
  const std::string result = percorso::Outcome(build);
  const std::string clock = ClockNow();
  Outcome outcome;
  outcome.page = page_.Update(std::move(build), clock);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  char took[32];
  std::snprintf(took, sizeof took, "%.1f ms", ms);
  outcome.log_line = clock + " compiled in " + took + ": " + result;
  return outcome;
}

}  // namespace percorso
