#include "app/timetable_command.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <ostream>
#include <vector>

#include <nlohmann/json.hpp>

#include "analysis/braking.h"
#include "analysis/route.h"
#include "analysis/timetable.h"
#include "analysis/train_model_json.h"
#include "app/compile_command.h"
#include "base/exit_status.h"
#include "base/file_io.h"
#include "compiler/compile.h"
#include "compiler/front_end.h"
#include "format/decode.h"
#include "model/file_limits.h"
#include "model/names.h"

namespace percorso {

namespace {

constexpr const char* kWho = "percorso timetable: ";
constexpr int32_t kCurveStepM = 10;
constexpr double kMsToKmh = 3.6;
constexpr int kSecondsPerMinute = 60;

// The scenario to analyse: its names, table and cells.
struct Scenario {
  std::string linea;
  std::string treno;
  LineTable table;
  std::vector<TrackCell> cells;
  std::string source;  // "compiled files" or "texts compiled in memory"
};

std::string Shown(const std::filesystem::path& p) { return p.lexically_normal().string(); }

template <typename T, typename Decoder>
int LoadFile(const std::filesystem::path& path, Decoder decode, T* value, std::ostream& err) {
  ReadResult file = ReadWholeFile(path, kMaxCompiledFileBytes);
  if (file.status != ReadStatus::kOk) {
    err << kWho << file.error.Message() << "\n";
    return kStatusFileFault;
  }
  auto d = decode(file.bytes);
  if (!d.ok()) {
    err << kWho << Shown(path) << ": " << d.error->Describe() << "\n";
    return kStatusInputWrong;
  }
  *value = std::move(d.value);
  return kStatusOk;
}

// Finds the scenario as `report` does, or compiles the one pair of texts in memory.
int FindScenario(const TimetableOptions& o, Scenario* sc, std::ostream& err) {
  std::vector<CompiledPair> compiled = FindCompiledPairs(o.dir, o.linea, o.treno);
  if (compiled.size() > 1) {
    err << kWho << "several compiled scenarios in " << Shown(o.dir) << ":";
    for (const CompiledPair& s : compiled) err << " " << LineFileName(s.linea, s.treno);
    err << "; choose one with --line and --train\n";
    return kStatusUsage;
  }
  if (compiled.size() == 1) {
    sc->linea = compiled[0].linea;
    sc->treno = compiled[0].treno;
    sc->source = "compiled files";
    if (int s = LoadFile(o.dir / LineFileName(sc->linea, sc->treno), DecodeLineFile,
                         &sc->table, err)) {
      return s;
    }
    return LoadFile(o.dir / CellFileName(sc->linea, sc->treno), DecodeCellFile, &sc->cells,
                    err);
  }
  std::vector<TextPair> texts = FindTextPairs(o.dir, o.linea, o.treno);
  if (texts.size() != 1) {
    err << kWho;
    if (texts.empty()) {
      err << "no compiled scenario (NAME_NUMBER.sim with NAME_NUMBER.dat) and no pair of "
             "texts (NAME_linea.txt with NAME_NUMBER-.txt) in "
          << Shown(o.dir) << "\n";
    } else {
      err << "no compiled scenario and several pairs of texts in " << Shown(o.dir)
          << "; choose one with --line and --train\n";
    }
    return kStatusUsage;
  }
  sc->linea = texts[0].linea;
  sc->treno = texts[0].treno;
  sc->source = "texts compiled in memory";
  PairRequest request;
  request.nome_linea = sc->linea;
  request.numero_treno = sc->treno;
  request.linea = ReadAuthorText(o.dir, LineaFileName(sc->linea));
  request.treno = ReadAuthorText(o.dir, TrenoFileName(sc->linea, sc->treno));
  request.plan = PlanChoice::kWithoutPlan;
  PairResult pair = CompileTextPair(std::move(request));
  if (!pair.compiled_pair) {
    for (const Finding& f : pair.findings) err << kWho << f.message << "\n";
    return kStatusFileFault;
  }
  const Compilation& c = pair.compiled;
  if (c.verdict != CompileVerdict::kCompiled || c.errors.numero != 0) {
    err << kWho << "the texts of " << sc->linea << ", train " << sc->treno
        << " do not compile (error " << c.errors.numero
        << "); percorso compile tells where\n";
    return kStatusInputWrong;
  }
  sc->table = c.line_table;
  sc->cells = c.grid.cells();
  return kStatusOk;
}

// Reads --train-model over the defaults.
int LoadTrainModel(const TimetableOptions& o, TrainModel* train, std::ostream& err) {
  if (!o.train_model) return kStatusOk;
  ReadResult file = ReadWholeFile(*o.train_model, kMaxTrainModelBytes);
  if (file.status != ReadStatus::kOk) {
    err << kWho << file.error.Message() << "\n";
    return kStatusFileFault;
  }
  if (std::optional<std::string> why = ApplyTrainModelJson(file.bytes, train)) {
    err << kWho << Shown(*o.train_model) << ": " << *why << "\n";
    return kStatusUsage;
  }
  return kStatusOk;
}

std::string Fixed(double v, int decimals) {
  if (!std::isfinite(v)) return "-";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

std::string Signed(double v, int decimals) {
  if (!std::isfinite(v)) return "-";
  return (v >= 0 ? "+" : "") + Fixed(v, decimals);
}

// "1:02:03" or "12:03".
std::string Clock(double seconds) {
  if (!std::isfinite(seconds)) return "never";
  const long tenths = std::lround(seconds * 10);
  const long s = tenths / 10;
  char buf[64];
  if (s >= 3600) {
    std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld.%ld", s / 3600, s / kSecondsPerMinute % 60,
                  s % 60, tenths % 10);
  } else {
    std::snprintf(buf, sizeof buf, "%ld:%02ld.%ld", s / kSecondsPerMinute, s % 60, tenths % 10);
  }
  return buf;
}

// The line that says which train was used: "Train assumed ..." whenever a default is.
std::string TrainLine(const TrainModel& t, const TimetableOptions& o, int32_t cars) {
  std::string s;
  if (t.assumed.size() == TrainModelKeys().size()) {
    s = "Train assumed (defaults of docs/running-times.md, " + std::to_string(cars) +
        " cars from the texts)";
  } else if (!t.assumed.empty()) {
    s = "Train from " + Shown(*o.train_model) + ", the rest assumed (";
    for (size_t i = 0; i < t.assumed.size(); ++i) s += (i ? ", " : "") + t.assumed[i];
    s += " from the defaults of docs/running-times.md)";
  } else {
    s = "Train from " + Shown(*o.train_model);
  }
  s += ": " + Fixed(t.mass_t, 0) + " t, " + Fixed(t.length_m, 1) + " m; tractive effort " +
       Fixed(t.max_tractive_effort_kN, 0) + " kN, power " +
       (t.power_kW > 0 ? Fixed(t.power_kW, 0) + " kW" : std::string("unlimited")) +
       (t.adhesion ? ", Curtius-Kniffler adhesion" : ", no adhesion limit") +
       "; resistance " + Fixed(t.davis_a_kN, 2) + " + " + Fixed(t.davis_b_kN_per_kmh, 4) +
       " v + " + Fixed(t.davis_c_kN_per_kmh2, 5) + " v^2 kN; rotating-mass factor " +
       Fixed(t.rotating_mass_factor, 2) + "; service braking " +
       Fixed(t.service_deceleration_ms2, 2) + " m/s^2";
  if (!t.stops.empty()) {
    s += "; stops:";
    for (const auto& [name, dwell] : t.stops) s += " " + name + " " + Fixed(dwell, 0) + " s";
  }
  return s + "\n";
}

void PrintText(const Scenario& sc, const Route& route, const TrainModel& train,
               const Timetable& tt, const TimetableOptions& o, std::ostream& out) {
  out << sc.linea << ", train " << sc.treno << " (" << sc.source << ")\n";
  out << TrainLine(train, o, route.cars);
  if (!tt.note.empty()) {
    out << "Verdict: nothing to check: " << tt.note << "\n";
  } else {
    size_t wf = 4, wt = 2;
    for (const TimetableSection& s : tt.sections) {
      wf = std::max(wf, s.from.size());
      wt = std::max(wt, s.to.size());
    }
    auto pad = [](std::string s, size_t w) { return s.append(w > s.size() ? w - s.size() : 0, ' '); };
    auto lpad = [](std::string s, size_t w) { return std::string(w > s.size() ? w - s.size() : 0, ' ') + s; };
    out << pad("from", wf) << "  " << pad("to", wt) << "  " << lpad("km", 7) << "  "
        << lpad("scheduled", 10) << "  " << lpad("minimum", 10) << "  " << lpad("slack s", 9)
        << "  " << lpad("slack %", 7) << "\n";
    for (const TimetableSection& s : tt.sections) {
      const double pct = s.scheduled_s > 0 ? 100.0 * s.slack_s() / s.scheduled_s : 0;
      out << pad(s.from, wf) << "  " << pad(s.to, wt) << "  "
          << lpad(Fixed((s.to_m - s.from_m) / 1000.0, 2), 7) << "  "
          << lpad(Clock(s.scheduled_s), 10) << "  " << lpad(Clock(s.min_running_s), 10) << "  "
          << lpad(Signed(s.slack_s(), 1), 9) << "  "
          << lpad(s.scheduled_s > 0 ? Signed(pct, 1) : "-", 7)
          << (s.dwell_s > 0 ? "  (dwell " + Fixed(s.dwell_s, 0) + " s)" : "")
          << (s.kept() ? "" : "  too tight") << "\n";
    }
    size_t tight = 0;
    for (const TimetableSection& s : tt.sections) tight += s.kept() ? 0 : 1;
    out << "Total minimum running time " << Clock(tt.total_min_running_s) << " ("
        << Fixed(tt.total_min_running_s, 1) << " s)\n";
    if (tight == 0) {
      out << "Verdict: every scheduled time can be kept\n";
    } else {
      out << "Verdict: " << tight << " of " << tt.sections.size()
          << (tt.sections.size() == 1 ? " section" : " sections")
          << " cannot be kept in the scheduled time\n";
    }
  }
  for (const ShortWarning& w : FindShortWarnings(route)) {
    out << "warning: the slowdown at " << w.slowdown->start_m << " m ("
        << w.slowdown->speed_kmh << " km/h) has its warning " << Fixed(w.available_m, 0)
        << " m ahead; braking from " << w.warning_speed_kmh << " km/h with "
        << route.braked_percentage << " % braked mass needs " << Fixed(std::ceil(w.braking_m), 0)
        << " m [slowdown-warning-short]\n";
  }
}

nlohmann::ordered_json Number(double v, double scale = 1000.0) {
  if (!std::isfinite(v)) return nullptr;
  return std::round(v * scale) / scale;
}

void PrintJson(const TrainModel& train, const Timetable& tt, std::ostream& out) {
  nlohmann::ordered_json j;
  j["train"] = nlohmann::ordered_json::parse(TrainModelJson(train));
  nlohmann::ordered_json sections = nlohmann::ordered_json::array();
  for (const TimetableSection& s : tt.sections) {
    sections.push_back({{"from", s.from},
                        {"to", s.to},
                        {"from_m", s.from_m},
                        {"to_m", s.to_m},
                        {"scheduled_s", s.scheduled_s},
                        {"min_running_s", Number(s.min_running_s)},
                        {"slack_s", Number(s.slack_s())}});
  }
  j["sections"] = sections;
  j["total_min_running_s"] = Number(tt.total_min_running_s);
  nlohmann::ordered_json curve = nlohmann::ordered_json::array();
  if (!tt.sections.empty()) {
    const Run& run = tt.run;
    for (int32_t m = run.from_m;; m = std::min(m + kCurveStepM, run.to_m)) {
      curve.push_back({{"position_m", m},
                       {"speed_kmh", Number(run.SpeedAt(m) * kMsToKmh)},
                       {"time_s", Number(run.TimeAt(m))}});
      if (m == run.to_m) break;
    }
  }
  j["curve"] = curve;
  if (!tt.note.empty()) j["note"] = tt.note;
  out << j.dump() << "\n";
}

}  // namespace

int RunTimetable(const TimetableOptions& o, std::ostream& out, std::ostream& err) {
  if (!CheckGivenNames(o.linea, o.treno, err)) return kStatusUsage;
  Scenario sc;
  if (int s = FindScenario(o, &sc, err)) return s;
  const Route route = ReadRoute(sc.table, sc.cells);
  TrainModel train = DefaultTrainModel(route.cars);
  if (int s = LoadTrainModel(o, &train, err)) return s;
  if (std::vector<std::string> unknown = UnknownStops(route, train); !unknown.empty()) {
    err << kWho << Shown(*o.train_model) << ": key \"stops\": no station named \""
        << unknown.front() << "\" on " << sc.linea << "\n";
    return kStatusUsage;
  }
  const Timetable tt = AnalyseTimetable(route, train);
  if (o.format == "json") {
    PrintJson(train, tt, out);
  } else {
    PrintText(sc, route, train, tt, o, out);
  }
  return tt.kept() ? kStatusOk : kStatusInputWrong;
}

CommandAction DefineTimetable(CLI::App& sub, std::ostream& out, std::ostream& err) {
  auto options = std::make_shared<TimetableOptions>();
  sub.add_option("--dir", options->dir, "Directory of the compiled files or of the two texts")
      ->type_name("DIR")
      ->default_str(".");
  sub.add_option("--line", options->linea, "Line name")->type_name("NAME");
  sub.add_option("--train", options->treno, "Train number")->type_name("NUMBER");
  sub.add_option("--train-model", options->train_model,
                 "A JSON train model replacing the assumed train's figures")
      ->type_name("FILE");
  sub.add_option("--format", options->format, "text or json")
      ->type_name("FORMAT")
      ->check(CLI::IsMember({"text", "json"}))
      ->default_str("text");
  sub.footer(
      "Computes the fastest legal run of the train (speed limits, slowdowns, gradients,\n"
      "braking) and tells, section by section between the stations that carry a time,\n"
      "whether the scheduled times can be kept. The train is assumed from the texts'\n"
      "number of cars unless a train model gives it (docs/running-times.md).\n"
      "Exit status: 0 every time can be kept; 1 one cannot, or the scenario is broken;\n"
      "2 a bad command line, a refused train model or no single scenario in DIR; 3 a file\n"
      "cannot be read.\n\n"
      "Example:\n"
      "  percorso timetable --dir routes --train-model train.json --format json");
  return [options, &out, &err] { return RunTimetable(*options, out, err); };
}

}  // namespace percorso
