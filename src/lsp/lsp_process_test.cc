// `percorso lsp` as a process: a whole session through its standard input and output,
// and the ways a client can fail it (a 100 MB document, a header that cannot be read,
// a client that goes away mid-message or stops reading).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "lsp/framing.h"
#include "testing/subprocess.h"
#include "testing/temp_dir.h"

namespace percorso {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;

std::string Frame(const json& j) { return lsp::EncodeFrame(j.dump()); }

json Request(int id, const std::string& method, const json& params) {
  return json{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}};
}
json Notification(const std::string& method, const json& params) {
  return json{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}};
}

const json kInitialize = Request(1, "initialize", {{"capabilities", json::object()}});
const json kShutdown = Request(99, "shutdown", nullptr);
const json kExit = Notification("exit", nullptr);

// Runs `percorso lsp` with `input` on its standard input and `stdout_to` as its output
// (its captured output by default).
ProcessResult Serve(const TempDir& tmp, const std::string& input, const std::string& stdout_to = "") {
  const std::filesystem::path in = tmp.path() / "input";
  WriteFile(in, input);
  ProcessRequest r;
  std::string script = "exec \"$0\" lsp < \"$1\"";
  if (!stdout_to.empty()) script += " > " + stdout_to;
  r.argv = {"/bin/sh", "-c", script, PERCORSO_EXE, in.string()};
  return RunProcess(r);
}

// The messages in a server's output, in order.
std::vector<json> Messages(const std::string& out) {
  std::vector<json> msgs;
  std::istringstream in(out);
  for (;;) {
    lsp::Frame f = lsp::ReadFrame(in);
    if (f.status != lsp::FrameStatus::kMessage) break;
    msgs.push_back(json::parse(f.body));
  }
  return msgs;
}

TEST(LspProcessTest, ASessionEndsWithStatusZeroAfterShutdownAndExit) {
  TempDir tmp;
  const std::string uri = "file://" + (tmp.path() / "Piana_3-.txt").string();
  const std::string input =
      Frame(kInitialize) + Frame(Notification("initialized", json::object())) +
      Frame(Notification("textDocument/didOpen",
                         {{"textDocument", {{"uri", uri}, {"languageId", "percorso"}, {"version", 1}, {"text", "[generale]\r\n"}}}})) +
      Frame(Request(2, "textDocument/documentSymbol", {{"textDocument", {{"uri", uri}}}})) + Frame(kShutdown) +
      Frame(kExit) + Frame(Request(3, "shutdown", nullptr));  // nothing after exit is read
  ProcessResult r = Serve(tmp, input);
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<json> msgs = Messages(r.out);
  ASSERT_EQ(msgs.size(), 4u) << r.out;
  EXPECT_EQ(msgs[0]["id"], 1);
  EXPECT_EQ(msgs[1]["method"], "textDocument/publishDiagnostics");
  EXPECT_THAT(msgs[1]["params"]["diagnostics"][0]["message"].get<std::string>(), HasSubstr("Piana_linea.txt"));
  EXPECT_EQ(msgs[2]["id"], 2);
  EXPECT_EQ(msgs[3]["id"], 99);
  // Nothing was written beside the text.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.path()), {}), 1);
}

TEST(LspProcessTest, AHundredMegabyteDocumentIsRefusedAndTheServerGoesOn) {
  TempDir tmp;
  const std::string uri = "file:///r/Big_1-.txt";
  // Written to the input piece by piece: the test itself never holds the 100 MB, so the
  // server's peak memory (which counts the test's pages copied at the fork) stays its own.
  const std::string head = "{\"jsonrpc\":\"2.0\",\"method\":\"textDocument/didOpen\",\"params\":"
                           "{\"textDocument\":{\"uri\":\"" + uri + "\",\"languageId\":\"percorso\","
                           "\"version\":1,\"text\":\"";
  const std::string tail = "\"}}}";
  const size_t text_bytes = size_t{100} << 20;
  const std::filesystem::path in = tmp.path() / "input";
  {
    std::ofstream f(in, std::ios::binary);
    f << Frame(kInitialize) << "Content-Length: " << head.size() + text_bytes + tail.size()
      << "\r\n\r\n" << head;
    const std::string chunk(1 << 20, 'x');
    for (size_t i = 0; i < text_bytes / chunk.size(); ++i) f << chunk;
    f << tail
      << Frame(Request(2, "textDocument/hover",
                       {{"textDocument", {{"uri", uri}}}, {"position", {{"line", 0}, {"character", 0}}}}))
      << Frame(kShutdown) << Frame(kExit);
  }
  // The same session without the document, for the server's own peak: it compiles the
  // built-in pair at start, and the sanitizers' shadow memory and quarantine add to it.
  const std::filesystem::path plain = tmp.path() / "plain";
  {
    std::ofstream f(plain, std::ios::binary);
    f << Frame(kInitialize) << Frame(kShutdown) << Frame(kExit);
  }
  ProcessRequest base_req;
  base_req.argv = {"/bin/sh", "-c", "exec \"$0\" lsp < \"$1\"", PERCORSO_EXE, plain.string()};
  const ProcessResult base = RunProcess(base_req);
  ASSERT_EQ(base.status, 0) << base.err;
  ProcessRequest req;
  req.argv = {"/bin/sh", "-c", "exec \"$0\" lsp < \"$1\"", PERCORSO_EXE, in.string()};
  ProcessResult r = RunProcess(req);
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<json> msgs = Messages(r.out);
  ASSERT_EQ(msgs.size(), 4u) << r.out.substr(0, 2000);
  EXPECT_EQ(msgs[1]["method"], "window/showMessage");
  EXPECT_THAT(msgs[1]["params"]["message"].get<std::string>(), HasSubstr("over the limit"));
  EXPECT_EQ(msgs[2]["error"]["code"], -32602);  // never opened
  // The body was read past, not kept: the process grows far less than the document's
  // 100 MB over the session without it.
  EXPECT_LT(r.peak_rss_kb, base.peak_rss_kb + 48 * 1024)
      << "without the document: " << base.peak_rss_kb << " kB";
}

TEST(LspProcessTest, AClientThatGoesAwayEndsTheServerWithStatusOne) {
  TempDir tmp;
  struct Case {
    std::string name;
    std::string input;
    std::string stdout_to;
    std::string err;  // part of the message on standard error, if any
  } cases[] = {
      {"input ends mid-message", Frame(kInitialize) + "Content-Length: 500\r\n\r\n{\"jsonrpc\"", "", ""},
      {"input ends without exit", Frame(kInitialize), "", ""},
      {"output cannot be written", Frame(kInitialize) + Frame(kShutdown) + Frame(kExit), "/dev/full", "gone away"},
      {"unreadable header", Frame(kInitialize) + "Content-Length: many\r\n\r\n{}", "", "unreadable message header"},
  };
  for (const Case& c : cases) {
    ProcessResult r = Serve(tmp, c.input, c.stdout_to);
    EXPECT_EQ(r.status, 1) << c.name << ": " << r.err;
    if (!c.err.empty()) {
      EXPECT_THAT(r.err, HasSubstr(c.err)) << c.name;
    }
  }
}

}  // namespace
}  // namespace percorso
