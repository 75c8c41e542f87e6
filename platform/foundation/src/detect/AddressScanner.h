// Postal addresses written in prose.
#pragma once

#include <string_view>
#include <vector>

#include "Foundation/NSTextCheckingResult.h"
#include "ScanContext.h"

namespace foundation::detect {

// Appends, in text order, an address result with its components for each address in
// `text`; `base` is added to every range.
void scanAddresses(std::u16string_view text, NSUInteger base, const ScanContext& context,
                   std::vector<Strong<NSTextCheckingResult>>& out);

}  // namespace foundation::detect
