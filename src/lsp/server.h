// The language server's state and its handling of one message at a time: JSON-RPC
// dispatch, the lifecycle (initialize, shutdown, exit), the documents, and the compile
// of a document's pair after each change. It reads the file system only to find and
// read the other text of a pair that the client has not opened, and never writes.
#ifndef PERCORSO_LSP_SERVER_H_
#define PERCORSO_LSP_SERVER_H_

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "lsp/documents.h"
#include "lsp/findings_map.h"
#include "lsp/positions.h"
#include "lsp/text_rows.h"

namespace percorso::lsp {

// How the server sees the disk: the bytes of a file (nothing when it does not exist or
// cannot be read) and the names of the files in a directory.
struct Disk {
  std::function<std::optional<std::string>(const std::string& path)> read;
  std::function<std::vector<std::string>(const std::string& dir)> list;
};

// The real file system, files read only up to `max_bytes`.
Disk RealDisk(size_t max_bytes);
// No file system at all: every file is missing.
Disk NoDisk();

// JSON-RPC error codes.
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;
inline constexpr int kServerNotInitialized = -32002;

class Server {
 public:
  // An open text over `max_open_text` bytes is not compiled (and one over twice that is
  // dropped); the default is the limit of a message.
  explicit Server(Disk disk, size_t max_open_text = kMaxOpenTextBytes);

  // Handles one message body; returns the bodies of the messages to send, in order.
  std::vector<std::string> Handle(std::string_view body);
  // The message to send when a frame too large to read was skipped.
  std::string TooLargeNotice(size_t bytes) const;

  bool exited() const { return exited_; }
  // The process's exit status: 0 after shutdown then exit, 1 otherwise.
  int exit_status() const { return shutdown_ ? 0 : 1; }
  PositionEncoding encoding() const { return encoding_; }

 private:
  struct Analysis {
    std::vector<PlacedFinding> findings;
    int32_t last_cell = -1;
  };

  nlohmann::json Dispatch(const std::string& method, const nlohmann::json& params,
                          std::vector<std::string>& out, int* error_code, std::string* error);
  void Notify(const std::string& method, const nlohmann::json& params,
              std::vector<std::string>& out);
  nlohmann::json Initialize(const nlohmann::json& params);
  // The other text of a pair: open in the editor (`open`), else read from disk (`raw`).
  struct Partner {
    TextName names;
    std::string path;
    const Document* open = nullptr;
    std::optional<std::string> raw;
  };
  // Compiles the pair `doc` belongs to and publishes the findings of both texts.
  void Recheck(const Document& doc, std::vector<std::string>& out);
  // The partner of `doc`, or nothing with `why` saying what is missing.
  std::optional<Partner> FindPartner(const Document& doc, std::string* why) const;
  std::optional<Partner> FindTrainTextFor(const Document& linea) const;
  // Publishes one finding on the first line of a text that cannot be compiled.
  void PublishAlone(const Document& doc, const std::string& message, std::vector<std::string>& out);
  void PublishLineAlone(const Document& doc, const std::string& message,
                        std::vector<std::string>& out);
  void Publish(const std::string& uri, const std::vector<PlacedFinding>& findings,
               std::vector<std::string>& out);
  const Document* Require(const nlohmann::json& params, int* error_code, std::string* error);
  const ScannedText& RowsOf(const Document& doc);

  Disk disk_;
  size_t max_open_text_;
  DocumentStore docs_;
  std::map<std::string, ScannedText, std::less<>> rows_;
  std::map<std::string, Analysis, std::less<>> analyses_;
  PositionEncoding encoding_ = PositionEncoding::kUtf16;
  bool snippets_ = false;
  bool initialized_ = false;
  bool shutdown_ = false;
  bool exited_ = false;
};

}  // namespace percorso::lsp

#endif  // PERCORSO_LSP_SERVER_H_
