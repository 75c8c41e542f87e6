#include "AddressScanner.h"

#include <algorithm>
#include <optional>

#include "AddressTables.h"
#include "DateTokenizer.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSString.h"

// Three written forms, each anchored on what it cannot do without, and each read
// with a bounded look-ahead from that anchor, so a scan is linear in the text:
//
//   United States  "1 Main Street, Apt 4, Springfield, IL 62701"
//                  house number, street name, a postal suffix, optional unit, city,
//                  state by code or name, optional ZIP or ZIP+4, optional country;
//                  a post office box ("P.O. Box 12") or a rural route ("RR 2 Box 45")
//                  stands for the street, and a numbered road ("Highway 278", "County
//                  Road 12", "SR 9") for a name and its suffix
//   United Kingdom "10 Downing Street, London SW1A 2AA"
//                  house number, street name, a British suffix, town, postcode
//   Germany        "Hauptstraße 5, 80331 München"
//                  street name ending in a German suffix, house number, postcode, city
//
// Street, city and state are the words as written; a street includes its unit.

namespace foundation::detect {

namespace {

constexpr std::size_t kMaxStreetWords = 6;
constexpr std::size_t kMaxPlaceWords = 4;

struct Address {
  std::size_t first = 0, end = 0;  // tokens
  NSRange street{}, city{}, state{}, zip{}, country{};
  bool hasState = false, hasZip = false, hasCountry = false;
};

class Scanner {
 public:
  Scanner(std::u16string_view text, const std::vector<Token>& toks) : text_(text), toks_(toks) {}

  void scan(NSUInteger base, std::vector<Strong<NSTextCheckingResult>>& out) {
    std::size_t i = 0;
    while (i < toks_.size()) {
      Address a;
      if (startsHere(i) && (american(i, a) || postOfficeBox(i, a) || ruralRoute(i, a) ||
                            british(i, a) || german(i, a))) {
        out.push_back(result(a, base));
        i = a.end;
      } else {
        ++i;
      }
    }
  }

 private:
  bool has(std::size_t i) const { return i < toks_.size(); }
  bool isWord(std::size_t i) const { return has(i) && toks_[i].kind == TokenKind::Word; }
  bool isCapitalised(std::size_t i) const { return isWord(i) && toks_[i].capitalised; }
  // A word of a street or place name: capitalised, or any word in a second, lenient
  // reading that then needs a ZIP code to count ("1 main street, springfield, il 62701").
  bool isName(std::size_t i) const { return lenient_ ? isWord(i) : isCapitalised(i); }
  bool isNumber(std::size_t i) const { return has(i) && toks_[i].kind == TokenKind::Number; }
  bool adjacent(std::size_t i) const { return has(i) && !toks_[i].spaceBefore; }
  bool isMark(std::size_t i, char16_t c) const {
    return has(i) && toks_[i].kind == TokenKind::Mark && toks_[i].value == c;
  }
  bool lineBreak(std::size_t i) const { return has(i) && toks_[i].newlineBefore; }
  std::u16string_view raw(std::size_t i) const {
    return text_.substr(toks_[i].start, toks_[i].length());
  }
  WordKey key(std::size_t i) const { return foldedKey(text_, toks_[i]); }
  NSRange span(std::size_t first, std::size_t end) const {
    return NSMakeRange(toks_[first].start, toks_[end - 1].end - toks_[first].start);
  }

  // Addresses start at a word or number that is not glued to the one before.
  bool startsHere(std::size_t i) const {
    if (toks_[i].kind == TokenKind::Mark) return false;
    return i == 0 || toks_[i].spaceBefore || toks_[i - 1].kind == TokenKind::Mark;
  }

  std::size_t skipStop(std::size_t k) const { return isMark(k, u'.') && adjacent(k) ? k + 1 : k; }
  // A comma, or nothing: places may also be parted by spaces or a line break.
  std::size_t skipComma(std::size_t k) const { return isMark(k, u',') ? k + 1 : k; }

  // "5th", "42nd": a numbered street's name.
  bool ordinal(std::size_t i) const {
    if (!isNumber(i) || toks_[i].length() > 3 || !isWord(i + 1) || !adjacent(i + 1)) return false;
    WordKey word = key(i + 1);
    std::u16string_view k = word.view();
    return k == u"st" || k == u"nd" || k == u"rd" || k == u"th";
  }

