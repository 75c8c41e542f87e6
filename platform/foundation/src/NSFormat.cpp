#include "Foundation/NSFormat.h"

#include <cstdio>
#include <string>

#include "Foundation/NSString.h"
#include "objc/NSException.h"

namespace nsformat {

std::string text(const char* s) {
  return s ? s : "(null)";
}
std::string text(std::string_view s) {
  return std::string(s);
}
std::string text(const std::string& s) {
  return s;
}
std::string text(const Strong<NSString>& s) {
  return s ? s->UTF8String() : "(null)";
}
std::string text(const NSString* s) {
  return s ? s->UTF8String() : "(null)";
}

namespace {

const char* kindName(Arg::Kind k) {
  switch (k) {
    case Arg::None:
      return "nothing";
    case Arg::Signed:
      return "a signed integer";
    case Arg::Unsigned:
      return "an unsigned integer";
    case Arg::Double:
      return "a floating-point number";
    case Arg::Text:
      return "a C string";
    case Arg::Object:
      return "an object";
    case Arg::Pointer:
      return "a pointer";
  }
  return "?";
}

[[noreturn]] void mismatch(std::string_view fmt, std::size_t index, char conv, const char* wanted,
                           const Arg* arg) {
  std::string reason = "format \"" + std::string(fmt) + "\": conversion %" + conv + " (argument " +
                       std::to_string(index + 1) + ") expects " + wanted;
  reason += arg ? std::string(", got ") + kindName(arg->kind) : std::string(", but it is missing");
  NSException::raise(NSInvalidArgumentException, reason);
}

// Truncates to `precision` code points and pads to `width` code points.
void appendPadded(std::string& out, std::string_view s, bool left, int width, int precision) {
  if (precision >= 0) {
    std::size_t cut = 0;
    int points = 0;
    while (cut < s.size() && points < precision) {
      ++cut;
      while (cut < s.size() && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) ++cut;
      ++points;
    }
    s = s.substr(0, cut);
  }
  int points = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++points;
  std::string pad(width > points ? static_cast<std::size_t>(width - points) : 0, ' ');
  if (left) {
    out.append(s);
    out += pad;
  } else {
    out += pad;
    out.append(s);
  }
}

bool isInteger(const Arg* a) {
  return a && (a->kind == Arg::Signed || a->kind == Arg::Unsigned);
}

}  // namespace

std::string format(std::string_view fmt, const Arg* args, std::size_t count) {
  std::string out;
  out.reserve(fmt.size() + 16 * count);
  std::size_t next = 0;
  auto take = [&]() -> const Arg* { return next < count ? &args[next++] : nullptr; };

  for (std::size_t i = 0; i < fmt.size();) {
    char c = fmt[i];
    if (c != '%') {
      std::size_t j = fmt.find('%', i);
      if (j == std::string_view::npos) j = fmt.size();
      out.append(fmt.substr(i, j - i));
      i = j;
      continue;
    }
    ++i;
    if (i >= fmt.size())
      NSException::raise(NSInvalidArgumentException, "format ends inside a conversion");
    if (fmt[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    std::string flags;
    while (i < fmt.size() && std::string_view("-+ #0'").find(fmt[i]) != std::string_view::npos) {
      if (fmt[i] != '\'') flags += fmt[i];
      ++i;
    }
    bool left = flags.find('-') != std::string::npos;
    int width = -1, precision = -1;
    auto readNumber = [&](int& v) {
      if (i < fmt.size() && fmt[i] == '*') {
        std::size_t at = next;
        const Arg* a = take();
        if (!isInteger(a)) mismatch(fmt, at, '*', "an integer width or precision", a);
        int64_t n = a->kind == Arg::Signed ? a->i : static_cast<int64_t>(a->u);
        if (n > 100000) n = 100000;
        if (n < -100000) n = -100000;
        v = static_cast<int>(n);
        ++i;
        return;
      }
      v = 0;
      while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
        if (v < 100000) v = v * 10 + (fmt[i] - '0');
        ++i;
      }
    };
    if (i < fmt.size() && (fmt[i] == '*' || (fmt[i] >= '1' && fmt[i] <= '9'))) {
      readNumber(width);
      if (width < 0) {
        left = true;
        width = -width;
      }
    }
    if (i < fmt.size() && fmt[i] == '.') {
      ++i;
      readNumber(precision);
      if (precision < 0) precision = -1;
    }
    // Length: bits of the integer the conversion reads.
    int bits = 32;
    while (i < fmt.size()) {
      char m = fmt[i];
      if (m == 'h') {
        bits = bits == 16 ? 8 : 16;
      } else if (m == 'l' || m == 'q' || m == 'z' || m == 'j' || m == 't' || m == 'L') {
        bits = 64;
      } else {
        break;
      }
      ++i;
    }
    if (i >= fmt.size())
      NSException::raise(NSInvalidArgumentException, "format ends inside a conversion");
    char conv = fmt[i++];
    std::size_t at = next;
    char buf[512];
    std::string conversion = "%" + flags;
    if (width >= 0) conversion += std::to_string(width);
    if (precision >= 0) {
      conversion += '.';
      conversion += std::to_string(precision);
    }

    switch (conv) {
      case 'd':
      case 'i':
      case 'u':
      case 'x':
      case 'X':
      case 'o': {
        const Arg* a = take();
        if (!isInteger(a)) mismatch(fmt, at, conv, "an integer", a);
        uint64_t raw = a->kind == Arg::Signed ? static_cast<uint64_t>(a->i) : a->u;
        bool isSigned = conv == 'd' || conv == 'i';
        if (bits < 64) raw &= (uint64_t{1} << bits) - 1;
        conversion += "ll";
        conversion += conv;
        if (isSigned) {
          int64_t v;
          if (bits < 64 && (raw >> (bits - 1)) & 1)
            v = static_cast<int64_t>(raw | ~((uint64_t{1} << bits) - 1));
          else
            v = static_cast<int64_t>(raw);
          std::snprintf(buf, sizeof buf, conversion.c_str(), static_cast<long long>(v));
        } else {
          std::snprintf(buf, sizeof buf, conversion.c_str(), static_cast<unsigned long long>(raw));
        }
        out += buf;
        break;
      }
      case 'c':
      case 'C': {
        const Arg* a = take();
        if (!isInteger(a)) mismatch(fmt, at, conv, "a character", a);
        uint64_t raw = a->kind == Arg::Signed ? static_cast<uint64_t>(a->i) : a->u;
        std::string ch;
        if (conv == 'c') {
          ch = std::string(1, static_cast<char>(raw & 0xFF));
        } else {
          char16_t u = static_cast<char16_t>(raw & 0xFFFF);
          ch = foundation::utf16ToUtf8(std::u16string_view(&u, 1));
        }
        appendPadded(out, ch, left, width, -1);
        break;
      }
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
      case 'a':
      case 'A': {
        const Arg* a = take();
        if (!a || a->kind != Arg::Double) mismatch(fmt, at, conv, "a floating-point number", a);
        conversion += conv;
        int n = std::snprintf(buf, sizeof buf, conversion.c_str(), a->d);
        if (n >= static_cast<int>(sizeof buf)) {
          std::string big(static_cast<std::size_t>(n) + 1, '\0');
          std::snprintf(big.data(), big.size(), conversion.c_str(), a->d);
          big.resize(static_cast<std::size_t>(n));
          out += big;
        } else {
          out += buf;
        }
        break;
      }
      case 's': {
        const Arg* a = take();
        if (a && a->kind == Arg::Text) {
          appendPadded(out, a->s ? std::string_view(a->s, a->n) : "(null)", left, width, precision);
        } else if (a && a->kind == Arg::Object && !a->o) {
          appendPadded(out, "(null)", left, width, precision);
        } else {
          mismatch(fmt, at, conv, "a C string", a);
        }
        break;
      }
      case '@': {
        const Arg* a = take();
        if (a && a->kind == Arg::Object) {
          appendPadded(out, a->o ? a->o->description() : "(null)", left, width, precision);
        } else if (a && a->kind == Arg::Text) {
          // Lenient: a C string stands for the NSString of its text.
          appendPadded(out, a->s ? std::string_view(a->s, a->n) : "(null)", left, width, precision);
        } else {
          mismatch(fmt, at, conv, "an object", a);
        }
        break;
      }
      case 'p': {
        const Arg* a = take();
        const void* p = nullptr;
        if (a && a->kind == Arg::Pointer) {
          p = a->p;
        } else if (a && a->kind == Arg::Object) {
          p = a->o;
        } else if (a && a->kind == Arg::Text) {
          p = a->s;
        } else {
          mismatch(fmt, at, conv, "a pointer", a);
        }
        std::snprintf(buf, sizeof buf, "0x%llx",
                      static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
        appendPadded(out, buf, left, width, -1);
        break;
      }
      default:
        NSException::raise(
            NSInvalidArgumentException,
            "format \"" + std::string(fmt) + "\": unknown conversion %" + std::string(1, conv));
    }
  }
  return out;
}

}  // namespace nsformat
