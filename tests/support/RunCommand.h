// Runs a shell command line the way a person would type it, and gives back what it printed
// (stderr too, when the line folds it in) and its exit status, for tests that hold a
// program to what a user sees.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace testcommand {

struct Result {
  int status = -1;  // the exit status, or -1 when the command did not exit normally
  std::string out;
};

inline Result run(const std::string& commandLine) {
  Result r;
  FILE* p = popen(commandLine.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

}  // namespace testcommand
