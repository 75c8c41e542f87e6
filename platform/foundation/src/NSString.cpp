#include "Foundation/NSString.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <locale.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "Foundation/NSArray.h"
#include "Foundation/NSCharacterSet.h"
#include "Foundation/NSCoder.h"
#include "Utf8.h"
#include "objc/alloc.h"

// Plain strings are stored in an archive as themselves; this object form,
// {"NS.string": "..."}, is a mutable string's (and a boxed string's, which reads back
// as a plain one).
namespace {

void stringEncode(NSObject* self, SEL, NSCoder* coder) {
  coder->encodeStringForKey(
      NSString::stringWithCharacters(static_cast<NSString*>(self)->characters()),
      NSSTR("NS.string"));
}

id stringInitWithCoder(NSObject*, SEL, NSCoder* coder) {
  auto s = coder->decodeStringForKey(NSSTR("NS.string"));
  return s ? s : NSString::string();
}

id mutableStringInitWithCoder(NSObject* self, SEL, NSCoder* coder) {
  auto s = coder->decodeStringForKey(NSSTR("NS.string"));
  auto* m = static_cast<NSMutableString*>(self);
  if (s) m->setString(s);
  return m->retainedSelf();
}

}  // namespace

OBJC_CLASS_IMPL(NSString) {
  objc::registerAlloc<NSString>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&stringEncode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&stringInitWithCoder>());
}
OBJC_CLASS_IMPL(NSMutableString) {
  objc::registerAlloc<NSMutableString>(cls);
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&mutableStringInitWithCoder>());
}

namespace foundation {

std::u16string utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  std::size_t i = 0, n = s.size();
  auto cont = [&](std::size_t k) {
    return k < n && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80;
  };
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out += static_cast<char16_t>(c);
      ++i;
      continue;
    }
    uint32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (c >= 0xC2 && c <= 0xDF && cont(i + 1)) {
      cp = ((c & 0x1Fu) << 6) | (s[i + 1] & 0x3Fu);
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF && cont(i + 1) && cont(i + 2)) {
      uint32_t v = ((c & 0x0Fu) << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3Fu);
      if (v >= 0x800 && (v < 0xD800 || v > 0xDFFF)) {
        cp = v;
        len = 3;
      }
    } else if (c >= 0xF0 && c <= 0xF4 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
      uint32_t v = ((c & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12) | ((s[i + 2] & 0x3Fu) << 6) |
                   (s[i + 3] & 0x3Fu);
      if (v >= 0x10000 && v <= 0x10FFFF) {
        cp = v;
        len = 4;
      }
    }
    if (cp == 0xFFFD && len == 1) {
      // Skip the continuation bytes of the broken sequence so it yields one U+FFFD.
      while (cont(i + len) && len < 4 && c >= 0xC0) ++len;
    }
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD7C0 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += len;
  }
  return out;
}

std::string utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = s[i];
    if (cp < 0x80) {
      out += static_cast<char>(cp);
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    appendUtf8(out, cp);
  }
  return out;
}

}  // namespace foundation

using foundation::utf16ToUtf8;
using foundation::utf8ToUtf16;

