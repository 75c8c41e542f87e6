#include "TransitScanner.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <string>

#include "Foundation/NSDictionary.h"
#include "Foundation/NSString.h"

namespace foundation::detect {
namespace {

struct Airline {
  const char* designator;
  const char* name;
  // The designator is also a common abbreviation in capitals ("AI 2027", "PR 123",
  // "CA 9410"): it counts only after the word "flight".
  bool onlyAfterFlight;
};

// Two-character IATA airline designators of scheduled passenger airlines with their
// trading names, compiled by hand from the codes the airlines print on their own
// tickets and timetables. Kept sorted by designator; extend it in order.
constexpr Airline kAirlines[] = {
    {"3U", "Sichuan Airlines", false},
    {"4Y", "Discover Airlines", false},
    {"5J", "Cebu Pacific", false},
    {"6E", "IndiGo", false},
    {"A3", "Aegean Airlines", false},
    {"AA", "American Airlines", false},
    {"AC", "Air Canada", false},
    {"AD", "Azul Brazilian Airlines", false},
    {"AF", "Air France", false},
    {"AH", "Air Algérie", false},
    {"AI", "Air India", true},
    {"AK", "AirAsia", false},
    {"AM", "Aeroméxico", true},
    {"AR", "Aerolíneas Argentinas", false},
    {"AS", "Alaska Airlines", true},
    {"AT", "Royal Air Maroc", true},
    {"AV", "Avianca", false},
    {"AY", "Finnair", false},
    {"AZ", "ITA Airways", true},
    {"B6", "JetBlue", true},
    {"BA", "British Airways", false},
    {"BI", "Royal Brunei Airlines", false},
    {"BR", "EVA Air", false},
    {"BT", "airBaltic", false},
    {"BY", "TUI Airways", false},
    {"CA", "Air China", true},
    {"CI", "China Airlines", false},
    {"CM", "Copa Airlines", false},
    {"CX", "Cathay Pacific", false},
    {"CZ", "China Southern Airlines", false},
    {"DL", "Delta Air Lines", false},
    {"DY", "Norwegian", false},
    {"EI", "Aer Lingus", false},
    {"EK", "Emirates", false},
    {"EN", "Air Dolomiti", false},
    {"ET", "Ethiopian Airlines", false},
    {"EW", "Eurowings", false},
    {"EY", "Etihad Airways", false},
    {"F9", "Frontier Airlines", false},
    {"FI", "Icelandair", false},
    {"FR", "Ryanair", false},
    {"FZ", "flydubai", false},
    {"G3", "Gol", false},
    {"G4", "Allegiant Air", false},
    {"G9", "Air Arabia", false},
    {"GA", "Garuda Indonesia", true},
    {"GF", "Gulf Air", false},
    {"HA", "Hawaiian Airlines", false},
    {"HU", "Hainan Airlines", false},
    {"HV", "Transavia", false},
    {"HX", "Hong Kong Airlines", false},
    {"IB", "Iberia", false},
    {"JL", "Japan Airlines", false},
    {"JQ", "Jetstar", false},
    {"JU", "Air Serbia", false},
    {"KE", "Korean Air", false},
    {"KL", "KLM", false},
    {"KM", "KM Malta Airlines", false},
    {"KQ", "Kenya Airways", false},
    {"KU", "Kuwait Airways", false},
    {"LA", "LATAM Airlines", true},
    {"LG", "Luxair", false},
    {"LH", "Lufthansa", false},
    {"LO", "LOT Polish Airlines", false},
    {"LS", "Jet2", false},
    {"LX", "Swiss", false},
    {"ME", "Middle East Airlines", true},
    {"MF", "Xiamen Airlines", false},
    {"MH", "Malaysia Airlines", false},
    {"MS", "EgyptAir", true},
    {"MU", "China Eastern Airlines", false},
    {"NH", "All Nippon Airways", false},
    {"NK", "Spirit Airlines", false},
    {"NZ", "Air New Zealand", false},
    {"OS", "Austrian Airlines", true},
    {"OU", "Croatia Airlines", false},
    {"OZ", "Asiana Airlines", false},
    {"PC", "Pegasus Airlines", true},
    {"PD", "Porter Airlines", false},
    {"PK", "Pakistan International Airlines", false},
    {"PR", "Philippine Airlines", true},
    {"QF", "Qantas", false},
    {"QR", "Qatar Airways", false},
    {"QS", "Smartwings", false},
    {"RJ", "Royal Jordanian", false},
    {"RO", "TAROM", false},
    {"SA", "South African Airways", false},
    {"SK", "SAS", false},
    {"SN", "Brussels Airlines", false},
    {"SQ", "Singapore Airlines", false},
    {"SU", "Aeroflot", false},
    {"SV", "Saudia", false},
    {"SY", "Sun Country Airlines", false},
    {"TG", "Thai Airways", false},
    {"TK", "Turkish Airlines", false},
    {"TP", "TAP Air Portugal", false},
    {"TR", "Scoot", false},
    {"TS", "Air Transat", false},
    {"TU", "Tunisair", false},
    {"U2", "easyJet", true},
    {"UA", "United Airlines", false},
    {"UX", "Air Europa", false},
    {"VA", "Virgin Australia", false},
    {"VB", "Viva Aerobus", false},
    {"VN", "Vietnam Airlines", false},
    {"VS", "Virgin Atlantic", false},
    {"VY", "Vueling", false},
    {"W6", "Wizz Air", false},
    {"WF", "Widerøe", false},
    {"WN", "Southwest Airlines", false},
    {"WS", "WestJet", false},
    {"WY", "Oman Air", false},
    {"X3", "TUIfly", false},
    {"Y4", "Volaris", false},
    {"ZH", "Shenzhen Airlines", false},
};

const Airline* findAirline(std::string_view designator) {
  auto it = std::lower_bound(
      std::begin(kAirlines), std::end(kAirlines), designator,
      [](const Airline& a, std::string_view d) { return std::string_view(a.designator) < d; });
  if (it == std::end(kAirlines) || std::string_view(it->designator) != designator) return nullptr;
  return it;
}

bool isAsciiDigit(char16_t c) {
  return c >= '0' && c <= '9';
}
bool isAsciiUpper(char16_t c) {
  return c >= 'A' && c <= 'Z';
}
bool isAsciiLetter(char16_t c) {
  return isAsciiUpper(c) || (c >= 'a' && c <= 'z');
}
// Letters, digits and marks of any script glue words together; a lone surrogate does not.
bool isWordUnit(char16_t c) {
  if (c < 0x80) return isAsciiLetter(c) || isAsciiDigit(c);
  if (c >= 0xD800 && c <= 0xDFFF) return false;
  return u_isalnum(c) || (U_GET_GC_MASK(c) & U_GC_M_MASK);
}
bool isSpaceUnit(char16_t c) {
  return c == ' ' || c == 0x00A0 || c == 0x202F;
}

// Whether the word "flight" (any case), then spaces and at most one '#' or ':', ends
// just before `i`.
bool afterFlightWord(std::u16string_view text, std::size_t i) {
  std::size_t p = i;
  int spaces = 0;
  while (p > 0 && isSpaceUnit(text[p - 1]) && spaces < 3) --p, ++spaces;
  if (p > 0 && (text[p - 1] == '#' || text[p - 1] == ':')) {
    --p;
    while (p > 0 && isSpaceUnit(text[p - 1]) && spaces < 6) --p, ++spaces;
  }
  if (p == i || p < 6) return false;
  static const char kWord[] = "flight";
  for (std::size_t k = 0; k < 6; ++k) {
    char16_t c = text[p - 6 + k];
    if (c >= 'A' && c <= 'Z') c = char16_t(c - 'A' + 'a');
    if (c != char16_t(kWord[k])) return false;
  }
  return p == 6 || !isWordUnit(text[p - 7]);
}

}  // namespace

std::string_view airlineNameForDesignator(std::string_view designator) {
  const Airline* airline = findAirline(designator);
  return airline ? airline->name : std::string_view();
}

void scanTransitInformation(std::u16string_view text, NSUInteger base, const ScanContext&,
                            std::vector<Strong<NSTextCheckingResult>>& out) {
  const std::size_t n = text.size();
  for (std::size_t i = 0; i + 2 < n; ++i) {
    char16_t a = text[i], b = text[i + 1];
    if (!(isAsciiLetter(a) || isAsciiDigit(a)) || !(isAsciiLetter(b) || isAsciiDigit(b))) continue;
    if (isAsciiDigit(a) && isAsciiDigit(b)) continue;
    if (i > 0 && isWordUnit(text[i - 1])) continue;
    std::size_t p = i + 2;
    if (p < n && isSpaceUnit(text[p])) ++p;
    std::size_t digits = p;
    while (digits < n && digits - p < 5 && isAsciiDigit(text[digits])) ++digits;
    std::size_t count = digits - p;
    if (count == 0 || count > 4) continue;
    // "UA 123" ends there: not "UA 1234567", "UA 12a", "UA 1.5" or "UA 1,000".
    if (digits < n && isWordUnit(text[digits])) continue;
    if (digits + 1 < n && (text[digits] == '.' || text[digits] == ',') &&
        isAsciiDigit(text[digits + 1])) {
      continue;
    }
    std::string designator{char(a), char(b)};
    std::string upper = designator;
    for (char& c : upper) {
      if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
    const Airline* airline = findAirline(upper);
    bool keyword = afterFlightWord(text, i);
    if (!keyword) {
      bool capitals = (isAsciiUpper(a) || isAsciiDigit(a)) && (isAsciiUpper(b) || isAsciiDigit(b));
      if (!capitals || !airline || airline->onlyAfterFlight) continue;
    }
    std::string flight;
    for (std::size_t k = p; k < digits; ++k) flight += char(text[k]);
    auto components = NSDictionary::dictionaryWithObjectsAndKeys(
        {{NSTextCheckingAirlineKey,
          NSString::stringWithUTF8String(airline ? std::string(airline->name) : upper)},
         {NSTextCheckingFlightKey, NSString::stringWithUTF8String(flight)}});
    out.push_back(NSTextCheckingResult::transitInformationCheckingResultWithRangeComponents(
        NSMakeRange(base + i, digits - i), components));
    i = digits;
  }
}

}  // namespace foundation::detect
