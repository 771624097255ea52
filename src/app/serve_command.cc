#include "app/serve_command.h"

#include <memory>
#include <string>
#include <utility>

namespace percorso {

CommandAction DefineServe(CLI::App& sub, ServeRunner run) {
  struct Values {
    ServeOptions options;
    std::string linea, treno;
  };
  auto v = std::make_shared<Values>();
  sub.add_option("--dir", v->options.dir, "Directory that holds the two texts")
      ->type_name("DIR")
      ->default_str(".");
  CLI::Option* line = sub.add_option("--line", v->linea, "Line name: the texts are NAME_linea.txt and NAME_NUMBER-.txt")
                          ->type_name("NAME");
  CLI::Option* train = sub.add_option("--train", v->treno, "Train number")->type_name("NUMBER");
  sub.add_option("--port", v->options.port, "Port to listen on (0: any free port)")
      ->type_name("PORT")
      ->default_str("8080");
  sub.add_option("--host", v->options.host,
                 "Address to listen on; other machines can reach the page only if you say so")
      ->type_name("ADDRESS")
      ->default_str("127.0.0.1");
  sub.footer(
      "Serves the report page of the pair at http://HOST:PORT/, compiled in memory from\n"
      "the texts (nothing is written), and updates every open page as you save either\n"
      "text. Errors are shown at the top of the page. Ctrl-C stops it. Exit status: 0\n"
      "stopped, 2 bad command line, 3 the port is in use or DIR cannot be watched.\n\n"
      "Example:\n"
      "  percorso serve --dir routes --port 8080");
  return [v, line, train, run = std::move(run)] {
    if (line->count() > 0) v->options.linea = v->linea;
    if (train->count() > 0) v->options.treno = v->treno;
    return run(v->options);
  };
}

}  // namespace percorso
