// The documents the client has open, and what their file names say: which text of
// which pair each one is. A document's text is held as the client sent it (UTF-8);
// nothing is ever written back.
#ifndef PERCORSO_LSP_DOCUMENTS_H_
#define PERCORSO_LSP_DOCUMENTS_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/positions.h"
#include "compiler/row_schema.h"

namespace percorso::lsp {

// The path of a file: URI ("file:///dir/a%20b.txt" -> "/dir/a b.txt"); nothing for other
// schemes, relative or malformed paths, and paths holding a NUL.
std::optional<std::string> PathOfUri(std::string_view uri);
// The file: URI of an absolute path, with the characters a URI cannot hold escaped.
std::string UriOfPath(std::string_view path);

// What a file name says about a text.
struct TextName {
  TextKind kind = TextKind::kLinea;
  std::string nome_linea;
  std::string numero_treno;  // train texts only; a train name with several '_' is cut
                             // at the last one
};
// "X_linea.txt" or "X_N-.txt"; nothing for any other name.
std::optional<TextName> ParseTextName(std::string_view file_name);
// The cuts of a train text's name ("A_B_55-.txt") into line name and number, last '_'
// first, as every command finds pairs (TrainTextCuts of model/names.h).
std::vector<TextName> TrainNameCuts(std::string_view file_name);

struct Document {
  std::string uri;
  std::optional<std::string> path;  // for file: URIs
  std::string text;
  int64_t version = 0;
  std::optional<TextName> name;     // nothing when the name is not a route text's
  TextKind kind = TextKind::kLinea;  // from the name, else guessed from the text
};

// The directory and file name parts of a path.
std::string DirOf(std::string_view path);
std::string BaseOf(std::string_view path);

// One change of a document: the whole text, or a range replaced.
struct TextChange {
  std::optional<Range> range;
  std::string text;
};

// Applies a change to `text`, positions counted in `e`. Ranges are clamped to the text;
// a range whose end lies before its start replaces nothing.
void ApplyChange(std::string& text, const TextChange& change, PositionEncoding e);

class DocumentStore {
 public:
  Document& Open(std::string uri, std::string text, int64_t version);
  void Close(std::string_view uri);
  Document* Find(std::string_view uri);
  // An open document whose path is `path`.
  const Document* FindByPath(std::string_view path) const;
  const std::map<std::string, Document, std::less<>>& all() const { return docs_; }

 private:
  std::map<std::string, Document, std::less<>> docs_;
};

}  // namespace percorso::lsp

#endif  // PERCORSO_LSP_DOCUMENTS_H_
