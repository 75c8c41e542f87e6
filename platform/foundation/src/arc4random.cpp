// The C library's arc4random family, provided by the platform: xoshiro256** per thread,
// seeded from getrandom and re-seeded in a forked child. A fork is noticed through a
// counter that a fork handler bumps in the child, not by asking for the process id on
// every draw: getpid is a system call, and the glow draws a colour per icon.
#include "Foundation/arc4random.h"

#include <pthread.h>
#include <sys/random.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

// Forks seen by this process; starts at 1 so that a fresh generator (0) seeds first.
std::atomic<unsigned> forks{1};
[[maybe_unused]] const int forkHandler =
    pthread_atfork(nullptr, nullptr, [] { forks.fetch_add(1, std::memory_order_relaxed); });

struct Generator {
  uint64_t s[4] = {0, 0, 0, 0};
  unsigned seededAt = 0;  // the value of `forks` when last seeded

  [[gnu::cold, gnu::noinline]] void seed() {
    std::size_t got = 0;
    auto* p = reinterpret_cast<unsigned char*>(s);
    while (got < sizeof s) {
      ssize_t n = getrandom(p + got, sizeof s - got, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    if (got < sizeof s) {
      // No entropy source: fall back to the clock and addresses rather than fail.
      uint64_t t = static_cast<uint64_t>(
          std::chrono::high_resolution_clock::now().time_since_epoch().count());
      s[0] ^= t;
      s[1] ^= reinterpret_cast<uintptr_t>(this);
      s[2] ^= static_cast<uint64_t>(getpid()) << 17;
    }
    if ((s[0] | s[1] | s[2] | s[3]) == 0) s[0] = 0x9E3779B97F4A7C15ull;
    seededAt = forks.load(std::memory_order_relaxed);
  }

  static uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

  uint64_t next() {
    if (seededAt != forks.load(std::memory_order_relaxed)) seed();
    uint64_t result = rotl(s[1] * 5, 7) * 9;
    uint64_t t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = rotl(s[3], 45);
    return result;
  }
};

// Foundation is linked at start-up, never dlopen'ed, so its TLS is static: a draw reaches
// its generator without a call to find it.
constinit thread_local Generator generatorOfThread __attribute__((tls_model("initial-exec")));

Generator& generator() {
  return generatorOfThread;
}

[[gnu::always_inline]] inline uint32_t draw(Generator& g) {
  return static_cast<uint32_t>(g.next() >> 32);
}

// The draws after one whose low word fell below `bound`: those below 2^32 mod bound are
// rejected. Rare for small bounds, so kept apart from the one draw that almost every
// call takes, which then needs no loop and saves no registers.
[[gnu::cold, gnu::noinline]] uint32_t redrawBelow(Generator& g, uint32_t bound, uint64_t m) {
  uint32_t reject = (0u - bound) % bound;
  while (static_cast<uint32_t>(m) < reject) m = uint64_t{draw(g)} * bound;
  return static_cast<uint32_t>(m >> 32);
}

}  // namespace

// Exported whatever the header declares: with a C library that has its own (and declares
// them in stdlib.h), the platform's still come first for everything linking it.
extern "C" {

NIMBRA_FOUNDATION_API uint32_t arc4random(void) noexcept {
  return draw(generator());
}

NIMBRA_FOUNDATION_API uint32_t arc4random_uniform(uint32_t upper_bound) noexcept {
  if (upper_bound < 2) return 0;
  // The high word of draw * bound, rejecting the draws whose low word falls below
  // 2^32 mod bound, which would make some results more likely. The remainder is
  // worked out only when the low word is small enough to need it: a division costs more
  // than the draw, and the glow draws a colour per icon. The draws come from the
  // thread's generator here, not through arc4random: an exported name that the dynamic
  // linker may bind elsewhere is called through its table and never inlined.
  Generator& g = generator();
  uint64_t m = uint64_t{draw(g)} * upper_bound;
  if (static_cast<uint32_t>(m) < upper_bound) [[unlikely]]
    return redrawBelow(g, upper_bound, m);
  return static_cast<uint32_t>(m >> 32);
}

NIMBRA_FOUNDATION_API void arc4random_buf(void* buf, size_t n) noexcept {
  auto* p = static_cast<unsigned char*>(buf);
  while (n > 0) {
    uint64_t v = generator().next();
    std::size_t k = n < sizeof v ? n : sizeof v;
    std::memcpy(p, &v, k);
    p += k;
    n -= k;
  }
}

}  // extern "C"
