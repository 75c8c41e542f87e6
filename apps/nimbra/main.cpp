// The `nimbra` command: one entry point for the hosts and the settings tools.
#include <cstdio>
#include <cstring>
#include <string>

#include "objc/NSObject.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: nimbra selfcheck\n"
               "  selfcheck   checks the platform runtime and prints what it found\n");
  return 2;
}

int selfcheck() {
  Class root = objc_getClass("NSObject");
  std::printf("runtime: root class %s %s\n", class_getName(root), root ? "found" : "MISSING");
  return root ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  std::string command = argv[1];
  if (command == "selfcheck") return selfcheck();
  std::fprintf(stderr, "nimbra: unknown command '%s'\n", command.c_str());
  return usage();
}
