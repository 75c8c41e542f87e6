// Dates and times written in prose.
#pragma once

#include <string_view>
#include <vector>

#include "Foundation/NSTextCheckingResult.h"
#include "ScanContext.h"

namespace foundation::detect {

// Appends, in text order, a date result for each date, time or date-and-time in
// `text`; `base` is added to every range (the text's offset in the scanned string).
void scanDates(std::u16string_view text, NSUInteger base, const ScanContext& context,
               std::vector<Strong<NSTextCheckingResult>>& out);

}  // namespace foundation::detect
