// A private folder for targets that read their input from a file, as the code under test
// only reads files. It lives in memory (/dev/shm) where the machine has it: each input
// is written, read and often rewritten there (with the writers' fsyncs), and on a disk
// that costs more than the code under test. The folder goes away when the process exits.
#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz {

inline std::string makeScratchFolder(const char* name) {
  std::error_code ec;
  std::string base = std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : "/tmp";
  if (const char* tmp = std::getenv("NIMBRA_FUZZ_TMPDIR")) base = tmp;
  std::string pattern = base + "/nimbra-fuzz-" + name + "-XXXXXX";
  if (!mkdtemp(pattern.data())) std::abort();
  static std::string folder;
  folder = pattern;
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  });
  return folder;
}

}  // namespace fuzz
