#include "Foundation/NSKeyedUnarchiver.h"

#include <cmath>
#include <string>
#include <vector>

#include "Foundation/NSData.h"
#include "Foundation/NSDate.h"
#include "Foundation/NSError.h"
#include "Foundation/NSKeyedArchiver.h"
#include "Foundation/NSNumber.h"
#include "Foundation/NSString.h"
#include "PropertyList.h"
#include "objc/alloc.h"

OBJC_CLASS_IMPL(NSKeyedUnarchiver) {}

namespace {

enum class Progress : uint8_t { NotYet, Decoding, Done };

// A UID: the property list's own, or the {"CF$UID": n} dictionary that XML reads as.
bool uidOf(plist_t node, uint64_t* uid) {
  switch (plist_get_node_type(node)) {
    case PLIST_UID:
      plist_get_uid_val(node, uid);
      return true;
    case PLIST_DICT: {
      if (plist_dict_get_size(node) != 1) return false;
      plist_t v = plist_dict_get_item(node, "CF$UID");
      if (!v || plist_get_node_type(v) != PLIST_UINT) return false;
      plist_get_uint_val(v, uid);
      return true;
    }
    default:
      return false;
  }
}

// Visits an array's items in order (libplist's indexed access walks the list).
template <class F>
void forEachItem(plist_t array, F&& f) {
  plist_array_iter iter = nullptr;
  plist_array_new_iter(array, &iter);
  if (!iter) return;
  for (plist_t item = nullptr;;) {
    plist_array_next_item(array, iter, &item);
    if (!item || !f(item)) break;
  }
  free(iter);
}

std::string stringOf(plist_t node) {
  uint64_t length = 0;
  const char* p = plist_get_string_ptr(node, &length);
  return p ? std::string(p, length) : std::string();
}

}  // namespace

// Decoding state over the archive's nodes. An entry of "$objects" holds its object in
// `decoded` once `progress` is Done; meeting an entry that is still Decoding means the
// archive refers back into an object being made, which is refused. (One vector of
// entries rather than three: each large allocation costs the allocator a consolidation.)
struct NSKeyedUnarchiver::State {
  struct Entry {
    plist_t node;
    id decoded;
    // For a class description, the class it resolved to once it has (kept with the entry
    // rather than in a map of its own, which cost an allocation per class).
    Class resolved = nullptr;
    Progress progress = Progress::NotYet;
  };
  plist_t root = nullptr;
  std::vector<Entry> objects;
  // Dictionaries whose keys are being read, innermost last; the first is "$top".
  std::vector<plist_t> current;
  std::string key;
  // The last key looked up and what it found: a class that asks whether a key is there
  // and then decodes it looks the key up once.
  plist_t lastDictionary = nullptr;
  std::string lastKey;
  plist_t lastValue = nullptr;

  ~State() { clear(); }

  // Back to no archive, keeping the vectors' room.
  void clear() {
    if (root) plist_free(root);
    root = nullptr;
    objects.clear();
    current.clear();
    lastDictionary = nullptr;
    lastValue = nullptr;
  }

  const char* escaped(const Strong<NSString>& k) {
    const char* utf8 = k ? k->UTF8String() : "";
    if (utf8[0] != '$') return utf8;
    key.assign("$").append(utf8);
    return key.c_str();
  }
  plist_t valueFor(const Strong<NSString>& k) {
    if (!root || current.empty()) return nullptr;
    plist_t dictionary = current.back();
    const char* name = escaped(k);
    if (dictionary == lastDictionary && lastKey == name) return lastValue;
    lastDictionary = dictionary;
    lastKey = name;
    return lastValue = plist_dict_get_item(dictionary, name);
  }
  // The plain value a UID refers to (the device stores some numbers that way: a range's
  // NS.rangeval.location, for one); `v` itself when it is not a UID, and none when the
  // UID is out of range or refers to an object.
  plist_t plainValueOf(plist_t v) {
    uint64_t uid = 0;
    if (!v || !uidOf(v, &uid)) return v;
    if (uid == 0 || uid >= objects.size()) return nullptr;
    plist_t entry = objects[uid].node;
    return plist_get_node_type(entry) == PLIST_DICT ? nullptr : entry;
  }
};

NSKeyedUnarchiver::NSKeyedUnarchiver() : s_(std::make_unique<State>()) {}
NSKeyedUnarchiver::~NSKeyedUnarchiver() = default;

namespace {

Strong<NSError> corrupt(const std::string& why) {
  return NSError::errorWithCode(NSCoderReadCorruptError, "the archive is damaged: " + why);
}

}  // namespace