namespace {

[[noreturn]] void rangeError(const char* method, NSRange r, NSUInteger length) {
  NSException::raise(NSRangeException, std::string("-[NSString ") + method + "]: range {" +
                                           std::to_string(r.location) + ", " +
                                           std::to_string(r.length) + "} out of bounds; length " +
                                           std::to_string(length));
}

void checkRange(const char* method, NSRange r, NSUInteger length) {
  if (r.location > length || r.length > length - r.location) rangeError(method, r, length);
}

const std::u16string& unitsOf(const Strong<NSString>& s) {
  static const std::u16string empty;
  return s ? s->characters() : empty;
}

uint32_t codePointAt(const std::u16string& s, std::size_t i, std::size_t* len) {
  char16_t c = s[i];
  if (U16_IS_LEAD(c) && i + 1 < s.size() && U16_IS_TRAIL(s[i + 1])) {
    *len = 2;
    return U16_GET_SUPPLEMENTARY(c, s[i + 1]);
  }
  *len = 1;
  return c;
}

bool allAscii(const std::u16string& s) {
  return std::all_of(s.begin(), s.end(), [](char16_t c) { return c < 0x80; });
}

char16_t asciiLower(char16_t c) {
  return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

// A transformed copy of a string (case-folded and/or decomposed, one code point at a
// time) with, for each unit, the span of the original it came from.
struct Mapped {
  std::u16string units;
  std::vector<uint32_t> from;  // original start of the source code point
  std::vector<uint32_t> to;    // original end
  std::vector<bool> first;     // unit begins a source code point's output
};

struct TransformSteps {
  bool fold;
  bool decompose;
};

Mapped transform(const std::u16string& s, TransformSteps steps) {
  const bool fold = steps.fold, decompose = steps.decompose;
  Mapped m;
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfd = decompose ? icu::Normalizer2::getNFDInstance(status) : nullptr;
  if (U_FAILURE(status)) nfd = nullptr;
  char16_t buf[64];
  for (std::size_t i = 0; i < s.size();) {
    std::size_t len;
    codePointAt(s, i, &len);
    std::u16string piece(s, i, len);
    if (fold) {
      UErrorCode st = U_ZERO_ERROR;
      int32_t n =
          u_strFoldCase(buf, 64, piece.data(), static_cast<int32_t>(len), U_FOLD_CASE_DEFAULT, &st);
      if (U_SUCCESS(st)) piece.assign(buf, static_cast<std::size_t>(n));
    }
    if (nfd) {
      UErrorCode st = U_ZERO_ERROR;
      icu::UnicodeString out = nfd->normalize(
          icu::UnicodeString(false, piece.data(), static_cast<int32_t>(piece.size())), st);
      if (U_SUCCESS(st)) piece.assign(out.getBuffer(), static_cast<std::size_t>(out.length()));
    }
    for (std::size_t k = 0; k < piece.size(); ++k) {
      m.units += piece[k];
      m.from.push_back(static_cast<uint32_t>(i));
      m.to.push_back(static_cast<uint32_t>(i + len));
      m.first.push_back(k == 0);
    }
    i += len;
  }
  return m;
}

bool combiningAt(const std::u16string& s, std::size_t i) {
  if (i >= s.size()) return false;
  std::size_t len;
  uint32_t cp = codePointAt(s, i, &len);
  return u_getCombiningClass(static_cast<UChar32>(cp)) != 0 ||
         u_charType(static_cast<UChar32>(cp)) == U_NON_SPACING_MARK ||
         u_charType(static_cast<UChar32>(cp)) == U_ENCLOSING_MARK;
}

// Searches `needle` in hay[lo, hi) with plain unit comparison; candidate positions in
// the requested direction; `accept` filters matches.
template <class Eq, class Accept>
NSRange scan(const std::u16string& hay, std::size_t lo, std::size_t hi,
             const std::u16string& needle, bool backwards, bool anchored, Eq eq, Accept accept) {
  std::size_t n = needle.size();
  if (n == 0 || hi - lo < n) return {static_cast<NSUInteger>(NSNotFound), 0};
  auto matchAt = [&](std::size_t p) {
    for (std::size_t k = 0; k < n; ++k)
      if (!eq(hay[p + k], needle[k])) return false;
    return accept(p, p + n);
  };
  if (!backwards) {
    for (std::size_t p = lo; p + n <= hi; ++p) {
      if (matchAt(p)) return {p, n};
      if (anchored) break;
    }
  } else {
    for (std::size_t p = hi - n + 1; p-- > lo;) {
      if (matchAt(p)) return {p, n};
      if (anchored) break;
    }
  }
  return {static_cast<NSUInteger>(NSNotFound), 0};
}

const NSRange kNotFound{static_cast<NSUInteger>(NSNotFound), 0};

locale_t cLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

bool isSpace(char16_t c) {
  return c == ' ' || (c >= 0x09 && c <= 0x0D) || c == 0x85 ||
         (c > 0x7F && u_isUWhiteSpace(static_cast<UChar32>(c)));
}

// Parses the leading integer by the device's rules; saturates to [lo, hi].
long long scanInteger(const std::u16string& s, long long lo, long long hi) {
  std::size_t i = 0, n = s.size();
  while (i < n && isSpace(s[i])) ++i;
  bool negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
    while (i < n && isSpace(s[i])) ++i;
  }
  unsigned long long v = 0;
  bool overflow = false;
  unsigned long long limit = negative ? static_cast<unsigned long long>(-(lo + 1)) + 1
                                      : static_cast<unsigned long long>(hi);
  for (; i < n && s[i] >= '0' && s[i] <= '9'; ++i) {
    unsigned d = s[i] - '0';
    if (!overflow) {
      if (v > (limit - d) / 10) {
        overflow = true;
      } else {
        v = v * 10 + d;
      }
    }
  }
  if (overflow) return negative ? lo : hi;
  return negative ? static_cast<long long>(0 - v) : static_cast<long long>(v);
}

// The ASCII text of the leading decimal floating-point number, sign included; empty
// when the string does not start with one.
std::string leadingReal(const std::u16string& s) {
  std::size_t i = 0, n = s.size();
  while (i < n && isSpace(s[i])) ++i;
  std::string out;
  if (i < n && (s[i] == '+' || s[i] == '-')) out += static_cast<char>(s[i++]);
  std::size_t digits = 0;
  while (i < n && s[i] >= '0' && s[i] <= '9') out += static_cast<char>(s[i++]), ++digits;
  if (i < n && s[i] == '.') {
    out += '.';
    ++i;
    while (i < n && s[i] >= '0' && s[i] <= '9') out += static_cast<char>(s[i++]), ++digits;
  }
  if (digits == 0) return {};
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    std::string exp = "e";
    if (j < n && (s[j] == '+' || s[j] == '-')) exp += static_cast<char>(s[j++]);
    std::size_t ed = 0;
    while (j < n && s[j] >= '0' && s[j] <= '9') exp += static_cast<char>(s[j++]), ++ed;
    if (ed) out += exp;
  }
  return out;
}

}  // namespace

