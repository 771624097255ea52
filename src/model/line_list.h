// Line lists: every built-in text is held as an ordered list of lines closed by the end
// marker, and written by WriteLines as Windows-1252 bytes with CR LF after each line.
#ifndef PERCORSO_MODEL_LINE_LIST_H_
#define PERCORSO_MODEL_LINE_LIST_H_

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/file_io.h"

namespace percorso {

inline constexpr std::string_view kEndMarker = "riferimento fine del file";

using LineList = std::span<const std::string_view>;

// The bytes of a text: each entry followed by CR LF, up to the first entry equal to the
// end marker (exact comparison) or the end of the list, nothing after the last CR LF.
// The entries are already Windows-1252 bytes and are written as they stand.
std::string RenderText(LineList righe);

// Replaces the file `nome_file` in `dir` by the text of `righe`. The old file, whatever
// its length, is replaced whole and atomically; a missing file is simply created.
std::optional<IoError> WriteLines(const std::filesystem::path& dir, const std::string& nome_file,
                                  LineList righe);

}  // namespace percorso

#endif  // PERCORSO_MODEL_LINE_LIST_H_
