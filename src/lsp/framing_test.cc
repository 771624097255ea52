#include "lsp/framing.h"

#include <gtest/gtest.h>

#include <sstream>

namespace percorso::lsp {
namespace {

TEST(FramingTest, ReadsMessagesOneAfterAnother) {
  std::istringstream in(EncodeFrame("{\"a\":1}") +
                        "content-length: 2\r\nContent-Type: application/vscode-jsonrpc; charset=utf-8\r\n\r\n{}" +
                        "Content-Length:  3 \n\n[1]");
  Frame a = ReadFrame(in), b = ReadFrame(in), c = ReadFrame(in), end = ReadFrame(in);
  EXPECT_EQ(a.status, FrameStatus::kMessage);
  EXPECT_EQ(a.body, "{\"a\":1}");
  EXPECT_EQ(b.status, FrameStatus::kMessage);
  EXPECT_EQ(b.body, "{}");
  EXPECT_EQ(c.status, FrameStatus::kMessage);
  EXPECT_EQ(c.body, "[1]");
  EXPECT_EQ(end.status, FrameStatus::kEnd);
}

TEST(FramingTest, BadHeadersAreMalformedAndCutInputIsTheEnd) {
  struct Case {
    std::string input;
    FrameStatus status;
  } cases[] = {
      {"Content-Type: x\r\n\r\n{}", FrameStatus::kMalformed},          // no length
      {"Content-Length: -2\r\n\r\n{}", FrameStatus::kMalformed},
      {"Content-Length: 99999999999999999999\r\n\r\n", FrameStatus::kMalformed},
      {"Content-Length 2\r\n\r\n{}", FrameStatus::kMalformed},          // no colon
      {"Content-Length: " + std::string(2000, '1') + "\r\n", FrameStatus::kMalformed},
      {std::string(40, 'X') + ": y\r\n", FrameStatus::kMalformed},      // not yet too many
      {"Content-Length: 10\r\n\r\n{}", FrameStatus::kEnd},              // body cut short
      {"Content-Length: 10\r\n", FrameStatus::kEnd},                    // header cut short
      {"", FrameStatus::kEnd},
  };
  cases[5].input.clear();
  for (int i = 0; i < 40; ++i) cases[5].input += "X-Header: y\r\n";  // too many lines
  for (const Case& c : cases) {
    std::istringstream in(c.input);
    EXPECT_EQ(ReadFrame(in).status, c.status) << c.input.substr(0, 60);
  }
}

TEST(FramingTest, AnOversizedMessageIsSkippedAndTheNextOneRead) {
  std::istringstream in("Content-Length: 100\r\n\r\n" + std::string(100, 'x') + EncodeFrame("{}"));
  Frame big = ReadFrame(in, 50);
  EXPECT_EQ(big.status, FrameStatus::kTooLarge);
  EXPECT_EQ(big.declared, 100u);
  EXPECT_TRUE(big.body.empty());
  Frame next = ReadFrame(in, 50);
  EXPECT_EQ(next.status, FrameStatus::kMessage);
  EXPECT_EQ(next.body, "{}");
}

}  // namespace
}  // namespace percorso::lsp
