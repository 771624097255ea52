// The floor of the built-in build run: exactly its file operations, on bytes it already
// holds, and nothing else. The run locks its directory, writes five texts (the line
// description, the train data text and the three crew documents), reads the first two
// back, deletes them and writes the three compiled files; every file goes through the
// same atomic replacement (base/file_io.h) as in the run itself.
//
//   percorso_floor DIR TEXT1 TEXT2 TEXT3 TEXT4 TEXT5 COMPILED1 COMPILED2 COMPILED3
//
// Each argument after DIR is a file whose bytes are written into DIR under its own base
// name, in the order given; the files are mapped into memory with their pages present
// (MAP_POPULATE), not read, so the bytes are held the way a program holds its data and
// the floor pays no page fault to reach them. Exit status 0, or 3 with a message on
// failure.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>

#include "base/file_io.h"
#include "model/file_limits.h"

namespace {

constexpr int kTexts = 5;
constexpr int kReadBack = 2;
constexpr int kCompiled = 3;
constexpr int kExitFailed = 3;

struct HeldFile {
  std::filesystem::path name;
  std::string_view bytes;
};

bool Hold(const char* path, HeldFile* out) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    std::fprintf(stderr, "percorso_floor: cannot read %s: %s\n", path, std::strerror(errno));
    if (fd >= 0) ::close(fd);
    return false;
  }
  const size_t size = static_cast<size_t>(st.st_size);
  void* p =
      size == 0 ? nullptr : ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  ::close(fd);
  if (p == MAP_FAILED) {
    std::fprintf(stderr, "percorso_floor: cannot map %s: %s\n", path, std::strerror(errno));
    return false;
  }
  out->name = std::filesystem::path(path).filename();
  out->bytes = std::string_view(static_cast<const char*>(p), size);
  return true;
}

bool Failed(const std::optional<percorso::IoError>& e) {
  if (!e) return false;
  std::fprintf(stderr, "percorso_floor: %s\n", e->Message().c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 + kTexts + kCompiled) {
    std::fprintf(stderr,
                 "usage: percorso_floor DIR TEXT1 .. TEXT%d COMPILED1 .. COMPILED%d\n", kTexts,
                 kCompiled);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  HeldFile files[kTexts + kCompiled];
  for (int i = 0; i < kTexts + kCompiled; ++i) {
    if (!Hold(argv[2 + i], &files[i])) return kExitFailed;
  }

  percorso::DirectoryLock lock(dir);
  for (int i = 0; i < kTexts; ++i) {
    if (Failed(percorso::ReplaceFile(dir / files[i].name, files[i].bytes))) return kExitFailed;
  }
  for (int i = 0; i < kReadBack; ++i) {
    percorso::ReadResult r = percorso::ReadWholeFile(dir / files[i].name, percorso::kMaxTextBytes);
    if (r.status != percorso::ReadStatus::kOk) {
      Failed(r.error);
      return kExitFailed;
    }
  }
  for (int i = 0; i < kReadBack; ++i) {
    if (Failed(percorso::RemoveFile(dir / files[i].name))) return kExitFailed;
  }
  for (int i = kTexts; i < kTexts + kCompiled; ++i) {
    if (Failed(percorso::ReplaceFile(dir / files[i].name, files[i].bytes))) return kExitFailed;
  }
  return 0;
}