  // A house number: "1", "221B", "12-14", "123 1/2".
  std::size_t houseNumber(std::size_t i) const {
    if (!isNumber(i) || toks_[i].length() > 6 || ordinal(i)) return 0;
    std::size_t k = i + 1;
    if (isWord(k) && adjacent(k) && toks_[k].length() == 1) ++k;
    if (isMark(k, u'-') && adjacent(k) && isNumber(k + 1) && adjacent(k + 1)) k += 2;
    if (adjacent(k) && has(k) && toks_[k].kind != TokenKind::Mark) return 0;
    if (isNumber(k) && toks_[k].length() == 1 && isMark(k + 1, u'/') && adjacent(k + 1) &&
        adjacent(k + 2) && isNumber(k + 2) && toks_[k + 2].length() == 1 &&
        !(has(k + 3) && adjacent(k + 3)))
      k += 3;  // a fraction of a lot
    return k;
  }

  bool isKey(std::size_t i, std::u16string_view folded) const {
    return isWord(i) && key(i).view() == folded;
  }

  // A road known by its number: "Highway 278", "County Road 12", "State Route 9",
  // "US Hwy 1", "SR 9", "I-95", "Farm to Market Road 1960". Returns the index past the
  // number, or 0.
  std::size_t numberedRoad(std::size_t k) const {
    if (!isWord(k) || !toks_[k].capitalised) return 0;
    std::size_t j = k;
    // The authority that numbers the road.
    if (isKey(j, u"county") || isKey(j, u"state") || isKey(j, u"us") || isKey(j, u"u") ||
        isKey(j, u"farm")) {
      if (isKey(j, u"u") && isMark(j + 1, u'.') && isKey(j + 2, u"s")) {
        j = skipStop(j + 3);  // "U.S."
      } else if (isKey(j, u"farm") && isKey(j + 1, u"to") && isKey(j + 2, u"market")) {
        j += 3;
      } else {
        ++j;
      }
    }
    bool road = isKey(j, u"highway") || isKey(j, u"hwy") || isKey(j, u"route") ||
                isKey(j, u"rte") || isKey(j, u"road") || isKey(j, u"rd") || isKey(j, u"interstate");
    bool shortName = j == k && (isKey(j, u"sr") || isKey(j, u"cr") || isKey(j, u"fm") ||
                                isKey(j, u"us") || isKey(j, u"i"));
    // "Road 12" alone is too weak: a road needs its authority or the word highway/route.
    if (road && j == k && (isKey(j, u"road") || isKey(j, u"rd"))) return 0;
    if (!road && !shortName && j == k) return 0;
    if (road)
      j = skipStop(j + 1);
    else if (j == k)
      ++j;
    if (isMark(j, u'-') && adjacent(j)) ++j;
    if (!isNumber(j) || toks_[j].length() > 4) return 0;
    ++j;
    if (isWord(j) && adjacent(j) && toks_[j].length() == 1) ++j;  // "Highway 7A"
    if (adjacent(j) && has(j) && toks_[j].kind != TokenKind::Mark) return 0;
    return j;
  }

  // "Broadway", "Avenue of the Americas": names that are whole streets without a suffix
  // after them. Returns the index past the name, or 0.
  std::size_t suffixlessName(std::size_t k) const {
    if (isKey(k, u"broadway") || isKey(k, u"bowery") || isKey(k, u"esplanade"))
      return isCapitalised(k) ? k + 1 : 0;
    if (isCapitalised(k) && (isKey(k, u"avenue") || isKey(k, u"ave")) && isKey(k + 1, u"of")) {
      std::size_t j = k + 2;
      if (isKey(j, u"the")) ++j;
      if (isCapitalised(j)) return j + 1;
    }
    return 0;
  }

  // Words of a place name from k: capitalised, a stop after an abbreviation ("St.").
  // Returns the index past them; `ends` gets the end of each word count.
  std::size_t placeWords(std::size_t k, std::size_t (&ends)[kMaxPlaceWords + 1],
                         std::size_t& count) const {
    count = 0;
    while (count < kMaxPlaceWords && isName(k) && !(count && lineBreak(k))) {
      k = skipStop(k + 1);
      ends[++count] = k;
    }
    return k;
  }

  // A state from `first`, `n` words long, by code or by name.
  bool stateAt(std::size_t first, std::size_t n, std::size_t& end) const {
    if (n == 1 && (toks_[first].allUpper || lenient_) && toks_[first].length() == 2) {
      std::u16string_view r = raw(first);
      char16_t code[2] = {r[0], r[1]};
      for (char16_t& c : code)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
      if (isUSStateCode(std::u16string_view(code, 2))) {
        end = first + 1;
        return true;
      }
    }
    std::u16string name;
    std::size_t k = first;
    for (std::size_t w = 0; w < n; ++w, ++k) {
      if (!isWord(k)) return false;
      if (w) name += u' ';
      name += key(k).view();
    }
    if (!isUSStateName(name)) return false;
    end = k;
    return true;
  }

