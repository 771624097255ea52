#include "app/install_location.h"

#include <array>
#include <ostream>
#include <system_error>

#include "app/serve_launcher.h"

#ifndef PERCORSO_INSTALL_BINDIR
#define PERCORSO_INSTALL_BINDIR "/usr/local/bin"
#endif
#ifndef PERCORSO_SERVE_RELATIVE_DIR
#define PERCORSO_SERVE_RELATIVE_DIR "../libexec/percorso"
#endif

namespace percorso {

namespace {

// The folders of programs every Debian system has, whatever prefix this build names.
constexpr std::array<const char*, 2> kSystemBinDirs = {"/usr/bin", "/usr/local/bin"};

// The folder as the file system resolves it (symbolic links, "..", a trailing slash),
// so that /bin on a merged /usr and /usr/bin compare equal; as given when it is missing.
std::filesystem::path Resolved(const std::filesystem::path& dir) {
  std::error_code ec;
  std::filesystem::path resolved = std::filesystem::weakly_canonical(dir, ec);
  if (ec) return dir.lexically_normal();
  return resolved;
}

bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
  if (a.empty() || b.empty()) return false;
  std::error_code ec;
  if (std::filesystem::equivalent(a, b, ec)) return true;
  return Resolved(a) == Resolved(b);
}

}  // namespace

std::filesystem::path InstallBinDir() { return PERCORSO_INSTALL_BINDIR; }

bool IsInstalledLocation(const std::filesystem::path& exe_dir,
                         const std::filesystem::path& install_bindir) {
  if (SameFolder(exe_dir, install_bindir)) return true;
  for (const char* dir : kSystemBinDirs) {
    if (SameFolder(exe_dir, dir)) return true;
  }
  // An install below another root (DESTDIR, a package unpacked into a scratch root):
  // `bin` with the preview server where the install puts it.
  const std::filesystem::path resolved = Resolved(exe_dir);
  if (resolved.filename() != "bin") return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(
      resolved / PERCORSO_SERVE_RELATIVE_DIR / kServeExecutable, ec);
}

void PrintInstalledNoArguments(const std::filesystem::path& exe_dir, std::ostream& err) {
  err << "percorso: started without arguments from " << exe_dir.string()
      << ", where it is installed: nothing was written.\n"
         "Usage: percorso COMMAND [OPTIONS]   (percorso --help lists the commands)\n"
         "The built-in build run writes its files into a folder of your choice:\n"
         "  percorso build-run --dir DIR\n";
}

}  // namespace percorso