NSString::NSString(std::string_view utf8) : units_(utf8ToUtf16(utf8)) {}

NSString::~NSString() {
  delete utf8_.load(std::memory_order_relaxed);
}

void NSString::unitsChanged() {
  delete utf8_.exchange(nullptr, std::memory_order_acq_rel);
  hash_.store(0, std::memory_order_relaxed);
}

Strong<NSString> NSString::string() {
  return std::make_shared<NSString>();
}

Strong<NSString> NSString::stringWithUTF8String(const char* utf8) {
  if (!utf8) return nullptr;
  return std::make_shared<NSString>(std::string_view(utf8));
}

Strong<NSString> NSString::stringWithUTF8String(std::string_view utf8) {
  return std::make_shared<NSString>(utf8);
}

Strong<NSString> NSString::stringWithCharacters(const unichar* chars, NSUInteger length) {
  if (!chars) return string();
  return std::make_shared<NSString>(std::u16string(chars, length));
}

Strong<NSString> NSString::stringWithCharacters(std::u16string_view chars) {
  return std::make_shared<NSString>(std::u16string(chars));
}

Strong<NSString> NSString::stringWithString(const Strong<NSString>& s) {
  return std::make_shared<NSString>(unitsOf(s));
}

unichar NSString::characterAtIndex(NSUInteger index) const {
  if (index >= units_.size())
    NSException::raise(NSRangeException, "-[NSString characterAtIndex:]: index " +
                                             std::to_string(index) + " beyond bounds; length " +
                                             std::to_string(units_.size()));
  return units_[index];
}

const char* NSString::UTF8String() const {
  std::string* cached = utf8_.load(std::memory_order_acquire);
  if (cached) return cached->c_str();
  auto* fresh = new std::string(utf16ToUtf8(units_));
  if (utf8_.compare_exchange_strong(cached, fresh, std::memory_order_acq_rel))
    return fresh->c_str();
  delete fresh;  // another thread won; `cached` now holds its copy
  return cached->c_str();
}

using foundation::sameUnits;

BOOL NSString::isEqualToString(const Strong<NSString>& other) const {
  return other && sameUnits(other->units_, units_);
}
BOOL NSString::isEqualToString(const NSString* other) const {
  return other && sameUnits(other->units_, units_);
}

BOOL NSString::isEqual(const NSObject* other) const {
  if (other == this) return YES;
  if (!other) return NO;
  auto* s = objc_cast<NSString>(other);
  if (!s) return NO;
  // Two hashes already worked out that differ settle it without reading the units.
  std::size_t mine = hash_.load(std::memory_order_relaxed);
  std::size_t theirs = s->hash_.load(std::memory_order_relaxed);
  if (mine != 0 && theirs != 0 && mine != theirs) return NO;
  return sameUnits(s->units_, units_);
}

