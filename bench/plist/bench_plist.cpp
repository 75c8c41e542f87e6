// Reading the settings file: NSDictionary::dictionaryWithContentsOfFile against
// libplist's own parse of the same bytes (read the file, plist_from_memory, free), which
// is the floor our conversion to objects sits on. XML and binary forms.
//
//   bench_plist [rounds]     (default 21 rounds of 2000 reads; medians are printed)
#include <plist/plist.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "Foundation/Foundation.h"
#include "Timing.h"

namespace {

constexpr int kReadsPerRound = 2000;

Strong<NSDictionary> settings() {
  auto whitelist = NSMutableArray::array();
  for (const char* name : {"Mail", "Messages", "Phone", "Calendar", "Slack", "WhatsApp", "Telegram",
                           "Signal", "Reminders", "App Store"})
    whitelist->addObject(NSString::stringWithUTF8String(name));
  return NSDictionary::dictionaryWithObjectsAndKeys({
      {NSSTR("Enabled"), NSNumber::numberWithBool(YES)},
      {NSSTR("FoldersEnabled"), NSNumber::numberWithBool(NO)},
      {NSSTR("ShowBadges"), NSNumber::numberWithInt(2)},
      {NSSTR("BadgeWhitelist"), whitelist},
      {NSSTR("CustomStrengthEnabled"), NSNumber::numberWithBool(YES)},
      {NSSTR("CustomStrength"), NSNumber::numberWithDouble(5.3)},
      {NSSTR("Color"), NSNumber::numberWithInt(673)},
  });
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

template <class Fn>
double microsPerRead(Fn fn) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kReadsPerRound; ++i) fn();
  auto end = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::micro>(end - start).count() / kReadsPerRound;
}

using bench::median;

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  std::string dir =
      NSTemporaryDirectory()->stdString() + "nimbra-bench-plist-" + std::to_string(getpid());
  NSFileManager::defaultManager()->createDirectoryAtPathWithIntermediateDirectories(
      NSString::stringWithUTF8String(std::string_view(dir)), YES);

  struct Case {
    const char* name;
    NSPropertyListFormat format;
  };
  for (Case c : {Case{"plist_read_xml", NSPropertyListXMLFormat_v1_0},
                 Case{"plist_read_bin", NSPropertyListBinaryFormat_v1_0}}) {
    std::string path = dir + "/" + c.name + ".plist";
    auto data = NSPropertyListSerialization::dataWithPropertyList(settings(), c.format);
    if (!data || !data->writeToFileAtomically(path, YES)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    std::size_t checksum = 0;
    auto ours = [&] {
      auto d = NSDictionary::dictionaryWithContentsOfFile(path);
      checksum += d ? d->count() : 0;
    };
    auto peer = [&] {
      std::string bytes = readFile(path);
      plist_t node = nullptr;
      plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &node);
      checksum += node ? plist_dict_get_size(node) : 0;
      plist_free(node);
    };
    ours();
    peer();
    std::vector<double> oursTimes, peerTimes;
    for (int r = 0; r < rounds; ++r) {
      oursTimes.push_back(microsPerRead(ours));
      peerTimes.push_back(microsPerRead(peer));
    }
    if (checksum == 0) return 2;
    std::printf("case=%s ours=%.2f libplist=%.2f unit=us\n", c.name, median(oursTimes),
                median(peerTimes));
    ::unlink(path.c_str());
  }
  ::rmdir(dir.c_str());
  return 0;
}
