// Test helpers: a small compiled scenario filled by hand, and the built-in one compiled
// in memory, each as the bytes of its three files.
#ifndef PERCORSO_TESTING_TEST_SCENARIO_H_
#define PERCORSO_TESTING_TEST_SCENARIO_H_

#include <string>

#include "compiler/compile.h"
#include "builtin/builtin_texts.h"
#include "format/cell_file.h"
#include "format/line_file.h"
#include "format/plan_file.h"
#include "model/names.h"
#include "testing/max_scenario.h"

namespace percorso {

struct ScenarioFiles {
  std::string cells;
  std::string line;
  std::string plan;
};

// A 3 km line: two stations, one board, a signal, a slowdown, a montagna span, a curve
// and a climb, with texts that need converting and escaping.
inline ScenarioFiles SmallScenario() {
  const int32_t length = 3000;
  CellGrid grid;
  grid.Create(length);  // cells 0..200
  for (int32_t k = 0; k <= grid.upper(); ++k) {
    TrackCell& c = grid.at(k);
    c.velocita = k < 20 ? 12 : 24;                 // 60 then 120 km/h
    c.pendenza = k >= 10 && k < 30 ? 110 : 100;  // +10 per mille over 1 km
    c.aderenza = 100;
  }
  TrackCell& signal = grid.at(25);
  signal.tipo = 1;
  signal.dato1 = 41;
  signal.dato4 = -4;
  grid.at(30).tipo = 3;
  grid.at(30).dato1 = 30;
  grid.at(34).tipo = 2;
  grid.at(34).dato1 = 30;
  grid.at(12).tipo = 14;
  grid.at(12).dato1 = 80;
  grid.at(8).tipo = 10;
  grid.at(8).dato1 = 1;
  grid.at(58).tipo = 10;
  grid.at(58).dato1 = 2;
  for (int k = 40; k < 44; ++k) grid.at(k).montagna = 2;
  grid.at(1).dato1 = 5121;
  grid.at(1).dato2 = 2222;

  LineTable table;
  table.Clear();
  LineRecord& first = table.slot[1];
  first.tipo = 2;
  first.inizio = -50;
  first.fine = 450;
  first.posizione = 200;
  first.nome = "ALPHA";
  first.orario = 14 * 3600 + 46 * 60;
  LineRecord& second = table.slot[2];
  second.tipo = 5;
  second.inizio = 2500;
  second.fine = 3150;
  second.posizione = 3000;
  second.nome = "B<&>\xE8 \"Q\"";  // Windows-1252 e grave
  second.valore3 = -7;
  table.slot[80].nome = "( GALLERIA)(  TEST  )";
  table.slot[83] = LineRecord{};
  table.slot[81].fine = 3100;
  table.slot[81].posizione = 1;
  table.slot[84].inizio = 135;
  table.slot[84].fine = length;
  table.slot[84].posizione = 12;
  table.slot[85].nome = "Piccola";
  table.slot[85].valore1 = 610;
  table.slot[85].orario = 33333;
  table.slot[86].nome = "7";
  table.slot[86].valore1 = 300;
  table.slot[86].valore3 = 14;
  table.slot[86].valore4 = 45;
  table.slot[86].valore5 = 20;

  TrackPlan plan;
  plan.Create(length);  // points 0..10000
  plan.Start();
  // Straight to 1000 m, then turning right by 0.001 rad a metre for 500 m, then straight.
  while (plan.next() <= plan.upper() - 2) {
    int64_t j = plan.next();
    double dx = plan.x(j - 1) - plan.x(j - 2), dy = plan.y(j - 1) - plan.y(j - 2);
    double k = j > 1000 && j <= 1500 ? 0.001 : 0.0;
    plan.Append(plan.x(j - 1) + dx + k * dy, plan.y(j - 1) + dy - k * dx);
  }
  return ScenarioFiles{EncodeCellFile(grid), EncodeLineFile(table), EncodePlanFile(plan)};
}

// The built-in scenario compiled in memory, as the build run compiles it.
inline ScenarioFiles BuiltinScenario() {
  SourceText linea{ReadStatus::kOk, RenderText(LineaRows()), LineaFileName(kBuiltinLineName)};
  SourceText treno{ReadStatus::kOk, RenderText(TrenoRows()),
                   TrenoFileName(kBuiltinLineName, kBuiltinTrainNumber)};
  Compilation c = CompileScenario(linea, treno, {kBuiltinLineName, kBuiltinTrainNumber});
  return ScenarioFiles{*c.cell_file(), *c.line_file(), *c.plan_file()};
}

// The maximal scenario of a line of `length` metres compiled in memory, with its plan.
inline ScenarioFiles MaxScenarioFiles(int32_t length = kMaxScenarioLength) {
  const MaxScenario m = MakeMaxScenario(length);
  SourceText linea{ReadStatus::kOk, m.linea, LineaFileName(kMaxScenarioLineName)};
  SourceText treno{ReadStatus::kOk, m.treno,
                   TrenoFileName(kMaxScenarioLineName, kMaxScenarioTrainNumber)};
  Compilation c = CompileScenario(linea, treno, {kMaxScenarioLineName, kMaxScenarioTrainNumber});
  return ScenarioFiles{*c.cell_file(), *c.line_file(), *c.plan_file()};
}

}  // namespace percorso

#endif  // PERCORSO_TESTING_TEST_SCENARIO_H_
