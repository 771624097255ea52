// The most bytes each kind of file may have when it is read. A reader refuses a larger
// file before taking any memory for it (a sparse file of 100 GB costs its maker
// nothing), with a message that names the file, its size and the limit.
#ifndef PERCORSO_MODEL_FILE_LIMITS_H_
#define PERCORSO_MODEL_FILE_LIMITS_H_

#include <cstdint>

namespace percorso {

// A route text. The texts of the longest line loaded as densely as the grammar allows
// are a few megabytes; authors' comments can make them much longer, and texts of 100 MB
// compile in well under a gigabyte of memory.
inline constexpr uint64_t kMaxTextBytes = uint64_t{256} << 20;

// A compiled file. The largest the compiler writes, the cell file and the plan of a line
// of 1 000 000 m, are about 20 MB each.
inline constexpr uint64_t kMaxCompiledFileBytes = uint64_t{64} << 20;

// A train model file (`timetable --train-model`): a JSON object of a dozen numbers and a
// list of stops; a megabyte leaves room for a stop at every station of the longest line.
inline constexpr uint64_t kMaxTrainModelBytes = uint64_t{1} << 20;

}  // namespace percorso

#endif  // PERCORSO_MODEL_FILE_LIMITS_H_
