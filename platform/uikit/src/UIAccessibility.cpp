#include "UIKit/UIAccessibility.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "Foundation/NSString.h"
#include "UIKit/UIView.h"

const UIAccessibilityTraits UIAccessibilityTraitNone = 0;
const UIAccessibilityTraits UIAccessibilityTraitButton = 1ull << 0;
const UIAccessibilityTraits UIAccessibilityTraitLink = 1ull << 1;
const UIAccessibilityTraits UIAccessibilityTraitImage = 1ull << 2;
const UIAccessibilityTraits UIAccessibilityTraitSelected = 1ull << 3;
const UIAccessibilityTraits UIAccessibilityTraitPlaysSound = 1ull << 4;
const UIAccessibilityTraits UIAccessibilityTraitKeyboardKey = 1ull << 5;
const UIAccessibilityTraits UIAccessibilityTraitStaticText = 1ull << 6;
const UIAccessibilityTraits UIAccessibilityTraitSummaryElement = 1ull << 7;
const UIAccessibilityTraits UIAccessibilityTraitNotEnabled = 1ull << 8;
const UIAccessibilityTraits UIAccessibilityTraitUpdatesFrequently = 1ull << 9;
const UIAccessibilityTraits UIAccessibilityTraitSearchField = 1ull << 10;
const UIAccessibilityTraits UIAccessibilityTraitStartsMediaSession = 1ull << 11;
const UIAccessibilityTraits UIAccessibilityTraitAdjustable = 1ull << 12;
const UIAccessibilityTraits UIAccessibilityTraitAllowsDirectInteraction = 1ull << 13;
const UIAccessibilityTraits UIAccessibilityTraitCausesPageTurn = 1ull << 14;
const UIAccessibilityTraits UIAccessibilityTraitHeader = 1ull << 16;

std::string UIAccessibilityTraitsDescription(UIAccessibilityTraits traits) {
  static const char* const names[] = {"button",
                                      "link",
                                      "image",
                                      "selected",
                                      "plays sound",
                                      "keyboard key",
                                      "static text",
                                      "summary element",
                                      "not enabled",
                                      "updates frequently",
                                      "search field",
                                      "starts media session",
                                      "adjustable",
                                      "allows direct interaction",
                                      "causes page turn",
                                      nullptr,
                                      "header"};
  if (!traits) return "none";
  std::string out;
  UIAccessibilityTraits unknown = 0;
  for (int bit = 0; bit < 64; ++bit) {
    UIAccessibilityTraits mask = 1ull << bit;
    if (!(traits & mask)) continue;
    const char* name = bit < 17 ? names[bit] : nullptr;
    if (!name) {
      unknown |= mask;
      continue;
    }
    if (!out.empty()) out += "|";
    out += name;
  }
  if (unknown) {
    char hex[32];
    std::snprintf(hex, sizeof hex, "0x%llx", static_cast<unsigned long long>(unknown));
    out += (out.empty() ? "" : "|") + std::string(hex);
  }
  return out;
}

namespace {

// The defaults every object answers, as the device's informal protocols on NSObject.
struct NSObjectAccessibility {
  static BOOL no(NSObject*, SEL) { return NO; }
  static Strong<NSString> none(NSObject*, SEL) { return nullptr; }
  static uint64_t traits(NSObject*, SEL) { return UIAccessibilityTraitNone; }
  static CGRect frame(NSObject*, SEL) { return CGRectZero; }
  // Sent, so that an object's own frame places it.
  static CGPoint activationPoint(NSObject* self, SEL) {
    CGRect frame = objc_msgSend<CGRect>(self, OBJC_SEL("accessibilityFrame"));
    return CGPointMake(CGRectGetMidX(frame), CGRectGetMidY(frame));
  }
  static NSInteger count(NSObject*, SEL) { return 0; }
  static Strong<NSObject> elementAt(NSObject*, SEL, NSInteger) { return nullptr; }
  static NSInteger indexOf(NSObject*, SEL, NSObject*) { return NSNotFound; }
};

struct ElementMethods {
  static UIAccessibilityElement* e(NSObject* self) {
    return static_cast<UIAccessibilityElement*>(self);
  }
  static BOOL isElement(NSObject* self, SEL) { return e(self)->isAccessibilityElement(); }
  static Strong<NSString> label(NSObject* self, SEL) { return e(self)->accessibilityLabel(); }
  static Strong<NSString> hint(NSObject* self, SEL) { return e(self)->accessibilityHint(); }
  static Strong<NSString> value(NSObject* self, SEL) { return e(self)->accessibilityValue(); }
  static uint64_t traits(NSObject* self, SEL) { return e(self)->accessibilityTraits(); }
  static CGRect frame(NSObject* self, SEL) { return e(self)->accessibilityFrame(); }
  static CGPoint activationPoint(NSObject* self, SEL) {
    return e(self)->accessibilityActivationPoint();
  }
};

void addObjectDefaults() {
  using M = NSObjectAccessibility;
  Class cls = NSObject::class_();
  class_addMethod(cls, OBJC_SEL("isAccessibilityElement"), objc::method<&M::no>());
  class_addMethod(cls, OBJC_SEL("accessibilityLabel"), objc::method<&M::none>());
  class_addMethod(cls, OBJC_SEL("accessibilityHint"), objc::method<&M::none>());
  class_addMethod(cls, OBJC_SEL("accessibilityValue"), objc::method<&M::none>());
  class_addMethod(cls, OBJC_SEL("accessibilityTraits"), objc::method<&M::traits>());
  class_addMethod(cls, OBJC_SEL("accessibilityFrame"), objc::method<&M::frame>());
  class_addMethod(cls, OBJC_SEL("accessibilityActivationPoint"),
                  objc::method<&M::activationPoint>());
  class_addMethod(cls, OBJC_SEL("accessibilityElementCount"), objc::method<&M::count>());
  class_addMethod(cls, OBJC_SEL("accessibilityElementAtIndex:"), objc::method<&M::elementAt>());
  class_addMethod(cls, OBJC_SEL("indexOfAccessibilityElement:"), objc::method<&M::indexOf>());
}

// Added when UIKit loads, as the device's category is.
[[maybe_unused]] const bool objectDefaultsAdded = (addObjectDefaults(), true);

}  // namespace

