#include "serve/text_watcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace percorso {

namespace {

// A change to a text: written and closed, renamed into place, created, deleted or
// renamed away, its contents or permissions changed.
constexpr uint32_t kTextEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE |
                                 IN_MOVED_FROM | IN_MODIFY | IN_ATTRIB;
// The directory itself going away.
constexpr uint32_t kDirectoryEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED;

}  // namespace

TextWatcher::~TextWatcher() {
  if (inotify_ >= 0) ::close(inotify_);
  if (stop_ >= 0) ::close(stop_);
}

std::optional<std::string> TextWatcher::Open(const std::filesystem::path& dir,
                                             std::vector<std::string> names) {
  names_ = std::move(names);
  inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (inotify_ < 0) return "cannot watch " + dir.string() + ": " + std::strerror(errno);
  stop_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (stop_ < 0) return "cannot watch " + dir.string() + ": " + std::strerror(errno);
  if (::inotify_add_watch(inotify_, dir.c_str(), kTextEvents | kDirectoryEvents | IN_ONLYDIR) < 0) {
    return "cannot watch " + dir.string() + ": " + std::strerror(errno);
  }
  return std::nullopt;
}

TextWatcher::Read TextWatcher::Drain() {
  Read result = Read::kNothing;
  alignas(struct inotify_event) char buffer[16384];
  for (;;) {
    ssize_t n = ::read(inotify_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return result;  // EAGAIN: nothing more for now
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(struct inotify_event)) <= n;) {
      struct inotify_event event;
      std::memcpy(&event, buffer + at, sizeof event);
      const char* name = buffer + at + sizeof event;
      at += static_cast<ssize_t>(sizeof event + event.len);
      if (event.mask & (kDirectoryEvents | IN_Q_OVERFLOW)) {
        // An overflow may have hidden a change: take it as one.
        if (event.mask & IN_Q_OVERFLOW) {
          if (result == Read::kNothing) result = Read::kRelevant;
          continue;
        }
        return Read::kGone;
      }
      if (event.len == 0) continue;
      std::string_view file(name, ::strnlen(name, event.len));
      if (std::find(names_.begin(), names_.end(), file) != names_.end()) result = Read::kRelevant;
    }
  }
}

TextWatcher::Change TextWatcher::WaitForChange() {
  using Clock = std::chrono::steady_clock;
  std::optional<Clock::time_point> burst_start;
  for (;;) {
    int timeout_ms = -1;
    if (burst_start) {
      auto left = std::min<Clock::duration>(kQuiet, *burst_start + kLongestBurst - Clock::now());
      timeout_ms = static_cast<int>(
          std::max<int64_t>(0, std::chrono::duration_cast<std::chrono::milliseconds>(left).count()));
    }
    struct pollfd fds[2] = {{stop_, POLLIN, 0}, {inotify_, POLLIN, 0}};
    int ready = ::poll(fds, 2, timeout_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return Change::kGone;
    if (fds[0].revents != 0) return Change::kStopped;
    if (ready == 0 || (burst_start && Clock::now() >= *burst_start + kLongestBurst)) {
      if (burst_start) return Change::kChanged;  // the burst is over
      continue;
    }
    switch (Drain()) {
      case Read::kGone:
        return Change::kGone;
      case Read::kRelevant:
        if (!burst_start) burst_start = Clock::now();
        break;
      case Read::kNothing:
        break;
    }
  }
}

void TextWatcher::Stop() {
  if (stop_ < 0) return;
  const uint64_t one = 1;
  // Only the wake-up matters; a full counter already wakes the watcher.
  [[maybe_unused]] ssize_t n = ::write(stop_, &one, sizeof one);
}

}  // namespace percorso
