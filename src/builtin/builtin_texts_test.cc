#include "builtin/builtin_texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "builtin/crew_documents.h"
#include "testing/temp_dir.h"
#include "testing/text_lines.h"

namespace percorso {
namespace {

using Lines = std::vector<std::string>;
using Names = std::vector<std::string>;

constexpr char kLinea[] = "Valdoro_Ostrano";

Lines ReadLines(const TempDir& dir, const std::string& name) {
  std::string bytes = dir.Read(name);
  for (unsigned char c : bytes) EXPECT_LT(c, 0x80) << name << " holds a byte outside ASCII";
  Lines lines = SplitCrLfLines(bytes);
  for (const std::string& l : lines) EXPECT_EQ(l.find("riferimento"), std::string::npos) << l;
  return lines;
}

Lines LineaText(const TempDir& dir) {
  EXPECT_FALSE(WriteLineText(dir.path(), kLinea));
  return ReadLines(dir, "Valdoro_Ostrano_linea.txt");
}

Lines TrenoText(const TempDir& dir) {
  EXPECT_FALSE(WriteTrainText(dir.path(), kLinea, "55"));
  return ReadLines(dir, "Valdoro_Ostrano_55-.txt");
}

// The headers of a text with the number of rows that follow each.
std::vector<std::pair<std::string, int>> Sections(const Lines& lines) {
  std::vector<std::pair<std::string, int>> out;
  for (const std::string& l : lines) {
    if (!l.empty() && l[0] == '[')
      out.emplace_back(l, 0);
    else if (!out.empty())
      ++out.back().second;
  }
  return out;
}

// The rows under `header`, up to the next header.
Lines Section(const Lines& lines, const std::string& header) {
  auto it = std::find(lines.begin(), lines.end(), header);
  EXPECT_NE(it, lines.end()) << header;
  Lines out;
  if (it == lines.end()) return out;
  for (++it; it != lines.end() && (it->empty() || (*it)[0] != '['); ++it) out.push_back(*it);
  return out;
}

// The fields after the keyword, read as numbers.
std::vector<long> Values(const std::string& row, size_t count) {
  Lines f = Fields(row);
  EXPECT_EQ(f.size(), count + 1) << row;
  std::vector<long> v;
  for (size_t i = 1; i < f.size(); ++i) v.push_back(Num(f[i]));
  v.resize(count);  // a short row has failed above; its missing values read as 0
  return v;
}

size_t IndexOf(const Lines& rows, const std::string& row) {
  return std::find(rows.begin(), rows.end(), row) - rows.begin();
}

// ---------------------------------------------------------------- line description

TEST(WriteLineText, WritesSevenSectionsAndTheGeneralRows) {
  TempDir dir;
  Lines lines = LineaText(dir);
  EXPECT_EQ(dir.List(), Names{"Valdoro_Ostrano_linea.txt"});
  ASSERT_EQ(lines.size(), 283u);
  std::vector<std::pair<std::string, int>> want = {
      {"[generale]", 8},  {"[curve]", 60},      {"[pendenze]", 152}, {"[montagne]", 33},
      {"[cartelli]", 20}, {"[indicazioni]", 3}, {"[fine]", 0}};
  EXPECT_EQ(Sections(lines), want);
  EXPECT_EQ(lines.front(), "[generale]");
  EXPECT_EQ(lines.back(), "[fine]");
  Lines general(lines.begin() + 1, lines.begin() + 9);
  EXPECT_EQ(general, (Lines{
                         "lunghezza percorso,    96900",
                         "progressiva chilometrica uno,    0,    96900,    1",
                         "progressiva chilometrica due,    0,    0,    0",
                         "progressiva chilometrica tre,    0,    0,    0",
                         "sfondo uno,    0",
                         "sfondo due,    1",
                         "sfondo tre,    0",
                         "ripetizione segnali 4 codici,    900,    95700",
                     }));
  const std::pair<const char*, const char*> keywords[] = {
      {"[pendenze]", "pendenza,"},
      {"[montagne]", "montagna,"},
      {"[cartelli]", "indicatori_vmax,"},
      {"[indicazioni]", "cartello_indicatore,"}};
  for (auto [header, keyword] : keywords) {
    const Lines rows = Section(lines, header);
    EXPECT_FALSE(rows.empty()) << header << " holds no row to check";
    for (const std::string& row : rows) EXPECT_EQ(row.rfind(keyword, 0), 0u) << row;
  }
}

TEST(WriteLineText, CurvesRiseWithoutOverlapping) {
  TempDir dir;
  Lines rows = Section(LineaText(dir), "[curve]");
  ASSERT_EQ(rows.size(), 60u);
  EXPECT_EQ(rows[0], "curvad4,  1100,  250");
  EXPECT_EQ(rows[1], "curvad4,  2600,  800");
  EXPECT_EQ(rows[59], "curvad3,  95150,  200");
  std::map<std::string, int> tokens;
  int d = 0, s = 0;
  long end_before = 0, first = -1, last = -1, shortest = 1 << 30, longest = 0;
  for (const std::string& row : rows) {
    std::string token = Fields(row)[0];
    ++tokens[token];
    (token.substr(5, 1) == "d" ? d : s)++;
    std::vector<long> v = Values(row, 2);
    long start = v[0], len = v[1];
    EXPECT_EQ(start % 50, 0) << row;
    EXPECT_GE(start, end_before) << row << " starts before the previous curve ends";
    EXPECT_GT(start, last) << row;
    if (first < 0) first = start;
    last = start;
    end_before = start + len;
    shortest = std::min(shortest, len);
    longest = std::max(longest, len);
  }
  EXPECT_EQ(tokens, (std::map<std::string, int>{{"curvad3", 13},
                                                {"curvad4", 16},
                                                {"curvas2", 1},
                                                {"curvas3", 10},
                                                {"curvas4", 17},
                                                {"curvas5", 3}}));
  EXPECT_EQ(d, 29);
  EXPECT_EQ(s, 31);
  EXPECT_EQ(first, 1100);
  EXPECT_EQ(last, 95150);
  EXPECT_EQ(shortest, 100);
  EXPECT_EQ(longest, 1600);
}

TEST(WriteLineText, GradientsChangeInRamps) {
  TempDir dir;
  Lines rows = Section(LineaText(dir), "[pendenze]");
  ASSERT_EQ(rows.size(), 152u);
  EXPECT_EQ(rows.front(), "pendenza,   0,    0");
  EXPECT_EQ(rows.back(), "pendenza,  96900,   0");
  std::vector<std::pair<long, long>> g;
  for (size_t i = 0; i < rows.size(); ++i) {
    std::vector<long> v = Values(rows[i], 2);
    g.emplace_back(v[0], v[1]);
    // Every row but the first has the same layout; a minus sign stands right before the digits.
    EXPECT_EQ(v[0] % 50, 0) << rows[i];
    if (i > 0) {
      EXPECT_EQ(rows[i], "pendenza,  " + std::to_string(v[0]) + ",   " + std::to_string(v[1]));
      EXPECT_GT(v[0], g[i - 1].first) << rows[i];
    }
  }
  int unit = 0, unit_near = 0, three = 0, two = 0, other = 0;
  long lowest = 0, highest = 0;
  for (size_t i = 1; i < g.size(); ++i) {
    long change = std::labs(g[i].second - g[i - 1].second);
    if (change == 1) {
      ++unit;
      if (g[i].first - g[i - 1].first == 50) ++unit_near;
    } else if (change == 3) {
      ++three;
    } else if (change == 2) {
      ++two;
      EXPECT_EQ(i, g.size() - 1) << "a change of two units before the last row";
    } else {
      ++other;
    }
    lowest = std::min(lowest, g[i].second);
    highest = std::max(highest, g[i].second);
  }
  EXPECT_EQ(unit, 148);
  EXPECT_EQ(unit_near, 125);
  EXPECT_EQ(three, 2);
  EXPECT_EQ(two, 1);
  EXPECT_EQ(other, 0);
  EXPECT_EQ(lowest, -12);
  EXPECT_EQ(highest, 12);
  size_t ramp = IndexOf(rows, "pendenza,  1550,   1");
  ASSERT_LE(ramp + 10, rows.size());
  for (int k = 0; k < 10; ++k)
    EXPECT_EQ(rows[ramp + k],
              "pendenza,  " + std::to_string(1550 + 50 * k) + ",   " + std::to_string(k + 1));
  EXPECT_LT(IndexOf(rows, "pendenza,  21000,   -1"), rows.size());
}

TEST(WriteLineText, MontagnaSpansAreDisjointAndTheTwoLongestAreTheAnnouncedTunnels) {
  TempDir dir;
  Lines lines = LineaText(dir);
  Lines rows = Section(lines, "[montagne]");
  ASSERT_EQ(rows.size(), 33u);
  EXPECT_EQ(rows[0], "montagna,   10250,  10400,  12");
  EXPECT_LT(IndexOf(rows, "montagna,   13950,  14050,  2"), rows.size());
  std::map<long, int> types;
  std::vector<std::pair<long, long>> by_length;  // (length, start)
  long prev_end = -1;
  for (const std::string& row : rows) {
    std::vector<long> v = Values(row, 3);
    EXPECT_EQ(v[0] % 50, 0) << row;
    EXPECT_EQ(v[1] % 50, 0) << row;
    EXPECT_LT(v[0], v[1]) << row;
    EXPECT_GT(v[0], prev_end) << row;
    prev_end = v[1];
    ++types[v[2]];
    by_length.emplace_back(v[1] - v[0], v[0]);
  }
  EXPECT_EQ(Values(rows.front(), 3)[0], 10250);
  EXPECT_EQ(prev_end, 76650);
  EXPECT_EQ(types, (std::map<long, int>{{2, 1}, {12, 32}}));
  std::sort(by_length.rbegin(), by_length.rend());
  EXPECT_EQ(by_length[0], std::make_pair(18000L, 41150L));
  EXPECT_EQ(by_length[1], std::make_pair(7100L, 17200L));
  EXPECT_LT(by_length[2].first, by_length[1].first);
}

TEST(WriteLineText, SpeedBoardsHoldNineValuesAndFourAnnouncingSeries) {
  TempDir dir;
  Lines rows = Section(LineaText(dir), "[cartelli]");
  ASSERT_EQ(rows.size(), 20u);
  EXPECT_EQ(rows[0], "indicatori_vmax,  1350,  125,  135,  145,  0,  ,  ,  ,  0");
  EXPECT_LT(IndexOf(rows, "indicatori_vmax,  17900,  140,  160,  180,  0,  140,  160,  180,  0"),
            rows.size());
  struct Board {
    long pos;
    Lines side[2];  // three speeds, stripes
  };
  std::vector<Board> boards;
  for (const std::string& row : rows) {
    Lines f = Fields(row);
    ASSERT_EQ(f.size(), 10u) << row;
    Board b{Num(f[1]), {Lines(f.begin() + 2, f.begin() + 6), Lines(f.begin() + 6, f.end())}};
    for (const Lines& side : b.side) {
      bool empty = side[0].empty();
      for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(side[k].empty(), empty) << row;
        if (!empty) {
          EXPECT_EQ(Num(side[k]) % 5, 0) << row;
        }
      }
      if (empty) {
        EXPECT_EQ(side[3], "0") << row;
      }
    }
    EXPECT_FALSE(b.side[0][0].empty()) << row;
    if (!boards.empty()) {
      EXPECT_GT(b.pos, boards.back().pos) << row;
    }
    boards.push_back(b);
  }
  EXPECT_EQ(boards.front().pos, 1350);
  EXPECT_EQ(boards.back().pos, 91300);

