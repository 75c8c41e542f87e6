#include "Foundation/NSRegularExpression.h"

#include <unicode/uregex.h>

#include "Foundation/NSCoder.h"
#include "Foundation/NSError.h"
#include "Foundation/NSString.h"
#include "Foundation/NSTextCheckingResult.h"
#include "objc/alloc.h"

namespace {

constexpr NSRegularExpressionOptions kKnownOptions =
    NSRegularExpressionCaseInsensitive | NSRegularExpressionAllowCommentsAndWhitespace |
    NSRegularExpressionIgnoreMetacharacters | NSRegularExpressionDotMatchesLineSeparators |
    NSRegularExpressionAnchorsMatchLines | NSRegularExpressionUseUnixLineSeparators |
    NSRegularExpressionUseUnicodeWordBoundaries;

// A match gives up after this many steps of ICU's engine (its unit, roughly a few
// milliseconds each), so a pathological pattern cannot hang the caller.
constexpr int32_t kMatchTimeLimit = 1000;

uint32_t icuFlags(NSRegularExpressionOptions options) {
  struct Bit {
    NSRegularExpressionOptions option;
    uint32_t flag;
  };
  constexpr Bit bits[] = {
      {NSRegularExpressionCaseInsensitive, UREGEX_CASE_INSENSITIVE},
      {NSRegularExpressionAllowCommentsAndWhitespace, UREGEX_COMMENTS},
      {NSRegularExpressionIgnoreMetacharacters, UREGEX_LITERAL},
      {NSRegularExpressionDotMatchesLineSeparators, UREGEX_DOTALL},
      {NSRegularExpressionAnchorsMatchLines, UREGEX_MULTILINE},
      {NSRegularExpressionUseUnixLineSeparators, UREGEX_UNIX_LINES},
      {NSRegularExpressionUseUnicodeWordBoundaries, UREGEX_UWORD},
  };
  uint32_t flags = 0;
  for (const Bit& b : bits)
    if (options & b.option) flags |= b.flag;
  return flags;
}

}  // namespace

struct NSRegularExpression::Compiled {
  URegularExpression* regex = nullptr;
  ~Compiled() {
    if (regex) uregex_close(regex);
  }
};

struct NSRegularExpressionCoding {
  static void encode(NSObject* self, SEL, NSCoder* coder) {
    auto* re = static_cast<NSRegularExpression*>(self);
    coder->encodeObjectForKey(re->pattern_, NSSTR("NSPattern"));
    coder->encodeIntegerForKey(static_cast<NSInteger>(re->options_), NSSTR("NSOptions"));
  }
  static id initWithCoder(NSObject* self, SEL, NSCoder* coder) {
    auto* re = static_cast<NSRegularExpression*>(self);
    auto pattern = coder->decodeStringForKey(NSSTR("NSPattern"));
    NSInteger options = coder->decodeIntegerForKey(NSSTR("NSOptions"));
    if (coder->error()) return nullptr;
    std::string why;
    if (!pattern) {
      why = "has no NSPattern";
    } else if (options < 0 || (static_cast<NSUInteger>(options) & ~kKnownOptions)) {
      why = "has unknown options " + std::to_string(options);
    } else if (re->compile(pattern, static_cast<NSUInteger>(options), &why)) {
      return re->retainedSelf();
    }
    coder->failWithError(
        NSError::errorWithCode(NSCoderReadCorruptError, "a regular expression " + why));
    return nullptr;
  }
};

OBJC_CLASS_IMPL(NSRegularExpression) {
  objc::registerAlloc<NSRegularExpression>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"),
                  objc::method<&NSRegularExpressionCoding::encode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"),
                  objc::method<&NSRegularExpressionCoding::initWithCoder>());
}

NSRegularExpression::NSRegularExpression() = default;
NSRegularExpression::~NSRegularExpression() = default;

