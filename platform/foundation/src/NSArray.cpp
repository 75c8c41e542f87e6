#include "Foundation/NSArray.h"

#include "Foundation/NSCoder.h"
#include "Foundation/NSString.h"
#include "PropertyList.h"
#include "objc/alloc.h"

// {"NS.objects": [UID...]}
namespace {

void arrayEncode(NSObject* self, SEL, NSCoder* coder) {
  coder->encodeArrayOfObjectsForKey(static_cast<NSArray*>(self)->objects(), NSSTR("NS.objects"));
}

id arrayInitWithCoder(NSObject* self, SEL, NSCoder* coder) {
  std::vector<id> items;
  if (!coder->decodeArrayOfObjectsForKey(NSSTR("NS.objects"), items)) return nullptr;
  if (self->getClass() == NSMutableArray::class_())
    return std::make_shared<NSMutableArray>(std::move(items));
  return std::make_shared<NSArray>(std::move(items));
}

}  // namespace

OBJC_CLASS_IMPL(NSArray) {
  objc::registerAlloc<NSArray>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&arrayEncode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&arrayInitWithCoder>());
}
OBJC_CLASS_IMPL(NSMutableArray) {
  objc::registerAlloc<NSMutableArray>(cls);
}

namespace {

void requireObject(const id& obj, const char* method) {
  if (!obj)
    NSException::raise(NSInvalidArgumentException,
                       std::string("-[NSMutableArray ") + method + "]: object cannot be nil");
}

[[noreturn]] void indexError(const char* method, NSUInteger index, std::size_t count) {
  NSException::raise(NSRangeException, std::string("-[NSArray ") + method + "]: index " +
                                           std::to_string(index) + " beyond bounds [0 .. " +
                                           (count ? std::to_string(count - 1) : "-1") + "]");
}

std::string indent(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '\n') out += "    ";
  }
  return out;
}

}  // namespace

NSArray::NSArray(std::vector<id> items) : items_(std::move(items)) {
  for (const id& o : items_)
    if (!o) NSException::raise(NSInvalidArgumentException, "NSArray: element cannot be nil");
}

Strong<NSArray> NSArray::array() {
  return std::make_shared<NSArray>();
}

Strong<NSArray> NSArray::arrayWithObjects(std::initializer_list<id> items) {
  return std::make_shared<NSArray>(std::vector<id>(items));
}

Strong<NSArray> NSArray::arrayWithObject(const id& item) {
  return std::make_shared<NSArray>(std::vector<id>{item});
}

Strong<NSArray> NSArray::arrayWithArray(const Strong<NSArray>& other) {
  return std::make_shared<NSArray>(other ? other->items_ : std::vector<id>{});
}

Strong<NSArray> NSArray::arrayWithContentsOfFile(const std::string& path) {
  return objc_cast<NSArray>(
      foundation::plist::readFile(path, foundation::plist::Root::Array, false));
}

Strong<NSArray> NSArray::arrayWithContentsOfFile(const Strong<NSString>& path) {
  return path ? arrayWithContentsOfFile(path->stdString()) : nullptr;
}

const id& NSArray::objectAtIndex(NSUInteger index) const {
  if (index >= items_.size()) indexError("objectAtIndex:", index, items_.size());
  return items_[index];
}

id NSArray::firstObject() const {
  return items_.empty() ? nullptr : items_.front();
}
id NSArray::lastObject() const {
  return items_.empty() ? nullptr : items_.back();
}

BOOL NSArray::containsObject(const id& obj) const {
  return indexOfObject(obj) != static_cast<NSUInteger>(NSNotFound);
}

NSUInteger NSArray::indexOfObject(const id& obj) const {
  if (obj)
    for (std::size_t i = 0; i < items_.size(); ++i)
      if (items_[i] == obj || items_[i]->isEqual(obj.get())) return i;
  return static_cast<NSUInteger>(NSNotFound);
}

NSUInteger NSArray::indexOfObjectIdenticalTo(const id& obj) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i] == obj) return i;
  return static_cast<NSUInteger>(NSNotFound);
}

BOOL NSArray::isEqualToArray(const Strong<NSArray>& other) const {
  return other && isEqual(other.get());
}

BOOL NSArray::isEqual(const NSObject* other) const {
  auto* a = dynamic_cast<const NSArray*>(other);
  if (!a) return NO;
  if (a == this) return YES;
  if (a->items_.size() != items_.size()) return NO;
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i] != a->items_[i] && !items_[i]->isEqual(a->items_[i].get())) return NO;
  return YES;
}

std::size_t NSArray::hash() const {
  return items_.size();
}