  auto speeds = [](const Lines& side) { return Lines(side.begin(), side.begin() + 3); };
  std::vector<long> series;
  for (size_t i = 0; i + 2 < boards.size(); ++i) {
    bool is_series = true;
    for (int k = 0; k < 3; ++k) {
      const Board& b = boards[i + k];
      is_series = is_series && b.pos == boards[i].pos + 200 * k;
      for (int s = 0; s < 2; ++s) {
        bool present = !boards[i].side[s][0].empty();
        is_series = is_series && speeds(b.side[s]) == speeds(boards[i].side[s]) &&
                    b.side[s][3] == std::to_string(present ? 2 - k : 0);
      }
    }
    if (is_series) series.push_back(boards[i].pos);
  }
  EXPECT_EQ(series, (std::vector<long>{22550, 38300, 57900, 90900}));
  EXPECT_LT(IndexOf(rows, "indicatori_vmax,  22550,  125,  135,  140,  2,  125,  135,  140,  2"),
            rows.size());
  for (long start : series) {
    const Board& b =
        *std::find_if(boards.begin(), boards.end(), [&](const Board& x) { return x.pos == start; });
    EXPECT_EQ(b.side[1][0].empty(), start == 90900) << start;
  }
}

TEST(WriteLineText, IndicatorBoardsStandFiftyMetresBeforeWhatTheyAnnounce) {
  TempDir dir;
  Lines lines = LineaText(dir);
  Lines rows = Section(lines, "[indicazioni]");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], "cartello_indicatore,  3350,   (  BIVIO  )( SOLVERCI)");
  std::vector<long> pos;
  std::vector<Lines> panels;
  for (const std::string& row : rows) {
    Lines f = Fields(row);
    ASSERT_EQ(f.size(), 3u) << row;
    pos.push_back(Num(f[1]));
    Lines p;
    for (size_t i = 0; i < f[2].size();) {
      size_t close = f[2].find(')', i);
      ASSERT_EQ(f[2][i], '(') << row;
      ASSERT_NE(close, std::string::npos) << row;
      std::string inner = f[2].substr(i + 1, close - i - 1);
      EXPECT_TRUE(inner.size() == 9 || inner.size() == 10) << row;
      p.push_back(f[2].substr(i, close - i + 1));
      i = close + 1;
    }
    panels.push_back(p);
  }
  EXPECT_EQ(pos, (std::vector<long>{3350, 17150, 41100}));
  EXPECT_EQ(panels[0].size(), 2u);
  ASSERT_EQ(panels[1].size(), 3u);
  ASSERT_EQ(panels[2].size(), 3u);
  EXPECT_EQ(panels[1][0], "( GALLERIA)");
  EXPECT_EQ(panels[1][2], "(KM. 7+150)");
  EXPECT_EQ(panels[2][0], "( GALLERIA )");
  EXPECT_EQ(panels[2][2], "(KM. 18+050)");

  // The junction board announces the unnamed point of the train data at 3400.
  Lines stations = Section(TrenoText(dir), "[stazioni]");
  auto junction = std::find_if(stations.begin(), stations.end(), [](const std::string& r) {
    Lines f = Fields(r);
    return f.size() > 1 && Num(f[1]) == 3400;
  });
  ASSERT_NE(junction, stations.end());
  EXPECT_EQ(Fields(*junction).back(), "_");
  // Each tunnel board stands 50 m before its span; its third panel reaches the far mouth.
  const long far_mouth[] = {17150 + 7150, 41100 + 18050};
  for (int t = 0; t < 2; ++t) {
    bool found = false;
    for (const std::string& row : Section(lines, "[montagne]")) {
      std::vector<long> v = Values(row, 3);
      if (v[0] == pos[t + 1] + 50) {
        found = true;
        EXPECT_EQ(v[1], far_mouth[t]) << row;
      }
    }
    EXPECT_TRUE(found) << "no span begins 50 m after the board at " << pos[t + 1];
  }
}

