// Fuzz target: the data detector with all five kinds over arbitrary bytes, read as
// UTF-16 code units (so lone surrogates and NUL come through) when the first byte is
// odd, as UTF-8 otherwise, in one of twelve locales chosen by the first byte (English
// both ways round and the ten other languages the detector reads). Every result
// must lie inside the text, in order, without overlap, and a date must be finite;
// anything else aborts.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Foundation/NSArray.h"
#include "Foundation/NSDataDetector.h"
#include "Foundation/NSDate.h"
#include "Foundation/NSString.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Day-first and month-first orders, and every language with words of its own.
  static const char* const kLocales[] = {"en_US", "en_GB", "de_DE", "fr_FR", "es_ES", "pt_BR",
                                         "it_IT", "nl_NL", "sv_SE", "ru_RU", "ja_JP", "zh_CN"};
  constexpr int kLocaleCount = sizeof kLocales / sizeof kLocales[0];
  static const Strong<NSDataDetector>* detectors = [] {
    auto* made = new Strong<NSDataDetector>[kLocaleCount];
    for (int i = 0; i < kLocaleCount; ++i) {
      made[i] = NSDataDetector::dataDetectorWithTypesError(NSTextCheckingAllDetectorTypes, nullptr);
      made[i]->setLocaleIdentifier(kLocales[i]);
      // A fixed moment, so that a crash replays: Wednesday, 9 December 2026.
      made[i]->setReferenceDate(NSDate::dateWithTimeIntervalSinceReferenceDate(818503200));
    }
    return made;
  }();
  if (size == 0) return 0;
  const Strong<NSDataDetector>& detector = detectors[(data[0] >> 1) % kLocaleCount];
  Strong<NSString> text;
  if (data[0] & 1) {
    std::u16string units;
    for (size_t i = 1; i + 1 < size; i += 2) units += char16_t(data[i] | (data[i + 1] << 8));
    text = NSString::stringWithCharacters(units);
  } else {
    text = NSString::stringWithUTF8String(
        std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
  }
  // The whole text, and a range inside it chosen by the input.
  NSUInteger length = text->length();
  NSUInteger from = length ? data[size - 1] % (length + 1) : 0;
  for (NSRange range : {NSMakeRange(0, length), NSMakeRange(from, length)}) {
    auto matches = detector->matchesInStringOptionsRange(text, 0, range);
    NSUInteger covered = range.location;
    for (NSUInteger i = 0; i < matches->count(); ++i) {
      auto result = objc_cast<NSTextCheckingResult>(matches->objectAtIndex(i));
      if (!result) std::abort();
      NSRange r = result->range();
      if (r.location < covered || r.length == 0 || NSMaxRange(r) > length) std::abort();
      if (result->date() && !std::isfinite(result->date()->timeIntervalSinceReferenceDate()))
        std::abort();
      covered = NSMaxRange(r);
    }
  }
  return 0;
}
