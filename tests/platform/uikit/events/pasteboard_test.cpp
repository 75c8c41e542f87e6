// The general pasteboard, within one process and across two.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "Foundation/NSString.h"
#include "UIKit/UIPasteboard.h"

extern char** environ;

namespace {

// Each test gets its own runtime folder, as a user session would.
class Pasteboard : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/nimbra-pasteboard-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    std::filesystem::remove_all(dir_);
    unsetenv("XDG_RUNTIME_DIR");
  }
  std::string dir_;
};

TEST_F(Pasteboard, StringsComeBackExactlyAndNoneEmptiesIt) {
  auto board = UIPasteboard::generalPasteboard();
  EXPECT_EQ(board->string(), nullptr);
  board->setString(NSSTR("Thanks to @varenko"));
  EXPECT_EQ(board->string()->stdString(), "Thanks to @varenko");
  // Every UTF-16 string survives: a NUL, an emoji, a lone surrogate.
  std::u16string odd = u"a\0b\U0001F600";
  odd += char16_t(0xD800);
  board->setString(NSString::stringWithCharacters(odd));
  EXPECT_EQ(board->string()->characters(), odd);
  board->setString(NSString::string());
  ASSERT_TRUE(board->string());
  EXPECT_EQ(board->string()->length(), 0u);
  board->setString(nullptr);
  EXPECT_EQ(board->string(), nullptr);
  EXPECT_EQ(board->path(), dir_ + "/nimbra-pasteboard/general");
  struct stat st;
  ASSERT_EQ(stat((dir_ + "/nimbra-pasteboard").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 077, 0u);
}

TEST_F(Pasteboard, AnotherProcessSeesTheStringAndChangesIt) {
  auto board = UIPasteboard::generalPasteboard();
  board->setString(NSSTR("from the parent"));
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // The child is another process of the same user.
    auto seen = UIPasteboard::generalPasteboard()->string();
    bool ok = seen && seen->stdString() == "from the parent";
    UIPasteboard::generalPasteboard()->setString(NSSTR("from the child"));
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(board->string()->stdString(), "from the child");
}

TEST_F(Pasteboard, DamagedOrUnsafeStorageReadsAsEmpty) {
  auto board = UIPasteboard::generalPasteboard();
  board->setString(NSSTR("x"));
  {
    std::ofstream odd(board->path(), std::ios::binary | std::ios::trunc);
    odd << "abc";  // not whole UTF-16 units
  }
  EXPECT_EQ(board->string(), nullptr);
  // A folder others may enter is not used.
  chmod((dir_ + "/nimbra-pasteboard").c_str(), 0777);
  EXPECT_EQ(board->path(), "");
  EXPECT_EQ(board->string(), nullptr);
  board->setString(NSSTR("y"));  // does nothing, harmlessly
  chmod((dir_ + "/nimbra-pasteboard").c_str(), 0700);
  EXPECT_EQ(board->string(), nullptr);
}

}  // namespace
