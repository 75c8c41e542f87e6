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
// The suffixes common enough, and rare enough as plain nouns, that a house number, a
// name and one of them make an address with no city after them: "street", "ave",
// "blvd", "lane", "loop".
bool isCommonStreetSuffix(std::u16string_view folded);
// What may stand before a post office box or stand for one on its own line, naming
// where in the box's holder mail goes: "dept", "mc", "file", "bin", "attn".
bool isMailLineDesignator(std::u16string_view folded);
// The first words of a post office box, a route and a box on it, or a mail line ("po",
// "p", "box", "rr", "rural", "dept"): a word not among them begins none of them.
bool beginsBoxRouteOrMailLine(std::u16string_view folded);
// Words that begin no city's name but often stand right before one ("in", "visit",
// "order"): a city read back from its state stops at them.
bool isWordBeforePlace(std::u16string_view folded);
// Words right before a house number that say a street follows: "at", "to", "address".
bool isWordBeforeStreet(std::u16string_view folded);
// Words right before a city that say a place follows: "in", "to", "from".
bool isWordLeadingToPlace(std::u16string_view folded);
// Words after which a number counts or labels something else: "page", "room", "flight".
bool isWordBeforeCount(std::u16string_view folded);
// Words that may follow a street within a sentence without being part of its name:
// "and", "in", "tomorrow".
bool isWordAfterStreet(std::u16string_view folded);
// Lower-case words inside a place's name, between capitalised ones: "of" in "Isle of
// Palms", "du" in "Lac du Flambeau", "by" and "the" in "Carmel-by-the-Sea".
bool isPlaceParticle(std::u16string_view folded);
// A house number spelled out, as some buildings write theirs: "one", "two"… "twelve".
bool isNumberWord(std::u16string_view folded);
// Words a street's name begins with instead of ending in a suffix: "via", "calle", "rue".
bool isStreetPrefix(std::u16string_view folded);

// A state, district or territory of the United States by its two-letter code ("IL")
// or by its name folded, words joined by one space ("new york").
bool isUSStateCode(std::u16string_view upper);
bool isUSStateName(std::u16string_view folded);
// A state's code that is also an English word or a common short one, folded: "in", "or",
// "me", "oh".
bool isStateCodeAlsoAWord(std::u16string_view folded);
// A state's name in its older abbreviation, written with a stop: "calif", "fla", "tex".
bool isUSStateAbbreviation(std::u16string_view folded);
// Whether a ZIP code's first three digits lie in the ranges the postal service gives the
// state of that two-letter code ("IL" 600 to 629); true for a code it does not know.
bool isZIPPrefixOfState(std::u16string_view upperCode, unsigned prefix);

}  // namespace foundation::detect
