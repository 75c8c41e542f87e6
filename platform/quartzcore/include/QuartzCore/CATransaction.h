// Transactions group layer changes. Nothing animates here, so they keep the nesting and
// the per-transaction settings callers read back, and they commit redisplay.
//
// Display: layers marked with setNeedsDisplay wait for the implicit transaction's commit,
// which the main run loop performs once at the end of the turn in which the first was
// marked, so any number of marks in one turn give one redisplay. flush() commits at once:
// every marked layer is displayed, then, when there was any, the commit handlers run (a
// host renders and counts a frame there). Commits are for the main thread.
#pragma once

#include <cstdint>
#include <functional>

#include "CoreGraphics/CGGeometry.h"
#include "QuartzCore/QuartzCoreExport.h"

class NIMBRA_QUARTZCORE_API CATransaction {
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

  // Our extension. A handler runs after each commit that displayed layers; the token
  // removes it.
  using CommitHandler = std::function<void()>;
  static uint64_t addCommitHandler(CommitHandler handler);
  static void removeCommitHandler(uint64_t token);
  // Commits that displayed at least one layer, since the process started.
  static uint64_t commitCount();
};
