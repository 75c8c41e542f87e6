#include "QuartzCore/CATransaction.h"

#include <atomic>
#include <map>
#include <mutex>
#include <vector>

#include "Display.h"
#include "QuartzCore/CALayer.h"
#include "dispatch/CFRunLoop.h"

namespace {
struct Frame {
  bool disableActions = false;
  CGFloat duration = 0.25;
  std::function<void()> completion;
};
thread_local std::vector<Frame> frames;
thread_local Frame implicitFrame;

Frame& top() {
  return frames.empty() ? implicitFrame : frames.back();
}
}  // namespace

void CATransaction::begin() {
  frames.push_back(Frame{});
}

void CATransaction::commit() {
  if (frames.empty()) return;
  Frame f = std::move(frames.back());
  frames.pop_back();
  if (f.completion) {
    if (frames.empty())
      f.completion();
    else if (!frames.back().completion)
      frames.back().completion = std::move(f.completion);
    else {
      auto outer = std::move(frames.back().completion);
      auto inner = std::move(f.completion);
      frames.back().completion = [outer, inner] {
        inner();
        outer();
      };
    }
  }
}

namespace {

// Marked layers are held weakly: one that goes away before the commit is skipped. Layers
// not owned through Strong<> keep only their mark and are displayed when asked directly.
struct Pending {
  std::mutex lock;
  std::vector<Weak<CALayer>> layers;
  bool scheduled = false;
  std::map<uint64_t, CATransaction::CommitHandler> handlers;
  uint64_t nextToken = 1;
};
Pending& pending() {
  static auto* p = new Pending;  // never destroyed: layers may be marked at exit
  return *p;
}
std::atomic<uint64_t> commits{0};

}  // namespace

void quartzcore::layerNeedsDisplay(CALayer* layer) {
  auto owned = std::static_pointer_cast<CALayer>(layer->weak_from_this().lock());
  if (!owned) return;
  Pending& p = pending();
  bool schedule = false;
  {
    std::lock_guard guard(p.lock);
    p.layers.push_back(owned);
    schedule = !p.scheduled;
    p.scheduled = true;
  }
  if (schedule) {
    CFRunLoopRef main = CFRunLoopGetMain();
    CFRunLoopPerformBlock(main, kCFRunLoopDefaultMode, [] { CATransaction::flush(); });
    CFRunLoopWakeUp(main);
  }
}

void CATransaction::flush() {
  Pending& p = pending();
  std::vector<Weak<CALayer>> layers;
  {
    std::lock_guard guard(p.lock);
    layers.swap(p.layers);
    p.scheduled = false;
  }
  bool displayed = false;
  for (const auto& weak : layers) {
    auto layer = weak.lock();
    if (!layer || !layer->needsDisplay()) continue;
    layer->displayIfNeeded();
    displayed = true;
  }
  if (!displayed) return;
  commits.fetch_add(1);
  std::vector<CommitHandler> handlers;
  {
    std::lock_guard guard(p.lock);
    for (auto& [token, handler] : p.handlers) handlers.push_back(handler);
  }
  for (auto& handler : handlers) handler();
}

uint64_t CATransaction::addCommitHandler(CommitHandler handler) {
  Pending& p = pending();
  std::lock_guard guard(p.lock);
  uint64_t token = p.nextToken++;
  if (handler) p.handlers.emplace(token, std::move(handler));
  return token;
}

void CATransaction::removeCommitHandler(uint64_t token) {
  Pending& p = pending();
  std::lock_guard guard(p.lock);
  p.handlers.erase(token);
}

uint64_t CATransaction::commitCount() {
  return commits.load();
}
bool CATransaction::disableActions() {
  return top().disableActions;
}
void CATransaction::setDisableActions(bool disable) {
  top().disableActions = disable;
}
CGFloat CATransaction::animationDuration() {
  return top().duration;
}
void CATransaction::setAnimationDuration(CGFloat duration) {
  top().duration = duration;
}
void CATransaction::setCompletionBlock(std::function<void()> block) {
  if (frames.empty()) {
    if (block) block();
    return;
  }
  frames.back().completion = std::move(block);
}
int CATransaction::depth() {
  return static_cast<int>(frames.size());
}
