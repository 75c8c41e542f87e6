#include "PhoneScanner.h"

#include <phonenumbers/logger.h>
#include <phonenumbers/phonenumbermatch.h>
#include <phonenumbers/phonenumbermatcher.h>
#include <phonenumbers/phonenumberutil.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <climits>

#include "../Utf8.h"
#include "Foundation/NSString.h"

namespace foundation::detect {
namespace {

using i18n::phonenumbers::PhoneNumberMatch;
using i18n::phonenumbers::PhoneNumberMatcher;
using i18n::phonenumbers::PhoneNumberUtil;

// Longest stretch of digits and separators handed to the matcher as one piece; the
// longest numbers with a country code and generous grouping stay well inside it.
constexpr std::size_t kMaxPiece = 64;
// Context either side of a piece, so the matcher sees what stands around a number
// ("ext. 12" after it, letters glued to it).
constexpr std::size_t kLeftContext = 16;
constexpr std::size_t kRightContext = 24;
// Separators in a row that still join two groups of digits.
constexpr std::size_t kMaxGap = 3;
// Every call of the matcher costs about as much as a hundred microseconds of regular
// expressions once a digit is in sight, so runs that cannot hold a valid number are
// not offered: fewer than 5 digits (valid numbers with 4 exist only in a few small
// regions), 20 or more digits in a row (longer than any dialling prefix with a full
// international number), and what follows the first kMaxPieces pieces of one run.
constexpr int kMinDigits = 5;
constexpr std::size_t kMaxDigitsInARow = 19;
constexpr std::size_t kMaxPieces = 16;
// Longest stretch of neighbouring pieces handed to the matcher in one call.
constexpr std::size_t kMaxWindow = 256;

const PhoneNumberUtil& phoneUtil() {
  static const PhoneNumberUtil* util = [] {
    PhoneNumberUtil* made = PhoneNumberUtil::GetInstance();
    // Unknown regions and the like are answered by finding nothing, not by logging.
    made->SetLogger(new i18n::phonenumbers::NullLogger());
    return made;
  }();
  return *util;
}

bool isDigitUnit(char16_t c) {
  if (c < 0x80) return c >= '0' && c <= '9';
  return c >= 0x660 && u_isdigit(c);  // Arabic-Indic, fullwidth and other decimal digits
}

bool isSeparator(char16_t c) {
  switch (c) {
    case ' ':
    case '-':
    case '.':
    case '(':
    case ')':
    case '+':
    case '/':
    case '[':
    case ']':
    case 0x00A0:  // no-break space
    case 0x2009:  // thin space
    case 0x202F:  // narrow no-break space
    case 0x2010:
    case 0x2011:
    case 0x2012:
    case 0x2013:
    case 0x2014:
    case 0x2212:  // minus sign
    case 0x2015:  // horizontal bar
    case 0x3000:  // ideographic space
    case 0x30FC:  // prolonged sound mark, written as a dash in Japanese numbers
    case 0xFF08:  // fullwidth parentheses, plus, hyphen, full stop, solidus, brackets
    case 0xFF09:
    case 0xFF0B:
    case 0xFF0D:
    case 0xFF0E:
    case 0xFF0F:
    case 0xFF3B:
    case 0xFF3D:
      return true;
    default:
      return false;
  }
}

bool opensNumber(char16_t c) {
  return c == '+' || c == '(' || c == '[' || c == 0xFF0B || c == 0xFF08 || c == 0xFF3B;
}

struct Span {
  std::size_t begin, end;
};

// Runs of digits joined by short runs of separators, holding at least kMinDigits digits,
// cut into pieces of at most kMaxPiece units (at a space when there is one).
std::vector<Span> candidatePieces(std::u16string_view text) {
  std::vector<Span> pieces;
  auto addRun = [&](std::size_t begin, std::size_t end) {
    for (std::size_t count = 1; end - begin > kMaxPiece; ++count) {
      if (count == kMaxPieces) return;
      std::size_t cut = begin + kMaxPiece;
      for (std::size_t k = cut; k > begin + kMaxPiece / 2; --k) {
        if (text[k - 1] == ' ') {
          cut = k;
          break;
        }
      }
      pieces.push_back({begin, cut});
      begin = cut;
    }
    pieces.push_back({begin, end});
  };
  std::size_t i = 0;
  while (i < text.size()) {
    if (!isDigitUnit(text[i])) {
      ++i;
      continue;
    }
    std::size_t begin = i, lastDigit = i;
    int digits = 0;
    // A leading plus or opening bracket belongs to the number.
    while (begin > 0 && i - begin < 2 && opensNumber(text[begin - 1])) --begin;
    while (i < text.size()) {
      if (isDigitUnit(text[i])) {
        std::size_t run = i;
        while (run < text.size() && isDigitUnit(text[run])) ++run;
        if (run - i > kMaxDigitsInARow) {
          // Too long to be part of a number: it ends the run before it.
          if (digits == 0) begin = run;
          i = run;
          break;
        }
        digits += int(run - i);
        lastDigit = run - 1;
        i = run;
      } else if (isSeparator(text[i]) && i - lastDigit <= kMaxGap) {
        ++i;
      } else {
        break;
      }
    }
    if (digits >= kMinDigits) addRun(begin, lastDigit + 1);
    i = std::max(i, lastDigit + 1);
  }
  return pieces;
}

bool isLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}
bool isHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}

