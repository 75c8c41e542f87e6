// Property lists on libplist, which reads and writes both forms; what it does not do
// that the device's format needs is added around it here:
// - untrusted bytes: libplist trusts a binary list's sizes and references, recurses once
//   per level of either form and expands shared references without bound, so every
//   reader's bytes are checked first (checkBytes: BinaryChecker, xmlDepthWithin);
// - dates: it drops the sign of a binary date's fraction (dateSeconds), cuts an XML date
//   toward zero rather than to the second it falls in, and holds seconds in 32 bits, so
//   a date outside them is refused (dateWritable);
// - strings: it takes C strings, so one holding U+0000 is refused, not cut (stringWritable);
// - dictionaries are written with their keys sorted, as the device writes them.
// The files themselves are read whole and written atomically (readWholeFile, writeWholeFile).
#include "PropertyList.h"

#include <dirent.h>
#include <fcntl.h>
#include <plist/plist.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "Foundation/NSArray.h"
#include "Foundation/NSData.h"
#include "Foundation/NSDate.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSNumber.h"
#include "Foundation/NSString.h"

namespace foundation {

bool readWholeFile(const std::string& path, std::string& out, std::size_t cap) {
  // Non-blocking so a FIFO at the path cannot hang the reader.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) > cap) {
    ::close(fd);
    return false;
  }
  out.clear();
  out.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t got = ::read(fd, buf, sizeof buf);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 || out.size() + static_cast<std::size_t>(got) > cap) {
      ::close(fd);
      return false;
    }
    if (got == 0) break;
    out.append(buf, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return true;
}

namespace {

bool writeAll(int fd, const void* data, std::size_t n) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    ssize_t put = ::write(fd, p, n);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    p += put;
    n -= static_cast<std::size_t>(put);
  }
  return true;
}

// A temporary is named ".<file>.<pid>.XXXXXX" (earlier versions: ".<file>.XXXXXX") and is
// locked (flock) by its writer from creation to rename. One left behind by a writer that
// died is removed by the next writer when nobody holds its lock and either its pid is
// gone or it is older than this; a pid that looks alive may be a reused one.
constexpr time_t kStaleTemporaryAge = 10 * 60;

// The pid of a temporary of ours named `rest` after ".<file>.", 0 for the older name
// without one; -1 when `rest` is not our naming at all.
long temporaryOwner(const char* rest) {
  auto isSuffix = [](const char* p) {
    std::size_t n = 0;
    for (; p[n]; ++n)
      if (!std::isalnum(static_cast<unsigned char>(p[n]))) return false;
    return n == 6;  // mkostemp's XXXXXX
  };
  if (isSuffix(rest)) return 0;
  long pid = 0;
  const char* p = rest;
  for (; *p >= '0' && *p <= '9' && pid < (1L << 40); ++p) pid = pid * 10 + (*p - '0');
  if (p == rest || *p != '.' || pid <= 0 || !isSuffix(p + 1)) return -1;
  return pid;
}

void removeStaleTemporaries(const std::string& dir, const std::string& prefix) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  time_t now = ::time(nullptr);
  while (dirent* e = ::readdir(d)) {
    if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) != 0) continue;
    long owner = temporaryOwner(e->d_name + prefix.size());
    if (owner < 0) continue;
    int fd = ::openat(::dirfd(d), e->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat held, named;
    // A writer at work holds the lock; the entry must still be the file we opened.
    bool stale = ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
                 ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                 ((owner > 0 && ::kill(static_cast<pid_t>(owner), 0) != 0 && errno == ESRCH) ||
                  now - held.st_mtime > kStaleTemporaryAge) &&
                 ::fstatat(::dirfd(d), e->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                 named.st_dev == held.st_dev && named.st_ino == held.st_ino;
    if (stale) ::unlinkat(::dirfd(d), e->d_name, 0);
    ::close(fd);
  }
  ::closedir(d);
}

}  // namespace

