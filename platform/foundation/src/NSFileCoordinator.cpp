#include "Foundation/NSFileCoordinator.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "Foundation/NSString.h"

OBJC_CLASS_IMPL(NSFileCoordinator) {}

namespace {

std::string lockPathFor(const std::string& path) {
  std::size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  return dir + "." + base + ".lock";
}

struct LockGuard {
  int fd;
  ~LockGuard() {
    flock(fd, LOCK_UN);
    ::close(fd);
  }
};

}  // namespace

BOOL NSFileCoordinator::coordinateWritingItemAtPath(const std::string& path,
                                                    const std::function<void()>& accessor) {
  if (path.empty() || path.back() == '/') return NO;
  int fd = ::open(lockPathFor(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return NO;
  int rc;
  do {
    rc = flock(fd, LOCK_EX);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    ::close(fd);
    return NO;
  }
  LockGuard guard{fd};
  if (accessor) accessor();
  return YES;
}

BOOL NSFileCoordinator::coordinateWritingItemAtPath(const Strong<NSString>& path,
                                                    const std::function<void()>& accessor) {
  return path && coordinateWritingItemAtPath(path->stdString(), accessor);
}
