// Inputs shared by the benchmarks, built once per process: the built-in texts and the
// maximal scenario's texts for a few line lengths.
#ifndef PERCORSO_BENCH_BENCH_INPUTS_H_
#define PERCORSO_BENCH_BENCH_INPUTS_H_

#include <cstdint>
#include <string>

#include "compiler/compile.h"
#include "compiler/loader.h"

namespace percorso::bench {

struct TextPair {
  std::string nome_linea;
  std::string numero_treno;
  SourceText linea;
  SourceText treno;
};

// The built-in line and train, as the build run writes them.
const TextPair& BuiltinTexts();
// The maximal scenario for a line of `line_length` metres (cached per length).
const TextPair& MaxTexts(int32_t line_length);

// The settings that compile `texts` with the plan.
CompileSettings SettingsOf(const TextPair& texts);

// `texts` compiled with the plan; aborts the benchmark binary when the compile records
// an error, so that no figure is ever measured on a failed compile.
Compilation CompileOrDie(const TextPair& texts);

}  // namespace percorso::bench

#endif  // PERCORSO_BENCH_BENCH_INPUTS_H_
