// Where the program runs from. Started with no arguments, a copy in its build folder or
// in a folder of the user's does the build run there; an installed copy must not write
// into the system's folder of programs, so it only says how to do the build run
// elsewhere (`percorso build-run --dir DIR`).
#ifndef PERCORSO_APP_INSTALL_LOCATION_H_
#define PERCORSO_APP_INSTALL_LOCATION_H_

#include <filesystem>
#include <iosfwd>

namespace percorso {

// True when `exe_dir` is a folder programs are installed into: `install_bindir` (the
// `bin` folder of the prefix this build installs under), /usr/bin, /usr/local/bin, or a
// `bin` folder laid out as an install (the preview server installed beside it under
// `../libexec/percorso`, as in a package unpacked below another root).
bool IsInstalledLocation(const std::filesystem::path& exe_dir,
                         const std::filesystem::path& install_bindir);

// The `bin` folder of the prefix this build installs under.
std::filesystem::path InstallBinDir();

// What an installed copy started with no arguments prints on `err`: that it wrote
// nothing, the usage, and how to do the build run into a folder of one's choice.
void PrintInstalledNoArguments(const std::filesystem::path& exe_dir, std::ostream& err);

}  // namespace percorso

#endif  // PERCORSO_APP_INSTALL_LOCATION_H_
