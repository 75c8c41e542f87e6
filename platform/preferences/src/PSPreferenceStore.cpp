#include "Preferences/PSPreferenceStore.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "CoreFoundation/CFNotificationCenter.h"
#include "Foundation/NSData.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSFileCoordinator.h"
#include "Foundation/NSLog.h"
#include "Foundation/NSPathUtilities.h"
#include "Foundation/NSPropertyListSerialization.h"
#include "Foundation/NSString.h"

Strong<NSString> PSPreferenceStore::pathForDomain(const Strong<NSString>& domain) {
  auto folder = NSHomeDirectory()->stringByAppendingPathComponent(NSSTR("Library/Preferences"));
  return folder->stringByAppendingPathComponent(domain->stringByAppendingString(NSSTR(".plist")));
}

Strong<NSDictionary> PSPreferenceStore::contentsOfDomain(const Strong<NSString>& domain) {
  if (!domain) return nullptr;
  return NSDictionary::dictionaryWithContentsOfFile(pathForDomain(domain));
}

id PSPreferenceStore::valueForKey(const Strong<NSString>& domain, const Strong<NSString>& key) {
  auto contents = contentsOfDomain(domain);
  return contents && key ? contents->objectForKey(key) : nullptr;
}

BOOL PSPreferenceStore::createParentFolder(const Strong<NSString>& path) {
  std::string folder = path->stringByDeletingLastPathComponent()->stdString();
  for (std::size_t at = 1; at <= folder.size(); ++at) {
    if (at < folder.size() && folder[at] != '/') continue;
    std::string prefix = folder.substr(0, at);
    if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return NO;
  }
  struct stat st;
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

constexpr const char* kUnreadableSuffix = ".unreadable";

// Before an unreadable file is replaced, it is renamed aside rather than copied: the
// bytes are kept exactly, whatever their size or permissions, with no room needed for
// a second copy, and the rename replaces an older one in one step. The path itself is
// looked at, not what a link there points to, so a link is moved and its target kept.
// A folder is never moved: nothing was written there by a settings writer.
enum class Aside { NothingThere, Moved, Failed };

Aside keepUnreadableAside(const std::string& path, const std::string& aside, std::string& why) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return Aside::NothingThere;
    why = std::strerror(errno);
    return Aside::Failed;
  }
  if (S_ISDIR(st.st_mode)) {
    why = "a folder is in its place";
    return Aside::Failed;
  }
  if (::rename(path.c_str(), aside.c_str()) != 0) {
    why = std::string("cannot keep its unreadable contents aside: ") + std::strerror(errno);
    return Aside::Failed;
  }
  return Aside::Moved;
}

}  // namespace

BOOL PSPreferenceStore::setValueForKey(const Strong<NSString>& domain, const Strong<NSString>& key,
                                       const id& value, std::string* error,
                                       std::string* keptAside) {
  if (!domain || !key || !domain->length()) {
    if (error) *error = "no settings domain or key";
    return NO;
  }
  auto path = pathForDomain(domain);
  const std::string file = path->stdString();
  const std::string aside = file + kUnreadableSuffix;
  createParentFolder(path);
  BOOL written = NO;
  BOOL movedAside = NO;
  std::string why;
  // No lock to be had means the folder can't be written either: the generic message.
  NSFileCoordinator::coordinateWritingItemAtPath(path, [&] {
    auto current = NSDictionary::dictionaryWithContentsOfFile(path);
    auto contents = current ? NSMutableDictionary::dictionaryWithDictionary(current)
                            : NSMutableDictionary::dictionary();
    if (value) {
      contents->setObjectForKey(value, key);
    } else {
      contents->removeObjectForKey(key);
    }
    // Made before anything moves, so a value that can't be stored leaves the file be.
    auto data = NSPropertyListSerialization::dataWithPropertyList(
        contents, NSPropertyListXMLFormat_v1_0, &why);
    if (!data) return;
    if (!current) {
      Aside kept = keepUnreadableAside(file, aside, why);
      if (kept == Aside::Failed) return;
      movedAside = kept == Aside::Moved;
    }
    written = data->writeToFileAtomically(path, YES);
  });
  if (movedAside) {
    NSLog("[Preferences] %s could not be read; its bytes are kept in %s", file, aside);
    if (keptAside) *keptAside = aside;
  }
  if (!written && error) {
    *error = "cannot write " + file;
    if (!why.empty()) *error += ": " + why;
  }
  return written;
}

void PSPreferenceStore::postNotification(const Strong<NSString>& name) {
  if (!name || !name->length()) return;
  CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(), name, nullptr,
                                       nullptr, true);
}
