// The one way tests wait: for another process (a window drawing, a notification arriving,
// a file changing) or for work handed to the main queue. Poll a condition until it holds
// or time runs out; between polls the caller's `turn` runs, or the main queue is served,
// or the test sleeps a little. Never asserts a speed: the time limit only keeps a broken
// case from hanging the suite.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include "dispatch/CFRunLoop.h"

namespace testwait {

constexpr double kDefaultSeconds = 10;
constexpr std::chrono::milliseconds kPollInterval{20};

inline bool waitFor(const std::function<bool()>& done, double seconds = kDefaultSeconds,
                    const std::function<void()>& turn = {}) {
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    if (turn) {
      turn();
    } else {
      std::this_thread::sleep_for(kPollInterval);
    }
  }
  return done();
}

// Serves the main queue (timers, notifications, blocks handed to it) until `done` holds.
inline bool serveMainQueueUntil(const std::function<bool()>& done,
                                double seconds = kDefaultSeconds) {
  return waitFor(done, seconds, [] {
    CFRunLoopRunInMode(kCFRunLoopDefaultMode, kPollInterval.count() / 1000.0, true);
  });
}

}  // namespace testwait
