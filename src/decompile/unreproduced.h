// A place of a compiled file that the recovered texts do not compile back to: a cell of
// the cell file, a slot of the line file, a point of the plan file, or a file as a whole.
#ifndef PERCORSO_DECOMPILE_UNREPRODUCED_H_
#define PERCORSO_DECOMPILE_UNREPRODUCED_H_

#include <cstdint>
#include <string>
#include <vector>

namespace percorso {

enum class PlaceKind { kCell, kSlot, kPlanPoint, kCellFile, kLineFile, kPlanFile };

struct Unreproduced {
  PlaceKind kind = PlaceKind::kCell;
  int64_t number = 0;  // cell, slot or point number; unused for a whole file
  std::string why;
};

// "cell 531 (26550 m)", "slot 85", "plan point 1101", "cell file".
std::string DescribePlace(const Unreproduced& u);

using UnreproducedList = std::vector<Unreproduced>;

}  // namespace percorso

#endif  // PERCORSO_DECOMPILE_UNREPRODUCED_H_