bool writeWholeFile(const std::string& path, const void* data, std::size_t n, bool atomically) {
  if (path.empty()) return false;
  if (!atomically) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = writeAll(fd, data, n);
    ok = (::close(fd) == 0) && ok;
    return ok;
  }
  std::size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  if (base.empty()) return false;
  std::string prefix = "." + base + ".";
  removeStaleTemporaries(dir, prefix);
  std::string tmp = (dir == "/" ? "" : dir) + "/" + prefix + std::to_string(::getpid()) + ".XXXXXX";
  int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  // Held until the rename is done, so no other writer takes this file for a stale one.
  bool ok = ::flock(fd, LOCK_EX) == 0 && ::fchmod(fd, 0644) == 0 && writeAll(fd, data, n) &&
            ::fsync(fd) == 0;
  if (!ok || ::rename(tmp.c_str(), path.c_str()) != 0) {
    ::unlink(tmp.c_str());
    ::close(fd);
    return false;
  }
  // Flushed already: a late error of close cannot undo the rename.
  ::close(fd);
  // The rename is durable only once the folder is flushed; the new file is in place
  // either way, so a failure here does not fail the write.
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

namespace plist {
namespace {

constexpr int kMaxDepth = NSPropertyListSerialization::kMaxDepth;
// Expanded objects a binary list may produce (shared references count every time).
constexpr uint64_t kMaxObjects = 1u << 20;

void setError(std::string* error, const std::string& what) {
  if (error) *error = what;
}

// Element nesting of an XML document, without parsing it; the XML reader recurses
// per level, so deep documents are refused before it sees them.
bool xmlDepthWithin(const char* s, std::size_t n, int limit) {
  int depth = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (s[i] != '<') continue;
    if (i + 1 >= n) return true;
    char c = s[i + 1];
    auto skipPast = [&](const char* end) {
      const char* hit = static_cast<const char*>(memmem(s + i, n - i, end, std::strlen(end)));
      i = hit ? static_cast<std::size_t>(hit - s) + std::strlen(end) - 1 : n;
    };
    if (c == '?') {
      skipPast("?>");
    } else if (c == '!') {
      if (i + 3 < n && s[i + 2] == '-' && s[i + 3] == '-')
        skipPast("-->");
      else if (n - i >= 9 && std::memcmp(s + i, "<![CDATA[", 9) == 0)
        skipPast("]]>");
      else
        skipPast(">");
    } else if (c == '/') {
      --depth;
      skipPast(">");
    } else {
      std::size_t start = i;
      skipPast(">");
      if (i < n && i > start && s[i - 1] != '/') {
        if (++depth > limit) return false;
      }
    }
  }
  return true;
}

// Checks the structure of a binary list so the reader only sees bounded, well-formed
// input: sizes inside the file, references inside the table, keys that are strings,
// bounded depth and bounded expansion. Its stages: the trailer read (readTrailer), then a
// walk from the top object (walk) that finds each object's extent (objectEnd), queuing
// the references of arrays and dictionaries (queueReferences) and checking dictionary
// keys once each (isKeyAt).
class BinaryChecker {
 public:
  BinaryChecker(const uint8_t* d, std::size_t n, uint64_t maxObjects, std::string* error)
      : d_(d), n_(n), maxObjects_(maxObjects), error_(error) {}

  struct Item {
    uint64_t index;
    int depth;
  };

  bool wellFormed() { return readTrailer() && walk(); }

 private:
  bool fail(const char* why) {
    setError(error_, std::string("malformed binary property list: ") + why);
    return false;
  }

  // The trailer's fields, each inside the file.
  bool readTrailer() {
    if (n_ < 8 + 1 + BinaryTrailer::kSize) return fail("too short");
    BinaryTrailer t = BinaryTrailer::at(d_, n_);
    offsetSize_ = t.offsetSize;
    refSize_ = t.refSize;
    count_ = t.count;
    top_ = t.top;
    table_ = t.table;
    if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8)
      return fail("bad sizes");
    if (count_ == 0 || count_ > n_ || top_ >= count_) return fail("bad object count");
    const uint64_t end = n_ - BinaryTrailer::kSize;
    if (table_ < 9 || table_ > end || count_ * offsetSize_ > end - table_)
      return fail("bad offset table");
    return true;
  }

