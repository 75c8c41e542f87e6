// The Settings app's root list: one entry per preference bundle the host found. A row
// chosen by a finger (down and lifted on it, as on any list) is handed to the opener the
// host sets, since the host is what loads a bundle and pushes its controller.
#pragma once

#include <functional>
#include <string>

#include "Preferences/PSListController.h"

class RootListController : public PSListController {
  OBJC_CLASS(RootListController, PSListController)

 public:
  using Opener = std::function<void(const std::string& label)>;
  void setOpener(Opener opener) { opener_ = std::move(opener); }

  // Registered in the runtime over the list's own, which opens detail controllers by
  // class name (root entries name bundles instead).
  void tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* path);

 private:
  Opener opener_;
};
