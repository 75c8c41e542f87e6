// Runs a scenario in a fresh child process, since the plug-in's start-up runs once per
// process: the child gets its own HOME with the settings file written first, loads
// Nimbra.dylib, and reports failures through its exit status.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "Foundation/Foundation.h"
#include "Foundation/NSNumber.h"
#include "Foundation/NSString.h"
#include "objc/runtime.h"

namespace harness {

inline const std::string kPluginPath =
    std::string(NIMBRA_ROOT) + "/Library/MobileSubstrate/DynamicLibraries/Nimbra.dylib";

inline std::string settingsPath() {
  return std::string(std::getenv("HOME")) + "/Library/Preferences/com.varenko.nimbra.plist";
}

// Writes the settings file under the current HOME; none removes it.
inline void writeSettings(const Strong<NSDictionary>& settings) {
  std::filesystem::create_directories(std::filesystem::path(settingsPath()).parent_path());
  if (!settings) {
    std::filesystem::remove(settingsPath());
    return;
  }
  ASSERT_TRUE(settings->writeToFileAtomically(settingsPath(), YES));
}

inline void loadPlugin() {
  std::string error;
  ASSERT_TRUE(objc_loadPlugin(kPluginPath, &error)) << error;
}

// Forks; the child makes a temporary HOME, writes `settings` (or writes raw `bytes`
// when given), runs `beforeLoad` (when given: to change the host the plug-in hooks),
// loads the plug-in and runs `body`. The test fails when the child does.
inline void inFreshProcess(const Strong<NSDictionary>& settings, const std::function<void()>& body,
                           const char* rawBytes = nullptr,
                           const std::function<void()>& beforeLoad = {}) {
  std::fflush(nullptr);
  pid_t pid = fork();
  ASSERT_NE(pid, -1);
  if (pid == 0) {
    char home[] = "/tmp/nimbra-home-XXXXXX";
    if (!mkdtemp(home)) _exit(3);
    setenv("HOME", home, 1);
    if (rawBytes) {
      std::filesystem::create_directories(std::filesystem::path(settingsPath()).parent_path());
      FILE* f = std::fopen(settingsPath().c_str(), "wb");
      std::fputs(rawBytes, f);
      std::fclose(f);
    } else {
      writeSettings(settings);
    }
    if (beforeLoad && !::testing::Test::HasFailure()) beforeLoad();
    if (!::testing::Test::HasFailure()) loadPlugin();
    if (!::testing::Test::HasFailure()) {
      try {
        body();
      } catch (const std::exception& e) {
        ADD_FAILURE() << "exception: " << e.what();
      }
    }
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
    std::fflush(nullptr);
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "child died with signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "failures in the child process (see above)";
}

inline Strong<NSDictionary> settings(std::initializer_list<NSDictionary::Entry> entries) {
  return NSDictionary::dictionaryWithObjectsAndKeys(entries);
}
inline id num(int v) {
  return NSNumber::numberWithInt(v);
}
inline id real(double v) {
  return NSNumber::numberWithDouble(v);
}
inline id boolean(bool v) {
  return NSNumber::numberWithBool(v);
}
inline id str(const char* s) {
  return NSString::stringWithUTF8String(s);
}

}  // namespace harness
