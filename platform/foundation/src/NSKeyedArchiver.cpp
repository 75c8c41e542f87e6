#include "Foundation/NSKeyedArchiver.h"

#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "Foundation/NSData.h"
#include "Foundation/NSError.h"
#include "Foundation/NSNumber.h"
#include "Foundation/NSString.h"
#include "PropertyList.h"

OBJC_CLASS_IMPL(NSKeyedArchiver) {}

const Strong<NSString> NSKeyedArchiveRootObjectKey = NSString::stringWithUTF8String("root");

// The archive under construction, as libplist nodes: `root` owns `objects` and `top`.
// Objects are entered into `objects` before their own keys are written, so a graph that
// refers back to an object being encoded terminates (the reader refuses such cycles).
struct NSKeyedArchiver::State {
  plist_t root = nullptr;
  plist_t objects = nullptr;
  uint64_t count = 0;
  // Dictionaries receiving keys, innermost last; the first is "$top".
  std::vector<plist_t> current;
  std::unordered_map<const NSObject*, uint64_t> byIdentity;
  std::unordered_map<std::u16string, uint64_t> strings;
  std::unordered_map<Class, uint64_t> classes;
  // Keeps every encoded object alive, so no address in byIdentity is reused by a
  // temporary made later during encoding. (A deque grows in small blocks, which keeps
  // the allocator from consolidating its free lists on every doubling.)
  std::deque<id> retained;
  std::string key;
  bool finished = false;
  bool failed = false;

