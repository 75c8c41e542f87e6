#include "Foundation/NSCharacterSet.h"

#include <unicode/uniset.h>
#include <unicode/utf16.h>

#include "Foundation/NSString.h"

OBJC_CLASS_IMPL(NSCharacterSet) {}

struct NSCharacterSet::Impl {
  icu::UnicodeSet set;  // frozen, so lookups are thread-safe
  // ASCII members as bits: most text scanned is ASCII, and a bit test is much cheaper
  // than the set's own lookup.
  uint64_t ascii[2] = {0, 0};
};

namespace {

Strong<NSCharacterSet> make(icu::UnicodeSet set) {
  auto impl = std::make_shared<NSCharacterSet::Impl>();
  impl->set = std::move(set);
  impl->set.freeze();
  for (UChar32 c = 0; c < 128; ++c) {
    if (impl->set.contains(c)) impl->ascii[c >> 6] |= uint64_t{1} << (c & 63);
  }
  return std::make_shared<NSCharacterSet>(std::move(impl));
}

Strong<NSCharacterSet> fromPattern(const char16_t* pattern) {
  UErrorCode st = U_ZERO_ERROR;
  icu::UnicodeSet set(icu::UnicodeString(pattern), st);
  if (U_FAILURE(st)) set.clear();
  return make(std::move(set));
}

}  // namespace

Strong<NSCharacterSet> NSCharacterSet::decimalDigitCharacterSet() {
  static const auto s = fromPattern(u"[:Nd:]");
  return s;
}

Strong<NSCharacterSet> NSCharacterSet::whitespaceCharacterSet() {
  static const auto s = fromPattern(u"[[:Zs:]\\u0009]");
  return s;
}

Strong<NSCharacterSet> NSCharacterSet::whitespaceAndNewlineCharacterSet() {
  static const auto s = fromPattern(u"[[:Z:]\\u0009-\\u000D\\u0085]");
  return s;
}

Strong<NSCharacterSet> NSCharacterSet::newlineCharacterSet() {
  static const auto s = fromPattern(u"[\\u000A-\\u000D\\u0085\\u2028\\u2029]");
  return s;
}

Strong<NSCharacterSet> NSCharacterSet::alphanumericCharacterSet() {
  static const auto s = fromPattern(u"[[:L:][:M:][:N:]]");
  return s;
}

Strong<NSCharacterSet> NSCharacterSet::letterCharacterSet() {
  static const auto s = fromPattern(u"[[:L:][:M:]]");
  return s;
}

Strong<NSCharacterSet> NSCharacterSet::uppercaseLetterCharacterSet() {
  static const auto s = fromPattern(u"[[:Lu:][:Lt:]]");
  return s;
}

Strong<NSCharacterSet> NSCharacterSet::lowercaseLetterCharacterSet() {
  static const auto s = fromPattern(u"[:Ll:]");
  return s;
}

Strong<NSCharacterSet> NSCharacterSet::punctuationCharacterSet() {
  static const auto s = fromPattern(u"[:P:]");
  return s;
}

Strong<NSCharacterSet> NSCharacterSet::characterSetWithCharactersInString(
    const Strong<NSString>& s) {
  icu::UnicodeSet set;
  if (s) {
    const std::u16string& u = s->characters();
    for (std::size_t i = 0; i < u.size();) {
      UChar32 c;
      U16_NEXT(u.data(), i, u.size(), c);
      set.add(c);
    }
  }
  return make(std::move(set));
}

Strong<NSCharacterSet> NSCharacterSet::characterSetWithRange(NSRange range) {
  icu::UnicodeSet set;
  if (range.length > 0 && range.location <= 0x10FFFF) {
    NSUInteger last = std::min<NSUInteger>(NSMaxRange(range) - 1, 0x10FFFF);
    set.add(static_cast<UChar32>(range.location), static_cast<UChar32>(last));
  }
  return make(std::move(set));
}

Strong<NSCharacterSet> NSCharacterSet::invertedSet() const {
  // A copy of a frozen set is frozen too and would ignore complement().
  icu::UnicodeSet set;
  set.addAll(impl_->set);
  set.complement();
  return make(std::move(set));
}

BOOL NSCharacterSet::characterIsMember(uint32_t c) const {
  if (c < 128) return (impl_->ascii[c >> 6] >> (c & 63)) & 1;
  return c <= 0x10FFFF && impl_->set.contains(static_cast<UChar32>(c));
}
