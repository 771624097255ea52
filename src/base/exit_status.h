// The exit statuses every command shares.
#ifndef PERCORSO_BASE_EXIT_STATUS_H_
#define PERCORSO_BASE_EXIT_STATUS_H_

namespace percorso {

inline constexpr int kStatusOk = 0;
inline constexpr int kStatusInputWrong = 1;  // the input holds an error or a broken structure
inline constexpr int kStatusUsage = 2;       // a bad command line
inline constexpr int kStatusFileFault = 3;   // a file cannot be read or written

}  // namespace percorso

#endif  // PERCORSO_BASE_EXIT_STATUS_H_