// ---------------------------------------------------------------- train data

TEST(WriteTrainText, WritesEightSectionsAndTheFixedRows) {
  TempDir dir;
  Lines lines = TrenoText(dir);
  EXPECT_EQ(dir.List(), Names{"Valdoro_Ostrano_55-.txt"});
  ASSERT_EQ(lines.size(), 86u);
  std::vector<std::pair<std::string, int>> want = {
      {"[generale]", 4},      {"[aderenze]", 1}, {"[vel_limite]", 13}, {"[stazioni]", 16},
      {"[rallentamenti]", 2}, {"[segnali]", 42}, {"[codici]", 0},      {"[fine]", 0}};
  EXPECT_EQ(Sections(lines), want);
  EXPECT_EQ(Section(lines, "[generale]"),
            (Lines{"numero vetture,    12", "percentuale massa frenata,    135", "sabbia,    300",
                   "orologio,    14              45            20 "}));
  EXPECT_EQ(Section(lines, "[aderenze]"), Lines{"aderenza,   0,    100"});
  EXPECT_EQ(Section(lines, "[rallentamenti]"),
            (Lines{"rallentamento,   26500,    30, 1200, 0,  0,  30",
                   "rallentamento,   73450,    60,  950, 1,  0,  60"}));
  EXPECT_EQ(lines[84], "[codici]");
  EXPECT_EQ(lines[85], "[fine]");
}

