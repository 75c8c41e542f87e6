// Feeds arbitrary bytes to the keyed unarchiver: whatever they are, it answers an object,
// none (an archive of nil), or none with an error, within bounded time and memory, and
// never crashes. What it answers is written again: index sets and index paths, plain
// numbers all through, must come back equal; every other object must at least be
// written or refused without harm.
#include <cstddef>
#include <cstdint>

#include "Foundation/Foundation.h"
#include "Foundation/NSKeyedArchiver.h"
#include "Foundation/NSKeyedUnarchiver.h"
#include "UIKit/UILabel.h"

namespace {

// Uses what a caller of each decoded class would use.
void exercise(const NSObject* object) {
  if (auto* result = objc_cast<NSTextCheckingResult>(object)) {
    for (NSUInteger i = 0; i < result->numberOfRanges(); ++i) result->rangeAtIndex(i);
    if (auto re = result->regularExpression()) re->numberOfCaptureGroups();
  } else if (auto* set = objc_cast<NSIndexSet>(object)) {
    set->containsIndex(set->lastIndex());
    if (set->count() != 0 && !set->containsIndex(set->firstIndex())) __builtin_trap();
  } else if (auto* counted = objc_cast<NSCountedSet>(object)) {
    for (const id& item : *counted)
      if (counted->countForObject(item) == 0) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Archives may name UIKit's classes; make sure the library that codes them is in.
  static const Class label = UILabel::class_();
  (void)label;
  Strong<NSError> error;
  id root = NSKeyedUnarchiver::unarchiveTopLevelObjectWithDataError(
      NSData::dataWithBytes(data, size), &error);
  // A result and an error never come together.
  if (root && error) __builtin_trap();
  if (!root) return 0;
  exercise(root.get());
  auto again = NSKeyedArchiver::archivedDataWithRootObject(root);
  if (!again) return 0;
  id back = NSKeyedUnarchiver::unarchiveObjectWithData(again);
  bool exact = objc_cast<NSIndexSet>(root) || objc_cast<NSIndexPath>(root);
  if (exact && !(back && back->isEqual(root))) __builtin_trap();
  return 0;
}