// `text` as UTF-8 for the matcher, with the UTF-16 index of every byte (and of the end).
// Lone surrogates become U+FFFD and NUL a space, one unit each, so indices stay exact.
void toUtf8(std::u16string_view text, std::string& bytes, std::vector<uint32_t>& unitOfByte) {
  bytes.clear();
  unitOfByte.clear();
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = text[i];
    std::size_t length = 1;
    if (isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      length = 2;
    } else if (isHighSurrogate(text[i]) || isLowSurrogate(text[i])) {
      c = 0xFFFD;
    } else if (c == 0) {
      c = ' ';
    }
    std::size_t before = bytes.size();
    appendUtf8(bytes, c);
    unitOfByte.insert(unitOfByte.end(), bytes.size() - before, uint32_t(i));
    i += length;
  }
  unitOfByte.push_back(uint32_t(text.size()));
}

}  // namespace

void scanPhoneNumbers(std::u16string_view text, NSUInteger base, const ScanContext& context,
                      std::vector<Strong<NSTextCheckingResult>>& out) {
  std::vector<Span> pieces = candidatePieces(text);
  if (pieces.empty()) return;
  const PhoneNumberUtil& util = phoneUtil();
  std::string bytes;
  std::vector<uint32_t> unitOfByte;
  std::size_t covered = 0;  // end of the last window, and of the last match
  for (std::size_t n = 0; n < pieces.size(); ++n) {
    std::size_t from = std::max(
        covered, pieces[n].begin > kLeftContext ? pieces[n].begin - kLeftContext : std::size_t(0));
    // Pieces close together share a window, so that a number's extension ("ext. 12345")
    // or a second number right after it is seen whole.
    const std::size_t first = n;
    std::size_t last = n;
    while (last + 1 < pieces.size() && pieces[last + 1].begin <= pieces[last].end + kRightContext &&
           pieces[last + 1].end - pieces[n].begin <= kMaxWindow)
      ++last;
    std::size_t to = std::min(text.size(), pieces[last].end + kRightContext);
    if (last + 1 < pieces.size()) to = std::min(to, pieces[last + 1].begin);
    n = last;
    if (from > pieces[first].begin) from = pieces[first].begin;
    // Windows never split a surrogate pair.
    if (from > 0 && from < text.size() && isLowSurrogate(text[from]) &&
        isHighSurrogate(text[from - 1]) && from - 1 >= covered) {
      --from;
    }
    if (to < text.size() && to > 0 && isLowSurrogate(text[to]) && isHighSurrogate(text[to - 1])) {
      ++to;
    }
    toUtf8(text.substr(from, to - from), bytes, unitOfByte);
    PhoneNumberMatcher matcher(util, bytes, context.region, PhoneNumberMatcher::VALID, INT_MAX);
    PhoneNumberMatch match;
    while (matcher.HasNext() && matcher.Next(&match)) {
      if (match.start() < 0 || match.end() > int(bytes.size()) || match.length() <= 0) continue;
      std::size_t begin = from + unitOfByte[match.start()];
      std::size_t end = from + unitOfByte[match.end()];
      if (begin < covered || end <= begin) continue;
      auto written = NSString::stringWithCharacters(text.substr(begin, end - begin));
      out.push_back(NSTextCheckingResult::phoneNumberCheckingResultWithRangePhoneNumber(
          NSMakeRange(base + begin, end - begin), written));
      covered = end;
    }
    covered = std::max(covered, to);
  }
}

}  // namespace foundation::detect
