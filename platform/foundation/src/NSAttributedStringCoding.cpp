// Attributed strings in an archive, in the device's shape:
//   "NSString"        the characters (a string, or a mutable string object);
//   "NSAttributes"    one run: its attribute dictionary; several runs: an array of
//                     attribute dictionaries, one shared by several runs stored once
//                     (equal but distinct ones may be stored twice, as on the device);
//   "NSAttributeInfo" several runs only: data holding, for each run in order, two
//                     unsigned LEB128 numbers, the run's length in UTF-16 units and the
//                     index of its dictionary in "NSAttributes".
#include <unordered_map>

#include "Foundation/NSArray.h"
#include "Foundation/NSAttributedString.h"
#include "Foundation/NSCoder.h"
#include "Foundation/NSData.h"
#include "Foundation/NSError.h"
#include "objc/alloc.h"

namespace {

void appendLEB128(std::vector<uint8_t>& out, uint64_t v) {
  do {
    uint8_t byte = v & 0x7F;
    v >>= 7;
    out.push_back(v ? byte | 0x80 : byte);
  } while (v);
}

// False for a number cut short or wider than 64 bits.
bool readLEB128(const uint8_t*& p, const uint8_t* end, uint64_t* v) {
  *v = 0;
  for (unsigned shift = 0; p < end; shift += 7) {
    uint8_t byte = *p++;
    if (shift == 63 && (byte & 0x7E)) return false;
    *v |= uint64_t(byte & 0x7F) << shift;
    if (!(byte & 0x80)) return true;
    if (shift >= 63) return false;
  }
  return false;
}

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
      appendLEB128(info, s->runEnd(i) - s->runs_[i].start);
      appendLEB128(info, it->second);
    }
    coder->encodeObjectForKey(std::make_shared<NSArray>(std::move(distinct)),
                              NSSTR("NSAttributes"));
    coder->encodeObjectForKey(std::make_shared<NSData>(std::move(info)), NSSTR("NSAttributeInfo"));
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
    auto info = coder->decodeObjectOfClassForKey<NSData>(NSSTR("NSAttributeInfo"));
    if (coder->error()) return nullptr;
    s->text_ = string ? string->characters() : std::u16string();
    s->runs_.clear();
    const NSUInteger length = s->text_.size();
    if (auto single = objc_cast<NSDictionary>(attributes)) {
      if (length) s->runs_.push_back({0, immutable(single)});
    } else if (auto table = objc_cast<NSArray>(attributes)) {
      if (!info) return fail("has several attribute dictionaries but no NSAttributeInfo");
      std::vector<Strong<NSDictionary>> dictionaries;
      dictionaries.reserve(table->count());
      for (const id& item : *table) {
        auto d = objc_cast<NSDictionary>(item);
        if (!d) return fail("has attributes that are not a dictionary");
        dictionaries.push_back(immutable(d));
      }
      const auto* p = static_cast<const uint8_t*>(info->bytes());
      const uint8_t* end = p + info->length();
      NSUInteger at = 0;
      while (p < end) {
        uint64_t runLength = 0, which = 0;
        if (!readLEB128(p, end, &runLength) || !readLEB128(p, end, &which))
          return fail("has a damaged NSAttributeInfo");
        if (which >= dictionaries.size())
          return fail("names attribute dictionary " + std::to_string(which) + " of " +
                      std::to_string(dictionaries.size()));
        if (runLength > length - at) return fail("has runs longer than its text");
        if (runLength == 0) continue;
        const Strong<NSDictionary>& attrs = dictionaries[which];
        if (s->runs_.empty() || !DictionaryEqual{}(s->runs_.back().attrs, attrs))
          s->runs_.push_back({at, attrs});
        at += runLength;
      }
      if (at != length) return fail("has runs shorter than its text");
    } else if (attributes) {
      return fail("has attributes that are neither a dictionary nor an array");
    } else if (length) {
      s->runs_.push_back({0, NSDictionary::dictionary()});
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
