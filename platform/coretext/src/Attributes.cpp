#include "Attributes.h"

#include <cmath>

#include "CoreText/CTFont.h"
#include "CoreText/CTStringAttributes.h"
#include "Foundation/NSNumber.h"
#include "Foundation/SaturatingCast.h"

namespace {
CFStringRef key(const char* s) {
  return NSString::stringWithUTF8String(s);
}

// UIKit's names for the keys Core Text spells differently; honoured as fallbacks.
const CFStringRef kForegroundColorKey = key("NSColor");
const CFStringRef kStrikethroughKey = key("NSStrikethrough");
const CFStringRef kBaselineOffsetKey = key("NSBaselineOffset");

// Without the font's own figures, superscripts are set at this share of the size and
// moved by this share of it, as common fonts have them.
constexpr double kFallbackScriptScale = 0.65;
constexpr double kFallbackSuperscriptRise = 0.35;
constexpr double kFallbackSubscriptDrop = 0.14;

double number(const id& v, double fallback) {
  if (auto n = objc_cast<NSNumber>(v)) return n->doubleValue();
  return fallback;
}

}  // namespace

namespace ct {

const CGColorRef& blackColor() {
  static const CGColorRef black = CGColorCreateGenericGray(0, 1);
  return black;
}

namespace {

const CTFontRef& defaultFont() {
  static const CTFontRef f =
      CTFontCreateWithName(NSString::stringWithUTF8String("Helvetica"), 12, nullptr);
  return f;
}

// A superscript (1) or subscript (-1) is set smaller and moved by the font's own figures
// for them; a baseline offset moves the run by that many points, on top.
void applyBaselineShift(RunStyle& st, double offset) {
  const FontFace& f = *st.face;
  double em = static_cast<double>(f.unitsPerEm);
  double shift = 0;
  if (st.superscript > 0) {
    double scale = f.superscriptSize > 0 ? f.superscriptSize / em : kFallbackScriptScale;
    shift = st.size * (f.superscriptRise > 0 ? f.superscriptRise / em : kFallbackSuperscriptRise);
    st.size *= scale;
  } else if (st.superscript < 0) {
    double scale = f.subscriptSize > 0 ? f.subscriptSize / em : kFallbackScriptScale;
    shift = -st.size * (f.subscriptDrop > 0 ? f.subscriptDrop / em : kFallbackSubscriptDrop);
    st.size *= scale;
  }
  st.baselineShift = shift + (std::isfinite(offset) ? offset : 0);
}

RunStyle styleFrom(const Strong<NSDictionary>& attrs) {
  RunStyle st;
  st.attributes = attrs;
  // One pass over the entries (usually a handful) instead of a lookup per known key.
  id font, kern, color, nsColor, fromContext, underline, underlineColor, strike, strokeWidth,
      strokeColor, superscript, paragraph, baselineOffset, nsBaselineOffset;
  struct Slot {
    const CFStringRef& key;
    id& value;
  };
  Slot slots[] = {{kCTFontAttributeName, font},
                  {kCTKernAttributeName, kern},
                  {kCTForegroundColorAttributeName, color},
                  {kForegroundColorKey, nsColor},
                  {kCTForegroundColorFromContextAttributeName, fromContext},
                  {kCTUnderlineStyleAttributeName, underline},
                  {kCTUnderlineColorAttributeName, underlineColor},
                  {kStrikethroughKey, strike},
                  {kCTStrokeWidthAttributeName, strokeWidth},
                  {kCTStrokeColorAttributeName, strokeColor},
                  {kCTSuperscriptAttributeName, superscript},
                  {kCTParagraphStyleAttributeName, paragraph},
                  {kCTBaselineOffsetAttributeName, baselineOffset},
                  {kBaselineOffsetKey, nsBaselineOffset}};
  if (attrs) {
    for (const auto& [k, v] : *attrs) {
      for (Slot& slot : slots) {
        if (k.get() == slot.key.get() || k->isEqual(slot.key.get())) {
          slot.value = v;
          break;
        }
      }
    }
  }
  CTFontRef f = objc_cast<CTFont>(font);
  if (!f || !f->face()) f = defaultFont();
  st.font = f;
  st.face = f->face() ? f->face() : defaultFace();
  st.size = f->size();
  if (objc_cast<NSNumber>(kern)) {
    st.kernSet = true;
    st.kern = number(kern, 0);
  }
  st.foreground = CTColorFromAttributeValue(color);
  if (!st.foreground) st.foreground = CTColorFromAttributeValue(nsColor);
  if (fromContext) st.foregroundFromContext = number(fromContext, 1) != 0;
  st.underline = nimbra::saturatingCast<int32_t>(number(underline, 0));
  st.underlineColor = CTColorFromAttributeValue(underlineColor);
  st.strikethrough = nimbra::saturatingCast<int32_t>(number(strike, 0));
  st.strokeWidth = number(strokeWidth, 0);
  st.strokeColor = CTColorFromAttributeValue(strokeColor);
  st.superscript = nimbra::saturatingCast<int>(number(superscript, 0));
  applyBaselineShift(st, number(baselineOffset ? baselineOffset : nsBaselineOffset, 0));
  // NSParagraphStyle derives from CTParagraphStyle, so both kinds arrive here.
  if (auto ps = objc_cast<CTParagraphStyle>(paragraph))
    st.paragraph = std::make_shared<CTParagraphSettings>(ps->settings());
  return st;
}

}  // namespace

std::shared_ptr<const TextSource> makeSource(const NSAttributedString& string) {
  auto src = std::make_shared<TextSource>();
  src->text = string.characters();
  if (src->text.empty()) {
    src->runStarts.push_back(0);
    src->styles.push_back(styleFrom(nullptr));
    return src;
  }
  // Equal dictionaries share a style (and so the paragraph settings object).
  Strong<NSDictionary> last;
  string.enumerateAttributesInRangeOptionsUsingBlock(
      NSMakeRange(0, string.length()), 0, [&](const Strong<NSDictionary>& attrs, NSRange r, BOOL*) {
        if (last && attrs == last) return;
        last = attrs;
        src->runStarts.push_back(r.location);
        src->styles.push_back(styleFrom(attrs));
      });
  return src;
}

Strong<NSDictionary> runAttributes(const RunData& run) {
  const RunStyle& st = run.runStyle();
  auto dict = objc_cast<NSDictionary>(st.attributes);
  if (!dict) dict = NSDictionary::dictionary();
  if (run.face == st.face) return dict;
  auto m = dict->mutableCopy();
  m->setObjectForKey(
      std::make_shared<CTFont>(run.face, run.size, run.face->postScriptName, run.face->familyName),
      kCTFontAttributeName);
  return m->copy();
}

}  // namespace ct
