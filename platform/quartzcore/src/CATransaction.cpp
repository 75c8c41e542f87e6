#include "QuartzCore/CATransaction.h"

#include <vector>

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

void CATransaction::flush() {}
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
