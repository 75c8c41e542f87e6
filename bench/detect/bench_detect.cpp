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

#include <sys/wait.h>
#include <unistd.h>

#include "Foundation/Foundation.h"
#include "Foundation/NSDataDetector.h"
#include "Timing.h"

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

// linkify-it in a node process of its own that runs one round whenever asked, so that its
// rounds and ours take turns and a busy spell of the machine falls on both.
class LinkifyPeer {
 public:
  // Installs the package on first use; not running() when node or the package is not to
  // be had.
  LinkifyPeer(const std::string& file) {
    std::string scratch = NIMBRA_BENCH_SCRATCH;
    std::string install =
        "env -u LC_ALL '" + std::string(NIMBRA_BENCH_DIR) + "/peers.sh' '" + scratch + "'";
    if (std::system(install.c_str()) != 0) return;
    int toPeer[2], fromPeer[2];
    if (pipe(toPeer) != 0) return;
    if (pipe(fromPeer) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(toPeer[0], 0);
      dup2(fromPeer[1], 1);
      close(toPeer[1]);
      close(fromPeer[0]);
      std::string modules = "NODE_PATH=" + scratch + "/node_modules";
      std::string script = std::string(NIMBRA_BENCH_DIR) + "/linkify_bench.js";
      execlp("env", "env", "-u", "LC_ALL", modules.c_str(), "node", script.c_str(), file.c_str(),
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(toPeer[0]);
    close(fromPeer[1]);
    ask_ = fdopen(toPeer[1], "w");
    answers_ = fdopen(fromPeer[0], "r");
    if (!readLine("count=%ld", &matches_)) stop();
  }
  ~LinkifyPeer() { stop(); }

  bool running() const { return answers_ != nullptr; }
  long matches() const { return matches_; }

  // One round's processor time in microseconds; negative once the peer has gone.
  double round() {
    if (!running() || std::fputs("go\n", ask_) < 0 || std::fflush(ask_) != 0) return -1;
    double micros = -1;
    return readLine("round=%lf", &micros) ? micros : -1;
  }

 private:
  template <class T>
  bool readLine(const char* format, T* value) {
    char line[256];
    return std::fgets(line, sizeof line, answers_) && std::sscanf(line, format, value) == 1;
  }
  void stop() {
    if (ask_) std::fclose(ask_);
    if (answers_) std::fclose(answers_);
    ask_ = answers_ = nullptr;
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  pid_t pid_ = -1;
  FILE* ask_ = nullptr;
  FILE* answers_ = nullptr;
  long matches_ = -1;
};

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

  // Links and e-mail addresses, processor time per round, ours and linkify-it's in turn.
  auto links = NSDataDetector::dataDetectorWithTypesError(NSTextCheckingTypeLink, nullptr);
  NSUInteger ourLinks = count(links, text);
  LinkifyPeer linkify(file);
  std::vector<double> ours, peer;
  for (int r = 0; r < rounds; ++r) {
    ours.push_back(bench::microsPerCall(1, [&] { count(links, text); }));
    double theirs = linkify.round();
    if (theirs >= 0) peer.push_back(theirs);
  }
  std::printf("links: ours found %lu, linkify-it found %ld\n", (unsigned long)ourLinks,
              linkify.matches());
  if (peer.size() == ours.size()) {
    std::printf("links: linkify-it over ours, median of the rounds' ratios: %.1f\n",
                1 / bench::medianRatio(ours, peer));
    std::printf("case=links_100k ours=%.0f linkify-it=%.0f unit=us_cpu\n", median(ours),
                median(peer));
  } else {
    std::printf("case=links_100k ours=%.0f unit=us_cpu (linkify-it not available)\n", median(ours));
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
