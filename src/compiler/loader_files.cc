#include "compiler/loader_files.h"

#include <utility>

#include "builtin/builtin_texts.h"
#include "model/names.h"
#include "model/file_limits.h"

namespace percorso {

SourceText ReadSourceText(const std::filesystem::path& dir, const std::string& name) {
  ReadResult r = ReadWholeFile(dir / name, kMaxTextBytes);
  SourceText t;
  t.status = r.status;
  t.bytes = std::move(r.bytes);
  t.name = name;
  return t;
}

std::optional<IoError> DeleteLoadedTexts(const std::filesystem::path& dir,
                                         const LoaderDeletions& deletions, const SourceText& linea,
                                         const SourceText& treno, ErrorState& errore) {
  std::optional<IoError> first;
  const std::pair<bool, const SourceText*> texts[] = {{deletions.linea, &linea},
                                                      {deletions.treno, &treno}};
  for (const auto& [wanted, text] : texts) {
    if (!wanted) continue;
    std::optional<IoError> e = RemoveFile(dir / text->name);
    if (!e) continue;
    Diagnostic d;
    d.numero = 25;
    d.origin = text == &linea ? ErrorOrigin::kLineText : ErrorOrigin::kTrainText;
    d.detail = e->Message();
    errore.Record(d);
    if (!first) first = std::move(e);
  }
  return first;
}

LoadFilesResult LoadFromDirectory(const std::filesystem::path& dir, const std::string& nome_linea,
                                  const std::string& numero_treno, bool with_plan,
                                  const LoaderState& st, const LoadFilesOptions& options) {
  const SourceText linea = ReadSourceText(dir, LineaFileName(nome_linea));
  const SourceText treno = ReadSourceText(dir, TrenoFileName(nome_linea, numero_treno));
  LoadFilesResult result;
  result.deletions = LoadTexts({linea, treno, nome_linea, numero_treno, with_plan}, st);
  if (options.delete_texts) {
    result.io_error = DeleteLoadedTexts(dir, result.deletions, linea, treno, st.errors);
  }
  return result;
}

}  // namespace percorso
