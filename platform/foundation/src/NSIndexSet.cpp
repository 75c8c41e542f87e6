#include "Foundation/NSIndexSet.h"

#include <algorithm>

#include "Foundation/NSCoder.h"
#include "Foundation/NSData.h"
#include "Foundation/NSError.h"
#include "Foundation/NSString.h"
#include "PackedIntegers.h"
#include "objc/alloc.h"

namespace {

void checkRange(NSRange range) {
  if (range.location >= static_cast<NSUInteger>(NSNotFound) ||
      range.length > static_cast<NSUInteger>(NSNotFound) - range.location)
    NSException::raise(NSRangeException, "NSIndexSet: indexes reach NSNotFound");
}

}  // namespace

struct NSIndexSetCoding {
  static void encode(NSObject* self, SEL, NSCoder* coder) {
    const auto& ranges = static_cast<NSIndexSet*>(self)->ranges_;
    coder->encodeIntegerForKey(static_cast<NSInteger>(ranges.size()), NSSTR("NSRangeCount"));
    if (ranges.size() == 1) {
      coder->encodeIntegerForKey(static_cast<NSInteger>(ranges[0].location), NSSTR("NSLocation"));
      coder->encodeIntegerForKey(static_cast<NSInteger>(ranges[0].length), NSSTR("NSLength"));
    } else if (ranges.size() > 1) {
      std::vector<uint8_t> packed;
      for (NSRange r : ranges) {
        foundation::packed::append(packed, r.location);
        foundation::packed::append(packed, r.length);
      }
      coder->encodeObjectForKey(std::make_shared<NSData>(std::move(packed)), NSSTR("NSRangeData"));
    }
  }

  static id initWithCoder(NSObject* self, SEL, NSCoder* coder) {
    auto* set = static_cast<NSIndexSet*>(self);
    auto fail = [&](const std::string& why) -> id {
      coder->failWithError(NSError::errorWithCode(NSCoderReadCorruptError, "an index set " + why));
      return nullptr;
    };
    NSInteger count = coder->decodeIntegerForKey(NSSTR("NSRangeCount"));
    std::vector<uint64_t> numbers;
    if (count == 1) {
      numbers = {static_cast<uint64_t>(coder->decodeIntegerForKey(NSSTR("NSLocation"))),
                 static_cast<uint64_t>(coder->decodeIntegerForKey(NSSTR("NSLength")))};
    } else if (count > 1) {
      auto data = coder->decodeDataForKey(NSSTR("NSRangeData"));
      if (coder->error()) return nullptr;
      if (!data) return fail("of several ranges has no NSRangeData");
      const auto* p = static_cast<const uint8_t*>(data->bytes());
      if (!foundation::packed::readAll(p, p + data->length(), numbers))
        return fail("has a damaged NSRangeData (a number cut short or too long)");
    } else if (count < 0) {
      return fail("has a negative NSRangeCount");
    }
    if (coder->error()) return nullptr;
    if (numbers.size() != 2 * static_cast<uint64_t>(count))
      return fail("holds " + std::to_string(numbers.size() / 2) +
                  " ranges for an NSRangeCount of " + std::to_string(count));
    set->ranges_.clear();
    for (std::size_t i = 0; i < numbers.size(); i += 2) {
      NSRange r{numbers[i], numbers[i + 1]};
      if (r.length == 0) return fail("holds an empty range");
      if (r.location >= static_cast<NSUInteger>(NSNotFound) ||
          r.length > static_cast<NSUInteger>(NSNotFound) - r.location)
        return fail("holds a range reaching NSNotFound");
      if (!set->ranges_.empty() && r.location < NSMaxRange(set->ranges_.back()))
        return fail("holds ranges out of order or overlapping");
      set->addRange(r);
    }
    return set->retainedSelf();
  }
};

OBJC_CLASS_IMPL(NSIndexSet) {
  objc::registerAlloc<NSIndexSet>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&NSIndexSetCoding::encode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"),
                  objc::method<&NSIndexSetCoding::initWithCoder>());
}
OBJC_CLASS_IMPL(NSMutableIndexSet) {
  objc::registerAlloc<NSMutableIndexSet>(cls);
}

Strong<NSIndexSet> NSIndexSet::indexSet() {
  return std::make_shared<NSIndexSet>();
}

