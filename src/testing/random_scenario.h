// Random scenarios for the decompiler's round-trip tests: two texts with every kind of
// row (general data, chainage references, curves, gradients, montagna spans with and
// without markers, speed boards, indicator boards with quoted texts, adhesion, speeds,
// stations of every zone kind, slowdowns with and without approach cells, signals with
// every aspect and time, abbattimento points with and without value), lengths from 1 km
// to 1 000 000 m.
//
// They are written the way authors write: positions off the 50 m grid (montagna spans
// start and end at any metre, speeds need not be multiples of 5), numbers set apart by
// blanks as often as by commas, spans and items packed close, and items in the first
// cells, position 0 included.
//
// Items are placed on cells kept apart (or, now and then, side by side), so most
// scenarios compile with no error; a test uses only those that do.
#ifndef PERCORSO_TESTING_RANDOM_SCENARIO_H_
#define PERCORSO_TESTING_RANDOM_SCENARIO_H_

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "model/cell_grid.h"

namespace percorso {

struct RandomScenario {
  std::string linea;
  std::string treno;
  int32_t line_length = 0;
  bool with_plan = true;
};

class RandomScenarioMaker {
 public:
  explicit RandomScenarioMaker(uint32_t seed) : rng_(seed) {}

  RandomScenario Make() {
    RandomScenario s;
    // Lengths spread over three decades, and now and then the largest.
    const double decade = Uniform(0, 3000) / 1000.0;
    s.line_length = Chance(5) ? 1000000 : static_cast<int32_t>(1000.0 * std::pow(10.0, decade));
    s.with_plan = Chance(70);
    l_ = s.line_length;
    n_ = GridUpperFor(l_);
    taken_.clear();
    // Cell 1 carries the reserved marks: most scenarios keep items off it, the others
    // may put there an item whose first two values are 0.
    early_ = Chance(30);
    if (!early_) taken_.insert(1);
    s.linea = Linea();
    s.treno = Treno();
    return s;
  }

 private:
  int64_t Uniform(int64_t lo, int64_t hi) {
    return std::uniform_int_distribution<int64_t>(lo, hi)(rng_);
  }
  bool Chance(int percent) { return Uniform(0, 99) < percent; }
  int64_t Off() { return Uniform(-20, 20); }  // a position off the cell boundary, same cell

  // A row: its keyword, a comma, and the numbers set apart in one of the ways authors
  // use: ", ", ",", blanks alone, a tab, or blanks around the comma.
  std::string Row(const std::string& kw, std::initializer_list<int64_t> v) {
    static const char* kSeparators[] = {", ", ", ", ",", "   ", " ", "\t", " , "};
    const char* sep = kSeparators[Uniform(0, 6)];
    std::string s = kw + ",";
    bool first = true;
    for (int64_t x : v) {
      s += (first ? " " : sep) + std::to_string(x);
      first = false;
    }
    return s + "\r\n";
  }

  // A free cell in lo..hi with `room` free cells on each side, or -1.
  int64_t FreeCell(int64_t lo, int64_t hi, int64_t room) {
    if (Chance(30)) room = 0;  // packed side by side
    for (int tries = 0; tries < 40 && lo <= hi; ++tries) {
      int64_t c = Uniform(lo, hi);
      bool ok = true;
      for (int64_t i = c - room; i <= c + room && ok; ++i) ok = taken_.count(i) == 0;
      if (ok) return c;
    }
    return -1;
  }
  void Take(int64_t c) { taken_.insert(c); }

  std::string Name() {
    static const char* kNames[] = {"VALLE",       "PONTE ALTO", "SAN MARCO - NORD",
                                   "CASE, BIVIO", "  RIVA",     "L'ARCO \"2\"",
                                   "_",           "CAMPO",      "\xC8STRA"};
    return kNames[Uniform(0, 8)];
  }
  static std::string Quoted(const std::string& t) {
    if (t.find_first_of(",") != std::string::npos || t[0] == ' ') return "\"" + t + "\"";
    return t;
  }

