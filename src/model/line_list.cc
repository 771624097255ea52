#include "model/line_list.h"

namespace percorso {

std::string RenderText(LineList righe) {
  size_t total = 0;
  for (std::string_view r : righe) total += r.size() + 2;
  std::string out;
  out.reserve(total);
  for (std::string_view r : righe) {
    if (r == kEndMarker) break;
    out.append(r);
    out.append("\r\n");
  }
  return out;
}

std::optional<IoError> WriteLines(const std::filesystem::path& dir, const std::string& nome_file,
                                  LineList righe) {
  return ReplaceFile(dir / nome_file, RenderText(righe));
}

}  // namespace percorso
