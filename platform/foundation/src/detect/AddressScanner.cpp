#include "AddressScanner.h"

#include <algorithm>
#include <cstdint>
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
//                  Road 12", "SR 9") for a name and its suffix; a box or route may
//                  stand alone, a department or mail code line may come before it
//                  ("Dept 3234, PO Box 1234"); a city, state and ZIP may stand alone, and
//                  so may a house number and a street with a common suffix where the
//                  sentence gives the number to nothing else
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
constexpr std::size_t kMaxHyphenParts = 3;  // "Karl-Marx-Allee", "Sedro-Woolley"
// How far past a place's first token its ZIP may lie: the city's and the state's words
// with their stops, hyphens and commas.
constexpr std::size_t kMaxPlaceTokens = 32;

// What ends a street's name: a postal suffix, a numbered road's number ("Highway 6"), a
// name whole without one ("Broadway"), or a grid's direction ("S 500 E").
enum class EndKind { Suffix, Road, Named, Grid };

struct Address {
  std::size_t first = 0, end = 0;  // tokens
  NSRange street{}, city{}, state{}, zip{}, country{};
  bool hasCity = false, hasState = false, hasZip = false, hasCountry = false;
};

class Scanner {
 public:
  Scanner(std::u16string_view text, const std::vector<Token>& toks) : text_(text), toks_(toks) {}

