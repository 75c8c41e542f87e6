#include "Foundation/NSFileManager.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "Foundation/NSString.h"

OBJC_CLASS_IMPL(NSFileManager) {}

Strong<NSFileManager> NSFileManager::defaultManager() {
  static const Strong<NSFileManager> shared = std::make_shared<NSFileManager>();
  return shared;
}

BOOL NSFileManager::fileExistsAtPath(const Strong<NSString>& path) const {
  return fileExistsAtPathIsDirectory(path, nullptr);
}

BOOL NSFileManager::fileExistsAtPathIsDirectory(const Strong<NSString>& path,
                                                BOOL* isDirectory) const {
  struct stat st;
  if (!path || ::stat(path->UTF8String(), &st) != 0) return NO;
  if (isDirectory) *isDirectory = S_ISDIR(st.st_mode);
  return YES;
}

BOOL NSFileManager::createDirectoryAtPathWithIntermediateDirectories(const Strong<NSString>& path,
                                                                     BOOL intermediates) const {
  if (!path || path->length() == 0) return NO;
  std::string p = path->stdString();
  if (!intermediates) return ::mkdir(p.c_str(), 0755) == 0;
  for (std::size_t i = 1; i <= p.size(); ++i) {
    if (i < p.size() && p[i] != '/') continue;
    std::string prefix = p.substr(0, i);
    if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return NO;
  }
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

BOOL NSFileManager::removeItemAtPath(const Strong<NSString>& path) const {
  return path && ::remove(path->UTF8String()) == 0;
}
