#include "inspect/dump.h"

#include <gtest/gtest.h>

#include "testing/test_scenario.h"

namespace percorso {
namespace {

TEST(DumpTest, KindFollowsTheFileName) {
  EXPECT_EQ(KindOfFileName("Valdoro_Ostrano_linea.dat"), CompiledKind::kPlan);
  EXPECT_EQ(KindOfFileName("X_LINEA.DAT"), CompiledKind::kPlan);
  EXPECT_EQ(KindOfFileName("Valdoro_Ostrano_55.sim"), CompiledKind::kLine);
  EXPECT_EQ(KindOfFileName("Valdoro_Ostrano_55.dat"), CompiledKind::kCells);
  EXPECT_EQ(KindOfFileName("linea.dat"), CompiledKind::kCells);  // no "_linea.dat" ending
  EXPECT_EQ(KindOfFileName("notes.txt"), CompiledKind::kUnknown);
}

// The description is a value: the text of a sound file, or the fault of a broken one
// with no text at all, so that nothing half-described is ever shown.
TEST(DumpTest, SoundBytesGiveTheTextAndBrokenBytesOnlyTheFault) {
  const ScenarioFiles f = SmallScenario();
  const DumpedFile sound = DumpCompiledBytes(CompiledKind::kLine, f.line, "P_7.sim", {});
  ASSERT_TRUE(sound.ok()) << sound.fault->Describe();
  EXPECT_EQ(sound.text.rfind("# line file P_7.sim: 87 slots (0..86)\n", 0), 0u) << sound.text;

  const DumpedFile broken =
      DumpCompiledBytes(CompiledKind::kLine, f.line.substr(0, 100), "P_7.sim", {true, true});
  ASSERT_FALSE(broken.ok());
  EXPECT_EQ(broken.fault->offset, 100u);
  EXPECT_EQ(broken.text, "");

  EXPECT_FALSE(DumpCompiledBytes(CompiledKind::kUnknown, f.line, "P_7.txt", {}).ok());
}

}  // namespace
}  // namespace percorso
