#include "compiler/scenario_codes.h"

namespace percorso {

namespace {

constexpr std::string_view kFill = "aabbccddeeffgghhiillmmnnoo";

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string CodeText(std::string_view numero_treno, std::string_view nome_linea) {
  std::string text;
  text.reserve(kCodeTextLength);
  for (std::string_view part : {numero_treno, nome_linea, kFill}) {
    for (char c : part) {
      if (text.size() == kCodeTextLength) return text;
      // The fill text is lower case already.
      text.push_back(Lower(c));
    }
  }
  return text;  // never reached short: the fill text alone is 26 characters
}

int32_t ComputeCodeOg(std::string_view numero_treno, std::string_view nome_linea) {
  int32_t sum = 0;
  for (char c : CodeText(numero_treno, nome_linea)) sum += static_cast<unsigned char>(c);
  return sum;
}

int32_t ComputeCodeSt(std::string_view numero_treno, std::string_view nome_linea) {
  int32_t sum = 0;
  int32_t i = 0;
  for (char c : CodeText(numero_treno, nome_linea)) sum += static_cast<unsigned char>(c) * ++i;
  return sum;
}

int32_t ComputeCodeOg(const LineTable& tabella) {
  return ComputeCodeOg(tabella.slot[kTrainIdentitySlot].nome, tabella.slot[kLineIdentitySlot].nome);
}

int32_t ComputeCodeSt(const LineTable& tabella) {
  return ComputeCodeSt(tabella.slot[kTrainIdentitySlot].nome, tabella.slot[kLineIdentitySlot].nome);
}

}  // namespace percorso