  // The offset of object `idx`, which must lie between the header and the table.
  bool offsetOf(uint64_t idx, uint64_t* off) const {
    *off = readBigEndian(d_ + table_ + idx * offsetSize_, offsetSize_);
    return *off >= 8 && *off < table_;
  }

  // A marker's length: its low nibble, or an integer object after it.
  bool lengthAt(uint64_t off, uint64_t* len, uint64_t* body) const {
    unsigned info = d_[off] & 0x0F;
    if (info != 0x0F) {
      *len = info;
      *body = off + 1;
      return true;
    }
    if (off + 1 >= table_) return false;
    uint8_t im = d_[off + 1];
    if ((im & 0xF0) != 0x10 || (im & 0x0F) > 3) return false;
    unsigned bytes = 1u << (im & 0x0F);
    if (off + 2 + bytes > table_) return false;
    *len = readBigEndian(d_ + off + 2, bytes);
    *body = off + 2 + bytes;
    return true;
  }

  // Keys must be strings without NUL characters (the reader aborts on those). Shared
  // keys are scanned once: 0 not yet, 1 a key, 2 not one.
  bool isKeyAt(uint64_t idx) {
    if (keyChecked_[idx]) return keyChecked_[idx] == 1;
    uint8_t& verdict = keyChecked_[idx];
    verdict = 2;
    uint64_t off, len, body;
    if (!offsetOf(idx, &off)) return false;
    unsigned type = d_[off] >> 4;
    if ((type != 0x5 && type != 0x6) || !lengthAt(off, &len, &body)) return false;
    uint64_t unit = type == 0x6 ? 2 : 1;
    if (len > table_ || body + len * unit > table_) return false;
    for (uint64_t k = 0; k < len; ++k) {
      if (unit == 1 ? d_[body + k] == 0 : (d_[body + 2 * k] | d_[body + 2 * k + 1]) == 0)
        return false;
    }
    verdict = 1;
    return true;
  }

  // The references of an array or dictionary at `body`, `refs` of them, each inside the
  // table and (for a dictionary's first `keys`) a key, queued for the walk. A key is a
  // string whose extent isKeyAt has checked already: it is counted here rather than
  // visited again (about half of what an archive's walk would visit).
  bool queueReferences(uint64_t body, uint64_t refs, uint64_t keys, int depth) {
    for (uint64_t k = 0; k < refs; ++k) {
      uint64_t ref = readBigEndian(d_ + body + k * refSize_, refSize_);
      if (ref >= count_) return fail("reference outside the object table");
      if (k < keys) {
        if (!isKeyAt(ref)) return fail("bad dictionary key");
        if (!count(depth + 1)) return false;
        continue;
      }
      stack_.push_back({ref, depth + 1});
      if (stack_.size() > maxObjects_) return fail("too many objects");
    }
    return true;
  }

  // Where the object at `off` ends, by its marker; false (after a failure) for a marker
  // of no known type or sizes past the table.
  bool objectEnd(uint64_t off, int depth, uint64_t* end) {
    uint8_t marker = d_[off];
    unsigned type = marker >> 4, info = marker & 0x0F;
    uint64_t len = 0, body = off + 1;
    switch (type) {
      case 0x0:
        if (info != 0x0 && info != 0x8 && info != 0x9 && info != 0xF) return fail("bad marker");
        *end = off + 1;
        return true;
      case 0x1:
        if (info > 4) return fail("bad integer");
        *end = body + (1u << info);
        return true;
      case 0x2:
        if (info != 2 && info != 3) return fail("bad real");
        *end = body + (1u << info);
        return true;
      case 0x3:
        if (info != 3) return fail("bad date");
        *end = body + 8;
        return true;
      case 0x4:
      case 0x5:
      case 0x6:
        if (!lengthAt(off, &len, &body)) return fail("bad length");
        if (len > table_) return fail("length past the end");
        *end = body + len * (type == 0x6 ? 2 : 1);
        return true;
      case 0x8:
        *end = body + info + 1;
        return true;
      case 0xA:
      case 0xD: {
        if (!lengthAt(off, &len, &body)) return fail("bad length");
        uint64_t refs = len * (type == 0xD ? 2 : 1);
        if (len > table_ || refs * refSize_ > table_ - body) return fail("count past the end");
        *end = body + refs * refSize_;
        return queueReferences(body, refs, type == 0xD ? len : 0, depth);
      }
      default:
        return fail("unsupported object type");
    }
  }

