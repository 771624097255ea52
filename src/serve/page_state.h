// The preview's pair of texts and the page made from them: each Recompile reads the two
// texts from disk, compiles them in memory and renders the page, and says in one line
// how long that took and what came out.
#ifndef PERCORSO_SERVE_PAGE_STATE_H_
#define PERCORSO_SERVE_PAGE_STATE_H_

#include <filesystem>
#include <memory>
#include <string>

#include "serve/live_page.h"

namespace percorso {

struct PairFiles {
  std::filesystem::path dir;
  std::string linea;  // NAME: the texts are NAME_linea.txt and NAME_NUMBER-.txt
  std::string treno;  // NUMBER
};

class PageState {
 public:
  explicit PageState(PairFiles files);

  struct Outcome {
    std::shared_ptr<const PageSnapshot> page;
    // "13:04:05 compiled in 1.8 ms: no error", or with the count of errors and the first.
    std::string log_line;
  };
  Outcome Recompile();

  // The names of the two texts in the directory.
  std::string linea_file() const;
  std::string treno_file() const;

 private:
  PairFiles files_;
  LivePage page_;
};

}  // namespace percorso

#endif  // PERCORSO_SERVE_PAGE_STATE_H_