  void scan(NSUInteger base, std::vector<Strong<NSTextCheckingResult>>& out) {
    std::size_t i = 0;
    while (i < toks_.size()) {
      Address a;
      // Forms with a street and a place first; the weaker forms with either alone last,
      // so that they never take a start a whole address would have.
      bool boxed = isWord(i) && beginsBoxRouteOrMailLine(key(i).view());
      if (startsHere(i) &&
          (american(i, a) ||
           (boxed && (mailLine(i, a) || postOfficeBox(i, a) || ruralRoute(i, a))) ||
           british(i, a) || german(i, a) || streetAlone(i, a) || placeAlone(i, a))) {
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
  // Every form asks for the words near it folded, most of them many times: the last few
  // folded are kept.
  const WordKey& key(std::size_t i) const {
    Folded& slot = folded_[i % kFoldedSlots];
    if (slot.index != i) {
      slot.key = foldedKey(text_, toks_[i]);
      slot.index = i;
    }
    return slot.key;
  }

  // Whether a number that may be a ZIP code (five or nine digits) lies within `reach`
  // tokens from i. The scan mostly asks with i growing, so the search goes forward only
  // and costs one pass over the text in all; a question from behind the last one (a street
  // read after its mail line) looks its short way directly.
  bool zipLike(std::size_t k) const {
    return isNumber(k) && (toks_[k].length() == 5 || toks_[k].length() == 9);
  }
  bool zipWithin(std::size_t i, std::size_t reach) {
    if (i < zipAsked_) {
      for (std::size_t k = i; k <= i + reach && has(k); ++k)
        if (zipLike(k)) return true;
      return false;
    }
    zipAsked_ = i;
    if (zipAhead_ < i) zipAhead_ = i;
    while (has(zipAhead_) && !zipLike(zipAhead_)) ++zipAhead_;
    return has(zipAhead_) && zipAhead_ - i <= reach;
  }
  NSRange span(std::size_t first, std::size_t end) const {
    return NSMakeRange(toks_[first].start, toks_[end - 1].end - toks_[first].start);
  }

  // A lower-case word of a place's name between capitalised ones ("Isle of Palms").
  bool isParticle(std::size_t i) const {
    return isWord(i) && !toks_[i].capitalised && isPlaceParticle(key(i).view());
  }
  // A word of a place's name: a name, or a particle elided into one ("d'Alene").
  bool isPlaceName(std::size_t i) const {
    if (isName(i)) return true;
    if (!isWord(i) || toks_[i].length() < 3) return false;
    std::u16string_view r = raw(i);
    return (r[0] == u'd' || r[0] == u'l') && (r[1] == u'\'' || r[1] == u'\u2019') && r[2] >= u'A' &&
           r[2] <= u'Z';
  }

  // Past the further parts of a hyphenated name from k, its first part's end. Parts may be
  // particles ("Carmel-by-the-Sea", "Hastings-on-Hudson") but the name ends on a name.
  std::size_t hyphenated(std::size_t k) const {
    std::size_t named = k;
    for (std::size_t parts = 0; parts < kMaxHyphenParts && isMark(k, u'-') && adjacent(k) &&
                                (isName(k + 1) || isParticle(k + 1)) && adjacent(k + 1);
         ++parts) {
      k += 2;
      if (isName(k - 1)) named = k;
    }
    return named;
  }

  // Addresses start at a word or number that is not glued to the one before.
  bool startsHere(std::size_t i) const {
    if (toks_[i].kind == TokenKind::Mark) return false;
    return i == 0 || toks_[i].spaceBefore || toks_[i - 1].kind == TokenKind::Mark;
  }

  std::size_t skipStop(std::size_t k) const { return isMark(k, u'.') && adjacent(k) ? k + 1 : k; }
  // A mark standing apart that parts an address's lines written on one: "|", "-", "•".
  bool separator(std::size_t k) const {
    if (!has(k) || toks_[k].kind != TokenKind::Mark || !toks_[k].spaceBefore || !has(k + 1) ||
        !toks_[k + 1].spaceBefore)
      return false;
    switch (toks_[k].value) {
      case u'|':
      case u'-':
      case u'/':
      case u'\u2013':
      case u'\u2014':
      case u'\u2022':
      case u'\u00B7':
        return true;
      default:
        return false;
    }
  }

  // A comma, or nothing: places may also be parted by spaces or a line break.
  std::size_t skipComma(std::size_t k) const { return isMark(k, u',') ? k + 1 : k; }

  // "5th", "42nd": a numbered street's name.
  bool ordinal(std::size_t i) const {
    if (!isNumber(i) || toks_[i].length() > 3 || !isWord(i + 1) || !adjacent(i + 1)) return false;
    WordKey word = key(i + 1);
    std::u16string_view k = word.view();
    return k == u"st" || k == u"nd" || k == u"rd" || k == u"th";
  }

  // "N1234", "W156N8480": a grid's house number, each of its one or two coordinates a
  // directional's letter and the number glued to it.
  std::size_t gridNumber(std::size_t i) const {
    auto axis = [&](std::size_t j) {
      if (!isWord(j) || toks_[j].length() != 1 || !isNumber(j + 1) || !adjacent(j + 1) ||
          toks_[j + 1].length() > 6)
        return false;
      char16_t c = text_[toks_[j].start];
      return c == u'N' || c == u'S' || c == u'E' || c == u'W';
    };
    if (!axis(i)) return 0;
    std::size_t k = i + 2;
    if (adjacent(k) && axis(k)) k += 2;
    if (has(k) && adjacent(k) && toks_[k].kind != TokenKind::Mark) return 0;
    return k;
  }

  // A house number: "1", "221B", "12-14", "123 1/2", a grid's "W156N8480", or spelled out
  // as some buildings write theirs ("One Microsoft Way").
  std::size_t houseNumber(std::size_t i) const {
    if (isCapitalised(i) && isNumberWord(key(i).view())) {
      // Not after a number or a capitalised word ("Top Ten Ways"), but for a line's start.
      if (i > 0 && !lineBreak(i) &&
          (isNumber(i - 1) || (isCapitalised(i - 1) && !isWordBeforeStreet(key(i - 1).view()))))
        return 0;
      return i + 1;
    }
    if (isWord(i)) return gridNumber(i);
    if (!isNumber(i) || toks_[i].length() > 6 || ordinal(i)) return 0;
    std::size_t k = i + 1;
    if (isWord(k) && adjacent(k) && toks_[k].length() == 1) ++k;
    if (isMark(k, u'-') && adjacent(k) && adjacent(k + 1) &&
        (isNumber(k + 1) || (isWord(k + 1) && toks_[k + 1].length() == 1)))
      k += 2;  // "123-45", "1400-A"
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
    if (isKey(k, u"old") && isCapitalised(k + 1)) ++k;  // "Old Route 9"
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
    if (road && isKey(k, u"county") && isWord(j) && toks_[j].allUpper && toks_[j].length() <= 2) {
      ++j;  // "County Road K", "County Hwy JJ": counties also letter their roads
    } else {
      if (!isNumber(j) || toks_[j].length() > 4) return 0;
      ++j;
      if (isWord(j) && adjacent(j) && toks_[j].length() == 1) ++j;  // "Highway 7A"
    }
    if (adjacent(j) && has(j) && toks_[j].kind != TokenKind::Mark) return 0;
    return j;
  }

  // "Broadway", "Avenue of the Americas": names that are whole streets without a suffix
  // after them. Returns the index past the name, or 0.
  std::size_t suffixlessName(std::size_t k) const {
    if (isKey(k, u"broadway") || isKey(k, u"bowery") || isKey(k, u"esplanade"))
      return isCapitalised(k) ? k + 1 : 0;
    // "Avenue J": a letter names the avenue.
    if (isCapitalised(k) && (isKey(k, u"avenue") || isKey(k, u"ave")) && isWord(k + 1) &&
        toks_[k + 1].length() == 1 && toks_[k + 1].allUpper &&
        !(has(k + 2) && adjacent(k + 2) && toks_[k + 2].kind != TokenKind::Mark))
      return k + 2;
    // "Via Verde", "El Camino Real", "Camino del Mar": the name after its first word, up
    // to two words, ended by a comma, a line or a clause.
    std::size_t p = k;
    if ((isKey(p, u"el") || isKey(p, u"la")) && isCapitalised(p) && isWord(p + 1) &&
        isStreetPrefix(key(p + 1).view()))
      ++p;
    if (isCapitalised(p) && isStreetPrefix(key(p).view())) {
      std::size_t j = p + 1;
      for (std::size_t n = 0; n < 2 && isParticle(j); ++n) ++j;
      std::size_t start = j;
      while (j - start < 2 && isCapitalised(j) && !lineBreak(j)) ++j;
      if (j == start || !(isMark(j, u',') || lineBreak(j) || clauseEnd(j))) return 0;
      return j;
    }
    if (isCapitalised(k) && (isKey(k, u"avenue") || isKey(k, u"ave")) && isKey(k + 1, u"of")) {
      std::size_t j = k + 2;
      if (isKey(j, u"the")) ++j;
      if (isCapitalised(j)) return j + 1;
    }
    return 0;
  }

  // Words of a place name from k: capitalised, a stop after an abbreviation ("St.").
  // Returns the index past them; `ends` gets the end of each word count.
  // Particles inside the name go with the word after them ("Isle of Palms", "Lac du
  // Flambeau"), which must be a name.
  std::size_t placeWords(std::size_t k, std::size_t (&ends)[kMaxPlaceWords + 1],
                         std::size_t& count) const {
    count = 0;
    while (count < kMaxPlaceWords && !(count && lineBreak(k))) {
      std::size_t w = k;
      if (count && !lenient_) {
        for (std::size_t n = 0; n < 2 && isParticle(w) && !lineBreak(w); ++n) ++w;
        if (lineBreak(w)) break;
      }
      if (!isPlaceName(w)) break;
      k = skipStop(hyphenated(w + 1));  // "Winston-Salem"
      ends[++count] = k;
    }
    return k;
  }

  // "APO AE 09012": the armed forces' post offices stand for a city, and their regions
  // for a state.
  bool militaryState(std::size_t first, std::u16string_view code) const {
    if (code != u"AA" && code != u"AE" && code != u"AP") return false;
    std::size_t p = first;
    if (p && isMark(p - 1, u',')) --p;
    if (!p) return false;
    return isKey(p - 1, u"apo") || isKey(p - 1, u"fpo") || isKey(p - 1, u"dpo");
  }

  // A state from `first`, `n` words long, by code or by name, the code also with stops
  // ("D.C.") and the name also in its older abbreviation ("Calif.").
  bool stateAt(std::size_t first, std::size_t n, std::size_t& end) const {
    if (n == 2 && isWord(first) && toks_[first].length() == 1 && isMark(first + 1, u'.') &&
        adjacent(first + 1) && isWord(first + 2) && adjacent(first + 2) &&
        toks_[first + 2].length() == 1) {
      char16_t code[2] = {text_[toks_[first].start], text_[toks_[first + 2].start]};
      if (code[0] >= u'A' && code[0] <= u'Z' && code[1] >= u'A' && code[1] <= u'Z' &&
          isUSStateCode(std::u16string_view(code, 2))) {
        end = skipStop(first + 3);
        return true;
      }
    }
    if (n == 1 && isCapitalised(first) && isUSStateAbbreviation(key(first).view())) {
      if (isMark(first + 1, u'.') && adjacent(first + 1)) {
        end = first + 2;
        return true;
      }
      // Without its stop only a longer one, and only before its ZIP: "Calif 96145".
      if (toks_[first].length() >= 4 && isNumber(first + 1) && toks_[first + 1].length() == 5) {
        end = first + 1;
        return true;
      }
    }
    if (n == 1 && (toks_[first].allUpper || lenient_) && toks_[first].length() == 2) {
      std::u16string_view r = raw(first);
      char16_t code[2] = {r[0], r[1]};
      for (char16_t& c : code)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
      std::u16string_view upper(code, 2);
      if (isUSStateCode(upper) || militaryState(first, upper)) {
        end = first + 1;
        return true;
      }
    }
    std::u16string name;
    std::size_t k = first;
    for (std::size_t w = 0; w < n; ++w, ++k) {
      if (w && !lenient_ && isParticle(k)) {  // "District of Columbia"
        name += u' ';
        name += key(k++).view();
      }
      if (!isWord(k)) return false;
      if (w) name += u' ';
      name += key(k).view();
    }
    if (!isUSStateName(name)) return false;
    end = k;
    return true;
  }

  std::size_t zipCode(std::size_t k, Address& a) const {
    // Five digits, ZIP+4 with its dash, or the nine digits run together.
    if (!isNumber(k) || (toks_[k].length() != 5 && toks_[k].length() != 9)) return k;
    std::size_t end = k + 1;
    if (toks_[k].length() == 5 && isMark(end, u'-') && adjacent(end) && adjacent(end + 1) &&
        isNumber(end + 1) && toks_[end + 1].length() == 4)
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
    // A grid's street, a numbered road or a suffix-less name ends the name by itself; its
    // last token is the candidate, as a suffix would be.
    EndKind kind = EndKind::Suffix;
    if (isSuffix == isUSStreetSuffix) {
      std::size_t road = numberedRoad(nameStart);
      if (!road && directional) road = numberedRoad(k);  // "N Highway 77"
      if (std::size_t grid = gridStreet(nameStart)) {
        candidates[n++] = grid - 1;
        kind = EndKind::Grid;
      } else if (road) {
        candidates[n++] = road - 1;
        kind = EndKind::Road;
      } else if (std::size_t whole = suffixlessName(k)) {
        candidates[n++] = whole - 1;
        kind = EndKind::Named;
      }
    }
    std::size_t j = k;
    const bool named = n > 0;
    for (std::size_t words = 0; words < kMaxStreetWords && !named; ++words) {
      if (ordinal(j)) {
        j += 2;
        continue;
      }
      if (!isWord(j) || lineBreak(j)) break;
      // "North Avenue": after a directional the suffix may be the only word. A suffix
      // may be in any case after capitalised words ("12 Main st").
      bool suffix = (j > k || directional) && isSuffix(key(j).view());
      if (!isName(j) && !suffix) break;
      if (suffix) candidates[n++] = j;
      if (!isName(j)) break;
      // A suffix abbreviated with its stop ends the name: "Amphitheatre Pkwy. Mountain
      // View" goes on with the city.
      if (suffix && isMark(j + 1, u'.') && adjacent(j + 1) && toks_[j].length() <= 4) break;
      j = skipStop(hyphenated(j + 1));  // "Wilkes-Barre"
    }
    while (n) {
      std::size_t suffix = candidates[--n];
      // Read without capitals, a capitalised suffix after a word in lower case is no
      // street's but an abbreviation's: "12 degrees in St. Paul".
      if (lenient_ && !named && toks_[suffix].capitalised && !toks_[suffix].allUpper) {
        bool lower = false;
        for (std::size_t w = k; w < suffix && !lower; ++w)
          lower = isWord(w) && !toks_[w].capitalised;
        if (lower) continue;
      }
      std::size_t plain = skipStop(suffix + 1);
      // "Avenue NW": a directional after the suffix is the street's, and failing that
      // the start of what follows ("Main St West Springfield").
      std::size_t ends[2] = {plain, plain};
      if (isName(plain) && isDirectional(key(plain).view()) && !lineBreak(plain))
        ends[0] = skipStop(plain + 1);
      for (std::size_t e : ends) {
        e = unit(unit(e));  // "Bldg 5, Suite 200"
        a.first = i;
        a.street = span(i, e);
        suffix_ = suffix;
        endKind_ = kind;
        if (rest(e)) return true;
        if (ends[0] == ends[1]) break;
      }
    }
    return false;
  }

  // "S 500 E", "East 800 North": a street of a city's grid, named by its distance and
  // direction from the grid's centre. Returns the index past it, or 0.
  std::size_t gridStreet(std::size_t k) const {
    if (!isName(k) || !isDirectional(key(k).view())) return 0;
    std::size_t j = skipStop(k + 1);
    if (!isNumber(j) || toks_[j].length() > 4 || (has(j + 1) && adjacent(j + 1))) return 0;
    ++j;
    if (!isName(j) || lineBreak(j) || !isDirectional(key(j).view())) return 0;
    return j + 1;
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
      if (isWord(e) && adjacent(e) && toks_[e].length() <= 2) {
        ++e;
      } else if (isMark(e, u'-') && adjacent(e) && adjacent(e + 1) &&
                 (isNumber(e + 1) || (isWord(e + 1) && toks_[e + 1].length() <= 2))) {
        e += 2;  // "Suite 100-B"
      }
      return e;
    }
    if (isWord(id) && toks_[id].length() <= 2 && toks_[id].allUpper) return id + 1;
    return k;
  }

  bool american(std::size_t i, Address& a) {
    if (!isNumber(i) && !isWord(i)) return false;
    auto place = [&](std::size_t k) { return usPlace(k, a); };
    if (street(i, isUSStreetSuffix, a, place)) return true;
    lenient_ = true;
    a = Address();
    bool found = street(i, isUSStreetSuffix, a, place);
    lenient_ = false;
    return found || bareStreet(i, a);
  }

  // Whether a number at i is free to be a house number: not glued to a mark ("$1200",
  // "#3", "555-1200"), not after another number or a word that counts ("page 12"), nor
  // after a capitalised word (a month, a heading's "Top") unless it leads to a street.
  // `led` says whether a word or a colon before it leads to a street.
  bool numberStandsFree(std::size_t i, bool& led) const {
    led = false;
    if (!isNumber(i) || raw(i)[0] == u'0') return false;
    if (i == 0) return true;
    const Token& prev = toks_[i - 1];
    if (prev.kind == TokenKind::Number) return false;
    if (prev.kind == TokenKind::Mark) {
      if (!toks_[i].spaceBefore && prev.value != u'(' && prev.value != u'"') return false;
      if (prev.value == u'$' || prev.value == u'#' || prev.value == u'\u20AC' ||
          prev.value == u'\u00A3')
        return false;
      led = prev.value == u':';
      return true;
    }
    WordKey word = key(i - 1);
    if (isWordBeforeCount(word.view())) return false;
    led = isWordBeforeStreet(word.view());
    return !prev.capitalised || led || lineBreak(i);
  }

  // "1 Main, Gunnison, CO 81230": a house number and a name of up to three capitalised
  // words with no suffix, taken only with a whole place after a comma, ZIP and all, and
  // only where the number begins a line or follows a word or colon leading to a street
  // ("we shipped 300 Units, Dallas, TX 75201" counts units).
  bool bareStreet(std::size_t i, Address& a) {
    bool led;
    if (!numberStandsFree(i, led)) return false;
    if (!led && i > 0 && !lineBreak(i) && !isMark(i - 1, u'(')) return false;
    std::size_t k = houseNumber(i);
    if (!k) return false;
    std::size_t j = k;
    for (std::size_t words = 0; words < 3 && isCapitalised(j) && !lineBreak(j); ++words)
      j = skipStop(hyphenated(j + 1));
    if (j == k || !isMark(j, u',') || !zipWithin(j, kMaxPlaceTokens)) return false;
    a = Address();
    a.first = i;
    a.street = span(i, j);
    return withZipRequired([&] { return usPlace(j, a); });
  }

  // The box of "PO Box 12", "P.O. Box 12", "P. O. Box 12", "p o box 12", "POB 12", "Post
  // Office Box 12", "Lock Box 12", "PO Drawer 7", "Box # 12", "Box No. 12": the index
  // past its number, or 0. `postal` says whether the words name a post office's box; a
  // bare "Box 12" counts only with a place after it.
  std::size_t box(std::size_t i, bool& postal) const {
    postal = true;
    std::size_t k = i;
    bool named = false;  // "POB", "Lockbox": the box word is in the first
    if (isKey(k, u"po")) {
      k = skipStop(k + 1);
    } else if (isKey(k, u"pob") || isKey(k, u"pobox") || isKey(k, u"lockbox")) {
      k = skipStop(k + 1);
      named = true;
    } else if (isKey(k, u"p") && isKey(skipStop(k + 1), u"o")) {
      k = skipStop(skipStop(k + 1) + 1);
      if (isKey(k, u"b")) {  // "P.O.B."
        k = skipStop(k + 1);
        named = true;
      }
    } else if (isKey(k, u"post") && isKey(k + 1, u"office")) {
      k += 2;
    } else if (isKey(k, u"post") && isKey(k + 1, u"box")) {
      ++k;
    } else if (isKey(k, u"lock")) {
      ++k;
    } else {
      postal = false;
    }
    if (!named) {
      if (!isKey(k, u"box") && !isKey(k, u"drawer")) return 0;
      ++k;
    }
    if (isMark(k, u'#')) {
      ++k;
    } else if (isKey(k, u"no") && isNumber(skipStop(k + 1))) {
      k = skipStop(k + 1);
    }
    if (!isNumber(k) || toks_[k].length() > 10) return 0;
    std::size_t e = k + 1;
    if (isWord(e) && adjacent(e) && toks_[e].length() <= 2) {
      ++e;  // "Box 12A"
    } else if (isMark(e, u'-') && adjacent(e) && adjacent(e + 1) &&
               (isNumber(e + 1) || isWord(e + 1))) {
      e += 2;  // "Box 1234-A"
    }
    if (has(e) && adjacent(e) && toks_[e].kind != TokenKind::Mark) return 0;
    return e;
  }

  // "PO Box 123, Springfield, IL 62701", "P.O. Box 9", "box 12, springfield, il 62701"
  bool postOfficeBox(std::size_t i, Address& a) {
    bool postal;
    std::size_t e = box(i, postal);
    return e && boxed(i, e, postal, a);
  }

  // "RR 2 Box 45", "rr # 1 box 54", "Rural Route 2, Box 45", "R.R. 2", "HC 1 Box 5",
  // "PSC 1234 Box 5678", "Route 1 Box 12": a route and a box on it. The index past them,
  // or 0; `withBox` says whether a box was named. A rural route may go without its box;
  // a plain route or a military unit is only an address with one.
  std::size_t route(std::size_t i, bool& withBox) const {
    std::size_t k;
    bool needsBox = false;
    if (isKey(i, u"rr") || isKey(i, u"rfd") || isKey(i, u"hc") || isKey(i, u"hcr")) {
      k = skipStop(i + 1);
    } else if (isKey(i, u"r") && isKey(skipStop(i + 1), u"r")) {
      k = skipStop(skipStop(i + 1) + 1);  // "R.R."
    } else if (isKey(i, u"rural") && (isKey(i + 1, u"route") || isKey(i + 1, u"rte"))) {
      k = skipStop(i + 2);
    } else if (isKey(i, u"route") || isKey(i, u"rte") || isKey(i, u"psc") || isKey(i, u"cmr") ||
               isKey(i, u"unit")) {
      k = skipStop(i + 1);
      needsBox = true;
    } else {
      return 0;
    }
    if (isMark(k, u'#')) ++k;
    if (!isNumber(k) || toks_[k].length() > 5) return 0;
    std::size_t e = k + 1;
    if (has(e) && adjacent(e) && toks_[e].kind != TokenKind::Mark) return 0;
    bool postal;
    std::size_t boxEnd = box(skipComma(e), postal);
    withBox = boxEnd != 0;
    if (withBox) return boxEnd;
    return needsBox ? 0 : e;
  }

  bool ruralRoute(std::size_t i, Address& a) {
    bool withBox;
    std::size_t e = route(i, withBox);
    return e && boxed(i, e, withBox, a);
  }

  // "Dept 3234, PO Box 1234, Dallas TX 75312", "MC 0001 PO Box 123", "Attn: Accounts
  // Payable, PO Box 9", "File 12345, Los Angeles, CA 90074": a line naming who in the
  // box's holder gets the mail, before the box, or standing for it where a whole place
  // follows.
  bool mailLine(std::size_t i, Address& a) {
    std::size_t k;
    if (isKey(i, u"mail") &&
        (isKey(i + 1, u"code") || isKey(i + 1, u"stop") || isKey(i + 1, u"drop"))) {
      k = i + 2;
    } else if (isWord(i) && isMailLineDesignator(key(i).view())) {
      k = skipStop(i + 1);
    } else {
      return false;
    }
    bool attention = isKey(i, u"attn") || isKey(i, u"attention");
    if (isMark(k, u':')) ++k;
    if (attention) {
      std::size_t start = k;
      while (k - start < kMaxPlaceWords && isCapitalised(k)) k = skipStop(k + 1);
      if (k == start) return false;
    } else {
      if (isMark(k, u'#')) ++k;
      if (isNumber(k)) {
        ++k;
        if (isWord(k) && adjacent(k) && toks_[k].length() <= 2) ++k;
      } else if (isWord(k) && toks_[k].allUpper && toks_[k].length() <= 3 && isNumber(k + 1) &&
                 adjacent(k + 1)) {
        k += 2;  // "MC A12"
      } else {
        return false;
      }
      if (isMark(k, u'-') && adjacent(k) && isNumber(k + 1) && adjacent(k + 1)) k += 2;
      if (has(k) && adjacent(k) && toks_[k].kind != TokenKind::Mark) return false;
    }
    std::size_t next = skipComma(k);
    if (attention && lineBreak(next)) return false;  // a line of its own names no place
    bool postal, withBox;
    if (std::size_t e = box(next, postal)) return boxed(i, e, postal, a);
    if (std::size_t e = route(next, withBox)) return boxed(i, e, withBox, a);
    if (attention) return false;
    if (isNumber(next) && american(next, a)) {  // "PMB 123, 1000 Main St, Austin, TX"
      std::size_t streetEnd = a.street.location + a.street.length;
      a.first = i;
      a.street = NSMakeRange(toks_[i].start, streetEnd - toks_[i].start);
      return true;
    }
    if (!zipWithin(i, kMaxPlaceTokens)) return false;
    a = Address();
    a.first = i;
    a.street = span(i, k);
    return withZipRequired([&] { return placeAfter(k, a); });
  }

  // A box or route from `first` to `e`, and the place after it when one follows; without
  // one it is an address only when `alone`.
  bool boxed(std::size_t first, std::size_t e, bool alone, Address& a) {
    a = Address();
    a.first = first;
    a.street = span(first, e);
    if (placeAfter(e, a)) return true;
    if (!alone) return false;
    a = Address();
    a.first = first;
    a.street = span(first, e);
    a.end = e;
    return true;
  }

  // A place at k read as capitalised words, then as words in any case.
  bool placeAfter(std::size_t k, Address& a) {
    const Address before = a;
    if (usPlace(k, a)) return true;
    a = before;
    lenient_ = true;
    bool found = usPlace(k, a);
    lenient_ = false;
    if (!found) a = before;
    return found;
  }

  // A mark that ends a clause, or the end of the text.
  bool clauseEnd(std::size_t k) const {
    if (!has(k)) return true;
    if (toks_[k].kind != TokenKind::Mark) return false;
    switch (toks_[k].value) {
      case u'.':
      case u',':
      case u';':
      case u'!':
      case u'?':
      case u')':
      case u']':
      case u'"':
      case u'\'':
      case u'\u201D':
      case u'\u2019':
        return true;
      default:
        return false;
    }
  }

  // "1200 Elm Street", "55 W 3rd Ave": a house number and a street with no place after
  // it. Only in capitalised writing and with a common suffix, and only where the sentence
  // gives the number to nothing else: not glued to a mark ("$1200", "#3", "555-1200"),
  // not after another number or a capitalised word (a month, a heading's "Top"), and
  // either after a word that leads to a street ("at", "to") or at the end of a clause.
  bool streetAlone(std::size_t i, Address& a) {
    bool led;
    if (!numberStandsFree(i, led)) return false;
    return street(i, isUSStreetSuffix, a, [&](std::size_t e) {
      // A common suffix or a grid's street; a road or a name only after a word leading to
      // it ("at 1681 Broadway").
      bool common = isWord(suffix_) && isCommonStreetSuffix(key(suffix_).view());
      if (!common && endKind_ != EndKind::Grid &&
          !(led && (endKind_ == EndKind::Road || endKind_ == EndKind::Named)))
        return false;
      // A stop taken after the street that a sentence's end may claim instead: the
      // sentence's, when nothing or a new sentence follows.
      bool stopped = isMark(e - 1, u'.') && (!has(e) || lineBreak(e) || toks_[e].capitalised);
      // After a word leading to it the sentence may go on, with a word that is not a
      // name's: "at 1200 Elm Street is new", but not "at 8 Park Ave Theatre".
      bool goesOn = led && isWord(e) && (!toks_[e].capitalised || toks_[e].allUpper) &&
                    isWordAfterStreet(key(e).view());
      if (!clauseEnd(e) && !lineBreak(e) && !stopped && !goesOn) return false;
      if (stopped) {
        --e;
        a.street = span(i, e);
      }
      a.end = e;
      return true;
    });
  }

  bool zipFitsState(const Address& a) const {
    char16_t code[2] = {text_[a.state.location], text_[a.state.location + 1]};
    for (char16_t& c : code)
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    std::u16string_view zip = text_.substr(a.zip.location, 3);
    unsigned prefix =
        unsigned(zip[0] - u'0') * 100 + unsigned(zip[1] - u'0') * 10 + (zip[2] - u'0');
    return isZIPPrefixOfState(std::u16string_view(code, 2), prefix);
  }

  // A place read with its ZIP required: what makes an address of a street without a
  // suffix, or of a name with no place word after it.
  template <class Read>
  bool withZipRequired(Read read) {
    requireZip_ = true;
    bool found = read();
    requireZip_ = false;
    return found;
  }

  // "Springfield, IL 62701", "Austin, Texas 78701", "New York NY 10001-1234": a city, its
  // state and ZIP with no street before them. The ZIP is what makes them an address. The
  // city begins after a word that begins no city's name ("in", "visit"); in writing
  // without capitals it is parted from a state's code by a comma.
  bool placeAlone(std::size_t i, Address& a) {
    if (!isWord(i) || !zipWithin(i, kMaxPlaceTokens) || isWordBeforePlace(key(i).view()))
      return false;
    bool found = false;
    requireZip_ = true;
    for (bool lenient : {false, true}) {
      lenient_ = lenient;
      if (!isName(i)) continue;
      // Without capitals every word reads as a name: the city then needs a word before
      // it that leads to a place, or none.
      if (i > 0 && isName(i - 1) && !lineBreak(i) &&
          !(lenient ? isWordLeadingToPlace(key(i - 1).view())
                    : isWordBeforePlace(key(i - 1).view())))
        continue;
      a = Address();
      a.first = i;
      if (!usPlace(i, a)) continue;
      std::size_t cityEnd = a.city.location + a.city.length;
      bool comma =
          text_.substr(cityEnd, a.state.location - cityEnd).find(u',') != std::u16string_view::npos;
      // "Team IN 12345": with no comma, a code and five digits must agree as a state and
      // its ZIP do.
      if (!comma && a.state.length == 2 && !zipFitsState(a)) continue;
      bool plain = true;  // "grew up in springfield" is no city
      for (std::size_t w = i; plain && toks_[w].start < cityEnd; ++w)
        plain = !isWord(w) || (!lenient && isParticle(w)) || !isWordBeforePlace(key(w).view());
      if (!plain) continue;
      found = true;
      break;
    }
    lenient_ = false;
    requireZip_ = false;
    return found;
  }

  // A city with none of the words that begin no city's name ("then go home").
  // A word in lower case between capitalised ones is the name's own ("Truth or
  // Consequences").
  bool plainCity(std::size_t first, std::size_t end) const {
    for (std::size_t w = first; w < end; ++w) {
      if (!isWord(w) || !isWordBeforePlace(key(w).view())) continue;
      if (w > first && !toks_[w].capitalised && isCapitalised(w - 1) && isCapitalised(w + 1))
        continue;
      return false;
    }
    return true;
  }

  // Whether a sentence ended at the line break before k, so that what follows is no
  // part of an address before it: "!" or "?", or a stop after a whole word ("Street."),
  // or any stop when the next line is read without capitals. "St.\nSpringfield" goes on.
  bool sentenceEndsBefore(std::size_t k) const {
    if (!lineBreak(k) || k < 2 || toks_[k - 1].kind != TokenKind::Mark) return false;
    char16_t mark = char16_t(toks_[k - 1].value);
    if (mark == u'!' || mark == u'?') return true;
    if (mark != u'.') return false;
    return lenient_ || (isWord(k - 2) && toks_[k - 2].length() >= 5);
  }

  // ", Springfield, IL 62701", " Springfield IL", "\nNew York, New York 10001-1234"
  bool usPlace(std::size_t k, Address& a) {
    k = skipComma(k);
    if (a.street.length && sentenceEndsBefore(k)) return false;
    if (a.street.length) {
      // "100 Main St | Austin, TX", "55 Depot Street in Lancaster, PA"
      if (separator(k)) {
        ++k;
      } else if (isKey(k, u"in") && !toks_[k].capitalised && isWord(k + 1) && !lineBreak(k + 1)) {
        ++k;
      }
    }
    std::size_t ends[kMaxPlaceWords + 1] = {k};
    std::size_t count;
    std::size_t after = placeWords(k, ends, count);
    if (!count) return false;
    std::size_t stateEnd = 0, cityEndToken = k;
    bool parted = isMark(after, u',') || (lineBreak(after) && !isNumber(after));
    // "Austin TX, 78701": a comma after the state, not before it.
    if (parted && isMark(after, u',') && isNumber(skipComma(after)) && count > 1) parted = false;
    if (parted) {
      // City and state parted by a comma or a line.
      std::size_t s = skipComma(after);
      std::size_t sEnds[kMaxPlaceWords + 1] = {s};
      std::size_t sCount;
      placeWords(s, sEnds, sCount);
      for (std::size_t n = std::min<std::size_t>(sCount, 3); n >= 1 && !stateEnd; --n)
        if (!stateAt(s, n, stateEnd)) stateEnd = 0;
      if (!stateEnd) return false;
      a.city = span(k, after);
      cityEndToken = after;
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
        cityEndToken = s;
        a.state = span(s, stateEnd);
      }
      if (!stateEnd) return false;
    }
    // Without capitals the city holds none of the words that begin no city's name: "12
    // Main Street shops in Dover" is no city "shops in Dover".
    if (lenient_ && a.street.length && !plainCity(k, cityEndToken)) return false;
    a.hasCity = a.hasState = true;
    std::size_t e = zipCode(skipComma(stateEnd), a);
    if (!a.hasZip) {
      // Without capitals a city and a state's code may be any two words ("in", "or"):
      // a state so read needs its ZIP unless it is named or its code is in capitals.
      // A code that is no English word may also end a clause after a city of plain
      // words, parted from it: "12 elm st, dover, nh."
      bool standsOut = a.state.length > 2 || toks_[stateEnd - 1].allUpper ||
                       (parted && clauseEnd(stateEnd) &&
                        !isStateCodeAlsoAWord(key(stateEnd - 1).view()) && plainCity(k, after));
      if (requireZip_ || (lenient_ && !standsOut)) return false;
      e = stateEnd;
    }
    a.end = country(e, a, {u"usa", u"united states of america", u"united states"});
    if (!a.hasCountry) {
      std::size_t j = skipComma(e);  // "U.S.A.", "U.S."
      if (isKey(j, u"u") && isMark(j + 1, u'.') && isKey(j + 2, u"s") && isMark(j + 3, u'.')) {
        std::size_t c = j + 4;
        if (isKey(c, u"a") && adjacent(c) && isMark(c + 1, u'.')) c += 2;
        if (!has(c) || !adjacent(c)) {
          a.country = span(j, c);
          a.hasCountry = true;
          a.end = c;
        }
      }
    }
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
        a.hasCity = a.hasZip = true;
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
    for (std::size_t parts = 0; parts < kMaxHyphenParts && isMark(k, u'-') && adjacent(k) &&
                                isWord(k + 1) && adjacent(k + 1);
         ++parts)
      k += 2;
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
    a.hasCity = true;
    a.end = country(c, a, {u"deutschland", u"germany"});
    return true;
  }

  Strong<NSTextCheckingResult> result(const Address& a, NSUInteger base) const {
    auto components = NSMutableDictionary::dictionary();
    auto put = [&](const Strong<NSString>& key, NSRange r) {
      components->setObjectForKey(
          NSString::stringWithCharacters(text_.substr(r.location, r.length)), key);
    };
    if (a.street.length) put(NSTextCheckingStreetKey, a.street);
    if (a.hasCity) put(NSTextCheckingCityKey, a.city);
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
  struct Folded {
    std::size_t index = SIZE_MAX;
    WordKey key;
  };
  static constexpr std::size_t kFoldedSlots = 8;
  mutable Folded folded_[kFoldedSlots];
  std::size_t zipAsked_ = 0;  // the furthest start asked about
  std::size_t zipAhead_ = 0;  // no ZIP-like number between it and here
  bool lenient_ = false;
  bool requireZip_ = false;            // a place that is the whole address, or stands for a box
  std::size_t suffix_ = 0;             // the token that ended the street last tried
  EndKind endKind_ = EndKind::Suffix;  // and what it was
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
