// The command lines of `nimbra` and both hosts, parsed by CLI11. A program is a Command
// (a CLI::App) whose subcommands are Commands too; each declares its options once, and its
// usage line and help text are made from those declarations (Formatter below).
//
// What the user sees stays in the programs' own words: a refused line prints
// "nimbra COMMAND: WHY" and the usage on standard error and exits with status 2; help asked
// for goes to standard output with status 0.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace commandline {

// A refusal in the command's own words. Thrown from an option's check or callback, or from
// a command's run(); run() below reports it with the usage line.
class Refused : public CLI::ParseError {
 public:
  explicit Refused(const std::string& why) : CLI::ParseError("Refused", why, 2) {}
};

class Command : public CLI::App {
 public:
  // `name` as typed ("home"), or the program's name for a program; `summary` one line.
  Command(std::string name, std::string summary);

  // The command's work once its line parsed; the exit status.
  virtual int run() { return 0; }

  // "nimbra home": what starts every message of this command.
  std::string label() const;
  // How a missing value is reported: "--types needs a list such as link,phone" (by default
  // "OPTION needs a value").
  CLI::Option* needs(CLI::Option* option, std::string what);
  // How an argument no option takes is reported; by default "unknown argument 'ARG'".
  void unknown(std::function<std::string(const std::string& arg)> words);
  // How a required positional left out is reported (by default CLI11's words).
  void missing(std::string words) { missing_ = std::move(words); }
  // Replaces the synopsis made from the options (for a program with commands).
  void synopsis(std::string text) { synopsis_ = std::move(text); }
  // A step option: given in any number, each occurrence handed to `take` as it is read,
  // so that steps of several kinds keep the order they were given in.
  CLI::Option* addStep(const std::string& name, std::size_t count, const std::string& arguments,
                       const std::string& summary,
                       std::function<void(const std::vector<std::string>&)> take);

  const std::string& synopsisOverride() const { return synopsis_; }
  std::string missingValue(const std::string& option) const;
  std::string unknownArgument(const std::string& arg) const;
  const std::string& missingArguments() const { return missing_; }

 private:
  std::map<std::string, std::string> needs_;
  std::function<std::string(const std::string&)> unknown_;
  std::string synopsis_;
  std::string missing_;
};

// "home --out FILE.png [--layout FILE] ...": the command's name and its options as a usage
// line shows them.
std::string synopsis(const CLI::App& app);

// The help text: the usage line, the summary, the options by group, and the footer.
class Formatter : public CLI::Formatter {
 public:
  std::string make_help(const CLI::App* app, std::string name,
                        CLI::AppFormatMode mode) const override;
};

// The help text of `app`, as --help prints it.
std::string help(const CLI::App& app);

// Checks that an option's value names a PNG file ("--out x.jpg: ... name it FILE.png").
CLI::Option* pngFile(CLI::Option* option);

// Parses argv (argv[0] the program) with `program`, then runs the command chosen: the
// program itself, or the command its line names. Help asked for is printed, and nothing run.
int run(Command& program, int argc, char** argv);

}  // namespace commandline
