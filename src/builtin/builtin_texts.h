// The built-in scenario: the line description of Valdoro_Ostrano and the data of
// train 55 on it, as line lists, and the two writers that put them on disk.
#ifndef PERCORSO_BUILTIN_BUILTIN_TEXTS_H_
#define PERCORSO_BUILTIN_BUILTIN_TEXTS_H_

#include <filesystem>
#include <optional>
#include <string>

#include "base/file_io.h"
#include "model/line_list.h"

namespace percorso {

// The line and the train of the built-in scenario.
inline constexpr const char* kBuiltinLineName = "Valdoro_Ostrano";
inline constexpr const char* kBuiltinTrainNumber = "55";

// The 283 lines of the line description, then the end marker.
LineList LineaRows();
// The 86 lines of the train data, then the end marker.
LineList TrenoRows();

std::optional<IoError> WriteLineText(const std::filesystem::path& dir,
                                     const std::string& nome_linea);
std::optional<IoError> WriteTrainText(const std::filesystem::path& dir,
                                      const std::string& nome_linea,
                                      const std::string& numero_treno);

}  // namespace percorso

#endif  // PERCORSO_BUILTIN_BUILTIN_TEXTS_H_
