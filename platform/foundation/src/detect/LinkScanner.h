// Links written in prose: URLs with a scheme, "www." hosts and bare domains under a
// public suffix, e-mail addresses and IPv4 hosts.
#pragma once

#include <string_view>
#include <vector>

#include "Foundation/NSTextCheckingResult.h"
#include "ScanContext.h"

namespace foundation::detect {

// Appends, in text order, a link result for each link in `text`; `base` is added to
// every range. A range covers the link as written; its URL is in ASCII form (hosts
// through IDNA, other non-ASCII characters percent-encoded as UTF-8). Bare domains and
// "www." hosts get "http://", e-mail addresses "mailto:". Trailing punctuation and
// closing brackets or quotes the link did not open stay outside it.
//
// One pass over the text; every attempt looks at most a bounded distance ahead (hosts
// are at most 253 characters, labels 63, an e-mail's local part 64) unless it
// succeeds, so the time is linear in the length.
void scanLinks(std::u16string_view text, NSUInteger base, const ScanContext& context,
               std::vector<Strong<NSTextCheckingResult>>& out);

}  // namespace foundation::detect