std::size_t NSString::hashUnits() const {
  // FNV-1a over the units: equal strings, equal hashes, whatever the class. A string
  // whose hash is 0 is hashed again on each call, which costs time, not correctness.
  uint64_t fnv = 1469598103934665603ull;
  for (char16_t c : units_) {
    fnv ^= c;
    fnv *= 1099511628211ull;
  }
  auto h = static_cast<std::size_t>(fnv);
  hash_.store(h, std::memory_order_relaxed);
  return h;
}

std::string NSString::description() const {
  return UTF8String();
}

NSComparisonResult NSString::compare(const Strong<NSString>& other) const {
  return compareOptions(other, 0);
}

NSComparisonResult NSString::caseInsensitiveCompare(const Strong<NSString>& other) const {
  return compareOptions(other, NSCaseInsensitiveSearch);
}

NSComparisonResult NSString::compareOptions(const Strong<NSString>& other,
                                            NSStringCompareOptions options) const {
  if (!other) return NSOrderedDescending;
  const std::u16string* a = &units_;
  const std::u16string* b = &other->units_;
  Mapped fa, fb;
  if (options & NSCaseInsensitiveSearch) {
    fa = transform(units_, {.fold = true, .decompose = false});
    fb = transform(other->units_, {.fold = true, .decompose = false});
    a = &fa.units;
    b = &fb.units;
  }
  std::size_t i = 0, j = 0;
  while (i < a->size() && j < b->size()) {
    char16_t x = (*a)[i], y = (*b)[j];
    if ((options & NSNumericSearch) && x >= '0' && x <= '9' && y >= '0' && y <= '9') {
      std::size_t i2 = i, j2 = j;
      while (i2 < a->size() && (*a)[i2] == '0') ++i2;
      while (j2 < b->size() && (*b)[j2] == '0') ++j2;
      std::size_t ie = i2, je = j2;
      while (ie < a->size() && (*a)[ie] >= '0' && (*a)[ie] <= '9') ++ie;
      while (je < b->size() && (*b)[je] >= '0' && (*b)[je] <= '9') ++je;
      if (ie - i2 != je - j2) return ie - i2 < je - j2 ? NSOrderedAscending : NSOrderedDescending;
      for (std::size_t k = 0; k < ie - i2; ++k)
        if ((*a)[i2 + k] != (*b)[j2 + k])
          return (*a)[i2 + k] < (*b)[j2 + k] ? NSOrderedAscending : NSOrderedDescending;
      i = ie;
      j = je;
      continue;
    }
    if (x != y) return x < y ? NSOrderedAscending : NSOrderedDescending;
    ++i;
    ++j;
  }
  if (i < a->size()) return NSOrderedDescending;
  if (j < b->size()) return NSOrderedAscending;
  return NSOrderedSame;
}

Strong<NSString> NSString::substringWithRange(NSRange range) const {
  checkRange("substringWithRange:", range, units_.size());
  return std::make_shared<NSString>(units_.substr(range.location, range.length));
}

Strong<NSString> NSString::substringFromIndex(NSUInteger from) const {
  if (from > units_.size()) rangeError("substringFromIndex:", {from, 0}, units_.size());
  return std::make_shared<NSString>(units_.substr(from));
}

Strong<NSString> NSString::substringToIndex(NSUInteger to) const {
  if (to > units_.size()) rangeError("substringToIndex:", {0, to}, units_.size());
  return std::make_shared<NSString>(units_.substr(0, to));
}

NSRange NSString::rangeOfString(const Strong<NSString>& needle) const {
  return rangeOfStringOptions(needle, 0);
}

NSRange NSString::rangeOfStringOptions(const Strong<NSString>& needle,
                                       NSStringCompareOptions options) const {
  return rangeOfStringOptionsRange(needle, options, {0, units_.size()});
}

