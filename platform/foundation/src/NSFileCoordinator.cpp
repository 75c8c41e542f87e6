#include "Foundation/NSFileCoordinator.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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
  std::string lockPath, itemPath;
  ~LockGuard() {
    // A lock file beside nothing guards nothing: it goes, while still held, so that a
    // failed first write leaves the folder as it was.
    struct stat item;
    if (::stat(itemPath.c_str(), &item) != 0 && errno == ENOENT) ::unlink(lockPath.c_str());
    flock(fd, LOCK_UN);
    ::close(fd);
  }
};

// Whether `fd` is still the file at `path`: a holder may have removed it before we got
// the lock, and a lock on a removed file excludes no one who opens the path afresh.
bool stillAtPath(int fd, const std::string& path) {
  struct stat held, named;
  return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

}  // namespace

BOOL NSFileCoordinator::coordinateWritingItemAtPath(const std::string& path,
                                                    const std::function<void()>& accessor) {
  if (path.empty() || path.back() == '/') return NO;
  const std::string lockPath = lockPathFor(path);
  int fd = -1;
  while (true) {
    fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return NO;
    int rc;
    do {
      rc = flock(fd, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
      ::close(fd);
      return NO;
    }
    if (stillAtPath(fd, lockPath)) break;
    flock(fd, LOCK_UN);
    ::close(fd);
  }
  LockGuard guard{fd, lockPath, path};
  if (accessor) accessor();
  return YES;
}

BOOL NSFileCoordinator::coordinateWritingItemAtPath(const Strong<NSString>& path,
                                                    const std::function<void()>& accessor) {
  return path && coordinateWritingItemAtPath(path->stdString(), accessor);
}
