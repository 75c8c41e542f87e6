// A fresh home folder for each test, so settings files never touch the real one.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

class TempHome {
 public:
  TempHome() {
    char pattern[] = "/tmp/nimbra-settings-test-XXXXXX";
    path_ = mkdtemp(pattern);
    const char* old = std::getenv("HOME");
    old_ = old ? old : "";
    setenv("HOME", path_.c_str(), 1);
    std::filesystem::create_directories(path_ + "/Library/Preferences");
  }
  ~TempHome() {
    setenv("HOME", old_.c_str(), 1);
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string settingsFile() const {
    return path_ + "/Library/Preferences/com.varenko.nimbra.plist";
  }

 private:
  std::string path_;
  std::string old_;
};
