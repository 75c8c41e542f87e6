#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "CoreFoundation/CFNotificationCenter.h"
#include "CoreFoundation/CFRunLoop.h"
#include "Foundation/NSString.h"
#include "WaitFor.h"
#include "dispatch/dispatch.h"

extern char** environ;

namespace {

// Every process of this test, children included, uses a private folder: set before
// the centre first resolves it.
char testRootPath[] = "/tmp/nimbra-notify-test-XXXXXX";  // outlives every destructor
const std::string testRoot = [] {
  if (!mkdtemp(testRootPath)) std::abort();
  setenv("XDG_RUNTIME_DIR", testRootPath, 1);
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(testRootPath, ec);
  });
  return std::string(testRootPath);
}();

struct Received {
  std::map<std::string, int> counts;
  bool allOnMain = true;
  bool payloadAlwaysNull = true;
  bool centerWasTheDarwinOne = true;
  int of(const std::string& name) const {
    auto it = counts.find(name);
    return it == counts.end() ? 0 : it->second;
  }
};

void record(CFNotificationCenterRef center, void* observer, CFStringRef name, const void* object,
            CFDictionaryRef userInfo) {
  auto* r = static_cast<Received*>(observer);
  r->counts[name->UTF8String()]++;
  r->allOnMain &= nimbra::dispatch::isMainThread();
  r->payloadAlwaysNull &= object == nullptr && userInfo == nullptr;
  r->centerWasTheDarwinOne &= center == CFNotificationCenterGetDarwinNotifyCenter();
}

void observe(Received* r, const char* name) {
  CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), r, record,
                                  NSString::stringWithUTF8String(name), nullptr,
                                  CFNotificationSuspensionBehaviorDeliverImmediately);
}

void post(const char* name) {
  CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(),
                                       NSString::stringWithUTF8String(name), nullptr, nullptr,
                                       true);
}

// Deliveries from other processes get a longer limit: under the sanitizers a child takes a
// while to start.
bool runMainUntil(const std::function<bool()>& done) {
  return testwait::serveMainQueueUntil(done, 20);
}

// Posts `fence` and waits for it: everything posted before it has been served by then,
// since one descriptor carries all of this process's events in order.
void settle(Received* r, const char* fence) {
  int before = r->of(fence);
  post(fence);
  ASSERT_TRUE(runMainUntil([&] { return r->of(fence) > before; }));
}

struct Peer {
  pid_t pid = -1;
  int out = -1;

  explicit Peer(std::vector<std::string> args) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    std::vector<char*> argv;
    std::string path = NOTIFY_PEER;
    argv.push_back(path.data());
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out = fds[0];
  }
  ~Peer() {
    if (pid > 0) wait();
    if (out >= 0) close(out);
  }
  std::string line(int timeoutMs = 20000) {
    std::string s;
    char c;
    while (true) {
      pollfd p{out, POLLIN, 0};
      if (poll(&p, 1, timeoutMs) <= 0 || read(out, &c, 1) != 1 || c == '\n') return s;
      s += c;
    }
  }
  int wait() {
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

class Env {
 public:
  Env(const char* name) : name_(name) {
    const char* v = getenv(name);
    if (v) old_ = v;
    had_ = v != nullptr;
  }
  ~Env() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::string old_;
  bool had_;
};

}  // namespace