  State() {
    byIdentity.reserve(64);
    strings.reserve(64);
    root = plist_new_dict();
    objects = plist_new_array();
    plist_t top = plist_new_dict();
    plist_dict_set_item(root, "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_dict_set_item(root, "$objects", objects);
    plist_dict_set_item(root, "$top", top);
    plist_dict_set_item(root, "$version", plist_new_uint(NSKeyedArchiver::kArchiveVersion));
    append(plist_new_string("$null"));
    current.push_back(top);
  }
  ~State() { plist_free(root); }

  uint64_t append(plist_t node) {
    plist_array_append_item(objects, node);
    return count++;
  }

  // User keys beginning with '$' get another in front, clear of the archiver's own.
  const char* escaped(const Strong<NSString>& k) {
    const char* utf8 = k ? k->UTF8String() : "";
    if (utf8[0] != '$') return utf8;
    key.assign("$").append(utf8);
    return key.c_str();
  }
};

NSKeyedArchiver::NSKeyedArchiver() : s_(std::make_unique<State>()) {}
NSKeyedArchiver::~NSKeyedArchiver() = default;

Strong<NSData> NSKeyedArchiver::archivedDataWithRootObject(const id& root, Strong<NSError>* error) {
  return archivedDataWithRootObjectFormat(root, NSPropertyListBinaryFormat_v1_0, error);
}

Strong<NSData> NSKeyedArchiver::archivedDataWithRootObjectFormat(const id& root,
                                                                 NSPropertyListFormat format,
                                                                 Strong<NSError>* error) {
  auto archiver = std::make_shared<NSKeyedArchiver>();
  archiver->setOutputFormat(format);
  archiver->encodeObjectForKey(root, NSKeyedArchiveRootObjectKey);
  Strong<NSData> data = archiver->encodedData();
  if (!data) NSErrorSet(error, archiver->error());
  return data;
}

void NSKeyedArchiver::setOutputFormat(NSPropertyListFormat format) {
  format_ = format == NSPropertyListXMLFormat_v1_0 ? format : NSPropertyListBinaryFormat_v1_0;
}

namespace {

void checkOpen(bool finished) {
  if (finished)
    NSException::raise(NSInvalidArgumentException,
                       "NSKeyedArchiver: encoding after finishEncoding");
}

}  // namespace

void NSKeyedArchiver::finishEncoding() {
  if (s_->finished) return;
  s_->finished = true;
  if (s_->failed || error()) return;
  std::string bytes;
  if (!foundation::plist::writeNode(s_->root, format_, bytes)) {
    failWithError(NSError::errorWithCode(NSFormattingError, "the archive could not be written"));
    return;
  }
  data_ = NSData::dataWithBytes(bytes.data(), bytes.size());
  // The nodes are no longer needed; the objects may go.
  s_->retained.clear();
  s_->byIdentity.clear();
}

Strong<NSData> NSKeyedArchiver::encodedData() {
  finishEncoding();
  return data_;
}

// Encodes `object` (once) and answers its UID.
static uint64_t uidFor(NSKeyedArchiver* self, NSKeyedArchiver::State& s, const id& object);

void NSKeyedArchiver::encodeObjectForKey(const id& object, const Strong<NSString>& key) {
  checkOpen(s_->finished);
  if (s_->failed) return;
  uint64_t uid = uidFor(this, *s_, object);
  if (s_->failed) return;
  plist_dict_set_item(s_->current.back(), s_->escaped(key), plist_new_uid(uid));
}

void NSKeyedArchiver::encodeBoolForKey(BOOL value, const Strong<NSString>& key) {
  checkOpen(s_->finished);
  plist_dict_set_item(s_->current.back(), s_->escaped(key), plist_new_bool(value));
}

void NSKeyedArchiver::encodeInt64ForKey(int64_t value, const Strong<NSString>& key) {
  checkOpen(s_->finished);
  // libplist keeps integers as 64-bit patterns and writes them signed.
  plist_dict_set_item(s_->current.back(), s_->escaped(key),
                      plist_new_uint(static_cast<uint64_t>(value)));
}

void NSKeyedArchiver::encodeFloatForKey(float value, const Strong<NSString>& key) {
  encodeDoubleForKey(value, key);
}

void NSKeyedArchiver::encodeDoubleForKey(double value, const Strong<NSString>& key) {
  checkOpen(s_->finished);
  plist_dict_set_item(s_->current.back(), s_->escaped(key), plist_new_real(value));
}

void NSKeyedArchiver::encodeBytesLengthForKey(const void* bytes, NSUInteger length,
                                              const Strong<NSString>& key) {
  checkOpen(s_->finished);
  plist_dict_set_item(s_->current.back(), s_->escaped(key),
                      plist_new_data(static_cast<const char*>(bytes), bytes ? length : 0));
}

void NSKeyedArchiver::encodeStringForKey(const Strong<NSString>& string,
                                         const Strong<NSString>& key) {
  checkOpen(s_->finished);
  plist_dict_set_item(s_->current.back(), s_->escaped(key),
                      plist_new_string(string ? string->UTF8String() : ""));
}

void NSKeyedArchiver::encodeArrayOfObjectsForKey(const std::vector<id>& objects,
                                                 const Strong<NSString>& key) {
  checkOpen(s_->finished);
  if (s_->failed) return;
  plist_t array = plist_new_array();
  for (const id& object : objects) {
    uint64_t uid = uidFor(this, *s_, object);
    if (s_->failed) {
      plist_free(array);
      return;
    }
    plist_array_append_item(array, plist_new_uid(uid));
  }
  plist_dict_set_item(s_->current.back(), s_->escaped(key), array);
}

namespace {

plist_t plainNode(const NSObject* object) {
  if (auto* n = objc_cast<NSNumber>(object)) return foundation::plist::numberNode(n);
  if (object->getClass() == NSData::class_()) {
    auto* d = static_cast<const NSData*>(object);
    return plist_new_data(static_cast<const char*>(d->bytes()), d->length());
  }
  return nullptr;
}

uint64_t classUid(NSKeyedArchiver::State& s, Class cls) {
  auto known = s.classes.find(cls);
  if (known != s.classes.end()) return known->second;
  plist_t names = plist_new_array();
  for (Class c = cls; c; c = class_getSuperclass(c))
    plist_array_append_item(names, plist_new_string(class_getName(c)));
  plist_t description = plist_new_dict();
  plist_dict_set_item(description, "$classes", names);
  plist_dict_set_item(description, "$classname", plist_new_string(class_getName(cls)));
  uint64_t uid = s.append(description);
  s.classes.emplace(cls, uid);
  return uid;
}

}  // namespace

static uint64_t uidFor(NSKeyedArchiver* self, NSKeyedArchiver::State& s, const id& object) {
  if (!object) return 0;
  NSObject* raw = object.get();
  Class cls = raw->getClass();
  if (cls == NSString::class_()) {
    auto* string = static_cast<const NSString*>(raw);
    auto [it, fresh] = s.strings.try_emplace(string->characters(), s.count);
    if (fresh) s.append(plist_new_string(string->UTF8String()));
    return it->second;
  }
  auto known = s.byIdentity.find(raw);
  if (known != s.byIdentity.end()) return known->second;
  if (plist_t plain = plainNode(raw)) {
    uint64_t uid = s.append(plain);
    s.byIdentity.emplace(raw, uid);
    s.retained.push_back(object);
    return uid;
  }
  SEL sel = OBJC_SEL("encodeWithCoder:");
  IMP encode = class_getMethodImplementation(cls, sel);
  auto fail = [&](const std::string& why) {
    self->failWithError(NSError::errorWithCode(NSFormattingError, why));
    s.failed = true;
    return uint64_t{0};
  };
  if (!encode)
    return fail(std::string("objects of class ") + class_getName(cls) +
                " cannot be archived (no encodeWithCoder:)");
  if (static_cast<int>(s.current.size()) > NSKeyedArchiver::kMaxDepth)
    return fail("the object graph nests too deeply to archive");
  plist_t dict = plist_new_dict();
  uint64_t uid = s.append(dict);
  s.byIdentity.emplace(raw, uid);
  s.retained.push_back(object);
  static const SEL forArchiver = OBJC_SEL("classForKeyedArchiver");
  if (IMP stand = class_getMethodImplementation(cls, forArchiver))
    if (Class written = objc_callImp<Class>(stand, raw, forArchiver)) cls = written;
  plist_dict_set_item(dict, "$class", plist_new_uid(classUid(s, cls)));
  s.current.push_back(dict);
  try {
    objc_callImp(encode, raw, sel, static_cast<NSCoder*>(self));
  } catch (...) {
    s.current.pop_back();
    throw;
  }
  s.current.pop_back();
  return uid;
}
