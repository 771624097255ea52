// The built-in scenario keeps every one of its point items: a station's stop cell is
// written without looking at what stands there, so an item sharing a cell with a stop
// would vanish without any error number. Counting the items in the compiled cell file
// proves that each one has a cell of its own.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "testing/compiled_files.h"
#include "compiler/compile.h"
#include "builtin/builtin_texts.h"

namespace percorso {
namespace {

TEST(BuiltinItems, EveryPointItemHasACellOfItsOwn) {
  Compilation out =
      CompileScenario(SourceText{ReadStatus::kOk, RenderText(LineaRows()), "linea"},
                      SourceText{ReadStatus::kOk, RenderText(TrenoRows()), "treno"},
                      {kBuiltinLineName, kBuiltinTrainNumber});
  ASSERT_EQ(out.verdict, CompileVerdict::kCompiled);
  ASSERT_EQ(out.errors.numero, 0);
  ASSERT_EQ(out.cell_file()->size(), 15u * 2079);

  std::map<int, int> count;
  for (size_t k = 0; k < 2079; ++k) ++count[testing::CellAt(*out.cell_file(), k).tipo];
  EXPECT_EQ(count[1], 42);  // signals
  EXPECT_EQ(count[6], 20);  // speed-board pairs
  EXPECT_EQ(count[14], 3);  // indicator boards
  EXPECT_EQ(count[10], 13); // stop cells: every station of a type below 25
  EXPECT_EQ(count[3], 2);   // slowdown starts
  EXPECT_EQ(count[2], 2);   // slowdown ends
  EXPECT_EQ(count[4], 2);   // warning cells
  EXPECT_EQ(count[5], 0);   // no slowdown asks for approach cells
  EXPECT_EQ(count[13], 0);  // no abbattimento rows in the train data

  // Each stop cell points back at a station slot whose zone ends right after it.
  for (size_t k = 0; k < 2079; ++k) {
    testing::FileCell c = testing::CellAt(*out.cell_file(), k);
    if (c.tipo != 10) continue;
    const LineRecord& slot = out.line_table.slot.at(static_cast<size_t>(c.dato1));
    EXPECT_EQ(slot.fine / 50 - 1, static_cast<int32_t>(k)) << "stop cell " << k;
  }
}

}  // namespace
}  // namespace percorso