Strong<NSIndexSet> NSIndexSet::indexSetWithIndex(NSUInteger value) {
  return indexSetWithIndexesInRange(NSMakeRange(value, 1));
}

Strong<NSIndexSet> NSIndexSet::indexSetWithIndexesInRange(NSRange range) {
  auto set = std::make_shared<NSIndexSet>();
  checkRange(range);
  set->addRange(range);
  return set;
}

NSUInteger NSIndexSet::count() const {
  NSUInteger n = 0;
  for (NSRange r : ranges_) n += r.length;
  return n;
}

NSUInteger NSIndexSet::firstIndex() const {
  return ranges_.empty() ? static_cast<NSUInteger>(NSNotFound) : ranges_.front().location;
}

NSUInteger NSIndexSet::lastIndex() const {
  return ranges_.empty() ? static_cast<NSUInteger>(NSNotFound) : NSMaxRange(ranges_.back()) - 1;
}

BOOL NSIndexSet::containsIndex(NSUInteger value) const {
  auto it = std::upper_bound(ranges_.begin(), ranges_.end(), value,
                             [](NSUInteger v, NSRange r) { return v < r.location; });
  return it != ranges_.begin() && value < NSMaxRange(*(it - 1));
}

// Merges `range` (non-empty, below NSNotFound) with every range it overlaps or touches.
void NSIndexSet::addRange(NSRange range) {
  if (range.length == 0) return;
  NSUInteger start = range.location, end = NSMaxRange(range);
  auto first = std::lower_bound(ranges_.begin(), ranges_.end(), start,
                                [](NSRange r, NSUInteger v) { return NSMaxRange(r) < v; });
  auto last = first;
  while (last != ranges_.end() && last->location <= end) {
    start = std::min(start, last->location);
    end = std::max(end, NSMaxRange(*last));
    ++last;
  }
  first = ranges_.erase(first, last);
  ranges_.insert(first, NSMakeRange(start, end - start));
}

void NSIndexSet::removeRange(NSRange range) {
  if (range.length == 0) return;
  NSUInteger start = range.location, end = NSMaxRange(range);
  std::vector<NSRange> kept;
  kept.reserve(ranges_.size() + 1);
  for (NSRange r : ranges_) {
    if (NSMaxRange(r) <= start || r.location >= end) {
      kept.push_back(r);
      continue;
    }
    if (r.location < start) kept.push_back(NSMakeRange(r.location, start - r.location));
    if (NSMaxRange(r) > end) kept.push_back(NSMakeRange(end, NSMaxRange(r) - end));
  }
  ranges_ = std::move(kept);
}

BOOL NSIndexSet::isEqualToIndexSet(const Strong<NSIndexSet>& other) const {
  return other && isEqual(other.get());
}

BOOL NSIndexSet::isEqual(const NSObject* other) const {
  auto* set = objc_cast<NSIndexSet>(other);
  return set && set->ranges_ == ranges_;
}

std::size_t NSIndexSet::hash() const {
  return static_cast<std::size_t>(count()) * 31 + ranges_.size();
}

std::string NSIndexSet::description() const {
  std::string out = "(";
  for (std::size_t i = 0; i < ranges_.size(); ++i) {
    if (i) out += ", ";
    out += std::to_string(ranges_[i].location);
    if (ranges_[i].length > 1) out += "-" + std::to_string(NSMaxRange(ranges_[i]) - 1);
  }
  return out + ")";
}

Strong<NSMutableIndexSet> NSMutableIndexSet::indexSet() {
  return std::make_shared<NSMutableIndexSet>();
}

void NSMutableIndexSet::addIndex(NSUInteger value) {
  addIndexesInRange(NSMakeRange(value, 1));
}

void NSMutableIndexSet::addIndexesInRange(NSRange range) {
  checkRange(range);
  addRange(range);
}

void NSMutableIndexSet::removeIndex(NSUInteger value) {
  removeRange(NSMakeRange(value, 1));
}

void NSMutableIndexSet::removeIndexesInRange(NSRange range) {
  if (range.location < static_cast<NSUInteger>(NSNotFound))
    range.length = std::min(range.length, static_cast<NSUInteger>(NSNotFound) - range.location);
  removeRange(range);
}
