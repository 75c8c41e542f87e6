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
#include "PropertyTree.h"
#include "objc/alloc.h"

OBJC_CLASS_IMPL(NSKeyedUnarchiver) {}

namespace {

enum class Progress : uint8_t { NotYet, Decoding, Done };

using Tree = foundation::plist::PropertyTree;
using Value = Tree::Value;
using Kind = Tree::Kind;

// A UID: the property list's own, or the {"CF$UID": n} dictionary that XML reads as.
bool uidOf(const Tree& tree, const Value* v, uint64_t* uid) {
  switch (v->kind) {
    case Kind::Uid:
      *uid = v->integer;
      return true;
    case Kind::Dict: {
      if (v->count != 1) return false;
      const Value* n = tree.valueFor(*v, "CF$UID");
      if (!n || n->kind != Kind::Integer) return false;
      *uid = n->integer;
      return true;
    }
    default:
      return false;
  }
}

// The object a value holds when it is a single value; none for a collection or a UID.
id scalarOf(const Value* v) {
  switch (v->kind) {
    case Kind::Boolean:
      return NSNumber::numberWithBool(v->integer != 0);
    case Kind::Integer:
      return NSNumber::numberWithLongLong(static_cast<long long>(v->integer));
    case Kind::Real:
      return NSNumber::numberWithDouble(v->real);
    case Kind::String:
      return NSString::stringWithUTF8String(v->text());
    case Kind::Date:
      return NSDate::dateWithTimeIntervalSinceReferenceDate(v->real);
    case Kind::Data:
      return NSData::dataWithBytes(v->bytes, v->length);
    default:
      return nullptr;
  }
}

}  // namespace

// Decoding state over the archive's nodes. An entry of "$objects" holds its object in
// `decoded` once `progress` is Done; meeting an entry that is still Decoding means the
// archive refers back into an object being made, which is refused. (One vector of
// entries rather than three: each large allocation costs the allocator a consolidation.)
struct NSKeyedUnarchiver::State {
  struct Entry {
    const Value* node;
    id decoded;
    // For a class description, the class it resolved to once it has (kept with the entry
    // rather than in a map of its own, which cost an allocation per class).
    Class resolved = nullptr;
    Progress progress = Progress::NotYet;
  };
  Tree tree;
  bool open = false;
  std::vector<Entry> objects;
  // Dictionaries whose keys are being read, innermost last; the first is "$top".
  std::vector<const Value*> current;
  std::string key;
  // The last key looked up and what it found: a class that asks whether a key is there
  // and then decodes it looks the key up once.
  const Value* lastDictionary = nullptr;
  std::string lastKey;
  const Value* lastValue = nullptr;

  ~State() { clear(); }

