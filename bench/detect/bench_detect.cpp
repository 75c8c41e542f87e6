// The data detector side by side with its peers, on the same text in the same run:
//   links      links and e-mail over the mixed text against linkify-it (node), both
//              match counts printed;
//   phone      phone numbers against libphonenumber's PhoneNumberMatcher run directly
//              over the whole text (UTF-8, region US, the same leniency);
//   address    street addresses alone over the mixed text;
//   all_*      all five kinds over 10 KB, 100 KB and 1 MB made from the mixed text, as
//              microseconds per KB, which stays flat when the cost is linear;
//   address_*  the same for addresses alone.
//
//   bench_detect [FILE] [rounds]   (default /work/shared/data/mixed_100k.txt, 11 rounds)
#include <phonenumbers/phonenumbermatch.h>
#include <phonenumbers/phonenumbermatcher.h>
#include <phonenumbers/phonenumberutil.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "Foundation/Foundation.h"
#include "Foundation/NSDataDetector.h"

namespace {

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

template <class Fn>
double micros(Fn fn) {
  auto start = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
      .count();
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

NSUInteger count(const Strong<NSDataDetector>& d, const Strong<NSString>& text) {
  return d->numberOfMatchesInStringOptionsRange(text, 0, NSMakeRange(0, text->length()));
}

// linkify-it's median time in microseconds and its count; negative when node or the
// package is not to be had.
double linkifyMicros(const std::string& file, int rounds, long* matches) {
  std::string scratch = NIMBRA_BENCH_SCRATCH;
  std::string install =
      "env -u LC_ALL '" + std::string(NIMBRA_BENCH_DIR) + "/peers.sh' '" + scratch + "'";
  if (std::system(install.c_str()) != 0) return -1;
  std::string command = "env -u LC_ALL NODE_PATH='" + scratch + "/node_modules' node '" +
                        std::string(NIMBRA_BENCH_DIR) + "/linkify_bench.js' '" + file + "' " +
                        std::to_string(rounds);
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  std::vector<double> times;
  char line[256];
  while (std::fgets(line, sizeof line, pipe)) {
    if (std::sscanf(line, "count=%ld", matches) == 1) continue;
    double t;
    if (std::sscanf(line, "round=%lf", &t) == 1) times.push_back(t);
  }
  if (pclose(pipe) != 0 || times.empty()) return -1;
  return median(times);
}

std::size_t matcherCount(const std::string& utf8) {
  using namespace i18n::phonenumbers;
  PhoneNumberMatcher matcher(*PhoneNumberUtil::GetInstance(), utf8, "US", PhoneNumberMatcher::VALID,
                             INT_MAX);
  PhoneNumberMatch match;
  std::size_t n = 0;
  while (matcher.HasNext() && matcher.Next(&match)) ++n;
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  std::string file = argc > 1 ? argv[1] : "/work/shared/data/mixed_100k.txt";
  int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 11;
  setenv("LC_ALL", "en_US.UTF-8", 1);
  std::string bytes = readFile(file);
  if (bytes.empty()) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return 1;
  }
  auto text = NSString::stringWithUTF8String(std::string_view(bytes));

  // Links and e-mail addresses.
  auto links = NSDataDetector::dataDetectorWithTypesError(NSTextCheckingTypeLink, nullptr);
  NSUInteger ourLinks = count(links, text);
  std::vector<double> ours;
  for (int r = 0; r < rounds; ++r) ours.push_back(micros([&] { count(links, text); }));
  long peerLinks = -1;
  double peer = linkifyMicros(file, rounds, &peerLinks);
  std::printf("links: ours found %lu, linkify-it found %ld\n", (unsigned long)ourLinks, peerLinks);
  if (peer >= 0) {
    std::printf("case=links_100k ours=%.0f linkify-it=%.0f unit=us\n", median(ours), peer);
  } else {
    std::printf("case=links_100k ours=%.0f unit=us (linkify-it not available)\n", median(ours));
  }

  // Phone numbers, rounds of both sides alternating so a busy machine slows them alike.
  auto phones = NSDataDetector::dataDetectorWithTypesError(NSTextCheckingTypePhoneNumber, nullptr);
  std::vector<double> oursPhone, peerPhone;
  NSUInteger ourPhones = count(phones, text);
  std::size_t peerPhones = matcherCount(bytes);
  for (int r = 0; r < std::max(3, rounds / 2); ++r) {
    oursPhone.push_back(micros([&] { count(phones, text); }));
    peerPhone.push_back(micros([&] { matcherCount(bytes); }));
  }
  std::printf("phone: ours found %lu, PhoneNumberMatcher found %zu\n", (unsigned long)ourPhones,
              peerPhones);
  std::printf("case=phone_100k ours=%.0f PhoneNumberMatcher=%.0f unit=us\n", median(oursPhone),
              median(peerPhone));

  // Addresses alone.
  auto addresses = NSDataDetector::dataDetectorWithTypesError(NSTextCheckingTypeAddress, nullptr);
  std::vector<double> oursAddress;
  NSUInteger ourAddresses = count(addresses, text);
  for (int r = 0; r < rounds; ++r) oursAddress.push_back(micros([&] { count(addresses, text); }));
  std::printf("case=address_100k ours=%.0f unit=us (%lu matches)\n", median(oursAddress),
              (unsigned long)ourAddresses);

  // All five kinds, then addresses alone, at three sizes cut from the text repeated.
  auto all = NSDataDetector::dataDetectorWithTypesError(NSTextCheckingAllDetectorTypes, nullptr);
  const std::u16string& units = text->characters();
  // The 10 KB case scans ten consecutive 10 KB pieces, so all three sizes see the same
  // mix of text and differ only in how long each scan is.
  for (auto [name, size, detector] :
       {std::tuple{"all_10k", 10240ul, all}, std::tuple{"all_100k", 102400ul, all},
        std::tuple{"all_1m", 1048576ul, all}, std::tuple{"address_10k", 10240ul, addresses},
        std::tuple{"address_100k_per_kb", 102400ul, addresses},
        std::tuple{"address_1m", 1048576ul, addresses}}) {
    std::u16string sized;
    while (sized.size() < std::max(size, 102400ul)) sized += units;
    sized.resize(std::max(size, 102400ul));
    std::vector<Strong<NSString>> pieces;
    for (std::size_t at = 0; at < sized.size(); at += size) {
      std::u16string piece = sized.substr(at, size);
      // Never cut a surrogate pair in two.
      if (!piece.empty() && piece.back() >= 0xD800 && piece.back() <= 0xDBFF) piece.back() = u' ';
      pieces.push_back(NSString::stringWithCharacters(piece));
    }
    std::vector<double> times;
    NSUInteger found = 0;
    int n = size > 500000 ? std::max(3, rounds / 3) : rounds;
    for (int r = 0; r < n; ++r) {
      found = 0;
      times.push_back(micros([&] {
        for (const auto& piece : pieces) found += count(detector, piece);
      }));
    }
    std::printf("case=%s ours=%.1f unit=us_per_kb (%lu matches)\n", name,
                median(times) / (double(sized.size()) / 1024), (unsigned long)found);
  }
  return 0;
}
