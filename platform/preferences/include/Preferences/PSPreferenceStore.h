// The settings files of the settings entries: one property-list dictionary per
// domain under ~/Library/Preferences. Every change is a read-modify-write of one key
// under the file's advisory lock, so writers in several processes never lose each
// other's keys.
#pragma once

#include <string>

#include "Foundation/NSObjCRuntime.h"
#include "Preferences/PreferencesExport.h"

class NSString;
class NSDictionary;

class NIMBRA_PREFERENCES_API PSPreferenceStore {
 public:
  // NSHomeDirectory()/Library/Preferences/<domain>.plist
  static Strong<NSString> pathForDomain(const Strong<NSString>& domain);

  // The whole file, none when it is missing, unreadable or not a dictionary.
  static Strong<NSDictionary> contentsOfDomain(const Strong<NSString>& domain);
  static id valueForKey(const Strong<NSString>& domain, const Strong<NSString>& key);

  // Stores `value` (none removes the key) and writes the file atomically: the one writer
  // of a domain's file. A file that can't be read as a dictionary reads as empty and is
  // started afresh, but its bytes are first moved aside to "<file>.unreadable" (replacing
  // an older one), the log says so and `keptAside` gets that path. A folder in the file's
  // place is left alone and the write fails. NO when the write failed; `error` says why.
  static BOOL setValueForKey(const Strong<NSString>& domain, const Strong<NSString>& key,
                             const id& value, std::string* error = nullptr,
                             std::string* keptAside = nullptr);

  // Posts a Darwin notification of that name; nothing for none or an empty name.
  static void postNotification(const Strong<NSString>& name);

  // Creates the folder of `path` and its parents; NO when it can't.
  static BOOL createParentFolder(const Strong<NSString>& path);
};
