// Appearance proxies: property values that every view of a class takes, everywhere or
// only inside a container class. A container matches when a view above the control,
// or the controller owning such a view, is of that class or a subclass of it.
#pragma once

#include <string>
#include <vector>

#include "Foundation/NSObjCRuntime.h"
#include "UIKit/UIKitExport.h"

class UIView;
class UIColor;

class NIMBRA_UIKIT_API UIAppearance : public NSObject {
  OBJC_CLASS(UIAppearance, NSObject)

 public:
  UIAppearance(Class appearanceClass, Class container)
      : appearanceClass_(appearanceClass), container_(container) {}

  // The one proxy of that class and container (none: everywhere).
  static Strong<UIAppearance> appearanceForClass(Class appearanceClass, Class container);

  void setTintColor(const Strong<UIColor>& color);
  void setOnTintColor(const Strong<UIColor>& color);
  void setValueForProperty(const id& value, const std::string& property);
  id valueForProperty(const std::string& property) const;

  // What `view` takes for `property`: proxies scoped to a container that holds the view
  // win over unscoped ones; among equals the latest setting wins. None when no proxy
  // applies.
  static id appearanceValueForView(const UIView* view, const std::string& property);

  // Drops every proxy (tests and hosts starting afresh).
  static void resetAllProxies();

  Class appearanceClass() const { return appearanceClass_; }
  Class container() const { return container_; }

 private:
  struct Setting {
    std::string property;
    id value;
    uint64_t serial;
  };
  Class appearanceClass_;
  Class container_;
  std::vector<Setting> settings_;
};