  std::size_t zipCode(std::size_t k, Address& a) const {
    if (!isNumber(k) || toks_[k].length() != 5) return k;
    std::size_t end = k + 1;
    if (isMark(end, u'-') && adjacent(end) && adjacent(end + 1) && isNumber(end + 1) &&
        toks_[end + 1].length() == 4)
      end += 2;
    if (adjacent(end) && has(end) && toks_[end].kind != TokenKind::Mark) return k;
    a.zip = span(k, end);
    a.hasZip = true;
    return end;
  }

  std::size_t country(std::size_t k, Address& a, std::initializer_list<std::u16string_view> names) {
    std::size_t j = skipComma(k);
    for (std::u16string_view name : names) {
      std::size_t e = j;
      std::size_t pos = 0;
      bool same = true;
      while (pos < name.size()) {  // the name's words, one space apart
        std::size_t space = name.find(u' ', pos);
        std::u16string_view part = name.substr(pos, space == name.npos ? name.npos : space - pos);
        if (!isWord(e) || key(e).view() != part) {
          same = false;
          break;
        }
        ++e;
        pos = space == name.npos ? name.size() : space + 1;
      }
      if (same && e > j) {
        a.country = span(j, e);
        a.hasCountry = true;
        return e;
      }
    }
    return k;
  }

  // The street from its house number: name words up to a suffix, a directional, a unit.
  // Every suffix among the next words is a candidate end, longest first.
  template <class Rest>
  bool street(std::size_t i, bool (*isSuffix)(std::u16string_view), Address& a, Rest rest) {
    std::size_t k = houseNumber(i);
    if (!k) return false;
    std::size_t nameStart = k;
    bool directional = false;
    if (isName(k) && isDirectional(key(k).view()) && isName(k + 1)) {
      ++k;
      directional = true;
    }
    std::size_t candidates[kMaxStreetWords + 1];
    std::size_t n = 0;
    // A numbered road or a suffix-less name ends the name by itself; its last token is
    // the candidate, as a suffix would be.
    if (isSuffix == isUSStreetSuffix) {
      if (std::size_t road = numberedRoad(nameStart)) {
        candidates[n++] = road - 1;
      } else if (std::size_t whole = suffixlessName(k)) {
        candidates[n++] = whole - 1;
      }
    }
    std::size_t j = k;
    const bool named = n > 0;
    for (std::size_t words = 0; words < kMaxStreetWords && !named; ++words) {
      if (ordinal(j)) {
        j += 2;
        continue;
      }
      if (!isName(j) || lineBreak(j)) break;
      // "North Avenue": after a directional the suffix may be the only word.
      if ((j > k || directional) && isSuffix(key(j).view())) candidates[n++] = j;
      j = skipStop(j + 1);
    }
    while (n) {
      std::size_t suffix = candidates[--n];
      std::size_t e = skipStop(suffix + 1);
      if (isName(e) && isDirectional(key(e).view()) && !lineBreak(e)) {
        std::size_t after = skipStop(e + 1);
        if (isMark(after, u',') || lineBreak(after)) e = after;
      }
      e = unit(e);
      a.first = i;
      a.street = span(i, e);
      if (rest(e)) return true;
    }
    return false;
  }

  // ", Apt 4B", " Suite 200", " #12".
  std::size_t unit(std::size_t k) const {
    std::size_t j = skipComma(k);
    if (!has(j)) return k;
    if (ordinal(j) && (isKey(j + 2, u"fl") || isKey(j + 2, u"floor"))) {  // "2nd Fl."
      return skipStop(j + 3);
    }
    bool hash = isMark(j, u'#');
    if (!hash && !(isWord(j) && isUnitDesignator(key(j).view()))) return k;
    std::size_t id = hash ? j + 1 : skipStop(j + 1);
    if (isMark(id, u'#')) ++id;
    if (isNumber(id)) {
      std::size_t e = id + 1;
      if (isWord(e) && adjacent(e) && toks_[e].length() <= 2) ++e;
      return e;
    }
    if (isWord(id) && toks_[id].length() <= 2 && toks_[id].allUpper) return id + 1;
    return k;
  }

  bool american(std::size_t i, Address& a) {
    if (!isNumber(i)) return false;
    auto place = [&](std::size_t k) { return usPlace(k, a); };
    if (street(i, isUSStreetSuffix, a, place)) return true;
    lenient_ = true;
    a = Address();
    bool found = street(i, isUSStreetSuffix, a, place);
    lenient_ = false;
    return found;
  }

