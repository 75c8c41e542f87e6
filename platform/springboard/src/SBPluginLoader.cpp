#include "SpringBoard/SBPluginLoader.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "Foundation/NSArray.h"
#include "Foundation/NSString.h"

const char* const SBHostBundleIdentifier = "com.apple.springboard";

namespace SBPluginLoader {

namespace {

BOOL listNames(const Strong<NSDictionary>& filter, const char* key, const std::string& name) {
  auto list = filter->objectForKeyAs<NSArray>(NSString::stringWithUTF8String(key));
  if (!list || name.empty()) return NO;
  for (const id& entry : *list) {
    auto s = objc_cast<NSString>(entry);
    if (s && s->stdString() == name) return YES;
  }
  return NO;
}

}  // namespace

std::string pluginDirectory(const std::string& root) {
  return root + "/Library/MobileSubstrate/DynamicLibraries";
}

BOOL filterSelects(const Strong<NSDictionary>& filterPlist, const std::string& executable,
                   const std::string& bundleIdentifier) {
  auto filter = filterPlist ? filterPlist->objectForKeyAs<NSDictionary>(NSSTR("Filter")) : nullptr;
  if (!filter) return NO;
  return listNames(filter, "Executables", executable) ||
         listNames(filter, "Bundles", bundleIdentifier);
}

std::vector<std::string> relayoutNotifications(const Strong<NSDictionary>& filterPlist) {
  std::vector<std::string> names;
  auto list =
      filterPlist ? filterPlist->objectForKeyAs<NSArray>(NSSTR("RelayoutNotifications")) : nullptr;
  if (!list) return names;
  for (const id& entry : *list) {
    auto s = objc_cast<NSString>(entry);
    if (s && s->length() > 0) names.push_back(s->stdString());
  }
  return names;
}

SBPluginLoadResult loadPlugins(const std::string& root, const std::string& executable,
                               const std::string& bundleIdentifier) {
  SBPluginLoadResult result;
  std::error_code ec;
  std::vector<std::filesystem::path> libraries;
  for (const auto& item : std::filesystem::directory_iterator(pluginDirectory(root), ec)) {
    if (item.path().extension() == ".dylib") libraries.push_back(item.path());
  }
  std::sort(libraries.begin(), libraries.end());
  for (const auto& library : libraries) {
    std::filesystem::path filterPath = library;
    filterPath.replace_extension(".plist");
    auto filter = NSDictionary::dictionaryWithContentsOfFile(filterPath.string());
    if (!filterSelects(filter, executable, bundleIdentifier)) continue;
    std::string why;
    if (objc_loadPlugin(library.string(), &why)) {
      result.loaded.push_back(library.string());
      for (std::string& name : relayoutNotifications(filter)) {
        auto& known = result.relayoutNotifications;
        if (std::find(known.begin(), known.end(), name) == known.end()) known.push_back(name);
      }
    } else {
      result.errors.push_back(library.string() + ": " + why);
    }
  }
  return result;
}

std::string currentExecutableName() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) return exe.filename().string();
  return program_invocation_short_name;
}

}  // namespace SBPluginLoader
