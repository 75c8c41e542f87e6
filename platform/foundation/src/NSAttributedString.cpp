#include "Foundation/NSAttributedString.h"

#include <algorithm>

OBJC_CLASS_IMPL(NSAttributedString) {}
OBJC_CLASS_IMPL(NSMutableAttributedString) {}

namespace {

const Strong<NSDictionary>& emptyAttributes() {
  static const Strong<NSDictionary> empty = NSDictionary::dictionary();
  return empty;
}

Strong<NSDictionary> frozen(const Strong<NSDictionary>& attrs) {
  if (!attrs || attrs->count() == 0) return emptyAttributes();
  if (attrs->isMemberOfClass(NSDictionary::class_())) return attrs;
  return attrs->copy();
}

bool sameAttributes(const Strong<NSDictionary>& a, const Strong<NSDictionary>& b) {
  return a == b || a->isEqualToDictionary(b);
}

bool sameValue(const id& a, const id& b) {
  if (a == b) return true;
  if (!a || !b) return false;
  return a->isEqual(b.get());
}

}  // namespace

NSAttributedString::NSAttributedString() {
  string_ = NSString::string();
}

NSAttributedString::NSAttributedString(const Strong<NSString>& string,
                                       const Strong<NSDictionary>& attributes) {
  if (string) text_ = string->characters();
  if (!text_.empty()) runs_.push_back({0, frozen(attributes)});
  string_ = std::make_shared<NSString>(text_);
}

NSAttributedString::~NSAttributedString() = default;

Strong<NSAttributedString> NSAttributedString::initWithString(const Strong<NSString>& string) {
  return std::make_shared<NSAttributedString>(string);
}

Strong<NSAttributedString> NSAttributedString::initWithStringAttributes(
    const Strong<NSString>& string, const Strong<NSDictionary>& attrs) {
  return std::make_shared<NSAttributedString>(string, attrs);
}

Strong<NSAttributedString> NSAttributedString::initWithAttributedString(
    const Strong<NSAttributedString>& other) {
  auto s = std::make_shared<NSAttributedString>();
  if (other) s->assignFrom(*other, NSMakeRange(0, other->length()));
  s->string_ = std::make_shared<NSString>(s->text_);
  return s;
}

void NSAttributedString::assignFrom(const NSAttributedString& other, NSRange range) {
  NSUInteger a = range.location, b = range.location + range.length;
  text_.assign(other.text_, a, b - a);
  runs_.clear();
  if (a == b) return;
  for (size_t i = other.runIndexAt(a); i < other.runs_.size() && other.runs_[i].start < b; ++i)
    runs_.push_back({std::max(other.runs_[i].start, a) - a, other.runs_[i].attrs});
}

Strong<NSString> NSAttributedString::string() const {
  if (string_) return string_;
  return std::make_shared<NSString>(text_);
}

void NSAttributedString::checkRange(NSRange range, const char* method) const {
  if (range.location > text_.size() || range.length > text_.size() - range.location)
    NSException::raise(NSRangeException,
                       std::string(method) + ": range {" + std::to_string(range.location) + ", " +
                           std::to_string(range.length) + "} out of bounds; string length " +
                           std::to_string(text_.size()));
}

size_t NSAttributedString::runIndexAt(NSUInteger index) const {
  auto it = std::upper_bound(runs_.begin(), runs_.end(), index,
                             [](NSUInteger i, const Run& r) { return i < r.start; });
  return it == runs_.begin() ? 0 : static_cast<size_t>(it - runs_.begin() - 1);
}

Strong<NSDictionary> NSAttributedString::attributesAtIndexEffectiveRange(
    NSUInteger index, NSRangePointer range) const {
  if (index >= text_.size())
    NSException::raise(NSRangeException, "attributesAtIndex:effectiveRange: index " +
                                             std::to_string(index) + " beyond length " +
                                             std::to_string(text_.size()));
  size_t i = runIndexAt(index);
  if (range) *range = NSMakeRange(runs_[i].start, runEnd(i) - runs_[i].start);
  return runs_[i].attrs;
}

id NSAttributedString::attributeAtIndexEffectiveRange(const Strong<NSString>& name,
                                                      NSUInteger index,
                                                      NSRangePointer range) const {
  if (index >= text_.size())
    NSException::raise(NSRangeException, "attribute:atIndex:effectiveRange: index " +
                                             std::to_string(index) + " beyond length " +
                                             std::to_string(text_.size()));
  size_t i = runIndexAt(index);
  id value = name ? runs_[i].attrs->objectForKey(name) : nullptr;
  if (range) *range = NSMakeRange(runs_[i].start, runEnd(i) - runs_[i].start);
  return value;
}

