// Crash consistency of the settings file under the settings pane's own writes: writers
// killed at random moments, writers in several processes at once, a full disk and a
// read-only folder. NIMBRA_STRESS=full runs the full sizes (`make stress`); the test
// command runs small ones. Each case prints one "stress ..." line with what it saw.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "Foundation/Foundation.h"
#include "Preferences/PSPreferenceStore.h"

namespace fs = std::filesystem;

namespace {

const char* const kDomain = "com.varenko.nimbra";
const char* const kKeys[] = {
    "Enabled", "FoldersEnabled", "ShowBadges", "CustomStrengthEnabled", "CustomStrength", "Color"};
constexpr NSUInteger kWhitelist = 300;  // enough names that a write takes a while

bool fullSize() {
  const char* v = std::getenv("NIMBRA_STRESS");
  return v && std::string(v) == "full";
}

Strong<NSString> S(const std::string& s) {
  return NSString::stringWithUTF8String(s);
}

// A home of its own, whose settings folder the cases write in.
class SettingsStress : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/nimbra-stress-XXXXXX";
    home_ = mkdtemp(pattern);
    const char* old = std::getenv("HOME");
    oldHome_ = old ? old : "";
    setenv("HOME", home_.c_str(), 1);
    folder_ = home_ + "/Library/Preferences";
    fs::create_directories(folder_);
    file_ = folder_ + "/" + kDomain + ".plist";
  }
  void TearDown() override {
    setenv("HOME", oldHome_.c_str(), 1);
    std::error_code ec;
    fs::permissions(folder_, fs::perms::owner_all, ec);
    fs::remove_all(home_, ec);
  }

  // Every key the pane writes, with a long whitelist.
  static Strong<NSDictionary> fullSettings(int generation) {
    auto names = NSMutableArray::array();
    for (NSUInteger i = 0; i < kWhitelist; ++i)
      names->addObject(NSString::stringWithFormat("Application number %lu", i));
    auto d = NSMutableDictionary::dictionary();
    d->setObjectForKey(NSNumber::numberWithBool(YES), S("Enabled"));
    d->setObjectForKey(NSNumber::numberWithBool(NO), S("FoldersEnabled"));
    d->setObjectForKey(NSNumber::numberWithInt(2), S("ShowBadges"));
    d->setObjectForKey(NSNumber::numberWithBool(YES), S("CustomStrengthEnabled"));
    d->setObjectForKey(NSNumber::numberWithDouble(5.3), S("CustomStrength"));
    d->setObjectForKey(NSNumber::numberWithInt(generation), S("Color"));
    d->setObjectForKey(names, S("BadgeWhitelist"));
    return d;
  }

  // Keys of `fullSettings` missing or cut short in the file; -1 when it does not read.
  int missingKeys() const {
    auto d = NSDictionary::dictionaryWithContentsOfFile(file_);
    if (!d) return -1;
    int missing = 0;
    for (const char* key : kKeys) missing += d->objectForKey(S(key)) ? 0 : 1;
    auto names = objc_cast<NSArray>(d->objectForKey(S("BadgeWhitelist")));
    missing += names && names->count() == kWhitelist ? 0 : 1;
    return missing;
  }

  // Temporaries beside the settings file (the lock file is not one).
  std::vector<std::string> temporaries() const {
    std::vector<std::string> found;
    std::string prefix = std::string(".") + kDomain + ".plist.";
    for (const auto& e : fs::directory_iterator(folder_)) {
      std::string name = e.path().filename();
      if (name.rfind(prefix, 0) == 0 && name != prefix + "lock") found.push_back(name);
    }
    return found;
  }

  std::string bytes() const {
    std::ifstream in(file_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  static bool setKey(const char* key, const id& value, std::string* error = nullptr) {
    return PSPreferenceStore::setValueForKey(S(kDomain), S(key), value, error);
  }

  std::string home_, oldHome_, folder_, file_;
};

// Runs `body` in a child; its result is the child's exit status (0 for true).
template <class Body>
bool inChild(Body body) {
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    bool ok = body();
    std::fflush(nullptr);
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(SettingsStress, WritersKilledMidWriteLeaveAWholeFileAndNoTemporaries) {
  const int kills = fullSize() ? 10000 : 80;
  ASSERT_TRUE(fullSettings(0)->writeToFileAtomically(file_, YES));
  // A kill lands anywhere in a write: before, while the temporary is written or flushed,
  // at the rename. The delays spread over a few writes' time.
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 20; ++i) setKey("Color", NSNumber::numberWithInt(i));
  auto perWrite = std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::steady_clock::now() - start) /
                  20;
  std::mt19937 rng(20241209);
  std::uniform_int_distribution<long> delay(0, 3 * perWrite.count() + 500);
  int torn = 0, lost = 0, midWrite = 0;
  std::size_t mostLeft = 0;
  for (int k = 0; k < kills; ++k) {
    std::fflush(nullptr);
    pid_t pid = fork();
    ASSERT_NE(pid, -1);
    if (pid == 0) {
      for (int n = 0;; ++n) setKey("Color", NSNumber::numberWithInt(n % 14));
    }
    usleep(static_cast<useconds_t>(delay(rng)));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    int missing = missingKeys();
    torn += missing < 0;
    lost += missing > 0 ? missing : 0;
    auto left = temporaries();
    std::string mine = std::string(".") + kDomain + ".plist." + std::to_string(pid) + ".";
    for (const auto& name : left) midWrite += name.rfind(mine, 0) == 0;
    mostLeft = std::max(mostLeft, left.size());
  }
  // The next write clears what the killed writers left.
  ASSERT_TRUE(setKey("Color", NSNumber::numberWithInt(4)));
  EXPECT_EQ(missingKeys(), 0);
  std::size_t after = temporaries().size();
  std::printf(
      "stress kills: runs=%d killed-mid-write=%d torn=%d lost-keys=%d most-temporaries=%zu "
      "temporaries-after-next-write=%zu\n",
      kills, midWrite, torn, lost, mostLeft, after);
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(after, 0u);
  // Each write clears the one before it: at most the latest killed writer's is there.
  EXPECT_LE(mostLeft, 1u);
}

