// The format machinery behind stringWithFormat, appendFormat and NSLog: printf
// conversions plus %@, checked against the real argument types at run time so a
// mismatch raises NSInvalidArgumentException instead of reading garbage.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "Foundation/FoundationExport.h"
#include "objc/NSObject.h"

class NSString;

namespace nsformat {

struct NIMBRA_FOUNDATION_API Arg {
  enum Kind : uint8_t { None, Signed, Unsigned, Double, Text, Object, Pointer };
  Kind kind = None;
  int64_t i = 0;
  uint64_t u = 0;
  double d = 0;
  const char* s = nullptr;  // Text: not NUL-terminated, `n` bytes; null means "(null)"
  std::size_t n = 0;
  const NSObject* o = nullptr;
  const void* p = nullptr;
};

template <class T>
struct IsStrong : std::false_type {};
template <class T>
struct IsStrong<std::shared_ptr<T>> : std::true_type {
  using element = T;
};

template <class T>
Arg makeArg(const T& v) {
  using D = std::remove_cv_t<T>;
  Arg a;
  if constexpr (std::is_same_v<D, std::nullptr_t>) {
    a.kind = Arg::Object;
  } else if constexpr (std::is_enum_v<D>) {
    return makeArg(static_cast<std::underlying_type_t<D>>(v));
  } else if constexpr (std::is_same_v<D, bool> || (std::is_integral_v<D> && std::is_signed_v<D>)) {
    a.kind = Arg::Signed;
    a.i = static_cast<int64_t>(v);
  } else if constexpr (std::is_integral_v<D>) {
    a.kind = Arg::Unsigned;
    a.u = static_cast<uint64_t>(v);
  } else if constexpr (std::is_floating_point_v<D>) {
    a.kind = Arg::Double;
    a.d = static_cast<double>(v);
  } else if constexpr (std::is_same_v<D, std::string> || std::is_same_v<D, std::string_view>) {
    a.kind = Arg::Text;
    a.s = v.data();
    a.n = v.size();
  } else if constexpr (std::is_array_v<D> &&
                       std::is_same_v<std::remove_cv_t<std::remove_extent_t<D>>, char>) {
    a.kind = Arg::Text;
    a.s = v;
    a.n = std::char_traits<char>::length(v);
  } else if constexpr (std::is_pointer_v<D> &&
                       std::is_same_v<std::remove_cv_t<std::remove_pointer_t<D>>, char>) {
    a.kind = Arg::Text;
    a.s = v;
    a.n = v ? std::char_traits<char>::length(v) : 0;
  } else if constexpr (std::is_pointer_v<D> &&
                       std::is_base_of_v<NSObject, std::remove_cv_t<std::remove_pointer_t<D>>>) {
    a.kind = Arg::Object;
    a.o = v;
  } else if constexpr (std::is_pointer_v<D>) {
    a.kind = Arg::Pointer;
    a.p = reinterpret_cast<const void*>(v);
  } else if constexpr (IsStrong<D>::value) {
    if constexpr (std::is_base_of_v<NSObject, std::remove_cv_t<typename IsStrong<D>::element>>) {
      a.kind = Arg::Object;
      a.o = v.get();
    } else {
      a.kind = Arg::Pointer;
      a.p = static_cast<const void*>(v.get());
    }
  } else {
    static_assert(sizeof(D) == 0, "this argument type cannot be formatted");
  }
  return a;
}

// Formats `fmt` (UTF-8) with `count` arguments; raises NSInvalidArgumentException on
// an unknown conversion, a missing argument or one of the wrong type.
NIMBRA_FOUNDATION_API std::string format(std::string_view fmt, const Arg* args, std::size_t count);

NIMBRA_FOUNDATION_API std::string text(const char* s);
NIMBRA_FOUNDATION_API std::string text(std::string_view s);
NIMBRA_FOUNDATION_API std::string text(const std::string& s);
NIMBRA_FOUNDATION_API std::string text(const Strong<NSString>& s);
NIMBRA_FOUNDATION_API std::string text(const NSString* s);

template <class F, class... A>
std::string formatWith(const F& fmt, const A&... args) {
  const Arg list[] = {makeArg(args)..., Arg{}};
  return format(text(fmt), list, sizeof...(A));
}

}  // namespace nsformat
