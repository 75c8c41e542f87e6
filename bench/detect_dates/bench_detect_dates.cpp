// Dates in a 100 KB mixed text: NSDataDetector with the date type against chrono-node's
// parse (run with node) over the same file and the same reference moment. The peer is
// installed with npm into the build folder on first run. Both match counts are printed;
// they differ because the two read different things as dates (chrono-node also takes
// "now" and "at 1" before a street number). The same side by side over 10 KB cut from
// the text and 1 MB made of it shows whether both stay linear. A German case times both
// on about 100 KB of German sentences made here, ours in de_DE against chrono-node's
// German parser.
//
//   bench_detect_dates [FILE] [rounds]    (default: the shared mixed text, 21 rounds)
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "Foundation/Foundation.h"
#include "Foundation/NSDataDetector.h"

namespace {

// Wednesday, December 9, 2026, 18:00 UTC.
constexpr double kReference1970 = 1796839200.0;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::string defaultData() {
  for (const char* p : {NIMBRA_BENCH_DATA, "/work/shared/data/mixed_100k.txt"})
    if (exists(p)) return p;
  return NIMBRA_BENCH_DATA;
}

// The peer's "count=N median_us=X" line, or an empty string when node or npm fail.
std::string runPeer(const std::string& file, int rounds, const char* language = "en") {
  std::string dir = NIMBRA_PEER_DIR;
  if (!exists(dir + "/node_modules/chrono-node")) {
    std::string install = "mkdir -p '" + dir + "' && cd '" + dir +
                          "' && npm install --no-save --no-audit --no-fund --silent "
                          "chrono-node@2 >&2";
    if (std::system(install.c_str()) != 0) return {};
  }
  std::string command = "cd '" + dir + "' && NODE_PATH='" + dir + "/node_modules' node '" +
                        NIMBRA_CHRONO_SCRIPT + "' '" + file + "' " + std::to_string(rounds) + " " +
                        std::to_string(static_cast<long long>(kReference1970 * 1000)) + " " +
                        language;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {};
  std::string out;
  char buf[256];
  while (std::fgets(buf, sizeof buf, pipe)) out += buf;
  pclose(pipe);
  return out;
}

// Median microseconds of our scan over `bytes`, and its match count.
double timeOurs(const std::string& bytes, int rounds, NSUInteger* count,
                const char* locale = nullptr) {
  auto text = NSString::stringWithUTF8String(std::string_view(bytes));
  auto detector = NSDataDetector::dataDetectorWithTypesError(NSTextCheckingTypeDate, nullptr);
  if (locale) detector->setLocaleIdentifier(locale);
  detector->setReferenceDate(NSDate::dateWithTimeIntervalSince1970(kReference1970));
  NSRange all = NSMakeRange(0, text->length());
  *count = detector->numberOfMatchesInStringOptionsRange(text, 0, all);  // warm
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    auto start = std::chrono::steady_clock::now();
    *count = detector->numberOfMatchesInStringOptionsRange(text, 0, all);
    auto end = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
  }
  return median(times);
}

// 10 KB cut at a space, and about 1 MB of the text repeated, side by side.
void sizes(const std::string& bytes) {
  constexpr std::size_t kSmall = 10 * 1024, kLarge = 1024 * 1024;
  std::string small = bytes.substr(0, bytes.rfind(' ', kSmall));
  std::string large;
  while (large.size() < kLarge) large += bytes + "\n";
  const std::pair<const char*, const std::string*> cases[] = {{"dates_10k", &small},
                                                              {"dates_1m", &large}};
  for (auto [name, text] : cases) {
    int rounds = text->size() > bytes.size() ? 5 : 21;
    std::string path = "/tmp/bench_detect_dates_" + std::to_string(getpid()) + ".txt";
    std::ofstream(path, std::ios::binary) << *text;
    NSUInteger count;
    double ours = timeOurs(*text, rounds, &count);
    std::string peer = runPeer(path, rounds);
    std::remove(path.c_str());
    long peerCount = -1;
    double peerUs = 0;
    if (std::sscanf(peer.c_str(), "count=%ld median_us=%lf", &peerCount, &peerUs) == 2) {
      std::printf("case=%s ours=%.1f chrono-node=%.1f unit=us (%lu and %ld matches)\n", name, ours,
                  peerUs, static_cast<unsigned long>(count), peerCount);
    } else {
      std::printf("case=%s ours=%.1f unit=us (%lu matches)\n", name, ours,
                  static_cast<unsigned long>(count));
    }
  }
}

