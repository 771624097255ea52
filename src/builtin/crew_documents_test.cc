#include "builtin/crew_documents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "builtin/builtin_texts.h"
#include "testing/temp_dir.h"
#include "testing/text_lines.h"

namespace percorso {
namespace {

using Lines = std::vector<std::string>;
using Names = std::vector<std::string>;

constexpr char kLinea[] = "Valdoro_Ostrano";

// Columns (counted from 1) that hold `c` in `line`.
std::vector<int> ColumnsOf(const std::string& line, char c) {
  std::vector<int> cols;
  for (size_t i = 0; i < line.size(); ++i)
    if (line[i] == c) cols.push_back(static_cast<int>(i) + 1);
  return cols;
}

std::vector<int> Range(int from, int to) {
  std::vector<int> r;
  for (int c = from; c <= to; ++c) r.push_back(c);
  return r;
}

std::vector<int> Join(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Columns from..to of a line, counted from 1.
std::string Cols(const std::string& line, int from, int to) {
  return line.substr(from - 1, to - from + 1);
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// ---------------------------------------------------------------- notes

TEST(WriteNoteDocument, WritesTenLinesWithTheAccentAsOneByte) {
  TempDir dir;
  ASSERT_FALSE(WriteNoteDocument(dir.path(), kLinea, "55"));
  EXPECT_EQ(dir.List(), Names{"Valdoro_Ostrano_55_note.txt"});
  std::string bytes = dir.Read("Valdoro_Ostrano_55_note.txt");
  Lines lines = SplitCrLfLines(bytes);
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[2], " ");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4],
            "La nuova linea che presento, \xE8 fedele al 98%, come curve, gallerie, "
            "altimetrie, quest'ultime");
  EXPECT_EQ(lines[5],
            "potrete notare che hanno una progressione graduale sia in salita che in "
            "discesa visualizzata,");
  EXPECT_EQ(lines[6], "dallo strumento nella gabina di guida.");
  EXPECT_EQ(lines[7],
            "La linea \xE8 stata realizzata con il supporto video della linea stessa con "
            "ripresa dalla gabina.");
  EXPECT_EQ(lines[8], "");
  EXPECT_EQ(lines[9], "'linea D.O.C.'");
  // The credit line gives a contact on the reserved example domain.
  EXPECT_EQ(lines[1],
            "Scenario realizzato dagli autori della linea Valdoro - Ostrano. Contatti: "
            "linea.valdoro@example.org");
  // Counted from the texts above; each accented letter is one byte.
  const size_t lengths[] = {0, 99, 1, 0, 92, 93, 38, 94, 0, 14};
  for (size_t i = 0; i < 10; ++i) EXPECT_EQ(lines[i].size(), lengths[i]) << "line " << i + 1;
  // The two letters e with grave accent are the only bytes outside ASCII.
  std::vector<size_t> high;
  for (size_t i = 0; i < bytes.size(); ++i)
    if (static_cast<unsigned char>(bytes[i]) >= 0x80) high.push_back(i);
  ASSERT_EQ(high.size(), 2u);
  for (size_t at : high) EXPECT_EQ(static_cast<unsigned char>(bytes[at]), 0xE8);
  EXPECT_TRUE(bytes.ends_with("'linea D.O.C.'\r\n"));
}

// ---------------------------------------------------------------- slowdown order

TEST(WriteRallentamentiDocument, WritesTheFormWithItsTable) {
  TempDir dir;
  ASSERT_FALSE(WriteRallentamentiDocument(dir.path(), kLinea, "55"));
  EXPECT_EQ(dir.List(), Names{"Valdoro_Ostrano_55_rallentamenti.txt"});
  std::string bytes = dir.Read("Valdoro_Ostrano_55_rallentamenti.txt");
  for (unsigned char c : bytes) EXPECT_LT(c, 0x80);
  Lines lines = SplitCrLfLines(bytes);
  ASSERT_EQ(lines.size(), 46u);
  std::vector<size_t> lengths = {0, 42, 50, 81, 38, 0, 79, 81};
  lengths.insert(lengths.end(), 31, 82);
  for (size_t n : {0, 37, 63, 42, 49, 58, 42}) lengths.push_back(n);
  for (size_t i = 0; i < 46; ++i) EXPECT_EQ(lines[i].size(), lengths[i]) << "line " << i + 1;

  const std::map<int, std::string> exact = {
      {2, "                               Modulo M. 3"},
      {3, "                           ORDINE DI RALLENTAMENTO"},
      {5, "  Linea  VALDORO C.LE - OSTRANO C.R.V."},
      {7, "  Si ordina al macchinista del treno   55 di effettura i seguenti rallentamenti"},
      {9, " |   |                            |Inizio dopo |          |         |            |"},
      {10, " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|"},
      {11, " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |"},
      {12, " |___|____________________________|____________|__________|_________|____________|"},
      {13, " | 1 | VELMORO RUSA - SCALVERA    |   71.000   |     30   |   1.200 |            |"},
      {14, " | 2 | TERMIA  -  LUCRA           |   24.000   |     60   |     950 |      A     |"},
      {41, "              Prescrizioni specifiche"},
      {42, " A - Da rispettare con tutto il treno (per i treni viaggiatori)"},
      {43, " B - Interessa anche la stazione di......."},
      {44, " D - Rallentamneto N. ... e N. ...  sono contigui"},
      {45, " C - Da rispettare dalle ore ....  alle ore ..... di tutti"},
      {46, "     i giorni esclusi i seguenti:........."},
  };
  for (const auto& [n, text] : exact) EXPECT_EQ(lines[n - 1], text) << "line " << n;
  for (int n : {1, 6, 40}) EXPECT_EQ(lines[n - 1], "") << "line " << n;
  for (int n = 15; n <= 38; ++n)
    EXPECT_EQ(lines[n - 1],
              " |   |                            |            |          |         |            |")
        << "line " << n;
  EXPECT_EQ(lines[38], lines[11]);
  EXPECT_EQ(ColumnsOf(lines[3], '_'), Range(2, 81));
  EXPECT_EQ(ColumnsOf(lines[7], '_'), Range(3, 81));
  for (int n = 9; n <= 39; ++n) {
    EXPECT_EQ(ColumnsOf(lines[n - 1], '|'), (std::vector<int>{2, 6, 35, 48, 59, 69, 82}))
        << "line " << n;
    EXPECT_EQ(lines[n - 1][0], ' ') << "line " << n;
  }
  // The two filled rows: number in column 4, post in 39..44, speed ending in 55, length in
  // 67, prescription from 76.
  EXPECT_EQ(Cols(lines[12], 4, 4), "1");
  EXPECT_EQ(Cols(lines[13], 39, 44), "24.000");
  EXPECT_EQ(Cols(lines[13], 54, 58), "60   ");
  EXPECT_EQ(Cols(lines[12], 63, 68), "1.200 ");
  EXPECT_EQ(Cols(lines[13], 76, 76), "A");
}

// ---------------------------------------------------------------- train sheet

Lines SchedaText(const TempDir& dir) {
  EXPECT_FALSE(WriteSchedaDocument(dir.path(), kLinea, "55"));
  std::string bytes = dir.Read("Valdoro_Ostrano_55_scheda_treno.txt");
  for (unsigned char c : bytes) EXPECT_LT(c, 0x80);
  return SplitCrLfLines(bytes);
}

TEST(WriteSchedaDocument, HeaderBandsKeepTheirColumns) {
  TempDir dir;
  Lines lines = SchedaText(dir);
  EXPECT_EQ(dir.List(), Names{"Valdoro_Ostrano_55_scheda_treno.txt"});
  ASSERT_EQ(lines.size(), 54u);
  const char* const head[] = {
      "  ___________________                                               ______________",
      " |                   |                       SCHEDA                |              |",
      " |   TRENO n.  55    |                   da: VALDORO C.LE          |    V 200 C   |",
      " |___________________|                    a: OSTRANO CRV           |      135%    |",
      "                                                                   |______________|",
      "  ___________________                ___________________",
      " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ",
      " |         EC        |              |      700T         |",
      " |___________________|              |___________________|",
      "",
      "  ________________________________________________________________________________",
      " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |",
      " | Lim.|Marc.|          |  Rs |                            |                |     |",
      " |_____|_____|__________|_____|____________________________|________________|_____|",
  };
  for (int n = 3; n <= 16; ++n) EXPECT_EQ(lines[n - 1], head[n - 3]) << "line " << n;
  const size_t lengths[] = {82, 83, 83, 83, 83, 56, 64, 57, 57, 0, 82, 83, 83, 83};
  for (int n = 3; n <= 16; ++n) EXPECT_EQ(lines[n - 1].size(), lengths[n - 3]) << "line " << n;
  for (int n : {1, 2, 12, 54}) EXPECT_EQ(lines[n - 1], "") << "line " << n;
  EXPECT_EQ(lines[52], lines[15]);

  for (int n = 4; n <= 6; ++n)
    EXPECT_EQ(ColumnsOf(lines[n - 1], '|'), (std::vector<int>{2, 22, 68, 83})) << n;
  EXPECT_EQ(ColumnsOf(lines[6], '|'), (std::vector<int>{68, 83}));
  EXPECT_EQ(ColumnsOf(lines[2], '_'), Join(Range(3, 21), Range(69, 82)));
  EXPECT_EQ(ColumnsOf(lines[5], '_'), Range(3, 21));
  EXPECT_EQ(ColumnsOf(lines[6], '_'), Range(69, 82));
  for (int n = 9; n <= 11; ++n)
    EXPECT_EQ(ColumnsOf(lines[n - 1], '|'), (std::vector<int>{2, 22, 37, 57})) << n;
  for (int n : {8, 11}) EXPECT_EQ(ColumnsOf(lines[n - 1], '_'), Join(Range(3, 21), Range(38, 56)));
  EXPECT_EQ(ColumnsOf(lines[12], '_'), Range(3, 82));
}

// One row of the route table, read by its cells.
struct Place {
  std::string speed, chainage, name, time;
  bool station = false;  // name from column 32
  int time_column = 0;   // 61, 67 or 72
};

Place ReadPlace(const std::string& line) {
  Place p;
  if (line.size() != 83) {
    ADD_FAILURE() << "not a table row: " << line;
    return p;
  }
  p.speed = Trim(Cols(line, 3, 7));
  EXPECT_EQ(line[6], ' ') << line;
  EXPECT_EQ(Trim(Cols(line, 9, 13)), "") << line;
  p.chainage = Trim(Cols(line, 15, 24));
  EXPECT_EQ(line[23], ' ') << line;
  EXPECT_EQ(Trim(Cols(line, 26, 30)), "") << line;
  std::string place = Cols(line, 32, 59);
  p.station = place[0] != ' ';
  EXPECT_TRUE(p.station || place[1] != ' ') << "no place in " << line;
  p.name = Trim(place);
  std::string orario = Cols(line, 61, 76);
  p.time = Trim(orario);
  if (!p.time.empty()) p.time_column = 61 + static_cast<int>(orario.find_first_not_of(' '));
  EXPECT_EQ(Trim(Cols(line, 78, 82)), "") << line;
  return p;
}

// "96.900" -> 96900 metres of chainage; -1 when malformed.
long ChainageMetres(const std::string& s) {
  if (s == "0") return 0;
  int km = 0, m = 0, used = 0;
  if (std::sscanf(s.c_str(), "%d.%3d%n", &km, &m, &used) != 2 ||
      used != static_cast<int>(s.size()) || s.size() - s.find('.') != 4)
    return -1;
  return km * 1000L + m;
}

bool IsSignal(const std::string& name) {
  return name.size() == 5 && (name[0] == 'P' || name[0] == 'p') && name[1] == ' ' &&
         std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

TEST(WriteSchedaDocument, RouteTableHoldsItsPlacesInTheirCells) {
  TempDir dir;
  Lines lines = SchedaText(dir);
  ASSERT_EQ(lines.size(), 54u);
  for (int n = 14; n <= 53; ++n) {
    EXPECT_EQ(lines[n - 1].size(), 83u) << "line " << n;
    EXPECT_EQ(ColumnsOf(lines[n - 1], '|'), (std::vector<int>{2, 8, 14, 25, 31, 60, 77, 83}))
        << "line " << n;
  }
  const std::map<int, std::string> telling = {
      {17, " |  70 |     |   96.900 |     |VALDORO C.LE                |14.46           |     |"},
      {18, " | 145 |     |   95.550 |     | deviatoio uscita           |                |     |"},
      {21, " |     |     |   85.100 |     | P 107                      |                |     |"},
      {26, " |     |     |   71.350 |     |VELMORO - RUSA              |      15.02     |     |"},
      {29, " | 135 |     |          |     | dev. I.                    |                |     |"},
      {52, " |  30 |     |        0 |     |OSTRANO C.R.V.              |           15.46|     |"},
  };
  for (const auto& [n, text] : telling) EXPECT_EQ(lines[n - 1], text) << "line " << n;

  int stations_timed = 0, second_names = 0, signals = 0, others = 0, others_timed = 0,
      others_blank = 0;
  Lines speeds;
  std::vector<std::pair<std::string, std::string>> rising;
  long last_chainage = -1;
  std::string last_text;
  for (int n = 17; n <= 52; ++n) {
    Place p = ReadPlace(lines[n - 1]);
    if (!p.speed.empty()) speeds.push_back(p.speed);
    if (!p.chainage.empty()) {
      long m = ChainageMetres(p.chainage);
      EXPECT_GE(m, 0) << "chainage " << p.chainage << " on line " << n;
      if (last_chainage >= 0 && m > last_chainage) rising.emplace_back(last_text, p.chainage);
      last_chainage = m;
      last_text = p.chainage;
    }
    if (!p.time.empty()) {
      EXPECT_EQ(p.time.size(), 5u) << n;
      EXPECT_EQ(p.time[2], '.') << n;
      int want = n == 17 ? 61 : n == 52 ? 72 : 67;
      EXPECT_EQ(p.time_column, want) << "time on line " << n;
    }
    if (p.station) {
      EXPECT_EQ(p.name, Trim(p.name));
      EXPECT_TRUE(std::none_of(p.name.begin(), p.name.end(), ::islower)) << p.name;
      if (!p.chainage.empty() && !p.time.empty()) {
        ++stations_timed;
      } else {
        EXPECT_TRUE(p.chainage.empty() && p.time.empty()) << "line " << n;
        ++second_names;
      }
    } else if (IsSignal(p.name)) {
      ++signals;
      EXPECT_FALSE(p.chainage.empty()) << n;
      EXPECT_TRUE(p.time.empty()) << n;
    } else {
      ++others;
      if (!p.time.empty()) ++others_timed;
      if (p.chainage.empty()) ++others_blank;
    }
  }
  EXPECT_EQ(stations_timed, 13);
  EXPECT_EQ(second_names, 2);
  EXPECT_EQ(signals, 11);
  EXPECT_EQ(others, 10);
  EXPECT_EQ(others_timed, 2);
  EXPECT_EQ(others_blank, 1);
  EXPECT_EQ(speeds, (Lines{"70", "145", "140", "180", "140", "180", "135", "175", "120", "170",
                           "160", "120", "30"}));
  EXPECT_EQ(rising, (std::vector<std::pair<std::string, std::string>>{{"46.850", "46.950"},
                                                                      {"35.250", "36.800"}}));
}

TEST(WriteSchedaDocument, AgreesWithTheTrainData) {
  TempDir dir;
  Lines sheet = SchedaText(dir);
  ASSERT_EQ(sheet.size(), 54u);
  ASSERT_FALSE(WriteTrainText(dir.path(), kLinea, "55"));
  Lines treno = SplitCrLfLines(dir.Read("Valdoro_Ostrano_55-.txt"));

  // Stations of the train data by name (types 2, 12 and 5) and the speed limits.
  std::map<std::string, long> stations;
  Lines limits;
  std::string section;
  for (const std::string& row : treno) {
    if (!row.empty() && row[0] == '[') section = row;
    Lines f = Fields(row);
    if (section == "[stazioni]" && f[0] == "stazione" && f.size() == 18) {
      long type = Num(f[2]);
      if (type == 2 || type == 12 || type == 5) stations[f[17]] = Num(f[1]);
    }
    if (section == "[vel_limite]" && f[0] == "velocita" && f.size() == 3) limits.push_back(f[2]);
  }
  ASSERT_EQ(stations.size(), 13u);

  std::map<std::string, long> on_sheet;
  Lines speeds;
  for (int n = 17; n <= 52; ++n) {
    Place p = ReadPlace(sheet[n - 1]);
    if (!p.speed.empty()) speeds.push_back(p.speed);
    if (p.station && !p.chainage.empty()) on_sheet[p.name] = ChainageMetres(p.chainage);
  }
  ASSERT_EQ(on_sheet.size(), 13u);
  for (const auto& [name, pos] : stations) {
    ASSERT_TRUE(on_sheet.count(name)) << name << " is missing from the sheet";
    long want = name == "VALDORO C.LE" ? 96900 : 96900 - pos;
    EXPECT_EQ(on_sheet[name], want) << name;
  }
  EXPECT_EQ(stations["VALDORO C.LE"], 200);
  // The speeds follow the limits of the train data; only the first differs (70 against 30).
  ASSERT_EQ(speeds.size(), limits.size());
  EXPECT_EQ(limits.front(), "30");
  EXPECT_EQ(speeds.front(), "70");
  EXPECT_TRUE(std::equal(speeds.begin() + 1, speeds.end(), limits.begin() + 1));
}

// Another train number changes only the file names: tabled with the other writers in
// builtin_texts_test.cc.

}  // namespace
}  // namespace percorso
