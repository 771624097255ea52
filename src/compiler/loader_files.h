// The loader over a directory: reads the line description and the train data text of
// a line and a train, loads them, and deletes the texts the load deletes, unless told
// to keep them (a route author's own texts are never deleted).
#ifndef PERCORSO_COMPILER_LOADER_FILES_H_
#define PERCORSO_COMPILER_LOADER_FILES_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "base/file_io.h"
#include "compiler/loader.h"

namespace percorso {

struct LoadFilesOptions {
  bool delete_texts = true;  // false: the texts stay as they are, whatever the load says
};

struct LoadFilesResult {
  LoaderDeletions deletions;        // the texts the load deletes (deleted when asked to)
  std::optional<IoError> io_error;  // the first text that could not be deleted
};

// Reads <dir>/<nome_linea>_linea.txt and <dir>/<nome_linea>_<numero_treno>-.txt, runs
// LoadTexts with them and deletes what it says. A text that cannot be deleted is
// error 25 (position unchanged); the other one is still deleted.
LoadFilesResult LoadFromDirectory(const std::filesystem::path& dir, const std::string& nome_linea,
                                  const std::string& numero_treno, bool with_plan,
                                  const LoaderState& st, const LoadFilesOptions& options = {});

// Reads one text of `dir`: a missing or unreadable text is the load's to report.
SourceText ReadSourceText(const std::filesystem::path& dir, const std::string& name);

// Deletes from `dir` the texts the load deletes. A text that cannot be deleted is error 25
// (position unchanged) in `errore`; the other one is still deleted. Returns the first
// failure.
std::optional<IoError> DeleteLoadedTexts(const std::filesystem::path& dir,
                                         const LoaderDeletions& deletions, const SourceText& linea,
                                         const SourceText& treno, ErrorState& errore);

}  // namespace percorso

#endif  // PERCORSO_COMPILER_LOADER_FILES_H_
