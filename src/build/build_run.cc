#include "build/build_run.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "build/form1.h"
#include "documents/crew_documents.h"
#include "scenario/builtin_texts.h"

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
  Form1 form;
  // The waiting window of a desktop build is a console line here.
  out << "Attendere" << std::endl;

  using Writer = std::optional<IoError> (*)(const std::filesystem::path&, const std::string&,
                                            const std::string&);
  auto linea = [](const std::filesystem::path& d, const std::string& l, const std::string&) {
    return dati_linea(d, l);
  };
  const Writer writers[] = {linea, dati_treno, dati_note, dati_rallentamenti, dati_scheda};
  for (Writer w : writers) {
    if (std::optional<IoError> e = w(dir, form.nome_linea, form.numero_treno)) {
      err << "percorso: " << e->Message() << std::endl;
      return 3;
    }
  }
  // Next step of the run: memorizza_percorso(1) compiles the two texts just written.
  return 0;
}

}  // namespace percorso
