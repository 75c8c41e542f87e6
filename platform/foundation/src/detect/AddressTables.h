// The words postal addresses are written with, folded to lower case.
#pragma once

#include <string_view>

namespace foundation::detect {

// A street suffix of the United States postal service's addressing standard
// (Publication 28, appendix C1: each suffix's name and its common abbreviations),
// "street", "st", "avenue", "ave".
bool isUSStreetSuffix(std::u16string_view folded);
// Suffixes of British street names ("road", "close", "mews", "gardens").
bool isUKStreetSuffix(std::u16string_view folded);
// The end of a German street name, as its own word or as the word's end:
// "straße", "str", "weg", "platz", "allee".
bool endsWithGermanStreetSuffix(std::u16string_view folded);
// Unit designators before an apartment or suite number: "apt", "suite", "#".
bool isUnitDesignator(std::u16string_view folded);
// "n", "north", "ne", "northeast"…
bool isDirectional(std::u16string_view folded);

// A state, district or territory of the United States by its two-letter code ("IL")
// or by its name folded, words joined by one space ("new york").
bool isUSStateCode(std::u16string_view upper);
bool isUSStateName(std::u16string_view folded);

}  // namespace foundation::detect
