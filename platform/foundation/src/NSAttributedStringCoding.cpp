// Attributed strings in an archive, in the device's shape:
//   "NSString"        the characters (a string, or a mutable string object);
//   "NSAttributes"    one run: its attribute dictionary; several runs: an array of
//                     attribute dictionaries, one shared by several runs stored once
//                     (equal but distinct ones may be stored twice, as on the device);
//   "NSAttributeInfo" several runs only: a data object (the device writes a mutable
//                     one; data in place reads too) holding, for each run in order, two
//                     packed numbers (PackedIntegers.h), the run's length in UTF-16 units
//                     and the index of its dictionary in "NSAttributes".
#include <unordered_map>

#include "Foundation/NSArray.h"
#include "Foundation/NSAttributedString.h"
#include "Foundation/NSCoder.h"
#include "Foundation/NSData.h"
#include "Foundation/NSError.h"
#include "PackedIntegers.h"
#include "objc/alloc.h"

namespace {

struct DictionaryEqual {
  bool operator()(const Strong<NSDictionary>& a, const Strong<NSDictionary>& b) const {
    return a == b || a->isEqualToDictionary(b);
  }
};

Strong<NSDictionary> immutable(const Strong<NSDictionary>& d) {
  return d->isMemberOfClass(NSDictionary::class_()) ? d : d->copy();
}

}  // namespace

struct NSAttributedStringCoding {
  using Run = NSAttributedString::Run;

  static void encode(NSObject* self, SEL, NSCoder* coder) {
    auto* s = static_cast<NSAttributedString*>(self);
    coder->encodeObjectForKey(NSString::stringWithCharacters(s->text_), NSSTR("NSString"));
    if (s->runs_.empty()) return;
    if (s->runs_.size() == 1) {
      coder->encodeObjectForKey(s->runs_[0].attrs, NSSTR("NSAttributes"));
      return;
    }
    std::vector<id> distinct;
    std::unordered_map<const NSDictionary*, uint64_t> index;
    std::vector<uint8_t> info;
    for (size_t i = 0; i < s->runs_.size(); ++i) {
      auto [it, fresh] = index.try_emplace(s->runs_[i].attrs.get(), distinct.size());
      if (fresh) distinct.push_back(s->runs_[i].attrs);
      foundation::packed::append(info, s->runEnd(i) - s->runs_[i].start);
      foundation::packed::append(info, it->second);
    }
    coder->encodeObjectForKey(std::make_shared<NSArray>(std::move(distinct)),
                              NSSTR("NSAttributes"));
    coder->encodeObjectForKey(std::make_shared<NSMutableData>(std::move(info)),
                              NSSTR("NSAttributeInfo"));
  }

  static id initWithCoder(NSObject* self, SEL, NSCoder* coder) {
    auto* s = static_cast<NSAttributedString*>(self);
    auto fail = [&](const std::string& why) -> id {
      coder->failWithError(
          NSError::errorWithCode(NSCoderReadCorruptError, "an attributed string " + why));
      return nullptr;
    };
    auto string = coder->decodeStringForKey(NSSTR("NSString"));
    id attributes = coder->decodeObjectForKey(NSSTR("NSAttributes"));
    auto info = coder->decodeDataForKey(NSSTR("NSAttributeInfo"));
    if (coder->error()) return nullptr;
    s->text_ = string ? string->characters() : std::u16string();
    s->runs_.clear();
    const NSUInteger length = s->text_.size();
    std::vector<Strong<NSDictionary>> dictionaries;
    if (auto single = objc_cast<NSDictionary>(attributes)) {
      dictionaries.push_back(immutable(single));
    } else if (auto table = objc_cast<NSArray>(attributes)) {
      if (!info) return fail("has several attribute dictionaries but no NSAttributeInfo");
      dictionaries.reserve(table->count());
      for (const id& item : *table) {
        auto d = objc_cast<NSDictionary>(item);
        if (!d) return fail("has attributes that are not a dictionary");
        dictionaries.push_back(immutable(d));
      }
    } else if (attributes) {
      return fail("has attributes that are neither a dictionary nor an array");
    } else if (info) {
      return fail("has NSAttributeInfo but no NSAttributes");
    } else if (length) {
      dictionaries.push_back(NSDictionary::dictionary());
    }
    if (!info) {
      // One run over the whole text.
      if (length) s->runs_.push_back({0, dictionaries.front()});
    } else {
      const auto* p = static_cast<const uint8_t*>(info->bytes());
      const uint8_t* end = p + info->length();
      NSUInteger at = 0;
      while (p < end) {
        uint64_t runLength = 0, which = 0;
        if (!foundation::packed::read(p, end, &runLength) ||
            !foundation::packed::read(p, end, &which))
          return fail("has a damaged NSAttributeInfo (a number cut short or too long)");
        if (which >= dictionaries.size())
          return fail("names attribute dictionary " + std::to_string(which) + " of " +
                      std::to_string(dictionaries.size()));
        if (runLength > length - at)
          return fail("has runs longer than its text (" + std::to_string(length) +
                      " UTF-16 units)");
        if (runLength == 0) continue;
        const Strong<NSDictionary>& attrs = dictionaries[which];
        if (s->runs_.empty() || !DictionaryEqual{}(s->runs_.back().attrs, attrs))
          s->runs_.push_back({at, attrs});
        at += runLength;
      }
      if (at != length)
        return fail("has runs of " + std::to_string(at) + " UTF-16 units for a text of " +
                    std::to_string(length));
    }
    // Only immutable strings keep their characters as a string object.
    s->string_ =
        objc_cast<NSMutableAttributedString>(s) ? nullptr : std::make_shared<NSString>(s->text_);
    return s->retainedSelf();
  }

  static bool registerMethods() {
    objc::registerAlloc<NSAttributedString>(NSAttributedString::class_());
    objc::registerAlloc<NSMutableAttributedString>(NSMutableAttributedString::class_());
    class_addMethod(NSAttributedString::class_(), OBJC_SEL("encodeWithCoder:"),
                    objc::method<&encode>());
    class_addMethod(NSAttributedString::class_(), OBJC_SEL("initWithCoder:"),
                    objc::method<&initWithCoder>());
    return true;
  }
};

[[maybe_unused]] static const bool NSAttributedStringCodingRegistered =
    NSAttributedStringCoding::registerMethods();
