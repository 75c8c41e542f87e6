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

void printUsage(std::FILE* to) {
  std::fprintf(
      to, "usage: nimbra COMMAND [ARGS]\n       nimbra help [COMMAND] | nimbra COMMAND --help\n");
  for (const auto& [name, entry] : nimbra::commands()) {
    std::fprintf(to, "  %s\n", entry.usage.c_str());
  }
}

int usage() {
  printUsage(stderr);
  return 2;
}

bool isHelp(const std::string& arg) {
  return arg == "--help" || arg == "-h";
}

// Help asked for is an answer, not an error: standard output and exit status 0.
int help(const char* command) {
  if (!command) {
    printUsage(stdout);
    return 0;
  }
  auto it = nimbra::commands().find(command);
  if (it == nimbra::commands().end()) {
    std::fprintf(stderr, "nimbra: unknown command '%s'\n", command);
    return usage();
  }
  std::printf("usage: nimbra %s\n", it->second.usage.c_str());
  return 0;
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
  if (isHelp(argv[1])) return help(nullptr);
  if (std::string(argv[1]) == "help") return help(argc > 2 ? argv[2] : nullptr);
  auto& table = nimbra::commands();
  auto it = table.find(argv[1]);
  if (it == table.end()) {
    std::fprintf(stderr, "nimbra: unknown command '%s'\n", argv[1]);
    return usage();
  }
  for (int i = 2; i < argc; ++i) {
    if (isHelp(argv[i])) return help(argv[1]);
  }
  return it->second.run(argc - 1, argv + 1);
}
