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

std::vector<CommandMaker>& commands() {
  static std::vector<CommandMaker> table;
  return table;
}

Registration::Registration(CommandMaker make) {
  commands().push_back(std::move(make));
}

}  // namespace nimbra

namespace {

// One aligned line per check: what was looked for, found or MISSING, where.
struct Check {
  std::string what;
  bool found;
  std::string where;
};

bool exists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

class Selfcheck : public commandline::Command {
 public:
  Selfcheck()
      : Command("selfcheck", "check the runtime and the staged plug-in, bundle and home screen") {
    unknown([](const std::string&) { return "takes no arguments"; });
  }
  int run() override;
};

int Selfcheck::run() {
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

const nimbra::Registration selfcheck{[] { return std::make_shared<Selfcheck>(); }};

// Log lines are for whoever looks into a problem, not for every run.
bool verboseFromEnvironment() {
  const char* log = std::getenv("NIMBRA_LOG");
  return log && *log && std::string(log) != "0";
}

// `nimbra help [COMMAND]`: help asked for is an answer, not an error (standard output,
// status 0).
class Help : public commandline::Command {
 public:
  explicit Help(const commandline::Command& program)
      : Command("help", "print the usage of nimbra or of COMMAND"), program_(program) {
    group("");  // not listed among the commands
    add_option("COMMAND", command_);
  }
  int run() override {
    const CLI::App* shown = command_.empty() ? &program_ : nullptr;
    for (const CLI::App* sub : program_.get_subcommands({}))
      if (sub->get_name() == command_ && !sub->get_group().empty()) shown = sub;
    if (!shown) {
      std::fprintf(stderr, "nimbra: unknown command '%s'\n%s", command_.c_str(),
                   commandline::help(program_).c_str());
      return 2;
    }
    std::fputs(commandline::help(*shown).c_str(), stdout);
    return 0;
  }

 private:
  const commandline::Command& program_;
  std::string command_;
};

class Nimbra : public commandline::Command {
 public:
  Nimbra() : Command("nimbra", "") {
    synopsis(
        "[--verbose] COMMAND [ARGS]\n"
        "       nimbra help [COMMAND] | nimbra COMMAND --help | nimbra --version");
    // --verbose may come anywhere; the commands pass what they do not know up to here.
    add_flag_callback(
        "--verbose", [] { foundation::setLogEnabled(true); },
        "also print the platform's log lines on standard error (as does NIMBRA_LOG=1 in the "
        "environment)");
    set_version_flag("--version", "nimbra " NIMBRA_VERSION, "print the version");
    footer("nimbra help prefs lists the settings keys with their types, ranges and titles.");
    unknown([](const std::string& arg) {
      return "unknown command '" + arg + "'; nimbra --help lists them";
    });
    require_subcommand(0, 1);  // the words after a command are its own, never another command
    std::vector<std::shared_ptr<commandline::Command>> made;
    for (const auto& make : nimbra::commands()) made.push_back(make());
    std::sort(made.begin(), made.end(),
              [](const auto& a, const auto& b) { return a->get_name() < b->get_name(); });
    for (auto& command : made) add_subcommand(command);
    add_subcommand(std::make_shared<Help>(*this));
  }
  // No command given.
  int run() override {
    std::fputs(commandline::help(*this).c_str(), stderr);
    return 2;
  }
};

}  // namespace

int main(int argc, char** argv) {
  foundation::setLogEnabled(verboseFromEnvironment());
  Nimbra program;
  return commandline::run(program, argc, argv);
}