// About 100 KB of German: sentences with and without dates in a fixed shuffled order.
std::string germanText() {
  static const char* const kSentences[] = {
      "Wir sehen uns am 3. März um 15 Uhr im Büro.",
      "Der Bericht ist noch nicht fertig, aber wir arbeiten daran.",
      "Übermorgen kommt der Techniker vorbei.",
      "Bitte schick mir die Unterlagen bis nächsten Freitag.",
      "Das Treffen wurde auf den 12.04.2027 verschoben.",
      "Im Garten blühen schon die ersten Tulpen.",
      "Die Lieferung kam vor 2 Wochen an.",
      "In drei Tagen beginnt der Urlaub.",
      "Er hat 15 Äpfel und 3 Birnen gekauft.",
      "Am Montag um 9:30 ist Teamrunde.",
      "Version 2.4 behebt mehrere Fehler im Export.",
      "Gestern Abend hat es lange geregnet.",
      "Die Konferenz findet vom 10. bis 12. Juni statt.",
      "Kannst du morgen um 18 Uhr anrufen?",
      "Das Spiel endete 2:1 nach Verlängerung.",
      "Nächste Woche ist das Büro geschlossen.",
      "Der Preis liegt bei 3,50 Euro pro Stück.",
      "Vor 3 Stunden kam die letzte Nachricht.",
      "Die Sitzung am 24. Dezember 2026 fällt aus.",
      "Wir haben lange über die neue Straße gesprochen.",
  };
  constexpr std::size_t kCount = sizeof kSentences / sizeof kSentences[0];
  std::string out;
  uint32_t state = 12345;
  while (out.size() < 100 * 1024) {
    state = state * 1103515245u + 12345u;
    out += kSentences[(state >> 16) % kCount];
    out += (state & 0x100) ? "\n" : " ";
  }
  return out;
}

void german() {
  std::string text = germanText();
  std::string path = "/tmp/bench_detect_dates_de_" + std::to_string(getpid()) + ".txt";
  std::ofstream(path, std::ios::binary) << text;
  NSUInteger count;
  double ours = timeOurs(text, 21, &count, "de_DE");
  std::string peer = runPeer(path, 21, "de");
  std::remove(path.c_str());
  long peerCount = -1;
  double peerUs = 0;
  if (std::sscanf(peer.c_str(), "count=%ld median_us=%lf", &peerCount, &peerUs) == 2) {
    std::printf(
        "case=dates_de ours=%.1f chrono-node=%.1f unit=us (%lu and %ld matches in %zu "
        "bytes)\n",
        ours, peerUs, static_cast<unsigned long>(count), peerCount, text.size());
  } else {
    std::printf("case=dates_de ours=%.1f unit=us (%lu matches)\n", ours,
                static_cast<unsigned long>(count));
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string file = argc > 1 ? argv[1] : defaultData();
  int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 21;
  std::string bytes = readFile(file);
  if (bytes.empty()) {
    std::fprintf(stderr, "bench_detect_dates: cannot read %s\n", file.c_str());
    return 1;
  }
  NSUInteger ours;
  double oursUs = timeOurs(bytes, rounds, &ours);

  std::string peer = runPeer(file, rounds);
  long peerCount = -1;
  double peerUs = 0;
  if (std::sscanf(peer.c_str(), "count=%ld median_us=%lf", &peerCount, &peerUs) != 2) {
    std::fprintf(stderr, "bench_detect_dates: chrono-node did not run (node and npm needed)\n");
  }
  std::printf(
      "dates over %zu bytes: ours %lu matches in %.1f us, chrono-node %ld matches in %.1f us\n",
      bytes.size(), static_cast<unsigned long>(ours), oursUs, peerCount, peerUs);
  if (peerCount >= 0) {
    std::printf("case=dates_mixed_100k ours=%.1f chrono-node=%.1f unit=us\n", oursUs, peerUs);
  } else {
    std::printf("case=dates_mixed_100k ours=%.1f unit=us\n", oursUs);
  }
  sizes(bytes);
  german();
  return 0;
}
