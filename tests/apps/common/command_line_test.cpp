// The command-line layer both hosts and `nimbra` parse with: steps keep the order they were
// given in, refusals speak the command's own words with its usage, help runs nothing, and
// the words after a command stay its own even when they spell another command's name.
#include "CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using commandline::Command;

struct Printed {
  int status = -1;
  std::string out, err;
};

// Runs `program` on `args` (the program's name first), capturing what it prints.
Printed runLine(Command& program, std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  Printed r;
  r.status = commandline::run(program, static_cast<int>(args.size()), argv.data());
  r.out = testing::internal::GetCapturedStdout();
  r.err = testing::internal::GetCapturedStderr();
  return r;
}

using Steps = std::vector<std::vector<std::string>>;

// A command whose steps are recorded as "verb args...", and whose run() counts.
class Stepper : public Command {
 public:
  explicit Stepper(Steps* steps, int* runs) : Command("steps", "take steps"), runs_(runs) {
    for (auto [verb, count, arguments] :
         {std::tuple{"tap", 1u, "LABEL"}, {"slide", 2u, "LABEL VALUE"}, {"back", 0u, ""}}) {
      std::string name = verb;
      addStep("--" + name, count, arguments, "step " + name,
              [steps, name](const std::vector<std::string>& args) {
                steps->push_back({name});
                steps->back().insert(steps->back().end(), args.begin(), args.end());
              })
          ->group("steps");
    }
    add_option("--root", root_, "where")->type_name("DIR");
    add_option("FILE", file_);
  }
  int run() override {
    ++*runs_;
    return 0;
  }

 private:
  int* runs_;
  std::string root_, file_;
};

class Program : public Command {
 public:
  Program(Steps* steps, int* runs) : Command("prog", "") {
    add_flag("--verbose", verbose, "say more");
    require_subcommand(0, 1);
    add_subcommand(std::make_shared<Stepper>(steps, runs));
    auto other = std::make_shared<Command>("other", "another command");
    other->unknown([](const std::string& arg) { return "no use for " + arg; });
    add_subcommand(other);
  }
  bool verbose = false;
};

TEST(CommandLine, StepsOfEveryKindKeepTheOrderTheyWereGivenIn) {
  Steps steps;
  int runs = 0;
  Program program(&steps, &runs);
  // Values that look like options or numbers are a step's own, and so are the names of
  // other commands; --verbose belongs to the program wherever it comes.
  Printed r = runLine(program, {"prog", "steps", "--tap", "A", "--back", "--slide", "S", "-1",
                                "--verbose", "--tap", "--back", "--back", "--tap=other", "other"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(program.verbose);
  EXPECT_EQ(steps, (Steps{{"tap", "A"},
                          {"back"},
                          {"slide", "S", "-1"},
                          {"tap", "--back"},
                          {"back"},
                          {"tap", "other"}}));
}

TEST(CommandLine, RefusalsNameTheCommandAndShowItsUsage) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"prog", "steps", "--slide", "S"}, "prog steps: --slide needs LABEL VALUE\n"},
      {{"prog", "steps", "--root"}, "prog steps: --root needs a value\n"},
      {{"prog", "steps", "--frob"}, "prog steps: unknown argument '--frob'\n"},
      {{"prog", "steps", "a", "b"}, "prog steps: unknown argument 'b'\n"},
      {{"prog", "other", "x"}, "prog other: no use for x\n"},
      {{"prog", "frob"}, "prog: unknown argument 'frob'\n"},
  };
  for (const Case& c : cases) {
    Steps steps;
    int runs = 0;
    Program program(&steps, &runs);
    Printed r = runLine(program, c.args);
    EXPECT_EQ(r.status, 2) << c.message;
    EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
    EXPECT_NE(r.err.find("\nusage: prog "), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(runs, 0) << c.message;
  }
}

TEST(CommandLine, HelpComesFromTheDeclarationsAndRunsNothing) {
  Steps steps;
  int runs = 0;
  Program program(&steps, &runs);
  Printed r = runLine(program, {"prog", "steps", "--tap", "A", "--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "usage: prog steps [--tap LABEL] [--slide LABEL VALUE] [--back] [--root DIR] [FILE]\n"
            "take steps\n"
            "steps:\n"
            "  --tap LABEL           step tap\n"
            "  --slide LABEL VALUE   step slide\n"
            "  --back                step back\n"
            "options:\n"
            "  --root DIR            where\n");
  Printed top = runLine(program, {"prog", "--help"});
  EXPECT_EQ(top.status, 0);
  EXPECT_NE(top.out.find("commands:\n  steps [--tap LABEL]"), std::string::npos) << top.out;
  EXPECT_NE(top.out.find("\n  other\n      another command\n"), std::string::npos) << top.out;
}

}  // namespace
