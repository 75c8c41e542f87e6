#include "Foundation/NSURL.h"

#include <unistd.h>

#include <cctype>
#include <functional>

#include "Foundation/NSCoder.h"
#include "Foundation/NSError.h"
#include "Foundation/NSString.h"
#include "objc/alloc.h"

// {"NS.base": UID or $null, "NS.relative": UID of the string}. A relative string with a
// base reads back resolved against it only as far as this platform resolves references:
// the base is kept as the string's prefix when the string has no scheme.
namespace {

void urlEncode(NSObject* self, SEL, NSCoder* coder) {
  coder->encodeObjectForKey(nullptr, NSSTR("NS.base"));
  coder->encodeObjectForKey(static_cast<NSURL*>(self)->absoluteString(), NSSTR("NS.relative"));
}

id urlInitWithCoder(NSObject*, SEL, NSCoder* coder) {
  auto base = coder->decodeObjectOfClassForKey<NSURL>(NSSTR("NS.base"));
  auto relative = coder->decodeStringForKey(NSSTR("NS.relative"));
  if (coder->error()) return nullptr;
  if (!relative) relative = NSString::string();
  Strong<NSURL> url = NSURL::URLWithString(relative);
  if (url && base && !url->scheme())
    url = NSURL::URLWithString(base->absoluteString()->stringByAppendingString(relative));
  if (!url) {
    coder->failWithError(NSError::errorWithCode(NSCoderReadCorruptError,
                                                "'" + relative->stdString() + "' is not a URL"));
  }
  return url;
}

id makeURL() {
  return std::make_shared<NSURL>(std::string(), NSURL::Parts{});
}

}  // namespace

OBJC_CLASS_IMPL(NSURL) {
  objc::registerAllocWith<&makeURL>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&urlEncode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&urlInitWithCoder>());
}

namespace {

bool isHex(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// RFC 3986 unreserved and reserved characters; '%' only before two hex digits.
bool allowedText(const std::string& s) {
  static const std::string_view extra = "-._~:/?#[]@!$&'()*+,;=";
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '%') {
      if (i + 2 >= s.size() + 0 || !isHex(s[i + 1]) || !isHex(s[i + 2])) return false;
      continue;
    }
    if (std::isalnum(c)) continue;
    if (c < 0x80 && extra.find(static_cast<char>(c)) != std::string_view::npos) continue;
    return false;
  }
  return true;
}

std::string percentDecode(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() + 0 && isHex(s[i + 1]) && isHex(s[i + 2])) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

bool parse(const std::string& s, NSURL::Parts& p) {
  if (s.empty() || !allowedText(s)) return false;
  std::size_t pos = 0;
  // A scheme is letters first, then letters, digits, '+', '-', '.', up to a ':' that
  // comes before any '/', '?' or '#'.
  std::size_t colon = s.find(':');
  std::size_t stop = s.find_first_of("/?#");
  if (colon != std::string::npos && (stop == std::string::npos || colon < stop)) {
    bool ok = colon > 0 && std::isalpha(static_cast<unsigned char>(s[0]));
    for (std::size_t i = 1; ok && i < colon; ++i) {
      char c = s[i];
      ok = std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    }
    if (!ok) return false;
    p.hasScheme = true;
    p.scheme = s.substr(0, colon);
    pos = colon + 1;
  }
  if (s.compare(pos, 2, "//") == 0) {
    p.hasAuthority = true;
    pos += 2;
    std::size_t end = s.find_first_of("/?#", pos);
    if (end == std::string::npos) end = s.size();
    std::string authority = s.substr(pos, end - pos);
    pos = end;
    std::size_t at = authority.rfind('@');
    if (at != std::string::npos) {
      p.hasUser = true;
      p.user = authority.substr(0, at);
      std::size_t c = p.user.find(':');
      if (c != std::string::npos) p.user.resize(c);
      authority = authority.substr(at + 1);
    }
    std::size_t portColon = std::string::npos;
    if (!authority.empty() && authority[0] == '[') {
      std::size_t close = authority.find(']');
      if (close == std::string::npos) return false;
      p.host = authority.substr(1, close - 1);
      if (close + 1 < authority.size()) {
        if (authority[close + 1] != ':') return false;
        portColon = close + 1;
      }
    } else {
      portColon = authority.find(':');
      p.host = authority.substr(0, portColon);
      if (p.host.find_first_of("[]") != std::string::npos) return false;
    }
    if (portColon != std::string::npos) {
      p.port = authority.substr(portColon + 1);
      for (char c : p.port)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
      p.hasPort = !p.port.empty();
    }
  }
  std::size_t q = s.find_first_of("?#", pos);
  p.path = s.substr(pos, (q == std::string::npos ? s.size() : q) - pos);
  if (q != std::string::npos && s[q] == '?') {
    std::size_t hash = s.find('#', q);
    p.hasQuery = true;
    p.query = s.substr(q + 1, (hash == std::string::npos ? s.size() : hash) - q - 1);
    q = hash;
  }
  if (q != std::string::npos && s[q] == '#') {
    p.hasFragment = true;
    p.fragment = s.substr(q + 1);
  }
  return true;
}

