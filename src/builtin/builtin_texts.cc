#include "builtin/builtin_texts.h"

namespace percorso {

std::string LineaFileName(const std::string& nome_linea) { return nome_linea + "_linea.txt"; }

std::string TrenoFileName(const std::string& nome_linea, const std::string& numero_treno) {
  return nome_linea + "_" + numero_treno + "-.txt";
}

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
