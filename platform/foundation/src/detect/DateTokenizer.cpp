#include "DateTokenizer.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

namespace foundation::detect {

namespace {

enum class Class : uint8_t { Space, Letter, Mark, Digit, Other };

// The class of the code point at i; `size` gets its length in units.
Class classify(std::u16string_view t, std::size_t i, std::size_t& size, bool& upper, bool& lower) {
  char16_t c = t[i];
  size = 1;
  upper = lower = false;
  if (c < 0x80) {
    if (c >= '0' && c <= '9') return Class::Digit;
    if (c >= 'a' && c <= 'z') {
      lower = true;
      return Class::Letter;
    }
    if (c >= 'A' && c <= 'Z') {
      upper = true;
      return Class::Letter;
    }
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v')
      return Class::Space;
    return Class::Other;
  }
  UChar32 cp = c;
  if (U16_IS_LEAD(c) && i + 1 < t.size() && U16_IS_TRAIL(t[i + 1])) {
    cp = U16_GET_SUPPLEMENTARY(c, t[i + 1]);
    size = 2;
  } else if (U16_IS_SURROGATE(c)) {
    return Class::Other;  // unpaired
  }
  if (u_isUWhiteSpace(cp)) return Class::Space;
  int8_t type = u_charType(cp);
  if (type == U_NON_SPACING_MARK || type == U_COMBINING_SPACING_MARK || type == U_ENCLOSING_MARK)
    return Class::Mark;
  if (u_isalpha(cp)) {
    upper = u_isupper(cp);
    lower = u_islower(cp);
    return Class::Letter;
  }
  return Class::Other;
}

bool isApostrophe(char16_t c) {
  return c == u'\'' || c == u'\u2019';
}

}  // namespace

std::vector<Token> tokenize(std::u16string_view t) {
  std::vector<Token> out;
  out.reserve(t.size() / 4 + 1);
  bool space = false, newline = false;
  std::size_t i = 0;
  while (i < t.size()) {
    std::size_t size;
    bool upper, lower;
    Class k = classify(t, i, size, upper, lower);
    if (k == Class::Space) {
      space = true;
      if (t[i] == '\n' || t[i] == '\r' || t[i] == 0x2028 || t[i] == 0x2029) newline = true;
      i += size;
      continue;
    }
    Token tok;
    tok.start = static_cast<uint32_t>(i);
    tok.spaceBefore = space || out.empty();
    tok.newlineBefore = newline;
    space = newline = false;
    if (k == Class::Digit) {
      tok.kind = TokenKind::Number;
      uint64_t v = 0;
      while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
        if (v < kBigNumber) v = v * 10 + (t[i] - '0');
        ++i;
      }
      tok.value = (i - tok.start > 9 || v >= kBigNumber) ? kBigNumber : static_cast<uint32_t>(v);
    } else if (k == Class::Letter || k == Class::Mark) {
      tok.kind = TokenKind::Word;
      tok.capitalised = upper;
      bool anyLower = lower;
      i += size;
      while (i < t.size()) {
        std::size_t s2;
        bool u2, l2;
        Class k2 = classify(t, i, s2, u2, l2);
        if (k2 == Class::Letter || k2 == Class::Mark) {
          anyLower |= l2;
          i += s2;
          continue;
        }
        // "o'clock", "d'Alene": an apostrophe between two letters stays in the word.
        if (isApostrophe(t[i]) && i + 1 < t.size()) {
          std::size_t s3;
          bool u3, l3;
          if (classify(t, i + 1, s3, u3, l3) == Class::Letter) {
            i += 1;
            continue;
          }
        }
        break;
      }
      tok.allUpper = !anyLower;
    } else {
      tok.kind = TokenKind::Mark;
      tok.value = t[i];
      i += size;
    }
    tok.end = static_cast<uint32_t>(i);
    out.push_back(tok);
  }
  return out;
}

namespace {
char16_t foldUnit(char16_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c;
  if (U16_IS_SURROGATE(c)) return c;
  if (c == u'\u2019') return u'\'';
  return static_cast<char16_t>(u_tolower(c));
}
}  // namespace

WordKey foldedKey(std::u16string_view text, const Token& word) {
  WordKey k;
  if (word.length() > kMaxKeyLength) return k;
  for (uint32_t i = word.start; i < word.end; ++i) k.units[k.size++] = foldUnit(text[i]);
  return k;
}

std::u16string foldCase(std::u16string_view s) {
  std::u16string out(s);
  for (auto& c : out) c = foldUnit(c);
  return out;
}

}  // namespace foundation::detect