Strong<NSKeyedUnarchiver> NSKeyedUnarchiver::initForReadingFromDataError(const Strong<NSData>& data,
                                                                         Strong<NSError>* error) {
  auto refuse = [&](const std::string& why) -> Strong<NSKeyedUnarchiver> {
    NSErrorSet(error, corrupt(why));
    return nullptr;
  };
  if (!data) return refuse("no data");
  std::string why;
  plist_t root =
      foundation::plist::parseNode(data->bytes(), data->length(), kMaxObjects, nullptr, &why);
  if (!root) return refuse(why);
  auto coder = std::make_shared<NSKeyedUnarchiver>();
  State& s = *coder->s_;
  s.root = root;
  if (plist_get_node_type(root) != PLIST_DICT) return refuse("the top level is not a dictionary");
  plist_t archiver = plist_dict_get_item(root, "$archiver");
  if (!archiver || plist_get_node_type(archiver) != PLIST_STRING ||
      stringOf(archiver) != "NSKeyedArchiver")
    return refuse("not written by NSKeyedArchiver ($archiver)");
  plist_t version = plist_dict_get_item(root, "$version");
  uint64_t v = 0;
  if (!version || plist_get_node_type(version) != PLIST_UINT ||
      (plist_get_uint_val(version, &v), v != NSKeyedArchiver::kArchiveVersion))
    return refuse("unknown $version");
  plist_t top = plist_dict_get_item(root, "$top");
  if (!top || plist_get_node_type(top) != PLIST_DICT) return refuse("$top is not a dictionary");
  plist_t objects = plist_dict_get_item(root, "$objects");
  if (!objects || plist_get_node_type(objects) != PLIST_ARRAY)
    return refuse("$objects is not an array");
  uint32_t n = plist_array_get_size(objects);
  s.objects.reserve(n);
  forEachItem(objects, [&](plist_t item) {
    s.objects.push_back({item, nullptr});
    return true;
  });
  if (s.objects.size() != n) return refuse("$objects could not be read");
  s.current.push_back(top);
  return coder;
}

id NSKeyedUnarchiver::unarchiveObjectWithData(const Strong<NSData>& data) {
  return unarchiveTopLevelObjectWithDataError(data, nullptr);
}

id NSKeyedUnarchiver::unarchiveTopLevelObjectWithDataError(const Strong<NSData>& data,
                                                           Strong<NSError>* error) {
  auto coder = initForReadingFromDataError(data, error);
  if (!coder) return nullptr;
  if (!coder->containsValueForKey(NSKeyedArchiveRootObjectKey)) {
    NSErrorSet(error,
               NSError::errorWithCode(NSCoderValueNotFoundError, "the archive has no root object"));
    return nullptr;
  }
  id root = coder->decodeObjectForKey(NSKeyedArchiveRootObjectKey);
  coder->finishDecoding();
  if (coder->error()) {
    NSErrorSet(error, coder->error());
    return nullptr;
  }
  return root;
}

void NSKeyedUnarchiver::finishDecoding() {
  s_->clear();
}

BOOL NSKeyedUnarchiver::containsValueForKey(const Strong<NSString>& key) {
  return s_->valueFor(key) != nullptr;
}

namespace {

// Makes the object of entry `uid`, whose node is a dictionary naming its class.
struct ObjectMaker {
  NSKeyedUnarchiver* coder;
  NSKeyedUnarchiver::State& s;

  void fail(const std::string& why) { coder->failWithError(corrupt(why)); }