  // One more value of the expansion, at `depth`.
  bool count(int depth) {
    if (++seen_ > maxObjects_) return fail("too many objects");
    if (depth > kMaxDepth) return fail("nested too deeply");
    return true;
  }

  // Every object reachable from the top, shared ones each time they are referenced (so
  // the expansion the reader would make is bounded too).
  bool walk() {
    keyChecked_.assign(count_, 0);
    stack_.assign(1, Item{top_, 1});
    seen_ = 0;
    while (!stack_.empty()) {
      Item it = stack_.back();
      stack_.pop_back();
      if (!count(it.depth)) return false;
      uint64_t off, end = 0;
      if (!offsetOf(it.index, &off)) return fail("object offset outside the object table");
      if (!objectEnd(off, it.depth, &end)) return false;
      if (end > table_) return fail("object runs past the object table");
    }
    return true;
  }

  const uint8_t* d_;
  std::size_t n_;
  uint64_t maxObjects_;
  std::string* error_;
  unsigned offsetSize_ = 0, refSize_ = 0;
  uint64_t count_ = 0, top_ = 0, table_ = 0;
  uint64_t seen_ = 0;
  // Kept per thread, so that reading small lists often does not allocate; held by
  // reference, so the walk does not look the thread's copy up at every step.
  std::vector<uint8_t>& keyChecked_ = keyCheckedOfThread();
  std::vector<Item>& stack_ = stackOfThread();

  static std::vector<uint8_t>& keyCheckedOfThread() {
    thread_local std::vector<uint8_t> v;
    return v;
  }
  static std::vector<Item>& stackOfThread() {
    thread_local std::vector<Item> v;
    return v;
  }
};

bool binaryWellFormed(const uint8_t* d, std::size_t n, uint64_t maxObjects, std::string* error) {
  return BinaryChecker(d, n, maxObjects, error).wellFormed();
}

id fromNode(plist_t node, int depth, bool mutableContainers, bool mutableHere) {
  if (!node || depth > kMaxDepth + 1) return nullptr;
  switch (plist_get_node_type(node)) {
    case PLIST_UID: {
      uint64_t v = 0;
      plist_get_uid_val(node, &v);
      auto d = NSMutableDictionary::dictionary();
      d->setObjectForKey(NSNumber::numberWithUnsignedLongLong(v), NSSTR("CF$UID"));
      return d;
    }
    case PLIST_ARRAY: {
      uint32_t n = plist_array_get_size(node);
      std::vector<id> items;
      items.reserve(n);
      for (uint32_t i = 0; i < n; ++i) {
        id item = fromNode(plist_array_get_item(node, i), depth + 1, mutableContainers,
                           mutableContainers);
        if (!item) return nullptr;
        items.push_back(std::move(item));
      }
      if (mutableHere) return std::make_shared<NSMutableArray>(std::move(items));
      return std::make_shared<NSArray>(std::move(items));
    }
    case PLIST_DICT: {
      auto d = NSMutableDictionary::dictionary();
      plist_dict_iter iter = nullptr;
      plist_dict_new_iter(node, &iter);
      if (!iter) return nullptr;
      std::unique_ptr<void, void (*)(void*)> guard(iter, free);
      for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, iter, &key, &value);
        if (!key) break;
        std::unique_ptr<char, void (*)(void*)> keyGuard(key, free);
        id v = fromNode(value, depth + 1, mutableContainers, mutableContainers);
        if (!v) return nullptr;
        d->setObjectForKey(v, NSString::stringWithUTF8String(key));
      }
      if (mutableHere) return d;
      return d->copy();
    }
    default:
      return scalarOf(node);
  }
}

