// The running application. Opening a URL is handed to a handler the host installs; a
// headless host records the URLs it was asked to open.
#pragma once

#include <functional>
#include <vector>

#include "Foundation/NSObjCRuntime.h"
#include "UIKit/UIKitExport.h"
#include "UIKit/UIResponder.h"

class NSURL;

// The end of every responder chain: its nextResponder is none.
class NIMBRA_UIKIT_API UIApplication : public UIResponder {
  OBJC_CLASS(UIApplication, UIResponder)

 public:
  using OpenURLHandler = std::function<BOOL(const Strong<NSURL>&)>;

  static Strong<UIApplication> sharedApplication();

  // NO for none or when no handler is installed (nothing can open it).
  BOOL openURL(NSURL* url);
  void setOpenURLHandler(OpenURLHandler handler) { handler_ = std::move(handler); }

  // Every URL passed to openURL, in order, whether or not it could be opened.
  const std::vector<Strong<NSURL>>& openedURLs() const { return opened_; }
  void clearOpenedURLs() { opened_.clear(); }

 private:
  OpenURLHandler handler_;
  std::vector<Strong<NSURL>> opened_;
};