  // "PO Box 123, Springfield, IL 62701", "P.O. Box 9"
  bool postOfficeBox(std::size_t i, Address& a) {
    if (!isWord(i)) return false;
    std::size_t k;
    WordKey first = key(i);
    if (first.view() == u"po") {
      k = skipStop(i + 1);
    } else if (first.view() == u"p" && isMark(i + 1, u'.') && adjacent(i + 1) && isWord(i + 2) &&
               key(i + 2).view() == u"o") {
      k = skipStop(i + 3);
    } else {
      return false;
    }
    if (!isWord(k) || key(k).view() != u"box" || !isNumber(k + 1)) return false;
    a.first = i;
    a.street = span(i, k + 2);
    return usPlace(k + 2, a);
  }

  // "RR 2 Box 45", "Rural Route 2, Box 45", "HC 1 Box 5": a route and a box on it.
  bool ruralRoute(std::size_t i, Address& a) {
    if (!isCapitalised(i)) return false;
    std::size_t k;
    if (isKey(i, u"rr") || isKey(i, u"hc")) {
      k = i + 1;
    } else if (isKey(i, u"rural") && isKey(i + 1, u"route")) {
      k = i + 2;
    } else {
      return false;
    }
    if (!isNumber(k)) return false;
    std::size_t box = skipComma(k + 1);
    if (!isKey(box, u"box") || !isNumber(box + 1)) return false;
    a.first = i;
    a.street = span(i, box + 2);
    return usPlace(box + 2, a);
  }

  // ", Springfield, IL 62701", " Springfield IL", "\nNew York, New York 10001-1234"
  bool usPlace(std::size_t k, Address& a) {
    k = skipComma(k);
    std::size_t ends[kMaxPlaceWords + 1] = {k};
    std::size_t count;
    std::size_t after = placeWords(k, ends, count);
    if (!count) return false;
    std::size_t stateEnd = 0;
    if (isMark(after, u',') || (lineBreak(after) && !isNumber(after))) {
      // City and state parted by a comma or a line.
      std::size_t s = skipComma(after);
      std::size_t sEnds[kMaxPlaceWords + 1] = {s};
      std::size_t sCount;
      placeWords(s, sEnds, sCount);
      for (std::size_t n = std::min<std::size_t>(sCount, 3); n >= 1 && !stateEnd; --n)
        if (!stateAt(s, n, stateEnd)) stateEnd = 0;
      if (!stateEnd) return false;
      a.city = span(k, after);
      a.state = span(s, stateEnd);
    } else {
      // "Springfield IL": the state is the last words before the ZIP or the end.
      for (std::size_t n = std::min<std::size_t>(count - 1, 3); n >= 1 && !stateEnd; --n) {
        std::size_t s = ends[count - n];
        if (!stateAt(s, n, stateEnd) || stateEnd != after) {
          stateEnd = 0;
          continue;
        }
        a.city = span(k, s);
        a.state = span(s, stateEnd);
      }
      if (!stateEnd) return false;
    }
    a.hasState = true;
    std::size_t e = zipCode(skipComma(stateEnd), a);
    if (!a.hasZip) {
      if (lenient_) return false;
      e = stateEnd;
    }
    a.end = country(e, a, {u"usa", u"united states of america", u"united states"});
    return true;
  }

  bool british(std::size_t i, Address& a) {
    if (!isNumber(i)) return false;
    return street(i, isUKStreetSuffix, a, [&](std::size_t k) { return ukPlace(k, a); });
  }

  // ", London SW1A 2AA", ", Camden, London NW1 8NH, UK"
  bool ukPlace(std::size_t k, Address& a) {
    for (int part = 0; part < 3; ++part) {
      k = skipComma(k);
      std::size_t ends[kMaxPlaceWords + 1] = {k};
      std::size_t count;
      std::size_t after = placeWords(k, ends, count);
      // The postcode's outward half reads as capitalised words too ("SW1A"): try it
      // after each word count.
      for (std::size_t n = count; n >= 1; --n) {
        std::size_t code = ends[n];
        std::size_t e = postcode(code);
        if (!e) continue;
        a.city = span(k, code);
        a.zip = span(code, e);
        a.hasZip = true;
        a.end = country(e, a, {u"uk", u"united kingdom", u"england", u"scotland", u"wales"});
        return true;
      }
      if (!count || !(isMark(after, u',') || lineBreak(after))) return false;
      k = after;
    }
    return false;
  }

