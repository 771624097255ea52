// `percorso timetable` as a user runs it: on texts compiled in memory and on compiled
// files, with a train model file, in text and JSON, and its exit statuses.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "testing/subprocess.h"
#include "testing/temp_dir.h"

namespace percorso {
namespace {

// A flat line at 100 km/h with two stations 3 km apart and `seconds` between their times.
void WriteFlatTexts(const TempDir& dir, int seconds) {
  dir.Write("Flat_linea.txt",
            "[generale]\r\nlunghezza percorso, 5000\r\nprogressiva chilometrica uno, 0, 5000, "
            "1\r\n[pendenze]\r\npendenza, 0, 0\r\n[fine]\r\n");
  const int arrival = 14 * 3600 + 46 * 60 + seconds;
  dir.Write("Flat_1-.txt",
            "[generale]\r\nnumero vetture, 5\r\npercentuale massa frenata, 80\r\n"
            "velocita, 0, 100\r\naderenza, 0, 100\r\n"
            "stazione, 1000, 2, 400, 0, 0, 0, 1,1,0, 2,4,1, 1, 14,46,0, ALFA\r\n"
            "stazione, 4000, 5, 400, 0, 0, 0, 1,1,0, 2,1,1, 0, " +
                std::to_string(arrival / 3600) + "," + std::to_string(arrival / 60 % 60) + "," +
                std::to_string(arrival % 60) + ", BETA\r\n[fine]\r\n");
}

constexpr const char* kIdealTrain =
    R"({"mass_t": 100, "max_tractive_effort_kN": 50, "power_kW": 0, "davis_a_kN": 0,
        "davis_b_kN_per_kmh": 0, "davis_c_kN_per_kmh2": 0, "rotating_mass_factor": 1,
        "service_deceleration_ms2": 0.5, "adhesion": false})";

ProcessResult Timetable(const TempDir& dir, std::vector<std::string> args) {
  args.insert(args.begin(), {PERCORSO_EXE, "timetable"});
  ProcessRequest request;
  request.argv = std::move(args);
  request.cwd = dir.path();
  return RunProcess(request);
}

TEST(TimetableCommand, AnalyticRunThroughTheTextsAndJson) {
  TempDir dir;
  WriteFlatTexts(dir, 164);
  dir.Write("train.json", kIdealTrain);
  ProcessResult r = Timetable(dir, {"--train-model", "train.json", "--format", "json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  ASSERT_EQ(j["sections"].size(), 1u);
  const nlohmann::json& s = j["sections"][0];
  EXPECT_EQ(s["from"], "ALFA");
  EXPECT_EQ(s["to"], "BETA");
  EXPECT_EQ(s["from_m"], 1000);
  EXPECT_EQ(s["to_m"], 4000);
  EXPECT_EQ(s["scheduled_s"], 164);
  EXPECT_NEAR(s["min_running_s"].get<double>(), 163.6, 0.1636);
  EXPECT_NEAR(s["slack_s"].get<double>(), 164 - 163.556, 0.05);
  EXPECT_NEAR(j["total_min_running_s"].get<double>(), 163.6, 0.1636);
  EXPECT_EQ(j["train"]["mass_t"], 100.0);
  EXPECT_EQ(j["train"]["adhesion"], false);
  // The curve every 10 m from the departure to the arrival, from and to a standstill.
  const nlohmann::json& curve = j["curve"];
  ASSERT_EQ(curve.size(), 301u);
  EXPECT_EQ(curve[0]["position_m"], 1000);
  EXPECT_EQ(curve[0]["speed_kmh"], 0.0);
  EXPECT_EQ(curve[150]["speed_kmh"], 100.0);
  EXPECT_EQ(curve[300]["speed_kmh"], 0.0);
  EXPECT_NEAR(curve[300]["time_s"].get<double>(), 163.556, 0.01);

  // Four seconds less cannot be kept: exit 1, and the text form says so.
  WriteFlatTexts(dir, 160);
  r = Timetable(dir, {"--train-model", "train.json"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.out.find("too tight"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("cannot be kept"), std::string::npos) << r.out;
}

TEST(TimetableCommand, SaysTheTrainIsAssumed) {
  TempDir dir;
  WriteFlatTexts(dir, 600);
  ProcessResult r = Timetable(dir, {});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Train assumed"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("every scheduled time can be kept"), std::string::npos) << r.out;
  dir.Write("part.json", R"({"mass_t": 300})");
  r = Timetable(dir, {"--train-model", "part.json", "--format", "json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["train"]["assumed"].size(), 10u);
}

TEST(TimetableCommand, ExitStatuses) {
  TempDir dir;
  WriteFlatTexts(dir, 600);
  dir.Write("bad.json", R"({"mass_t": 100, "colour": "red"})");
  ProcessResult r = Timetable(dir, {"--train-model", "bad.json"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("bad.json"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("\"colour\""), std::string::npos) << r.err;
  dir.Write("stop.json", R"({"stops": {"GAMMA": 60}})");
  EXPECT_EQ(Timetable(dir, {"--train-model", "stop.json"}).status, 2);
  EXPECT_EQ(Timetable(dir, {"--train-model", "missing.json"}).status, 3);
  EXPECT_EQ(Timetable(dir, {"--format", "xml"}).status, 2);
  TempDir empty;
  EXPECT_EQ(Timetable(empty, {}).status, 2);
  // The compiled files are preferred to the texts, and read as `report` finds them.
  ProcessRequest compile;
  compile.argv = {PERCORSO_EXE, "compile"};
  compile.cwd = dir.path();
  ASSERT_EQ(RunProcess(compile).status, 0);
  WriteFlatTexts(dir, 100);  // texts now too tight, the compiled files not
  r = Timetable(dir, {});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("compiled files"), std::string::npos) << r.out;
  dir.Write("Flat_1.dat", "broken");
  EXPECT_EQ(Timetable(dir, {}).status, 1);
}

}  // namespace
}  // namespace percorso