TEST(NotifyFolder, FollowsTheEnvironmentAndRefusesUnsafeFolders) {
  Env keep("XDG_RUNTIME_DIR");
  std::string error;
  EXPECT_EQ(nimbra::notify::resolveDirectory(), testRoot + "/nimbra-notify");
  struct stat st;
  ASSERT_EQ(stat((testRoot + "/nimbra-notify").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  std::string fallback = "/tmp/nimbra-notify-" + std::to_string(geteuid());
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(nimbra::notify::resolveDirectory(), fallback);
  setenv("XDG_RUNTIME_DIR", (testRoot + "/missing").c_str(), 1);
  EXPECT_EQ(nimbra::notify::resolveDirectory(), fallback);
  setenv("XDG_RUNTIME_DIR", "relative/path", 1);
  EXPECT_EQ(nimbra::notify::resolveDirectory(), fallback);

  std::string bad = testRoot + "/bad";
  mkdir(bad.c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", bad.c_str(), 1);
  std::string target = bad + "/nimbra-notify";
  mkdir(target.c_str(), 0777);
  chmod(target.c_str(), 0777);
  EXPECT_EQ(nimbra::notify::resolveDirectory(&error), "");
  EXPECT_NE(error.find("open to other users"), std::string::npos) << error;
  rmdir(target.c_str());
  ASSERT_EQ(symlink(testRoot.c_str(), target.c_str()), 0);
  EXPECT_EQ(nimbra::notify::resolveDirectory(&error), "");
  EXPECT_NE(error.find("not a directory"), std::string::npos) << error;
  unlink(target.c_str());
  close(open(target.c_str(), O_CREAT | O_WRONLY, 0600));
  EXPECT_EQ(nimbra::notify::resolveDirectory(&error), "");
  if (geteuid() == 0) {  // only root can hand a folder to someone else
    unlink(target.c_str());
    mkdir(target.c_str(), 0700);
    ASSERT_EQ(chown(target.c_str(), 12345, 12345), 0);
    EXPECT_EQ(nimbra::notify::resolveDirectory(&error), "");
    EXPECT_NE(error.find("another user"), std::string::npos) << error;
  }
}

TEST(NotifyFolder, EveryNameIsOneDistinctFileName) {
  std::vector<std::string> names = {"com.varenko.nimbra/preferencechanged",
                                    "",
                                    ".",
                                    "..",
                                    "../x",
                                    "a/b",
                                    "a%2Fb",
                                    "a b",
                                    "\xc3\xa9t\xc3\xa9",
                                    std::string(300, 'x'),
                                    std::string(300, 'x') + "y",
                                    std::string(100, '/')};
  std::set<std::string> files;
  for (const auto& n : names) {
    std::string f = nimbra::notify::fileNameForName(n);
    EXPECT_EQ(f.find('/'), std::string::npos) << n;
    EXPECT_NE(f, ".");
    EXPECT_NE(f, "..");
    EXPECT_LE(f.size(), 255u);
    EXPECT_EQ(f, nimbra::notify::fileNameForName(n));
    files.insert(f);
  }
  EXPECT_EQ(files.size(), names.size());
}

TEST(DarwinCenter, OneCentreAndBadArgumentsDoNothing) {
  auto center = CFNotificationCenterGetDarwinNotifyCenter();
  ASSERT_TRUE(center);
  EXPECT_EQ(center, CFNotificationCenterGetDarwinNotifyCenter());
  EXPECT_EQ(center->directory(), testRoot + "/nimbra-notify");

  Received r;
  CFNotificationCenterAddObserver(center, &r, record, nullptr, nullptr,
                                  CFNotificationSuspensionBehaviorDeliverImmediately);
  CFNotificationCenterAddObserver(center, &r, nullptr, NSSTR("bad.nocallback"), nullptr,
                                  CFNotificationSuspensionBehaviorDeliverImmediately);
  CFNotificationCenterAddObserver(nullptr, &r, record, NSSTR("bad.nocenter"), nullptr,
                                  CFNotificationSuspensionBehaviorDeliverImmediately);
  CFNotificationCenterPostNotification(center, nullptr, nullptr, nullptr, true);
  CFNotificationCenterPostNotification(nullptr, NSSTR("bad.nocenter"), nullptr, nullptr, true);
  CFNotificationCenterRemoveObserver(nullptr, &r, nullptr, nullptr);
  CFNotificationCenterRemoveEveryObserver(nullptr, &r);
  post("bad.nocallback");
  post("bad.nocenter");
  observe(&r, "bad.fence");
  settle(&r, "bad.fence");
  EXPECT_EQ(r.counts.size(), 1u);

  // A centre without a usable folder neither posts nor delivers.
  CFNotificationCenter off("");
  bool called = false;
  off.addObserver(&r, nullptr, "x", [&](const std::string&) { called = true; });
  off.post("x");
  CFNotificationCenterRemoveEveryObserver(center, &r);
  EXPECT_FALSE(called);
}

TEST(DarwinCenter, DeliversOnMainWithoutPayloadAndKeepsNamesApart) {
  Received r;
  observe(&r, "com.varenko.nimbra/preferencechanged");
  observe(&r, "names.a");
  observe(&r, "names.b");
  observe(&r, "names.b");  // the same registration again: still one callback a post
  post("com.varenko.nimbra/preferencechanged");
  post("names.a");
  post("names.unobserved");  // nobody listens: no effect
  observe(&r, "names.fence");
  settle(&r, "names.fence");
  EXPECT_EQ(r.of("com.varenko.nimbra/preferencechanged"), 1);
  EXPECT_EQ(r.of("names.a"), 1);
  EXPECT_EQ(r.of("names.b"), 0);
  EXPECT_TRUE(r.allOnMain);
  EXPECT_TRUE(r.payloadAlwaysNull);
  EXPECT_TRUE(r.centerWasTheDarwinOne);

  post("names.b");
  settle(&r, "names.fence");
  EXPECT_EQ(r.of("names.b"), 1);

  // Removing one name keeps the others; a null name removes them all.
  CFNotificationCenterRemoveObserver(CFNotificationCenterGetDarwinNotifyCenter(), &r,
                                     NSSTR("names.a"), nullptr);
  post("names.a");
  post("names.b");
  settle(&r, "names.fence");
  EXPECT_EQ(r.of("names.a"), 1);
  EXPECT_EQ(r.of("names.b"), 2);
  CFNotificationCenterRemoveObserver(CFNotificationCenterGetDarwinNotifyCenter(), &r, nullptr,
                                     nullptr);
  Received fence;
  observe(&fence, "names.fence");
  post("names.b");
  post("com.varenko.nimbra/preferencechanged");
  settle(&fence, "names.fence");
  EXPECT_EQ(r.of("names.b"), 2);
  EXPECT_EQ(r.of("com.varenko.nimbra/preferencechanged"), 1);
  CFNotificationCenterRemoveEveryObserver(CFNotificationCenterGetDarwinNotifyCenter(), &fence);
}

TEST(DarwinCenter, ALateObserverSeesNoOldPost) {
  post("late.name");
  post("late.name");
  Received r;
  observe(&r, "late.name");
  observe(&r, "late.fence");
  settle(&r, "late.fence");
  EXPECT_EQ(r.of("late.name"), 0);
  post("late.name");
  EXPECT_TRUE(runMainUntil([&] { return r.of("late.name") == 1; }));
  CFNotificationCenterRemoveEveryObserver(CFNotificationCenterGetDarwinNotifyCenter(), &r);
}

TEST(DarwinCenter, ObserversMayRemoveThemselvesWhileBeingCalled) {
  static Received* other;
  Received first, second;
  other = &second;
  auto removeOther = [](CFNotificationCenterRef c, void* observer, CFStringRef name, const void*,
                        CFDictionaryRef) {
    static_cast<Received*>(observer)->counts["self"]++;
    CFNotificationCenterRemoveEveryObserver(c, observer);
    CFNotificationCenterRemoveEveryObserver(c, other);
  };
  CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), &first, removeOther,
                                  NSSTR("reentrant"), nullptr,
                                  CFNotificationSuspensionBehaviorDeliverImmediately);
  observe(&second, "reentrant");
  post("reentrant");
  ASSERT_TRUE(runMainUntil([&] { return first.of("self") == 1; }));
  Received fence;
  observe(&fence, "reentrant.fence");
  post("reentrant");
  settle(&fence, "reentrant.fence");
  EXPECT_EQ(first.of("self"), 1);
  EXPECT_EQ(second.of("reentrant"), 0);  // removed before its turn in the same delivery
  CFNotificationCenterRemoveEveryObserver(CFNotificationCenterGetDarwinNotifyCenter(), &fence);
}

TEST(DarwinCenter, PostFromAnotherProcessAndBurstsArriveAtLeastOnce) {
  Received r;
  observe(&r, "xproc.one");
  observe(&r, "xproc.burst");
  {
    Peer poster({"post", "xproc.one", "1"});
    ASSERT_GT(poster.pid, 0);
    EXPECT_EQ(poster.wait(), 0);
  }
  ASSERT_TRUE(runMainUntil([&] { return r.of("xproc.one") == 1; }));
  {
    Peer burst({"post", "xproc.burst", "1000"});
    EXPECT_EQ(burst.wait(), 0);
  }
  ASSERT_TRUE(runMainUntil([&] { return r.of("xproc.burst") >= 1; }));
  EXPECT_LE(r.of("xproc.burst"), 1000);
  EXPECT_TRUE(r.allOnMain);

  // A burst from a thread of this process, while the main loop runs.
  std::thread t([] {
    for (int i = 0; i < 1000; ++i) post("xproc.burst");
  });
  int before = r.of("xproc.burst");
  t.join();
  EXPECT_TRUE(runMainUntil([&] { return r.of("xproc.burst") > before; }));
  CFNotificationCenterRemoveEveryObserver(CFNotificationCenterGetDarwinNotifyCenter(), &r);
}

TEST(DarwinCenter, AnObserverInAnotherProcessReceivesOurPost) {
  Peer observer({"observe", "com.varenko.nimbra/preferencechanged"});
  ASSERT_GT(observer.pid, 0);
  ASSERT_EQ(observer.line(), "ready");
  post("com.varenko.nimbra/preferencechanged");
  EXPECT_EQ(observer.line(), "got com.varenko.nimbra/preferencechanged");
  EXPECT_EQ(observer.wait(), 0);
}

TEST(DarwinCenter, SurvivesItsFileBeingRemoved) {
  Received r;
  observe(&r, "removed.name");
  post("removed.name");
  ASSERT_TRUE(runMainUntil([&] { return r.of("removed.name") == 1; }));
  std::string file = CFNotificationCenterGetDarwinNotifyCenter()->directory() + "/" +
                     nimbra::notify::fileNameForName("removed.name");
  ASSERT_EQ(unlink(file.c_str()), 0);
  // The observer notices the loss (perhaps as one spurious delivery) and watches anew.
  observe(&r, "removed.fence");
  settle(&r, "removed.fence");
  int before = r.of("removed.name");
  // The poster looks for a removed file at most once a millisecond.
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  post("removed.name");
  EXPECT_TRUE(runMainUntil([&] { return r.of("removed.name") > before; }));
  CFNotificationCenterRemoveEveryObserver(CFNotificationCenterGetDarwinNotifyCenter(), &r);
}