TEST(WriteTrainText, SpeedLimitsAreRightAligned) {
  TempDir dir;
  Lines rows = Section(TrenoText(dir), "[vel_limite]");
  const std::pair<long, long> want[] = {{0, 30},      {1350, 145},  {4650, 140},  {17900, 180},
                                        {24300, 140}, {36000, 180}, {40050, 135}, {41100, 175},
                                        {59600, 120}, {81900, 170}, {88850, 160}, {92650, 120},
                                        {95700, 30}};
  ASSERT_EQ(rows.size(), std::size(want));
  EXPECT_EQ(rows[0], "velocita,   0,    30");
  auto right = [](long v, size_t w) {
    std::string s = std::to_string(v);
    return std::string(w - s.size(), ' ') + s;
  };
  for (size_t i = 1; i < rows.size(); ++i)
    EXPECT_EQ(rows[i], "velocita," + right(want[i].first, 8) + "," + right(want[i].second, 6));
}

TEST(WriteTrainText, StationsRiseWithTheirTypesAndTimes) {
  TempDir dir;
  Lines rows = Section(TrenoText(dir), "[stazioni]");
  ASSERT_EQ(rows.size(), 16u);
  EXPECT_EQ(rows.front(),
            "stazione,     200,  2,  500,  0, 0, 0,  1,1,0,  2,4,1,    1,  14,46, 0, VALDORO C.LE");
  EXPECT_EQ(
      rows.back(),
      "stazione,   96900,  5,  500,  0, 0, 0,  1,1,0,  2,1,1,    0,  15,46, 0, OSTRANO C.R.V.");
  for (const char* row :
       {"stazione,   25550, 12,  400,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, VELMORO - RUSA",
        "stazione,    3400, 25,  200,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, _"})
    EXPECT_LT(IndexOf(rows, row), rows.size()) << row;
  std::multiset<long> types;
  std::set<long> point_types;
  long prev = -1;
  for (size_t i = 0; i < rows.size(); ++i) {
    Lines f = Fields(rows[i]);
    ASSERT_EQ(f.size(), 18u) << rows[i];
    std::vector<long> n;
    for (size_t k = 1; k <= 16; ++k) n.push_back(Num(f[k]));
    const std::string& name = f[17];
    EXPECT_GT(n[0], prev) << rows[i];
    prev = n[0];
    types.insert(n[1]);
    bool point = std::all_of(n.begin() + 6, n.begin() + 12, [](long v) { return v == 0; });
    EXPECT_EQ(point, n[1] >= 25) << rows[i];
    EXPECT_EQ(point, name == "_") << rows[i];
    if (point) point_types.insert(n[1]);
    bool timed = i == 0 || i + 1 == rows.size();
    EXPECT_EQ(n[13] != 0 || n[14] != 0, timed) << rows[i];
    EXPECT_EQ(n[12], i == 0 ? 1 : 0) << rows[i];
  }
  EXPECT_EQ(prev, 96900);
  EXPECT_EQ(types.count(2), 1u);
  EXPECT_EQ(types.count(5), 1u);
  EXPECT_EQ(types.count(12), 11u);
  EXPECT_EQ(point_types, (std::set<long>{25, 26, 28}));
}

