#include "Foundation/NSSet.h"

#include <algorithm>

#include "Foundation/NSArray.h"
#include "Foundation/NSCoder.h"
#include "Foundation/NSString.h"
#include "objc/alloc.h"

struct NSSetCoding {
  static void encode(NSObject* self, SEL, NSCoder* coder) {
    coder->encodeArrayOfObjectsForKey(static_cast<NSSet*>(self)->items_, NSSTR("NS.objects"));
  }
  static id initWithCoder(NSObject* self, SEL, NSCoder* coder) {
    auto* set = static_cast<NSSet*>(self);
    std::vector<id> items;
    if (!coder->decodeArrayOfObjectsForKey(NSSTR("NS.objects"), items)) return nullptr;
    set->items_.clear();
    for (const id& item : items) set->add(item);
    return set->retainedSelf();
  }
};

OBJC_CLASS_IMPL(NSSet) {
  objc::registerAlloc<NSSet>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&NSSetCoding::encode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&NSSetCoding::initWithCoder>());
}
OBJC_CLASS_IMPL(NSMutableSet) {
  objc::registerAlloc<NSMutableSet>(cls);
}

namespace {
bool same(const id& a, const id& b) {
  return a == b || a->isEqual(b.get());
}
}  // namespace

NSSet::NSSet(const std::vector<id>& items) {
  for (const id& o : items) add(o);
}

void NSSet::add(const id& obj) {
  if (!obj) NSException::raise(NSInvalidArgumentException, "NSSet: element cannot be nil");
  if (!containsObject(obj)) items_.push_back(obj);
}

Strong<NSSet> NSSet::set() {
  return std::make_shared<NSSet>();
}
Strong<NSSet> NSSet::setWithObject(const id& obj) {
  return std::make_shared<NSSet>(std::vector<id>{obj});
}
Strong<NSSet> NSSet::setWithObjects(std::initializer_list<id> items) {
  return std::make_shared<NSSet>(std::vector<id>(items));
}
Strong<NSSet> NSSet::setWithArray(const Strong<NSArray>& array) {
  return std::make_shared<NSSet>(array ? array->objects() : std::vector<id>{});
}

id NSSet::anyObject() const {
  return items_.empty() ? nullptr : items_.front();
}

BOOL NSSet::containsObject(const id& obj) const {
  return member(obj) != nullptr;
}

id NSSet::member(const id& obj) const {
  if (!obj) return nullptr;
  auto it = std::find_if(items_.begin(), items_.end(), [&](const id& o) { return same(o, obj); });
  return it == items_.end() ? nullptr : *it;
}

Strong<NSArray> NSSet::allObjects() const {
  return std::make_shared<NSArray>(items_);
}

BOOL NSSet::isEqualToSet(const Strong<NSSet>& other) const {
  return other && isEqual(other.get());
}

BOOL NSSet::isEqual(const NSObject* other) const {
  auto* set = objc_cast<NSSet>(other);
  if (!set || set->count() != count()) return NO;
  return std::all_of(items_.begin(), items_.end(),
                     [&](const id& o) { return set->containsObject(o); });
}

std::string NSSet::description() const {
  std::string out = "{(";
  for (std::size_t i = 0; i < items_.size(); ++i) {
    out += (i ? ",\n    " : "\n    ") + items_[i]->description();
  }
  return out + (items_.empty() ? ")}" : "\n)}");
}

Strong<NSMutableSet> NSMutableSet::set() {
  return std::make_shared<NSMutableSet>();
}
void NSMutableSet::addObject(const id& obj) {
  add(obj);
}
void NSMutableSet::removeObject(const id& obj) {
  if (!obj) return;
  std::erase_if(items_, [&](const id& o) { return same(o, obj); });
}
