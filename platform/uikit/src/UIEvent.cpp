#include "UIKit/UIEvent.h"

#include <algorithm>

#include "Foundation/NSSet.h"
#include "UIKit/UITouch.h"

OBJC_CLASS_IMPL(UIEvent) {}

Strong<NSSet> UIEvent::allTouches() const {
  return std::make_shared<NSSet>(std::vector<id>(touches_.begin(), touches_.end()));
}

Strong<NSSet> UIEvent::touchesForView(const UIView* view) const {
  std::vector<id> found;
  for (const auto& t : touches_)
    if (t->view() == view) found.push_back(t);
  return std::make_shared<NSSet>(found);
}

Strong<NSSet> UIEvent::touchesForWindow(const UIWindow* window) const {
  std::vector<id> found;
  for (const auto& t : touches_)
    if (t->window() == window) found.push_back(t);
  return std::make_shared<NSSet>(found);
}

void UIEvent::addTouch(const Strong<UITouch>& touch) {
  if (touch && std::find(touches_.begin(), touches_.end(), touch) == touches_.end())
    touches_.push_back(touch);
}

void UIEvent::removeTouch(const UITouch* touch) {
  std::erase_if(touches_, [touch](const auto& t) { return t.get() == touch; });
}
