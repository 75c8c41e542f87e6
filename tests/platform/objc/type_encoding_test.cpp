#include <gtest/gtest.h>

#include <string>

#include "Foundation/NSRange.h"
#include "UIKit/UIGeometry.h"
#include "UIKit/UIView.h"
#include "objc/NSObject.h"

namespace {

// Implementations of every common shape, as free functions and as members.
void voidNone(NSObject*, SEL) {}
id objectOfObject(NSObject*, SEL, NSObject*) {
  return nullptr;
}
BOOL boolOfSelector(NSObject*, SEL, SEL) {
  return NO;
}
NSInteger integerOfUnsigned(NSObject*, SEL, NSUInteger) {
  return 0;
}
double realOfFloat(NSObject*, SEL, float) {
  return 0;
}
CGRect rectOfRectAndInteger(NSObject*, SEL, CGRect, NSInteger) {
  return {};
}
CGSize sizeOfSize(NSObject*, SEL, CGSize) {
  return {};
}
void pointAndInsets(NSObject*, SEL, CGPoint, UIEdgeInsets) {}
NSRange rangeOfCString(NSObject*, SEL, const char*) {
  return {};
}
void pointers(NSObject*, SEL, void*, CGRect*, Class, char*) {}
int smallIntegers(NSObject*, SEL, char, unsigned char, short, unsigned short, unsigned int,
                  char16_t) {
  return 0;
}
enum Mode : int64_t { kModeA };
void ofEnum(NSObject*, SEL, Mode) {}
Strong<UIView> owningView(NSObject*, SEL) {
  return nullptr;
}
class DeclaredAhead;  // an object class whose definition this file never sees
void ofDeclaredAhead(NSObject*, SEL, DeclaredAhead*) {}

class Encoded : public NSObject {
 public:
  UIView* borrowedView() const { return nullptr; }
  void setFlag(BOOL) {}
  CGRect textRectForBounds(CGRect, NSInteger) { return {}; }
};

}  // namespace

// Each derived encoding against the device compiler's spelling of the same signature
// (without stack offsets); the structures' layouts are the device's as well.
TEST(TypeEncoding, DerivedEncodingsMatchTheDevice) {
  static_assert(sizeof(CGPoint) == 16 && sizeof(CGSize) == 16 && sizeof(CGRect) == 32);
  static_assert(sizeof(UIEdgeInsets) == 32 && sizeof(NSRange) == 16);
  struct Case {
    const char* derived;
    const char* device;
  };
  const Case cases[] = {
      {objc::types<&voidNone>(), "v@:"},
      {objc::types<&objectOfObject>(), "@@:@"},
      {objc::types<&boolOfSelector>(), "B@::"},
      {objc::types<&integerOfUnsigned>(), "q@:Q"},
      {objc::types<&realOfFloat>(), "d@:f"},
      {objc::types<&rectOfRectAndInteger>(),
       "{CGRect={CGPoint=dd}{CGSize=dd}}@:{CGRect={CGPoint=dd}{CGSize=dd}}q"},
      {objc::types<&sizeOfSize>(), "{CGSize=dd}@:{CGSize=dd}"},
      {objc::types<&pointAndInsets>(), "v@:{CGPoint=dd}{UIEdgeInsets=dddd}"},
      {objc::types<&rangeOfCString>(), "{_NSRange=QQ}@:r*"},
      {objc::types<&pointers>(), "v@:^v^{CGRect={CGPoint=dd}{CGSize=dd}}#*"},
      {objc::types<&smallIntegers>(), "i@:cCsSIS"},
      {objc::types<&ofEnum>(), "v@:q"},
      {objc::types<&owningView>(), "@@:"},
      {objc::types<&ofDeclaredAhead>(), "v@:@"},
      {objc::types<&Encoded::borrowedView>(), "@@:"},
      {objc::types<&Encoded::setFlag>(), "v@:B"},
      {objc::types<&Encoded::textRectForBounds>(),
       "{CGRect={CGPoint=dd}{CGSize=dd}}@:{CGRect={CGPoint=dd}{CGSize=dd}}q"},
  };
  for (const Case& c : cases) EXPECT_STREQ(c.derived, c.device);
}

// What objc::method adds is what the runtime then reports for the method.
TEST(TypeEncoding, AddedMethodsReportTheDerivedEncoding) {
  Class cls = objc_allocateClassPair(NSObject::class_(), "EncodedMethods");
  SEL sel = sel_registerName("textRectForBounds:limitedToNumberOfLines:");
  ASSERT_TRUE(class_addMethod(cls, sel, objc::method<&rectOfRectAndInteger>()));
  Method m = class_getInstanceMethod(cls, sel);
  EXPECT_STREQ(method_getTypeEncoding(m),
               "{CGRect={CGPoint=dd}{CGSize=dd}}@:{CGRect={CGPoint=dd}{CGSize=dd}}q");
  EXPECT_EQ(method_getImplementation(m), objc::imp<&rectOfRectAndInteger>());
  EXPECT_EQ(class_replaceMethod(cls, sel, objc::method<&rectOfRectAndInteger>()),
            objc::imp<&rectOfRectAndInteger>());
}
