// The bridge from texts to the page: the built-in pair draws whole and clean; a broken
// row gives its file, line, column, code and quoted line; texts that cannot be read or
// converted are named with the reason.
#include "serve/page_compile.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "builtin/builtin_texts.h"
#include "model/line_list.h"
#include "testing/text_lines.h"

namespace percorso {
namespace {

PageInput BuiltinInput() {
  PageInput in;
  in.linea = "Valdoro_Ostrano";
  in.treno = "55";
  in.linea_text = BufferText("Valdoro_Ostrano_linea.txt", "routes/Valdoro_Ostrano_linea.txt",
                             RenderText(LineaRows()));
  in.treno_text = BufferText("Valdoro_Ostrano_55-.txt", "routes/Valdoro_Ostrano_55-.txt",
                             RenderText(TrenoRows()));
  in.scenario_name = "routes/Valdoro_Ostrano_55.dat";
  return in;
}

// Replaces the first `from` in `text` by `to`; returns the 1-based line it was on.
int ReplaceOnce(std::string& text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at == std::string::npos) return 0;
  text.replace(at, from.size(), to);
  return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
}

TEST(PageCompileTest, BuiltinPairDrawsWholeWithoutDiagnostics) {
  PageBuild b = CompilePage(BuiltinInput());
  EXPECT_TRUE(b.diagnostics.empty());
  EXPECT_TRUE(b.complete);
  ASSERT_TRUE(b.drawing.has_value());
  EXPECT_EQ(b.title, "Valdoro_Ostrano · train 55");
  // Stations of the train text, the map's track and the profile are all drawn.
  for (const char* part : {"PIANOSCURO", "MOLVENTA", "id=\"map-track\"", "id=\"speed-limit\""}) {
    EXPECT_NE(b.drawing->find(part), std::string::npos) << part;
  }
}

TEST(PageCompileTest, BrokenRowIsPlacedAndStopsTheDrawing) {
  PageInput in = BuiltinInput();
  // A station must stand on a multiple of 50 m.
  const std::string row = "stazione,    6700, 12,  400,";
  const int line = ReplaceOnce(*in.treno_text.bytes, row, "stazione,    6710, 12,  400,");
  ASSERT_GT(line, 0);
  PageBuild b = CompilePage(in);
  ASSERT_EQ(b.diagnostics.size(), 1u);
  const PageDiagnostic& d = b.diagnostics[0];
  EXPECT_EQ(d.severity, Severity::kError);
  EXPECT_EQ(d.code, "8");
  EXPECT_EQ(d.file, "routes/Valdoro_Ostrano_55-.txt");
  EXPECT_EQ(d.line, line);
  // The column of the position field, the one at fault.
  EXPECT_EQ(d.column, static_cast<int>(std::string("stazione,    ").size()) + 1);
  EXPECT_NE(d.message.find("50"), std::string::npos) << d.message;
  EXPECT_EQ(d.source_line.substr(0, 17), "stazione,    6710");
  EXPECT_FALSE(b.complete);
}

TEST(PageCompileTest, UnreadableAndUnconvertibleTextsAreNamed) {
  {
    PageInput in = BuiltinInput();
    in.linea_text.bytes.reset();
    in.linea_text.read_error = "Permission denied";
    PageBuild b = CompilePage(in);
    ASSERT_FALSE(b.diagnostics.empty());
    EXPECT_EQ(b.diagnostics[0].file, "routes/Valdoro_Ostrano_linea.txt");
    EXPECT_NE(b.diagnostics[0].message.find("Permission denied"), std::string::npos)
        << b.diagnostics[0].message;
    EXPECT_FALSE(b.complete);
  }
  {
    // UTF-8 (it holds "è") with a character Windows-1252 lacks, on line 3, column 5.
    PageInput in = BuiltinInput();
    std::string& text = *in.treno_text.bytes;
    size_t third = text.find('\n', text.find('\n') + 1) + 1;
    text.insert(third, "\xC3\xA8\xE2\x82\xAC\xE2\x86\x92 ");  // "è€→ "
    text.insert(third, "abc");
    PageBuild b = CompilePage(in);
    ASSERT_FALSE(b.diagnostics.empty());
    const PageDiagnostic& d = b.diagnostics[0];
    EXPECT_EQ(d.code, "25");
    EXPECT_EQ(d.file, "routes/Valdoro_Ostrano_55-.txt");
    EXPECT_EQ(d.line, 3);
    EXPECT_EQ(d.column, 6);  // a, b, c, è, € convert; → does not
    EXPECT_EQ(d.source_line.substr(0, 12), "abc\xC3\xA8\xE2\x82\xAC\xE2\x86\x92 ");
  }
}

}  // namespace
}  // namespace percorso
