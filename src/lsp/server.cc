#include "lsp/server.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/file_io.h"
#include "lsp/compile_pair.h"
#include "lsp/framing.h"
#include "lsp/features.h"
#include "model/names.h"

namespace percorso::lsp {

namespace {

using nlohmann::json;

// Deeper JSON than this is refused before parsing: no real message nests this far.
constexpr int kMaxNesting = 64;

std::string Dump(const json& j) {
  return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

// True when the brackets of `body` (outside strings) nest deeper than the limit.
bool TooDeep(std::string_view body) {
  int depth = 0;
  bool in_string = false;
  for (size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (in_string) {
      if (c == '\\') ++i;
      else if (c == '"') in_string = false;
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxNesting) return true;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return false;
}

const json* Member(const json& j, const char* key) {
  if (!j.is_object()) return nullptr;
  auto it = j.find(key);
  return it == j.end() ? nullptr : &*it;
}

std::optional<std::string> StringAt(const json& j, const char* key) {
  const json* m = Member(j, key);
  if (m == nullptr || !m->is_string()) return std::nullopt;
  return m->get<std::string>();
}

std::optional<int64_t> IntAt(const json& j, const char* key) {
  const json* m = Member(j, key);
  if (m == nullptr || !m->is_number_integer()) return std::nullopt;
  return m->get<int64_t>();
}

std::optional<Position> PositionAt(const json& j, const char* key) {
  const json* m = Member(j, key);
  if (m == nullptr) return std::nullopt;
  std::optional<int64_t> line = IntAt(*m, "line"), character = IntAt(*m, "character");
  if (!line || !character || *line < 0 || *character < 0) return std::nullopt;
  return Position{static_cast<size_t>(*line), static_cast<size_t>(*character)};
}

std::optional<Range> RangeAt(const json& j, const char* key) {
  const json* m = Member(j, key);
  if (m == nullptr) return std::nullopt;
  std::optional<Position> start = PositionAt(*m, "start"), end = PositionAt(*m, "end");
  if (!start || !end) return std::nullopt;
  return Range{*start, *end};
}

std::optional<std::string> DocumentUri(const json& params) {
  const json* td = Member(params, "textDocument");
  return td == nullptr ? std::nullopt : StringAt(*td, "uri");
}

json ToJson(Position p) { return json{{"line", p.line}, {"character", p.character}}; }
json ToJson(Range r) { return json{{"start", ToJson(r.start)}, {"end", ToJson(r.end)}}; }

bool Offers(const json& list, std::string_view name) {
  if (!list.is_array()) return false;
  return std::any_of(list.begin(), list.end(),
                     [&](const json& v) { return v.is_string() && v.get<std::string>() == name; });
}

json ErrorResponse(const json& id, int code, const std::string& message) {
  return json{{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

std::string PathJoin(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

// What the editor says of a text whose pair cannot be compiled as it stands (a partner
// missing or too large): one finding over the text's first line.
PlacedFinding PairFinding(std::string_view text, const std::string& message,
                          PositionEncoding e) {
  const LineIndex lines(text);
  const std::string_view first = lines.Line(0);
  PlacedFinding f;
  f.range = Range{{0, 0}, {0, CharacterAt(first, first.size(), e)}};
  f.code = "pair";
  f.message = message;
  return f;
}

}  // namespace

Disk RealDisk(size_t max_bytes) {
  Disk d;
  d.read = [max_bytes](const std::string& path) -> std::optional<std::string> {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec) || ec) return std::nullopt;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > max_bytes) return std::nullopt;
    ReadResult r = ReadWholeFile(path, max_bytes);
    if (r.status != ReadStatus::kOk) return std::nullopt;
    return std::move(r.bytes);
  };
  d.list = [](const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
      names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  return d;
}

Disk NoDisk() {
  Disk d;
  d.read = [](const std::string&) { return std::optional<std::string>(); };
  d.list = [](const std::string&) { return std::vector<std::string>(); };
  return d;
}

Server::Server(Disk disk, size_t max_open_text)
    : disk_(std::move(disk)), max_open_text_(max_open_text) {}

std::string Server::TooLargeNotice(size_t bytes) const {
  return Dump(json{{"jsonrpc", "2.0"},
                   {"method", "window/showMessage"},
                   {"params",
                    {{"type", 1},
                     {"message", "percorso lsp: a message of " + std::to_string(bytes) +
                                     " bytes is over the limit of " +
                                     std::to_string(kMaxBodyBytes) + " bytes and was ignored"}}}});
}

std::vector<std::string> Server::Handle(std::string_view body) {
  std::vector<std::string> out;
  if (exited_) return out;
  if (TooDeep(body)) {
    out.push_back(Dump(ErrorResponse(nullptr, kParseError, "message nested too deeply")));
    return out;
  }
  const json msg = json::parse(body, nullptr, false);
  if (msg.is_discarded()) {
    out.push_back(Dump(ErrorResponse(nullptr, kParseError, "not a JSON message")));
    return out;
  }
  const json* id = Member(msg, "id");
  const std::optional<std::string> method = StringAt(msg, "method");
  if (!msg.is_object() || (id != nullptr && !id->is_number_integer() && !id->is_string())) {
    out.push_back(Dump(ErrorResponse(nullptr, kInvalidRequest, "not a JSON-RPC request")));
    return out;
  }
  if (!method) {
    // A response from the client (the server sends no requests), or nothing useful.
    if (id == nullptr || (Member(msg, "result") == nullptr && Member(msg, "error") == nullptr))
      out.push_back(Dump(ErrorResponse(id != nullptr ? *id : json(nullptr), kInvalidRequest,
                                       "a request needs a method")));
    return out;
  }
  static const json kNoParams = json::object();
  const json* params_ptr = Member(msg, "params");
  const json& params = params_ptr != nullptr ? *params_ptr : kNoParams;

  if (id == nullptr) {  // a notification: never answered
    try {
      Notify(*method, params, out);
    } catch (const json::exception&) {
      // A notification with parameters of the wrong types is dropped.
    }
    return out;
  }
  int code = 0;
  std::string error;
  json result;
  if (!initialized_ && *method != "initialize") {
    code = kServerNotInitialized;
    error = "the server is not initialized";
  } else if (shutdown_) {
    code = kInvalidRequest;
    error = "the server is shut down";
  } else {
    try {
      result = Dispatch(*method, params, out, &code, &error);
    } catch (const json::exception& e) {
      code = kInvalidParams;
      error = std::string("bad parameters: ") + e.what();
    }
  }
  if (code != 0) {
    out.push_back(Dump(ErrorResponse(*id, code, error)));
  } else {
    out.push_back(Dump(json{{"jsonrpc", "2.0"}, {"id", *id}, {"result", result}}));
  }
  return out;
}

json Server::Initialize(const json& params) {
  const json* caps = Member(params, "capabilities");
  const json* general = caps != nullptr ? Member(*caps, "general") : nullptr;
  const json* encodings = general != nullptr ? Member(*general, "positionEncodings") : nullptr;
  const json* offset = caps != nullptr ? Member(*caps, "offsetEncoding") : nullptr;
  const bool utf8 = (encodings != nullptr && Offers(*encodings, "utf-8")) ||
                    (offset != nullptr && Offers(*offset, "utf-8"));
  encoding_ = utf8 ? PositionEncoding::kUtf8 : PositionEncoding::kUtf16;
  if (caps != nullptr) {
    const json* td = Member(*caps, "textDocument");
    const json* comp = td != nullptr ? Member(*td, "completion") : nullptr;
    const json* item = comp != nullptr ? Member(*comp, "completionItem") : nullptr;
    const json* snip = item != nullptr ? Member(*item, "snippetSupport") : nullptr;
    snippets_ = snip != nullptr && snip->is_boolean() && snip->get<bool>();
  }
  initialized_ = true;
  json result{
      {"capabilities",
       {{"positionEncoding", std::string(EncodingName(encoding_))},
        {"textDocumentSync",
         {{"openClose", true}, {"change", 2}, {"save", {{"includeText", false}}}}},
        {"hoverProvider", true},
        {"documentSymbolProvider", true},
        {"completionProvider", {{"triggerCharacters", json::array()}}}}},
      {"serverInfo", {{"name", "percorso"}, {"version", PERCORSO_VERSION}}}};
  // Clients from before the protocol named position encodings ask with offsetEncoding.
  if (offset != nullptr) result["offsetEncoding"] = std::string(EncodingName(encoding_));
  return result;
}

const Document* Server::Require(const json& params, int* error_code, std::string* error) {
  std::optional<std::string> uri = DocumentUri(params);
  if (!uri) {
    *error_code = kInvalidParams;
    *error = "textDocument.uri is missing";
    return nullptr;
  }
  const Document* d = docs_.Find(*uri);
  if (d == nullptr) {
    *error_code = kInvalidParams;
    *error = "the document is not open: " + *uri;
  }
  return d;
}

const ScannedText& Server::RowsOf(const Document& doc) {
  auto it = rows_.find(doc.uri);
  if (it == rows_.end()) it = rows_.emplace(doc.uri, ScanText(doc.kind, doc.text)).first;
  return it->second;
}

json Server::Dispatch(const std::string& method, const json& params,
                      std::vector<std::string>& out, int* error_code, std::string* error) {
  (void)out;
  if (method == "initialize") return Initialize(params);
  if (method == "shutdown") {
    shutdown_ = true;
    return nullptr;
  }
  const bool hover = method == "textDocument/hover";
  const bool symbols = method == "textDocument/documentSymbol";
  const bool completion = method == "textDocument/completion";
  if (!hover && !symbols && !completion) {
    *error_code = kMethodNotFound;
    *error = "unknown method: " + method;
    return nullptr;
  }
  const Document* doc = Require(params, error_code, error);
  if (doc == nullptr) return nullptr;
  static const std::vector<PlacedFinding> kNone;
  auto a = analyses_.find(doc->uri);
  DocumentView view{doc->kind, doc->text, &RowsOf(*doc),
                    a != analyses_.end() ? a->second.last_cell : -1,
                    a != analyses_.end() ? &a->second.findings : &kNone};
  if (symbols) return DocumentSymbols(view, encoding_);
  std::optional<Position> at = PositionAt(params, "position");
  if (!at) {
    *error_code = kInvalidParams;
    *error = "position is missing";
    return nullptr;
  }
  if (hover) return Hover(view, *at, encoding_);
  return Completion(view, *at, snippets_);
}

void Server::Notify(const std::string& method, const json& params, std::vector<std::string>& out) {
  if (method == "exit") {
    exited_ = true;
    return;
  }
  if (!initialized_ || shutdown_) return;
  const std::optional<std::string> uri = DocumentUri(params);
  if (!uri) return;
  if (method == "textDocument/didOpen") {
    const json& td = params.at("textDocument");
    std::optional<std::string> text = StringAt(td, "text");
    if (!text) return;
    rows_.erase(*uri);
    const Document& d = docs_.Open(*uri, std::move(*text), IntAt(td, "version").value_or(0));
    Recheck(d, out);
  } else if (method == "textDocument/didChange") {
    Document* d = docs_.Find(*uri);
    const json* changes = Member(params, "contentChanges");
    if (d == nullptr || changes == nullptr || !changes->is_array()) return;
    for (const json& c : *changes) {
      std::optional<std::string> text = StringAt(c, "text");
      if (!text) continue;
      ApplyBoundedChange(*d, TextChange{RangeAt(c, "range"), std::move(*text)}, encoding_,
                         2 * max_open_text_);
    }
    if (const json* td = Member(params, "textDocument"))
      d->version = IntAt(*td, "version").value_or(d->version);
    rows_.erase(*uri);
    Recheck(*d, out);
  } else if (method == "textDocument/didSave") {
    if (const Document* d = docs_.Find(*uri)) Recheck(*d, out);
  } else if (method == "textDocument/didClose") {
    const Document* d = docs_.Find(*uri);
    if (d == nullptr) return;
    const std::optional<std::string> dir =
        d->path ? std::optional<std::string>(DirOf(*d->path)) : std::nullopt;
    docs_.Close(*uri);
    rows_.erase(*uri);
    analyses_.erase(*uri);
    Publish(*uri, {}, out);
    // The texts still open beside it now compile with the closed one as it is on disk.
    if (!dir) return;
    for (const auto& [other_uri, other] : docs_.all())
      if (other.path && DirOf(*other.path) == *dir) Recheck(other, out);
  }
}

void Server::Publish(const std::string& uri, const std::vector<PlacedFinding>& findings,
                     std::vector<std::string>& out) {
  json diagnostics = json::array();
  for (const PlacedFinding& f : findings) {
    json d{{"range", ToJson(f.range)},
           {"severity", static_cast<int>(f.severity)},
           {"code", f.code},
           {"source", "percorso"},
           {"message", f.message}};
    // Where on the line the fault lies, as `compile --format json` gives it.
    if (f.posizione || f.cell) {
      d["data"] = json{{"position_m", f.posizione ? json(*f.posizione) : json(nullptr)},
                       {"cell", f.cell ? json(*f.cell) : json(nullptr)}};
    }
    if (f.other_range && !f.other_uri.empty()) {
      d["relatedInformation"] = json::array(
          {json{{"location", {{"uri", f.other_uri}, {"range", ToJson(*f.other_range)}}},
                {"message", "the item already standing in the cell comes from this row"}}});
    }
    diagnostics.push_back(std::move(d));
  }
  out.push_back(Dump(json{{"jsonrpc", "2.0"},
                          {"method", "textDocument/publishDiagnostics"},
                          {"params", {{"uri", uri}, {"diagnostics", diagnostics}}}}));
}

void Server::PublishAlone(const Document& doc, const std::string& message,
                          std::vector<std::string>& out) {
  const PlacedFinding f = PairFinding(doc.text, message, encoding_);
  analyses_[doc.uri] = Analysis{{f}, -1};
  Publish(doc.uri, {f}, out);
}

// A line description without its train data still shows its own rows' findings, beside
// the word that the pair is incomplete: it is compiled with an empty train text, whose
// own findings (no speed, no adhesion) are left out.
void Server::PublishLineAlone(const Document& doc, const std::string& message,
                              std::vector<std::string>& out) {
  PairTexts texts;
  texts.nome_linea = doc.name->nome_linea;
  texts.linea = std::string_view(doc.text);
  texts.treno = std::string_view();
  PairOutcome outcome = CompilePair(texts);
  std::erase_if(outcome.findings,
                [](const percorso::Finding& f) { return f.about == FindingFile::kTreno; });
  std::vector<PlacedFinding> findings =
      PlaceFindings(outcome, TextKind::kLinea, ViewedText{doc.text, &RowsOf(doc)}, encoding_);
  for (PlacedFinding& f : findings) {
    if (f.other_line <= 0 || f.other_about != FindingFile::kLinea) continue;
    f.other_range = RangeOfField(doc.text, f.other_line, f.other_column, encoding_);
    f.other_uri = doc.uri;
  }
  findings.insert(findings.begin(), PairFinding(doc.text, message, encoding_));
  analyses_[doc.uri] = Analysis{findings, outcome.last_cell};
  Publish(doc.uri, findings, out);
}

std::optional<Server::Partner> Server::FindTrainTextFor(const Document& linea) const {
  const std::string dir = DirOf(*linea.path);
  for (const auto& [uri, d] : docs_.all()) {
    if (!d.path || d.kind != TextKind::kTreno || DirOf(*d.path) != dir) continue;
    for (const TextName& cut : TrainNameCuts(BaseOf(*d.path))) {
      if (cut.nome_linea == linea.name->nome_linea) return Partner{cut, *d.path, &d, std::nullopt};
    }
  }
  for (const std::string& file : disk_.list(dir)) {
    for (const TextName& cut : TrainNameCuts(file)) {
      if (cut.nome_linea != linea.name->nome_linea) continue;
      std::optional<std::string> raw = disk_.read(PathJoin(dir, file));
      if (raw) return Partner{cut, PathJoin(dir, file), nullptr, std::move(raw)};
    }
  }
  return std::nullopt;
}

std::optional<Server::Partner> Server::FindPartner(const Document& doc, std::string* why) const {
  if (!doc.path || !doc.name) {
    *why = "not a route text: the file name must be NAME_linea.txt or NAME_NUMBER-.txt";
    return std::nullopt;
  }
  if (doc.kind == TextKind::kLinea) {
    std::optional<Partner> p = FindTrainTextFor(doc);
    if (!p)
      *why = "no train text " + doc.name->nome_linea + "_NUMBER-.txt beside this line description";
    return p;
  }
  const std::string dir = DirOf(*doc.path);
  const std::vector<TextName> cuts = TrainNameCuts(BaseOf(*doc.path));
  for (const TextName& cut : cuts) {
    const std::string path = PathJoin(dir, LineaFileName(cut.nome_linea));
    if (const Document* open = docs_.FindByPath(path))
      return Partner{cut, path, open, std::nullopt};
    if (std::optional<std::string> raw = disk_.read(path))
      return Partner{cut, path, nullptr, std::move(raw)};
  }
  // No line description: the pair is compiled without it, as `compile` would name it
  // unreadable; the finding is shown on the train text.
  if (cuts.empty()) {
    *why = "not a route text: the file name must be NAME_linea.txt or NAME_NUMBER-.txt";
    return std::nullopt;
  }
  return Partner{cuts.front(), PathJoin(dir, LineaFileName(cuts.front().nome_linea)), nullptr,
                 std::nullopt};
}

namespace {

// Why an open text over the limit of `max_bytes` is not compiled.
std::string OverLimitMessage(const Document& d, const std::string& whose, size_t max_bytes) {
  if (d.dropped) {
    return whose + " grew beyond " + std::to_string(2 * max_bytes) +
           " bytes and is no longer held: close and reopen it to have it checked";
  }
  return whose + " is " + std::to_string(d.text.size()) + " bytes, more than the " +
         std::to_string(max_bytes) + " bytes an open text may have: it is checked again " +
         "once it is shorter";
}

}  // namespace

void Server::Recheck(const Document& doc, std::vector<std::string>& out) {
  if (doc.OverLimit(max_open_text_)) {
    return PublishAlone(doc, OverLimitMessage(doc, "this text", max_open_text_), out);
  }
  std::string why;
  const std::optional<Partner> partner = FindPartner(doc, &why);
  if (!partner && doc.kind == TextKind::kLinea && doc.name) return PublishLineAlone(doc, why, out);
  if (!partner) return PublishAlone(doc, why, out);
  if (partner->open != nullptr && partner->open->OverLimit(max_open_text_)) {
    return PublishAlone(doc, OverLimitMessage(*partner->open, BaseOf(partner->path), max_open_text_),
                        out);
  }

  const Document* partner_open = partner->open;
  const bool partner_missing = partner_open == nullptr && !partner->raw;
  const bool linea_is_doc = doc.kind == TextKind::kLinea;
  const std::string partner_text =
      partner_open != nullptr || partner_missing ? std::string() : DiskTextAsUtf8(*partner->raw);
  const std::string_view partner_view =
      partner_open != nullptr ? std::string_view(partner_open->text) : std::string_view(partner_text);
  std::optional<std::string_view> partner_bytes;
  if (partner_open != nullptr) {
    partner_bytes = partner_open->text;
  } else if (partner->raw) {
    partner_bytes = *partner->raw;
  }

  PairTexts texts;
  texts.nome_linea = partner->names.nome_linea;
  texts.numero_treno = partner->names.numero_treno;
  texts.linea = linea_is_doc ? std::optional<std::string_view>(doc.text) : partner_bytes;
  texts.treno = linea_is_doc ? partner_bytes : std::optional<std::string_view>(doc.text);
  const PairOutcome outcome = CompilePair(texts);

  const ScannedText& doc_rows = RowsOf(doc);
  ScannedText disk_rows;
  const ScannedText* partner_rows = nullptr;
  const TextKind partner_kind = linea_is_doc ? TextKind::kTreno : TextKind::kLinea;
  if (partner_open != nullptr) {
    partner_rows = &RowsOf(*partner_open);
  } else {
    disk_rows = ScanText(partner_kind, partner_view);
    partner_rows = &disk_rows;
  }
  std::vector<PlacedFinding> mine =
      PlaceFindings(outcome, doc.kind, ViewedText{doc.text, &doc_rows}, encoding_);
  if (partner_missing) {
    // What is said of a text that does not exist is shown on the one that does.
    for (PlacedFinding& f :
         PlaceFindings(outcome, partner_kind, ViewedText{doc.text, &doc_rows}, encoding_))
      mine.push_back(std::move(f));
    Publish(doc.uri, mine, out);
    analyses_[doc.uri] = Analysis{std::move(mine), outcome.last_cell};
    return;
  }
  std::vector<PlacedFinding> theirs =
      PlaceFindings(outcome, partner_kind, ViewedText{partner_view, partner_rows}, encoding_);
  const std::string partner_uri =
      partner_open != nullptr ? partner_open->uri : UriOfPath(partner->path);
  // A cell found taken points at the row standing there, in this text or the other.
  const std::string_view linea_view = linea_is_doc ? std::string_view(doc.text) : partner_view;
  const std::string_view treno_view = linea_is_doc ? partner_view : std::string_view(doc.text);
  const std::string& linea_uri = linea_is_doc ? doc.uri : partner_uri;
  const std::string& treno_uri = linea_is_doc ? partner_uri : doc.uri;
  for (std::vector<PlacedFinding>* list : {&mine, &theirs}) {
    for (PlacedFinding& f : *list) {
      if (f.other_line <= 0) continue;
      const bool in_linea = f.other_about == FindingFile::kLinea;
      if (!in_linea && f.other_about != FindingFile::kTreno) continue;
      f.other_range =
          RangeOfField(in_linea ? linea_view : treno_view, f.other_line, f.other_column, encoding_);
      f.other_uri = in_linea ? linea_uri : treno_uri;
    }
  }
  Publish(doc.uri, mine, out);
  Publish(partner_uri, theirs, out);
  analyses_[doc.uri] = Analysis{std::move(mine), outcome.last_cell};
  if (partner_open != nullptr) analyses_[partner_uri] = Analysis{std::move(theirs), outcome.last_cell};
}

}  // namespace percorso::lsp
