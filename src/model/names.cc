#include "model/names.h"

#include <algorithm>
#include <set>
#include <system_error>

namespace percorso {

std::optional<std::string> CheckName(std::string_view what, std::string_view name,
                                     bool allow_empty) {
  std::string w(what);
  if (name.empty() && !allow_empty) return "the " + w + " must not be empty";
  if (name.find_first_of("/\\") != std::string_view::npos)
    return "the " + w + " must not contain a path separator ('/' or '\\')";
  if (name.find("..") != std::string_view::npos) return "the " + w + " must not contain \"..\"";
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) return "the " + w + " must not contain control characters";
  }
  return std::nullopt;
}

std::string LineaFileName(const std::string& nome_linea) {
  return nome_linea + std::string(kLineaTextSuffix);
}
std::string TrenoFileName(const std::string& nome_linea, const std::string& numero_treno) {
  return nome_linea + "_" + numero_treno + std::string(kTrenoTextSuffix);
}
std::string PlanFileName(const std::string& nome_linea) { return nome_linea + "_linea.dat"; }
std::string LineFileName(const std::string& nome_linea, const std::string& numero_treno) {
  return nome_linea + "_" + numero_treno + std::string(kLineFileSuffix);
}
std::string CellFileName(const std::string& nome_linea, const std::string& numero_treno) {
  return nome_linea + "_" + numero_treno + std::string(kCellFileSuffix);
}
std::string DocumentFileName(const std::string& nome_linea, const std::string& numero_treno,
                             const std::string& suffix) {
  return nome_linea + "_" + numero_treno + "_" + suffix;
}

namespace {

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

bool Acceptable(const TextPair& p) {
  return !CheckName("line name", p.linea, false) && !CheckName("train number", p.treno, true);
}

}  // namespace

std::optional<std::string> LineaTextName(std::string_view file_name) {
  if (!EndsWith(file_name, kLineaTextSuffix)) return std::nullopt;
  std::string name(file_name.substr(0, file_name.size() - kLineaTextSuffix.size()));
  if (CheckName("line name", name, false)) return std::nullopt;
  return name;
}

std::vector<TextPair> TrainTextCuts(std::string_view file_name) {
  std::vector<TextPair> cuts;
  if (!EndsWith(file_name, kTrenoTextSuffix)) return cuts;
  const std::string_view stem = file_name.substr(0, file_name.size() - kTrenoTextSuffix.size());
  for (size_t cut = stem.rfind('_'); cut != std::string_view::npos && cut > 0;
       cut = stem.rfind('_', cut - 1)) {
    TextPair p{std::string(stem.substr(0, cut)), std::string(stem.substr(cut + 1))};
    if (Acceptable(p)) cuts.push_back(std::move(p));
  }
  return cuts;
}

PairChoice ChooseTextPair(const std::filesystem::path& dir, const std::optional<std::string>& linea,
                          const std::optional<std::string>& treno) {
  PairChoice choice;
  if (linea && treno) {
    choice.chosen = TextPair{*linea, *treno};
    return choice;
  }
  choice.candidates = FindTextPairs(dir, linea, treno);
  if (choice.candidates.size() == 1) choice.chosen = choice.candidates.front();
  return choice;
}

std::vector<TextPair> FindTextPairs(const std::filesystem::path& dir,
                                    const std::optional<std::string>& linea,
                                    const std::optional<std::string>& treno) {
  std::set<std::string> lines;   // line names with a line file
  std::vector<std::string> trains;  // names of the train files, suffix removed
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    std::string name = it->path().filename().string();
    if (std::optional<std::string> line = LineaTextName(name)) lines.insert(std::move(*line));
    if (EndsWith(name, kTrenoTextSuffix)) trains.push_back(name.substr(0, name.size() - kTrenoTextSuffix.size()));
  }
  std::vector<TextPair> pairs;
  for (const std::string& stem : trains) {
    for (const TextPair& p : TrainTextCuts(stem + std::string(kTrenoTextSuffix))) {
      if (!lines.count(p.linea)) continue;
      if (linea && p.linea != *linea) continue;
      if (treno && p.treno != *treno) continue;
      pairs.push_back(p);
    }
  }
  std::sort(pairs.begin(), pairs.end(), [](const TextPair& a, const TextPair& b) {
    return a.linea != b.linea ? a.linea < b.linea : a.treno < b.treno;
  });
  return pairs;
}

std::vector<CompiledPair> FindCompiledPairs(const std::filesystem::path& dir,
                                            const std::optional<std::string>& linea,
                                            const std::optional<std::string>& treno) {
  std::set<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    names.insert(it->path().filename().string());
  }
  std::vector<CompiledPair> pairs;
  for (const std::string& name : names) {
    if (name.size() <= kLineFileSuffix.size() || !EndsWith(name, kLineFileSuffix)) continue;
    const std::string stem = name.substr(0, name.size() - kLineFileSuffix.size());
    if (!names.count(stem + std::string(kCellFileSuffix))) continue;
    std::vector<CompiledPair> cuts;  // in the order of the underscores
    for (size_t cut = stem.find('_'); cut != std::string::npos; cut = stem.find('_', cut + 1)) {
      CompiledPair p{stem.substr(0, cut), stem.substr(cut + 1)};
      if (!Acceptable(TextPair{p.linea, p.treno})) continue;
      if (linea && p.linea != *linea) continue;
      if (treno && p.treno != *treno) continue;
      cuts.push_back(p);
    }
    const size_t before = pairs.size();
    for (const CompiledPair& p : cuts)
      if (names.count(PlanFileName(p.linea)) > 0) pairs.push_back(p);
    if (pairs.size() == before && !cuts.empty()) pairs.push_back(cuts.back());
  }
  std::sort(pairs.begin(), pairs.end(), [](const CompiledPair& a, const CompiledPair& b) {
    return a.linea != b.linea ? a.linea < b.linea : a.treno < b.treno;
  });
  return pairs;
}

}  // namespace percorso
