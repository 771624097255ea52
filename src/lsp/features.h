// What the server answers about one document: hover, the outline and completion. Each
// works on the document's text, its rows and the latest compile of its pair, and gives
// the protocol's JSON.
#ifndef PERCORSO_LSP_FEATURES_H_
#define PERCORSO_LSP_FEATURES_H_

#include <cstdint>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "lsp/findings_map.h"
#include "lsp/positions.h"
#include "lsp/text_rows.h"

namespace percorso::lsp {

struct DocumentView {
  TextKind kind;
  std::string_view text;                    // UTF-8
  const ScannedText* rows;
  int32_t last_cell = -1;                   // N of the latest compile, -1 unknown
  const std::vector<PlacedFinding>* findings;  // of this document, latest compile
};

// The hover at `at`: the keyword or field under it and any finding there; null when
// there is nothing to say.
nlohmann::json Hover(const DocumentView& doc, Position at, PositionEncoding e);

// The sections, and inside them the stations, signals, slowdowns, speed boards, curves
// and indicator boards, as DocumentSymbol[].
nlohmann::json DocumentSymbols(const DocumentView& doc, PositionEncoding e);

// The keywords of the section at `at`, each with its fields as a snippet (or as plain
// text when the client takes no snippets), as CompletionItem[].
nlohmann::json Completion(const DocumentView& doc, Position at, bool snippets);

// "26.500" for 26500 m.
std::string Kilometres(int64_t metres);

}  // namespace percorso::lsp

#endif  // PERCORSO_LSP_FEATURES_H_
