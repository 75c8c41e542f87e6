// `nimbra detect --now DATE --locale NAME` as a person runs it: the real executable in a
// child process, in a fixed zone.
#include <gtest/gtest.h>

#include <string>

#include "RunCommand.h"

namespace {

using testcommand::Result;

// Runs `nimbra detect --types date ARGS` on `text`, stderr folded into stdout.
Result detect(const std::string& args, const std::string& text) {
  std::string command = "printf '%s' '" + text + "' | TZ=UTC LANG=en_US.UTF-8 " +
                        std::string(NIMBRA_BUILD_DIR) + "/apps/nimbra detect --types date " + args +
                        " 2>&1";
  return testcommand::run(command);
}

TEST(DetectCommand, NowAndLocaleSetTheMomentAndTheOrderOfDayAndMonth) {
  struct Case {
    const char* args;
    const char* text;
    const char* out;
  } cases[] = {
      {"--now 2026-12-09T10:00:00Z", "tomorrow", "0\t8\tdate\t2026-12-10T12:00:00Z\n"},
      // An offset moves the moment, and so the day "tomorrow" falls on.
      {"--now 2026-12-09T23:30:00-02:00", "tomorrow", "0\t8\tdate\t2026-12-11T12:00:00Z\n"},
      {"--now 2026-12-09", "in 2 hours", "0\t10\tdate\t2026-12-09T02:00:00Z\n"},
      {"--now 2026-12-09T10:00:00.5Z --locale en_GB", "8/10/12",
       "0\t7\tdate\t2012-10-08T12:00:00Z\n"},
      {"--now 2026-12-09 --locale en-US", "8/10/12", "0\t7\tdate\t2012-08-10T12:00:00Z\n"},
  };
  for (const Case& c : cases) {
    Result r = detect(c.args, c.text);
    EXPECT_EQ(r.status, 0) << c.args << ": " << r.out;
    EXPECT_EQ(r.out, c.out) << c.args;
  }
}

// The language read comes from --locale, else from LC_ALL, LC_TIME or LANG; English is
// read in every one.
TEST(DetectCommand, LocaleOrProcessLocaleChoosesTheLanguage) {
  struct Case {
    const char* env;
    const char* args;
    const char* text;
    const char* out;
  } cases[] = {
      {"LANG=en_US.UTF-8", "--locale de_DE", "übermorgen um 15 Uhr",
       "0\t20\tdate\t2026-12-11T15:00:00Z\n"},
      {"LC_TIME=fr_FR.UTF-8 LANG=en_US.UTF-8", "", "dans 3 jours",
       "0\t12\tdate\t2026-12-12T12:00:00Z\n"},
      {"LC_ALL=ja_JP.UTF-8", "", "3月12日", "0\t5\tdate\t2027-03-12T12:00:00Z\n"},
      {"LC_ALL=ru_RU.UTF-8", "", "next Friday", "0\t11\tdate\t2026-12-11T12:00:00Z\n"},
      // Without the language its words are nothing.
      {"LANG=en_US.UTF-8", "", "übermorgen", ""},
  };
  for (const Case& c : cases) {
    std::string command = std::string("printf '%s' '") + c.text +
                          "' | env -u LC_ALL -u LC_TIME TZ=UTC " + c.env + " " + NIMBRA_BUILD_DIR +
                          "/apps/nimbra detect --types date --now 2026-12-09T10:00:00Z " + c.args +
                          " 2>&1";
    Result r = testcommand::run(command);
    EXPECT_EQ(r.status, 0) << c.env << " " << c.args << ": " << r.out;
    EXPECT_EQ(r.out, c.out) << c.env << " " << c.args << ": " << c.text;
  }
}

TEST(DetectCommand, BadDatesAndLocaleNamesAreRefusedWithStatusTwo) {
  for (const char* args :
       {"--now 2026-02-30", "--now 2026-12-09T25:00", "--now yesterday", "--now 2026-12-09T10:00+1",
        "--now", "--locale 12", "--locale", "--locale x"}) {
    Result r = detect(args, "tomorrow");
    EXPECT_EQ(r.status, 2) << args << ": " << r.out;
    EXPECT_EQ(r.out.rfind("nimbra detect: --", 0), 0u) << args << ": " << r.out;
  }
}

}  // namespace