  std::string Linea() {
    std::string s = "[generale]\r\n";
    s += Row("lunghezza percorso", {l_});
    const char* words[] = {"uno", "due", "tre"};
    for (const char* w : words) {
      if (Chance(50)) {
        s += Row(std::string("progressiva chilometrica ") + w,
                 {50 * Uniform(0, l_ / 50), 50 * Uniform(0, l_ / 50), Uniform(0, 2)});
      }
    }
    s += Row("sfondo uno", {Uniform(0, 3)}) + Row("sfondo due", {Uniform(0, 3)}) +
         Row("sfondo tre", {Uniform(-2, 3)});
    if (Chance(80)) {
      s += Row(Chance(50) ? "ripetizione segnali 4 codici" : "ripetizione segnali 9 codici",
               {50 * Uniform(0, 20), Chance(20) ? 0 : 50 * Uniform(20, l_ / 50)});
    }
    s += "[curve]\r\n";
    int64_t at = Uniform(0, 500);
    const int64_t last = std::min<int64_t>(int64_t{l_} + 6000, 990000);
    while (at < last && Chance(97)) {
      const int64_t len = Uniform(1, 1500);
      if (at + len >= last) break;
      s += Row(std::string("curva") + (Chance(50) ? "d" : "s") + std::to_string(Uniform(1, 6)),
               {at, len});
      at += len + (Chance(20) ? 0 : Uniform(1, 3000));
    }
    s += "[pendenze]\r\n";
    for (int64_t c = 0; c <= n_ - 2; c += Uniform(1, 80)) {
      s += Row("pendenza", {std::max<int64_t>(0, 50 * c + Off()), Uniform(-25, 25)});
      if (Chance(5)) s += Row("pendenza", {50 * c, Uniform(-25, 25)});  // same cell again
    }
    if (Chance(20)) {
      for (int i = 0; i < Uniform(1, 4); ++i) s += Row("pendenza", {50 * (n_ - 2), Uniform(-5, 5)});
    }
    s += "[montagne]\r\n";
    // Spans on cell starts, or at any metre; the next one follows at once, within
    // 150 m, or further on.
    const bool any_metre = Chance(60);
    int64_t m = any_metre ? Uniform(0, 5000) : 50 * Uniform(0, 100);
    for (int spans = 0; spans < 80 && m < 50 * (n_ - 10) && Chance(90); ++spans) {
      const int64_t len = any_metre ? Uniform(1, 3000) : 50 * Uniform(1, 60);
      const int64_t tipo = Chance(50) ? Uniform(11, 14) : Uniform(1, 5);
      s += Row("montagna", {m, std::min(m + len, 50 * (n_ + 5)), tipo});
      const int64_t gap = Chance(30)   ? (any_metre ? Uniform(0, 260) : 50 * Uniform(0, 5))
                          : Chance(15) ? 50 * Uniform(0, 3)
                                       : 50 * Uniform(5, 200) + (any_metre ? Off() : 0);
      m += len + gap;
    }
    s += "[cartelli]\r\n";
    if (early_ && Chance(50)) {
      // Boards on cell 1, at position 0 or just after: only the C speeds and the stripes,
      // since the first two values of cell 1 are reserved.
      Take(1);
      s += Row("indicatori_vmax", {Chance(50) ? 0 : Uniform(0, 24), 0, 0, 5 * Uniform(0, 40),
                                   Uniform(0, 2), 0, 0, 5 * Uniform(0, 40), Uniform(0, 2)});
    }
    for (int i = 0; i < Uniform(0, 15); ++i) {
      int64_t c = FreeCell(2, n_ - 1, 1);
      if (c < 0) continue;
      Take(c);
      const int64_t left = 5 * Uniform(0, 40), right = Chance(50) ? 0 : 5 * Uniform(0, 40);
      s += Row("indicatori_vmax", {50 * (c - 1) + Off(), left, left + 10, left + 20, Uniform(0, 2),
                                   right, right, right, Uniform(0, 2)});
    }
    s += "[indicazioni]\r\n";
    boards_ = static_cast<int>(Uniform(0, 6));
    for (int i = 0; i < boards_; ++i) {
      int64_t c = FreeCell(2, n_ - 1, 1);
      if (c < 0) continue;
      Take(c);
      s += "cartello_indicatore, " + std::to_string(50 * (c - 1) + Off()) + ", " +
           Quoted("( GALLERIA )(" + Name() + ")") + "\r\n";
    }
    return s + "[fine]\r\n";
  }