TEST(WriteTrainText, SignalsComeInSeventeenPairsThenEightMainSignals) {
  TempDir dir;
  Lines rows = Section(TrenoText(dir), "[segnali]");
  ASSERT_EQ(rows.size(), 42u);
  EXPECT_EQ(rows.front(), "segnale,    1750,   1, 4, 0,  0, 0,    0,  0,0,0, 0");
  EXPECT_EQ(rows.back(), "segnale,   95700,   2, 3, 1,  1, 0,    0,  0,0,0, 255");
  for (const char* row : {"segnale,   10200,   1, 4, 0,  0, 0,    1,  1,0,0, 0",
                          "segnale,   13900,   1, 4, 1,  0, 0,    1,  3,1,0, 0"})
    EXPECT_LT(IndexOf(rows, row), rows.size()) << row;
  std::vector<std::vector<long>> s;
  for (const std::string& row : rows) s.push_back(Values(row, 11));
  std::map<long, int> spacing;
  Lines timed;
  int s1_three = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (i > 0) {
      EXPECT_GT(s[i][0], s[i - 1][0]) << rows[i];
    }
    long want_sx = i < 34 ? (i % 2 == 0 ? 1 : 2) : 2;
    EXPECT_EQ(s[i][1], want_sx) << rows[i];
    if (i < 34 && i % 2 == 1) ++spacing[s[i][0] - s[i - 1][0]];
    EXPECT_TRUE(s[i][2] == 4 || s[i][2] == 3) << rows[i];
    if (s[i][2] == 3) ++s1_three;
    EXPECT_TRUE(s[i][6] >= 0 && s[i][6] <= 2) << rows[i];
    if (s[i][10] != 0) timed.push_back(rows[i]);
  }
  EXPECT_EQ(s.front()[0], 1750);
  EXPECT_EQ(s.back()[0], 95700);
  EXPECT_EQ(spacing, (std::map<long, int>{{1300, 2}, {1350, 14}, {1400, 1}}));
  EXPECT_EQ(s1_three, 2);
  EXPECT_EQ(timed, (Lines{"segnale,   59400,   2, 4, 1,  0, 0,    2,  2,1,0, 220",
                          "segnale,   92850,   2, 4, 1,  0, 0,    0,  0,0,0, 215",
                          "segnale,   95700,   2, 3, 1,  1, 0,    0,  0,0,0, 255"}));
}

