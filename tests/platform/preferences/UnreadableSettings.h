// Settings files that can't be read as a dictionary, each as the bytes a user might find
// in its place, and what a writer must leave of them: the same bytes beside the file.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace unreadable {

struct Flavour {
  const char* name;
  std::string bytes;
};

// A literal's bytes, NULs included.
template <std::size_t N>
std::string bytesOf(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

inline const std::vector<Flavour>& flavours() {
  static const std::vector<Flavour> all = {
      {"truncated XML", "<?xml version=\"1.0\"?><plist><dict><key>Enabled</key>"},
      {"truncated binary", bytesOf("bplist00\xd1\x01\x02UColor")},
      {"array plist",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><array>"
       "<string>Mail</string></array></plist>\n"},
      {"PNG", bytesOf("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0")},
  };
  return all;
}

inline std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string asidePath(const std::string& settingsFile) {
  return settingsFile + ".unreadable";
}

// What a writer's work left in the settings folder besides the file, its lock and the
// kept bytes: a temporary left behind shows up here.
inline std::vector<std::string> strayFiles(const std::string& settingsFile) {
  namespace fs = std::filesystem;
  fs::path file(settingsFile);
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(file.parent_path())) {
    std::string name = e.path().filename().string();
    std::string base = file.filename().string();
    if (name != base && name != base + ".unreadable" && name != "." + base + ".lock")
      out.push_back(name);
  }
  return out;
}

}  // namespace unreadable
