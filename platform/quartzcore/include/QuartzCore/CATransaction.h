// Transactions group layer changes. Nothing animates here, so they only keep the nesting
// and the per-transaction settings callers read back.
#pragma once

#include <functional>

#include "CoreGraphics/CGGeometry.h"

class CATransaction {
 public:
  static void begin();
  static void commit();  // an unmatched commit is ignored
  static void flush();
  static bool disableActions();
  static void setDisableActions(bool disable);
  static CGFloat animationDuration();
  static void setAnimationDuration(CGFloat duration);
  // Run at once when no transaction is open, else when the outermost one commits.
  static void setCompletionBlock(std::function<void()> block);
  static int depth();  // open transactions on this thread
};