  std::string Treno() {
    std::string s = "[generale]\r\n";
    s += Row("numero vetture", {Uniform(1, 20)}) +
         Row("percentuale massa frenata", {Uniform(50, 150)}) + Row("sabbia", {Uniform(0, 500)}) +
         "orologio, " + std::to_string(Uniform(0, 23)) + " " + std::to_string(Uniform(0, 59)) +
         " " + std::to_string(Uniform(0, 59)) + "\r\n";
    s += "[aderenze]\r\n";
    for (int64_t c = Chance(50) ? 0 : Uniform(1, 50); c <= n_ - 2; c += Uniform(10, 400))
      s += Row("aderenza", {50 * c + (c > 0 ? Off() : 0), Uniform(0, 300)});
    s += "[vel_limite]\r\n";
    for (int64_t c = 0; c <= n_ - 2; c += Uniform(5, 300)) {
      const int64_t v = Chance(30) ? Uniform(0, 300) : 5 * Uniform(0, 60);  // any km/h
      s += Row("velocita", {50 * c + (c > 0 && Chance(30) ? Off() : 0), v});
    }
    if (Chance(20)) {
      for (int i = 0; i < Uniform(1, 4); ++i)
        s += Row("velocita", {50 * (n_ - 2), 5 * Uniform(1, 30)});
    }
    s += "[stazioni]\r\n";
    int64_t previous_end = -1000;
    const int max_stations = 78 - boards_;
    for (int k = 0; k < max_stations && Chance(90); ++k) {
      static const int kTypes[] = {2, 12, 12, 5, 6, 7, 25, 26, 28, 12};
      const int64_t tipo = kTypes[Uniform(0, 9)];
      const int64_t len = 100 * Uniform(1, 8);
      const int64_t p = 50 * ((previous_end + 400 + len) / 50 + Uniform(1, 200));
      if (p + 800 + len > 50 * n_) break;
      const int64_t sixth = Uniform(0, 1);
      const int64_t end = (tipo == 5 || tipo == 6)   ? p + 150
                          : (tipo == 7 || tipo == 8) ? p + len
                                                     : p + len / 2 + (sixth ? 50 : 0);
      const int64_t stop = end / 50 - 1;
      // Now and then a stop cell on a board of the line description, which it replaces.
      if (tipo < 25 && (stop <= 1 || (taken_.count(stop) && !Chance(30)))) break;
      if (tipo < 25) Take(stop);
      s += "stazione, " + std::to_string(p) + ", " + std::to_string(tipo) + ", " +
           std::to_string(len) + ", " + std::to_string(Uniform(0, 3)) + ", " +
           std::to_string(Uniform(0, 2)) + ", " + std::to_string(sixth) + ", " +
           std::to_string(Uniform(-5, 5)) + "," + std::to_string(Uniform(0, 9)) + "," +
           std::to_string(Uniform(0, 255)) + ", " + std::to_string(Uniform(0, 4)) + "," +
           std::to_string(Uniform(0, 4)) + "," + std::to_string(Uniform(0, 4)) + ", " +
           std::to_string(Uniform(0, 1)) + ", " + std::to_string(Uniform(0, 23)) + "," +
           std::to_string(Uniform(0, 59)) + "," + std::to_string(Uniform(0, 59)) + ", " +
           Quoted(Name()) + "\r\n";
      previous_end = end;
    }
    s += "[rallentamenti]\r\n";
    for (int i = 0; i < Uniform(0, 6); ++i) {
      // Room for the warning and approach cells and the protection windows.
      const int64_t start = FreeCell(early_ ? 2 : 30, n_ - 40, 2);
      if (start < 0) continue;
      const int64_t cells = Uniform(0, 30);
      const int64_t end = start + cells;
      const bool approach = Chance(50);
      bool ok = true;
      for (int64_t c = std::max<int64_t>(start - 30, 1); c <= end + 14 && ok; ++c)
        ok = taken_.count(c) == 0;
      if (!ok) continue;
      for (int64_t c = start - 30; c <= end + 14; ++c) Take(c);
      const int64_t v = 5 * Uniform(4, 30);
      // Off the grid, half-way between two cells now and then: the rounding may then
      // move the approach cells one cell further back.
      const int64_t x = 50 * (start - 1) + (start > 32 ? (Chance(20) ? -25 : Off()) : 0);
      s += Row("rallentamento",
               {x, v, 50 * (end - 1) - x, Uniform(0, 1), approach ? 1 : 0, Chance(70) ? v : 0});
    }
    s += "[segnali]\r\n";
    for (int i = 0; i < Uniform(0, 40); ++i) {
      const int64_t c = FreeCell(early_ ? 1 : 10, n_ - 1, 2);
      if (c < 0) continue;
      Take(c);
      const int64_t sx = Uniform(0, 2), dx = Uniform(0, 2);
      const int64_t tempo = Chance(50) ? 0 : Uniform(1, 255);
      // On cell 1 the first two values must be 0; its approach marks fall before cell 0.
      const int64_t s1 = c == 1 ? 0 : Uniform(0, 4), d1 = c == 1 ? 0 : Uniform(0, 4);
      const int64_t s2 = c == 1 ? 0 : Uniform(0, 4), d2 = c == 1 ? 0 : Uniform(0, 2);
      s += Row("segnale", {std::max<int64_t>(0, 50 * (c - 1) + Off()), sx, s1, s2, Uniform(0, 4),
                           Uniform(0, 3), dx, d1, d2, Uniform(0, 2), tempo});
    }
    s += "[codici]\r\n";
    for (int i = 0; i < Uniform(0, 6); ++i) {
      const int64_t c = FreeCell(0, n_ - 2, 2);
      if (c < 0) continue;
      Take(c);
      int64_t value = Chance(30) ? 0 : Chance(30) ? 180 : Uniform(1, 400);
      if (c == 1) value = 0;  // a value would take a reserved place
      s += Row("abbattimento", {std::max<int64_t>(0, 50 * c + Off()), value});
    }
    return s + "[fine]\r\n";
  }

  std::mt19937 rng_;
  int32_t l_ = 0;
  int64_t n_ = 0;
  int boards_ = 0;
  bool early_ = false;  // items may stand in the first cells
  std::set<int64_t> taken_;
};

}  // namespace percorso

#endif  // PERCORSO_TESTING_RANDOM_SCENARIO_H_
