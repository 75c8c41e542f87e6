#include "UIKit/NSParagraphStyle.h"

#include <vector>

#include "Foundation/NSCoder.h"
#include "Foundation/NSString.h"
#include "objc/alloc.h"

// Archived with the settings that differ from the defaults, under "NSAlignment" (UIKit's
// numbering), "NSFirstLineHeadIndent", "NSHeadIndent", "NSTailIndent",
// "NSDefaultTabInterval", "NSLineBreakMode", "NSLineHeightMultiple", "NSMaxLineHeight",
// "NSMinLineHeight", "NSLineSpacing", "NSParagraphSpacing", "NSParagraphSpacingBefore",
// "NSWritingDirection", and the Core Text settings UIKit does not name under
// "NSCTLineSpacing", "NSCTMaximumLineSpacing", "NSCTMinimumLineSpacing",
// "NSCTLineBoundsOptions".
namespace {

template <class Base>
class CodedParagraphStyle final : public Base {
 public:
  explicit CodedParagraphStyle(const CTParagraphSettings& s) { this->settings_ = s; }
};

struct RealSetting {
  const char* key;
  CGFloat CTParagraphSettings::*field;
};
constexpr RealSetting kRealSettings[] = {
    {"NSFirstLineHeadIndent", &CTParagraphSettings::firstLineHeadIndent},
    {"NSHeadIndent", &CTParagraphSettings::headIndent},
    {"NSTailIndent", &CTParagraphSettings::tailIndent},
    {"NSDefaultTabInterval", &CTParagraphSettings::defaultTabInterval},
    {"NSLineHeightMultiple", &CTParagraphSettings::lineHeightMultiple},
    {"NSMaxLineHeight", &CTParagraphSettings::maximumLineHeight},
    {"NSMinLineHeight", &CTParagraphSettings::minimumLineHeight},
    {"NSLineSpacing", &CTParagraphSettings::lineSpacingAdjustment},
    {"NSParagraphSpacing", &CTParagraphSettings::paragraphSpacing},
    {"NSParagraphSpacingBefore", &CTParagraphSettings::paragraphSpacingBefore},
    {"NSCTLineSpacing", &CTParagraphSettings::lineSpacing},
    {"NSCTMaximumLineSpacing", &CTParagraphSettings::maximumLineSpacing},
    {"NSCTMinimumLineSpacing", &CTParagraphSettings::minimumLineSpacing},
};

// The keys of kRealSettings, in its order, made once.
const std::vector<Strong<NSString>>& realKeys() {
  static const std::vector<Strong<NSString>> keys = [] {
    std::vector<Strong<NSString>> k;
    for (const RealSetting& r : kRealSettings) k.push_back(NSString::stringWithUTF8String(r.key));
    return k;
  }();
  return keys;
}

void styleEncode(NSObject* self, SEL, NSCoder* coder) {
  const CTParagraphSettings& s = static_cast<NSParagraphStyle*>(self)->settings();
  const CTParagraphSettings defaults;
  if (s.alignment != defaults.alignment)
    coder->encodeIntegerForKey(
        NSTextAlignmentFromCTTextAlignment(static_cast<CTTextAlignment>(s.alignment)),
        NSSTR("NSAlignment"));
  if (s.lineBreakMode != defaults.lineBreakMode)
    coder->encodeIntegerForKey(s.lineBreakMode, NSSTR("NSLineBreakMode"));
  if (s.baseWritingDirection != defaults.baseWritingDirection)
    coder->encodeIntegerForKey(s.baseWritingDirection, NSSTR("NSWritingDirection"));
  if (s.lineBoundsOptions != defaults.lineBoundsOptions)
    coder->encodeIntegerForKey(s.lineBoundsOptions, NSSTR("NSCTLineBoundsOptions"));
  for (std::size_t i = 0; i < std::size(kRealSettings); ++i) {
    const RealSetting& r = kRealSettings[i];
    if (s.*r.field != defaults.*r.field) coder->encodeDoubleForKey(s.*r.field, realKeys()[i]);
  }
}

// Out-of-range numbers take the defaults, as the setters do.
id styleInitWithCoder(NSObject* self, SEL, NSCoder* coder) {
  CTParagraphSettings s;
  if (coder->containsValueForKey(NSSTR("NSAlignment")))
    s.alignment = NSTextAlignmentToCTTextAlignment(
        static_cast<NSTextAlignment>(coder->decodeIntegerForKey(NSSTR("NSAlignment"))));
  NSInteger mode = coder->decodeIntegerForKey(NSSTR("NSLineBreakMode"));
  s.lineBreakMode = mode >= 0 && mode <= 5 ? static_cast<uint8_t>(mode) : 0;
  if (coder->containsValueForKey(NSSTR("NSWritingDirection"))) {
    NSInteger d = coder->decodeIntegerForKey(NSSTR("NSWritingDirection"));
    s.baseWritingDirection = d >= -1 && d <= 1 ? static_cast<int8_t>(d) : -1;
  }
  s.lineBoundsOptions =
      static_cast<uint32_t>(coder->decodeIntegerForKey(NSSTR("NSCTLineBoundsOptions")));
  for (std::size_t i = 0; i < std::size(kRealSettings); ++i) {
    const Strong<NSString>& k = realKeys()[i];
    if (coder->containsValueForKey(k)) s.*kRealSettings[i].field = coder->decodeDoubleForKey(k);
  }
  if (coder->error()) return nullptr;
  if (self->getClass() == NSMutableParagraphStyle::class_())
    return std::make_shared<CodedParagraphStyle<NSMutableParagraphStyle>>(s);
  return std::make_shared<CodedParagraphStyle<NSParagraphStyle>>(s);
}

}  // namespace

OBJC_CLASS_IMPL(NSParagraphStyle) {
  objc::registerAlloc<NSParagraphStyle>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&styleEncode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&styleInitWithCoder>());
}
OBJC_CLASS_IMPL(NSMutableParagraphStyle) {
  objc::registerAlloc<NSMutableParagraphStyle>(cls);
}

CTTextAlignment NSTextAlignmentToCTTextAlignment(NSTextAlignment a) {
  switch (a) {
    case NSTextAlignmentLeft:
      return kCTTextAlignmentLeft;
    case NSTextAlignmentCenter:
      return kCTTextAlignmentCenter;
    case NSTextAlignmentRight:
      return kCTTextAlignmentRight;
    case NSTextAlignmentJustified:
      return kCTTextAlignmentJustified;
    default:
      return kCTTextAlignmentNatural;
  }
}

NSTextAlignment NSTextAlignmentFromCTTextAlignment(CTTextAlignment a) {
  switch (a) {
    case kCTTextAlignmentLeft:
      return NSTextAlignmentLeft;
    case kCTTextAlignmentCenter:
      return NSTextAlignmentCenter;
    case kCTTextAlignmentRight:
      return NSTextAlignmentRight;
    case kCTTextAlignmentJustified:
      return NSTextAlignmentJustified;
    default:
      return NSTextAlignmentNatural;
  }
}

Strong<NSParagraphStyle> NSParagraphStyle::defaultParagraphStyle() {
  static const Strong<NSParagraphStyle> style = std::make_shared<NSParagraphStyle>();
  return style;
}

Strong<NSParagraphStyle> NSParagraphStyle::copy() const {
  auto s = std::make_shared<NSParagraphStyle>();
  s->settings_ = settings_;
  return s;
}

Strong<NSMutableParagraphStyle> NSParagraphStyle::mutableCopy() const {
  auto s = std::make_shared<NSMutableParagraphStyle>();
  s->settings_ = settings_;
  return s;
}