// The checks every reader runs before libplist sees the bytes. `maxValues` bounds the
// values of the list (for XML, through its number of tags); 0 leaves only the binary
// reader's own bound.
bool preflight(const uint8_t* d, std::size_t n, std::size_t maxValues, bool* binary,
               std::string* error) {
  if (!d || n == 0) {
    setError(error, "empty property list");
    return false;
  }
  if (n > NSPropertyListSerialization::kMaxBytes) {
    setError(error, "property list too large");
    return false;
  }
  *binary = n >= 8 && std::memcmp(d, "bplist00", 8) == 0;
  if (*binary) return binaryWellFormed(d, n, maxValues ? maxValues : kMaxObjects, error);
  // The XML reader wants text: refuse NUL bytes, which it would take as the end.
  if (std::memchr(d, 0, n)) {
    setError(error, "not a property list");
    return false;
  }
  // The XML reader accepts a document cut short after its last value; a whole
  // property list ends with its closing tag.
  std::string_view text(reinterpret_cast<const char*>(d), n);
  std::size_t last = text.find_last_not_of(" \t\r\n");
  if (last == std::string_view::npos || last < 7 || text.substr(last - 7, 8) != "</plist>") {
    setError(error, "not a whole property list");
    return false;
  }
  if (!xmlDepthWithin(reinterpret_cast<const char*>(d), n, kMaxDepth + 1)) {
    setError(error, "property list nested too deeply");
    return false;
  }
  if (maxValues &&
      static_cast<std::size_t>(std::count(text.begin(), text.end(), '<')) > 2 * maxValues + 8) {
    setError(error, "malformed property list: too many objects");
    return false;
  }
  return true;
}

plist_t readNode(const uint8_t* d, std::size_t n, bool binary) {
  plist_t node = nullptr;
  if (binary)
    plist_from_bin(reinterpret_cast<const char*>(d), static_cast<uint32_t>(n), &node);
  else
    plist_from_xml(reinterpret_cast<const char*>(d), static_cast<uint32_t>(n), &node);
  return node;
}

}  // namespace

plist_t parseNode(const void* data, std::size_t n, std::size_t maxValues,
                  NSPropertyListFormat* format, std::string* error) {
  const auto* d = static_cast<const uint8_t*>(data);
  bool binary = false;
  if (!preflight(d, n, maxValues, &binary, error)) return nullptr;
  plist_t node = readNode(d, n, binary);
  if (!node) {
    setError(error, "not a property list");
    return nullptr;
  }
  if (format) *format = binary ? NSPropertyListBinaryFormat_v1_0 : NSPropertyListXMLFormat_v1_0;
  return node;
}

bool checkBytes(const void* data, std::size_t n, std::size_t maxValues, bool* binary,
                std::string* error) {
  return preflight(static_cast<const uint8_t*>(data), n, maxValues, binary, error);
}

bool writeNode(plist_t node, NSPropertyListFormat format, std::string& out) {
  char* bytes = nullptr;
  uint32_t length = 0;
  if (format == NSPropertyListXMLFormat_v1_0)
    plist_to_xml(node, &bytes, &length);
  else
    plist_to_bin(node, &bytes, &length);
  if (!bytes) return false;
  out.assign(bytes, length);
  if (format == NSPropertyListXMLFormat_v1_0)
    plist_to_xml_free(bytes);
  else
    plist_to_bin_free(bytes);
  return true;
}

id parse(const void* data, std::size_t n, Root root, bool mutableTop, bool mutableContainers,
         NSPropertyListFormat* format, std::string* error) {
  const auto* d = static_cast<const uint8_t*>(data);
  bool binary = false;
  if (!preflight(d, n, 0, &binary, error)) return nullptr;
  plist_t node = readNode(d, n, binary);
  if (!node) {
    setError(error, "not a property list");
    return nullptr;
  }
  std::unique_ptr<void, void (*)(plist_t)> guard(node, plist_free);
  plist_type type = plist_get_node_type(node);
  if ((root == Root::Array && type != PLIST_ARRAY) ||
      (root == Root::Dictionary && type != PLIST_DICT)) {
    setError(error, "property list root is of the wrong type");
    return nullptr;
  }
  id result = fromNode(node, 1, mutableContainers, mutableTop || mutableContainers);
  if (!result) {
    setError(error, "property list holds an unsupported value");
    return nullptr;
  }
  if (format) *format = binary ? NSPropertyListBinaryFormat_v1_0 : NSPropertyListXMLFormat_v1_0;
  return result;
}

