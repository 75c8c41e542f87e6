// The replay driver: runs a fuzz target's corpus, then deterministic mutations of it,
// through LLVMFuzzerTestOneInput, so the sanitizer build exercises every target without
// clang's libFuzzer.
//
//   fuzz_<name> [--mutations N] [--seed S] [--max-len L] PATH...
//
// A PATH is a file or a folder of files (read in name order). The same seed gives the
// same inputs on every machine: the generator and the mutations are ours, not the
// standard library's. When an input kills the process (a sanitizer report, an abort, an
// uncaught exception), it is written to crash-<name>-<n> in the working folder first, so
// it can be replayed alone and added to the corpus.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" __attribute__((weak)) void __sanitizer_set_death_callback(void (*callback)(void));

namespace {

using Bytes = std::vector<uint8_t>;

// splitmix64: small, fast and identical everywhere.
struct Random {
  uint64_t state;
  uint64_t next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform enough over [0, n) for n far below 2^64; 0 for n == 0.
  size_t below(size_t n) { return n ? static_cast<size_t>(next() % n) : 0; }
};

// The input being run, for the crash handlers; they only use async-signal-safe calls.
const uint8_t* gCurrent = nullptr;
size_t gCurrentSize = 0;
char gCrashPath[512] = "";

void saveCurrentInput() {
  if (!gCurrent) return;
  int fd = ::open(gCrashPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  size_t done = 0;
  while (done < gCurrentSize) {
    ssize_t put = ::write(fd, gCurrent + done, gCurrentSize - done);
    if (put <= 0) break;
    done += static_cast<size_t>(put);
  }
  ::close(fd);
  const char note[] = "\nreplay: the input that failed is saved as ";
  ssize_t ignored = ::write(STDERR_FILENO, note, sizeof note - 1);
  ignored = ::write(STDERR_FILENO, gCrashPath, std::strlen(gCrashPath));
  ignored = ::write(STDERR_FILENO, "\n", 1);
  (void)ignored;
}

void onFatalSignal(int sig) {
  saveCurrentInput();
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void onTerminate() {
  std::fprintf(stderr, "replay: uncaught exception");
  if (auto e = std::current_exception()) {
    try {
      std::rethrow_exception(e);
    } catch (const std::exception& x) {
      std::fprintf(stderr, ": %s", x.what());
    } catch (...) {
    }
  }
  std::fprintf(stderr, "\n");
  saveCurrentInput();
  std::_Exit(1);
}

void installCrashHandlers() {
  if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(saveCurrentInput);
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) ::signal(sig, onFatalSignal);
  std::set_terminate(onTerminate);
}

void run(const Bytes& input) {
  // A copy of exactly the input's size, so a read past its end is a heap overflow the
  // sanitizer sees, as under libFuzzer.
  auto* copy = static_cast<uint8_t*>(std::malloc(input.empty() ? 1 : input.size()));
  if (!input.empty()) std::memcpy(copy, input.data(), input.size());
  gCurrent = copy;
  gCurrentSize = input.size();
  LLVMFuzzerTestOneInput(copy, input.size());
  gCurrent = nullptr;
  gCurrentSize = 0;
  std::free(copy);
}

// Values that often sit on a boundary of a length, an index or a type tag.
constexpr uint8_t kInteresting[] = {0x00, 0x01, 0x02, 0x07, 0x08, 0x0F, 0x10, 0x1F, 0x20,
                                    0x3F, 0x40, 0x7F, 0x80, 0x81, 0xFE, 0xFF, '<',  '>',
                                    '/',  '"',  '&',  '0',  '9',  '-',  '.',  'e'};

void mutateOnce(Bytes& b, const std::vector<Bytes>& corpus, Random& rng, size_t maxLen) {
  switch (rng.below(9)) {
    case 0:  // flip a bit
      if (!b.empty()) b[rng.below(b.size())] ^= static_cast<uint8_t>(1u << rng.below(8));
      break;
    case 1:  // an interesting byte
      if (!b.empty()) b[rng.below(b.size())] = kInteresting[rng.below(sizeof kInteresting)];
      break;
    case 2:  // a random byte
      if (!b.empty()) b[rng.below(b.size())] = static_cast<uint8_t>(rng.next());
      break;
    case 3: {  // insert a few bytes
      size_t at = rng.below(b.size() + 1), n = 1 + rng.below(8);
      Bytes add(n);
      for (auto& c : add)
        c = rng.below(2) ? kInteresting[rng.below(sizeof kInteresting)]
                         : static_cast<uint8_t>(rng.next());
      b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), add.begin(), add.end());
      break;
    }
    case 4: {  // erase a run
      if (b.empty()) break;
      size_t at = rng.below(b.size()), n = 1 + rng.below(std::min<size_t>(b.size() - at, 16));
      b.erase(b.begin() + static_cast<std::ptrdiff_t>(at),
              b.begin() + static_cast<std::ptrdiff_t>(at + n));
      break;
    }
    case 5: {  // duplicate a run somewhere else
      if (b.empty()) break;
      size_t at = rng.below(b.size()), n = 1 + rng.below(std::min<size_t>(b.size() - at, 32));
      Bytes run(b.begin() + static_cast<std::ptrdiff_t>(at),
                b.begin() + static_cast<std::ptrdiff_t>(at + n));
      size_t to = rng.below(b.size() + 1);
      b.insert(b.begin() + static_cast<std::ptrdiff_t>(to), run.begin(), run.end());
      break;
    }
    case 6:  // cut the tail
      if (!b.empty()) b.resize(rng.below(b.size()));
      break;
    case 7: {  // splice: our head, another input's tail
      const Bytes& other = corpus[rng.below(corpus.size())];
      size_t keep = rng.below(b.size() + 1), from = rng.below(other.size() + 1);
      b.resize(keep);
      b.insert(b.end(), other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
      break;
    }
    default: {  // overwrite a 1, 2, 4 or 8 byte word with an extreme value
      size_t width = size_t(1) << rng.below(4);
      if (b.size() < width) break;
      size_t at = rng.below(b.size() - width + 1);
      uint64_t v = rng.below(2) ? ~uint64_t(0) >> rng.below(64) : rng.below(4);
      for (size_t k = 0; k < width; ++k) b[at + k] = static_cast<uint8_t>(v >> (8 * k));
    }
  }
  if (b.size() > maxLen) b.resize(maxLen);
}

bool readFile(const std::filesystem::path& path, Bytes& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

int usage() {
  std::fprintf(stderr, "usage: fuzz_<name> [--mutations N] [--seed S] [--max-len L] PATH...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  uint64_t mutations = 0, seed = 0x4E494D425241ull;  // "NIMBRA"
  size_t maxLen = 64 * 1024;
  std::vector<std::filesystem::path> paths;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](uint64_t& out) {
      if (i + 1 >= argc) return false;
      out = std::strtoull(argv[++i], nullptr, 0);
      return true;
    };
    uint64_t len = maxLen;
    if (arg == "--mutations") {
      if (!value(mutations)) return usage();
    } else if (arg == "--seed") {
      if (!value(seed)) return usage();
    } else if (arg == "--max-len") {
      if (!value(len) || len == 0) return usage();
      maxLen = static_cast<size_t>(len);
    } else if (arg.rfind("--", 0) == 0) {
      return usage();
    } else {
      paths.emplace_back(arg);
    }
  }
  if (paths.empty()) return usage();

  std::vector<std::filesystem::path> files;
  for (const auto& p : paths) {
    std::error_code ec;
    if (std::filesystem::is_directory(p, ec)) {
      for (const auto& entry : std::filesystem::directory_iterator(p, ec))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else {
      files.push_back(p);
    }
  }
  std::sort(files.begin(), files.end());
  std::vector<Bytes> corpus;
  for (const auto& f : files) {
    Bytes b;
    if (!readFile(f, b)) {
      std::fprintf(stderr, "replay: cannot read %s\n", f.c_str());
      return 2;
    }
    corpus.push_back(std::move(b));
  }
  if (corpus.empty()) corpus.emplace_back();  // an empty corpus still runs the empty input

  std::string name = std::filesystem::path(argv[0]).filename().string();
  std::snprintf(gCrashPath, sizeof gCrashPath, "crash-%s-%d", name.c_str(),
                static_cast<int>(::getpid()));
  installCrashHandlers();

  auto start = std::chrono::steady_clock::now();
  for (const Bytes& input : corpus) run(input);
  Random rng{seed};
  Bytes input;
  for (uint64_t m = 0; m < mutations; ++m) {
    input = corpus[rng.below(corpus.size())];
    for (size_t k = 1 + rng.below(4); k > 0; --k) mutateOnce(input, corpus, rng, maxLen);
    run(input);
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s: %zu corpus inputs, %llu mutations, %.1f s, no failures\n", name.c_str(),
              corpus.size(), static_cast<unsigned long long>(mutations), seconds);
  return 0;
}
