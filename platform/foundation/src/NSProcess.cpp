// Process-wide services: home and temporary folders, process info, the system log,
// the assertion handler.
#include <pwd.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "CoreFoundation/CFBase.h"
#include "Foundation/NSArray.h"
#include "Foundation/NSAssertionHandler.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSLog.h"
#include "Foundation/NSPathUtilities.h"
#include "Foundation/NSProcessInfo.h"
#include "Foundation/NSString.h"

extern char** environ;

OBJC_CLASS_IMPL(NSProcessInfo) {}
OBJC_CLASS_IMPL(NSAssertionHandler) {}

Strong<NSString> NSHomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home && *home) return NSString::stringWithUTF8String(home);
  struct passwd pw;
  struct passwd* found = nullptr;
  std::vector<char> buf(16384);
  if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir)
    return NSString::stringWithUTF8String(found->pw_dir);
  return NSString::stringWithUTF8String("/");
}

Strong<NSString> NSTemporaryDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = tmp && *tmp ? tmp : "/tmp/";
  if (dir.back() != '/') dir += '/';
  return NSString::stringWithUTF8String(std::string_view(dir));
}

// NSProcessInfo

Strong<NSProcessInfo> NSProcessInfo::processInfo() {
  static const Strong<NSProcessInfo> shared = std::make_shared<NSProcessInfo>();
  return shared;
}

namespace {
std::string processNameText() {
  std::ifstream comm("/proc/self/comm");
  std::string name;
  if (comm && std::getline(comm, name) && !name.empty()) return name;
  return program_invocation_short_name ? program_invocation_short_name : "process";
}
}  // namespace

Strong<NSString> NSProcessInfo::processName() const {
  return NSString::stringWithUTF8String(std::string_view(processNameText()));
}

int NSProcessInfo::processIdentifier() const {
  return static_cast<int>(getpid());
}

Strong<NSDictionary> NSProcessInfo::environment() const {
  auto d = NSMutableDictionary::dictionary();
  for (char** e = environ; e && *e; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (!eq) continue;
    d->setObjectForKey(NSString::stringWithUTF8String(eq + 1),
                       NSString::stringWithUTF8String(std::string_view(*e, eq - *e)));
  }
  return d->copy();
}

Strong<NSArray> NSProcessInfo::arguments() const {
  std::ifstream cmdline("/proc/self/cmdline", std::ios::binary);
  std::vector<id> args;
  std::string arg;
  while (std::getline(cmdline, arg, '\0'))
    args.push_back(NSString::stringWithUTF8String(std::string_view(arg)));
  return std::make_shared<NSArray>(std::move(args));
}

// NSLog

namespace {
std::atomic<bool> gLogEnabled{true};
}

void foundation::setLogEnabled(bool enabled) {
  gLogEnabled.store(enabled, std::memory_order_relaxed);
}

void foundation::logLine(std::string_view message) {
  if (!gLogEnabled.load(std::memory_order_relaxed)) return;
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  struct tm tm;
  time_t secs = tv.tv_sec;
  localtime_r(&secs, &tm);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d ", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                static_cast<int>(tv.tv_usec / 1000));
  static const std::string name = processNameText();
  std::string line = stamp + name + "[" + std::to_string(getpid()) + ":" +
                     std::to_string(static_cast<long>(syscall(SYS_gettid))) + "] ";
  line.append(message);
  if (line.back() != '\n') line += '\n';
  // One write so concurrent lines stay whole; continue only if the kernel split it.
  const char* p = line.data();
  std::size_t left = line.size();
  while (left > 0) {
    ssize_t put = ::write(STDERR_FILENO, p, left);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    p += put;
    left -= static_cast<std::size_t>(put);
  }
}

// NSAssertionHandler

NSAssertionHandler* NSAssertionHandler::currentHandler() {
  thread_local Strong<NSAssertionHandler> handler = std::make_shared<NSAssertionHandler>();
  return handler.get();
}

void NSAssertionHandler::failInMethod(SEL selector, const NSObject* object, const std::string& file,
                                      NSInteger line, const std::string& description) {
  std::string where = std::string("-[") + (object ? class_getName(object->getClass()) : "nil") +
                      " " + sel_getName(selector) + "]";
  foundation::logLine("*** Assertion failure in " + where + ", " + file + ":" +
                      std::to_string(line));
  NSException::raise(NSInternalInconsistencyException,
                     description + " (" + where + ", " + file + ":" + std::to_string(line) + ")");
}

void NSAssertionHandler::failInFunction(const std::string& function, const std::string& file,
                                        NSInteger line, const std::string& description) {
  foundation::logLine("*** Assertion failure in " + function + "(), " + file + ":" +
                      std::to_string(line));
  NSException::raise(NSInternalInconsistencyException, description + " (" + function + "(), " +
                                                           file + ":" + std::to_string(line) + ")");
}

// The version of the platform these stand-ins follow (iOS 9's Core Foundation).
double kCFCoreFoundationVersionNumber = 1240.10;
