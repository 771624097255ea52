// The watcher follows the two texts however they are saved (in place, or written aside
// and renamed over), ignores the other files of the directory, and notices the
// directory going away.
#include "serve/text_watcher.h"

#include <gtest/gtest.h>

#include <future>

#include "testing/temp_dir.h"

namespace percorso {
namespace {

// Waits for the watcher's next verdict in another thread, stopping it after `patience`.
TextWatcher::Change NextChange(TextWatcher& w, const std::function<void()>& act,
                               std::chrono::milliseconds patience = std::chrono::seconds(20)) {
  auto verdict = std::async(std::launch::async, [&] { return w.WaitForChange(); });
  act();
  if (verdict.wait_for(patience) != std::future_status::ready) w.Stop();
  return verdict.get();
}

TEST(TextWatcherTest, FollowsSavesInPlaceAndByRename) {
  TempDir dir;
  dir.Write("A_linea.txt", "one");
  dir.Write("A_1-.txt", "one");
  TextWatcher w;
  ASSERT_EQ(w.Open(dir.path(), {"A_linea.txt", "A_1-.txt"}), std::nullopt);

  EXPECT_EQ(NextChange(w, [&] { dir.Write("A_linea.txt", "two"); }), TextWatcher::Change::kChanged);
  // An editor's save: a new file beside, renamed over the text. Twice, to show the watch
  // survives the first replacement.
  for (const char* content : {"three", "four"}) {
    EXPECT_EQ(NextChange(w,
                         [&] {
                           dir.Write("A_1-.txt.swp", content);
                           std::filesystem::rename(dir.path() / "A_1-.txt.swp", dir.path() / "A_1-.txt");
                         }),
              TextWatcher::Change::kChanged);
  }
  EXPECT_EQ(NextChange(w, [&] { std::filesystem::remove(dir.path() / "A_1-.txt"); }),
            TextWatcher::Change::kChanged);
}

TEST(TextWatcherTest, IgnoresOtherFilesAndSeesTheDirectoryGo) {
  TempDir parent;
  const std::filesystem::path dir = parent.path() / "routes";
  std::filesystem::create_directory(dir);
  TextWatcher w;
  ASSERT_EQ(w.Open(dir, {"A_linea.txt", "A_1-.txt"}), std::nullopt);
  // Another file only: no change, until the watcher is stopped. A change would be told
  // within kLongestBurst of the write; the wait is ten times that, so that a slow thread
  // on a loaded machine cannot make a wrong verdict look like none.
  EXPECT_EQ(NextChange(w, [&] { WriteFile(dir / "notes.txt", "x"); }, 10 * TextWatcher::kLongestBurst),
            TextWatcher::Change::kStopped);

  TextWatcher gone;
  ASSERT_EQ(gone.Open(dir, {"A_linea.txt"}), std::nullopt);
  EXPECT_EQ(NextChange(gone, [&] { std::filesystem::remove_all(dir); }), TextWatcher::Change::kGone);

  TextWatcher missing;
  std::optional<std::string> why = missing.Open(parent.path() / "nowhere", {"x"});
  ASSERT_TRUE(why.has_value());
  EXPECT_NE(why->find("nowhere"), std::string::npos) << *why;
}

}  // namespace
}  // namespace percorso
