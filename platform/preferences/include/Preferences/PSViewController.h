// The base of the controllers a settings list pushes: it knows the entry that opened
// it, the list it came from and the bundle its resources are in.
#pragma once

#include "Preferences/PreferencesExport.h"
#include "UIKit/UIViewController.h"

class NSString;
class PSSpecifier;

class NIMBRA_PREFERENCES_API PSViewController : public UIViewController {
  OBJC_CLASS(PSViewController, UIViewController)

 public:
  Strong<PSSpecifier> specifier() const { return specifier_; }
  void setSpecifier(const Strong<PSSpecifier>& specifier) { specifier_ = specifier; }

  Strong<PSViewController> parentController() const { return parent_.lock(); }
  void setParentController(const Strong<PSViewController>& parent) { parent_ = parent; }
  Strong<PSViewController> rootController() const { return root_.lock(); }
  void setRootController(const Strong<PSViewController>& root) { root_ = root; }

  // The folder of the bundle whose resources this controller reads.
  Strong<NSString> bundlePath() const { return bundlePath_; }
  void setBundlePath(const Strong<NSString>& path) { bundlePath_ = path; }

 private:
  Strong<PSSpecifier> specifier_;
  Weak<PSViewController> parent_;
  Weak<PSViewController> root_;
  Strong<NSString> bundlePath_;
};
