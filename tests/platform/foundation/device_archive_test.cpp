// Archives written by the device's own archiver (data/device-archives, see its README)
// decode to the objects they were made from; ours of the same objects decode to equal
// objects, and have the device's shape, checked by an independent reader (Python's).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "Foundation/Foundation.h"
#include "Foundation/NSKeyedArchiver.h"
#include "Foundation/NSKeyedUnarchiver.h"

namespace {

Strong<NSString> S(const char* s) {
  return NSString::stringWithUTF8String(s);
}

std::string deviceArchive(const std::string& name) {
  return std::string(DEVICE_ARCHIVES) + "/" + name + ".archive";
}

std::vector<id> numbers(std::initializer_list<int> values) {
  std::vector<id> out;
  for (int v : values) out.push_back(NSNumber::numberWithInt(v));
  return out;
}

// "0123456789" over six runs of four dictionaries, two of them equal but distinct.
Strong<NSAttributedString> readmeAttributedString() {
  auto helvetica = NSDictionary::dictionaryWithObjectsAndKeys(
      {{S("Font"), S("Helvetica")}, {S("Size"), NSNumber::numberWithInt(123)}});
  auto timesOf = [] {
    return NSDictionary::dictionaryWithObjectsAndKeys(
        {{S("Font"), S("Times")}, {S("Size"), NSNumber::numberWithInt(456)}});
  };
  auto times = timesOf();
  auto s = NSMutableAttributedString::initWithString(S("0123456789"));
  s->setAttributesRange(helvetica, NSMakeRange(1, 1));
  s->setAttributesRange(times, NSMakeRange(2, 4));
  s->setAttributesRange(helvetica, NSMakeRange(6, 2));
  s->setAttributesRange(timesOf(), NSMakeRange(8, 1));
  return s->copy();
}

Strong<NSTextCheckingResult> firstMatchOfAAA() {
  auto re = NSRegularExpression::regularExpressionWithPatternOptionsError(S("aaa"), 0);
  return re->firstMatchInStringRange(S("aaa"), NSMakeRange(0, 3));
}

struct Expected {
  const char* file;
  id object;
};

std::vector<Expected> readme() {
  return {
      {"NSAttributedString", readmeAttributedString()},
      {"NSSet-Numbers", std::make_shared<NSSet>(numbers({1, 2, 3, 4, 5}))},
      {"NSCountedSet-NumbersAppearingOnce",
       std::make_shared<NSCountedSet>(numbers({1, 2, 3, 4, 5}))},
      {"NSOrderedSet-Numbers", std::make_shared<NSOrderedSet>(numbers({1, 2, 3, 4, 5}))},
      {"NSIndexPath-OneIndex", NSIndexPath::indexPathWithIndex(52)},
      {"NSIndexSet-OneRange", NSIndexSet::indexSetWithIndexesInRange(NSMakeRange(0, 50))},
      {"NSTextCheckingResult-SimpleRegex", firstMatchOfAAA()},
  };
}

id decodeFile(const std::string& path) {
  Strong<NSError> error;
  id back = NSKeyedUnarchiver::unarchiveTopLevelObjectWithDataError(
      NSData::dataWithContentsOfFile(path), &error);
  EXPECT_TRUE(back) << path << ": " << (error ? error->description() : "");
  return back;
}

TEST(DeviceArchives, EachDecodesToTheObjectItsReadmeNames) {
  for (const Expected& e : readme()) {
    SCOPED_TRACE(e.file);
    id device = decodeFile(deviceArchive(e.file));
    ASSERT_TRUE(device);
    EXPECT_EQ(device->getClass(), e.object->getClass());
    EXPECT_TRUE(device->isEqual(e.object)) << device->description();
  }
  // The parts equality does not show.
  auto counted =
      objc_cast<NSCountedSet>(decodeFile(deviceArchive("NSCountedSet-NumbersAppearingOnce")));
  ASSERT_TRUE(counted);
  EXPECT_EQ(counted->countForObject(NSNumber::numberWithInt(4)), 1u);
  auto match = objc_cast<NSTextCheckingResult>(
      decodeFile(deviceArchive("NSTextCheckingResult-SimpleRegex")));
  ASSERT_TRUE(match);
  EXPECT_EQ(match->resultType(), NSTextCheckingTypeRegularExpression);
  EXPECT_EQ(match->regularExpression()->pattern()->stdString(), "aaa");
  EXPECT_EQ(match->regularExpression()->options(), 0u);
  EXPECT_EQ(match->numberOfRanges(), 1u);
  EXPECT_EQ(match->rangeAtIndex(0), NSMakeRange(0, 3));
}

// A reader of keyed archives of its own, in Python (binary and XML): each object reduced to plain
// values, collections whose order carries no meaning as sets, class names kept only where they are
// part of the object (not NSArray against NSMutableArray); two archives agree when their roots
// reduce to the same value.
constexpr const char* kShapeScript = R"(import plistlib, sys
def uids(v):  # the XML form writes a UID as {"CF$UID": n}
    if isinstance(v, dict):
        if list(v) == ['CF$UID']:
            return plistlib.UID(v['CF$UID'])
        return {k: uids(x) for k, x in v.items()}
    if isinstance(v, list):
        return [uids(x) for x in v]
    return v
def load(path):
    a = uids(plistlib.load(open(path, 'rb')))
    assert a['$archiver'] == 'NSKeyedArchiver' and a['$version'] == 100000, path
    assert a['$objects'][0] == '$null'
    return a['$objects'], a['$top']['root']
def reduce(objs, v):
    if isinstance(v, list):
        return tuple(reduce(objs, x) for x in v)
    if not isinstance(v, plistlib.UID):
        return v
    o = objs[v.data]
    if not isinstance(o, dict):
        return o
    classes = tuple(objs[o['$class'].data]['$classes'])
    name = classes[0]
    if 'NS.keys' in o:
        return ('dict', frozenset(zip(reduce(objs, o['NS.keys']), reduce(objs, o['NS.objects']))))
    if name in ('NSArray', 'NSMutableArray'):
        return ('array', reduce(objs, o['NS.objects']))
    if name in ('NSSet', 'NSMutableSet'):
        return (name, frozenset(reduce(objs, o['NS.objects'])))
    if name == 'NSCountedSet':
        n = o['NS.count']
        return (name, frozenset((reduce(objs, o['NS.object%d' % i]), o['NS.count%d' % i]) for i in range(n)))
    return (classes, frozenset((k, reduce(objs, x)) for k, x in o.items() if k != '$class'))
ours, device = load(sys.argv[1]), load(sys.argv[2])
a, b = reduce(*ours), reduce(*device)
if a != b:
    print('ours:  ', a)
    print('device:', b)
    sys.exit(1)
)";