  // Back to no archive, keeping the vectors' room.
  void clear() {
    tree.clear();
    open = false;
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
  const Value* valueFor(const Strong<NSString>& k) {
    if (!open || current.empty()) return nullptr;
    const Value* dictionary = current.back();
    const char* name = escaped(k);
    if (dictionary == lastDictionary && lastKey == name) return lastValue;
    lastDictionary = dictionary;
    lastKey = name;
    return lastValue = tree.valueFor(*dictionary, lastKey);
  }
  // The plain value a UID refers to (the device stores some numbers that way: a range's
  // NS.rangeval.location, for one); `v` itself when it is not a UID, and none when the
  // UID is out of range or refers to an object.
  const Value* plainValueOf(const Value* v) {
    uint64_t uid = 0;
    if (!v || !uidOf(tree, v, &uid)) return v;
    if (uid == 0 || uid >= objects.size()) return nullptr;
    const Value* entry = objects[uid].node;
    return entry->kind == Kind::Dict ? nullptr : entry;
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
  auto coder = std::make_shared<NSKeyedUnarchiver>();
  State& s = *coder->s_;
  Tree& tree = s.tree;
  if (!tree.read(data->bytes(), data->length(), kMaxObjects, &why)) {
    s.clear();
    return refuse(why.empty() ? "not a property list" : why);
  }
  s.open = true;
  const Value* root = tree.top();
  if (!root || root->kind != Kind::Dict) return refuse("the top level is not a dictionary");
  const Value* archiver = tree.valueFor(*root, "$archiver");
  if (!archiver || archiver->kind != Kind::String || archiver->text() != "NSKeyedArchiver")
    return refuse("not written by NSKeyedArchiver ($archiver)");
  const Value* version = tree.valueFor(*root, "$version");
  if (!version || version->kind != Kind::Integer ||
      version->integer != NSKeyedArchiver::kArchiveVersion)
    return refuse("unknown $version");
  const Value* top = tree.valueFor(*root, "$top");
  if (!top || top->kind != Kind::Dict) return refuse("$top is not a dictionary");
  const Value* objects = tree.valueFor(*root, "$objects");
  if (!objects || objects->kind != Kind::Array) return refuse("$objects is not an array");
  s.objects.reserve(objects->count);
  for (uint32_t i = 0; i < objects->count; ++i)
    s.objects.push_back({tree.item(*objects, i), nullptr});
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

  Class classOf(uint64_t uid, const Value* node) {
    const Value* ref = s.tree.valueFor(*node, "$class");
    uint64_t classUid = 0;
    if (!ref || !uidOf(s.tree, ref, &classUid))
      return fail("object " + std::to_string(uid) + " has no $class"), nullptr;
    if (classUid != 0 && classUid < s.objects.size() && s.objects[classUid].resolved)
      return s.objects[classUid].resolved;
    std::string at = "object " + std::to_string(uid);
    if (classUid == 0 || classUid >= s.objects.size())
      return fail(at + " has a $class outside $objects"), nullptr;
    const Value* description = s.objects[classUid].node;
    const Value* name = s.tree.valueFor(*description, "$classname");
    if (!name || name->kind != Kind::String)
      return fail(at + "'s $class is not a class description"), nullptr;
    std::vector<std::string> names{std::string(name->text())};
    if (const Value* chain = s.tree.valueFor(*description, "$classes")) {
      if (chain->kind != Kind::Array) return fail(at + "'s $classes is not an array"), nullptr;
      for (uint32_t i = 0; i < chain->count && names.size() < 64; ++i) {
        const Value* item = s.tree.item(*chain, i);
        if (item->kind == Kind::String) names.emplace_back(item->text());
      }
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
    const Value* node = entry.node;
    uint64_t ignored;
    if (node->kind != Kind::Dict || uidOf(s.tree, node, &ignored)) {
      id value = scalarOf(node);
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
  const Value* v = s_->valueFor(key);
  if (!v) return nullptr;
  uint64_t uid = 0;
  if (!uidOf(s_->tree, v, &uid)) {
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
  const Value* v = s.valueFor(key);
  if (!v) return false;
  v = s.plainValueOf(v);
  switch (v ? v->kind : Kind::None) {
    case Kind::Boolean:
    case Kind::Integer:
      n->integer = static_cast<int64_t>(v->integer);
      return true;
    case Kind::Real:
      n->real = v->real;
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
  const Value* v = s_->valueFor(key);
  if (!v) return nullptr;
  if (v->kind != Kind::Data) {
    failWithError(corrupt("the value for key '" + key->stdString() + "' is not data"));
    return nullptr;
  }
  if (length) *length = v->length;
  return reinterpret_cast<const uint8_t*>(v->bytes);
}

Strong<NSData> NSKeyedUnarchiver::decodeDataForKey(const Strong<NSString>& key) {
  if (error()) return nullptr;
  const Value* v = s_->valueFor(key);
  if (!v) return nullptr;
  if (v->kind == Kind::Data) return NSData::dataWithBytes(v->bytes, v->length);
  return decodeObjectOfClassForKey<NSData>(key);
}

Strong<NSString> NSKeyedUnarchiver::decodeStringForKey(const Strong<NSString>& key) {
  if (error()) return nullptr;
  const Value* v = s_->valueFor(key);
  if (!v) return nullptr;
  if (v->kind == Kind::String) return NSString::stringWithUTF8String(v->text());
  return decodeObjectOfClassForKey<NSString>(key);
}

bool NSKeyedUnarchiver::decodeArrayOfObjectsForKey(const Strong<NSString>& key,
                                                   std::vector<id>& objects) {
  objects.clear();
  if (error()) return false;
  const Value* v = s_->valueFor(key);
  if (!v) return true;
  auto fail = [&](const std::string& why) {
    objects.clear();
    failWithError(corrupt("the value for key '" + key->stdString() + "' " + why));
    return false;
  };
  if (v->kind != Kind::Array) return fail("is not an array");
  objects.reserve(v->count);
  ObjectMaker maker{this, *s_};
  const char* problem = nullptr;
  for (uint32_t i = 0; i < v->count; ++i) {
    uint64_t uid = 0;
    if (!uidOf(s_->tree, s_->tree.item(*v, i), &uid)) {
      problem = "holds something not an object";
      break;
    }
    id object = maker.object(uid);
    if (error()) break;
    if (!object) {
      problem = "holds none";
      break;
    }
    objects.push_back(std::move(object));
  }
  if (problem) return fail(problem);
  if (error()) {
    objects.clear();
    return false;
  }
  return true;
}
