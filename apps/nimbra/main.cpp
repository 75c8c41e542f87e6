// The `nimbra` command: one entry point for the hosts and the settings tools.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../common/DefaultRoot.h"
#include "Command.h"
#include "Foundation/NSLog.h"
#include "objc/NSObject.h"

namespace nimbra {

std::map<std::string, CommandEntry>& commands() {
  static std::map<std::string, CommandEntry> table;
  return table;
}

Command::Command(const char* name, std::string usage, CommandFunction run, std::string details) {
  commands()[name] = {std::move(usage), run, std::move(details)};
}

}  // namespace nimbra

namespace {

// A usage string is "SYNOPSIS   SUMMARY"; the list shows the summary below its synopsis so
// that long synopses do not push the summaries out of line.
void printEntry(std::FILE* to, const std::string& usage) {
  std::size_t gap = usage.find("   ");
  if (gap == std::string::npos) {
    std::fprintf(to, "  %s\n", usage.c_str());
    return;
  }
  std::size_t summary = usage.find_first_not_of(' ', gap);
  std::fprintf(to, "  %s\n      %s\n", usage.substr(0, gap).c_str(), usage.c_str() + summary);
}

void printUsage(std::FILE* to) {
  std::fprintf(to,
               "usage: nimbra [--verbose] COMMAND [ARGS]\n"
               "       nimbra help [COMMAND] | nimbra COMMAND --help | nimbra --version\n"
               "commands:\n");
  for (const auto& [name, entry] : nimbra::commands()) printEntry(to, entry.usage);
  std::fprintf(to,
               "options:\n"
               "  --verbose   also print the platform's log lines on standard error (as does\n"
               "              NIMBRA_LOG=1 in the environment)\n"
               "nimbra help prefs lists the settings keys with their types, ranges and titles.\n");
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
  if (!it->second.details.empty()) std::fputs(it->second.details.c_str(), stdout);
  return 0;
}

// One aligned line per check: what was looked for, found or MISSING, where.
struct Check {
  std::string what;
  bool found;
  std::string where;
};

bool exists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

int selfcheck(int argc, char**) {
  if (argc != 1) {
    std::fprintf(stderr, "nimbra selfcheck: takes no arguments\n");
    return 2;
  }
  const std::string root = hostpaths::defaultRoot();
  Class object = objc_getClass("NSObject");
  std::vector<Check> checks = {
      {"runtime root class", object != nullptr, object ? class_getName(object) : "NSObject"},
      {"plug-in", exists(root + "/Library/MobileSubstrate/DynamicLibraries/Nimbra.dylib"),
       root + "/Library/MobileSubstrate/DynamicLibraries/Nimbra.dylib"},
      {"settings bundle", exists(root + "/Library/PreferenceBundles/Nimbra.bundle/Info.plist"),
       root + "/Library/PreferenceBundles/Nimbra.bundle"},
      {"settings entry", exists(root + "/Library/PreferenceLoader/Preferences"),
       root + "/Library/PreferenceLoader/Preferences"},
      {"sample home screen", exists(root + "/Library/SpringBoard/home.plist"),
       root + "/Library/SpringBoard/home.plist"},
  };
  std::size_t width = 0;
  for (const Check& c : checks) width = std::max(width, c.what.size());
  bool all = true;
  for (const Check& c : checks) {
    std::printf("%-*s  %-7s  %s\n", int(width), c.what.c_str(), c.found ? "found" : "MISSING",
                c.where.c_str());
    all = all && c.found;
  }
  return all ? 0 : 1;
}

const nimbra::Command selfcheckCommand{
    "selfcheck", "selfcheck   check the runtime and the staged plug-in, bundle and home screen",
    &selfcheck};

// Log lines are for whoever looks into a problem, not for every run.
bool verboseFromEnvironment() {
  const char* log = std::getenv("NIMBRA_LOG");
  return log && *log && std::string(log) != "0";
}

}  // namespace

int main(int argc, char** argv) {
  // --verbose may come anywhere; it is taken out before the command sees its arguments.
  bool verbose = verboseFromEnvironment();
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--verbose") {
      verbose = true;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  argv[argc] = nullptr;
  foundation::setLogEnabled(verbose);
  if (argc < 2) return usage();
  if (isHelp(argv[1])) return help(nullptr);
  if (std::string(argv[1]) == "--version") {
    std::printf("nimbra %s\n", NIMBRA_VERSION);
    return 0;
  }
  if (std::string(argv[1]) == "help") return help(argc > 2 ? argv[2] : nullptr);
  auto& table = nimbra::commands();
  auto it = table.find(argv[1]);
  if (it == table.end()) {
    std::fprintf(stderr, "nimbra: unknown command '%s'; nimbra --help lists them\n", argv[1]);
    return 2;
  }
  for (int i = 2; i < argc; ++i) {
    if (isHelp(argv[i])) return help(argv[1]);
  }
  return it->second.run(argc - 1, argv + 1);
}