  Class classOf(uint64_t uid, plist_t node) {
    plist_t ref = plist_dict_get_item(node, "$class");
    uint64_t classUid = 0;
    if (!ref || !uidOf(ref, &classUid))
      return fail("object " + std::to_string(uid) + " has no $class"), nullptr;
    if (classUid != 0 && classUid < s.objects.size() && s.objects[classUid].resolved)
      return s.objects[classUid].resolved;
    std::string at = "object " + std::to_string(uid);
    if (classUid == 0 || classUid >= s.objects.size())
      return fail(at + " has a $class outside $objects"), nullptr;
    plist_t description = s.objects[classUid].node;
    plist_t name = plist_get_node_type(description) == PLIST_DICT
                       ? plist_dict_get_item(description, "$classname")
                       : nullptr;
    if (!name || plist_get_node_type(name) != PLIST_STRING)
      return fail(at + "'s $class is not a class description"), nullptr;
    std::vector<std::string> names{stringOf(name)};
    if (plist_t chain = plist_dict_get_item(description, "$classes")) {
      if (plist_get_node_type(chain) != PLIST_ARRAY)
        return fail(at + "'s $classes is not an array"), nullptr;
      forEachItem(chain, [&](plist_t item) {
        if (plist_get_node_type(item) == PLIST_STRING) names.push_back(stringOf(item));
        return names.size() < 64;
      });
    }
    // The archived class itself, else the nearest ancestor this process can make.
    SEL alloc = OBJC_SEL("alloc"), init = OBJC_SEL("initWithCoder:");
    for (const std::string& candidate : names) {
      Class cls = objc_getClass(candidate);
      if (!cls || !class_getMethodImplementation(cls, init)) continue;
      IMP own = class_getMethodImplementation(cls, alloc);
      if (!own || own == class_getMethodImplementation(class_getSuperclass(cls), alloc)) continue;
      s.objects[classUid].resolved = cls;
      return cls;
    }
    // Not damage: a class of the device this reader has no model of.
    coder->failWithError(NSError::errorWithCode(
        NSCoderReadCorruptError, "the archive holds an object of class " + names.front() + " (" +
                                     at + "), which this reader does not model"));
    return nullptr;
  }

  id object(uint64_t uid) {
    if (coder->error()) return nullptr;
    if (uid >= s.objects.size()) {
      fail("a UID (" + std::to_string(uid) + ") points past the end of $objects (" +
           std::to_string(s.objects.size()) + " entries)");
      return nullptr;
    }
    if (uid == 0) return nullptr;
    NSKeyedUnarchiver::State::Entry& entry = s.objects[uid];
    switch (entry.progress) {
      case Progress::Done:
        return entry.decoded;
      case Progress::Decoding:
        fail("object " + std::to_string(uid) + " contains itself");
        return nullptr;
      case Progress::NotYet:
        break;
    }
    plist_t node = entry.node;
    uint64_t ignored;
    if (plist_get_node_type(node) != PLIST_DICT || uidOf(node, &ignored)) {
      id value = foundation::plist::scalarOf(node);
      if (!value) fail("entry " + std::to_string(uid) + " of $objects is not an object");
      entry.progress = Progress::Done;
      return entry.decoded = value;
    }
    Class cls = classOf(uid, node);
    if (!cls) return nullptr;
    if (static_cast<int>(s.current.size()) > NSKeyedUnarchiver::kMaxDepth) {
      fail("objects nest too deeply");
      return nullptr;
    }
    id placeholder = class_createInstance(cls);
    if (!placeholder) {
      fail(std::string("an object of class ") + class_getName(cls) + " could not be made");
      return nullptr;
    }
    SEL sel = OBJC_SEL("initWithCoder:");
    IMP init = class_getMethodImplementation(cls, sel);
    entry.progress = Progress::Decoding;
    s.current.push_back(node);
    id made;
    try {
      made = objc_callImp<id>(init, placeholder.get(), sel, static_cast<NSCoder*>(coder));
    } catch (const NSException& e) {
      fail(std::string("decoding an object of class ") + class_getName(cls) + " raised " +
           e.what());
    }
    s.current.pop_back();
    // (Decoding may not grow `objects`, so `entry` still refers into it.)
    entry.progress = Progress::Done;
    if (coder->error()) made = nullptr;
    return entry.decoded = made;
  }
};

}  // namespace

id NSKeyedUnarchiver::decodeObjectForKey(const Strong<NSString>& key) {
  if (error()) return nullptr;
  plist_t v = s_->valueFor(key);
  if (!v) return nullptr;
  uint64_t uid = 0;
  if (!uidOf(v, &uid)) {
    failWithError(corrupt("the value for key '" + key->stdString() + "' is not an object"));
    return nullptr;
  }
  return ObjectMaker{this, *s_}.object(uid);
}

