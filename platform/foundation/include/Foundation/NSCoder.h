// Keyed coders: what a class writes into an archive and reads back from one.
//
// A class takes part in archiving through two methods of its runtime table, so that a
// subclass anywhere overrides them and calls its superclass's first (UIViewSendSuper
// style, or objc_callImp on the superclass's implementation):
//
//   "encodeWithCoder:" is (NSCoder*) -> void: writes the receiver's state under keys;
//   "initWithCoder:"   is (NSCoder*) -> id: reads it back into the receiver, a fresh
//                      object of the archived class made by its "alloc" factory
//                      (objc/alloc.h), and answers the object to use: the receiver,
//                      another object (classes whose values are immutable), or none.
//
//   static void MyViewEncode(NSObject* self, SEL _cmd, NSCoder* coder) {
//     UIViewSendSuper<void>(MyView::super::class_(), self, _cmd, coder);
//     coder->encodeDoubleForKey(static_cast<MyView*>(self)->radius(), NSSTR("radius"));
//   }
//   OBJC_CLASS_IMPL(MyView) {
//     objc::registerAlloc<MyView>(cls);
//     class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&MyViewEncode>());
//     class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&MyViewInitWithCoder>());
//   }
//
// Decoding never throws for bad archives: a coder that meets a value of the wrong kind,
// or a class that finds its values unusable (`failWithError`), records the first error,
// answers zero values from then on, and the unarchiving call answers none and that
// error. Encoding or decoding on a coder of the other direction is a programming error
// and raises NSInvalidArgumentException.
#pragma once

#include <string>
#include <vector>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

class NSString;
class NSData;
class NSError;
class NSCoder;

// The geometry coders store the device's string forms ("{w, h}"); their types belong to
// Core Graphics and UIKit, which define these members (platform/uikit).
struct CGPoint;
struct CGSize;
struct CGRect;
struct UIEdgeInsets;

class NIMBRA_FOUNDATION_API NSCoder : public NSObject {
  OBJC_CLASS(NSCoder, NSObject)

 public:
  NSCoder() = default;
  ~NSCoder() override;

  virtual BOOL allowsKeyedCoding() const { return YES; }

  // Encoding. None is a valid object (it reads back as none); a key used twice keeps
  // the last value.
  virtual void encodeObjectForKey(const id& object, const Strong<NSString>& key);
  virtual void encodeBoolForKey(BOOL value, const Strong<NSString>& key);
  virtual void encodeInt64ForKey(int64_t value, const Strong<NSString>& key);
  void encodeIntegerForKey(NSInteger value, const Strong<NSString>& key) {
    encodeInt64ForKey(value, key);
  }
  void encodeInt32ForKey(int32_t value, const Strong<NSString>& key) {
    encodeInt64ForKey(value, key);
  }
  void encodeIntForKey(int value, const Strong<NSString>& key) { encodeInt64ForKey(value, key); }
  // Stored as a double-precision real, so 0.1f reads back as 0.10000000149011612.
  virtual void encodeFloatForKey(float value, const Strong<NSString>& key);
  virtual void encodeDoubleForKey(double value, const Strong<NSString>& key);
  virtual void encodeBytesLengthForKey(const void* bytes, NSUInteger length,
                                       const Strong<NSString>& key);
  // How the platform's own classes keep their parts: a string stored in place under the
  // key (NS.string), and an array of object references (NS.objects, NS.keys). None
  // elements are not allowed.
  virtual void encodeStringForKey(const Strong<NSString>& string, const Strong<NSString>& key);
  virtual void encodeArrayOfObjectsForKey(const std::vector<id>& objects,
                                          const Strong<NSString>& key);

  // Decoding. A missing key answers none or zero; a key holding another kind of value
  // fails the coder (see above). Integers that do not fit the asked width fail too.
  virtual BOOL containsValueForKey(const Strong<NSString>& key);
  virtual id decodeObjectForKey(const Strong<NSString>& key);
  // As decodeObjectForKey, failing the coder when the object is not a `T`.
  template <class T>
  Strong<T> decodeObjectOfClassForKey(const Strong<NSString>& key) {
    id object = decodeObjectForKey(key);
    if (!object) return nullptr;
    if (auto typed = objc_cast<T>(object)) return typed;
    failWrongClass(key, object.get(), T::class_());
    return nullptr;
  }
  virtual BOOL decodeBoolForKey(const Strong<NSString>& key);
  virtual int64_t decodeInt64ForKey(const Strong<NSString>& key);
  NSInteger decodeIntegerForKey(const Strong<NSString>& key) { return decodeInt64ForKey(key); }
  int32_t decodeInt32ForKey(const Strong<NSString>& key);
  int decodeIntForKey(const Strong<NSString>& key) { return decodeInt32ForKey(key); }
  // Integers are read as reals; floats are the doubles narrowed.
  virtual double decodeDoubleForKey(const Strong<NSString>& key);
  float decodeFloatForKey(const Strong<NSString>& key) {
    return static_cast<float>(decodeDoubleForKey(key));
  }
  // A string stored in place or by reference; none when the key is missing.
  virtual Strong<NSString> decodeStringForKey(const Strong<NSString>& key);
  // False (the coder failed) unless the key is missing (`objects` empty) or holds
  // references to objects that are none of them none.
  virtual bool decodeArrayOfObjectsForKey(const Strong<NSString>& key, std::vector<id>& objects);
  // Valid until the coder goes away; none (and `length` 0) when the key is missing.
  virtual const uint8_t* decodeBytesForKeyReturnedLength(const Strong<NSString>& key,
                                                         NSUInteger* length);
  // Bytes stored in place or as a data object referred to (the device writes both);
  // none when the key is missing, and a failure when it holds anything else.
  virtual Strong<NSData> decodeDataForKey(const Strong<NSString>& key);

  // Geometry in the device's string forms: "{x, y}", "{w, h}", "{{x, y}, {w, h}}",
  // "{top, left, bottom, right}"; a missing or unparsable string reads as zeros.
  // Defined by UIKit.
  void encodeCGPointForKey(const CGPoint& point, const Strong<NSString>& key);
  void encodeCGSizeForKey(const CGSize& size, const Strong<NSString>& key);
  void encodeCGRectForKey(const CGRect& rect, const Strong<NSString>& key);
  void encodeUIEdgeInsetsForKey(const UIEdgeInsets& insets, const Strong<NSString>& key);
  CGPoint decodeCGPointForKey(const Strong<NSString>& key);
  CGSize decodeCGSizeForKey(const Strong<NSString>& key);
  CGRect decodeCGRectForKey(const Strong<NSString>& key);
  UIEdgeInsets decodeUIEdgeInsetsForKey(const Strong<NSString>& key);

  // Records `error` unless one is recorded already; decoding then answers zero values.
  virtual void failWithError(const Strong<NSError>& error);
  Strong<NSError> error() const { return error_; }

 protected:
  [[noreturn]] void wrongDirection(const char* method) const;
  void failWrongClass(const Strong<NSString>& key, const NSObject* object, Class expected);

 private:
  // The string stored under `key` for the geometry coders, or "".
  std::string decodeGeometryString(const Strong<NSString>& key);

  Strong<NSError> error_;
};