NSRange NSString::rangeOfStringOptionsRange(const Strong<NSString>& needle,
                                            NSStringCompareOptions options, NSRange range) const {
  checkRange("rangeOfString:options:range:", range, units_.size());
  if (!needle || needle->units_.empty()) return kNotFound;
  const bool fold = options & NSCaseInsensitiveSearch;
  const bool literal = options & NSLiteralSearch;
  const bool backwards = options & NSBackwardsSearch;
  const bool anchored = options & NSAnchoredSearch;
  const std::u16string& n = needle->units_;
  std::size_t lo = range.location, hi = NSMaxRange(range);

  // Plain ASCII needs neither folding tables nor normalisation.
  if (literal || (allAscii(n) && allAscii(units_))) {
    auto accept = [&](std::size_t, std::size_t end) {
      return literal || !combiningAt(units_, end);
    };
    if (fold && allAscii(n))
      return scan(
          units_, lo, hi, n, backwards, anchored,
          [](char16_t a, char16_t b) { return asciiLower(a) == asciiLower(b); }, accept);
    if (!fold)
      return scan(
          units_, lo, hi, n, backwards, anchored, [](char16_t a, char16_t b) { return a == b; },
          accept);
  }

  std::u16string sub = units_.substr(lo, hi - lo);
  Mapped h = transform(sub, {.fold = fold, .decompose = !literal});
  Mapped m = transform(n, {.fold = fold, .decompose = !literal});
  auto accept = [&](std::size_t start, std::size_t end) {
    if (!h.first[start]) return false;
    if (end < h.units.size() && !h.first[end]) return false;
    return literal || !combiningAt(sub, h.to[end - 1]);
  };
  NSRange r = scan(
      h.units, 0, h.units.size(), m.units, backwards, anchored,
      [](char16_t a, char16_t b) { return a == b; }, accept);
  if (r.location == static_cast<NSUInteger>(NSNotFound)) return r;
  if (anchored && backwards && h.to[r.location + r.length - 1] != sub.size()) return kNotFound;
  std::size_t start = h.from[r.location], end = h.to[r.location + r.length - 1];
  return {lo + start, end - start};
}

NSRange NSString::rangeOfCharacterFromSet(const Strong<NSCharacterSet>& set) const {
  return rangeOfCharacterFromSetOptions(set, 0);
}

NSRange NSString::rangeOfCharacterFromSetOptions(const Strong<NSCharacterSet>& set,
                                                 NSStringCompareOptions options) const {
  if (!set) return kNotFound;
  const bool backwards = options & NSBackwardsSearch;
  const bool anchored = options & NSAnchoredSearch;
  if (!backwards) {
    for (std::size_t i = 0; i < units_.size();) {
      std::size_t len;
      uint32_t cp = codePointAt(units_, i, &len);
      if (set->characterIsMember(cp)) return {i, len};
      if (anchored) break;
      i += len;
    }
  } else {
    for (std::size_t e = units_.size(); e > 0;) {
      std::size_t i = e - 1;
      if (U16_IS_TRAIL(units_[i]) && i > 0 && U16_IS_LEAD(units_[i - 1])) --i;
      std::size_t len;
      uint32_t cp = codePointAt(units_, i, &len);
      if (set->characterIsMember(cp)) return {i, len};
      if (anchored) break;
      e = i;
    }
  }
  return kNotFound;
}

BOOL NSString::containsString(const Strong<NSString>& s) const {
  return rangeOfString(s).location != static_cast<NSUInteger>(NSNotFound);
}

Strong<NSArray> NSString::componentsSeparatedByString(const Strong<NSString>& separator) const {
  std::vector<id> parts;
  const std::u16string& sep = unitsOf(separator);
  if (sep.empty()) {
    parts.push_back(copy());
  } else {
    std::size_t start = 0;
    for (;;) {
      std::size_t at = units_.find(sep, start);
      if (at == std::u16string::npos) break;
      parts.push_back(std::make_shared<NSString>(units_.substr(start, at - start)));
      start = at + sep.size();
    }
    parts.push_back(std::make_shared<NSString>(units_.substr(start)));
  }
  return std::make_shared<NSArray>(std::move(parts));
}

BOOL NSString::hasPrefix(const Strong<NSString>& prefix) const {
  const std::u16string& p = unitsOf(prefix);
  return !p.empty() && units_.compare(0, p.size(), p) == 0 && units_.size() >= p.size();
}