// Writers in several processes, each a read-modify-write of its own counter and a new
// key per round, through the settings pane's store: nothing may be lost.
void concurrentWriters(int processes, int rounds) {
  std::vector<pid_t> pids;
  for (int p = 0; p < processes; ++p) {
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
      std::string counter = "Counter" + std::to_string(p);
      for (int i = 0; i < rounds; ++i) {
        auto d = PSPreferenceStore::contentsOfDomain(S(kDomain));
        auto n = d ? objc_cast<NSNumber>(d->objectForKey(S(counter))) : nullptr;
        if (!PSPreferenceStore::setValueForKey(S(kDomain), S(counter),
                                               NSNumber::numberWithInt(n ? n->intValue() + 1 : 1)))
          _exit(1);
        std::string key = "P" + std::to_string(p) + "-" + std::to_string(i);
        if (!PSPreferenceStore::setValueForKey(S(kDomain), S(key), NSNumber::numberWithInt(i)))
          _exit(1);
      }
      _exit(0);
    }
    pids.push_back(pid);
  }
  for (pid_t pid : pids) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer failed";
  }
  auto d = PSPreferenceStore::contentsOfDomain(S(kDomain));
  ASSERT_NE(d, nullptr);
  int lostCounts = 0, lostKeys = 0;
  for (int p = 0; p < processes; ++p) {
    auto n = objc_cast<NSNumber>(d->objectForKey(S("Counter" + std::to_string(p))));
    lostCounts += rounds - (n ? n->intValue() : 0);
    for (int i = 0; i < rounds; ++i)
      lostKeys += d->objectForKey(S("P" + std::to_string(p) + "-" + std::to_string(i))) ? 0 : 1;
  }
  for (const char* key : kKeys) lostKeys += d->objectForKey(S(key)) ? 0 : 1;
  std::printf("stress writers: processes=%d rounds=%d lost-updates=%d lost-keys=%d\n", processes,
              rounds, lostCounts, lostKeys);
  EXPECT_EQ(lostCounts, 0);
  EXPECT_EQ(lostKeys, 0);
}

