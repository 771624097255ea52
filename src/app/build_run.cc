#include "app/build_run.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "model/error_meanings.h"
#include "base/file_io.h"
#include "builtin/crew_documents.h"
#include "compiler/compile.h"
#include "builtin/builtin_texts.h"
#include "model/names.h"

namespace percorso {

namespace {

// What the built-in compile holds at its peak: the grid (16 bytes a cell), the plan's
// two arrays of doubles, the plan file and the cell file, for the 103 901 places of the
// built-in line, about 7 MB; and a little room for the rest.
constexpr size_t kBuildRunHeapBytes = size_t{8} << 20;

// Fresh memory is made present one page at a time, each on its first touch, and on this
// kind of virtual machine a page fault costs more than writing the page: faulting the
// compile's 7 MB in page by page cost more than all the run's file operations. So the
// heap is grown once, its pages are made present in one call, and it is kept: large
// blocks come from the heap instead of mappings of their own, and a freed block stays in
// the heap for the next one. Best effort: a kernel without MADV_POPULATE_WRITE (before
// Linux 5.14) refuses it and the pages come one at a time as before.
void PrepareHeap(size_t bytes) {
  ::mallopt(M_MMAP_THRESHOLD, static_cast<int>(2 * bytes));
  ::mallopt(M_TRIM_THRESHOLD, static_cast<int>(4 * bytes));
  void* block = std::malloc(bytes);
  if (block == nullptr) return;
  const uintptr_t page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + page - 1) & ~(page - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(page - 1);
  if (end > begin) {
    ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
  }
  std::free(block);
}

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
  PrepareHeap(kBuildRunHeapBytes);
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
  if (compiled.errore.numero != 0) err << DescribeErrorState(compiled.errore) << std::endl;
  return 0;
}

}  // namespace percorso
