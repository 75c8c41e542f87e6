#include "UIKit/UIPasteboard.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "Foundation/NSData.h"
#include "Foundation/NSPathUtilities.h"
#include "Foundation/NSString.h"

namespace {

// Owning: the text is read anew from the shared pasteboard on every call.
Strong<NSString> pasteboardString(NSObject* self, SEL) {
  return static_cast<UIPasteboard*>(self)->string();
}
void pasteboardSetString(NSObject* self, SEL, NSString* s) {
  static_cast<UIPasteboard*>(self)->setString(s ? s->retainedSelf<NSString>() : nullptr);
}

}  // namespace

OBJC_CLASS_IMPL(UIPasteboard) {
  class_addMethod(cls, OBJC_SEL("string"), objc::method<&pasteboardString>());
  class_addMethod(cls, OBJC_SEL("setString:"), objc::method<&pasteboardSetString>());
}

namespace {

// A pasteboard larger than this is taken as damaged and reads as empty.
constexpr std::size_t kMaxBytes = 64u << 20;

// The user's runtime folder when the session has one (it goes with the session), else a
// folder in the home folder: either way the user's own, never one shared under /tmp.
std::string checkedFolder(std::string* error) {
  std::string path;
  struct stat st;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/' && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
    path = std::string(runtime) + "/nimbra-pasteboard";
  } else {
    std::string library = NSHomeDirectory()->stdString() + "/Library";
    if (mkdir(library.c_str(), 0755) != 0 && errno != EEXIST) {
      *error = "cannot create " + library + ": " + std::strerror(errno);
      return {};
    }
    path = library + "/Pasteboard";
  }
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    *error = "cannot create " + path + ": " + std::strerror(errno);
    return {};
  }
  // Another user could otherwise read what we copy, or plant what we paste.
  if (lstat(path.c_str(), &st) != 0)
    *error = "cannot examine " + path;
  else if (!S_ISDIR(st.st_mode))
    *error = path + " is not a directory";
  else if (st.st_uid != geteuid())
    *error = path + " belongs to another user";
  else if (st.st_mode & 077)
    *error = path + " is open to other users";
  return error->empty() ? path : std::string();
}

void reportOnce(const std::string& error) {
  static bool reported = false;
  if (reported) return;
  reported = true;
  std::fprintf(stderr, "pasteboard: %s; the pasteboard stays empty\n", error.c_str());
}

}  // namespace

UIPasteboard::UIPasteboard(std::string name) : name_(std::move(name)) {}

Strong<UIPasteboard> UIPasteboard::generalPasteboard() {
  static auto* general = new Strong<UIPasteboard>(std::make_shared<UIPasteboard>("general"));
  return *general;
}

std::string UIPasteboard::path() const {
  // Looked up on every use: the folder may be removed (a user's session ends) and made again.
  std::string error;
  std::string folder = checkedFolder(&error);
  if (folder.empty()) {
    reportOnce(error);
    return {};
  }
  return folder + "/" + name_;
}

Strong<NSString> UIPasteboard::string() const {
  std::string file = path();
  if (file.empty()) return nullptr;
  std::ifstream in(file, std::ios::binary);
  if (!in) return nullptr;
  std::string bytes;
  char buffer[4096];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxBytes) return nullptr;
  }
  if (bytes.size() % 2) return nullptr;  // not whole code units: not ours
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  return NSString::stringWithCharacters(units);
}

void UIPasteboard::setString(const Strong<NSString>& string) {
  std::string file = path();
  if (file.empty()) return;
  if (!string) {
    std::remove(file.c_str());
    return;
  }
  const std::u16string& units = string->characters();
  std::string bytes(units.size() * 2, '\0');
  for (std::size_t i = 0; i < units.size(); ++i) {  // little-endian on every machine
    bytes[2 * i] = static_cast<char>(units[i] & 0xff);
    bytes[2 * i + 1] = static_cast<char>(units[i] >> 8);
  }
  if (!NSData::dataWithBytes(bytes.data(), bytes.size())->writeToFileAtomically(file, YES))
    std::fprintf(stderr, "pasteboard: cannot write %s\n", file.c_str());
}
