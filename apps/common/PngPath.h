// Pictures are written as PNG only: a path that promises another format is refused rather
// than filled with PNG bytes under a misleading name.
#pragma once

#include <string>

namespace hostpaths {

// YES for a path ending in ".png" (any case) with a name before it.
inline bool isPngPath(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.size() <= 4) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext == ".png";
}

}  // namespace hostpaths