id readFile(const std::string& path, Root root, bool mutableTop) {
  std::string bytes;
  if (!readWholeFile(path, bytes, NSPropertyListSerialization::kMaxBytes)) return nullptr;
  return parse(bytes.data(), bytes.size(), root, mutableTop, false, nullptr, nullptr);
}

namespace {

// Both writers pass strings to the library as C strings, and XML cannot carry U+0000 at
// all: a string holding one is refused rather than written cut short.
bool stringWritable(const NSString* s, std::string* error) {
  if (s->characters().find(u'\0') == std::u16string::npos) return true;
  setError(error, "property list string holds a NUL character: " +
                      s->substringToIndex(s->characters().find(u'\0'))->stdString() + "\\0...");
  return false;
}

bool validateAt(const NSObject* obj, int depth, std::string* error) {
  if (depth > kMaxDepth) {
    setError(error, "property list nested too deeply (or holds itself)");
    return false;
  }
  if (!obj) {
    setError(error, "property list holds none");
    return false;
  }
  if (auto* s = objc_cast<NSString>(obj)) return stringWritable(s, error);
  if (objc_cast<NSNumber>(obj) || objc_cast<NSDate>(obj) || objc_cast<NSData>(obj)) return true;
  if (auto* a = objc_cast<NSArray>(obj)) {
    for (const id& item : *a)
      if (!validateAt(item.get(), depth + 1, error)) return false;
    return true;
  }
  if (auto* d = objc_cast<NSDictionary>(obj)) {
    for (const auto& [k, v] : *d) {
      auto* key = objc_cast<NSString>(k.get());
      if (!key) {
        setError(error, "property list dictionary key is not a string: " + k->description());
        return false;
      }
      if (!stringWritable(key, error)) return false;
      if (!validateAt(v.get(), depth + 1, error)) return false;
    }
    return true;
  }
  setError(error, std::string("not a property-list object: ") + class_getName(obj->getClass()));
  return false;
}

std::vector<std::pair<const NSString*, const NSObject*>> sortedEntries(const NSDictionary* d) {
  std::vector<std::pair<const NSString*, const NSObject*>> v;
  for (const auto& [k, val] : *d) v.emplace_back(static_cast<const NSString*>(k.get()), val.get());
  std::sort(v.begin(), v.end(), [](const auto& a, const auto& b) {
    return a.first->characters() < b.first->characters();
  });
  return v;
}

// The reader keeps a date as 32-bit seconds from the reference date, as the binary writer
// does: a date outside that span (mid-December 1932 to mid-January 2069) would read back
// as another date, so neither form writes one.
bool dateWritable(double t) {
  double sec = std::floor(t);
  return sec >= INT32_MIN && sec <= INT32_MAX;
}

// The nodes of `obj`, which validate() has passed, for writing in `format`.
plist_t toNode(const NSObject* obj, NSPropertyListFormat format, std::string* error) {
  if (auto* s = objc_cast<NSString>(obj)) return plist_new_string(s->UTF8String());
  if (auto* n = objc_cast<NSNumber>(obj)) return numberNode(n);
  if (auto* d = objc_cast<NSDate>(obj)) {
    double t = d->timeIntervalSinceReferenceDate();
    double sec = std::floor(t);
    // A fraction within half a microsecond of the next second rounds up into it. XML
    // keeps whole seconds, the second the date falls in; libplist would cut a date with
    // a fraction toward zero, a second late before the reference date.
    long usec = format == NSPropertyListXMLFormat_v1_0 ? 0 : std::lround((t - sec) * 1e6);
    if (usec >= 1000000) {
      sec += 1;
      usec -= 1000000;
    }
    if (!dateWritable(t) || !dateWritable(sec)) {
      setError(error, "date out of range");
      return nullptr;
    }
    return plist_new_date(static_cast<int32_t>(sec), static_cast<int32_t>(usec));
  }
  if (auto* data = objc_cast<NSData>(obj))
    return plist_new_data(static_cast<const char*>(data->bytes()), data->length());
  if (auto* a = objc_cast<NSArray>(obj)) {
    plist_t node = plist_new_array();
    for (const id& item : *a) {
      plist_t child = toNode(item.get(), format, error);
      if (!child) {
        plist_free(node);
        return nullptr;
      }
      plist_array_append_item(node, child);
    }
    return node;
  }
  if (auto* dict = objc_cast<NSDictionary>(obj)) {
    plist_t node = plist_new_dict();
    for (const auto& [k, v] : sortedEntries(dict)) {
      plist_t child = toNode(v, format, error);
      if (!child) {
        plist_free(node);
        return nullptr;
      }
      plist_dict_set_item(node, k->UTF8String(), child);
    }
    return node;
  }
  return nullptr;
}

// Every list is written by libplist from nodes, once validate() has refused what the
// device's format cannot carry.
bool toFormat(const NSObject* obj, NSPropertyListFormat format, std::string& out,
              std::string* error) {
  if (!validate(obj, error)) return false;
  plist_t node = toNode(obj, format, error);
  if (!node) return false;
  bool written = writeNode(node, format, out);
  plist_free(node);
  if (!written) setError(error, "property list could not be written");
  return written;
}

}  // namespace

