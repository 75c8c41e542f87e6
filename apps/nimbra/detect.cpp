// nimbra detect [--types LIST] [FILE]: what the data detector finds in a text, one line
// per match: location and length in UTF-16 units, the kind, and its payload.
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "Command.h"
#include "Foundation/Foundation.h"
#include "Foundation/NSDataDetector.h"

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

int runDetect(int argc, char** argv) {
  NSTextCheckingTypes types = NSTextCheckingAllDetectorTypes;
  std::string file;
  bool haveFile = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--types") {
      if (i + 1 >= argc) return fail("--types needs a list such as link,phone");
      std::string error;
      types = parseTypes(argv[++i], &error);
      if (!types) return fail(error);
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
      return fail("unknown argument '" + arg + "'");
    } else if (haveFile) {
      return fail("one FILE at most (or none for standard input)");
    } else {
      file = arg;
      haveFile = true;
    }
  }
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

const nimbra::Command detect{
    "detect",
    "detect [--types link,phone,date,address,transit] [FILE]   print what the data detector "
    "finds in FILE (or standard input): LOCATION LENGTH (UTF-16 units) TYPE PAYLOAD per line",
    &runDetect};

}  // namespace
