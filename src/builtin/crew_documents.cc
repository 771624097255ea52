#include "builtin/crew_documents.h"
#include "model/names.h"

namespace percorso {

std::optional<IoError> WriteNoteDocument(const std::filesystem::path& dir,
                                         const std::string& nome_linea,
                                         const std::string& numero_treno) {
  return WriteLines(dir, DocumentFileName(nome_linea, numero_treno, "note.txt"), NoteRows());
}

std::optional<IoError> WriteRallentamentiDocument(const std::filesystem::path& dir,
                                                  const std::string& nome_linea,
                                                  const std::string& numero_treno) {
  return WriteLines(dir, DocumentFileName(nome_linea, numero_treno, "rallentamenti.txt"),
                    RallentamentiRows());
}

std::optional<IoError> WriteSchedaDocument(const std::filesystem::path& dir,
                                           const std::string& nome_linea,
                                           const std::string& numero_treno) {
  return WriteLines(dir, DocumentFileName(nome_linea, numero_treno, "scheda_treno.txt"),
                    SchedaRows());
}

}  // namespace percorso