Strong<NSRegularExpression> NSRegularExpression::regularExpressionWithPatternOptionsError(
    const Strong<NSString>& pattern, NSRegularExpressionOptions options, Strong<NSError>* error) {
  auto re = std::make_shared<NSRegularExpression>();
  std::string why = "has no pattern";
  if (options & ~kKnownOptions) {
    why = "has unknown options " + std::to_string(options);
  } else if (pattern && re->compile(pattern, options, &why)) {
    return re;
  }
  NSErrorSet(error, NSError::errorWithCode(NSFormattingError, "the regular expression " + why));
  return nullptr;
}

bool NSRegularExpression::compile(const Strong<NSString>& pattern,
                                  NSRegularExpressionOptions options, std::string* why) {
  const std::u16string& units = pattern->characters();
  UErrorCode status = U_ZERO_ERROR;
  UParseError parse{};
  auto compiled = std::make_shared<Compiled>();
  compiled->regex = uregex_open(units.data(), static_cast<int32_t>(units.size()), icuFlags(options),
                                &parse, &status);
  if (U_FAILURE(status) || !compiled->regex) {
    *why = "pattern does not compile (" + std::string(u_errorName(status)) + " at offset " +
           std::to_string(parse.offset) + ")";
    return false;
  }
  int32_t groups = uregex_groupCount(compiled->regex, &status);
  pattern_ = NSString::stringWithCharacters(units);
  options_ = options;
  groups_ = U_SUCCESS(status) && groups > 0 ? static_cast<NSUInteger>(groups) : 0;
  compiled_ = std::move(compiled);
  return true;
}

Strong<NSTextCheckingResult> NSRegularExpression::firstMatchInStringRange(
    const Strong<NSString>& string, NSRange range) const {
  if (!compiled_ || !string) return nullptr;
  const std::u16string& units = string->characters();
  if (range.location > units.size() || range.length > units.size() - range.location)
    NSException::raise(NSRangeException, "firstMatchInStringRange: range beyond the string");
  UErrorCode status = U_ZERO_ERROR;
  // A clone per call: ICU's matcher keeps its state in the object.
  std::unique_ptr<URegularExpression, void (*)(URegularExpression*)> re(
      uregex_clone(compiled_->regex, &status), uregex_close);
  if (U_FAILURE(status)) return nullptr;
  uregex_setText(re.get(), units.data(), static_cast<int32_t>(units.size()), &status);
  uregex_setRegion(re.get(), static_cast<int32_t>(range.location),
                   static_cast<int32_t>(NSMaxRange(range)), &status);
  uregex_setTimeLimit(re.get(), kMatchTimeLimit, &status);
  if (U_FAILURE(status) || !uregex_findNext(re.get(), &status) || U_FAILURE(status)) return nullptr;
  std::vector<NSRange> ranges;
  for (int32_t g = 0; g <= static_cast<int32_t>(groups_); ++g) {
    int32_t start = uregex_start(re.get(), g, &status);
    int32_t end = uregex_end(re.get(), g, &status);
    if (U_FAILURE(status)) return nullptr;
    ranges.push_back(start < 0 ? NSMakeRange(NSNotFound, 0)
                               : NSMakeRange(static_cast<NSUInteger>(start),
                                             static_cast<NSUInteger>(end - start)));
  }
  return NSTextCheckingResult::regularExpressionCheckingResultWithRangesCountRegularExpression(
      ranges.data(), ranges.size(),
      std::const_pointer_cast<NSRegularExpression>(retainedSelf<NSRegularExpression>()));
}

BOOL NSRegularExpression::isEqual(const NSObject* other) const {
  auto* re = objc_cast<NSRegularExpression>(other);
  if (!re) return NO;
  if (re == this) return YES;
  return re->options_ == options_ && pattern_ && re->pattern_ && pattern_->isEqual(re->pattern_);
}

std::size_t NSRegularExpression::hash() const {
  return (pattern_ ? pattern_->hash() : 0) * 31 + static_cast<std::size_t>(options_);
}

std::string NSRegularExpression::description() const {
  return "<NSRegularExpression> " + (pattern_ ? pattern_->stdString() : std::string()) +
         " options " + std::to_string(options_);
}
