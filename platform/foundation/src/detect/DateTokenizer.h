// Prose cut into words, digit runs and single marks, for the date and address scanners.
//
// One pass over the text, no lookbehind: the scanners then try their forms at a token
// and look ahead a bounded number of tokens, so a scan stays linear in the text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace foundation::detect {

enum class TokenKind : uint8_t { Word, Number, Mark };

struct Token {
  uint32_t start = 0;  // UTF-16 offset in the scanned text
  uint32_t end = 0;
  TokenKind kind = TokenKind::Mark;
  bool spaceBefore = false;    // whitespace between this token and the one before
  bool newlineBefore = false;  // a line break among that whitespace
  bool capitalised = false;    // a word whose first letter is upper case
  bool allUpper = false;       // a word with no lower-case letter
  // A number's value, or kBigNumber past nine digits. A mark's character.
  uint32_t value = 0;

  uint32_t length() const { return end - start; }
};

inline constexpr uint32_t kBigNumber = 0xFFFFFFFF;

// Words are runs of letters, combining marks and inner apostrophes ("o'clock"); numbers
// are runs of ASCII digits; every other character but white space is a mark of its own.
// Unpaired surrogates and NUL are marks.
std::vector<Token> tokenize(std::u16string_view text);

// A word folded to lower case for lexicon look-ups (simple case mapping, one unit at a
// time, as the lexicons are built); empty when longer than `kMaxKeyLength` units.
inline constexpr std::size_t kMaxKeyLength = 24;
struct WordKey {
  char16_t units[kMaxKeyLength];
  uint8_t size = 0;
  std::u16string_view view() const { return {units, size}; }
};
WordKey foldedKey(std::u16string_view text, const Token& word);

// Lower case of a whole string, the same folding as foldedKey.
std::u16string foldCase(std::u16string_view s);

}  // namespace foundation::detect
