// `nimbra prefs`, `nimbra badge` and `nimbra home` as a person runs them: the real
// executable in child processes, each test with its own HOME.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CoreFoundation/CFNotificationCenter.h"
#include "Foundation/Foundation.h"
#include "SpringBoard/SpringBoard.h"
#include "TouchSteps.h"
#include "UnreadableSettings.h"
#include "WaitFor.h"
#include "dispatch/CFRunLoop.h"

namespace fs = std::filesystem;

namespace {

const std::string kNimbra = std::string(NIMBRA_BUILD_DIR) + "/apps/nimbra";

struct Result {
  int status = -1;
  std::string out, err;
};

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Starts `nimbra args...` with stdout and stderr going to the given descriptors.
pid_t spawn(const std::vector<std::string>& args, int out, int err) {
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv{const_cast<char*>(kNimbra.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(kNimbra.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

class Commands : public ::testing::Test {
 protected:
  // One notification folder for the whole suite: this process's centre resolves its
  // folder once. It keeps these tests' posts apart from other runs on the machine.
  static void SetUpTestSuite() {
    char runtime[] = "/tmp/nimbra-cmd-runtime-XXXXXX";
    ASSERT_TRUE(mkdtemp(runtime));
    runtime_ = runtime;
    setenv("XDG_RUNTIME_DIR", runtime, 1);
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    fs::remove_all(runtime_, ec);
  }

  void SetUp() override {
    char home[] = "/tmp/nimbra-cmd-home-XXXXXX";
    ASSERT_TRUE(mkdtemp(home));
    home_ = home;
    setenv("HOME", home, 1);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(home_, ec);
  }

  std::string settingsPath() const {
    return home_ + "/Library/Preferences/com.varenko.nimbra.plist";
  }
  Strong<NSDictionary> settings() const {
    return NSDictionary::dictionaryWithContentsOfFile(settingsPath());
  }

  Result nimbra(const std::vector<std::string>& args) {
    std::string outPath = home_ + "/.out", errPath = home_ + "/.err";
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = spawn(args, out, err);
    close(out);
    close(err);
    Result r;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
      r.status = WEXITSTATUS(status);
    }
    r.out = readFile(outPath);
    r.err = readFile(errPath);
    return r;
  }

  // A two-page-free home screen: Mail (badge 3), Notes (none), a folder holding Chat.
  std::string writeLayout() {
    auto white = std::make_shared<CGImage>(4, 4, std::vector<uint8_t>(64, 255));
    EXPECT_TRUE(CGImageWriteToPNGFile(white, home_ + "/white.png"));
    auto entry = [](const char* name, const id& badge) {
      auto e = NSMutableDictionary::dictionary();
      e->setObjectForKey(NSString::stringWithUTF8String(name), NSSTR("DisplayName"));
      e->setObjectForKey(NSSTR("white.png"), NSSTR("Image"));
      if (badge) e->setObjectForKey(badge, NSSTR("Badge"));
      return e;
    };
    auto folder = NSMutableDictionary::dictionary();
    folder->setObjectForKey(NSSTR("Chats"), NSSTR("DisplayName"));
    folder->setObjectForKey(NSArray::arrayWithObjects({entry("Chat", nullptr)}), NSSTR("Icons"));
    auto page = NSArray::arrayWithObjects(
        {entry("Mail", NSNumber::numberWithInt(3)), entry("Notes", nullptr), folder});
    auto layout = NSDictionary::dictionaryWithObjectsAndKeys(
        {{NSSTR("Pages"), NSArray::arrayWithObjects({page})}});
    std::string path = home_ + "/home.plist";
    EXPECT_TRUE(layout->writeToFileAtomically(path, YES));
    return path;
  }

  static inline std::string runtime_;
  std::string home_;
};

// The badge value the layout file holds for the app named `name`, at the top level.
id badgeInLayout(const std::string& path, const char* name) {
  auto layout = NSDictionary::dictionaryWithContentsOfFile(path);
  auto page = objc_cast<NSArray>(layout->objectForKeyAs<NSArray>(NSSTR("Pages"))->objectAtIndex(0));
  for (const id& e : *page) {
    auto entry = objc_cast<NSDictionary>(e);
    if (entry->objectForKeyAs<NSString>(NSSTR("DisplayName"))->stdString() == name) {
      return entry->objectForKey(NSSTR("Badge"));
    }
  }
  return nullptr;
}

TEST_F(Commands, PrefsSetWritesEachKeyWithTheTypeThePluginReads) {
  EXPECT_EQ(nimbra({"prefs", "get", "ShowBadges"}).out, "3 (Show all, default)\n");
  EXPECT_EQ(nimbra({"prefs", "get", "CustomStrength"}).out, "5 (default)\n");
  for (const std::vector<std::string>& args : {std::vector<std::string>{"Enabled", "no"},
                                               {"FoldersEnabled", "YES"},
                                               {"ShowBadges", "2"},
                                               {"BadgeWhitelist", "Mail,Notes", "Big Maps"},
                                               {"CustomStrengthEnabled", "false"},
                                               {"CustomStrength", "7.5"},
                                               {"Color", "Red"}}) {
    std::vector<std::string> command{"prefs", "set"};
    command.insert(command.end(), args.begin(), args.end());
    Result r = nimbra(command);
    EXPECT_EQ(r.status, 0) << args[0] << ": " << r.err;
  }
  auto s = settings();
  ASSERT_TRUE(s);
  EXPECT_EQ(s->count(), 7u);  // every write kept the keys before it
  auto number = [&](const char* key) {
    return s->objectForKeyAs<NSNumber>(NSString::stringWithUTF8String(key));
  };
  ASSERT_TRUE(number("Enabled") && number("Enabled")->isBoolean());
  EXPECT_FALSE(number("Enabled")->boolValue());
  EXPECT_TRUE(number("FoldersEnabled")->isBoolean() && number("FoldersEnabled")->boolValue());
  EXPECT_TRUE(number("CustomStrengthEnabled")->isBoolean());
  ASSERT_TRUE(number("ShowBadges"));
  EXPECT_FALSE(number("ShowBadges")->isBoolean() || number("ShowBadges")->isReal());
  EXPECT_EQ(number("ShowBadges")->intValue(), 2);
  ASSERT_TRUE(number("CustomStrength") && number("CustomStrength")->isReal());
  EXPECT_EQ(number("CustomStrength")->doubleValue(), 7.5);
  EXPECT_EQ(number("Color")->intValue(), 4);
  EXPECT_FALSE(number("Color")->isReal());
  auto names = s->objectForKeyAs<NSArray>(NSSTR("BadgeWhitelist"));
  ASSERT_TRUE(names);
  EXPECT_TRUE(names->isEqual(
      NSArray::arrayWithObjects({NSSTR("Mail"), NSSTR("Notes"), NSSTR("Big Maps")})));

  EXPECT_EQ(nimbra({"prefs", "get", "Enabled"}).out, "NO\n");
  EXPECT_EQ(nimbra({"prefs", "get", "BadgeWhitelist"}).out, "Mail,Notes,Big Maps\n");
  // The pane's titles, as shown or in any case without blanks, and the values.
  for (auto [name, value] : {std::pair{"Random", 673},
                             {"Same as app", 674},
                             {"darkgray", 1},
                             {"13", 13},
                             {"674", 674}}) {
    ASSERT_EQ(nimbra({"prefs", "set", "Color", name}).status, 0) << name;
    EXPECT_EQ(settings()->objectForKeyAs<NSNumber>(NSSTR("Color"))->intValue(), value) << name;
  }
  EXPECT_EQ(nimbra({"prefs", "get", "Color"}).out, "674 (Same as app)\n");
  ASSERT_EQ(nimbra({"prefs", "set", "Color", "Dark Gray"}).status, 0);
  EXPECT_EQ(nimbra({"prefs", "get", "Color"}).out, "1 (Dark Gray)\n");
  EXPECT_EQ(nimbra({"prefs", "get", "ShowBadges"}).out, "2 (Whitelist only)\n");
  for (const char* end : {"0", "30"})
    EXPECT_EQ(nimbra({"prefs", "set", "CustomStrength", end}).status, 0) << end;
  // No names at all: an empty whitelist, still an array.
  ASSERT_EQ(nimbra({"prefs", "set", "BadgeWhitelist"}).status, 0);
  auto empty = settings()->objectForKeyAs<NSArray>(NSSTR("BadgeWhitelist"));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->count(), 0u);
}

TEST_F(Commands, PrefsRejectsBadInputWithExitCode2AndLeavesTheFileAlone) {
  ASSERT_EQ(nimbra({"prefs", "set", "Color", "6"}).status, 0);
  const std::string before = readFile(settingsPath());
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"set", "Colour", "1"}, "unknown key 'Colour'"},
      {{"get", "enabled"}, "unknown key 'enabled'"},  // keys are case-sensitive
      {{"set", "Enabled", "maybe"}, "boolean"},
      {{"set", "Enabled", "2"}, "boolean"},
      {{"set", "ShowBadges", "4"}, "ShowBadges is one of 0 (Hide all)"},
      {{"set", "ShowBadges", "-1"}, "ShowBadges is one of"},
      {{"set", "ShowBadges", "2.5"}, "ShowBadges is one of"},
      {{"set", "ShowBadges", "two"}, "ShowBadges is one of"},
      {{"set", "Color", "14"}, "Color is one of 0 (Yellow)"},
      {{"set", "Color", "672"}, "Color is one of"},
      {{"set", "Color", "675"}, "Color is one of"},
      {{"set", "Color", "-1"}, "Color is one of"},
      {{"set", "Color", "pink"}, "Color is one of"},
      {{"set", "Color", "app"}, "Color is one of"},  // not a title the pane shows
      {{"set", "Color", "99999999999999999999"}, "Color is one of"},
      {{"set", "CustomStrength", "-1"}, "CustomStrength is a number from 0 to 30"},
      {{"set", "CustomStrength", "30.5"}, "CustomStrength is a number from 0 to 30"},
      {{"set", "CustomStrength", "500"}, "CustomStrength is a number from 0 to 30"},
      {{"set", "CustomStrength", "1e308"}, "CustomStrength is a number from 0 to 30"},
      {{"set", "CustomStrength", "nan"}, "CustomStrength is"},
      {{"set", "CustomStrength", "inf"}, "CustomStrength is"},
      {{"set", "CustomStrength", "1e999"}, "CustomStrength is"},
      {{"set", "CustomStrength", "5pt"}, "CustomStrength is"},
      {{"set", "CustomStrength", ""}, "CustomStrength is"},
      {{"set", "Enabled"}, "takes one value"},
      {{"set", "ShowBadges", "1", "2"}, "takes one value"},
      {{"frob", "Enabled"}, "no such action 'frob'"},
      {{"set"}, "needs get KEY or set KEY VALUE"},
      {{"get", "Enabled", "x"}, "get takes one KEY"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> command{"prefs"};
    command.insert(command.end(), c.args.begin(), c.args.end());
    Result r = nimbra(command);
    std::string shown = c.args.size() > 1 ? c.args[1] + " " + c.args.back() : c.args[0];
    EXPECT_EQ(r.status, 2) << shown;
    EXPECT_TRUE(contains(r.err, c.message)) << shown << ": " << r.err;
    EXPECT_EQ(r.err.rfind("nimbra prefs: ", 0), 0u) << r.err;
    EXPECT_TRUE(r.out.empty()) << shown;
    EXPECT_EQ(readFile(settingsPath()), before) << shown;
  }
}

// As the settings pane does: an unreadable file reads as the defaults, and a set writes a
// whole new file after keeping the old bytes beside it.
TEST_F(Commands, PrefsSetKeepsAnUnreadableSettingsFileBesideTheNewOne) {
  fs::create_directories(fs::path(settingsPath()).parent_path());
  const std::string aside = unreadable::asidePath(settingsPath());
  for (const auto& flavour : unreadable::flavours()) {
    SCOPED_TRACE(flavour.name);
    unreadable::writeBytes(settingsPath(), flavour.bytes);
    EXPECT_EQ(nimbra({"prefs", "get", "Enabled"}).out, "YES (default)\n");
    Result r = nimbra({"prefs", "set", "Enabled", "NO"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err,
              "nimbra prefs: " + settingsPath() + " could not be read; kept it as " + aside + "\n");
    EXPECT_EQ(unreadable::readBytes(aside), flavour.bytes);
    auto s = settings();
    ASSERT_TRUE(s);
    EXPECT_EQ(s->count(), 1u);
    EXPECT_EQ(nimbra({"prefs", "get", "Enabled"}).out, "NO\n");
    EXPECT_TRUE(unreadable::strayFiles(settingsPath()).empty());
  }
}

TEST_F(Commands, PrefsSetLeavesAFolderInTheSettingsFilesPlace) {
  fs::create_directories(settingsPath());
  unreadable::writeBytes(settingsPath() + "/inside", "kept");
  Result r = nimbra({"prefs", "set", "Enabled", "NO"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "nimbra prefs: cannot write " + settingsPath() + ": a folder is in its place\n");
  EXPECT_EQ(unreadable::readBytes(settingsPath() + "/inside"), "kept");
  EXPECT_FALSE(fs::exists(unreadable::asidePath(settingsPath())));
}

// Each set is a locked read-modify-write: writers of different keys lose none.
TEST_F(Commands, ConcurrentSetsLoseNoKey) {
  const std::vector<std::vector<std::string>> writes = {{"Enabled", "NO"},
                                                        {"FoldersEnabled", "NO"},
                                                        {"ShowBadges", "1"},
                                                        {"BadgeWhitelist", "Mail"},
                                                        {"CustomStrengthEnabled", "NO"},
                                                        {"CustomStrength", "9"},
                                                        {"Color", "5"}};
  for (int round = 0; round < 3; ++round) {
    fs::remove(settingsPath());
    int null = open("/dev/null", O_WRONLY);
    std::vector<pid_t> pids;
    for (const auto& w : writes) pids.push_back(spawn({"prefs", "set", w[0], w[1]}, null, null));
    close(null);
    for (pid_t pid : pids) {
      int status = 0;
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto s = settings();
    ASSERT_TRUE(s);
    EXPECT_EQ(s->count(), writes.size()) << "round " << round;
  }
}

namespace {
int prefsPosts = 0, badgePosts = 0;
void countPrefs(CFNotificationCenterRef, void*, CFStringRef, const void*, CFDictionaryRef) {
  ++prefsPosts;
}
void countBadges(CFNotificationCenterRef, void*, CFStringRef, const void*, CFDictionaryRef) {
  ++badgePosts;
}
}  // namespace

TEST_F(Commands, SuccessfulChangesPostTheirNotifications) {
  auto center = CFNotificationCenterGetDarwinNotifyCenter();
  CFNotificationCenterAddObserver(center, nullptr, &countPrefs,
                                  NSSTR("com.varenko.nimbra/preferencechanged"), nullptr,
                                  CFNotificationSuspensionBehaviorDeliverImmediately);
  CFNotificationCenterAddObserver(center, nullptr, &countBadges,
                                  NSSTR("com.nimbra.springboard/badgechanged"), nullptr,
                                  CFNotificationSuspensionBehaviorDeliverImmediately);
  std::string layout = writeLayout();
  ASSERT_EQ(nimbra({"prefs", "set", "ShowBadges", "0"}).status, 0);
  ASSERT_EQ(nimbra({"badge", "Notes", "2", "--layout", layout}).status, 0);
  testwait::serveMainQueueUntil([] { return prefsPosts > 0 && badgePosts > 0; });
  EXPECT_GE(prefsPosts, 1);
  EXPECT_GE(badgePosts, 1);
  CFNotificationCenterRemoveEveryObserver(center, nullptr);
}

TEST_F(Commands, BadgeSetsTheTypedValueInTheLayoutFile) {
  std::string layout = writeLayout();
  struct Case {
    const char* value;
    id expected;
  } cases[] = {{"7", NSNumber::numberWithInt(7)},
               {"0", NSNumber::numberWithInt(0)},
               {"new", NSSTR("new")},
               {"!", NSSTR("!")},
               {"-1", NSSTR("-1")},      // shown exactly as given
               {"007", NSSTR("007")},    // leading zeros stay
               {"home", NSSTR("home")},  // a command's name is a value after a command
               {"none", nullptr}};
  for (const Case& c : cases) {
    Result r = nimbra({"badge", "Mail", c.value, "--layout", layout});
    ASSERT_EQ(r.status, 0) << c.value << ": " << r.err;
    id badge = badgeInLayout(layout, "Mail");
    if (!c.expected) {
      EXPECT_EQ(badge, nullptr);
    } else {
      ASSERT_TRUE(badge) << c.value;
      EXPECT_TRUE(badge->isEqual(c.expected)) << c.value << " gave " << badge->description();
      EXPECT_EQ(bool(objc_cast<NSString>(badge)), bool(objc_cast<NSString>(c.expected)));
    }
  }
  // Apps inside folders, and folders themselves.
  ASSERT_EQ(nimbra({"badge", "Chat", "4", "--layout", layout}).status, 0);
  ASSERT_EQ(nimbra({"badge", "Chats", "!", "--layout", layout}).status, 0);
  auto screen = SBHomeScreen::homeScreenWithContentsOfFile(layout, nullptr);
  ASSERT_TRUE(screen);
  EXPECT_TRUE(
      screen->iconsNamed("Chat")[0]->badgeNumberOrString()->isEqual(NSNumber::numberWithInt(4)));
  EXPECT_TRUE(screen->iconsNamed("Chats")[0]->badgeNumberOrString()->isEqual(NSSTR("!")));
}

TEST_F(Commands, BadgeErrorsExitWith2AndChangeNothing) {
  std::string layout = writeLayout();
  const std::string before = readFile(layout);
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"badge", "mail", "3", "--layout", layout}, "no app or folder named \"mail\""},
      {{"badge", "Nobody", "3", "--layout", layout}, "no app or folder named \"Nobody\""},
      {{"badge", "Mail", "--layout", layout}, "usage"},
      {{"badge", "Mail", "1", "2", "--layout", layout}, "usage"},
      {{"badge", "Mail", "3", "--layout", home_ + "/missing.plist"}, "missing"},
  };
  for (const Case& c : cases) {
    Result r = nimbra(c.args);
    EXPECT_EQ(r.status, 2) << c.args[1];
    EXPECT_TRUE(contains(r.err, c.message)) << c.args[1] << ": " << r.err;
    EXPECT_EQ(readFile(layout), before);
  }
  EXPECT_FALSE(fs::exists(home_ + "/.missing.plist.lock")) << "a failed badge leaves no lock file";
  // A layout that is not valid is reported, not rewritten.
  writeFile(layout, "<plist><dict><key>Pages</key><string>x</string></dict></plist>");
  Result r = nimbra({"badge", "Mail", "3", "--layout", layout});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(contains(r.err, "Pages")) << r.err;
}

TEST_F(Commands, HomeRejectsBadArguments) {
  Result r = nimbra({"home"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(contains(r.err, "--out")) << r.err;
  r = nimbra({"home", "--out", home_ + "/x.png", "--frob"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(contains(r.err, "unknown argument '--frob'")) << r.err;
  r = nimbra({"home", "--out", home_ + "/x.png", "--layout", home_ + "/missing.plist"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(contains(r.err, "bad layout")) << r.err;
  EXPECT_FALSE(fs::exists(home_ + "/x.png"));
}

TEST_F(Commands, HelpGoesToStandardOutputAndListsEveryOption) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--help"}, {"-h"}, {"help"}}) {
    Result r = nimbra(args);
    EXPECT_EQ(r.status, 0) << args[0];
    EXPECT_TRUE(r.err.empty()) << r.err;
    for (const char* name : {"badge", "detect", "home", "prefs", "settings", "selfcheck"}) {
      EXPECT_TRUE(contains(r.out, std::string("\n  ") + name + " ") ||
                  contains(r.out, std::string("\n  ") + name + "\n"))
          << name << " in " << r.out;
    }
  }
  struct Case {
    const char* command;
    std::vector<const char*> options;
  } cases[] = {
      {"badge", {"--layout FILE", "--root DIR"}},
      {"home", {"--out FILE.png", "--layout FILE", "--root DIR", "--watch"}},
      {"detect", {"--types"}},
      {"prefs", {"get KEY", "set KEY VALUE"}},
      {"settings",
       {"--root", "--xdg-open", "--screen", "--script", "--tap", "--toggle", "--slide", "--choose",
        "--type", "--clear", "--press", "--delete", "--back", "--screenshot"}},
  };
  for (const Case& c : cases) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"help", c.command}, {c.command, "--help"}, {c.command, "-h"}}) {
      Result r = nimbra(args);
      EXPECT_EQ(r.status, 0) << c.command;
      EXPECT_EQ(r.out.rfind(std::string("usage: nimbra ") + c.command + " ", 0), 0u) << r.out;
      for (const char* option : c.options) {
        EXPECT_TRUE(contains(r.out, option)) << c.command << " lacks " << option;
      }
    }
  }
  // Help never runs the command: no settings file appears.
  EXPECT_EQ(nimbra({"prefs", "set", "Enabled", "NO", "--help"}).status, 0);
  EXPECT_FALSE(fs::exists(settingsPath()));
  Result unknown = nimbra({"help", "frob"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_TRUE(contains(unknown.err, "unknown command 'frob'")) << unknown.err;
  Result none = nimbra({});
  EXPECT_EQ(none.status, 2);
  EXPECT_TRUE(contains(none.err, "usage: nimbra")) << none.err;
}

// The finger steps are one table: both hosts' help lists each with its argument and what
// it does.
TEST_F(Commands, BothHostsListEveryFingerStepFromOneTable) {
  for (const char* command : {"home", "settings"}) {
    Result r = nimbra({"help", command});
    ASSERT_EQ(r.status, 0) << command;
    for (const hoststeps::FingerStep& step : hoststeps::fingerSteps()) {
      std::string head = std::string("--") + step.verb + (step.count ? " " : "") + step.arguments;
      EXPECT_TRUE(contains(r.out, "[" + head + "]")) << command << " usage lacks " << head;
      EXPECT_TRUE(contains(r.out, "\n  " + head + " ")) << command << " lacks " << head;
      EXPECT_TRUE(contains(r.out, step.summary)) << command << " lacks " << step.summary;
    }
  }
}

// Each key with its type, its range or its choices under the pane's titles, and default.
TEST_F(Commands, PrefsHelpListsEveryKeyWithWhatItTakes) {
  Result r = nimbra({"help", "prefs"});
  ASSERT_EQ(r.status, 0);
  auto line = [&](const std::string& key) {
    std::size_t at = r.out.find("\n  " + key + " ");
    return at == std::string::npos ? std::string()
                                   : r.out.substr(at + 1, r.out.find('\n', at + 1) - at - 1);
  };
  EXPECT_TRUE(contains(line("Enabled"), "YES or NO")) << r.out;
  EXPECT_TRUE(contains(line("CustomStrength"), "0 to 30")) << r.out;
  EXPECT_TRUE(contains(line("CustomStrength"), "default 5")) << r.out;
  EXPECT_TRUE(contains(line("ShowBadges"), "2 (Whitelist only)")) << r.out;
  EXPECT_TRUE(contains(line("Color"), "1 (Dark Gray)")) << r.out;
  EXPECT_TRUE(contains(line("Color"), "674 (Same as app)")) << r.out;
  EXPECT_TRUE(contains(line("Color"), "default 0 (Yellow)")) << r.out;
  EXPECT_FALSE(line("BadgeWhitelist").empty()) << r.out;
  // The values column lines up.
  EXPECT_EQ(line("Enabled").find("boolean"), line("Color").find("choice"));

  Result version = nimbra({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("nimbra ", 0), 0u) << version.out;
}

// Every command's complaint starts with its own name, so a person running several in a
// script knows which one spoke, and exits with 2.
TEST_F(Commands, ErrorsNameTheirCommandAndBadPathsAreRefused) {
  fs::create_directories(home_ + "/folder");
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"detect", home_ + "/folder"}, "is a folder"},
      {{"archive", home_ + "/folder"}, "is a folder"},
      {{"archive"}, "needs one FILE"},
      {{"badge", "Mail"}, "needs an app or folder NAME and a VALUE"},
      {{"badge", "Mail", "3", "--frob"}, "unknown option --frob"},
      {{"badge", "Mail", "3", "--layout"}, "--layout needs a value"},
      {{"home", "--out", home_ + "/x.jpg"}, "name it FILE.png"},
      {{"home", "--out", home_ + "/.png"}, "name it FILE.png"},
      {{"label", "--out", home_ + "/x.jpg"}, "name it FILE.png"},
      {{"label"}, "needs --out FILE.png"},
      {{"settings", "--screenshot", home_ + "/x.PNG.txt"}, "name it FILE.png"},
      {{"settings", "--frob"}, "unknown option --frob"},
      {{"settings", "--slide", "Strength"}, "--slide needs LABEL VALUE"},
      {{"settings", "--script", home_ + "/missing"}, "cannot read"},
      {{"home", "--out", home_ + "/x.png", "--touch-down", "5"}, "--touch-down needs a point X,Y"},
      {{"pasteboard", "--frob"}, "unexpected arguments"},
      {{"selfcheck", "x"}, "takes no arguments"},
  };
  for (const Case& c : cases) {
    Result r = nimbra(c.args);
    std::string shown = c.args[0] + " " + (c.args.size() > 1 ? c.args.back() : "");
    EXPECT_EQ(r.status, 2) << shown << ": " << r.err;
    EXPECT_EQ(r.err.rfind("nimbra " + c.args[0] + ": ", 0), 0u) << shown << ": " << r.err;
    EXPECT_TRUE(contains(r.err, c.message)) << shown << ": " << r.err;
  }
  EXPECT_FALSE(fs::exists(home_ + "/x.jpg"));
  EXPECT_FALSE(fs::exists(home_ + "/x.PNG.txt"));
  // Any case of the extension is a PNG name.
  EXPECT_EQ(nimbra({"home", "--out", home_ + "/x.PNG"}).status, 0);
}

// Without --root or --layout a badge goes into the user's own copy of the sample home
// screen, made on first use; the staged tree is never written.
TEST_F(Commands, BadgeWritesTheUsersOwnCopyOfTheSample) {
  const std::string staged = std::string(NIMBRA_ROOT) + "/Library/SpringBoard";
  const std::string before = readFile(staged + "/home.plist");
  std::vector<std::string> stagedFiles;
  for (const auto& item : fs::directory_iterator(staged)) stagedFiles.push_back(item.path());
  ASSERT_FALSE(before.empty());
  auto sample = SBHomeScreen::homeScreenWithContentsOfFile(staged + "/home.plist", nullptr);
  ASSERT_TRUE(sample);
  std::string app = sample->allIcons()[0]->displayName()->stdString();

  Result r = nimbra({"badge", app, "42"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string mine = home_ + "/Library/SpringBoard/home.plist";
  auto copy = SBHomeScreen::homeScreenWithContentsOfFile(mine, nullptr);
  ASSERT_TRUE(copy) << "no usable copy in the home folder";
  EXPECT_TRUE(
      copy->iconsNamed(app)[0]->badgeNumberOrString()->isEqual(NSNumber::numberWithInt(42)));
  EXPECT_EQ(readFile(staged + "/home.plist"), before) << "the staged layout was written";
  std::vector<std::string> after;
  for (const auto& item : fs::directory_iterator(staged)) after.push_back(item.path());
  EXPECT_EQ(after, stagedFiles) << "a file (a lock?) appeared in the staged tree";

  // The home screen reads the same copy: a second badge lands beside the first.
  ASSERT_EQ(nimbra({"badge", app, "43"}).status, 0);
  Result home = nimbra({"home", "--out", home_ + "/home.png"});
  EXPECT_EQ(home.status, 0) << home.err;
  EXPECT_TRUE(SBHomeScreen::homeScreenWithContentsOfFile(mine, nullptr)
                  ->iconsNamed(app)[0]
                  ->badgeNumberOrString()
                  ->isEqual(NSNumber::numberWithInt(43)));
}

// The platform's log lines (the whitelist editor logs a deletion) reach standard error
// only when asked for.
TEST_F(Commands, LogLinesOnlyWithVerboseOrNimbraLog) {
  const std::vector<std::string> steps = {
      "settings", "--tap", "Nimbra",  "--tap", "Badge Whitelist", "--tap", "Add App",
      "--type",   "Zed",   "--press", "Save",  "--delete",        "Zed"};
  auto logged = [](const Result& r) {
    return contains(r.err, "nimbra[") && contains(r.err, "Zed");
  };
  Result quiet = nimbra(steps);
  ASSERT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_FALSE(logged(quiet)) << quiet.err;
  std::vector<std::string> verbose = steps;
  verbose.insert(verbose.begin() + 1, "--verbose");
  Result loud = nimbra(verbose);
  ASSERT_EQ(loud.status, 0) << loud.err;
  EXPECT_TRUE(logged(loud)) << loud.err;
  setenv("NIMBRA_LOG", "1", 1);
  Result byEnvironment = nimbra(steps);
  unsetenv("NIMBRA_LOG");
  EXPECT_TRUE(logged(byEnvironment)) << byEnvironment.err;
}

// The pasteboard is the user's: in the runtime folder when there is one, else in the home
// folder, never where another user can read it; empty is an answer, not an error.
TEST_F(Commands, PasteboardIsPrivateAndEmptyIsNotAnError) {
  Result empty = nimbra({"pasteboard"});
  EXPECT_EQ(empty.status, 0) << empty.err;
  EXPECT_EQ(empty.out, "");
  ASSERT_EQ(nimbra({"pasteboard", "--set", "secret"}).status, 0);
  EXPECT_EQ(nimbra({"pasteboard"}).out, "secret\n");
  struct stat st;
  ASSERT_EQ(stat((runtime_ + "/nimbra-pasteboard").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  std::string saved = runtime_;
  unsetenv("XDG_RUNTIME_DIR");
  Result alone = nimbra({"pasteboard"});
  EXPECT_EQ(alone.out, "") << "another session's pasteboard was read";
  ASSERT_EQ(nimbra({"pasteboard", "--set", "mine"}).status, 0);
  setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
  ASSERT_EQ(stat((home_ + "/Library/Pasteboard").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(nimbra({"pasteboard"}).out, "secret\n");
  ASSERT_EQ(nimbra({"pasteboard", "--clear"}).status, 0);
}

TEST_F(Commands, DetectPrintsRangeTypeAndPayloadPerMatch) {
  std::string text = home_ + "/note.txt";
  // An emoji first: ranges count UTF-16 units, not bytes or characters.
  writeFile(text, "\xF0\x9F\x93\x9E Call (415) 555-0132 or see www.example.com, flight UA 123.\n");
  Result r = nimbra({"detect", "--types", "link,phone,transit", text});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "8\t14\tphone\t(415) 555-0132\n"
            "30\t15\tlink\thttp://www.example.com\n"
            "54\t6\ttransit\tAirline=United Airlines; Flight=123\n");
  r = nimbra({"detect", "--types", "link", text});
  EXPECT_EQ(r.out, "30\t15\tlink\thttp://www.example.com\n");

  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"detect", "--types", "link,fax", text}, "unknown type 'fax'"},
      {{"detect", "--types", "", text}, "unknown type ''"},
      {{"detect", "--types"}, "--types needs a list"},
      {{"detect", "--frob", text}, "unknown argument '--frob'"},
      {{"detect", text, text}, "one FILE at most"},
      {{"detect", home_ + "/missing.txt"}, "cannot read"},
  };
  for (const Case& c : cases) {
    Result bad = nimbra(c.args);
    EXPECT_EQ(bad.status, 2) << c.message;
    EXPECT_TRUE(contains(bad.err, c.message)) << bad.err;
    EXPECT_TRUE(bad.out.empty());
  }
}

// Reads one line from `fd`, waiting a bounded time; empty when none came.
std::string readLine(int fd) {
  std::string line;
  bool whole = false, ended = false;
  testwait::waitFor([&] { return whole || ended; }, 60,
                    [&] {
                      pollfd p{fd, POLLIN, 0};
                      char c;
                      if (poll(&p, 1, 100) <= 0) return;
                      if (read(fd, &c, 1) != 1) {
                        ended = true;
                      } else if (c == '\n') {
                        whole = true;
                      } else {
                        line += c;
                      }
                    });
  return whole ? line : "";
}

struct Pixel {
  int r, g, b;
};

// The pixel of the rendered home screen at a point, in points.
Pixel pixelAt(const std::string& png, CGPoint point) {
  auto image = UIImage::imageWithContentsOfFile(png);
  if (!image) return {-1, -1, -1};
  CGImageRef cg = image->CGImage();
  double scale = double(cg->width()) / SBHomeScreen::kPageWidth;
  const uint8_t* p =
      cg->pixels() + size_t(point.y * scale) * cg->bytesPerRow() + size_t(point.x * scale) * 4;
  return {p[0], p[1], p[2]};
}

// A running host follows settings changes and badge changes made by other processes.
TEST_F(Commands, WatchingHostRerendersOnSettingsAndBadgeChanges) {
  std::string layout = writeLayout();
  ASSERT_EQ(nimbra({"prefs", "set", "Color", "blue"}).status, 0);
  ASSERT_EQ(nimbra({"prefs", "set", "CustomStrengthEnabled", "NO"}).status, 0);
  auto screen = SBHomeScreen::homeScreenWithContentsOfFile(layout, nullptr);
  ASSERT_TRUE(screen);
  CGRect mail = screen->iconViews()[0]->frame();
  const CGPoint glowSpot = CGPointMake(mail.origin.x - 3, mail.origin.y + 30);
  const CGPoint background = CGPointMake(2, 2);

  int out[2];
  ASSERT_EQ(pipe(out), 0);
  int null = open("/dev/null", O_WRONLY);
  std::string png = home_ + "/home.png";
  pid_t host = spawn({"home", "--out", png, "--layout", layout, "--watch"}, out[1], null);
  close(out[1]);
  close(null);
  ASSERT_GT(host, 0);

  ASSERT_EQ(readLine(out[0]), png);
  Pixel bg = pixelAt(png, background), glow = pixelAt(png, glowSpot);
  EXPECT_GT(glow.b, bg.b + 40) << "blue glow";
  EXPECT_LT(glow.r, glow.b);

  ASSERT_EQ(nimbra({"prefs", "set", "Color", "red"}).status, 0);
  ASSERT_EQ(readLine(out[0]), png);
  glow = pixelAt(png, glowSpot);
  EXPECT_GT(glow.r, bg.r + 40) << "red glow";
  EXPECT_GT(glow.r, glow.b);

  ASSERT_EQ(nimbra({"badge", "Mail", "none", "--layout", layout}).status, 0);
  ASSERT_EQ(readLine(out[0]), png);
  glow = pixelAt(png, glowSpot);
  EXPECT_NEAR(glow.r, bg.r, 2) << "no badge, no glow";
  EXPECT_NEAR(glow.b, bg.b, 2);

  kill(host, SIGTERM);
  int status = 0;
  waitpid(host, &status, 0);
  close(out[0]);
}

}  // namespace
