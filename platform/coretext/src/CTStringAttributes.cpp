// The attribute names and the colour conversion Core Text exports, kept out of the engine's
// stages so that a test linking its own copy of those stages shares them with the library.
#include <functional>
#include <mutex>
#include <vector>

#include "CoreGraphics/CGColor.h"
#include "CoreText/CTStringAttributes.h"
#include "Foundation/NSString.h"

namespace {
CFStringRef key(const char* s) {
  return NSString::stringWithUTF8String(s);
}
}  // namespace

const CFStringRef kCTFontAttributeName = key("NSFont");
const CFStringRef kCTForegroundColorAttributeName = key("CTForegroundColor");
const CFStringRef kCTForegroundColorFromContextAttributeName = key("CTForegroundColorFromContext");
const CFStringRef kCTKernAttributeName = key("NSKern");
const CFStringRef kCTLigatureAttributeName = key("NSLigature");
const CFStringRef kCTParagraphStyleAttributeName = key("NSParagraphStyle");
const CFStringRef kCTUnderlineStyleAttributeName = key("NSUnderline");
const CFStringRef kCTUnderlineColorAttributeName = key("CTUnderlineColor");
const CFStringRef kCTSuperscriptAttributeName = key("NSSuperScript");
const CFStringRef kCTStrokeWidthAttributeName = key("NSStrokeWidth");
const CFStringRef kCTStrokeColorAttributeName = key("NSStrokeColor");
const CFStringRef kCTWritingDirectionAttributeName = key("NSWritingDirection");
const CFStringRef kCTBaselineOffsetAttributeName = key("CTBaselineOffset");

namespace {

struct Converters {
  std::mutex mutex;
  std::vector<std::function<CGColorRef(const id&)>> colors;
};
Converters& converters() {
  static Converters* c = new Converters();
  return *c;
}

}  // namespace

void CTRegisterColorConverter(std::function<CGColorRef(const id&)> converter) {
  Converters& c = converters();
  std::lock_guard lock(c.mutex);
  c.colors.push_back(std::move(converter));
}

CGColorRef CTColorFromAttributeValue(const id& value) {
  if (!value) return nullptr;
  if (auto c = objc_cast<CGColor>(value)) return c;
  static const SEL sel = sel_registerName("CGColor");
  if (value->respondsToSelector(sel)) {
    // Borrowed from the value, which keeps it.
    if (CGColor* c = objc_msgSend<CGColor*>(value, sel)) return c->retainedSelf<CGColor>();
  }
  Converters& c = converters();
  std::lock_guard lock(c.mutex);
  for (const auto& f : c.colors)
    if (CGColorRef out = f(value)) return out;
  return nullptr;
}
