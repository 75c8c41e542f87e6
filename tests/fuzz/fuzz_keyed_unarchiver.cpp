// Feeds arbitrary bytes to the keyed unarchiver: whatever they are, it answers an object,
// none (an archive of nil), or none with an error, within bounded time and memory, and
// never crashes.
#include <cstddef>
#include <cstdint>

#include "Foundation/NSData.h"
#include "Foundation/NSError.h"
#include "Foundation/NSKeyedUnarchiver.h"
#include "UIKit/UILabel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Archives may name UIKit's classes; make sure the library that codes them is in.
  static const Class label = UILabel::class_();
  (void)label;
  Strong<NSError> error;
  id root = NSKeyedUnarchiver::unarchiveTopLevelObjectWithDataError(
      NSData::dataWithBytes(data, size), &error);
  // A result and an error never come together.
  if (root && error) __builtin_trap();
  return 0;
}
