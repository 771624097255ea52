#include "compiler/field_words.h"

namespace percorso {

namespace {

struct Words {
  std::string_view name;
  std::string_view words;
};

constexpr Words kRows[] = {
    {"lunghezza percorso", "the line length"},
    {"progressiva chilometrica", "a chainage reference"},
    {"sfondo uno", "a background setting"},
    {"sfondo due", "a background setting"},
    {"sfondo tre", "a background setting"},
    {"ripetizione segnali", "the signal repetition"},
    {"pendenza", "a gradient"},
    {"curva", "a curve"},
    {"montagna", "a montagna span"},
    {"indicatori_vmax", "a pair of speed boards"},
    {"cartello_indicatore", "an indicator board"},
    {"percentuale massa frenata", "the braked-mass percentage"},
    {"numero vetture", "the number of cars"},
    {"velocita", "a speed limit"},
    {"aderenza", "an adhesion step"},
    {"orologio", "the clock"},
    {"sabbia", "the sand quantity"},
    {"segnale", "a signal"},
    {"rallentamento", "a slowdown"},
    {"abbattimento", "an abbattimento mark"},
    {"stazione", "a station"},
};

// The format's own short names, and the loader's plain ones that need an article.
constexpr Words kFields[] = {
    {"x", "the start `x`"},
    {"v", "the speed `v`"},
    {"l", "the length `l`"},
    {"f_tt", "the flag `f_tt`"},
    {"f_ta", "the flag `f_ta`"},
    {"d_v", "the second speed `d_v`"},
    {"posizione", "the position `posizione`"},
    {"sx", "the signal kind `sx`"},
    {"s1", "the first aspect code `s1`"},
    {"s2", "the second aspect code `s2`"},
    {"s3", "the third aspect code `s3`"},
    {"rapp", "the field `rapp`"},
    {"dx", "the field `dx`"},
    {"d1", "the field `d1`"},
    {"d2", "the field `d2`"},
    {"d3", "the field `d3`"},
    {"tempo", "the signal time `tempo`"},
    {"inizio", "the start `inizio`"},
    {"fine", "the end `fine`"},
    {"tipo", "the span type `tipo`"},
    {"vas", "the speed A of the first board `vas`"},
    {"vbs", "the speed B of the first board `vbs`"},
    {"vcs", "the speed C of the first board `vcs`"},
    {"strisces", "the stripe count of the first board `strisces`"},
    {"vad", "the speed A of the second board `vad`"},
    {"vbd", "the speed B of the second board `vbd`"},
    {"vcd", "the speed C of the second board `vcd`"},
    {"strisced", "the stripe count of the second board `strisced`"},
};

}  // namespace

std::string RowInWords(std::string_view row) {
  for (const Words& w : kRows)
    if (w.name == row) return std::string(w.words) + " (`" + std::string(row) + "`)";
  return "a `" + std::string(row) + "` row";
}

std::string FieldInWords(std::string_view row, std::string_view field) {
  std::string words;
  for (const Words& w : kFields)
    if (w.name == field) words = w.words;
  if (words.empty()) words = "the " + std::string(field);
  return words + " of " + RowInWords(row);
}

bool IsPositionField(std::string_view field) {
  return field == "x" || field == "posizione" || field == "inizio" || field == "fine" ||
         field == "position" || field == "start" || field == "position (field 1)";
}

std::string Quoted(std::string_view s) {
  constexpr size_t kShown = 60;
  std::string out = "\"";
  out.append(s.substr(0, kShown));
  if (s.size() > kShown) out.append("...");
  out.push_back('"');
  return out;
}

}  // namespace percorso
