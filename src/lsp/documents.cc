#include "lsp/documents.h"

#include <algorithm>

#include "model/names.h"

namespace percorso::lsp {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The byte offset of a client position, reading the text only as far as its line.
size_t OffsetOf(std::string_view text, Position p, PositionEncoding e) {
  size_t start = 0;
  for (size_t n = 0; n < p.line; ++n) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) return text.size();  // past the last line
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  size_t end = text.find_first_of("\r\n", start);
  if (end == std::string_view::npos) end = text.size();
  return start + ByteAt(text.substr(start, end - start), p.character, e);
}

// A guess for a document whose name says nothing: a line description has a line length.
TextKind GuessKind(std::string_view text) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  const std::string_view word = "lunghezza";
  auto it = std::search(text.begin(), text.end(), word.begin(), word.end(),
                        [&](char a, char b) { return lower(a) == b; });
  return it != text.end() ? TextKind::kLinea : TextKind::kTreno;
}

}  // namespace

std::optional<std::string> PathOfUri(std::string_view uri) {
  constexpr std::string_view kScheme = "file://";
  if (uri.size() < kScheme.size()) return std::nullopt;
  for (size_t i = 0; i < kScheme.size(); ++i) {
    const char c = uri[i] >= 'A' && uri[i] <= 'Z' ? static_cast<char>(uri[i] + 32) : uri[i];
    if (c != kScheme[i]) return std::nullopt;
  }
  std::string_view rest = uri.substr(kScheme.size());
  // "file://localhost/x" names the same file as "file:///x".
  if (rest.substr(0, 9) == "localhost") rest.remove_prefix(9);
  if (rest.empty() || rest[0] != '/') return std::nullopt;
  std::string path;
  for (size_t i = 0; i < rest.size(); ++i) {
    char c = rest[i];
    if (c == '?' || c == '#') break;
    if (c == '%') {
      if (i + 2 >= rest.size()) return std::nullopt;
      const int hi = HexValue(rest[i + 1]), lo = HexValue(rest[i + 2]);
      if (hi < 0 || lo < 0) return std::nullopt;
      c = static_cast<char>(hi * 16 + lo);
      i += 2;
    }
    if (c == '\0') return std::nullopt;
    path += c;
  }
  return path;
}

std::string UriOfPath(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (char ch : path) {
    const unsigned char c = static_cast<unsigned char>(ch);
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      uri += ch;
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri;
}

std::optional<TextName> ParseTextName(std::string_view file_name) {
  if (std::optional<std::string> line = LineaTextName(file_name)) {
    TextName n;
    n.kind = TextKind::kLinea;
    n.nome_linea = std::move(*line);
    return n;
  }
  std::vector<TextName> cuts = TrainNameCuts(file_name);
  if (cuts.empty()) return std::nullopt;
  return cuts.front();
}

std::vector<TextName> TrainNameCuts(std::string_view file_name) {
  std::vector<TextName> cuts;
  for (TextPair& p : TrainTextCuts(file_name)) {
    TextName n;
    n.kind = TextKind::kTreno;
    n.nome_linea = std::move(p.linea);
    n.numero_treno = std::move(p.treno);
    cuts.push_back(std::move(n));
  }
  return cuts;
}

std::string DirOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string BaseOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

void ApplyBoundedChange(Document& doc, TextChange change, PositionEncoding e,
                        size_t max_kept_bytes) {
  if (!change.range) {
    doc.dropped = change.text.size() > max_kept_bytes;
    doc.text = doc.dropped ? std::string() : std::move(change.text);
    return;
  }
  if (doc.dropped) return;  // the place of a part is unknown without the text
  if (doc.text.size() + change.text.size() > max_kept_bytes) {
    doc.dropped = true;
    std::string().swap(doc.text);
    return;
  }
  ApplyChange(doc.text, change, e);
}

void ApplyChange(std::string& text, const TextChange& change, PositionEncoding e) {
  if (!change.range) {
    text = change.text;
    return;
  }
  const size_t begin = OffsetOf(text, change.range->start, e);
  const size_t end = std::max(begin, OffsetOf(text, change.range->end, e));
  text.replace(begin, end - begin, change.text);
}

Document& DocumentStore::Open(std::string uri, std::string text, int64_t version) {
  Document d;
  d.uri = uri;
  d.path = PathOfUri(uri);
  d.text = std::move(text);
  d.version = version;
  if (d.path) d.name = ParseTextName(BaseOf(*d.path));
  d.kind = d.name ? d.name->kind : GuessKind(d.text);
  auto [it, inserted] = docs_.insert_or_assign(std::move(uri), std::move(d));
  (void)inserted;
  return it->second;
}

void DocumentStore::Close(std::string_view uri) {
  auto it = docs_.find(uri);
  if (it != docs_.end()) docs_.erase(it);
}

Document* DocumentStore::Find(std::string_view uri) {
  auto it = docs_.find(uri);
  return it == docs_.end() ? nullptr : &it->second;
}

const Document* DocumentStore::FindByPath(std::string_view path) const {
  for (const auto& [uri, d] : docs_)
    if (d.path && *d.path == path) return &d;
  return nullptr;
}

}  // namespace percorso::lsp
