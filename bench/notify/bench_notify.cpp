// One-way latency between two processes: from a post of a Darwin notification to the
// observer's callback on its main run loop, beside a byte written to a pipe and read
// by a blocked reader (the floor). Both measured the same way: the sender stamps
// CLOCK_MONOTONIC into shared memory just before sending, the receiver stamps on
// arrival, and the sender waits for the receiver's go-ahead before each send.
//
//   bench_notify [count]     (default 10000, after 200 warm-up rounds)
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "CoreFoundation/CFNotificationCenter.h"
#include "CoreFoundation/CFRunLoop.h"
#include "Foundation/NSString.h"
#include "dispatch/dispatch.h"

namespace {

constexpr int kWarmup = 200;
const char* const kName = "com.varenko.nimbra/bench";

struct Shared {
  std::atomic<uint64_t> sent;
};

Shared* shared;
int ackWrite, ackRead, dataWrite, dataRead;
int total;
std::vector<double> notifyLatencies;

void goAhead() {
  char c = 'a';
  if (write(ackWrite, &c, 1) != 1) std::abort();
}

void awaitGoAhead() {
  char c;
  if (read(ackRead, &c, 1) != 1) std::exit(3);
}

void sender() {
  for (int i = 0; i < total; ++i) {
    awaitGoAhead();
    shared->sent.store(nimbra::dispatch::monotonicNow(), std::memory_order_release);
    char c = 'd';
    if (write(dataWrite, &c, 1) != 1) std::exit(3);
  }
  auto center = CFNotificationCenterGetDarwinNotifyCenter();
  CFStringRef name = NSString::stringWithUTF8String(kName);
  for (int i = 0; i < total; ++i) {
    awaitGoAhead();
    shared->sent.store(nimbra::dispatch::monotonicNow(), std::memory_order_release);
    CFNotificationCenterPostNotification(center, name, nullptr, nullptr, true);
  }
  std::exit(0);
}

double elapsedMicros() {
  uint64_t now = nimbra::dispatch::monotonicNow();
  return double(now - shared->sent.load(std::memory_order_acquire)) / 1000.0;
}

void received(CFNotificationCenterRef, void*, CFStringRef, const void*, CFDictionaryRef) {
  notifyLatencies.push_back(elapsedMicros());
  if (int(notifyLatencies.size()) == total) {
    CFRunLoopStop(CFRunLoopGetMain());
  } else {
    goAhead();
  }
}

double percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(double(v.size()) * p))];
}

}  // namespace

int main(int argc, char** argv) {
  int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
  total = count + kWarmup;

  char dir[] = "/tmp/nimbra-bench-notify-XXXXXX";
  if (!mkdtemp(dir)) return 1;
  setenv("XDG_RUNTIME_DIR", dir, 1);

  void* mem =
      mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (mem == MAP_FAILED) return 1;
  shared = new (mem) Shared{};
  int ack[2], data[2];
  if (pipe(ack) != 0 || pipe(data) != 0) return 1;
  ackRead = ack[0], ackWrite = ack[1], dataRead = data[0], dataWrite = data[1];

  // Fork before either side starts any thread.
  pid_t child = fork();
  if (child < 0) return 1;
  if (child == 0) sender();

  std::vector<double> pipeLatencies;
  for (int i = 0; i < total; ++i) {
    goAhead();
    char c;
    if (read(dataRead, &c, 1) != 1) return 1;
    pipeLatencies.push_back(elapsedMicros());
  }

  CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), nullptr, received,
                                  NSString::stringWithUTF8String(kName), nullptr,
                                  CFNotificationSuspensionBehaviorDeliverImmediately);
  goAhead();
  CFRunLoopRun();

  int status = 0;
  waitpid(child, &status, 0);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  if (int(notifyLatencies.size()) != total) return 1;

  pipeLatencies.erase(pipeLatencies.begin(), pipeLatencies.begin() + kWarmup);
  notifyLatencies.erase(notifyLatencies.begin(), notifyLatencies.begin() + kWarmup);
  std::printf("posts=%d\n", count);
  std::printf("case=notify_latency_median ours=%.2f pipe=%.2f unit=us\n",
              percentile(notifyLatencies, 0.5), percentile(pipeLatencies, 0.5));
  std::printf("case=notify_latency_p99 ours=%.2f pipe=%.2f unit=us\n",
              percentile(notifyLatencies, 0.99), percentile(pipeLatencies, 0.99));
  return 0;
}