plist_t numberNode(const NSNumber* number) {
  switch (number->kind()) {
    case NSNumber::Kind::Boolean:
      return plist_new_bool(number->boolValue());
    case NSNumber::Kind::Integer:
      return plist_new_uint(static_cast<uint64_t>(number->longLongValue()));
    case NSNumber::Kind::Unsigned:
      return plist_new_uint(number->unsignedLongLongValue());
    default:
      return plist_new_real(number->doubleValue());
  }
}

double dateSeconds(plist_t node) {
  int32_t sec = 0, usec = 0;
  plist_get_date_val(node, &sec, &usec);
  // The library splits a binary date into whole seconds toward zero and a fraction
  // whose sign it drops: -25.3 comes as -25 and 0.3. Within the second before the
  // reference date the sign is lost altogether.
  double fraction = std::fabs(static_cast<double>(usec)) / 1e6;
  return sec < 0 || usec < 0 ? sec - fraction : sec + fraction;
}

id scalarOf(plist_t node) {
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t b = 0;
      plist_get_bool_val(node, &b);
      return NSNumber::numberWithBool(b != 0);
    }
    case PLIST_UINT: {
      uint64_t v = 0;
      plist_get_uint_val(node, &v);
      return NSNumber::numberWithLongLong(static_cast<long long>(v));
    }
    case PLIST_REAL: {
      double v = 0;
      plist_get_real_val(node, &v);
      return NSNumber::numberWithDouble(v);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
      uint64_t len = 0;
      const char* p = plist_get_string_ptr(node, &len);
      return NSString::stringWithUTF8String(std::string_view(p ? p : "", p ? len : 0));
    }
    case PLIST_DATE:
      return NSDate::dateWithTimeIntervalSinceReferenceDate(dateSeconds(node));
    case PLIST_DATA: {
      uint64_t len = 0;
      const char* p = plist_get_data_ptr(node, &len);
      return NSData::dataWithBytes(p, p ? len : 0);
    }
    default:
      return nullptr;
  }
}

bool validate(const NSObject* obj, std::string* error) {
  return validateAt(obj, 1, error);
}

bool toXML(const NSObject* obj, std::string& out, std::string* error) {
  return toFormat(obj, NSPropertyListXMLFormat_v1_0, out, error);
}

bool toBinary(const NSObject* obj, std::string& out, std::string* error) {
  return toFormat(obj, NSPropertyListBinaryFormat_v1_0, out, error);
}

bool writeFile(const NSObject* obj, const std::string& path, bool atomically) {
  std::string xml;
  if (!toXML(obj, xml, nullptr)) return false;
  return writeWholeFile(path, xml.data(), xml.size(), atomically);
}

}  // namespace plist
}  // namespace foundation
