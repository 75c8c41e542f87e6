// UIView in an archive, under the device's keys: "UIBounds" and "UICenter" (the frame,
// as geometry strings), "UIAlpha", "UIHidden", "UIOpaque", "UITag", "UIBackgroundColor",
// "UIUserInteractionDisabled", "UISubviews"; and of ours "UIClipsToBounds",
// "UIContentMode", "UIAutoresizingMask". Settings a subclass's initialiser makes its own
// (opacity, interaction, content mode) are always written, the others when they differ
// from a plain view's.
#include "Foundation/NSArray.h"
#include "Foundation/NSCoder.h"
#include "Foundation/NSError.h"
#include "Foundation/NSString.h"
#include "UIKit/UIView.h"
#include "objc/alloc.h"

namespace {

void viewEncode(NSObject* self, SEL, NSCoder* coder) {
  auto* v = static_cast<UIView*>(self);
  coder->encodeCGRectForKey(v->bounds(), NSSTR("UIBounds"));
  coder->encodeCGPointForKey(v->center(), NSSTR("UICenter"));
  if (v->alpha() != 1) coder->encodeDoubleForKey(v->alpha(), NSSTR("UIAlpha"));
  if (v->isHidden()) coder->encodeBoolForKey(YES, NSSTR("UIHidden"));
  coder->encodeBoolForKey(v->isOpaque(), NSSTR("UIOpaque"));
  if (v->tag() != 0) coder->encodeIntegerForKey(v->tag(), NSSTR("UITag"));
  if (v->backgroundColor())
    coder->encodeObjectForKey(v->backgroundColor(), NSSTR("UIBackgroundColor"));
  coder->encodeBoolForKey(!v->isUserInteractionEnabled(), NSSTR("UIUserInteractionDisabled"));
  if (v->clipsToBounds()) coder->encodeBoolForKey(YES, NSSTR("UIClipsToBounds"));
  coder->encodeIntegerForKey(v->contentMode(), NSSTR("UIContentMode"));
  if (v->autoresizingMask())
    coder->encodeInt64ForKey(static_cast<int64_t>(v->autoresizingMask()),
                             NSSTR("UIAutoresizingMask"));
  if (!v->subviews().empty()) {
    std::vector<id> subviews(v->subviews().begin(), v->subviews().end());
    coder->encodeObjectForKey(std::make_shared<NSArray>(std::move(subviews)), NSSTR("UISubviews"));
  }
}

id viewInitWithCoder(NSObject* self, SEL, NSCoder* coder) {
  auto* v = static_cast<UIView*>(self);
  auto has = [&](const Strong<NSString>& key) { return coder->containsValueForKey(key); };
  if (has(NSSTR("UIBounds"))) v->setBounds(coder->decodeCGRectForKey(NSSTR("UIBounds")));
  if (has(NSSTR("UICenter"))) v->setCenter(coder->decodeCGPointForKey(NSSTR("UICenter")));
  if (has(NSSTR("UIAlpha"))) v->setAlpha(coder->decodeDoubleForKey(NSSTR("UIAlpha")));
  if (has(NSSTR("UIHidden"))) v->setHidden(coder->decodeBoolForKey(NSSTR("UIHidden")));
  if (has(NSSTR("UIOpaque"))) v->setOpaque(coder->decodeBoolForKey(NSSTR("UIOpaque")));
  if (has(NSSTR("UITag"))) v->setTag(coder->decodeIntegerForKey(NSSTR("UITag")));
  if (auto color = coder->decodeObjectOfClassForKey<UIColor>(NSSTR("UIBackgroundColor")))
    v->setBackgroundColor(color);
  if (has(NSSTR("UIUserInteractionDisabled")))
    v->setUserInteractionEnabled(!coder->decodeBoolForKey(NSSTR("UIUserInteractionDisabled")));
  if (has(NSSTR("UIClipsToBounds")))
    v->setClipsToBounds(coder->decodeBoolForKey(NSSTR("UIClipsToBounds")));
  if (has(NSSTR("UIContentMode"))) {
    NSInteger mode = coder->decodeIntegerForKey(NSSTR("UIContentMode"));
    if (mode >= UIViewContentModeScaleToFill && mode <= UIViewContentModeCenter)
      v->setContentMode(static_cast<UIViewContentMode>(mode));
  }
  if (has(NSSTR("UIAutoresizingMask")))
    v->setAutoresizingMask(
        static_cast<uint64_t>(coder->decodeInt64ForKey(NSSTR("UIAutoresizingMask"))));
  if (auto subviews = coder->decodeObjectOfClassForKey<NSArray>(NSSTR("UISubviews"))) {
    for (const id& item : *subviews) {
      auto subview = objc_cast<UIView>(item);
      if (!subview) {
        coder->failWithError(
            NSError::errorWithCode(NSCoderReadCorruptError, "a view's subview is not a view"));
        return nullptr;
      }
      v->addSubview(subview);
    }
  }
  if (coder->error()) return nullptr;
  return v->retainedSelf();
}

bool registerViewCoding() {
  objc::registerAlloc<UIView>(UIView::class_());
  class_addMethod(UIView::class_(), OBJC_SEL("encodeWithCoder:"), objc::method<&viewEncode>());
  class_addMethod(UIView::class_(), OBJC_SEL("initWithCoder:"), objc::method<&viewInitWithCoder>());
  return true;
}

[[maybe_unused]] const bool registered = registerViewCoding();

}  // namespace
