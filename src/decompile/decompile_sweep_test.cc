// The full sweep of generated scenarios, too long for the normal suite: run it with
// `make test-decompile-sweep` (the test is disabled unless asked for by name). A part of
// it runs with PERCORSO_SWEEP_FIRST (the first seed, 1000 by default) and
// PERCORSO_SWEEP_COUNT (how many scenarios, 1000 by default) in the environment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "decompile/compile_call.h"
#include "decompile/decompile.h"
#include "testing/random_scenario.h"

namespace percorso {
namespace {

constexpr int kScenarios = 1000;
constexpr uint32_t kFirstSeed = 1000;

uint32_t FromEnvironment(const char* name, uint32_t fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0' ? static_cast<uint32_t>(std::strtoul(v, nullptr, 10)) : fallback;
}

TEST(DecompileSweep, DISABLED_ThousandGeneratedScenarios) {
  const uint32_t first_seed = FromEnvironment("PERCORSO_SWEEP_FIRST", kFirstSeed);
  const int scenarios = static_cast<int>(FromEnvironment("PERCORSO_SWEEP_COUNT", kScenarios));
  int used = 0, with_plan = 0, long_lines = 0;
  uint32_t seed = first_seed;
  for (; used < scenarios && seed < first_seed + 4 * static_cast<uint32_t>(scenarios); ++seed) {
    RandomScenario r = RandomScenarioMaker(seed).Make();
    const std::string linea_name = "Sweep_" + std::to_string(seed);
    RecompiledFiles first = CompileTexts(linea_name, "3", r.linea, r.treno, r.with_plan);
    if (!first.written || first.error_number != 0) continue;
    ++used;
    with_plan += r.with_plan;
    long_lines += r.line_length >= 500000;
    SCOPED_TRACE("seed " + std::to_string(seed) + ", length " + std::to_string(r.line_length));
    CompiledFiles files{linea_name, "3", first.cell_file, first.line_file, std::nullopt};
    if (first.plan_file) files.plan_file = *first.plan_file;
    Decompiled d = Decompile(files);
    ASSERT_FALSE(d.corrupt.has_value());
    std::string listed;
    for (const Unreproduced& u : d.lost) listed += DescribePlace(u) + ": " + u.why + "\n";
    EXPECT_TRUE(d.exact()) << listed;
    RecompiledFiles second = CompileTexts(linea_name, "3", d.linea, d.treno, r.with_plan);
    EXPECT_EQ(second.error_number, 0);
    EXPECT_TRUE(second.cell_file == first.cell_file);
    EXPECT_TRUE(second.line_file == first.line_file);
    EXPECT_TRUE(second.plan_file == first.plan_file);
  }
  EXPECT_EQ(used, scenarios);
  std::printf("%d scenarios (%d with plan, %d of 500 km or more), seeds %u to %u\n", used,
              with_plan, long_lines, first_seed, seed - 1);
}

}  // namespace
}  // namespace percorso
