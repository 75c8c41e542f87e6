// What a person does with the home screen in a window: pages it sideways (a drag past a
// fifth of the page, or the arrow keys) and opens a folder (a tap on it) to see its apps
// with their badges and glow, closing it again (a tap outside its panel, or Escape).
//
// The pages stand side by side in the screen's root view; the pager shows one by moving
// that view, and the page dots under each page name the page shown. An open folder is a
// panel over the dimmed page, its apps' views laid out by the host's own layout pass (so
// the plug-in's hooks give them their glow) and again after every change.
#pragma once

#include <vector>

#include "UIKit/UIWindow.h"

class SBHomeScreen;
class SBFolderIcon;
class SBIconView;

class HomePager {
 public:
  // A drag this far (points) sideways is a drag, not a tap; one past this share of the
  // page turns it.
  static constexpr CGFloat kDragSlop = 10;
  static constexpr CGFloat kTurnShare = 0.2;

  HomePager(SBHomeScreen* screen, UIWindow* window);

  int page() const { return page_; }
  int pageCount() const;
  // Shows page `page` (clamped to the pages there are).
  void showPage(int page);

  // The pointer (a finger): down, moved, up, all in window points.
  void pressBegan(CGPoint p);
  void pressMoved(CGPoint p);
  void pressEnded(CGPoint p);
  void pressCancelled();
  // "left", "right", "escape"; YES when the key did something.
  bool key(const std::string& name);

  // The folder shown, if one is open.
  SBFolderIcon* openFolder() const { return folder_; }
  const std::vector<Strong<SBIconView>>& folderIconViews() const { return folderViews_; }
  void open(SBFolderIcon* folder);
  void close();
  // The host's layout pass over the open folder's views (after a settings or badge change).
  void layoutFolder();

 private:
  void place(CGFloat offset);
  void tap(CGPoint p);

  SBHomeScreen* screen_;
  UIWindow* window_;
  int page_ = 0;
  bool pressed_ = false;
  bool dragging_ = false;
  CGPoint start_{};
  SBFolderIcon* folder_ = nullptr;
  Strong<UIView> overlay_;  // the dimmed page and the folder's panel
  Strong<UIView> panel_;
  std::vector<Strong<SBIconView>> folderViews_;
};