std::string NSArray::description() const {
  if (items_.empty()) return "(\n)";
  std::string out = "(\n";
  for (std::size_t i = 0; i < items_.size(); ++i) {
    out += "    " + indent(items_[i]->description());
    out += i + 1 < items_.size() ? ",\n" : "\n";
  }
  return out + ")";
}

Strong<NSArray> NSArray::arrayByAddingObject(const id& obj) const {
  requireObject(obj, "arrayByAddingObject:");
  std::vector<id> v = items_;
  v.push_back(obj);
  return std::make_shared<NSArray>(std::move(v));
}

Strong<NSString> NSArray::componentsJoinedByString(const Strong<NSString>& separator) const {
  auto out = NSMutableString::string();
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (i) out->appendString(separator);
    if (auto* s = objc_cast<NSString>(items_[i].get()))
      out->appendString(std::const_pointer_cast<NSString>(s->retainedSelf<NSString>()));
    else
      out->appendString(NSString::stringWithUTF8String(std::string_view(items_[i]->description())));
  }
  return out->copy();
}

void NSArray::enumerateObjectsUsingBlock(
    const std::function<void(const id&, NSUInteger, BOOL*)>& block) const {
  std::vector<id> snapshot = items_;
  BOOL stop = NO;
  for (std::size_t i = 0; i < snapshot.size() && !stop; ++i) block(snapshot[i], i, &stop);
}

Strong<NSArray> NSArray::copy() const {
  return std::make_shared<NSArray>(items_);
}
Strong<NSMutableArray> NSArray::mutableCopy() const {
  return std::make_shared<NSMutableArray>(items_);
}

BOOL NSArray::writeToFileAtomically(const std::string& path, BOOL atomically) const {
  return foundation::plist::writeFile(this, path, atomically);
}
BOOL NSArray::writeToFileAtomically(const Strong<NSString>& path, BOOL atomically) const {
  return path && writeToFileAtomically(path->stdString(), atomically);
}

// NSMutableArray

Strong<NSMutableArray> NSMutableArray::array() {
  return std::make_shared<NSMutableArray>();
}
Strong<NSMutableArray> NSMutableArray::arrayWithCapacity(NSUInteger) {
  return array();
}
Strong<NSMutableArray> NSMutableArray::arrayWithObjects(std::initializer_list<id> items) {
  return std::make_shared<NSMutableArray>(std::vector<id>(items));
}
Strong<NSMutableArray> NSMutableArray::arrayWithArray(const Strong<NSArray>& other) {
  return std::make_shared<NSMutableArray>(other ? other->objects() : std::vector<id>{});
}
Strong<NSMutableArray> NSMutableArray::arrayWithContentsOfFile(const std::string& path) {
  return objc_cast<NSMutableArray>(
      foundation::plist::readFile(path, foundation::plist::Root::Array, true));
}
Strong<NSMutableArray> NSMutableArray::arrayWithContentsOfFile(const Strong<NSString>& path) {
  return path ? arrayWithContentsOfFile(path->stdString()) : nullptr;
}

void NSMutableArray::addObject(const id& obj) {
  requireObject(obj, "addObject:");
  items_.push_back(obj);
}

void NSMutableArray::addObjectsFromArray(const Strong<NSArray>& other) {
  if (!other) return;
  std::vector<id> copy = other->objects();  // `other` may be the receiver
  items_.insert(items_.end(), copy.begin(), copy.end());
}

void NSMutableArray::insertObjectAtIndex(const id& obj, NSUInteger index) {
  requireObject(obj, "insertObject:atIndex:");
  if (index > items_.size()) indexError("insertObject:atIndex:", index, items_.size() + 1);
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), obj);
}

void NSMutableArray::removeObjectAtIndex(NSUInteger index) {
  if (index >= items_.size()) indexError("removeObjectAtIndex:", index, items_.size());
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

void NSMutableArray::removeObject(const id& obj) {
  if (!obj) return;
  id keep = obj;  // may be held only by the receiver
  std::erase_if(items_, [&](const id& o) { return o == keep || o->isEqual(keep.get()); });
}

void NSMutableArray::removeLastObject() {
  if (!items_.empty()) items_.pop_back();
}

void NSMutableArray::replaceObjectAtIndexWithObject(NSUInteger index, const id& obj) {
  requireObject(obj, "replaceObjectAtIndex:withObject:");
  if (index >= items_.size()) indexError("replaceObjectAtIndex:withObject:", index, items_.size());
  items_[index] = obj;
}

void NSMutableArray::removeAllObjects() {
  items_.clear();
}
