// The names an author gives on the command line: a line name and a train number. Both
// become parts of file names (and texts inside the line file), so they are checked
// before anything is read or written: a name can never lead out of the chosen
// directories.
#ifndef PERCORSO_MODEL_NAMES_H_
#define PERCORSO_MODEL_NAMES_H_

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace percorso {

// Why a name is refused, or nothing when it is fine. `what` names the option for the
// message ("line name", "train number"). A line name must not be empty; a train number
// may be. Neither may hold a path separator ('/' or '\'), "..", or a control character.
std::optional<std::string> CheckName(std::string_view what, std::string_view name,
                                     bool allow_empty);

// Every file name of a scenario, built here and nowhere else.
inline constexpr std::string_view kLineaTextSuffix = "_linea.txt";  // the line description
inline constexpr std::string_view kTrenoTextSuffix = "-.txt";       // after <linea>_<treno>
inline constexpr std::string_view kLineFileSuffix = ".sim";         // after <linea>_<treno>
inline constexpr std::string_view kCellFileSuffix = ".dat";         // after <linea>_<treno>
std::string LineaFileName(const std::string& nome_linea);            // <linea>_linea.txt
std::string TrenoFileName(const std::string& nome_linea,
                          const std::string& numero_treno);          // <linea>_<treno>-.txt
std::string PlanFileName(const std::string& nome_linea);             // <linea>_linea.dat
std::string LineFileName(const std::string& nome_linea,
                         const std::string& numero_treno);           // <linea>_<treno>.sim
std::string CellFileName(const std::string& nome_linea,
                         const std::string& numero_treno);           // <linea>_<treno>.dat
// The crew documents: <linea>_<treno>_note.txt, _rallentamenti.txt, _scheda_treno.txt.
std::string DocumentFileName(const std::string& nome_linea, const std::string& numero_treno,
                             const std::string& suffix);

// One pair of texts: <linea>_linea.txt and <linea>_<treno>-.txt.
struct TextPair {
  std::string linea;
  std::string treno;
  bool operator==(const TextPair&) const = default;
};

// The line name of a line description's file name ("A_B_linea.txt" reads "A_B"), when
// CheckName accepts it; nothing for any other name. Every command and the editor tell a
// line description by this one rule.
std::optional<std::string> LineaTextName(std::string_view file_name);

// The ways a train text's file name ("A_B_55-.txt") reads as a pair: cut at each '_' of
// its stem, the last first (a line name often holds an underscore, a train number seldom
// does), keeping the cuts whose both names are acceptable to CheckName. Empty for a name
// that is not a train text's. Every command and the editor find pairs by this one rule.
std::vector<TextPair> TrainTextCuts(std::string_view file_name);

// The pair a command works on: the names given are taken as they are; a missing one is
// taken from the one pair of texts in `dir` that fits. `chosen` is set when exactly one
// fits; otherwise `candidates` lists those that do (none or several), for the message.
struct PairChoice {
  std::optional<TextPair> chosen;
  std::vector<TextPair> candidates;
};
PairChoice ChooseTextPair(const std::filesystem::path& dir, const std::optional<std::string>& linea,
                          const std::optional<std::string>& treno);

// The pairs of texts present in `dir`, sorted, both files regular and both names
// acceptable to CheckName. A train file name can be cut at more than one underscore
// ("A_B_55-.txt", TrainTextCuts); every cut whose line file exists is a pair. When `linea` or `treno`
// is given, only the pairs with that name are kept.
std::vector<TextPair> FindTextPairs(const std::filesystem::path& dir,
                                    const std::optional<std::string>& linea,
                                    const std::optional<std::string>& treno);

// One compiled scenario: <linea>_<treno>.sim with <linea>_<treno>.dat beside it.
struct CompiledPair {
  std::string linea;
  std::string treno;
  bool operator==(const CompiledPair&) const = default;
};

// The compiled scenarios in `dir`, sorted, both files regular and both names acceptable
// to CheckName. When `linea` or `treno` is given, only the scenarios with that name are
// kept. A file name can be cut at more than one underscore ("A_B_55.sim"); of the cuts
// of one name, those whose plan file (<linea>_linea.dat) exists are kept when there are
// any, else the last cut alone: a line name often holds an underscore, a train number
// seldom does.
std::vector<CompiledPair> FindCompiledPairs(const std::filesystem::path& dir,
                                            const std::optional<std::string>& linea,
                                            const std::optional<std::string>& treno);

}  // namespace percorso

#endif  // PERCORSO_MODEL_NAMES_H_
