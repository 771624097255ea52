// The two scenario codes stamped on every compiled scenario, both computed from the
// same 25 characters: the train number, then the line name, in lower case, then the fill
// text "aabbccddeeffgghhiillmmnnoo". Each character counts with its byte value (0..255).
#ifndef PERCORSO_COMPILER_SCENARIO_CODES_H_
#define PERCORSO_COMPILER_SCENARIO_CODES_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "model/line_table.h"

namespace percorso {

inline constexpr int kCodeTextLength = 25;

// The 25 bytes the codes are computed from. Only the ASCII letters A to Z are lowered;
// every other byte, accented letters included, counts as it stands.
std::string CodeText(std::string_view numero_treno, std::string_view nome_linea);

// Sum of the 25 byte values: at most 25 x 255 = 6375, so it fits the 16-bit place of
// cell 1's dato2.
int32_t ComputeCodeOg(std::string_view numero_treno, std::string_view nome_linea);
// Sum of byte value times position (1 to 25): at most 255 x 325 = 82875, a 32-bit value.
int32_t ComputeCodeSt(std::string_view numero_treno, std::string_view nome_linea);

// The codes of the scenario in `tabella`: train number from slot 86, line name from 85.
int32_t ComputeCodeOg(const LineTable& tabella);
int32_t ComputeCodeSt(const LineTable& tabella);

}  // namespace percorso

#endif  // PERCORSO_COMPILER_SCENARIO_CODES_H_