namespace {

// A number as an archive stores it: booleans and integers as integers.
struct StoredNumber {
  bool isReal = false;
  double real = 0;
  int64_t integer = 0;
};

// The number stored under `key`, in place or as a plain value referred to: false when
// there is none, and also, after a failure naming `what` it should have been, when the
// key holds something else (with `integral`, also a real outside the 64-bit integers).
bool numberFor(NSKeyedUnarchiver* coder, NSKeyedUnarchiver::State& s, const Strong<NSString>& key,
               const char* what, bool integral, StoredNumber* n) {
  plist_t v = s.valueFor(key);
  if (!v) return false;
  v = s.plainValueOf(v);
  switch (v ? plist_get_node_type(v) : PLIST_NONE) {
    case PLIST_BOOLEAN: {
      uint8_t b = 0;
      plist_get_bool_val(v, &b);
      n->integer = b;
      return true;
    }
    case PLIST_UINT: {
      uint64_t u = 0;
      plist_get_uint_val(v, &u);
      n->integer = static_cast<int64_t>(u);
      return true;
    }
    case PLIST_REAL:
      plist_get_real_val(v, &n->real);
      n->isReal = true;
      if (!integral || (n->real >= -9223372036854775808.0 && n->real < 9223372036854775808.0))
        return true;
      break;
    default:
      break;
  }
  coder->failWithError(
      corrupt("the value for key '" + key->stdString() + "' is not " + std::string(what)));
  return false;
}

}  // namespace

BOOL NSKeyedUnarchiver::decodeBoolForKey(const Strong<NSString>& key) {
  StoredNumber n;
  if (error() || !numberFor(this, *s_, key, "a boolean", false, &n)) return NO;
  return n.isReal ? n.real != 0 : n.integer != 0;
}

int64_t NSKeyedUnarchiver::decodeInt64ForKey(const Strong<NSString>& key) {
  StoredNumber n;
  if (error() || !numberFor(this, *s_, key, "an integer", true, &n)) return 0;
  return n.isReal ? static_cast<int64_t>(n.real) : n.integer;
}

double NSKeyedUnarchiver::decodeDoubleForKey(const Strong<NSString>& key) {
  StoredNumber n;
  if (error() || !numberFor(this, *s_, key, "a number", false, &n)) return 0;
  return n.isReal ? n.real : static_cast<double>(n.integer);
}

const uint8_t* NSKeyedUnarchiver::decodeBytesForKeyReturnedLength(const Strong<NSString>& key,
                                                                  NSUInteger* length) {
  if (length) *length = 0;
  if (error()) return nullptr;
  plist_t v = s_->valueFor(key);
  if (!v) return nullptr;
  if (plist_get_node_type(v) != PLIST_DATA) {
    failWithError(corrupt("the value for key '" + key->stdString() + "' is not data"));
    return nullptr;
  }
  uint64_t n = 0;
  const char* p = plist_get_data_ptr(v, &n);
  if (length) *length = n;
  return reinterpret_cast<const uint8_t*>(p);
}

Strong<NSData> NSKeyedUnarchiver::decodeDataForKey(const Strong<NSString>& key) {
  if (error()) return nullptr;
  plist_t v = s_->valueFor(key);
  if (!v) return nullptr;
  if (plist_get_node_type(v) == PLIST_DATA) {
    uint64_t n = 0;
    const char* p = plist_get_data_ptr(v, &n);
    return NSData::dataWithBytes(p, p ? n : 0);
  }
  return decodeObjectOfClassForKey<NSData>(key);
}

Strong<NSString> NSKeyedUnarchiver::decodeStringForKey(const Strong<NSString>& key) {
  if (error()) return nullptr;
  plist_t v = s_->valueFor(key);
  if (!v) return nullptr;
  if (plist_get_node_type(v) == PLIST_STRING) {
    uint64_t length = 0;
    const char* p = plist_get_string_ptr(v, &length);
    return NSString::stringWithUTF8String(std::string_view(p ? p : "", p ? length : 0));
  }
  return decodeObjectOfClassForKey<NSString>(key);
}

bool NSKeyedUnarchiver::decodeArrayOfObjectsForKey(const Strong<NSString>& key,
                                                   std::vector<id>& objects) {
  objects.clear();
  if (error()) return false;
  plist_t v = s_->valueFor(key);
  if (!v) return true;
  auto fail = [&](const std::string& why) {
    objects.clear();
    failWithError(corrupt("the value for key '" + key->stdString() + "' " + why));
    return false;
  };
  if (plist_get_node_type(v) != PLIST_ARRAY) return fail("is not an array");
  uint32_t n = plist_array_get_size(v);
  objects.reserve(n);
  ObjectMaker maker{this, *s_};
  const char* problem = nullptr;
  forEachItem(v, [&](plist_t item) {
    uint64_t uid = 0;
    if (!uidOf(item, &uid)) return problem = "holds something not an object", false;
    id object = maker.object(uid);
    if (error()) return false;
    if (!object) return problem = "holds none", false;
    objects.push_back(std::move(object));
    return true;
  });
  if (problem) return fail(problem);
  if (error()) {
    objects.clear();
    return false;
  }
  return true;
}
