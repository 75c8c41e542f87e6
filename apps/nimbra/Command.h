// Subcommands of `nimbra` register themselves, one source file each:
//
//   static const nimbra::Command home{"home", "home --out FILE.png   render the home screen",
//                                     &runHome};
#pragma once

#include <map>
#include <string>

namespace nimbra {

using CommandFunction = int (*)(int argc, char** argv);  // argv[0] is the subcommand

struct Command {
  // `details` follows the usage line in the command's own help.
  Command(const char* name, std::string usage, CommandFunction run, std::string details = {});
};

struct CommandEntry {
  std::string usage;
  CommandFunction run;
  std::string details;
};

std::map<std::string, CommandEntry>& commands();

}  // namespace nimbra