Strong<NSString> str(const std::string& s) {
  return NSString::stringWithUTF8String(std::string_view(s));
}

}  // namespace

Strong<NSURL> NSURL::URLWithString(const std::string& s) {
  Parts parts;
  if (!parse(s, parts)) return nullptr;
  return std::make_shared<NSURL>(s, std::move(parts));
}

Strong<NSURL> NSURL::URLWithString(const Strong<NSString>& s) {
  return s ? URLWithString(s->stdString()) : nullptr;
}

Strong<NSURL> NSURL::fileURLWithPath(const Strong<NSString>& path) {
  if (!path) return nullptr;
  std::string p = path->stdString();
  if (p.empty() || p[0] != '/') {
    char cwd[4096];
    std::string base = getcwd(cwd, sizeof cwd) ? cwd : "/";
    p = base + (base.back() == '/' ? "" : "/") + p;
  }
  static const char* hex = "0123456789ABCDEF";
  std::string encoded;
  for (unsigned char c : p) {
    if (std::isalnum(c) || std::string_view("-._~/!$&'()*+,;=:@").find(static_cast<char>(c)) !=
                               std::string_view::npos) {
      encoded += static_cast<char>(c);
    } else {
      encoded += '%';
      encoded += hex[c >> 4];
      encoded += hex[c & 15];
    }
  }
  return URLWithString("file://" + encoded);
}

Strong<NSString> NSURL::absoluteString() const {
  return str(string_);
}
Strong<NSString> NSURL::scheme() const {
  return parts_.hasScheme ? str(parts_.scheme) : nullptr;
}
Strong<NSString> NSURL::host() const {
  return parts_.hasAuthority ? str(percentDecode(parts_.host)) : nullptr;
}
Strong<NSString> NSURL::user() const {
  return parts_.hasUser ? str(percentDecode(parts_.user)) : nullptr;
}
Strong<NSString> NSURL::port() const {
  return parts_.hasPort ? str(parts_.port) : nullptr;
}
Strong<NSString> NSURL::path() const {
  std::string p = percentDecode(parts_.path);
  if (p.size() > 1 && p.back() == '/') p.pop_back();
  return str(p);
}
Strong<NSString> NSURL::query() const {
  return parts_.hasQuery ? str(parts_.query) : nullptr;
}
Strong<NSString> NSURL::fragment() const {
  return parts_.hasFragment ? str(parts_.fragment) : nullptr;
}
Strong<NSString> NSURL::resourceSpecifier() const {
  return str(parts_.hasScheme ? string_.substr(parts_.scheme.size() + 1) : string_);
}
BOOL NSURL::isFileURL() const {
  return parts_.hasScheme && parts_.scheme == "file";
}

BOOL NSURL::isEqual(const NSObject* other) const {
  auto* u = dynamic_cast<const NSURL*>(other);
  return u && u->string_ == string_;
}

std::size_t NSURL::hash() const {
  return std::hash<std::string>()(string_);
}
