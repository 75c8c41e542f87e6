// Type encodings derived from an implementation's C++ signature, so that a method table
// never holds an encoding that a changed signature left behind:
//
//   class_addMethod(cls, OBJC_SEL("sizeThatFits:"), objc::method<&UIView::sizeThatFits>());
//
// adds the method with "{CGSize=dd}@:{CGSize=dd}", as the device's compiler would spell it
// (without its stack offsets). A parameter or result whose type has no encoding here is a
// compile error rather than a guess.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>

class NSObject;
struct objc_class;
struct objc_selector;

// The device's structures that cross method tables, by their device names. Their layouts
// are the device's too (see the encodings below); this header only names them.
struct CGPoint;
struct CGSize;
struct CGRect;
struct UIEdgeInsets;
struct NSRange;

namespace objc {

// The encoding of one type, or `known` false when it has none.
template <class T, class = void>
struct TypeEncoding {
  static constexpr bool known = false;
};

#define OBJC_TYPE_ENCODING(Type, Text)         \
  template <>                                  \
  struct TypeEncoding<Type> {                  \
    static constexpr bool known = true;        \
    static std::string text() { return Text; } \
  }

OBJC_TYPE_ENCODING(void, "v");
// BOOL is bool here, as on the 64-bit device.
OBJC_TYPE_ENCODING(bool, "B");
OBJC_TYPE_ENCODING(char, "c");
OBJC_TYPE_ENCODING(signed char, "c");
OBJC_TYPE_ENCODING(unsigned char, "C");
OBJC_TYPE_ENCODING(short, "s");
OBJC_TYPE_ENCODING(unsigned short, "S");
OBJC_TYPE_ENCODING(int, "i");
OBJC_TYPE_ENCODING(unsigned int, "I");
// long is 64 bits, and the device spells both long and long long "q".
OBJC_TYPE_ENCODING(long, "q");
OBJC_TYPE_ENCODING(unsigned long, "Q");
OBJC_TYPE_ENCODING(long long, "q");
OBJC_TYPE_ENCODING(unsigned long long, "Q");
OBJC_TYPE_ENCODING(char16_t, "S");  // unichar
OBJC_TYPE_ENCODING(float, "f");
OBJC_TYPE_ENCODING(double, "d");
OBJC_TYPE_ENCODING(const objc_selector*, ":");
OBJC_TYPE_ENCODING(objc_class*, "#");
OBJC_TYPE_ENCODING(char*, "*");
OBJC_TYPE_ENCODING(const char*, "r*");
OBJC_TYPE_ENCODING(CGPoint, "{CGPoint=dd}");
OBJC_TYPE_ENCODING(CGSize, "{CGSize=dd}");
OBJC_TYPE_ENCODING(CGRect, "{CGRect={CGPoint=dd}{CGSize=dd}}");
OBJC_TYPE_ENCODING(UIEdgeInsets, "{UIEdgeInsets=dddd}");
OBJC_TYPE_ENCODING(NSRange, "{_NSRange=QQ}");

#undef OBJC_TYPE_ENCODING

// Objects: a borrowed pointer to one, or an owning reference. A pointer to a class the
// table has no structure encoding for is an object; where a method is registered its
// class is often only declared ahead, so this cannot ask whether it derives from NSObject.
template <class T>
struct TypeEncoding<T*, std::enable_if_t<std::is_class_v<std::remove_cv_t<T>> &&
                                         !TypeEncoding<std::remove_cv_t<T>>::known>> {
  static constexpr bool known = true;
  static std::string text() { return "@"; }
};
template <class T>
struct TypeEncoding<std::shared_ptr<T>> {
  static constexpr bool known = true;
  static std::string text() { return "@"; }
};

// Enumerations as their underlying integers.
template <class T>
struct TypeEncoding<T, std::enable_if_t<std::is_enum_v<T>>>
    : TypeEncoding<std::underlying_type_t<T>> {};

// Other pointers: to a structure or value with an encoding, or to something unknown.
template <class T>
struct TypeEncoding<T*, std::enable_if_t<(!std::is_class_v<std::remove_cv_t<T>> ||
                                          TypeEncoding<std::remove_cv_t<T>>::known) &&
                                         !std::is_same_v<std::remove_cv_t<T>, char>>> {
  static constexpr bool known = true;
  static std::string text() {
    using Pointee = std::remove_cv_t<T>;
    if constexpr (std::is_void_v<Pointee>) {
      return "^v";
    } else if constexpr (TypeEncoding<Pointee>::known) {
      return "^" + TypeEncoding<Pointee>::text();
    } else {
      return "^?";
    }
  }
};

template <class R, class... Args>
std::string encodingOf() {
  static_assert(TypeEncoding<std::remove_cv_t<R>>::known,
                "this result type has no type encoding: add it to objc/TypeEncoding.h");
  static_assert((TypeEncoding<std::remove_cv_t<Args>>::known && ...),
                "a parameter type has no type encoding: add it to objc/TypeEncoding.h");
  std::string out = TypeEncoding<std::remove_cv_t<R>>::text() + "@:";
  ((out += TypeEncoding<std::remove_cv_t<Args>>::text()), ...);
  return out;
}

// The signature an implementation has as a method: result and parameters after self and
// _cmd, for a member function of the receiver's class or a function
// R f(NSObject* self, SEL _cmd, Args...).
template <class Fn>
struct MethodSignature;
template <class R, class... A>
struct MethodSignature<R (*)(NSObject*, const objc_selector*, A...)> {
  static std::string encoding() { return encodingOf<R, A...>(); }
};
template <class R, class... A>
struct MethodSignature<R (*)(NSObject*, const objc_selector*, A...) noexcept>
    : MethodSignature<R (*)(NSObject*, const objc_selector*, A...)> {};
template <class C, class R, class... A>
struct MethodSignature<R (C::*)(A...)> {
  static std::string encoding() { return encodingOf<R, A...>(); }
};
template <class C, class R, class... A>
struct MethodSignature<R (C::*)(A...) const> : MethodSignature<R (C::*)(A...)> {};
template <class C, class R, class... A>
struct MethodSignature<R (C::*)(A...) noexcept> : MethodSignature<R (C::*)(A...)> {};
template <class C, class R, class... A>
struct MethodSignature<R (C::*)(A...) const noexcept> : MethodSignature<R (C::*)(A...)> {};

// The type encoding of F as a method, made once.
template <auto F>
const char* types() {
  static const std::string text = MethodSignature<decltype(F)>::encoding();
  return text.c_str();
}

}  // namespace objc
