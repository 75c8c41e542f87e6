// The home screen: icons read from a layout file, their views on pages, layout passes
// and rendering.
//
// Layout file: a property-list dictionary
//   Columns  integer 1 to 6, icons per row (default 4); a page holds five rows
//   Pages    array of pages; a page is an array of entries
// An entry is a dictionary:
//   DisplayName  non-empty string (required)
//   Badge        integer, real or string (optional; none without it)
//   Image        PNG path, relative to the layout file's folder (required for an app)
//   Icons        array of app entries: the entry is a folder (folders do not nest, and
//                hold at least one app); its Badge, when given, overrides the sum
// Anything else is an error naming the page and entry; nothing is loaded then.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "SpringBoard/SBFolderIcon.h"
#include "SpringBoard/SBFolderIconView.h"
#include "SpringBoard/SBIconView.h"
#include "SpringBoard/SBRecycledViewsContainer.h"
#include "SpringBoard/SpringBoardExport.h"

// The Darwin notification a badge change arrives by; new values are in the layout file.
NIMBRA_SPRINGBOARD_API extern const char* const
    SBBadgeChangedNotification;  // "com.nimbra.springboard/badgechanged"

class NIMBRA_SPRINGBOARD_API SBHomeScreen : public NSObject {
  OBJC_CLASS(SBHomeScreen, NSObject)

 public:
  static constexpr CGFloat kPageWidth = 320;
  static constexpr CGFloat kPageHeight = 568;
  static constexpr int kRows = 5;

  // None, with `error` filled, for a file that is not a valid layout.
  static Strong<SBHomeScreen> homeScreenWithContentsOfFile(const std::string& path,
                                                           std::string* error);

  const std::string& path() const { return path_; }
  const std::vector<std::vector<Strong<SBIcon>>>& pages() const { return pages_; }
  // Every app and folder icon, apps inside folders included, in page order.
  std::vector<Strong<SBIcon>> allIcons() const;
  // Icons (apps in folders included) with this display name, exactly.
  std::vector<Strong<SBIcon>> iconsNamed(const std::string& name) const;

  // The view tree: one root view holding the pages side by side and a recycled-views
  // container. Built on first use.
  const Strong<UIView>& rootView();
  const std::vector<Strong<SBIconView>>& iconViews();
  const Strong<SBRecycledViewsContainer>& recycledViewsContainer();

  // Lays out every icon view and its badge view, through the runtime so hooks apply.
  void layoutPass();
  // Renders the laid-out tree; NO when the file cannot be written.
  bool writePNG(const std::string& path, CGFloat scale = 2);

  // Takes the badge values from the layout file anew (after a badge change). NO, with
  // `error` filled and nothing changed, when the file is no longer a valid layout or its
  // icons differ.
  bool reloadBadges(std::string* error);

  // From now on, on the main run loop: after any of the Darwin notifications named in
  // `relayoutNotifications` (those the loaded plug-ins' filters name), or after a badge
  // change once the new badge values are taken, a layout pass, then `changed`. The pass
  // is queued, so every observer of the notification (a plug-in's own reload among them)
  // has run before it.
  void observeChanges(const std::vector<std::string>& relayoutNotifications,
                      std::function<void()> changed);
  void notifyChanged();

  // Sets the badge of every app with this name in the layout file at `path` and writes
  // it atomically under the file lock; `value` none removes it. NO with `error` for an
  // unknown app or a file that cannot be read or written.
  static bool setBadgeInLayoutFile(const std::string& path, const std::string& name,
                                   const id& value, std::string* error);

 private:
  std::string path_;
  int columns_ = 4;
  std::vector<std::vector<Strong<SBIcon>>> pages_;
  Strong<UIView> root_;
  std::vector<Strong<SBIconView>> iconViews_;
  Strong<SBRecycledViewsContainer> recycled_;
  std::function<void()> changed_;
};
