// Line breaking over an attributed string captured at creation.
#pragma once

#include <memory>

#include "CoreFoundation/CFBase.h"
#include "CoreText/CTLine.h"
#include "CoreText/CoreTextExport.h"

namespace ct {
class Typesetter;
}
class NSAttributedString;

class NIMBRA_CORETEXT_API CTTypesetter : public NSObject {
  OBJC_CLASS(CTTypesetter, NSObject)
 public:
  explicit CTTypesetter(std::shared_ptr<ct::Typesetter> engine) : engine_(std::move(engine)) {}
  const std::shared_ptr<ct::Typesetter>& engine() const { return engine_; }

 private:
  std::shared_ptr<ct::Typesetter> engine_;
};
using CTTypesetterRef = Strong<CTTypesetter>;

// None for a none string.
NIMBRA_CORETEXT_API CTTypesetterRef
CTTypesetterCreateWithAttributedString(const Strong<NSAttributedString>& string);
// A line over `range` (length 0: to the end); none for a range outside the string.
NIMBRA_CORETEXT_API CTLineRef CTTypesetterCreateLine(const CTTypesetterRef& ts, CFRange range);
// How many characters from `startIndex` fit in `width`, breaking at words (at clusters
// inside a word too long for the width); at least one cluster. 0 past the end.
NIMBRA_CORETEXT_API CFIndex CTTypesetterSuggestLineBreak(const CTTypesetterRef& ts,
                                                         CFIndex startIndex, double width);
NIMBRA_CORETEXT_API CFIndex CTTypesetterSuggestClusterBreak(const CTTypesetterRef& ts,
                                                            CFIndex startIndex, double width);
