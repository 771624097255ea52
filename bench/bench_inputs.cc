#include "bench_inputs.h"
#include "model/names.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "compiler/compile.h"
#include "builtin/builtin_texts.h"
#include "model/line_list.h"
#include "testing/max_scenario.h"

namespace percorso::bench {

namespace {

SourceText Text(std::string bytes, std::string name) {
  return SourceText{ReadStatus::kOk, std::move(bytes), std::move(name)};
}

}  // namespace

const TextPair& BuiltinTexts() {
  static const TextPair* texts = [] {
    auto* t = new TextPair;
    t->nome_linea = kBuiltinLineName;
    t->numero_treno = kBuiltinTrainNumber;
    t->linea = Text(RenderText(LineaRows()), LineaFileName(t->nome_linea));
    t->treno = Text(RenderText(TrenoRows()), TrenoFileName(t->nome_linea, t->numero_treno));
    return t;
  }();
  return *texts;
}

const TextPair& MaxTexts(int32_t line_length) {
  static auto* cache = new std::map<int32_t, std::unique_ptr<TextPair>>;
  auto& slot = (*cache)[line_length];
  if (!slot) {
    MaxScenario s = MakeMaxScenario(line_length);
    slot = std::make_unique<TextPair>();
    slot->nome_linea = kMaxScenarioLineName;
    slot->numero_treno = kMaxScenarioTrainNumber;
    slot->linea = Text(std::move(s.linea), LineaFileName(slot->nome_linea));
    slot->treno = Text(std::move(s.treno), TrenoFileName(slot->nome_linea, slot->numero_treno));
  }
  return *slot;
}

CompileSettings SettingsOf(const TextPair& texts) {
  return CompileSettings{texts.nome_linea, texts.numero_treno, PlanChoice::kWithPlan};
}

Compilation CompileOrDie(const TextPair& texts) {
  Compilation out = CompileScenario(texts.linea, texts.treno, SettingsOf(texts));
  if (out.verdict != CompileVerdict::kCompiled || out.errors.numero != 0) {
    std::fprintf(stderr, "compile of %s failed: error %d at %d\n", texts.nome_linea.c_str(),
                 out.errors.numero, out.errors.posizione);
    std::abort();
  }
  return out;
}

}  // namespace percorso::bench
