// `percorso explain CODE`: what an error number or a warning means, what causes it, a
// short text that triggers it and how to fix it, from the one table of explanations.
#include <memory>
#include <ostream>
#include <string>

#include "app/commands.h"
#include "app/compile_command.h"
#include "model/explanations.h"

namespace percorso {

CommandAction DefineExplain(CLI::App& sub, std::ostream& out, std::ostream& err) {
  struct Values {
    std::string code;
    bool list = false;
    bool markdown = false;
  };
  auto v = std::make_shared<Values>();
  sub.add_option("CODE", v->code, "An error number (1 to 1251) or a warning name")
      ->type_name("CODE");
  sub.add_flag("--list", v->list, "List every error number and warning name with its meaning");
  sub.add_flag("--markdown", v->markdown,
               "Print every explanation as the Markdown table of docs/text-format.md");
  sub.footer(
      "Exit status: 0, or 2 for a code that no stage sets and no warning has.\n\n"
      "Example:\n"
      "  percorso explain 16\n"
      "  percorso explain unknown-row");
  return [v, &out, &err] {
    if (v->markdown) {
      out << ExplanationsMarkdown();
      return kExitOk;
    }
    if (v->list || v->code.empty()) {
      if (!v->list) {
        err << "percorso: explain needs a CODE (or --list)\n";
        return kExitUsage;
      }
      for (const Explanation& x : AllExplanations())
        out << (x.warning ? "warning " : "error ") << x.code << ": " << x.meaning << "\n";
      return kExitOk;
    }
    std::optional<Explanation> x = Explain(v->code);
    if (!x) {
      err << "percorso: no error number or warning is named \"" << v->code
          << "\" (percorso explain --list names them)\n";
      return kExitUsage;
    }
    out << ExplanationText(*x);
    return kExitOk;
  };
}

}  // namespace percorso
