#include "Foundation/NSIndexPath.h"

#include "Foundation/NSCoder.h"
#include "Foundation/NSData.h"
#include "Foundation/NSError.h"
#include "Foundation/NSString.h"
#include "PackedIntegers.h"
#include "objc/alloc.h"

struct NSIndexPathCoding {
  static void encode(NSObject* self, SEL, NSCoder* coder) {
    const auto& indexes = static_cast<NSIndexPath*>(self)->indexes_;
    coder->encodeIntegerForKey(static_cast<NSInteger>(indexes.size()), NSSTR("NSIndexPathLength"));
    if (indexes.size() == 1) {
      coder->encodeIntegerForKey(static_cast<NSInteger>(indexes[0]), NSSTR("NSIndexPathValue"));
    } else if (indexes.size() > 1) {
      std::vector<uint8_t> packed;
      for (NSUInteger i : indexes) foundation::packed::append(packed, i);
      coder->encodeObjectForKey(std::make_shared<NSData>(std::move(packed)),
                                NSSTR("NSIndexPathData"));
    }
  }

  static id initWithCoder(NSObject* self, SEL, NSCoder* coder) {
    auto* path = static_cast<NSIndexPath*>(self);
    auto fail = [&](const std::string& why) -> id {
      coder->failWithError(NSError::errorWithCode(NSCoderReadCorruptError, "an index path " + why));
      return nullptr;
    };
    NSInteger length = coder->decodeIntegerForKey(NSSTR("NSIndexPathLength"));
    std::vector<uint64_t> indexes;
    if (length == 1) {
      if (!coder->containsValueForKey(NSSTR("NSIndexPathValue")))
        return fail("of one index has no NSIndexPathValue");
      indexes.push_back(
          static_cast<uint64_t>(coder->decodeIntegerForKey(NSSTR("NSIndexPathValue"))));
    } else if (length > 1) {
      auto data = coder->decodeDataForKey(NSSTR("NSIndexPathData"));
      if (coder->error()) return nullptr;
      if (!data) return fail("of several indexes has no NSIndexPathData");
      const auto* p = static_cast<const uint8_t*>(data->bytes());
      if (!foundation::packed::readAll(p, p + data->length(), indexes))
        return fail("has a damaged NSIndexPathData (a number cut short or too long)");
    } else if (length < 0) {
      return fail("has a negative NSIndexPathLength");
    }
    if (coder->error()) return nullptr;
    if (indexes.size() != static_cast<uint64_t>(length))
      return fail("holds " + std::to_string(indexes.size()) +
                  " indexes for an NSIndexPathLength of " + std::to_string(length));
    path->indexes_.assign(indexes.begin(), indexes.end());
    return path->retainedSelf();
  }
};

OBJC_CLASS_IMPL(NSIndexPath) {
  objc::registerAlloc<NSIndexPath>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&NSIndexPathCoding::encode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"),
                  objc::method<&NSIndexPathCoding::initWithCoder>());
}

Strong<NSIndexPath> NSIndexPath::indexPathWithIndex(NSUInteger index) {
  return std::make_shared<NSIndexPath>(std::vector<NSUInteger>{index});
}

Strong<NSIndexPath> NSIndexPath::indexPathWithIndexesLength(const NSUInteger* indexes,
                                                            NSUInteger length) {
  if (!indexes) length = 0;
  return std::make_shared<NSIndexPath>(std::vector<NSUInteger>(indexes, indexes + length));
}

Strong<NSIndexPath> NSIndexPath::indexPathByAddingIndex(NSUInteger index) const {
  auto longer = indexes_;
  longer.push_back(index);
  return std::make_shared<NSIndexPath>(std::move(longer));
}

NSUInteger NSIndexPath::indexAtPosition(NSUInteger position) const {
  return position < indexes_.size() ? indexes_[position] : static_cast<NSUInteger>(NSNotFound);
}

BOOL NSIndexPath::isEqual(const NSObject* other) const {
  auto* p = objc_cast<NSIndexPath>(other);
  return p && p->indexes_ == indexes_;
}

std::size_t NSIndexPath::hash() const {
  std::size_t h = indexes_.size();
  for (NSUInteger i : indexes_) h = h * 31 + static_cast<std::size_t>(i);
  return h;
}

std::string NSIndexPath::description() const {
  std::string out = "<NSIndexPath: {";
  for (std::size_t i = 0; i < indexes_.size(); ++i)
    out += (i ? ", " : "") + std::to_string(indexes_[i]);
  return out + "}>";
}