Strong<NSDictionary> NSAttributedString::attributesAtIndexLongestEffectiveRangeInRange(
    NSUInteger index, NSRangePointer range, NSRange limit) const {
  checkRange(limit, "attributesAtIndex:longestEffectiveRange:inRange:");
  Strong<NSDictionary> attrs = attributesAtIndexEffectiveRange(index, nullptr);
  if (range) {
    // Runs are coalesced, so a run's neighbours always differ: the run is the longest.
    size_t i = runIndexAt(index);
    NSUInteger a = std::max(runs_[i].start, limit.location);
    NSUInteger b = std::min(runEnd(i), limit.location + limit.length);
    *range = b > a ? NSMakeRange(a, b - a) : NSMakeRange(index, 0);
  }
  return attrs;
}

id NSAttributedString::attributeAtIndexLongestEffectiveRangeInRange(const Strong<NSString>& name,
                                                                    NSUInteger index,
                                                                    NSRangePointer range,
                                                                    NSRange limit) const {
  checkRange(limit, "attribute:atIndex:longestEffectiveRange:inRange:");
  id value = attributeAtIndexEffectiveRange(name, index, nullptr);
  if (range) {
    NSUInteger lo = limit.location, hi = limit.location + limit.length;
    size_t i = runIndexAt(index);
    size_t a = i, b = i;
    auto valueAt = [&](size_t k) { return name ? runs_[k].attrs->objectForKey(name) : id(); };
    while (a > 0 && runs_[a].start > lo && sameValue(valueAt(a - 1), value)) --a;
    while (b + 1 < runs_.size() && runEnd(b) < hi && sameValue(valueAt(b + 1), value)) ++b;
    NSUInteger s = std::max(runs_[a].start, lo), e = std::min(runEnd(b), hi);
    *range = e > s ? NSMakeRange(s, e - s) : NSMakeRange(index, 0);
  }
  return value;
}

Strong<NSAttributedString> NSAttributedString::attributedSubstringFromRange(NSRange range) const {
  checkRange(range, "attributedSubstringFromRange:");
  auto s = std::make_shared<NSAttributedString>();
  s->assignFrom(*this, range);
  s->string_ = std::make_shared<NSString>(s->text_);
  return s;
}

BOOL NSAttributedString::isEqualToAttributedString(const NSAttributedString* other) const {
  if (!other) return NO;
  if (other == this) return YES;
  if (text_ != other->text_ || runs_.size() != other->runs_.size()) return NO;
  for (size_t i = 0; i < runs_.size(); ++i) {
    if (runs_[i].start != other->runs_[i].start) return NO;
    if (!sameAttributes(runs_[i].attrs, other->runs_[i].attrs)) return NO;
  }
  return YES;
}

BOOL NSAttributedString::isEqualToAttributedString(const Strong<NSAttributedString>& other) const {
  return isEqualToAttributedString(other.get());
}

BOOL NSAttributedString::isEqual(const NSObject* other) const {
  auto o = objc_cast<NSAttributedString>(other);
  return o && isEqualToAttributedString(o);
}

std::size_t NSAttributedString::hash() const {
  return std::hash<std::u16string>()(text_);
}

std::string NSAttributedString::description() const {
  std::string out;
  for (size_t i = 0; i < runs_.size(); ++i) {
    NSUInteger end = runEnd(i);
    out += NSString(text_.substr(runs_[i].start, end - runs_[i].start)).stdString();
    out += runs_[i].attrs->description();
  }
  return out;
}

void NSAttributedString::enumerateAttributesInRangeOptionsUsingBlock(
    NSRange range, NSAttributedStringEnumerationOptions options,
    const std::function<void(const Strong<NSDictionary>&, NSRange, BOOL*)>& block) const {
  checkRange(range, "enumerateAttributesInRange:options:usingBlock:");
  if (range.length == 0 || !block) return;
  NSUInteger a = range.location, b = range.location + range.length;
  std::vector<std::pair<Strong<NSDictionary>, NSRange>> pieces;
  for (size_t i = runIndexAt(a); i < runs_.size() && runs_[i].start < b; ++i) {
    NSUInteger s = std::max(runs_[i].start, a), e = std::min(runEnd(i), b);
    pieces.push_back({runs_[i].attrs, NSMakeRange(s, e - s)});
  }
  if (options & NSAttributedStringEnumerationReverse) std::reverse(pieces.begin(), pieces.end());
  BOOL stop = NO;
  for (const auto& [attrs, r] : pieces) {
    block(attrs, r, &stop);
    if (stop) break;
  }
}

