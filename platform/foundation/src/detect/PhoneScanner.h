// Telephone numbers written in prose, through libphonenumber's matcher.
#pragma once

#include <string_view>
#include <vector>

#include "Foundation/NSTextCheckingResult.h"
#include "ScanContext.h"

namespace foundation::detect {

// Appends, in text order, a phone number result for each number libphonenumber finds
// valid in `context.region` (numbers in international form from anywhere);
// `phoneNumber` is the text as written and `base` is added to every range.
//
// The matcher's own search slows down with the square of its input, so it is run only
// over short windows around runs of digits; a run too long to be one number is cut
// into pieces at spaces. Time stays linear in the length of `text`.
void scanPhoneNumbers(std::u16string_view text, NSUInteger base, const ScanContext& context,
                      std::vector<Strong<NSTextCheckingResult>>& out);

}  // namespace foundation::detect