// ---------------------------------------------------------------- names

// Every writer of the built-in texts and the crew documents: another line name or train
// number changes the file's name and nothing in it, and a longer older file of the new
// name is replaced whole.
TEST(BuiltinWriters, AnotherNameChangesOnlyTheFileName) {
  using Writer = std::function<std::optional<IoError>(const std::filesystem::path&,
                                                      const std::string&, const std::string&)>;
  struct Case {
    const char* writer;
    Writer write;
    std::string linea, treno;  // the other names
    std::string first, other;  // the files written for kLinea and 55, and for the others
  };
  const Case cases[] = {
      {"WriteLineText",
       [](const auto& d, const auto& l, const auto&) { return WriteLineText(d, l); }, "Altra", "55",
       "Valdoro_Ostrano_linea.txt", "Altra_linea.txt"},
      {"WriteTrainText", WriteTrainText, kLinea, "12", "Valdoro_Ostrano_55-.txt",
       "Valdoro_Ostrano_12-.txt"},
      {"WriteNoteDocument", WriteNoteDocument, kLinea, "12", "Valdoro_Ostrano_55_note.txt",
       "Valdoro_Ostrano_12_note.txt"},
      {"WriteRallentamentiDocument", WriteRallentamentiDocument, kLinea, "12",
       "Valdoro_Ostrano_55_rallentamenti.txt", "Valdoro_Ostrano_12_rallentamenti.txt"},
      {"WriteSchedaDocument", WriteSchedaDocument, kLinea, "12",
       "Valdoro_Ostrano_55_scheda_treno.txt", "Valdoro_Ostrano_12_scheda_treno.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.writer);
    TempDir dir;
    ASSERT_FALSE(c.write(dir.path(), kLinea, "55"));
    dir.Write(c.other, std::string(100000, 'x'));
    ASSERT_FALSE(c.write(dir.path(), c.linea, c.treno));
    EXPECT_EQ(dir.List(), (Names{std::min(c.first, c.other), std::max(c.first, c.other)}));
    EXPECT_EQ(dir.Read(c.other), dir.Read(c.first));
  }
}

}  // namespace
}  // namespace percorso
