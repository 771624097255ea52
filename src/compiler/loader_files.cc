#include "compiler/loader_files.h"

#include <utility>

#include "builtin/builtin_texts.h"

namespace percorso {

namespace {

SourceText ReadSource(const std::filesystem::path& dir, const std::string& name) {
  ReadResult r = ReadWholeFile(dir / name);
  SourceText t;
  t.status = r.status;
  t.bytes = std::move(r.bytes);
  t.name = name;
  return t;
}

}  // namespace

LoadFilesResult LoadFromDirectory(const std::filesystem::path& dir, const std::string& nome_linea,
                                  const std::string& numero_treno, int32_t flag_costruzione,
                                  const LoaderState& st, const LoadFilesOptions& options) {
  const SourceText linea = ReadSource(dir, LineaFileName(nome_linea));
  const SourceText treno = ReadSource(dir, TrenoFileName(nome_linea, numero_treno));
  LoadFilesResult result;
  result.deletions = memorizza_dati({linea, treno, nome_linea, numero_treno, flag_costruzione}, st);
  if (!options.delete_texts) return result;

  const std::pair<bool, const SourceText*> texts[] = {{result.deletions.linea, &linea},
                                                      {result.deletions.treno, &treno}};
  for (const auto& [wanted, text] : texts) {
    if (!wanted) continue;
    std::optional<IoError> e = RemoveFile(dir / text->name);
    if (!e) continue;
    Diagnostic d;
    d.numero = 25;
    d.origin = text == &linea ? ErrorOrigin::kLineText : ErrorOrigin::kTrainText;
    d.detail = e->Message();
    st.errore.Record(d);
    if (!result.io_error) result.io_error = std::move(e);
  }
  return result;
}

}  // namespace percorso
