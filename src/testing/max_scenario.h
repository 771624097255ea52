// A maximal scenario: the two source texts of a line of a given length loaded as densely
// as the grammar and the compiler allow, for stress tests and benchmarks.
//
// What it holds, for a line of L metres (grid cells 0 to N, N = round((L + 7000) / 50)):
// - a gradient row and a speed row on every cell that a row may name (cells 0 to N - 2);
// - curves over four fifths of the line, in rising order, all ending before plan point
//   1 000 000 and well before the last computed point;
// - up to 80 montagna spans (the most the span list keeps), some with span markers and
//   some starting 100 m after the previous one;
// - a repeating block of 40 cells (2000 m) in which every cell holds an item or is a cell
//   that the signal-protection pass needs free: one slowdown with its warning and
//   approach cells, 21 signals, 4 speed-board pairs and an abbattimento point;
// - stations and indicator boards filling the 78 slots they share.
//
// The texts are Windows-1252 bytes with CR LF line ends, as the loader reads them, and
// compile with error 0 for every length from kMinMaxScenarioLength to 1 000 000.
#ifndef PERCORSO_TESTING_MAX_SCENARIO_H_
#define PERCORSO_TESTING_MAX_SCENARIO_H_

#include <cstdint>
#include <string>

namespace percorso {

inline constexpr int32_t kMaxScenarioLength = 1000000;
inline constexpr int32_t kMinMaxScenarioLength = 10000;
inline constexpr const char* kMaxScenarioLineName = "Linea_Massima";
inline constexpr const char* kMaxScenarioTrainNumber = "999";

// How many of each item the texts place, so that a compiled model can be checked.
struct MaxScenarioCounts {
  int32_t blocks = 0;          // 2000 m blocks, one slowdown each
  int32_t signals = 0;         // cells of tipo 1
  int32_t slowdowns = 0;       // each: one cell of tipo 2, 3 and 4, four of tipo 5
  int32_t slow_slowdowns = 0;  // slowdowns below 110 km/h
  int32_t speed_boards = 0;    // cells of tipo 6
  int32_t stations = 0;        // stop cells of tipo 10, slots 1 up
  int32_t boards = 0;          // cells of tipo 14, slots 80 down
  int32_t abbattimenti = 0;    // abbattimento points (value 200)
  int32_t montagna_spans = 0;
  int32_t curves = 0;
};

struct MaxScenario {
  int32_t line_length = 0;
  std::string linea;  // the line description text
  std::string treno;  // the train data text
  MaxScenarioCounts counts;
};

// The texts for a line of `line_length` metres, clamped to kMinMaxScenarioLength ..
// kMaxScenarioLength.
MaxScenario MakeMaxScenario(int32_t line_length = kMaxScenarioLength);

// The gradient (per mille) and the speed limit (km/h) the texts set from cell `cell` on.
int32_t MaxScenarioGradient(int32_t cell);
int32_t MaxScenarioSpeed(int32_t cell);

}  // namespace percorso

#endif  // PERCORSO_TESTING_MAX_SCENARIO_H_
