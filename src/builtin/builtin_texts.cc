#include "builtin/builtin_texts.h"
#include "model/names.h"

namespace percorso {

std::optional<IoError> WriteLineText(const std::filesystem::path& dir,
                                     const std::string& nome_linea) {
  return WriteLines(dir, LineaFileName(nome_linea), LineaRows());
}

std::optional<IoError> WriteTrainText(const std::filesystem::path& dir,
                                      const std::string& nome_linea,
                                      const std::string& numero_treno) {
  return WriteLines(dir, TrenoFileName(nome_linea, numero_treno), TrenoRows());
}

}  // namespace percorso