BOOL NSString::hasSuffix(const Strong<NSString>& suffix) const {
  const std::u16string& p = unitsOf(suffix);
  return !p.empty() && units_.size() >= p.size() &&
         units_.compare(units_.size() - p.size(), p.size(), p) == 0;
}

Strong<NSString> NSString::stringByAppendingString(const Strong<NSString>& s) const {
  return std::make_shared<NSString>(units_ + unitsOf(s));
}

Strong<NSString> NSString::stringByReplacingOccurrencesOfStringWithString(
    const Strong<NSString>& target, const Strong<NSString>& replacement) const {
  const std::u16string& t = unitsOf(target);
  if (t.empty()) return copy();
  const std::u16string& r = unitsOf(replacement);
  std::u16string out;
  std::size_t start = 0;
  for (;;) {
    std::size_t at = units_.find(t, start);
    if (at == std::u16string::npos) break;
    out.append(units_, start, at - start);
    out += r;
    start = at + t.size();
  }
  out.append(units_, start);
  return std::make_shared<NSString>(std::move(out));
}

namespace {
template <class Fn>
std::u16string icuCase(const std::u16string& s, Fn fn) {
  std::u16string out(s.size() + 8, u'\0');
  UErrorCode st = U_ZERO_ERROR;
  int32_t n = fn(out.data(), static_cast<int32_t>(out.size()), s.data(),
                 static_cast<int32_t>(s.size()), &st);
  if (st == U_BUFFER_OVERFLOW_ERROR) {
    out.assign(static_cast<std::size_t>(n), u'\0');
    st = U_ZERO_ERROR;
    n = fn(out.data(), n, s.data(), static_cast<int32_t>(s.size()), &st);
  }
  if (U_FAILURE(st)) return s;
  out.resize(static_cast<std::size_t>(n));
  return out;
}
}  // namespace

Strong<NSString> NSString::lowercaseString() const {
  return std::make_shared<NSString>(
      icuCase(units_, [](UChar* d, int32_t dc, const UChar* s, int32_t sl, UErrorCode* e) {
        return u_strToLower(d, dc, s, sl, "", e);
      }));
}

Strong<NSString> NSString::uppercaseString() const {
  return std::make_shared<NSString>(
      icuCase(units_, [](UChar* d, int32_t dc, const UChar* s, int32_t sl, UErrorCode* e) {
        return u_strToUpper(d, dc, s, sl, "", e);
      }));
}

Strong<NSString> NSString::stringByTrimmingCharactersInSet(
    const Strong<NSCharacterSet>& set) const {
  if (!set) return copy();
  std::size_t start = 0, end = units_.size();
  while (start < end) {
    std::size_t len;
    uint32_t cp = codePointAt(units_, start, &len);
    if (!set->characterIsMember(cp)) break;
    start += len;
  }
  while (end > start) {
    std::size_t i = end - 1;
    if (U16_IS_TRAIL(units_[i]) && i > start && U16_IS_LEAD(units_[i - 1])) --i;
    std::size_t len;
    uint32_t cp = codePointAt(units_, i, &len);
    if (!set->characterIsMember(cp)) break;
    end = i;
  }
  return std::make_shared<NSString>(units_.substr(start, end - start));
}

Strong<NSString> NSString::stringByAppendingPathComponent(const Strong<NSString>& component) const {
  std::u16string c = unitsOf(component);
  while (!c.empty() && c.front() == '/') c.erase(0, 1);
  std::u16string out = units_;
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  if (!out.empty() && out.back() != '/' && !c.empty()) out += u'/';
  out += c;
  return std::make_shared<NSString>(std::move(out));
}

Strong<NSString> NSString::lastPathComponent() const {
  std::u16string s = units_;
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  std::size_t slash = s.rfind(u'/');
  if (slash == std::u16string::npos || s == u"/") return std::make_shared<NSString>(s);
  return std::make_shared<NSString>(s.substr(slash + 1));
}

Strong<NSString> NSString::stringByDeletingLastPathComponent() const {
  std::u16string s = units_;
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  std::size_t slash = s.rfind(u'/');
  if (slash == std::u16string::npos) return string();
  if (slash == 0) return std::make_shared<NSString>(u"/");
  return std::make_shared<NSString>(s.substr(0, slash));
}

