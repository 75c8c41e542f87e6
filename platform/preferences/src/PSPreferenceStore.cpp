#include "Preferences/PSPreferenceStore.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "CoreFoundation/CFNotificationCenter.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSFileCoordinator.h"
#include "Foundation/NSPathUtilities.h"
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

BOOL PSPreferenceStore::setValueForKey(const Strong<NSString>& domain, const Strong<NSString>& key,
                                       const id& value, std::string* error) {
  if (!domain || !key || !domain->length()) {
    if (error) *error = "no settings domain or key";
    return NO;
  }
  auto path = pathForDomain(domain);
  createParentFolder(path);
  BOOL written = NO;
  NSFileCoordinator::coordinateWritingItemAtPath(path, [&] {
    auto current = NSDictionary::dictionaryWithContentsOfFile(path);
    auto contents = current ? NSMutableDictionary::dictionaryWithDictionary(current)
                            : NSMutableDictionary::dictionary();
    if (value) {
      contents->setObjectForKey(value, key);
    } else {
      contents->removeObjectForKey(key);
    }
    written = contents->writeToFileAtomically(path, YES);
  });
  if (!written && error) *error = "cannot write " + path->stdString();
  return written;
}

void PSPreferenceStore::postNotification(const Strong<NSString>& name) {
  if (!name || !name->length()) return;
  CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(), name, nullptr,
                                       nullptr, true);
}
