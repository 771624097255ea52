#include "app/build_run.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "model/error_meanings.h"
#include "base/file_io.h"
#include "builtin/crew_documents.h"
#include "compiler/compile.h"
#include "builtin/builtin_texts.h"

namespace percorso {

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
  // The waiting window of a desktop build is a console line here.
  out << "Attendere" << std::endl;

  using Writer = std::optional<IoError> (*)(const std::filesystem::path&, const std::string&,
                                            const std::string&);
  auto linea = [](const std::filesystem::path& d, const std::string& l, const std::string&) {
    return dati_linea(d, l);
  };
  const Writer writers[] = {linea, dati_treno, dati_note, dati_rallentamenti, dati_scheda};
  for (Writer w : writers) {
    if (std::optional<IoError> e = w(dir, nome_linea, numero_treno)) {
      err << "percorso: " << e->Message() << std::endl;
      return 3;
    }
  }

  // Compile the two texts just written (deleting them) into the three compiled files.
  CompileSettings settings{nome_linea, numero_treno, PlanChoice::kWithPlan, dir};
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
  if (compiled.errore.numero != 0) err << DescribeErrorState(compiled.errore) << std::endl;
  return 0;
}

}  // namespace percorso
