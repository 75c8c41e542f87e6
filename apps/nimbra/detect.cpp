// nimbra detect [--types LIST] [--now DATE] [--locale NAME] [FILE]: what the data
// detector finds in a text, one line per match: location and length in UTF-16 units, the
// kind, and its payload.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <regex>
#include <sstream>

#include "Command.h"
#include "Foundation/Foundation.h"
#include "Foundation/NSDataDetector.h"
#include "Foundation/NSDateFormatter.h"

namespace {

struct Kind {
  const char* name;
  NSTextCheckingType type;
};
const Kind kKinds[] = {{"link", NSTextCheckingTypeLink},
                       {"phone", NSTextCheckingTypePhoneNumber},
                       {"date", NSTextCheckingTypeDate},
                       {"address", NSTextCheckingTypeAddress},
                       {"transit", NSTextCheckingTypeTransitInformation}};

int fail(const std::string& message) {
  std::fprintf(stderr, "nimbra detect: %s\n", message.c_str());
  return 2;
}

// "link,phone" as a mask; 0 with `error` filled for an unknown or empty name.
NSTextCheckingTypes parseTypes(const std::string& list, std::string* error) {
  NSTextCheckingTypes types = 0;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t comma = list.find(',', start);
    std::string name = list.substr(start, comma == std::string::npos ? comma : comma - start);
    bool known = false;
    for (const Kind& kind : kKinds) {
      if (name == kind.name) {
        types |= kind.type;
        known = true;
      }
    }
    if (!known) {
      *error = "unknown type '" + name + "' (link, phone, date, address, transit)";
      return 0;
    }
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return types;
}

// An ISO 8601 moment as seconds since 1970: "2026-12-09", "2026-12-09T10:00",
// "2026-12-09T10:00:30.5Z", "2026-12-09 10:00+01:00". Without a zone it is the local
// wall time, and a day alone is its midnight. False when the text is anything else.
// The shape is checked here; a strict ICU formatter in one full form checks the day and
// the hour and counts the moment in the calendar.
bool parseMoment(const std::string& s, double* seconds) {
  static const std::regex shape(
      R"((\d{4}-\d{2}-\d{2})(?:[Tt ](\d{2}:\d{2})(?::(\d{2})(?:[.,](\d+))?)?)"
      R"(([Zz]|[+-]\d{2}(?::?\d{2})?)?)?)");
  std::smatch m;
  if (!std::regex_match(s, m, shape)) return false;
  int second = m[3].matched ? std::stoi(m[3].str()) : 0;
  double extra = m[4].matched ? std::stod("0." + m[4].str()) : 0;
  if (second == 60) second = 59, extra += 1;  // a leap second: the next minute's start
  char secondText[3];
  std::snprintf(secondText, sizeof secondText, "%02d", second);
  std::string text = m[1].str() + "T" + (m[2].matched ? m[2].str() : "00:00") + ":" + secondText;
  std::string pattern = "yyyy-MM-dd'T'HH:mm:ss";
  if (m[5].matched) {
    std::string zone = m[5].str();
    if (zone == "Z" || zone == "z") zone = "+00:00";
    if (zone.size() == 3) zone += ":00";        // "+01"
    if (zone.size() == 5) zone.insert(3, ":");  // "+0100"
    if (std::stoi(zone.substr(1, 2)) > 18 || std::stoi(zone.substr(4, 2)) > 59) return false;
    text += zone;
    pattern += "XXX";
  }
  auto formatter = std::make_shared<NSDateFormatter>();
  formatter->setLocaleIdentifier("en_US_POSIX");
  formatter->setDateFormat(NSString::stringWithUTF8String(pattern.c_str()));
  auto date = formatter->dateFromString(NSString::stringWithUTF8String(text.c_str()));
  if (!date) return false;
  *seconds = date->timeIntervalSince1970() + extra;
  return true;
}

// "en_GB", "de-DE", "fr_FR.UTF-8": a language of two or three letters, then the rest;
// the character set after a full stop is dropped, dashes become underscores.
bool parseLocaleName(std::string name, std::string* identifier) {
  if (auto cut = name.find_first_of(".@"); cut != std::string::npos) name.resize(cut);
  std::size_t letters = 0;
  while (letters < name.size() && std::isalpha(static_cast<unsigned char>(name[letters])))
    ++letters;
  if (letters < 2 || letters > 3) return false;
  for (char& c : name) {
    if (c == '-') c = '_';
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  if (letters < name.size() && name[letters] != '_') return false;
  *identifier = name;
  return true;
}

// One line per match: payloads keep to their line.
std::string oneLine(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (static_cast<unsigned char>(c) < 0x20) {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

std::string components(const Strong<NSDictionary>& dictionary) {
  if (!dictionary) return "";
  std::string out;
  for (const auto& key :
       {NSTextCheckingNameKey, NSTextCheckingJobTitleKey, NSTextCheckingOrganizationKey,
        NSTextCheckingStreetKey, NSTextCheckingCityKey, NSTextCheckingStateKey,
        NSTextCheckingZIPKey, NSTextCheckingCountryKey, NSTextCheckingPhoneKey,
        NSTextCheckingAirlineKey, NSTextCheckingFlightKey}) {
    if (id value = dictionary->objectForKey(key)) {
      out += (out.empty() ? "" : "; ") + key->stdString() + "=" + value->description();
    }
  }
  return out;
}

std::string dateText(const Strong<NSTextCheckingResult>& r) {
  if (!r->date()) return "";
  double seconds = r->date()->timeIntervalSince1970();
  std::time_t whole = static_cast<std::time_t>(seconds);
  std::tm utc{};
  char buffer[64] = "";
  if (gmtime_r(&whole, &utc)) std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &utc);
  std::string out = buffer;
  if (r->timeZone()) out += " zone=" + r->timeZone()->name()->stdString();
  if (r->duration() != 0) out += " duration=" + std::to_string(r->duration()) + "s";
  return out;
}

std::string payload(const Strong<NSTextCheckingResult>& r) {
  switch (r->resultType()) {
    case NSTextCheckingTypeLink:
      return r->URL() ? r->URL()->absoluteString()->stdString() : "";
    case NSTextCheckingTypePhoneNumber:
      return r->phoneNumber() ? r->phoneNumber()->stdString() : "";
    case NSTextCheckingTypeDate:
      return dateText(r);
    case NSTextCheckingTypeAddress:
      return components(r->addressComponents());
    case NSTextCheckingTypeTransitInformation:
      return components(r->components());
    default:
      return "";
  }
}

const char* kindName(NSTextCheckingType type) {
  for (const Kind& kind : kKinds) {
    if (kind.type == type) return kind.name;
  }
  return "other";
}

class Detect : public commandline::Command {
 public:
  Detect()
      : Command("detect",
                "print what the data detector finds in FILE (or standard input): LOCATION LENGTH "
                "(UTF-16 units) TYPE PAYLOAD per line; relative dates count from DATE (ISO 8601, "
                "default now), in locale NAME (default the process's)") {
    needs(add_option_function<std::string>(
              "--types",
              [this](const std::string& list) {
                std::string error;
                types_ = parseTypes(list, &error);
                if (!types_) throw commandline::Refused(error);
              },
              "the kinds to look for, separated by commas (default all)")
              ->type_name("link,phone,date,address,transit"),
          "a list such as link,phone");
    needs(add_option_function<std::string>(
              "--now",
              [this](const std::string& date) {
                if (!parseMoment(date, &now_))
                  throw commandline::Refused(
                      "--now: '" + date +
                      "' is not an ISO 8601 date (2026-12-09, 2026-12-09T10:00:00+01:00)");
                haveNow_ = true;
              },
              "the moment relative dates count from (ISO 8601; default the clock)")
              ->type_name("DATE"),
          "an ISO 8601 date such as 2026-12-09T10:00");
    needs(add_option_function<std::string>(
              "--locale",
              [this](const std::string& name) {
                if (!parseLocaleName(name, &locale_))
                  throw commandline::Refused("--locale: '" + name +
                                             "' is not a locale name (en_GB, de_DE)");
              },
              "the locale dates are read in, such as en_GB (default the process's)")
              ->type_name("NAME"),
          "a name such as en_GB");
    add_option("FILE", file_);
    unknown([](const std::string& arg) {
      return arg.size() > 1 && arg[0] == '-' ? "unknown argument '" + arg + "'"
                                             : std::string(
                                                   "one FILE at most (or none for "
                                                   "standard input)");
    });
  }
  int run() override;

 private:
  NSTextCheckingTypes types_ = NSTextCheckingAllDetectorTypes;
  std::string file_, locale_;
  bool haveNow_ = false;
  double now_ = 0;
};

int Detect::run() {
  NSTextCheckingTypes types = types_;
  const std::string& file = file_;
  const std::string& locale = locale_;
  bool haveFile = !file_.empty(), haveNow = haveNow_;
  double now = now_;
  std::string bytes;
  if (!haveFile || file == "-") {
    bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else {
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec))
      return fail(file + " is a folder; give a text file, or no FILE for standard input");
    std::ifstream in(file, std::ios::binary);
    if (!in) return fail("cannot read " + file + "; check that it exists and is readable");
    std::stringstream s;
    s << in.rdbuf();
    bytes = s.str();
  }
  auto detector = NSDataDetector::dataDetectorWithTypesError(types, nullptr);
  if (!detector) return fail("the data detector cannot look for these types");
  if (haveNow) detector->setReferenceDate(NSDate::dateWithTimeIntervalSince1970(now));
  detector->setLocaleIdentifier(locale);
  auto text = NSString::stringWithUTF8String(std::string_view(bytes));
  detector->enumerateMatchesInStringOptionsRangeUsingBlock(
      text, 0, NSMakeRange(0, text->length()),
      [](const Strong<NSTextCheckingResult>& r, NSMatchingFlags, BOOL*) {
        std::printf("%llu\t%llu\t%s\t%s\n", static_cast<unsigned long long>(r->range().location),
                    static_cast<unsigned long long>(r->range().length), kindName(r->resultType()),
                    oneLine(payload(r)).c_str());
      });
  return 0;
}

const nimbra::Registration detect{[] { return std::make_shared<Detect>(); }};

}  // namespace
