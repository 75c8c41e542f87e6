// Number and truth values of fuzzed strings. ASCII text is checked against the C
// library's own parsers (strtoll, strtod, strtof), which follow the same decimal rules;
// any text must keep its values when whitespace is put in front or a letter behind, and
// the narrow conversions must agree with the wide ones.
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Foundation/Foundation.h"
#include "FuzzInput.h"

namespace {

[[noreturn]] void fault(const char* what, const NSString* s) {
  std::fprintf(stderr, "string value fault: %s for \"%s\"\n", what, s->UTF8String());
  std::abort();
}

bool sameReal(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

// Characters numbers are made of, and their neighbours, so short inputs parse often.
constexpr char16_t kAlphabet[] = {u' ', u'\t', u'\n',  u'+',   u'-',   u'0',   u'1',   u'2',  u'5',
                                  u'9', u'.',  u'e',   u'E',   u'x',   u'i',   u'n',   u'f',  u'y',
                                  u'T', u'a',  0x00A0, 0x3000, 0xFF11, 0xD800, 0x0085, 0x0660};

void checkAgainstC(const NSString* s, const std::string& ascii) {
  const char* c = ascii.c_str();
  // The C parsers refuse whitespace between the sign and the digits, which the
  // platform skips ("- 5" is -5); hex, "inf" and "nan" are not numbers here.
  const char* p = c;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool spaceAfterSign = (*p == '+' || *p == '-') && (p[1] == ' ' || (p[1] >= '\t' && p[1] <= '\r'));
  if (!spaceAfterSign) {
    errno = 0;
    long long expected = std::strtoll(c, nullptr, 10);
    if (s->longLongValue() != expected) fault("longLongValue differs from strtoll", s);
  }
  char* end = nullptr;
  double d = std::strtod(c, &end);
  std::string used(c, static_cast<size_t>(end - c));
  if (used.find_first_of("xXiInN") == std::string::npos) {
    if (!sameReal(s->doubleValue(), d)) fault("doubleValue differs from strtod", s);
    float f = std::strtof(c, nullptr);
    if (!sameReal(s->floatValue(), f)) fault("floatValue differs from strtof", s);
  }
  // Truth: the first significant character after whitespace, one sign and the zeros.
  p = c;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  if (*p == '+' || *p == '-') ++p;
  while (*p == '0') ++p;
  bool truth = std::strchr("tTyY123456789", *p) && *p;
  if (s->boolValue() != truth) fault("boolValue", s);
}

void checkInvariants(const Strong<NSString>& s) {
  long long wide = s->longLongValue();
  long long narrow = wide < INT_MIN ? INT_MIN : wide > INT_MAX ? INT_MAX : wide;
  if (s->intValue() != narrow) fault("intValue is not longLongValue saturated", s.get());
  if (s->integerValue() != wide) fault("integerValue is not longLongValue", s.get());
  double d = s->doubleValue();
  if (std::isnan(d) || std::isnan(s->floatValue())) fault("a number that is not a number", s.get());
  // Parsing straight to single precision may differ from rounding the double by one step.
  float viaDouble = static_cast<float>(d), f = s->floatValue();
  if (f != viaDouble && std::nextafter(f, viaDouble) != viaDouble)
    fault("floatValue far from doubleValue", s.get());

  auto spaced = NSString::stringWithCharacters(u" \u3000\t" + s->characters());
  auto trailed = NSString::stringWithCharacters(s->characters() + u"x");
  for (const auto& other : {spaced, trailed}) {
    if (other->longLongValue() != wide || !sameReal(other->doubleValue(), d) ||
        other->boolValue() != s->boolValue())
      fault(other == spaced ? "leading whitespace changes the value"
                            : "trailing letters change the value",
            s.get());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  switch (in.choice(3)) {
    case 0: {  // ASCII text, compared with the C library
      std::string ascii;
      for (char c : in.rest()) ascii += (c > 0 && static_cast<unsigned char>(c) < 0x80) ? c : 'x';
      auto s = NSString::stringWithUTF8String(ascii);
      checkAgainstC(s.get(), ascii);
      checkInvariants(s);
      break;
    }
    case 1: {  // characters from the number alphabet, some beyond ASCII
      std::u16string units;
      while (!in.empty()) units += kAlphabet[in.byte() % (sizeof kAlphabet / sizeof *kAlphabet)];
      checkInvariants(NSString::stringWithCharacters(units));
      break;
    }
    default: {  // any bytes, as UTF-8
      checkInvariants(NSString::stringWithUTF8String(in.rest()));
    }
  }
  return 0;
}
