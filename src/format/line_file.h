// The line file (NAME_NUMBER.sim): its encoder and its decoder.
#ifndef PERCORSO_FORMAT_LINE_FILE_H_
#define PERCORSO_FORMAT_LINE_FILE_H_

#include <string>
#include <string_view>

#include "format/decoded.h"
#include "model/line_table.h"

namespace percorso {

// The line file: slots 0 to 86 field by field, a text as a 16-bit byte count and its
// bytes. A text longer than 65535 bytes cannot be stored; the loader rejects such texts
// before they reach the table, and the encoder cuts one to 65535 bytes as a last guard.
std::string EncodeLineFile(const LineTable& table);

// The line file: exactly 87 slots, each 34 bytes plus its text, and nothing after them.
Decoded<LineTable> DecodeLineFile(std::string_view bytes);

}  // namespace percorso

#endif  // PERCORSO_FORMAT_LINE_FILE_H_
