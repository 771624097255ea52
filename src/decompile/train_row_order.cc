// The order of the train text's item rows that gives every approach mark the cells show.
#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <queue>
#include <set>
#include <string_view>

#include "compiler/keywords.h"
#include "decompile/recovery_parts.h"

namespace percorso::recovery_parts {

std::vector<std::string> OrderTrainRows(RecoveryLedger& ledger, const std::vector<TrainRow>& rows) {
  auto section = [&](size_t i) { return static_cast<int>(rows[i].section); };
  const size_t n = rows.size();
  // The plain order: by section, then by key.
  std::vector<size_t> plain(n);
  for (size_t i = 0; i < n; ++i) plain[i] = i;
  std::stable_sort(plain.begin(), plain.end(), [&](size_t a, size_t b) {
    return section(a) != section(b) ? section(a) < section(b) : rows[a].key < rows[b].key;
  });
  std::vector<size_t> rank(n);
  for (size_t i = 0; i < n; ++i) rank[plain[i]] = i;
  std::vector<std::set<size_t>> after(n);  // after[a]: rows that must follow a
  std::vector<size_t> need(n, 0);          // how many rows must come before each
  auto edge = [&](size_t a, size_t b) {
    if (a != b && after[a].insert(b).second) ++need[b];
  };
  size_t previous_station = n;
  for (size_t i : plain) {
    if (rows[i].section != TrainSection::kStations) continue;
    if (previous_station < n) edge(previous_station, i);
    previous_station = i;
  }
  std::map<int64_t, std::vector<std::pair<size_t, uint8_t>>> writers;
  for (size_t i = 0; i < n; ++i)
    for (auto [c, v] : rows[i].marks) writers[c].push_back({i, v});
  for (auto& [c, list] : writers) {
    const uint8_t shown = ledger.cell(c).preavviso;
    std::optional<size_t> winner;
    for (auto [i, v] : list)
      if (v == shown && (!winner || rank[i] > rank[*winner])) winner = i;
    if (!winner) {
      ledger.LoseCell(c, "an approach mark that no signal or station gives");
      continue;
    }
    for (auto [i, v] : list)
      if (v != shown) edge(i, *winner);
  }
  // Kahn's order, taking the ready row that comes first in the plain order.
  std::priority_queue<std::pair<size_t, size_t>, std::vector<std::pair<size_t, size_t>>,
                      std::greater<>>
      ready;
  for (size_t i = 0; i < n; ++i)
    if (need[i] == 0) ready.push({rank[i], i});
  std::vector<size_t> order;
  while (!ready.empty()) {
    size_t i = ready.top().second;
    ready.pop();
    order.push_back(i);
    for (size_t j : after[i])
      if (--need[j] == 0) ready.push({rank[j], j});
  }
  if (order.size() != n) {
    ledger.LoseCell(0, "the approach marks ask for an order of rows that no text has");
    order = plain;
  }
  static constexpr std::string_view kHeaders[] = {header::kStazioni, header::kRallentamenti,
                                                  header::kSegnali};
  std::vector<std::string> lines;
  int current = -1;
  for (size_t i : order) {
    // A header each time the kind of row changes; headers are only read as unknown tokens.
    if (section(i) != current) {
      current = section(i);
      lines.push_back(std::string(kHeaders[current]));
    }
    lines.push_back(rows[i].line);
  }
  return lines;
}

}  // namespace percorso::recovery_parts
