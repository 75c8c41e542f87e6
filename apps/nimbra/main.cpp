// The `nimbra` command: one entry point for the hosts and the settings tools.
#include <cstdio>
#include <string>

#include "Command.h"
#include "objc/NSObject.h"

namespace nimbra {

std::map<std::string, CommandEntry>& commands() {
  static std::map<std::string, CommandEntry> table;
  return table;
}

Command::Command(const char* name, const char* usage, CommandFunction run) {
  commands()[name] = {usage, run};
}

}  // namespace nimbra

namespace {

int usage() {
  std::fprintf(stderr, "usage: nimbra COMMAND [ARGS]\n");
  for (const auto& [name, entry] : nimbra::commands()) {
    std::fprintf(stderr, "  %s\n", entry.usage.c_str());
  }
  return 2;
}

int selfcheck(int, char**) {
  Class root = objc_getClass("NSObject");
  std::printf("runtime: root class %s %s\n", class_getName(root), root ? "found" : "MISSING");
  return root ? 0 : 1;
}

const nimbra::Command selfcheckCommand{
    "selfcheck", "selfcheck             check the platform runtime and print what it found",
    &selfcheck};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  auto& table = nimbra::commands();
  auto it = table.find(argv[1]);
  if (it == table.end()) {
    std::fprintf(stderr, "nimbra: unknown command '%s'\n", argv[1]);
    return usage();
  }
  return it->second.run(argc - 1, argv + 1);
}