TEST_F(SettingsStress, ConcurrentReadModifyWritesLoseNothing) {
  const int rounds = fullSize() ? 500 : 15;
  for (int processes : {2, 4}) {
    ASSERT_TRUE(fullSettings(0)->writeToFileAtomically(file_, YES));
    concurrentWriters(processes, rounds);
    EXPECT_TRUE(temporaries().empty());
  }
}

// A write that cannot finish for want of space: it fails, says so, and the previous file
// stays as it was, with no temporary left.
TEST_F(SettingsStress, FullDiskKeepsThePreviousFile) {
  ASSERT_TRUE(setKey("Color", NSNumber::numberWithInt(4)));
  std::string before = bytes();
  auto big = fullSettings(0)->objectForKey(S("BadgeWhitelist"));
  // A file-size limit below the new file's size.
  EXPECT_TRUE(inChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {4096, 4096};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
    std::string error;
    bool wrote = setKey("BadgeWhitelist", big, &error);
    std::printf("stress full-disk (file-size limit): wrote=%d error=\"%s\"\n", wrote,
                error.c_str());
    return !wrote && error.find(file_) != std::string::npos;
  }));
  EXPECT_EQ(bytes(), before);
  EXPECT_TRUE(temporaries().empty());

  // A small file system that fills up, where the machine lets us mount one.
  bool mounted = inChild([&] {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr))
      return false;
    return mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k") == 0;
  });
  if (!mounted) {
    std::printf("stress full-disk (tmpfs): skipped, cannot mount here\n");
    return;
  }
  EXPECT_TRUE(inChild([&] {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) ||
        mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k") != 0)
      return false;
    if (!setKey("Color", NSNumber::numberWithInt(4))) return false;
    std::string small = bytes();
    {
      std::ofstream filler(folder_ + "/filler", std::ios::binary);
      std::string block(1024, 'x');
      while (filler.write(block.data(), block.size())) {
      }
    }
    std::string error;
    bool wrote = setKey("BadgeWhitelist", big, &error);
    std::printf("stress full-disk (tmpfs): wrote=%d intact=%d temporaries=%zu error=\"%s\"\n",
                wrote, bytes() == small, temporaries().size(), error.c_str());
    return !wrote && bytes() == small && temporaries().empty() && !error.empty();
  }));
}

// A settings folder the writer may not write in: the write fails and says so; the file
// is untouched. Root ignores permissions, so the writer then runs as nobody.
TEST_F(SettingsStress, ReadOnlyFolderKeepsThePreviousFile) {
  ASSERT_TRUE(setKey("Color", NSNumber::numberWithInt(4)));
  std::string before = bytes();
  for (const std::string& dir : {home_, home_ + "/Library"}) chmod(dir.c_str(), 0755);
  chmod(folder_.c_str(), 0555);
  EXPECT_TRUE(inChild([&] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return false;
    if (!PSPreferenceStore::contentsOfDomain(S(kDomain))) return false;  // still readable
    std::string error;
    bool wrote = setKey("Color", NSNumber::numberWithInt(9), &error);
    std::printf("stress read-only: wrote=%d error=\"%s\"\n", wrote, error.c_str());
    return !wrote && error.find(file_) != std::string::npos;
  }));
  chmod(folder_.c_str(), 0755);
  EXPECT_EQ(bytes(), before);
  EXPECT_TRUE(temporaries().empty());
}

}  // namespace
