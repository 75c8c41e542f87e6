#include "LinkScanner.h"

#include <libpsl.h>
#include <unicode/idna.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>

#include <cstring>
#include <memory>

#include "../Utf8.h"
#include "Foundation/NSURL.h"

namespace foundation::detect {
namespace {

constexpr char32_t kLoneSurrogate = 0xFFFFFFFF;
constexpr std::size_t kMaxLabel = 63;
constexpr std::size_t kMaxHost = 253;
constexpr std::size_t kMaxLocalPart = 64;
constexpr std::size_t kMaxScheme = 32;
constexpr std::size_t kMaxAuthority = 512;
constexpr unsigned kMaxPort = 65535;
constexpr std::size_t kNoLink = std::size_t(-1);

bool isAsciiAlpha(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isAsciiDigit(char32_t c) {
  return c >= '0' && c <= '9';
}
bool isAsciiAlnum(char32_t c) {
  return isAsciiAlpha(c) || isAsciiDigit(c);
}
bool isJoiner(char32_t c) {
  return c == 0x200C || c == 0x200D;
}
bool isMark(char32_t c) {
  return (U_GET_GC_MASK(static_cast<UChar32>(c)) & U_GC_M_MASK) != 0;
}
bool isWordChar(char32_t c) {
  if (c < 0x80) return isAsciiAlnum(c);
  if (c == kLoneSurrogate) return false;
  return u_isalnum(static_cast<UChar32>(c)) || isMark(c) || isJoiner(c);
}
// Scripts written without spaces between words: a link in such text may touch the
// words around it.
bool isSpacelessScript(char32_t c) {
  if (c < 0x80 || c == kLoneSurrogate) return false;
  UErrorCode status = U_ZERO_ERROR;
  switch (uscript_getScript(static_cast<UChar32>(c), &status)) {
    case USCRIPT_HAN:
    case USCRIPT_HIRAGANA:
    case USCRIPT_KATAKANA:
    case USCRIPT_THAI:
    case USCRIPT_LAO:
    case USCRIPT_KHMER:
    case USCRIPT_MYANMAR:
      return true;
    default:
      return false;
  }
}
// What a host's label may hold as written; IDNA decides later whether it is valid.
bool isLabelChar(char32_t c) {
  return c == '-' || isWordChar(c);
}
// Full stops that IDNA maps to '.': ideographic, fullwidth and halfwidth.
bool isDot(char32_t c) {
  return c == '.' || c == 0x3002 || c == 0xFF0E || c == 0xFF61;
}
// A URL's path, query or fragment as written; anything else ends the link.
bool isBodyChar(char32_t c) {
  if (c < 0x80) return c > 0x20 && c != 0x7F && c != '<' && c != '>' && c != '"' && c != '`';
  return isWordChar(c);
}
bool isSchemeChar(char16_t c) {
  return isAsciiAlnum(c) || c == '+' || c == '-' || c == '.';
}
bool isLocalPartChar(char16_t c) {
  return isAsciiAlnum(c) || c == '.' || c == '_' || c == '%' || c == '+' || c == '-';
}
// A link never starts right after these: it would be the tail of a longer word, path,
// address or host.
bool continuesToken(char32_t c) {
  switch (c) {
    case '@':
    case '/':
    case '_':
    case '%':
    case '\\':
    case '&':
    case '=':
    case '#':
    case '~':
    case '$':
    case '+':
      return true;
    default:
      return isLabelChar(c) || isDot(c);
  }
}
// Whether a run of ASCII letters and digits followed by `c` could begin a link: a
// scheme needs ':', an e-mail address '@' (maybe after '.', '_', '%', '+', '-'), a host
// a dot, a hyphen or a letter of another script.
bool mayContinueIntoLink(char16_t c) {
  switch (c) {
    case '.':
    case '@':
    case ':':
    case '-':
    case '_':
    case '%':
    case '+':
      return true;
    default:
      return c >= 0x80;
  }
}

// Schemes whose URLs have no "//" and are still links in prose.
bool isOpaqueScheme(const std::string& lower) {
  for (const char* s : {"mailto", "tel", "sms", "news", "magnet", "facetime", "geo"}) {
    if (lower == s) return true;
  }
  return false;
}

// Schemes written with "//" that a reader can open. Text with any other ("foo://",
// "chrome-extension://") is a name of something else, and nothing inside it is a link.
bool isKnownHierarchicalScheme(const std::string& lower) {
  for (const char* s : {"http",   "https", "ftp",    "ftps", "sftp",  "file",   "ws",  "wss", "ssh",
                        "git",    "svn",   "irc",    "ircs", "rtsp",  "rtmp",   "smb", "afp", "nfs",
                        "webcal", "feed",  "telnet", "ldap", "ldaps", "gopher", "vnc", "rdp"}) {
    if (lower == s) return true;
  }
  return false;
}

struct Text {
  std::u16string_view s;

  std::size_t size() const { return s.size(); }
  // The code point at `i` and its length in code units; a lone surrogate is one unit.
  char32_t at(std::size_t i, std::size_t* length) const {
    char16_t c = s[i];
    *length = 1;
    if (c < 0xD800 || c > 0xDFFF) return c;
    if (c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      *length = 2;
      return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (s[i + 1] - 0xDC00);
    }
    return kLoneSurrogate;
  }
  // The code point that ends at `i`; a space before the start.
  char32_t before(std::size_t i) const {
    if (i == 0) return ' ';
    char16_t c = s[i - 1];
    if (c < 0xD800 || c > 0xDFFF) return c;
    if (c >= 0xDC00 && i >= 2 && s[i - 2] >= 0xD800 && s[i - 2] <= 0xDBFF) {
      return 0x10000 + ((char32_t(s[i - 2]) - 0xD800) << 10) + (c - 0xDC00);
    }
    return kLoneSurrogate;
  }
  bool is(std::size_t i, char16_t c) const { return i < s.size() && s[i] == c; }
};

const psl_ctx_t* publicSuffixes() {
  // The newest of the library's built-in list and the system's; made once, kept for
  // the process (lookups only read it, so threads share it).
  static const psl_ctx_t* ctx = [] {
    const psl_ctx_t* latest = psl_latest(nullptr);
    return latest ? latest : psl_builtin();
  }();
  return ctx;
}

const icu::IDNA* idna() {
  static const icu::IDNA* instance = [] {
    UErrorCode status = U_ZERO_ERROR;
    icu::IDNA* made = icu::IDNA::createUTS46Instance(
        UIDNA_NONTRANSITIONAL_TO_ASCII | UIDNA_CHECK_BIDI | UIDNA_CHECK_CONTEXTJ, status);
    return U_SUCCESS(status) ? made : nullptr;
  }();
  return instance;
}

std::string lowerAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return s;
}

bool isHexUnit(char16_t c) {
  return isAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Appends text as a URL may hold it: characters a URL takes as they are, everything
// else (non-ASCII, '%' not starting an escape, '{', '|', ...) percent-encoded as UTF-8.
void appendEncoded(std::string& out, const Text& t, std::size_t from, std::size_t to) {
  static const char* const kAllowed = "-._~:/?#[]@!$&'()*+,;=";
  static const char* const kHex = "0123456789ABCDEF";
  for (std::size_t i = from; i < to;) {
    std::size_t length;
    char32_t c = t.at(i, &length);
    bool escape = i + 2 < to && isHexUnit(t.s[i + 1]) && isHexUnit(t.s[i + 2]);
    if (c < 0x80 &&
        (isAsciiAlnum(c) || (c != 0 && std::strchr(kAllowed, int(c))) || (c == '%' && escape))) {
      out += char(c);
    } else {
      std::string bytes;
      appendUtf8(bytes, c == kLoneSurrogate ? 0xFFFD : c);
      for (unsigned char b : bytes) {
        out += '%';
        out += kHex[b >> 4];
        out += kHex[b & 15];
      }
    }
    i += length;
  }
}

struct Host {
  std::size_t begin = 0, end = 0;
  int labels = 0;
  bool ascii = true;
  bool ipv4 = false;
  bool numericTop = false;  // the last label is all digits
  std::string name;         // ASCII form, as written when it was ASCII
};

// Reads a host name at `p`: labels joined by dots, ending before the first other
// character (a final dot is not part of it). False for an empty, over-long or
// hyphen-edged label, an over-long name, or one IDNA refuses.
bool scanHost(const Text& t, std::size_t p, Host* h) {
  h->begin = p;
  std::size_t i = p;
  int digitLabels = 0;
  while (true) {
    std::size_t start = i;
    bool allDigits = true;
    while (i < t.size() && i - start <= kMaxLabel && i - p <= kMaxHost) {
      std::size_t length;
      char32_t c = t.at(i, &length);
      if (!isLabelChar(c)) break;
      // "example.com获取": an ASCII label running into such a script ends there.
      if (i > start && t.s[i - 1] < 0x80 && isSpacelessScript(c)) break;
      if (c >= 0x80) h->ascii = false;
      if (!isAsciiDigit(c)) allDigits = false;
      i += length;
    }
    if (i == start || i - start > kMaxLabel || i - p > kMaxHost) return false;
    if (t.s[start] == '-' || t.s[i - 1] == '-') return false;
    ++h->labels;
    if (allDigits && i - start <= 3) ++digitLabels;
    h->numericTop = allDigits;
    if (i >= t.size()) break;
    std::size_t dotLength;
    char32_t c = t.at(i, &dotLength);
    if (!isDot(c) || i + dotLength >= t.size()) break;
    std::size_t nextLength;
    if (!isLabelChar(t.at(i + dotLength, &nextLength)) || t.s[i + dotLength] == '-') break;
    if (c != '.') h->ascii = false;
    i += dotLength;
  }
  h->end = i;
  if (h->ascii) {
    h->name.reserve(i - p);
    for (std::size_t k = p; k < i; ++k) h->name += char(t.s[k]);
  } else {
    const icu::IDNA* converter = idna();
    if (!converter) return false;
    icu::UnicodeString src(false, reinterpret_cast<const UChar*>(t.s.data() + p), int32_t(i - p));
    icu::UnicodeString dest;
    icu::IDNAInfo info;
    UErrorCode status = U_ZERO_ERROR;
    converter->nameToASCII(src, dest, info, status);
    if (U_FAILURE(status) || info.hasErrors() || dest.isEmpty()) return false;
    dest.toUTF8String(h->name);
  }
  if (h->labels == 4 && digitLabels == 4) {
    h->ipv4 = true;
    std::size_t k = 0;
    for (int label = 0; label < 4; ++label) {
      int value = 0;
      while (k < h->name.size() && h->name[k] != '.') value = value * 10 + (h->name[k++] - '0');
      ++k;
      if (value > 255) h->ipv4 = false;
    }
  }
  return true;
}

// Whether a host names a site under a public suffix: its top label is one ("uk",
// "com", "xn--p1ai") and the host is not itself a suffix ("co.uk").
bool underPublicSuffix(const Host& h) {
  if (h.labels < 2 || h.numericTop) return false;
  const psl_ctx_t* psl = publicSuffixes();
  if (!psl) return false;
  std::string name = lowerAscii(h.name);
  std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string top = name.substr(dot + 1);
  if (!psl_is_public_suffix2(psl, top.c_str(), PSL_TYPE_ANY | PSL_TYPE_NO_STAR_RULE)) {
    return false;
  }
  return !psl_is_public_suffix2(psl, name.c_str(), PSL_TYPE_ICANN | PSL_TYPE_NO_STAR_RULE);
}

// The end of a URL's path, query or fragment starting at `p`: it stops at the first
// character a URL in prose cannot hold and before a closing bracket it did not open,
// and leaves trailing punctuation out.
std::size_t scanBody(const Text& t, std::size_t p) {
  int round = 0, square = 0, curly = 0;
  std::size_t end = p;
  while (end < t.size()) {
    std::size_t length;
    char32_t c = t.at(end, &length);
    if (!isBodyChar(c)) break;
    if (c == '(') ++round;
    if (c == '[') ++square;
    if (c == '{') ++curly;
    if (c == ')' && round-- == 0) break;
    if (c == ']' && square-- == 0) break;
    if (c == '}' && curly-- == 0) break;
    end += length;
  }
  while (end > p && t.s[end - 1] < 0x80 && std::strchr(".,:;!?'*", int(t.s[end - 1]))) --end;
  return end;
}

// A port (":" and 1 to 5 digits, at most 65535) at `p`; `p` itself when there is none,
// kNoLink when digits follow the colon but are no port ("example.com:99999",
// "example.com:80abc"): then the host is not a link either.
std::size_t scanPort(const Text& t, std::size_t p) {
  if (!t.is(p, ':')) return p;
  std::size_t q = p + 1;
  unsigned value = 0;
  while (q < t.size() && q - p <= 6 && isAsciiDigit(t.s[q])) value = value * 10 + (t.s[q++] - '0');
  if (q == p + 1) return p;
  if (q - p > 6 || value > kMaxPort || (q < t.size() && isWordChar(t.s[q]))) return kNoLink;
  return q;
}

struct Link {
  std::size_t end = 0;
  std::string url;
};

// Port, then path, query and fragment after a host ending at `p`, appended to the URL;
// kNoLink when the host runs on into an underscore ("http://foo_bar.com", which is no
// host name) or has a port out of range.
std::size_t scanAfterHost(const Text& t, std::size_t p, std::string& url) {
  if (t.is(p, '_')) return kNoLink;
  std::size_t end = scanPort(t, p);
  if (end == kNoLink) return kNoLink;
  if (end < t.size() && (t.s[end] == '/' || t.s[end] == '?' || t.s[end] == '#')) {
    end = scanBody(t, end);
  }
  appendEncoded(url, t, p, end);
  return end;
}

bool scanEmail(const Text& t, std::size_t i, Link* link);

// "scheme://authority/path..." or "mailto:..." and the like at `i`. `swallow` is set to
// the end of text that holds no link at all: a URL of an unknown scheme, or one whose
// host or port is malformed.
bool scanSchemeURL(const Text& t, std::size_t i, Link* link, std::size_t* swallow) {
  if (!isAsciiAlpha(t.s[i])) return false;
  std::size_t p = i;
  while (p < t.size() && p - i < kMaxScheme && isSchemeChar(t.s[p])) ++p;
  if (!t.is(p, ':')) return false;
  std::string scheme;
  for (std::size_t k = i; k < p; ++k) scheme += char(t.s[k]);
  std::string lower = lowerAscii(scheme);
  std::size_t q = p + 1;
  if (!(t.is(q, '/') && t.is(q + 1, '/'))) {
    if (!isOpaqueScheme(lower) || q >= t.size()) return false;
    std::size_t end = scanBody(t, q);
    if (end == q) return false;
    Link address;
    if (lower == "mailto" && !scanEmail(t, q, &address)) {  // "mailto:", "mailto:?subject="
      *swallow = end;
      return false;
    }
    link->url = scheme + ":";
    appendEncoded(link->url, t, q, end);
    link->end = end;
    return true;
  }
  if (!isKnownHierarchicalScheme(lower)) {
    *swallow = scanBody(t, q);
    return false;
  }
  q += 2;
  // The user part ends at the authority's last '@'.
  std::size_t authorityEnd = q, hostStart = q;
  while (authorityEnd < t.size() && authorityEnd - q < kMaxAuthority) {
    std::size_t length;
    char32_t c = t.at(authorityEnd, &length);
    if (!isBodyChar(c) || c == '/' || c == '?' || c == '#') break;
    if (c == '@') hostStart = authorityEnd + 1;
    authorityEnd += length;
  }
  link->url = scheme + "://";
  appendEncoded(link->url, t, q, hostStart);
  std::size_t hostEnd;
  if (t.is(hostStart, '[')) {
    // An IPv6 literal, taken as written.
    hostEnd = hostStart + 1;
    while (hostEnd < t.size() && hostEnd - hostStart < 64 &&
           (isHexUnit(t.s[hostEnd]) || t.s[hostEnd] == ':' || t.s[hostEnd] == '.')) {
      ++hostEnd;
    }
    if (!t.is(hostEnd, ']') || hostEnd == hostStart + 1) return false;
    ++hostEnd;
    appendEncoded(link->url, t, hostStart, hostEnd);
  } else {
    Host host;
    if (scanHost(t, hostStart, &host)) {
      hostEnd = host.end;
      link->url += host.name;
    } else if (lower == "file" && t.is(hostStart, '/') && hostStart == q) {
      hostEnd = hostStart;
    } else {
      *swallow = scanBody(t, q);
      return false;
    }
  }
  link->end = scanAfterHost(t, hostEnd, link->url);
  if (link->end == kNoLink) {
    *swallow = scanBody(t, q);
    return false;
  }
  return true;
}

// "local@host" at `i`, as a mailto: URL.
bool scanEmail(const Text& t, std::size_t i, Link* link) {
  std::size_t p = i;
  while (p < t.size() && p - i <= kMaxLocalPart && isLocalPartChar(t.s[p])) ++p;
  if (p == i || p - i > kMaxLocalPart || !t.is(p, '@')) return false;
  if (t.s[i] == '.' || t.s[p - 1] == '.') return false;
  for (std::size_t k = i + 1; k < p; ++k) {
    if (t.s[k] == '.' && t.s[k - 1] == '.') return false;
  }
  Host host;
  if (!scanHost(t, p + 1, &host) || host.ipv4 || !underPublicSuffix(host)) return false;
  link->url = "mailto:";
  appendEncoded(link->url, t, i, p + 1);
  link->url += host.name;
  link->end = host.end;
  return true;
}

// "www.example.com/...", "example.co.uk" or "192.168.0.1:8080" at `i`, as http: URLs.
bool scanBareHost(const Text& t, std::size_t i, Link* link) {
  Host host;
  if (!scanHost(t, i, &host) || host.labels < 2) return false;
  if (t.is(host.end, '@')) return false;
  if (!host.ipv4 && !underPublicSuffix(host)) return false;
  link->url = "http://" + host.name;
  link->end = scanAfterHost(t, host.end, link->url);
  return link->end != kNoLink;
}

// "//example.com/path", a link that takes the scheme of the page it is on: after a
// space, a bracket or a quote, to a host a bare domain would need.
bool scanSchemeRelative(const Text& t, std::size_t i, Link* link) {
  if (!t.is(i, '/') || !t.is(i + 1, '/')) return false;
  char32_t before = t.before(i);
  if (!(before == ' ' || before == '\t' || before == '\n' || before == '(' || before == '"' ||
        before == '\'' || before == '<' || before == '['))
    return false;
  if (!scanBareHost(t, i + 2, link)) return false;
  return true;
}

// "scheme://...", not "mailto:...".
bool isHierarchical(const std::string& url) {
  std::size_t colon = url.find(':');
  return colon != std::string::npos && url.compare(colon, 3, "://") == 0;
}

}  // namespace

void scanLinks(std::u16string_view text, NSUInteger base, const ScanContext&,
               std::vector<Strong<NSTextCheckingResult>>& out) {
  Text t{text};
  std::size_t i = 0;
  Link relative;  // "//example.com", tried at each slash
  while (i < t.size()) {
    // ASCII that is neither a letter, a digit nor a slash starts nothing: most of a text.
    while (i < t.size() && t.s[i] < 0x80 && t.s[i] != '/' && !isAsciiAlnum(t.s[i])) ++i;
    if (i == t.size()) break;
    std::size_t length;
    char32_t c = t.at(i, &length);
    char32_t before = t.before(i);
    // "请访问https://example.com": a URL with a scheme may follow such text directly.
    bool afterSpaceless = isAsciiAlpha(c) && isSpacelessScript(before);
    if (c == '/' && scanSchemeRelative(t, i, &relative)) {
      if (auto url = NSURL::URLWithString(relative.url)) {
        out.push_back(NSTextCheckingResult::linkCheckingResultWithRangeURL(
            NSMakeRange(base + i, relative.end - i), url));
        i = relative.end;
        continue;
      }
    }
    if (!isWordChar(c) || (continuesToken(before) && !afterSpaceless)) {
      i += length;
      // The rest of a run of ASCII letters and digits continues the same token.
      if (isAsciiAlnum(c)) {
        while (i < t.size() && isAsciiAlnum(t.s[i])) ++i;
      }
      continue;
    }
    if (c < 0x80) {
      std::size_t j = i + 1;
      while (j < t.size() && isAsciiAlnum(t.s[j])) ++j;
      if (j == t.size() || !mayContinueIntoLink(t.s[j])) {
        i = j;
        continue;
      }
    }
    Link link;
    std::size_t swallow = i;
    bool found = scanSchemeURL(t, i, &link, &swallow);
    if (swallow > i) {
      i = swallow;
      continue;
    }
    // After "word:" a host is part of a colon-separated name ("tag:example.com,2005",
    // "urn:example.com:x", "http:example.com"), not a link of its own.
    bool afterColon = before == ':';
    found = afterSpaceless
                ? found && isHierarchical(link.url)
                : found || (!afterColon && (scanEmail(t, i, &link) || scanBareHost(t, i, &link)));
    if (found) {
      if (auto url = NSURL::URLWithString(link.url)) {
        out.push_back(NSTextCheckingResult::linkCheckingResultWithRangeURL(
            NSMakeRange(base + i, link.end - i), url));
        i = link.end;
        continue;
      }
    }
    i += length;
  }
}

}  // namespace foundation::detect