  // A British postcode from token k: "SW1A 2AA", "M1 1AE", "EC1A 1BB". Returns the
  // index past it, or 0.
  std::size_t postcode(std::size_t k) const {
    if (!has(k) || !toks_[k].spaceBefore) return 0;
    // The outward code runs to the next space: letters, a digit, then a letter or digit.
    std::size_t start = toks_[k].start;
    std::size_t pos = start;
    auto upper = [&](std::size_t p) {
      return p < text_.size() && text_[p] >= 'A' && text_[p] <= 'Z';
    };
    auto digit = [&](std::size_t p) {
      return p < text_.size() && text_[p] >= '0' && text_[p] <= '9';
    };
    std::size_t letters = 0;
    while (upper(pos) && letters < 2) ++pos, ++letters;
    if (!letters || !digit(pos)) return 0;
    ++pos;
    if (upper(pos) || digit(pos)) ++pos;
    if (pos >= text_.size() || text_[pos] != ' ') return 0;
    ++pos;
    if (!digit(pos) || !upper(pos + 1) || !upper(pos + 2)) return 0;
    pos += 3;
    if (pos < text_.size() &&
        (upper(pos) || digit(pos) || (text_[pos] >= 'a' && text_[pos] <= 'z')))
      return 0;
    std::size_t e = k;
    while (has(e) && toks_[e].start < pos) ++e;
    return e;
  }

  // "Hauptstraße 5, 80331 München", "Karl-Marx-Allee 1\n10178 Berlin"
  bool german(std::size_t i, Address& a) {
    if (!isCapitalised(i)) return false;
    std::size_t k = i + 1;
    while (isMark(k, u'-') && adjacent(k) && isWord(k + 1) && adjacent(k + 1)) k += 2;
    // One more word for names like "Berliner Straße".
    if (!endsWithGermanStreetSuffix(key(k - 1).view()) && isCapitalised(k) &&
        endsWithGermanStreetSuffix(key(k).view()))
      ++k;
    if (!endsWithGermanStreetSuffix(key(k - 1).view())) return false;
    k = skipStop(k);
    if (!isNumber(k) || toks_[k].length() > 4) return false;
    std::size_t e = k + 1;
    if (isWord(e) && adjacent(e) && toks_[e].length() == 1) ++e;
    if (isMark(e, u'-') && adjacent(e) && isNumber(e + 1)) e += 2;
    a.first = i;
    a.street = span(i, e);
    e = skipComma(e);
    if (!isNumber(e) || toks_[e].length() != 5) return false;
    a.zip = span(e, e + 1);
    a.hasZip = true;
    std::size_t city = e + 1, c = city;
    // "Frankfurt am Main", "Halle (Saale)" stops before the bracket.
    for (std::size_t words = 0; words < kMaxPlaceWords; ++words) {
      if (isCapitalised(c)) {
        ++c;
      } else if (c > city && isWord(c) && isCapitalised(c + 1) && toks_[c].length() <= 3) {
        c += 2;
      } else {
        break;
      }
    }
    if (c == city) return false;
    a.city = span(city, c);
    a.end = country(c, a, {u"deutschland", u"germany"});
    return true;
  }

  Strong<NSTextCheckingResult> result(const Address& a, NSUInteger base) const {
    auto components = NSMutableDictionary::dictionary();
    auto put = [&](const Strong<NSString>& key, NSRange r) {
      components->setObjectForKey(
          NSString::stringWithCharacters(text_.substr(r.location, r.length)), key);
    };
    put(NSTextCheckingStreetKey, a.street);
    put(NSTextCheckingCityKey, a.city);
    if (a.hasState) put(NSTextCheckingStateKey, a.state);
    if (a.hasZip) put(NSTextCheckingZIPKey, a.zip);
    if (a.hasCountry) put(NSTextCheckingCountryKey, a.country);
    NSRange r = span(a.first, a.end);
    r.location += base;
    return NSTextCheckingResult::addressCheckingResultWithRangeComponents(
        r, NSDictionary::dictionaryWithDictionary(components));
  }

  std::u16string_view text_;
  const std::vector<Token>& toks_;
  bool lenient_ = false;
};

}  // namespace

void scanAddresses(std::u16string_view text, NSUInteger base, const ScanContext&,
                   std::vector<Strong<NSTextCheckingResult>>& out) {
  forEachPiece(text, base, u"\n", [&](std::u16string_view piece, NSUInteger at) {
    std::vector<Token> toks = tokenize(piece);
    Scanner(piece, toks).scan(at, out);
  });
}

}  // namespace foundation::detect
