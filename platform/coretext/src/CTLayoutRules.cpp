#include "CoreText/CTLayoutRules.h"

#include <string_view>

#include "Foundation/NSAttributedString.h"

CTLineTruncationType CTLineTruncationTypeForLineBreakMode(CTLineBreakMode mode) {
  switch (mode) {
    case kCTLineBreakByTruncatingHead:
      return kCTLineTruncationStart;
    case kCTLineBreakByTruncatingMiddle:
      return kCTLineTruncationMiddle;
    default:
      return kCTLineTruncationEnd;
  }
}

size_t CTTruncationTokenIndex(CTLineTruncationType type, size_t start, size_t end) {
  if (end <= start) return start;
  switch (type) {
    case kCTLineTruncationStart:
      return start;
    case kCTLineTruncationMiddle:
      return start + (end - start) / 2;
    default:
      return end - 1;
  }
}

CTLineRef CTLineCreateTruncationToken(const Strong<NSDictionary>& attributes) {
  static constexpr char16_t token[] = {kCTTruncationTokenCharacter};
  return CTLineCreateWithAttributedString(NSAttributedString::initWithStringAttributes(
      NSString::stringWithCharacters(std::u16string_view(token, 1)), attributes));
}

CGFloat CTTextAlignmentFlushFactor(CTTextAlignment alignment, CTWritingDirection direction) {
  switch (alignment) {
    case kCTTextAlignmentRight:
      return 1;
    case kCTTextAlignmentCenter:
      return 0.5;
    case kCTTextAlignmentLeft:
      return 0;
    default:
      return direction == kCTWritingDirectionRightToLeft ? 1 : 0;
  }
}
