// The three crew documents of the built-in run: the notes, the slowdown order and the
// train sheet. Fixed texts; only their file names follow the line and train names.
#ifndef PERCORSO_BUILTIN_CREW_DOCUMENTS_H_
#define PERCORSO_BUILTIN_CREW_DOCUMENTS_H_

#include <filesystem>
#include <optional>
#include <string>

#include "base/file_io.h"
#include "model/line_list.h"

namespace percorso {

LineList NoteRows();           // 10 lines, then the end marker
LineList RallentamentiRows();  // 46 lines, then the end marker
LineList SchedaRows();         // 54 lines, then the end marker

std::optional<IoError> WriteNoteDocument(const std::filesystem::path& dir,
                                         const std::string& nome_linea,
                                         const std::string& numero_treno);
std::optional<IoError> WriteRallentamentiDocument(const std::filesystem::path& dir,
                                                  const std::string& nome_linea,
                                                  const std::string& numero_treno);
std::optional<IoError> WriteSchedaDocument(const std::filesystem::path& dir,
                                           const std::string& nome_linea,
                                           const std::string& numero_treno);

}  // namespace percorso

#endif  // PERCORSO_BUILTIN_CREW_DOCUMENTS_H_
