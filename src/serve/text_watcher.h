// Watches the two texts of a pair for changes with inotify. The directory is watched,
// not the files: editors that save by writing a new file and renaming it over the old
// one replace the file (and so would end a watch on it), and a text deleted and written
// anew is followed too. A burst of events (a save is often several) is taken as one
// change once the directory has been quiet for a moment.
#ifndef PERCORSO_SERVE_TEXT_WATCHER_H_
#define PERCORSO_SERVE_TEXT_WATCHER_H_

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace percorso {

class TextWatcher {
 public:
  // Quiet time that ends a burst of events, and the longest a burst may delay a change.
  static constexpr std::chrono::milliseconds kQuiet{8};
  static constexpr std::chrono::milliseconds kLongestBurst{200};

  TextWatcher() = default;
  ~TextWatcher();
  TextWatcher(const TextWatcher&) = delete;
  TextWatcher& operator=(const TextWatcher&) = delete;

  // Starts watching `names` in `dir`. Returns why it cannot (the message names the
  // directory and the reason), or nothing.
  std::optional<std::string> Open(const std::filesystem::path& dir,
                                  std::vector<std::string> names);

  enum class Change { kChanged, kStopped, kGone };
  // Blocks until one of the texts changes (kChanged), Stop is called (kStopped), or the
  // directory itself is removed or moved (kGone: nothing more will be seen).
  Change WaitForChange();

  // Ends a WaitForChange in progress, and every later one; safe from any thread or a
  // signal handler.
  void Stop();

 private:
  enum class Read { kNothing, kRelevant, kGone };
  Read Drain();  // reads the pending events

  int inotify_ = -1;
  int stop_ = -1;  // an eventfd, written by Stop
  std::vector<std::string> names_;
};

}  // namespace percorso

#endif  // PERCORSO_SERVE_TEXT_WATCHER_H_
