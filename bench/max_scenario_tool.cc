// percorso_maxscenario: writes the maximal scenario's two texts into a directory, or
// compiles the pair of texts found there (without deleting them) the way the build run
// does. Used by the whole-process comparison of `make bench-run`.
//
//   percorso_maxscenario write DIR [LENGTH]
//   percorso_maxscenario compile DIR
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string>

#include "base/file_io.h"
#include "compiler/compile.h"
#include "builtin/builtin_texts.h"
#include "testing/max_scenario.h"
#include "model/names.h"

namespace {

int Usage() {
  std::cerr << "usage: percorso_maxscenario write DIR [LENGTH]\n"
               "       percorso_maxscenario compile DIR\n";
  return 2;
}

int Write(const std::filesystem::path& dir, int32_t length) {
  using namespace percorso;
  MaxScenario s = MakeMaxScenario(length);
  const std::string linea = LineaFileName(kMaxScenarioLineName);
  const std::string treno = TrenoFileName(kMaxScenarioLineName, kMaxScenarioTrainNumber);
  for (auto [name, bytes] : {std::pair{linea, &s.linea}, std::pair{treno, &s.treno}}) {
    if (auto e = ReplaceFile(dir / name, *bytes)) {
      std::cerr << e->Message() << "\n";
      return 3;
    }
  }
  return 0;
}

int Compile(const std::filesystem::path& dir) {
  using namespace percorso;
  const std::string linea = kMaxScenarioLineName;
  const std::string treno = kMaxScenarioTrainNumber;
  const Compilation c =
      CompileScenario(ReadSourceText(dir, LineaFileName(linea)),
                      ReadSourceText(dir, TrenoFileName(linea, treno)), {linea, treno});
  if (c.verdict == CompileVerdict::kCompiled) {
    if (WrittenFiles w = WriteCompiledFiles(dir, c); w.io_error) {
      std::cerr << w.io_error->Message() << "\n";
      return 3;
    }
  }
  if (c.verdict != CompileVerdict::kCompiled || c.errors.numero != 0) {
    std::cerr << "error " << c.errors.numero << " at " << c.errors.posizione << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  if (command == "write" && argc <= 4) {
    const long length = argc == 4 ? std::strtol(argv[3], nullptr, 10)
                                  : percorso::kMaxScenarioLength;
    // The generator clamps the length to the lengths it supports.
    return Write(argv[2], static_cast<int32_t>(std::clamp<long>(length, 0, 1000000)));
  }
  if (command == "compile" && argc == 3) return Compile(argv[2]);
  return Usage();
}