void NSAttributedString::enumerateAttributeInRangeOptionsUsingBlock(
    const Strong<NSString>& name, NSRange range, NSAttributedStringEnumerationOptions options,
    const std::function<void(const id&, NSRange, BOOL*)>& block) const {
  checkRange(range, "enumerateAttribute:inRange:options:usingBlock:");
  if (range.length == 0 || !block) return;
  NSUInteger a = range.location, b = range.location + range.length;
  bool merge = !(options & NSAttributedStringEnumerationLongestEffectiveRangeNotRequired);
  // Collected first, so a block that edits the receiver sees stable ranges.
  std::vector<std::pair<id, NSRange>> pieces;
  for (size_t i = runIndexAt(a); i < runs_.size() && runs_[i].start < b; ++i) {
    NSUInteger s = std::max(runs_[i].start, a), e = std::min(runEnd(i), b);
    id v = name ? runs_[i].attrs->objectForKey(name) : nullptr;
    if (merge && !pieces.empty() && sameValue(pieces.back().first, v)) {
      pieces.back().second.length = e - pieces.back().second.location;
    } else {
      pieces.push_back({v, NSMakeRange(s, e - s)});
    }
  }
  if (options & NSAttributedStringEnumerationReverse) std::reverse(pieces.begin(), pieces.end());
  BOOL stop = NO;
  for (const auto& [v, r] : pieces) {
    block(v, r, &stop);
    if (stop) break;
  }
}

Strong<NSAttributedString> NSAttributedString::copy() const {
  if (isMemberOfClass(NSAttributedString::class_()))
    return std::const_pointer_cast<NSAttributedString>(retainedSelf<NSAttributedString>());
  auto s = std::make_shared<NSAttributedString>();
  s->text_ = text_;
  s->runs_ = runs_;
  s->string_ = std::make_shared<NSString>(text_);
  return s;
}

Strong<NSMutableAttributedString> NSAttributedString::mutableCopy() const {
  auto s = std::make_shared<NSMutableAttributedString>();
  s->text_ = text_;
  s->runs_ = runs_;
  s->string_ = nullptr;
  return s;
}

// Mutable

Strong<NSMutableAttributedString> NSMutableAttributedString::initWithString(
    const Strong<NSString>& string) {
  return initWithStringAttributes(string, nullptr);
}

Strong<NSMutableAttributedString> NSMutableAttributedString::initWithStringAttributes(
    const Strong<NSString>& string, const Strong<NSDictionary>& attrs) {
  auto s = std::make_shared<NSMutableAttributedString>(string, attrs);
  s->string_ = nullptr;
  return s;
}

Strong<NSMutableAttributedString> NSMutableAttributedString::initWithAttributedString(
    const Strong<NSAttributedString>& other) {
  auto s = std::make_shared<NSMutableAttributedString>();
  s->string_ = nullptr;
  if (other) s->setAttributedString(other);
  return s;
}

size_t NSMutableAttributedString::splitAt(NSUInteger pos) {
  if (pos >= text_.size()) return runs_.size();
  size_t i = runIndexAt(pos);
  if (runs_[i].start == pos) return i;
  runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(i) + 1, Run{pos, runs_[i].attrs});
  return i + 1;
}

void NSMutableAttributedString::coalesce(size_t from, size_t to) {
  if (runs_.empty()) return;
  from = from > 0 ? from - 1 : 0;
  to = std::min(to + 1, runs_.size());
  size_t out = from;
  for (size_t i = from + 1; i < to; ++i) {
    if (sameAttributes(runs_[out].attrs, runs_[i].attrs)) continue;
    runs_[++out] = std::move(runs_[i]);
  }
  runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(out) + 1,
              runs_.begin() + static_cast<std::ptrdiff_t>(to));
}

void NSMutableAttributedString::editAttributes(
    NSRange range, const std::function<Strong<NSDictionary>(const Strong<NSDictionary>&)>& f) {
  if (range.length == 0) return;
  size_t i = splitAt(range.location);
  size_t j = splitAt(range.location + range.length);
  for (size_t k = i; k < j; ++k) runs_[k].attrs = frozen(f(runs_[k].attrs));
  coalesce(i, j);
}

