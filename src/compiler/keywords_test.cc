// The spellings of compiler/keywords.h are what the decompiler writes: each keyword must
// be read as its own row, and no section header may be read as a row.
#include "compiler/keywords.h"

#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "builtin/builtin_texts.h"
#include "compiler/compile.h"
#include "compiler/plan_geometry.h"
#include "compiler/row_schema.h"
#include "model/line_list.h"

namespace percorso {
namespace {

// The spellings the row table does not list: each is read as the row of `as`.
TEST(KeywordSpellings, SpellingsBesideTheRowTableReadAsTheirRow) {
  struct Case {
    TextKind text;
    Section section;
    std::string spelling;
    std::string_view as;
  };
  const Case cases[] = {
      {TextKind::kLinea, Section::kGeneral, std::string(keyword::kRipetizione9Codici),
       keyword::kRipetizione4Codici},
      {TextKind::kLinea, Section::kBody, std::string(keyword::kCurvaD) + "1", "curvad4"},
      {TextKind::kLinea, Section::kBody, std::string(keyword::kCurvaS) + "6", "curvad4"},
  };
  for (const Case& c : cases) {
    const RowSchema* row = MatchRow(c.text, c.section, c.spelling);
    ASSERT_NE(row, nullptr) << c.spelling;
    EXPECT_EQ(row->keyword, c.as) << c.spelling;
  }
  // The two curve words turn opposite ways.
  EXPECT_GT(CurvatureOf(std::string(keyword::kCurvaD) + "3").value_or(0), 0);
  EXPECT_LT(CurvatureOf(std::string(keyword::kCurvaS) + "3").value_or(0), 0);
}

// The spelling for 9 codes gives 9 codes: the built-in line with its repetition row
// written that way.
TEST(KeywordSpellings, NineCodesSpellingGivesNineCodes) {
  std::string linea = RenderText(LineaRows());
  const size_t at = linea.find(keyword::kRipetizione4Codici);
  ASSERT_NE(at, std::string::npos);
  linea.replace(at, keyword::kRipetizione4Codici.size(), keyword::kRipetizione9Codici);
  const SourceText l{ReadStatus::kOk, linea, "R_linea.txt"};
  const SourceText t{ReadStatus::kOk, RenderText(TrenoRows()), "R_1-.txt"};
  const Compilation c = CompileScenario(l, t, {"R", "1", PlanChoice::kWithoutPlan});
  ASSERT_EQ(c.verdict, CompileVerdict::kCompiled);
  EXPECT_EQ(c.line_table.slot[kTrainIdentitySlot].posizione, 9);
}

// A header ends the general section and is read as no row in any part of either text.
TEST(KeywordSpellings, HeadersAreReadAsNoRow) {
  const std::string_view headers[] = {
      header::kGenerale, header::kCurve,         header::kPendenze, header::kMontagne,
      header::kCartelli, header::kIndicazioni,   header::kAderenze, header::kVelLimite,
      header::kStazioni, header::kRallentamenti, header::kSegnali,  header::kAbbattimenti,
      header::kCodici,   header::kFine};
  for (std::string_view h : headers) {
    EXPECT_TRUE(IsSectionHeader(h)) << h;
    EXPECT_EQ(MatchRow(TextKind::kLinea, Section::kGeneral, h), nullptr) << h;
    EXPECT_EQ(MatchRow(TextKind::kLinea, Section::kBody, h), nullptr) << h;
    EXPECT_EQ(MatchRow(TextKind::kTreno, Section::kBody, h), nullptr) << h;
  }
}

}  // namespace
}  // namespace percorso
