#include "app/build_run.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "base/file_io.h"
#include "base/heap.h"
#include "builtin/builtin_texts.h"
#include "builtin/crew_documents.h"
#include "compiler/compile.h"
#include "model/error_meanings.h"
#include "model/names.h"

namespace percorso {

namespace {

// What the built-in compile holds at its peak: the grid (16 bytes a cell), the plan's
// two arrays of doubles, the plan file and the cell file, for the 103 901 places of the
// built-in line, about 7 MB; and a little room for the rest.
constexpr size_t kBuildRunHeapBytes = size_t{8} << 20;

}  // namespace

void errore(std::string_view a) {
  std::fflush(stdout);
  std::string text = " Errore n. ";
  text.append(a);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
  std::_Exit(3);
}

int RunBuild(const std::filesystem::path& dir, std::ostream& out, std::ostream& err) {
  const std::string nome_linea = kBuiltinLineName;
  const std::string numero_treno = kBuiltinTrainNumber;
  // One build run at a time in a directory: the texts it writes are read back and deleted.
  DirectoryLock lock(dir);
  if (lock.error()) {
    // Unlocked, the run still works alone; a second run started meanwhile could read its
    // texts half-written, which the author should know.
    err << "percorso: " << lock.error()->Message() << "; going on without the lock" << std::endl;
  }
  PrepareHeap(kBuildRunHeapBytes, HeapPages::kPresentNow);
  // The waiting window of a desktop build is a console line here.
  out << "Attendere" << std::endl;

  using Writer = std::optional<IoError> (*)(const std::filesystem::path&, const std::string&,
                                            const std::string&);
  auto linea = [](const std::filesystem::path& d, const std::string& l, const std::string&) {
    return WriteLineText(d, l);
  };
  const Writer writers[] = {linea, WriteTrainText, WriteNoteDocument, WriteRallentamentiDocument,
                            WriteSchedaDocument};
  for (Writer w : writers) {
    if (std::optional<IoError> e = w(dir, nome_linea, numero_treno)) {
      err << "percorso: " << e->Message() << std::endl;
      return 3;
    }
  }

  // Compile the two texts just written (deleting them) into the three compiled files.
  // The build run shows no warnings, so it does not look for them.
  CompileSettings settings{nome_linea, numero_treno, PlanChoice::kWithPlan, dir,
                           WarningChoice::kSkip};
  const Compilation compiled =
      CompileScenario(ReadSourceText(dir, LineaFileName(nome_linea)),
                      ReadSourceText(dir, TrenoFileName(nome_linea, numero_treno)), settings);
  if (compiled.verdict == CompileVerdict::kCompiled) {
    WrittenFiles result = WriteCompiledFiles(dir, compiled);
    if (result.io_error) {
      err << "percorso: " << result.io_error->Message() << std::endl;
      return 3;
    }
  }
  switch (compiled.verdict) {
    case CompileVerdict::kReserved1250:
      errore("1250");
    case CompileVerdict::kReserved1251:
      errore("1251");
    case CompileVerdict::kNoGrid:
      err << "percorso: nothing was compiled: the load stopped before the line length was read"
          << std::endl;
      break;
    case CompileVerdict::kCompiled:
      break;
  }
  // The run has ended normally and written its files; a recorded error is reported but
  // does not change the exit status.
  if (compiled.errors.numero != 0) err << DescribeErrorState(compiled.errors) << std::endl;
  return 0;
}

}  // namespace percorso