TEST(DeviceArchives, OursOfTheSameObjectsDecodeEqualAndHaveTheDevicesShape) {
  std::string dir = testing::TempDir();
  std::string script = dir + "/device_shape.py";
  std::ofstream(script) << kShapeScript;
  for (NSPropertyListFormat format :
       {NSPropertyListBinaryFormat_v1_0, NSPropertyListXMLFormat_v1_0}) {
    for (const Expected& e : readme()) {
      SCOPED_TRACE(std::string(e.file) + (format == NSPropertyListXMLFormat_v1_0 ? " xml" : ""));
      Strong<NSError> error;
      auto data = NSKeyedArchiver::archivedDataWithRootObjectFormat(e.object, format, &error);
      ASSERT_TRUE(data) << error->description();
      id ours = NSKeyedUnarchiver::unarchiveObjectWithData(data);
      id device = decodeFile(deviceArchive(e.file));
      ASSERT_TRUE(ours);
      EXPECT_EQ(ours->getClass(), device->getClass());
      EXPECT_TRUE(ours->isEqual(device)) << ours->description();
      std::string path = dir + "/" + e.file + ".ours";
      ASSERT_TRUE(data->writeToFileAtomically(path, YES));
      EXPECT_EQ(
          std::system(("python3 " + script + " " + path + " " + deviceArchive(e.file)).c_str()), 0);
      EXPECT_EQ(std::system(("plistutil -i " + path + " -o " + path + ".xml -f xml").c_str()), 0);
    }
  }
}

}  // namespace