OBJC_CLASS_IMPL(UIAccessibilityElement) {
  using M = ElementMethods;
  class_addMethod(cls, OBJC_SEL("isAccessibilityElement"), objc::method<&M::isElement>());
  class_addMethod(cls, OBJC_SEL("accessibilityLabel"), objc::method<&M::label>());
  class_addMethod(cls, OBJC_SEL("accessibilityHint"), objc::method<&M::hint>());
  class_addMethod(cls, OBJC_SEL("accessibilityValue"), objc::method<&M::value>());
  class_addMethod(cls, OBJC_SEL("accessibilityTraits"), objc::method<&M::traits>());
  class_addMethod(cls, OBJC_SEL("accessibilityFrame"), objc::method<&M::frame>());
  class_addMethod(cls, OBJC_SEL("accessibilityActivationPoint"),
                  objc::method<&M::activationPoint>());
}

CGPoint UIAccessibilityElement::accessibilityActivationPoint() const {
  if (hasActivationPoint_) return activationPoint_;
  return CGPointMake(CGRectGetMidX(frame_), CGRectGetMidY(frame_));
}

namespace {

// Containers may be built from their own elements; this bounds a cycle of them.
constexpr int kMaxDepth = 64;

void visit(const id& obj, int depth, std::vector<id>* out) {
  if (!obj || depth > kMaxDepth) return;
  auto* view = objc_cast<UIView>(obj.get());
  if (view && (view->isHidden() || view->alpha() < 0.01)) return;
  if (objc_msgSend<BOOL>(obj, OBJC_SEL("isAccessibilityElement"))) {
    out->push_back(obj);
    return;
  }
  NSInteger count = objc_msgSend<NSInteger>(obj, OBJC_SEL("accessibilityElementCount"));
  if (count > 0 && count != NSNotFound) {
    for (NSInteger i = 0; i < count; ++i)
      visit(objc_msgSend<Strong<NSObject>>(obj, OBJC_SEL("accessibilityElementAtIndex:"), i),
            depth + 1, out);
    return;
  }
  if (!view) return;
  // Reading order: top to bottom, then left to right, on the screen.
  std::vector<std::pair<CGRect, Strong<UIView>>> subs;
  for (const auto& sub : view->subviews()) subs.emplace_back(sub->accessibilityFrame(), sub);
  std::stable_sort(subs.begin(), subs.end(), [](const auto& a, const auto& b) {
    CGFloat ay = CGRectGetMinY(a.first), by = CGRectGetMinY(b.first);
    return ay != by ? ay < by : CGRectGetMinX(a.first) < CGRectGetMinX(b.first);
  });
  for (auto& [frame, sub] : subs) visit(sub, depth + 1, out);
}

}  // namespace

std::vector<id> UIAccessibilityElementsInOrder(NSObject* root) {
  std::vector<id> out;
  if (root) visit(root->weak_from_this().lock(), 0, &out);
  return out;
}

Strong<UIAccessibilityElement> UIAccessibilityElement::initWithAccessibilityContainer(
    const id& container) {
  auto element = std::make_shared<UIAccessibilityElement>();
  element->container_ = container;
  return element;
}
