#include "Foundation/NSFormat.h"

#include <algorithm>
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

// One conversion as the format spells it: %[flags][width][.precision][length]conv.
struct Conversion {
  std::string flags;  // as given, without the grouping flag
  bool left = false;
  int width = -1;
  int precision = -1;
  int bits = 32;  // of the integer the conversion reads
  char conv = 0;
  std::size_t argument = 0;  // the index of the argument it formats, for errors

  // The printf conversion without its length and letter.
  std::string printfPrefix() const {
    std::string out = "%" + flags;
    if (width >= 0) out += std::to_string(width);
    if (precision >= 0) {
      out += '.';
      out += std::to_string(precision);
    }
    return out;
  }
};

// One pass over a format: copies its literal text and hands each conversion's argument to
// the stage for its kind.
class Formatter {
 public:
  Formatter(std::string_view fmt, const Arg* args, std::size_t count)
      : fmt_(fmt), args_(args), count_(count) {
    out_.reserve(fmt.size() + 16 * count);
  }

  std::string run() {
    while (i_ < fmt_.size()) {
      if (fmt_[i_] != '%') {
        appendLiteral();
      } else if (i_ + 1 < fmt_.size() && fmt_[i_ + 1] == '%') {
        out_ += '%';
        i_ += 2;
      } else {
        ++i_;
        append(parseConversion());
      }
    }
    return std::move(out_);
  }

 private:
  const Arg* take() { return next_ < count_ ? &args_[next_++] : nullptr; }

  void appendLiteral() {
    std::size_t j = fmt_.find('%', i_);
    if (j == std::string_view::npos) j = fmt_.size();
    out_.append(fmt_.substr(i_, j - i_));
    i_ = j;
  }

  [[noreturn]] static void endsInside() {
    NSException::raise(NSInvalidArgumentException, "format ends inside a conversion");
  }

  // A width or precision: digits, or * for the next argument (clamped, as huge ones are
  // meaningless).
  int readNumber() {
    if (i_ < fmt_.size() && fmt_[i_] == '*') {
      std::size_t at = next_;
      const Arg* a = take();
      if (!isInteger(a)) mismatch(fmt_, at, '*', "an integer width or precision", a);
      int64_t n = a->kind == Arg::Signed ? a->i : static_cast<int64_t>(a->u);
      ++i_;
      return static_cast<int>(std::clamp<int64_t>(n, -kMaxNumber, kMaxNumber));
    }
    int v = 0;
    while (i_ < fmt_.size() && fmt_[i_] >= '0' && fmt_[i_] <= '9') {
      if (v < kMaxNumber) v = v * 10 + (fmt_[i_] - '0');
      ++i_;
    }
    return v;
  }

  Conversion parseConversion() {
    if (i_ >= fmt_.size()) endsInside();
    Conversion c;
    while (i_ < fmt_.size() &&
           std::string_view("-+ #0'").find(fmt_[i_]) != std::string_view::npos) {
      if (fmt_[i_] != '\'') c.flags += fmt_[i_];
      ++i_;
    }
    c.left = c.flags.find('-') != std::string::npos;
    if (i_ < fmt_.size() && (fmt_[i_] == '*' || (fmt_[i_] >= '1' && fmt_[i_] <= '9'))) {
      c.width = readNumber();
      if (c.width < 0) {  // a negative width from an argument means left-aligned
        c.left = true;
        c.width = -c.width;
      }
    }
    if (i_ < fmt_.size() && fmt_[i_] == '.') {
      ++i_;
      c.precision = readNumber();
      if (c.precision < 0) c.precision = -1;
    }
    for (; i_ < fmt_.size(); ++i_) {
      char m = fmt_[i_];
      if (m == 'h') {
        c.bits = c.bits == 16 ? 8 : 16;
      } else if (m == 'l' || m == 'q' || m == 'z' || m == 'j' || m == 't' || m == 'L') {
        c.bits = 64;
      } else {
        break;
      }
    }
    if (i_ >= fmt_.size()) endsInside();
    c.conv = fmt_[i_++];
    c.argument = next_;
    return c;
  }

  void append(const Conversion& c) {
    switch (c.conv) {
      case 'd':
      case 'i':
      case 'u':
      case 'x':
      case 'X':
      case 'o':
        return appendInteger(c);
      case 'c':
      case 'C':
        return appendCharacter(c);
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
      case 'a':
      case 'A':
        return appendReal(c);
      case 's':
        return appendCString(c);
      case '@':
        return appendObject(c);
      case 'p':
        return appendPointer(c);
      default:
        NSException::raise(
            NSInvalidArgumentException,
            "format \"" + std::string(fmt_) + "\": unknown conversion %" + std::string(1, c.conv));
    }
  }

