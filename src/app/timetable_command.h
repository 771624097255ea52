// `percorso timetable`: can the train keep its timetable? The fastest legal run of the
// train along the compiled scenario (or, where there is none, along the pair of texts
// compiled in memory), section by section between the stations that carry a time.
#ifndef PERCORSO_APP_TIMETABLE_COMMAND_H_
#define PERCORSO_APP_TIMETABLE_COMMAND_H_

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

#include "app/commands.h"

namespace percorso {

struct TimetableOptions {
  std::filesystem::path dir = ".";
  std::optional<std::string> linea;                 // --line
  std::optional<std::string> treno;                 // --train
  std::optional<std::filesystem::path> train_model; // --train-model FILE
  std::string format = "text";                      // text or json
};

// Declares the options and help of `timetable` on `sub`; the action runs RunTimetable.
CommandAction DefineTimetable(CLI::App& sub, std::ostream& out, std::ostream& err);

// Exit status: 0 every scheduled time can be kept (or there is no section to check);
// 1 one cannot, or the scenario is broken or does not compile; 2 a bad command line, a
// refused train model or no single scenario in DIR; 3 a file cannot be read.
int RunTimetable(const TimetableOptions& options, std::ostream& out, std::ostream& err);

}  // namespace percorso

#endif  // PERCORSO_APP_TIMETABLE_COMMAND_H_
