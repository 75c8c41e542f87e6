// Reading an attributed string's dictionaries into the typesetter's run styles.
#pragma once

#include <memory>

#include "Engine.h"
#include "Foundation/NSAttributedString.h"

namespace ct {

std::shared_ptr<const TextSource> makeSource(const NSAttributedString& string);
// The run's attributes as a caller sees them: the given dictionary, or one carrying the
// substituted font when fallback chose another face.
Strong<NSDictionary> runAttributes(const RunData& run);
const CGColorRef& blackColor();

}  // namespace ct
