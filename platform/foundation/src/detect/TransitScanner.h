// Flight numbers written in prose: an airline designator and 1 to 4 digits.
#pragma once

#include <string_view>
#include <vector>

#include "Foundation/NSTextCheckingResult.h"
#include "ScanContext.h"

namespace foundation::detect {

// Appends, in text order, a transit information result for each flight number in
// `text` ("UA 123", "LH400", "flight ba 2490"); `base` is added to every range. The
// components are NSTextCheckingAirlineKey (the airline's name when the designator
// table knows it, else the designator in capitals) and NSTextCheckingFlightKey (the
// digits as written).
//
// Without the word "flight" before it, a designator must be written in capitals, be
// in the table and not double as a common abbreviation ("AI", "PR", "CA"); after
// "flight" any two-character designator counts.
void scanTransitInformation(std::u16string_view text, NSUInteger base, const ScanContext& context,
                            std::vector<Strong<NSTextCheckingResult>>& out);

// The airline's name for a two-character designator in capitals; empty when unknown.
std::string_view airlineNameForDesignator(std::string_view designator);

}  // namespace foundation::detect