void NSMutableAttributedString::addAttributeValueRange(const Strong<NSString>& name,
                                                       const id& value, NSRange range) {
  if (!name || !value)
    NSException::raise(NSInvalidArgumentException,
                       "addAttribute:value:range: nil attribute name or value");
  checkRange(range, "addAttribute:value:range:");
  editAttributes(range, [&](const Strong<NSDictionary>& d) -> Strong<NSDictionary> {
    auto m = d->mutableCopy();
    m->setObjectForKey(value, name);
    return m;
  });
}

void NSMutableAttributedString::addAttributesRange(const Strong<NSDictionary>& attrs,
                                                   NSRange range) {
  checkRange(range, "addAttributes:range:");
  if (!attrs || attrs->count() == 0) return;
  editAttributes(range, [&](const Strong<NSDictionary>& d) -> Strong<NSDictionary> {
    auto m = d->mutableCopy();
    m->addEntriesFromDictionary(attrs);
    return m;
  });
}

void NSMutableAttributedString::setAttributesRange(const Strong<NSDictionary>& attrs,
                                                   NSRange range) {
  checkRange(range, "setAttributes:range:");
  Strong<NSDictionary> f = frozen(attrs);
  editAttributes(range, [&](const Strong<NSDictionary>&) { return f; });
}

void NSMutableAttributedString::removeAttributeRange(const Strong<NSString>& name, NSRange range) {
  checkRange(range, "removeAttribute:range:");
  if (!name) return;
  editAttributes(range, [&](const Strong<NSDictionary>& d) -> Strong<NSDictionary> {
    if (!d->objectForKey(name)) return d;
    auto m = d->mutableCopy();
    m->removeObjectForKey(name);
    return m;
  });
}

void NSMutableAttributedString::insertRuns(NSUInteger at, const std::u16string& text,
                                           const std::vector<Run>& runs) {
  if (text.empty()) return;
  string_ = nullptr;
  size_t k = splitAt(at);
  for (size_t i = k; i < runs_.size(); ++i) runs_[i].start += text.size();
  std::vector<Run> shifted = runs;
  for (Run& r : shifted) r.start += at;
  runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(k), shifted.begin(), shifted.end());
  text_.insert(at, text);
  coalesce(k, k + shifted.size());
}

void NSMutableAttributedString::deleteCharactersInRange(NSRange range) {
  checkRange(range, "deleteCharactersInRange:");
  if (range.length == 0) return;
  string_ = nullptr;
  size_t i = splitAt(range.location);
  size_t j = splitAt(range.location + range.length);
  runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(i),
              runs_.begin() + static_cast<std::ptrdiff_t>(j));
  for (size_t k = i; k < runs_.size(); ++k) runs_[k].start -= range.length;
  text_.erase(range.location, range.length);
  coalesce(i, i);
}

void NSMutableAttributedString::replaceCharactersInRangeWithString(NSRange range,
                                                                   const Strong<NSString>& string) {
  checkRange(range, "replaceCharactersInRange:withString:");
  Strong<NSDictionary> attrs = emptyAttributes();
  if (range.length > 0) {
    attrs = runs_[runIndexAt(range.location)].attrs;
  } else if (range.location > 0) {
    attrs = runs_[runIndexAt(range.location - 1)].attrs;
  } else if (!text_.empty()) {
    attrs = runs_[0].attrs;
  }
  deleteCharactersInRange(range);
  if (string && string->length() > 0)
    insertRuns(range.location, string->characters(), {{0, attrs}});
}

void NSMutableAttributedString::replaceCharactersInRangeWithAttributedString(
    NSRange range, const Strong<NSAttributedString>& string) {
  checkRange(range, "replaceCharactersInRange:withAttributedString:");
  // Taken before deleting: the argument may be the receiver itself.
  std::u16string text = string ? string->text_ : std::u16string();
  std::vector<Run> runs = string ? string->runs_ : std::vector<Run>();
  deleteCharactersInRange(range);
  insertRuns(range.location, text, runs);
}

void NSMutableAttributedString::insertAttributedStringAtIndex(
    const Strong<NSAttributedString>& string, NSUInteger index) {
  replaceCharactersInRangeWithAttributedString(NSMakeRange(index, 0), string);
}

void NSMutableAttributedString::appendAttributedString(const Strong<NSAttributedString>& string) {
  replaceCharactersInRangeWithAttributedString(NSMakeRange(text_.size(), 0), string);
}

void NSMutableAttributedString::setAttributedString(const Strong<NSAttributedString>& string) {
  if (string.get() == this) return;
  string_ = nullptr;
  text_ = string ? string->text_ : std::u16string();
  runs_ = string ? string->runs_ : std::vector<Run>();
}
