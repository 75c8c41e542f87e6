#include "UIKit/NSTextStorage.h"

#include <algorithm>

#include "UIKit/NSLayoutManager.h"

OBJC_CLASS_IMPL(NSTextStorage) {}

Strong<NSTextStorage> NSTextStorage::initWithAttributedString(
    const Strong<NSAttributedString>& string) {
  auto s = std::make_shared<NSTextStorage>();
  if (string) s->setAttributedString(string);
  return s;
}

void NSTextStorage::addLayoutManager(const Strong<NSLayoutManager>& lm) {
  if (!lm) return;
  layoutManagers_.push_back(lm);
  lm->setTextStorage(retainedSelf<NSTextStorage>());
}

void NSTextStorage::removeLayoutManager(const Strong<NSLayoutManager>& lm) {
  std::erase_if(layoutManagers_, [&](const Weak<NSLayoutManager>& w) {
    auto l = w.lock();
    return !l || l == lm;
  });
  if (lm && lm->textStorage().get() == this) lm->setTextStorage(nullptr);
}

std::vector<Strong<NSLayoutManager>> NSTextStorage::layoutManagers() const {
  std::vector<Strong<NSLayoutManager>> out;
  for (const auto& w : layoutManagers_)
    if (auto l = w.lock()) out.push_back(l);
  return out;
}

void NSTextStorage::processEditing() {
  for (const auto& l : layoutManagers()) l->invalidateLayout();
}
