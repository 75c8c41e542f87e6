#include "CoreText/CTParagraphStyle.h"

#include <cstring>
#include <functional>

OBJC_CLASS_IMPL(CTParagraphStyle) {}

namespace {

template <class T>
bool read(const CTParagraphStyleSetting& s, T& out) {
  if (!s.value || s.valueSize != sizeof(T)) return false;
  std::memcpy(&out, s.value, sizeof(T));
  return true;
}

template <class T>
bool write(size_t size, void* buffer, T value) {
  if (size != sizeof(T)) return false;
  std::memcpy(buffer, &value, sizeof(T));
  return true;
}

// Non-negative values are documented for these; a negative one is taken as 0.
CGFloat nonNegative(CGFloat v) {
  return v > 0 ? v : 0;
}

}  // namespace

BOOL CTParagraphStyle::isEqual(const NSObject* other) const {
  auto o = objc_cast<CTParagraphStyle>(other);
  if (!o) return NO;
  return settings_ == o->settings_;
}

std::size_t CTParagraphStyle::hash() const {
  return std::hash<CGFloat>()(settings_.headIndent) ^ settings_.alignment ^
         (settings_.lineBreakMode << 4);
}

CTParagraphStyleRef CTParagraphStyleCreate(const CTParagraphStyleSetting* settings, size_t count) {
  CTParagraphSettings s;
  for (size_t i = 0; settings && i < count; ++i) {
    const CTParagraphStyleSetting& e = settings[i];
    CGFloat f = 0;
    switch (e.specifier) {
      case kCTParagraphStyleSpecifierAlignment: {
        uint8_t a;
        if (read(e, a) && a <= kCTTextAlignmentNatural) s.alignment = a;
        break;
      }
      case kCTParagraphStyleSpecifierFirstLineHeadIndent:
        if (read(e, f)) s.firstLineHeadIndent = nonNegative(f);
        break;
      case kCTParagraphStyleSpecifierHeadIndent:
        if (read(e, f)) s.headIndent = nonNegative(f);
        break;
      case kCTParagraphStyleSpecifierTailIndent:
        if (read(e, f)) s.tailIndent = f;
        break;
      case kCTParagraphStyleSpecifierDefaultTabInterval:
        if (read(e, f)) s.defaultTabInterval = nonNegative(f);
        break;
      case kCTParagraphStyleSpecifierLineBreakMode: {
        uint8_t m;
        if (read(e, m) && m <= kCTLineBreakByTruncatingMiddle) s.lineBreakMode = m;
        break;
      }
      case kCTParagraphStyleSpecifierLineHeightMultiple:
        if (read(e, f)) s.lineHeightMultiple = nonNegative(f);
        break;
      case kCTParagraphStyleSpecifierMaximumLineHeight:
        if (read(e, f)) s.maximumLineHeight = nonNegative(f);
        break;
      case kCTParagraphStyleSpecifierMinimumLineHeight:
        if (read(e, f)) s.minimumLineHeight = nonNegative(f);
        break;
      case kCTParagraphStyleSpecifierLineSpacing:
        if (read(e, f)) {
          s.lineSpacing = f;
          s.minimumLineSpacing = s.maximumLineSpacing = nonNegative(f);
        }
        break;
      case kCTParagraphStyleSpecifierParagraphSpacing:
        if (read(e, f)) s.paragraphSpacing = nonNegative(f);
        break;
      case kCTParagraphStyleSpecifierParagraphSpacingBefore:
        if (read(e, f)) s.paragraphSpacingBefore = nonNegative(f);
        break;
      case kCTParagraphStyleSpecifierBaseWritingDirection: {
        int8_t d;
        if (read(e, d) && d >= -1 && d <= 1) s.baseWritingDirection = d;
        break;
      }
      case kCTParagraphStyleSpecifierMaximumLineSpacing:
        if (read(e, f)) s.maximumLineSpacing = nonNegative(f);
        break;
      case kCTParagraphStyleSpecifierMinimumLineSpacing:
        if (read(e, f)) s.minimumLineSpacing = nonNegative(f);
        break;
      case kCTParagraphStyleSpecifierLineSpacingAdjustment:
        if (read(e, f)) s.lineSpacingAdjustment = f;
        break;
      case kCTParagraphStyleSpecifierLineBoundsOptions: {
        uint32_t o;
        if (read(e, o)) s.lineBoundsOptions = o;
        break;
      }
      default:
        break;  // tab stops and future specifiers are not used here
    }
  }
  return std::make_shared<CTParagraphStyle>(s);
}

CTParagraphStyleRef CTParagraphStyleCreateCopy(const CTParagraphStyleRef& style) {
  return std::make_shared<CTParagraphStyle>(style ? style->settings() : CTParagraphSettings{});
}

bool CTParagraphStyleGetValueForSpecifier(const CTParagraphStyleRef& style,
                                          CTParagraphStyleSpecifier specifier, size_t size,
                                          void* buffer) {
  if (!style || !buffer) return false;
  const CTParagraphSettings& s = style->settings();
  switch (specifier) {
    case kCTParagraphStyleSpecifierAlignment:
      return write<uint8_t>(size, buffer, s.alignment);
    case kCTParagraphStyleSpecifierFirstLineHeadIndent:
      return write(size, buffer, s.firstLineHeadIndent);
    case kCTParagraphStyleSpecifierHeadIndent:
      return write(size, buffer, s.headIndent);
    case kCTParagraphStyleSpecifierTailIndent:
      return write(size, buffer, s.tailIndent);
    case kCTParagraphStyleSpecifierDefaultTabInterval:
      return write(size, buffer, s.defaultTabInterval);
    case kCTParagraphStyleSpecifierLineBreakMode:
      return write<uint8_t>(size, buffer, s.lineBreakMode);
    case kCTParagraphStyleSpecifierLineHeightMultiple:
      return write(size, buffer, s.lineHeightMultiple);
    case kCTParagraphStyleSpecifierMaximumLineHeight:
      return write(size, buffer, s.maximumLineHeight);
    case kCTParagraphStyleSpecifierMinimumLineHeight:
      return write(size, buffer, s.minimumLineHeight);
    case kCTParagraphStyleSpecifierLineSpacing:
      return write(size, buffer, s.lineSpacing);
    case kCTParagraphStyleSpecifierParagraphSpacing:
      return write(size, buffer, s.paragraphSpacing);
    case kCTParagraphStyleSpecifierParagraphSpacingBefore:
      return write(size, buffer, s.paragraphSpacingBefore);
    case kCTParagraphStyleSpecifierBaseWritingDirection:
      return write<int8_t>(size, buffer, s.baseWritingDirection);
    case kCTParagraphStyleSpecifierMaximumLineSpacing:
      return write(size, buffer, s.maximumLineSpacing);
    case kCTParagraphStyleSpecifierMinimumLineSpacing:
      return write(size, buffer, s.minimumLineSpacing);
    case kCTParagraphStyleSpecifierLineSpacingAdjustment:
      return write(size, buffer, s.lineSpacingAdjustment);
    case kCTParagraphStyleSpecifierLineBoundsOptions:
      return write<uint32_t>(size, buffer, s.lineBoundsOptions);
    default:
      std::memset(buffer, 0, size);
      return true;
  }
}