  // Integers are read at the length's width, then printed at 64 bits.
  void appendInteger(const Conversion& c) {
    const Arg* a = take();
    if (!isInteger(a)) mismatch(fmt_, c.argument, c.conv, "an integer", a);
    uint64_t raw = a->kind == Arg::Signed ? static_cast<uint64_t>(a->i) : a->u;
    if (c.bits < 64) raw &= (uint64_t{1} << c.bits) - 1;
    std::string conversion = c.printfPrefix() + "ll" + c.conv;
    char buf[kBuffer];
    if (c.conv == 'd' || c.conv == 'i') {
      int64_t v;
      if (c.bits < 64 && (raw >> (c.bits - 1)) & 1)
        v = static_cast<int64_t>(raw | ~((uint64_t{1} << c.bits) - 1));
      else
        v = static_cast<int64_t>(raw);
      std::snprintf(buf, sizeof buf, conversion.c_str(), static_cast<long long>(v));
    } else {
      std::snprintf(buf, sizeof buf, conversion.c_str(), static_cast<unsigned long long>(raw));
    }
    out_ += buf;
  }

  // %c takes a byte, %C a UTF-16 unit.
  void appendCharacter(const Conversion& c) {
    const Arg* a = take();
    if (!isInteger(a)) mismatch(fmt_, c.argument, c.conv, "a character", a);
    uint64_t raw = a->kind == Arg::Signed ? static_cast<uint64_t>(a->i) : a->u;
    std::string ch;
    if (c.conv == 'c') {
      ch = std::string(1, static_cast<char>(raw & 0xFF));
    } else {
      char16_t u = static_cast<char16_t>(raw & 0xFFFF);
      ch = foundation::utf16ToUtf8(std::u16string_view(&u, 1));
    }
    appendPadded(out_, ch, c.left, c.width, -1);
  }

  // Printed whole, however long a width or precision makes it.
  void appendReal(const Conversion& c) {
    const Arg* a = take();
    if (!a || a->kind != Arg::Double)
      mismatch(fmt_, c.argument, c.conv, "a floating-point number", a);
    std::string conversion = c.printfPrefix() + c.conv;
    char buf[kBuffer];
    int n = std::snprintf(buf, sizeof buf, conversion.c_str(), a->d);
    if (n >= static_cast<int>(sizeof buf)) {
      std::string big(static_cast<std::size_t>(n) + 1, '\0');
      std::snprintf(big.data(), big.size(), conversion.c_str(), a->d);
      big.resize(static_cast<std::size_t>(n));
      out_ += big;
    } else {
      out_ += buf;
    }
  }

  void appendCString(const Conversion& c) {
    const Arg* a = take();
    if (a && a->kind == Arg::Text) {
      appendPadded(out_, a->s ? std::string_view(a->s, a->n) : "(null)", c.left, c.width,
                   c.precision);
    } else if (a && a->kind == Arg::Object && !a->o) {
      appendPadded(out_, "(null)", c.left, c.width, c.precision);
    } else {
      mismatch(fmt_, c.argument, c.conv, "a C string", a);
    }
  }

  void appendObject(const Conversion& c) {
    const Arg* a = take();
    if (a && a->kind == Arg::Object) {
      appendPadded(out_, a->o ? a->o->description() : "(null)", c.left, c.width, c.precision);
    } else if (a && a->kind == Arg::Text) {
      // Lenient: a C string stands for the NSString of its text.
      appendPadded(out_, a->s ? std::string_view(a->s, a->n) : "(null)", c.left, c.width,
                   c.precision);
    } else {
      mismatch(fmt_, c.argument, c.conv, "an object", a);
    }
  }

  void appendPointer(const Conversion& c) {
    const Arg* a = take();
    const void* p = nullptr;
    if (a && a->kind == Arg::Pointer) {
      p = a->p;
    } else if (a && a->kind == Arg::Object) {
      p = a->o;
    } else if (a && a->kind == Arg::Text) {
      p = a->s;
    } else {
      mismatch(fmt_, c.argument, c.conv, "a pointer", a);
    }
    char buf[kBuffer];
    std::snprintf(buf, sizeof buf, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
    appendPadded(out_, buf, c.left, c.width, -1);
  }

  static constexpr int kMaxNumber = 100000;
  static constexpr std::size_t kBuffer = 512;

  std::string_view fmt_;
  const Arg* args_;
  std::size_t count_;
  std::size_t next_ = 0;  // the next argument
  std::size_t i_ = 0;     // the next character of the format
  std::string out_;
};

}  // namespace

std::string format(std::string_view fmt, const Arg* args, std::size_t count) {
  return Formatter(fmt, args, count).run();
}

}  // namespace nsformat
