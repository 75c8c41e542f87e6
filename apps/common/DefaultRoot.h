// The device-like tree a program reads when no --root is given, found from where the
// program itself lies, so that an installed prefix can be moved or unpacked anywhere:
// installed, <exe dir>/../share/nimbra/root; in a build folder, <exe dir>/../root (the
// programs are built into one folder beside the staged root).
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace hostpaths {

inline std::string defaultRoot() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "root";
  std::filesystem::path prefix = exe.parent_path().parent_path();
  std::filesystem::path installed = prefix / "share/nimbra/root";
  std::filesystem::path built = prefix / "root";
  if (!std::filesystem::is_directory(installed, ec) && std::filesystem::is_directory(built, ec)) {
    return built.string();
  }
  return installed.string();
}

}  // namespace hostpaths
