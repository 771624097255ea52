#include "model/error_meanings.h"

#include <algorithm>
#include <iterator>

namespace percorso {

namespace {

constexpr ErrorMeaning kMeanings[] = {
    {1, ErrorSource::kLoader, false, "the line is longer than 1000000 m"},
    {2, ErrorSource::kLoader, false, "a chainage reference starts or ends off a multiple of 50 m"},
    {3, ErrorSource::kLoader, false, "the signal repetition starts off a multiple of 50 m"},
    {4, ErrorSource::kLoader, false, "the signal repetition ends off a multiple of 50 m"},
    {5, ErrorSource::kLoader, false, "the signal repetition gives neither 4 nor 9 codes"},
    {6, ErrorSource::kLoader, true, "an indicator board stands on a cell that is already taken"},
    {7, ErrorSource::kLoader, true, "an abbattimento point stands on a cell that is already taken"},
    {8, ErrorSource::kLoader, true, "a station stands off a multiple of 50 m"},
    {9, ErrorSource::kLoader, true, "a station zone's length is not a multiple of 100 m"},
    {10, ErrorSource::kLoader, false, "stations and indicator boards need more than 78 slots"},
    {11, ErrorSource::kPass, true,
     "no free cell before a signal ahead of a slowdown warning for its protection point"},
    {12, ErrorSource::kPass, true, "no free cell for a protection point before a slowdown start"},
    {13, ErrorSource::kPass, true,
     "no free cell for a protection point inside a slowdown or before the signal after it"},
    {15, ErrorSource::kLoader, true, "a row's position lies beyond the end of the grid"},
    {16, ErrorSource::kWriter, true, "a signal stands on a cell that is already taken"},
    {17, ErrorSource::kWriter, true, "a slowdown's warning cell is already taken"},
    {18, ErrorSource::kWriter, true, "a slowdown's start cell is already taken"},
    {19, ErrorSource::kWriter, true, "a slowdown's end cell is already taken"},
    {20, ErrorSource::kWriter, true, "one of a slowdown's four approach cells is already taken"},
    {21, ErrorSource::kWriter, true,
     "a pair of speed boards stands on a cell that is already taken"},
    {22, ErrorSource::kLoader, true,
     "a station zone starts less than 350 m after the previous station's zone ends"},
    {24, ErrorSource::kLoader, false, "a station zone ends within the first 100 m of the line"},
    {25, ErrorSource::kLoader, false,
     "the texts could not be loaded (a text missing or unreadable, a row cut "
     "short, a number out of range, no line length, or a text that could not be deleted)"},
    {101, ErrorSource::kLoader, false, "the line description text does not exist"},
    {102, ErrorSource::kLoader, false, "the line description has no [generale] section"},
    {103, ErrorSource::kLoader, false,
     "a curve row names no curvature class 1 to 6, or the plan passes 1000000 points"},
    {1250, ErrorSource::kOutput, false,
     "a reserved place (slot 85 valore1 or cell 1 dato1) is already in use"},
    {1251, ErrorSource::kOutput, false,
     "a reserved place (slot 85 orario or cell 1 dato2) is already in use"},
};

}  // namespace

std::span<const ErrorMeaning> ErrorMeanings() { return kMeanings; }

const ErrorMeaning* FindMeaning(int32_t numero) {
  auto it = std::lower_bound(std::begin(kMeanings), std::end(kMeanings), numero,
                             [](const ErrorMeaning& m, int32_t n) { return m.numero < n; });
  return it != std::end(kMeanings) && it->numero == numero ? &*it : nullptr;
}

std::string DescribeErrorState(const ErrorState& errore) {
  if (errore.numero == 0) return {};
  std::string line = "error " + std::to_string(errore.numero);
  // Numbers recorded without a position leave the position of an earlier failure (or
  // 0) behind, which would mislead: only numbers that carry one show it.
  const ErrorMeaning* m = FindMeaning(errore.numero);
  if (m != nullptr && m->has_posizione) {
    line += " at " + std::to_string(errore.posizione) + " m";
  }
  line += ": ";
  line += m != nullptr ? m->meaning : "an error no stage of this build sets";
  return line;
}

}  // namespace percorso