Strong<NSString> NSString::pathExtension() const {
  std::u16string last = lastPathComponent()->units_;
  std::size_t dot = last.rfind(u'.');
  if (dot == std::u16string::npos || dot == 0) return string();
  return std::make_shared<NSString>(last.substr(dot + 1));
}

int NSString::intValue() const {
  return static_cast<int>(scanInteger(units_, INT_MIN, INT_MAX));
}
NSInteger NSString::integerValue() const {
  return scanInteger(units_, LLONG_MIN, LLONG_MAX);
}
long long NSString::longLongValue() const {
  return scanInteger(units_, LLONG_MIN, LLONG_MAX);
}

float NSString::floatValue() const {
  std::string t = leadingReal(units_);
  if (t.empty()) return 0.0f;
  return strtof_l(t.c_str(), nullptr, cLocale());
}

double NSString::doubleValue() const {
  std::string t = leadingReal(units_);
  if (t.empty()) return 0.0;
  return strtod_l(t.c_str(), nullptr, cLocale());
}

BOOL NSString::boolValue() const {
  std::size_t i = 0, n = units_.size();
  while (i < n && isSpace(units_[i])) ++i;
  if (i < n && (units_[i] == '+' || units_[i] == '-')) ++i;
  while (i < n && units_[i] == '0') ++i;
  if (i >= n) return NO;
  char16_t c = units_[i];
  return c == 't' || c == 'T' || c == 'y' || c == 'Y' || (c >= '1' && c <= '9');
}

Strong<NSString> NSString::copy() const {
  if (getClass() == NSString::class_())
    return std::const_pointer_cast<NSString>(retainedSelf<NSString>());
  return std::make_shared<NSString>(units_);
}

Strong<NSMutableString> NSString::mutableCopy() const {
  return std::make_shared<NSMutableString>(units_);
}

// NSMutableString

Strong<NSMutableString> NSMutableString::string() {
  return std::make_shared<NSMutableString>();
}

Strong<NSMutableString> NSMutableString::stringWithString(const Strong<NSString>& s) {
  return std::make_shared<NSMutableString>(unitsOf(s));
}

Strong<NSMutableString> NSMutableString::stringWithUTF8String(const char* utf8) {
  if (!utf8) return nullptr;
  return std::make_shared<NSMutableString>(std::string_view(utf8));
}

void NSMutableString::appendString(const Strong<NSString>& s) {
  units_ += unitsOf(s);
  unitsChanged();
}

void NSMutableString::appendUTF8(std::string_view utf8) {
  units_ += utf8ToUtf16(utf8);
  unitsChanged();
}

void NSMutableString::insertStringAtIndex(const Strong<NSString>& s, NSUInteger index) {
  if (index > units_.size()) rangeError("insertString:atIndex:", {index, 0}, units_.size());
  units_.insert(index, unitsOf(s));
  unitsChanged();
}

void NSMutableString::deleteCharactersInRange(NSRange range) {
  checkRange("deleteCharactersInRange:", range, units_.size());
  units_.erase(range.location, range.length);
  unitsChanged();
}

void NSMutableString::replaceCharactersInRangeWithString(NSRange range, const Strong<NSString>& s) {
  checkRange("replaceCharactersInRange:withString:", range, units_.size());
  std::u16string with = unitsOf(s);  // `s` may be the receiver
  units_.replace(range.location, range.length, with);
  unitsChanged();
}

void NSMutableString::setString(const Strong<NSString>& s) {
  std::u16string with = unitsOf(s);
  units_ = std::move(with);
  unitsChanged();
}

// NSRange helpers

NSRange NSIntersectionRange(NSRange a, NSRange b) {
  NSUInteger lo = std::max(a.location, b.location);
  NSUInteger hi = std::min(NSMaxRange(a), NSMaxRange(b));
  if (hi <= lo) return {0, 0};
  return {lo, hi - lo};
}

NSRange NSUnionRange(NSRange a, NSRange b) {
  NSUInteger lo = std::min(a.location, b.location);
  NSUInteger hi = std::max(NSMaxRange(a), NSMaxRange(b));
  return {lo, hi - lo};
}

Strong<NSString> NSStringFromRange(NSRange r) {
  return NSString::stringWithFormat("{%llu, %llu}", static_cast<unsigned long long>(r.location),
                                    static_cast<unsigned long long>(r.length));
}
