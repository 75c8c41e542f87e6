#include "UIKit/UIAppearance.h"

#include <atomic>

#include "UIKit/UIColor.h"
#include "UIKit/UIView.h"
#include "UIKit/UIViewController.h"

namespace {

std::vector<Strong<UIAppearance>>& proxies() {
  static auto* list = new std::vector<Strong<UIAppearance>>;
  return *list;
}

uint64_t nextSerial() {
  static std::atomic<uint64_t> serial{0};
  return ++serial;
}

bool containedIn(const UIView* view, Class container) {
  for (const UIView* v = view; v; v = v->superview()) {
    if (v->isKindOfClass(container)) return true;
    auto owner = UIViewController::viewControllerForView(v);
    if (owner && owner->isKindOfClass(container)) return true;
  }
  return false;
}

}  // namespace

OBJC_CLASS_IMPL(UIAppearance) {}

Strong<UIAppearance> UIAppearance::appearanceForClass(Class appearanceClass, Class container) {
  for (const auto& p : proxies()) {
    if (p->appearanceClass_ == appearanceClass && p->container_ == container) return p;
  }
  auto proxy = std::make_shared<UIAppearance>(appearanceClass, container);
  proxies().push_back(proxy);
  return proxy;
}

void UIAppearance::setTintColor(const Strong<UIColor>& color) {
  setValueForProperty(color, "tintColor");
}

void UIAppearance::setOnTintColor(const Strong<UIColor>& color) {
  setValueForProperty(color, "onTintColor");
}

void UIAppearance::setValueForProperty(const id& value, const std::string& property) {
  for (auto& s : settings_) {
    if (s.property == property) {
      s.value = value;
      s.serial = nextSerial();
      return;
    }
  }
  settings_.push_back({property, value, nextSerial()});
}

id UIAppearance::valueForProperty(const std::string& property) const {
  for (const auto& s : settings_) {
    if (s.property == property) return s.value;
  }
  return nullptr;
}

id UIAppearance::appearanceValueForView(const UIView* view, const std::string& property) {
  if (!view) return nullptr;
  id best;
  bool bestScoped = false;
  uint64_t bestSerial = 0;
  for (const auto& p : proxies()) {
    if (!view->isKindOfClass(p->appearanceClass_)) continue;
    bool scoped = p->container_ != nullptr;
    if (scoped && !containedIn(view->superview(), p->container_)) continue;
    for (const auto& s : p->settings_) {
      if (s.property != property || !s.value) continue;
      if (best && bestScoped && !scoped) continue;
      if (best && bestScoped == scoped && s.serial < bestSerial) continue;
      best = s.value;
      bestScoped = scoped;
      bestSerial = s.serial;
    }
  }
  return best;
}

void UIAppearance::resetAllProxies() {
  proxies().clear();
}
