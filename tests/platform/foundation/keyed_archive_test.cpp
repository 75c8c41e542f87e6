#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "Foundation/Foundation.h"
#include "Foundation/NSKeyedArchiver.h"
#include "Foundation/NSKeyedUnarchiver.h"
#include "objc/alloc.h"

// A class of the test's own, written and read through the runtime like any other.
class ArchiveProbe : public NSObject {
  OBJC_CLASS(ArchiveProbe, NSObject)
 public:
  id object;
  std::string dollarText;
  BOOL flag = NO;
  int64_t big = 0;
  int32_t small = 0;
  float single = 0;
  double real = 0;
  std::vector<uint8_t> bytes;
  // What decoding saw, for the tests to check.
  bool sawDollar = false, sawMissing = true, sawClassKey = true;
};

namespace {

void probeEncode(NSObject* self, SEL, NSCoder* coder) {
  auto* p = static_cast<ArchiveProbe*>(self);
  coder->encodeObjectForKey(p->object, NSSTR("object"));
  coder->encodeObjectForKey(NSString::stringWithUTF8String(p->dollarText), NSSTR("$dollar"));
  coder->encodeBoolForKey(p->flag, NSSTR("flag"));
  coder->encodeInt64ForKey(p->big, NSSTR("big"));
  coder->encodeInt32ForKey(p->small, NSSTR("small"));
  coder->encodeFloatForKey(p->single, NSSTR("single"));
  coder->encodeDoubleForKey(p->real, NSSTR("real"));
  coder->encodeBytesLengthForKey(p->bytes.data(), p->bytes.size(), NSSTR("bytes"));
}

id probeInitWithCoder(NSObject* self, SEL, NSCoder* coder) {
  auto* p = static_cast<ArchiveProbe*>(self);
  p->sawDollar = coder->containsValueForKey(NSSTR("$dollar"));
  p->sawMissing = coder->containsValueForKey(NSSTR("missing"));
  p->sawClassKey = coder->containsValueForKey(NSSTR("$class"));
  p->object = coder->decodeObjectForKey(NSSTR("object"));
  if (auto s = coder->decodeObjectOfClassForKey<NSString>(NSSTR("$dollar")))
    p->dollarText = s->stdString();
  p->flag = coder->decodeBoolForKey(NSSTR("flag"));
  p->big = coder->decodeInt64ForKey(NSSTR("big"));
  p->small = coder->decodeInt32ForKey(NSSTR("small"));
  p->single = coder->decodeFloatForKey(NSSTR("single"));
  p->real = coder->decodeDoubleForKey(NSSTR("real"));
  NSUInteger n = 0;
  const uint8_t* b = coder->decodeBytesForKeyReturnedLength(NSSTR("bytes"), &n);
  p->bytes.assign(b, b + n);
  return p->retainedSelf();
}

}  // namespace

OBJC_CLASS_IMPL(ArchiveProbe) {
  objc::registerAlloc<ArchiveProbe>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&probeEncode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&probeInitWithCoder>());
}

namespace {

Strong<NSString> S(const char* s) {
  return NSString::stringWithUTF8String(s);
}

id roundTrip(const id& object, NSPropertyListFormat format) {
  Strong<NSError> error;
  auto data = NSKeyedArchiver::archivedDataWithRootObjectFormat(object, format, &error);
  EXPECT_TRUE(data) << (error ? error->description() : "");
  if (!data) return nullptr;
  id back = NSKeyedUnarchiver::unarchiveTopLevelObjectWithDataError(data, &error);
  EXPECT_TRUE(back) << (error ? error->description() : "");
  return back;
}

// The archive as a plain property list; UIDs read as {"CF$UID": n}.
Strong<NSDictionary> plistOf(const Strong<NSData>& data) {
  return objc_cast<NSDictionary>(
      NSPropertyListSerialization::propertyListWithData(data, NSPropertyListImmutable));
}

Strong<NSData> dataOf(const std::string& s) {
  return NSData::dataWithBytes(s.data(), s.size());
}

// A hand-written XML archive whose $objects are `objects` after "$null", root UID 1.
std::string xmlArchive(const std::vector<std::string>& objects, const std::string& top = "") {
  std::string x =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
      "<key>$archiver</key><string>NSKeyedArchiver</string>"
      "<key>$version</key><integer>100000</integer><key>$top</key><dict>";
  x += top.empty() ? "<key>root</key><dict><key>CF$UID</key><integer>1</integer></dict>" : top;
  x += "</dict><key>$objects</key><array><string>$null</string>";
  for (const std::string& o : objects) x += o;
  return x + "</array></dict></plist>\n";
}

std::string uid(int n) {
  return "<dict><key>CF$UID</key><integer>" + std::to_string(n) + "</integer></dict>";
}

std::string classDescription(const char* name, const char* super = "NSObject") {
  return std::string("<dict><key>$classname</key><string>") + name +
         "</string><key>$classes</key><array><string>" + name + "</string><string>" + super +
         "</string></array></dict>";
}

Strong<NSError> refusal(const Strong<NSData>& data) {
  Strong<NSError> error;
  id back = NSKeyedUnarchiver::unarchiveTopLevelObjectWithDataError(data, &error);
  EXPECT_FALSE(back) << back->description();
  EXPECT_TRUE(error);
  return error;
}

class BothFormats : public ::testing::TestWithParam<NSPropertyListFormat> {};

TEST_P(BothFormats, EveryFoundationClassComesBackEqualAndOfItsClass) {
  auto date = NSDate::dateWithTimeIntervalSinceReferenceDate(789012345.678);
  auto url = NSURL::URLWithString("https://example.com/a?b=c#d");
  auto zone = NSTimeZone::timeZoneWithName("Europe/Berlin");
  auto components = NSDictionary::dictionaryWithObjectsAndKeys(
      {{NSTextCheckingCityKey, S("Springfield")}, {NSTextCheckingZIPKey, S("62701")}});
  auto transit = NSDictionary::dictionaryWithObjectsAndKeys(
      {{NSTextCheckingAirlineKey, S("UA")}, {NSTextCheckingFlightKey, S("123")}});
  auto multi = NSMutableAttributedString::initWithString(S("Hello, wide world"));
  multi->addAttributeValueRange(S("NSLink"), url, NSMakeRange(0, 5));
  multi->addAttributeValueRange(S("NSKern"), NSNumber::numberWithDouble(1.5), NSMakeRange(7, 4));
  multi->addAttributeValueRange(S("NSLink"), url, NSMakeRange(12, 5));
  std::vector<id> values = {
      S("plain"),
      S(""),
      S("\xF0\x9F\x98\x80 emoji & <markup>"),
      NSMutableString::stringWithUTF8String("mutable"),
      NSNumber::numberWithInteger(-42),
      NSNumber::numberWithLongLong(INT64_MAX),
      NSNumber::numberWithBool(YES),
      NSNumber::numberWithDouble(0.1),
      NSArray::arrayWithObjects({S("a"), NSNumber::numberWithInt(2), NSNull::null()}),
      NSMutableArray::arrayWithObjects({S("m")}),
      NSArray::array(),
      NSDictionary::dictionaryWithObjectsAndKeys(
          {{S("k"), S("v")}, {S("n"), NSNumber::numberWithInt(1)}}),
      NSMutableDictionary::dictionaryWithObjectsAndKeys({{S("k"), NSArray::array()}}),
      NSData::dataWithBytes("\0\1\2\xff", 4),
      NSData::data(),
      date,
      url,
      NSValue::valueWithRange(NSMakeRange(3, 9)),
      NSNull::null(),
      zone,
      multi->copy(),
      multi,
      NSAttributedString::initWithStringAttributes(S("one run"), components),
      std::make_shared<NSAttributedString>(),
      NSTextCheckingResult::linkCheckingResultWithRangeURL(NSMakeRange(1, 2), url),
      NSTextCheckingResult::addressCheckingResultWithRangeComponents(NSMakeRange(0, 30),
                                                                     components),
      NSTextCheckingResult::phoneNumberCheckingResultWithRangePhoneNumber(NSMakeRange(4, 12),
                                                                          S("+1 555 0100")),
      NSTextCheckingResult::dateCheckingResultWithRangeDate(NSMakeRange(2, 8), date),
      NSTextCheckingResult::dateCheckingResultWithRangeDateTimeZoneDuration(NSMakeRange(2, 8), date,
                                                                            zone, 7200),
      NSTextCheckingResult::transitInformationCheckingResultWithRangeComponents(NSMakeRange(0, 6),
                                                                                transit),
  };
  for (const id& value : values) {
    SCOPED_TRACE(std::string(class_getName(value->getClass())) + " " + value->description());
    id back = roundTrip(value, GetParam());
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->isEqual(value)) << back->description();
    EXPECT_EQ(back->getClass(), value->getClass());
    if (auto a = objc_cast<NSAttributedString>(value)) {
      EXPECT_TRUE(objc_cast<NSAttributedString>(back)->string()->isEqual(a->string()));
    }
  }
  // The whole set at once, inside one array.
  auto all = std::make_shared<NSArray>(values);
  EXPECT_TRUE(roundTrip(all, GetParam())->isEqual(all));
}

TEST_P(BothFormats, ScalarsKeysAndDollarKeysComeBack) {
  auto probe = std::make_shared<ArchiveProbe>();
  probe->object = S("inside");
  probe->dollarText = "costly";
  probe->flag = YES;
  probe->big = INT64_MIN;
  probe->small = -7;
  probe->single = 0.1f;
  probe->real = 1e300;
  probe->bytes = {0, 1, 254};
  auto data = NSKeyedArchiver::archivedDataWithRootObjectFormat(probe, GetParam());
  auto back = objc_cast<ArchiveProbe>(NSKeyedUnarchiver::unarchiveObjectWithData(data));
  ASSERT_TRUE(back);
  EXPECT_NE(back, probe);
  EXPECT_TRUE(back->object->isEqual(S("inside")));
  EXPECT_EQ(back->dollarText, "costly");
  EXPECT_TRUE(back->sawDollar);
  EXPECT_FALSE(back->sawMissing);
  EXPECT_FALSE(back->sawClassKey) << "the archiver's own key is not a user key";
  EXPECT_TRUE(back->flag);
  EXPECT_EQ(back->big, INT64_MIN);
  EXPECT_EQ(back->small, -7);
  EXPECT_EQ(back->single, 0.1f);
  EXPECT_EQ(back->real, 1e300);
  EXPECT_EQ(back->bytes, (std::vector<uint8_t>{0, 1, 254}));
  // The user key is stored with a second '$' in front.
  auto objects = plistOf(data)->objectForKeyAs<NSArray>(S("$objects"));
  auto entry = objc_cast<NSDictionary>(objects->objectAtIndex(1));
  ASSERT_TRUE(entry);
  EXPECT_TRUE(entry->objectForKey(S("$$dollar")));
  EXPECT_FALSE(entry->objectForKey(S("$dollar")));
}

TEST_P(BothFormats, AFloatReadsBackAsItsDoubleWidening) {
  auto probe = std::make_shared<ArchiveProbe>();
  probe->single = 0.1f;
  probe->object = NSNumber::numberWithFloat(0.1f);
  auto data = NSKeyedArchiver::archivedDataWithRootObjectFormat(probe, GetParam());
  auto coder = NSKeyedUnarchiver::initForReadingFromDataError(data, nullptr);
  ASSERT_TRUE(coder);
  auto back = objc_cast<ArchiveProbe>(coder->decodeObjectForKey(NSKeyedArchiveRootObjectKey));
  ASSERT_TRUE(back);
  auto number = objc_cast<NSNumber>(back->object);
  ASSERT_TRUE(number);
  EXPECT_EQ(number->doubleValue(), 0.10000000149011612);
  EXPECT_EQ(static_cast<double>(number->floatValue()), 0.10000000149011612);
  EXPECT_EQ(static_cast<double>(back->single), 0.10000000149011612);
  // A double written as such, read in single precision and widened, is the same value.
  auto doubled = NSKeyedArchiver::archivedDataWithRootObjectFormat(NSNumber::numberWithDouble(0.1),
                                                                   GetParam());
  auto read = objc_cast<NSNumber>(NSKeyedUnarchiver::unarchiveObjectWithData(doubled));
  EXPECT_EQ(static_cast<double>(read->floatValue()), 0.10000000149011612);
}

// Text beyond ASCII is stored as UTF-16 in a binary list (a pair of units for a character
// outside the first plane), in keys as in values, and a string referenced from two places is
// stored once: each comes back as it went in.
TEST_P(BothFormats, TextBeyondAsciiComesBackInKeysAndValues) {
  auto snowman = S("na\xC3\xAFve \xE2\x98\x83 \xF0\x9F\x98\x80");
  auto key = S("cl\xC3\xA9 \xE6\x97\xA5");
  auto inner = NSDictionary::dictionaryWithObjectsAndKeys(
      {{key, snowman}, {S("plain"), S("ascii")}, {S("again"), snowman}});
  auto object = NSArray::arrayWithObjects({inner, snowman, S("")});
  auto back = objc_cast<NSArray>(roundTrip(object, GetParam()));
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->isEqual(object)) << back->description();
  auto dict = objc_cast<NSDictionary>(back->objectAtIndex(0));
  ASSERT_TRUE(dict);
  EXPECT_TRUE(dict->objectForKey(key)->isEqual(snowman));
  EXPECT_EQ(objc_cast<NSString>(back->objectAtIndex(1))->length(), snowman->length());
}

INSTANTIATE_TEST_SUITE_P(Formats, BothFormats,
                         ::testing::Values(NSPropertyListBinaryFormat_v1_0,
                                           NSPropertyListXMLFormat_v1_0));

TEST(KeyedArchive, SharedInstancesAreStoredOnceAndComeBackShared) {
  auto shared = NSMutableDictionary::dictionaryWithObjectsAndKeys({{S("k"), S("v")}});
  auto twin = NSMutableDictionary::dictionaryWithObjectsAndKeys({{S("k"), S("v")}});
  auto list = NSArray::arrayWithObjects({shared, shared, twin, S("v"), S("v")});
  auto data = NSKeyedArchiver::archivedDataWithRootObject(list);
  auto objects = plistOf(data)->objectForKeyAs<NSArray>(S("$objects"));
  // $null, the array, its class, the shared dictionary, its class, "k", "v", the twin.
  EXPECT_EQ(objects->count(), 8u) << objects->description();
  EXPECT_TRUE(objects->objectAtIndex(0)->isEqual(S("$null")));
  auto back = objc_cast<NSArray>(NSKeyedUnarchiver::unarchiveObjectWithData(data));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->objectAtIndex(0), back->objectAtIndex(1));
  EXPECT_NE(back->objectAtIndex(0), back->objectAtIndex(2)) << "equal but distinct instances";
  EXPECT_EQ(back->objectAtIndex(0)->getClass(), NSMutableDictionary::class_());
}

TEST(KeyedArchive, ArchivesHaveTheDeviceShapeForAnIndependentReader) {
  auto root = NSDictionary::dictionaryWithObjectsAndKeys({{S("name"), S("Nimbra")}});
  auto data = NSKeyedArchiver::archivedDataWithRootObject(root);
  ASSERT_TRUE(data);
  ASSERT_EQ(std::string(static_cast<const char*>(data->bytes()), 8), "bplist00");
  std::string dir = testing::TempDir();
  std::string path = dir + "/shape.archive", xml = dir + "/shape.xml";
  ASSERT_TRUE(data->writeToFileAtomically(path, YES));
  ASSERT_EQ(std::system(("plistutil -i " + path + " -o " + xml + " -f xml").c_str()), 0);
  std::ifstream in(xml);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  auto has = [&](const std::string& s) { return text.find(s) != std::string::npos; };
  EXPECT_TRUE(has("<key>$archiver</key>\n\t<string>NSKeyedArchiver</string>")) << text;
  EXPECT_TRUE(has("<key>$version</key>\n\t<integer>100000</integer>"));
  EXPECT_TRUE(
      has("<key>$top</key>\n\t<dict>\n\t\t<key>root</key>\n\t\t<dict>\n\t\t\t<key>CF$UID</key>"
          "\n\t\t\t<integer>1</integer>"));
  EXPECT_TRUE(has("<key>$objects</key>\n\t<array>\n\t\t<string>$null</string>"));
  EXPECT_TRUE(has("<key>$classname</key>\n\t\t\t<string>NSDictionary</string>"));
  EXPECT_TRUE(has("<key>NS.keys</key>"));
  // Python's reader knows UIDs as their own type.
  std::string script = dir + "/shape.py";
  std::ofstream(script) << "import plistlib,sys\n"
                           "a=plistlib.load(open(sys.argv[1],'rb'))\n"
                           "o=a['$objects']\n"
                           "r=o[a['$top']['root'].data]\n"
                           "assert o[0]=='$null'\n"
                           "assert isinstance(r['$class'],plistlib.UID)\n"
                           "assert o[r['$class'].data]['$classes'][0]=='NSDictionary'\n"
                           "assert [o[u.data] for u in r['NS.keys']]==['name']\n"
                           "assert [o[u.data] for u in r['NS.objects']]==['Nimbra']\n";
  EXPECT_EQ(std::system(("python3 " + script + " " + path).c_str()), 0);
}

// NSAttributeInfo bytes for runs of (length, dictionary index).
std::string infoBase64(const std::vector<std::pair<uint64_t, uint64_t>>& runs) {
  std::vector<uint8_t> bytes;
  for (auto [length, index] : runs) {
    for (uint64_t v : {length, index}) {
      do {
        uint8_t b = v & 0x7F;
        v >>= 7;
        bytes.push_back(v ? b | 0x80 : b);
      } while (v);
    }
  }
  auto data = NSData::dataWithBytes(bytes.data(), bytes.size());
  auto xml = NSPropertyListSerialization::dataWithPropertyList(data, NSPropertyListXMLFormat_v1_0);
  std::string s(static_cast<const char*>(xml->bytes()), xml->length());
  auto a = s.find("<data>") + 6;
  return s.substr(a, s.find("</data>") - a);
}

// A device-shaped attributed string: root 1, NSMutableString 2 holding `text`,
// attributes at 4, info at 5 when given, dictionaries after.
std::string attributedArchive(const std::string& text, const std::string& attributes,
                              const std::string& info, const std::vector<std::string>& extra) {
  std::vector<std::string> objects = {
      "<dict><key>$class</key>" + uid(3) + "<key>NSString</key>" + uid(2) +
          "<key>NSAttributes</key>" + uid(4) +
          (info.empty() ? "" : "<key>NSAttributeInfo</key>" + uid(5)) + "</dict>",
      "<dict><key>$class</key>" + uid(6) + "<key>NS.string</key><string>" + text +
          "</string></dict>",
      classDescription("NSAttributedString"),
      attributes,
      info.empty() ? "<string>unused</string>" : "<data>" + info + "</data>",
      classDescription("NSMutableString", "NSString"),
  };
  objects.insert(objects.end(), extra.begin(), extra.end());
  return xmlArchive(objects);
}

TEST(KeyedArchive, ReadsTheDeviceAttributedStringWithSeveralRuns) {
  // 7: dictionary class, 8: array class, 9..11: keys and values, 12..14: dictionaries.
  std::string text = "Tap " + std::string(130, 'x') + " here, thanks";
  std::string dict = "<dict><key>$class</key>" + uid(7) + "<key>NS.keys</key><array>" + uid(9) +
                     "</array><key>NS.objects</key><array>";
  std::vector<std::string> extra = {
      classDescription("NSDictionary"),
      classDescription("NSArray"),
      "<string>NSLink</string>",
      "<string>action://donate</string>",
      "<real>2.5</real>",
      dict + uid(10) + "</array></dict>",
      dict + uid(11) + "</array></dict>",
      "<dict><key>$class</key>" + uid(7) +
          "<key>NS.keys</key><array/><key>NS.objects</key><array/></dict>",
  };
  std::string attributes = "<dict><key>$class</key>" + uid(8) + "<key>NS.objects</key><array>" +
                           uid(14) + uid(12) + uid(13) + "</array></dict>";
  // Plain 4, link 130 (two-byte length), kern 4, plain 9.
  auto data = dataOf(
      attributedArchive(text, attributes, infoBase64({{4, 0}, {130, 1}, {6, 2}, {7, 0}}), extra));
  Strong<NSError> error;
  auto s = objc_cast<NSAttributedString>(
      NSKeyedUnarchiver::unarchiveTopLevelObjectWithDataError(data, &error));
  ASSERT_TRUE(s) << error->description();
  EXPECT_EQ(s->string()->stdString(), text);
  NSRange r;
  EXPECT_EQ(s->attributesAtIndexEffectiveRange(0, &r)->count(), 0u);
  EXPECT_EQ(r, NSMakeRange(0, 4));
  EXPECT_TRUE(s->attributeAtIndexEffectiveRange(S("NSLink"), 4, &r)->isEqual(S("action://donate")));
  EXPECT_EQ(r, NSMakeRange(4, 130));
  EXPECT_TRUE(s->attributeAtIndexEffectiveRange(S("NSLink"), 134, &r)
                  ->isEqual(NSNumber::numberWithDouble(2.5)));
  EXPECT_EQ(r, NSMakeRange(134, 6));
  EXPECT_EQ(s->attributesAtIndexEffectiveRange(140, &r)->count(), 0u);
  EXPECT_EQ(r, NSMakeRange(140, 7));

  // Written back, the device's shape: runs as a mutable data object, equal dictionaries
  // once.
  auto again = NSKeyedArchiver::archivedDataWithRootObject(s);
  auto top = plistOf(again);
  auto objects = top->objectForKeyAs<NSArray>(S("$objects"));
  auto entry = [&](const Strong<NSDictionary>& ref) {
    return objects->objectAtIndex(
        objc_cast<NSNumber>(ref->objectForKey(S("CF$UID")))->integerValue());
  };
  auto root = objc_cast<NSDictionary>(objects->objectAtIndex(1));
  auto infoRef = objc_cast<NSDictionary>(root->objectForKey(S("NSAttributeInfo")));
  ASSERT_TRUE(infoRef);
  auto infoObject = objc_cast<NSDictionary>(entry(infoRef));
  ASSERT_TRUE(infoObject);
  auto infoClass =
      objc_cast<NSDictionary>(entry(infoObject->objectForKeyAs<NSDictionary>(S("$class"))));
  EXPECT_TRUE(infoClass->objectForKey(S("$classname"))->isEqual(S("NSMutableData")));
  auto info = infoObject->objectForKeyAs<NSData>(S("NS.data"));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->byteVector(), (std::vector<uint8_t>{4, 0, 0x82, 0x01, 1, 6, 2, 7, 0}));
  EXPECT_TRUE(NSKeyedUnarchiver::unarchiveObjectWithData(again)->isEqual(s));
}

TEST(KeyedArchive, ReadsTheDeviceAttributedStringWithOneRun) {
  std::vector<std::string> extra = {classDescription("NSDictionary"), "<string>NSKern</string>",
                                    "<integer>3</integer>"};
  std::string attributes = "<dict><key>$class</key>" + uid(7) + "<key>NS.keys</key><array>" +
                           uid(8) + "</array><key>NS.objects</key><array>" + uid(9) +
                           "</array></dict>";
  auto s = objc_cast<NSAttributedString>(NSKeyedUnarchiver::unarchiveObjectWithData(
      dataOf(attributedArchive("whole", attributes, "", extra))));
  ASSERT_TRUE(s);
  NSRange r;
  EXPECT_TRUE(
      s->attributeAtIndexEffectiveRange(S("NSKern"), 2, &r)->isEqual(NSNumber::numberWithInt(3)));
  EXPECT_EQ(r, NSMakeRange(0, 5));
  // Ours has the same shape: the dictionary itself, no info.
  auto objects = plistOf(NSKeyedArchiver::archivedDataWithRootObject(s))
                     ->objectForKeyAs<NSArray>(S("$objects"));
  auto root = objc_cast<NSDictionary>(objects->objectAtIndex(1));
  EXPECT_FALSE(root->objectForKey(S("NSAttributeInfo")));
  auto attrsRef = objc_cast<NSDictionary>(root->objectForKey(S("NSAttributes")));
  auto attrs = objc_cast<NSDictionary>(objects->objectAtIndex(
      objc_cast<NSNumber>(attrsRef->objectForKey(S("CF$UID")))->integerValue()));
  EXPECT_TRUE(attrs->objectForKey(S("NS.keys")));
}

TEST(KeyedArchive, DamagedAttributeRunsAreRefused) {
  std::vector<std::string> extra = {
      classDescription("NSDictionary"), classDescription("NSArray"),
      "<dict><key>$class</key>" + uid(7) +
          "<key>NS.keys</key><array/><key>NS.objects</key><array/></dict>"};
  std::string attributes = "<dict><key>$class</key>" + uid(8) + "<key>NS.objects</key><array>" +
                           uid(9) + "</array></dict>";
  for (const std::string& info : {infoBase64({{2, 0}}), infoBase64({{5, 0}, {1, 0}}),
                                  infoBase64({{5, 1}}), std::string("gA=="), std::string("")}) {
    SCOPED_TRACE(info);
    auto error =
        refusal(dataOf(attributedArchive("abcde", attributes, info.empty() ? "" : info, extra)));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), NSCoderReadCorruptError);
  }
}

// An object of class 2 with `keys` (XML), as root 1; `more` follow from UID 3.
std::string objectArchive(const char* className, const std::string& keys,
                          const std::vector<std::string>& more = {},
                          const char* super = "NSObject") {
  std::vector<std::string> objects = {"<dict><key>$class</key>" + uid(2) + keys + "</dict>",
                                      classDescription(className, super)};
  objects.insert(objects.end(), more.begin(), more.end());
  return xmlArchive(objects);
}

std::string integer(const char* key, long long v) {
  return std::string("<key>") + key + "</key><integer>" + std::to_string(v) + "</integer>";
}

TEST(KeyedArchive, DeviceShapedCollectionsThatDoNotAddUpAreRefusedByName) {
  struct Case {
    const char* name;
    std::string xml;
    const char* says;
  };
  const std::string regex = "<dict><key>$class</key>" + uid(4) +
                            "<key>NSPattern</key><string>a(b</string>" + integer("NSOptions", 0) +
                            "</dict>";
  const std::vector<Case> cases = {
      {"index set count past its data",
       objectArchive("NSIndexSet",
                     integer("NSRangeCount", 2) + "<key>NSRangeData</key><data>BQE=</data>"),
       "1 ranges for an NSRangeCount of 2"},
      {"index set overlapping",
       objectArchive("NSIndexSet",
                     integer("NSRangeCount", 2) + "<key>NSRangeData</key><data>AAUDAg==</data>"),
       "out of order or overlapping"},
      {"index set empty range",
       objectArchive("NSIndexSet", integer("NSRangeCount", 1) + integer("NSLocation", 3) +
                                       integer("NSLength", 0)),
       "empty range"},
      {"index set reaching NSNotFound",
       objectArchive("NSIndexSet", integer("NSRangeCount", 1) + integer("NSLocation", INT64_MAX) +
                                       integer("NSLength", 1)),
       "reaching NSNotFound"},
      {"index set truncated number",
       objectArchive("NSIndexSet",
                     integer("NSRangeCount", 2) + "<key>NSRangeData</key><data>gA==</data>"),
       "cut short"},
      {"index path length past its data",
       objectArchive("NSIndexPath",
                     integer("NSIndexPathLength", 3) + "<key>NSIndexPathData</key>" + uid(3),
                     {"<data>AQI=</data>"}),
       "2 indexes for an NSIndexPathLength of 3"},
      {"index path without its value",
       objectArchive("NSIndexPath", integer("NSIndexPathLength", 1)), "no NSIndexPathValue"},
      {"index path overlong number",
       objectArchive("NSIndexPath", integer("NSIndexPathLength", 2) +
                                        "<key>NSIndexPathData</key><data>////////////fw==</data>"),
       "too long"},
      {"counted set short of objects",
       objectArchive(
           "NSCountedSet",
           integer("NS.count", 2) + "<key>NS.object0</key>" + uid(3) + integer("NS.count0", 1),
           {"<integer>7</integer>"}, "NSSet"),
       "no object for NS.object1"},
      {"counted set counting zero",
       objectArchive(
           "NSCountedSet",
           integer("NS.count", 1) + "<key>NS.object0</key>" + uid(3) + integer("NS.count0", 0),
           {"<integer>7</integer>"}, "NSSet"),
       "counts NS.object0 0 times"},
      {"ordered set holding none", objectArchive("NSOrderedSet", "<key>NS.object.0</key>" + uid(0)),
       "holds none at NS.object.0"},
      {"regex result without its expression",
       objectArchive("NSSimpleRegularExpressionCheckingResult",
                     integer("NSRangeLocation", 0) + integer("NSRangeLength", 3)),
       "has no NSRegularExpression"},
      {"regex that does not compile",
       objectArchive("NSSimpleRegularExpressionCheckingResult",
                     "<key>NSRegularExpression</key>" + uid(3),
                     {regex, classDescription("NSRegularExpression")}),
       "does not compile"},
      {"regex ranges that are not ranges",
       objectArchive(
           "NSComplexRegularExpressionCheckingResult",
           "<key>NSRegularExpression</key>" + uid(3) + "<key>NSRangeArray</key>" + uid(5),
           {"<dict><key>$class</key>" + uid(4) + "<key>NSPattern</key><string>a</string>" +
                integer("NSOptions", 0) + "</dict>",
            classDescription("NSRegularExpression"),
            "<dict><key>$class</key>" + uid(6) + "<key>NS.objects</key><array>" + uid(7) +
                "</array></dict>",
            classDescription("NSArray"), "<string>0-3</string>"}),
       "not a list of ranges"},
      {"attributed runs in a referenced data object, overlong",
       objectArchive(
           "NSAttributedString",
           "<key>NSString</key><string>ab</string><key>NSAttributes</key>" + uid(3) +
               "<key>NSAttributeInfo</key>" + uid(6),
           {"<dict><key>$class</key>" + uid(4) + "<key>NS.objects</key><array>" + uid(5) +
                "</array></dict>",
            classDescription("NSArray"),
            "<dict><key>$class</key>" + uid(7) +
                "<key>NS.keys</key><array/><key>NS.objects</key><array/></dict>",
            "<dict><key>$class</key>" + uid(8) +
                "<key>NS.data</key><data>/////////////wE=</data></dict>",
            classDescription("NSDictionary"), classDescription("NSMutableData", "NSData")}),
       "cut short or too long"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto error = refusal(dataOf(c.xml));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), NSCoderReadCorruptError);
    EXPECT_NE(error->localizedDescription()->stdString().find(c.says), std::string::npos)
        << error->localizedDescription()->stdString();
  }
}

TEST(KeyedArchive, AClassWithoutAModelIsNamedNotCalledDamage) {
  auto error = refusal(dataOf(
      objectArchive("NSByteCountFormatter", integer("NSAllowedUnits", 0), {}, "NSFormatter")));
  ASSERT_TRUE(error);
  std::string text = error->localizedDescription()->stdString();
  EXPECT_NE(text.find("NSByteCountFormatter"), std::string::npos) << text;
  EXPECT_NE(text.find("does not model"), std::string::npos) << text;
  EXPECT_EQ(text.find("damaged"), std::string::npos) << text;
  // A subclass of a class that is modelled is not read as that class with its keys lost.
  std::string decimal = objectArchive("NSDecimalNumber",
                                      integer("NS.exponent", -2) + integer("NS.length", 1) +
                                          "<key>NS.mantissa</key><data>LQAAAAAAAAA=</data>",
                                      {}, "NSNumber");
  decimal.replace(decimal.find("<string>NSNumber</string>"), 25,
                  "<string>NSNumber</string><string>NSValue</string>");
  EXPECT_TRUE(refusal(dataOf(decimal)));
}

TEST(KeyedArchive, EachKindOfResultIsWrittenAsTheDevicesClassAndReadBack) {
  auto re = NSRegularExpression::regularExpressionWithPatternOptionsError(
      S("(a)(b)?"), NSRegularExpressionCaseInsensitive);
  ASSERT_TRUE(re);
  auto url = NSURL::URLWithString("https://example.com");
  auto parts = NSDictionary::dictionaryWithObjectsAndKeys({{NSTextCheckingCityKey, S("Rome")}});
  struct Case {
    Strong<NSTextCheckingResult> result;
    const char* className;
  };
  const Case cases[] = {
      {NSTextCheckingResult::linkCheckingResultWithRangeURL(NSMakeRange(0, 4), url),
       "NSLinkCheckingResult"},
      {NSTextCheckingResult::phoneNumberCheckingResultWithRangePhoneNumber(NSMakeRange(1, 3),
                                                                           S("555")),
       "NSPhoneNumberCheckingResult"},
      {NSTextCheckingResult::dateCheckingResultWithRangeDate(
           NSMakeRange(2, 5), NSDate::dateWithTimeIntervalSinceReferenceDate(1000)),
       "NSDateCheckingResult"},
      {NSTextCheckingResult::addressCheckingResultWithRangeComponents(NSMakeRange(0, 9), parts),
       "NSAddressCheckingResult"},
      {NSTextCheckingResult::transitInformationCheckingResultWithRangeComponents(NSMakeRange(0, 6),
                                                                                 parts),
       "NSTransitInformationCheckingResult"},
      {re->firstMatchInStringRange(S("xAB"), NSMakeRange(0, 3)),
       "NSComplexRegularExpressionCheckingResult"},
      {re->firstMatchInStringRange(S("a"), NSMakeRange(0, 1)),
       "NSComplexRegularExpressionCheckingResult"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(c.result);
    SCOPED_TRACE(c.result->description());
    auto data = NSKeyedArchiver::archivedDataWithRootObject(c.result);
    auto objects = plistOf(data)->objectForKeyAs<NSArray>(S("$objects"));
    auto root = objc_cast<NSDictionary>(objects->objectAtIndex(1));
    auto classRef = root->objectForKeyAs<NSDictionary>(S("$class"));
    auto description = objc_cast<NSDictionary>(objects->objectAtIndex(
        objc_cast<NSNumber>(classRef->objectForKey(S("CF$UID")))->integerValue()));
    EXPECT_TRUE(description->objectForKey(S("$classname"))->isEqual(S(c.className)));
    EXPECT_FALSE(root->objectForKey(S("NSResultType"))) << "the class says the kind";
    auto back = objc_cast<NSTextCheckingResult>(NSKeyedUnarchiver::unarchiveObjectWithData(data));
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->isEqual(c.result)) << back->description();
    EXPECT_EQ(back->numberOfRanges(), c.result->numberOfRanges());
  }
  // The capture that took no part stays {NSNotFound, 0}.
  auto partial = re->firstMatchInStringRange(S("a"), NSMakeRange(0, 1));
  EXPECT_EQ(partial->numberOfRanges(), 3u);
  EXPECT_EQ(partial->rangeAtIndex(2), NSMakeRange(NSNotFound, 0));
  EXPECT_EQ(re->firstMatchInStringRange(S("xAB"), NSMakeRange(0, 3))->rangeAtIndex(2),
            NSMakeRange(2, 1));
}

TEST(KeyedArchive, ObjectsWithoutCodingFailTheArchive) {
  Strong<NSError> error;
  auto data = NSKeyedArchiver::archivedDataWithRootObject(
      NSArray::arrayWithObjects({std::make_shared<NSError>(S("d"), 1, nullptr)}), &error);
  EXPECT_FALSE(data);
  ASSERT_TRUE(error);
  EXPECT_NE(error->localizedDescription()->stdString().find("NSError"), std::string::npos);
}

TEST(KeyedArchive, HostileShapesGiveNoneAndAnError) {
  std::string arrayClass = classDescription("NSArray");
  auto array = [&](const std::string& items) {
    return "<dict><key>$class</key>" + uid(2) + "<key>NS.objects</key><array>" + items +
           "</array></dict>";
  };
  struct Case {
    const char* name;
    std::string xml;
  };
  std::vector<Case> cases = {
      {"uid past $objects", xmlArchive({array(uid(40)), arrayClass})},
      {"root past $objects", xmlArchive({}, "<key>root</key>" + uid(9))},
      {"uid cycle", xmlArchive({array(uid(1)), arrayClass})},
      {"longer cycle", xmlArchive({array(uid(3)), arrayClass, array(uid(1))})},
      {"no $class", xmlArchive({"<dict><key>NS.objects</key><array/></dict>"})},
      {"$class not a uid", xmlArchive({"<dict><key>$class</key><string>NSArray</string></dict>"})},
      {"$class a string", xmlArchive({array(""), "<string>NSArray</string>"})},
      {"$class is $null", xmlArchive({"<dict><key>$class</key>" + uid(0) + "</dict>"})},
      {"$classname missing", xmlArchive({array(""), "<dict><key>$classes</key><array/></dict>"})},
      {"unknown class", xmlArchive({array(""), classDescription("NoSuchClass", "AlsoNone")})},
      {"NS.objects a string", xmlArchive({"<dict><key>$class</key>" + uid(2) +
                                              "<key>NS.objects</key><string>x</string></dict>",
                                          arrayClass})},
      {"NS.objects holds a plain value", xmlArchive({array("<integer>3</integer>"), arrayClass})},
      {"NS.time a string", xmlArchive({"<dict><key>$class</key>" + uid(2) +
                                           "<key>NS.time</key><string>soon</string></dict>",
                                       classDescription("NSDate")})},
      {"keys and objects differ",
       xmlArchive({"<dict><key>$class</key>" + uid(2) + "<key>NS.keys</key><array>" + uid(3) +
                       uid(3) + "</array><key>NS.objects</key><array>" + uid(3) + "</array></dict>",
                   classDescription("NSDictionary"), "<string>k</string>"})},
      {"root is not a uid", xmlArchive({}, "<key>root</key><string>x</string>")},
      {"array entry in $objects", xmlArchive({"<array/>"})},
      {"wrong archiver",
       [] {
         std::string x = xmlArchive({"<string>x</string>"});
         return x.replace(x.find("NSKeyedArchiver"), 15, "NSArchiver");
       }()},
      {"wrong version",
       [] {
         std::string x = xmlArchive({"<string>x</string>"});
         return x.replace(x.find("100000"), 6, "99");
       }()},
      {"not an archive", "<?xml version=\"1.0\"?><plist><array/></plist>"},
      {"not a property list", "certainly not"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto error = refusal(dataOf(c.xml));
    if (error) {
      EXPECT_EQ(error->code(), NSCoderReadCorruptError) << error->description();
    }
  }
  auto noRoot = refusal(dataOf(xmlArchive({}, "<key>other</key>" + uid(0))));
  ASSERT_TRUE(noRoot);
  EXPECT_EQ(noRoot->code(), NSCoderValueNotFoundError);
  EXPECT_FALSE(NSKeyedUnarchiver::unarchiveObjectWithData(nullptr));
}

TEST(KeyedArchive, NestingIsBoundedButOrdinaryDepthsRead) {
  auto chain = [](int depth) {
    std::vector<std::string> objects{classDescription("NSArray")};
    // Root 1 is the class; the chain starts at 2.
    for (int i = 0; i < depth; ++i) {
      std::string next = i + 1 < depth ? uid(i + 3) : "";
      objects.push_back("<dict><key>$class</key>" + uid(1) + "<key>NS.objects</key><array>" + next +
                        "</array></dict>");
    }
    return xmlArchive(objects, "<key>root</key>" + uid(2));
  };
  EXPECT_TRUE(NSKeyedUnarchiver::unarchiveObjectWithData(dataOf(chain(200))));
  auto error = refusal(dataOf(chain(5000)));
  ASSERT_TRUE(error);
  EXPECT_NE(error->localizedDescription()->stdString().find("deep"), std::string::npos);
}

// A binary archive written by hand whose $objects holds an array of `entries` references,
// a shape no writer produces in one piece.
std::string bplistWithHugeArray(uint32_t entries) {
  std::string out = "bplist00";
  std::vector<uint32_t> offsets;
  auto object = [&](const std::string& bytes) {
    offsets.push_back(static_cast<uint32_t>(out.size()));
    out += bytes;
  };
  auto ascii = [&](const std::string& s) {
    object(s.size() < 15 ? char(0x50 | s.size()) + s
                         : "\x5F\x10" + std::string(1, char(s.size())) + s);
  };
  auto be32 = [](uint32_t v) {
    std::string b;
    for (int shift = 24; shift >= 0; shift -= 8) b += char((v >> shift) & 0xFF);
    return b;
  };
  object("\xD4\x01\x02\x03\x04\x05\x06\x07\x09");                     // 0: the top level
  ascii("$archiver");                                                 // 1
  ascii("$version");                                                  // 2
  ascii("$top");                                                      // 3
  ascii("$objects");                                                  // 4
  ascii("NSKeyedArchiver");                                           // 5
  object("\x12" + be32(100000));                                      // 6
  object("\xD1\x08\x0A");                                             // 7: {"root": 10}
  ascii("root");                                                      // 8
  object("\xA2\x0C\x0B");                                             // 9: [$null, the array]
  object(std::string("\x80\x01", 2));                                 // 10: UID 1
  object("\xAF\x12" + be32(entries) + std::string(entries, '\x0A'));  // 11
  ascii("$null");                                                     // 12
  uint32_t table = static_cast<uint32_t>(out.size());
  for (uint32_t o : offsets) out += be32(o);
  std::string trailer(32, '\0');
  trailer[6] = 4;  // offset size
  trailer[7] = 1;  // reference size
  trailer[15] = char(offsets.size());
  trailer.replace(28, 4, be32(table));
  return out + trailer;
}

TEST(KeyedArchive, AMillionEntryArrayIsRefusedBeforeItExpands) {
  // The same builder with a short array reads, so the refusal is the size alone.
  EXPECT_FALSE(NSPropertyListSerialization::propertyListWithData(
                   dataOf(bplistWithHugeArray(1000)), NSPropertyListImmutable) == nullptr);
  auto error = refusal(dataOf(bplistWithHugeArray(1000000)));
  ASSERT_TRUE(error);
  EXPECT_NE(error->localizedDescription()->stdString().find("too many"), std::string::npos);
}

TEST(KeyedArchive, TruncatedAndMutatedArchivesNeverCrash) {
  auto text = NSMutableAttributedString::initWithString(S("Thanks to everyone"));
  text->addAttributeValueRange(S("NSLink"), NSURL::URLWithString("action://thanks"),
                               NSMakeRange(10, 8));
  auto root = NSArray::arrayWithObjects(
      {text, NSDictionary::dictionaryWithObjectsAndKeys({{S("n"), NSNumber::numberWithInt(5)}}),
       NSTextCheckingResult::linkCheckingResultWithRangeURL(
           NSMakeRange(0, 4), NSURL::URLWithString("https://example.com"))});
  for (NSPropertyListFormat format :
       {NSPropertyListBinaryFormat_v1_0, NSPropertyListXMLFormat_v1_0}) {
    auto data = NSKeyedArchiver::archivedDataWithRootObjectFormat(root, format);
    ASSERT_TRUE(data);
    std::string bytes(static_cast<const char*>(data->bytes()), data->length());
    // (An XML archive without its final newline is still whole.)
    for (std::size_t n = 0; n + 1 < bytes.size();
         n += (format == NSPropertyListXMLFormat_v1_0 ? 7 : 1)) {
      Strong<NSError> error;
      id back = NSKeyedUnarchiver::unarchiveTopLevelObjectWithDataError(dataOf(bytes.substr(0, n)),
                                                                        &error);
      EXPECT_FALSE(back) << n;
      EXPECT_TRUE(error) << n;
    }
    std::mt19937 random(1234);
    for (int round = 0; round < 2000; ++round) {
      std::string mutated = bytes;
      for (int k = 0; k < 1 + round % 4; ++k)
        mutated[random() % mutated.size()] = static_cast<char>(random());
      Strong<NSError> error;
      id back = NSKeyedUnarchiver::unarchiveTopLevelObjectWithDataError(dataOf(mutated), &error);
      EXPECT_TRUE(back || error);
    }
  }
}

TEST(KeyedArchive, CodersRefuseTheOtherDirection) {
  NSKeyedArchiver archiver;
  EXPECT_THROW(archiver.decodeObjectForKey(S("k")), NSException);
  auto coder = NSKeyedUnarchiver::initForReadingFromDataError(
      NSKeyedArchiver::archivedDataWithRootObject(S("x")), nullptr);
  ASSERT_TRUE(coder);
  EXPECT_THROW(coder->encodeBoolForKey(YES, S("k")), NSException);
  archiver.finishEncoding();
  EXPECT_THROW(archiver.encodeBoolForKey(YES, S("k")), NSException);
}

}  // namespace

// Some writers keep a date in $objects as a plain value. In a binary archive one before
// the reference date keeps the sign of its fraction, as it does in any property list.
TEST(KeyedArchive, PlainDatesBeforeTheReferenceDateKeepTheirFraction) {
  auto uidOne =
      NSDictionary::dictionaryWithObjectsAndKeys({{S("CF$UID"), NSNumber::numberWithInt(1)}});
  auto archive = NSDictionary::dictionaryWithObjectsAndKeys(
      {{S("$archiver"), S("NSKeyedArchiver")},
       {S("$version"), NSNumber::numberWithInt(100000)},
       {S("$top"), NSDictionary::dictionaryWithObjectsAndKeys({{S("root"), uidOne}})},
       {S("$objects"), NSArray::arrayWithObjects(
                           {S("$null"), NSDate::dateWithTimeIntervalSinceReferenceDate(-25.25)})}});
  auto data =
      NSPropertyListSerialization::dataWithPropertyList(archive, NSPropertyListBinaryFormat_v1_0);
  ASSERT_NE(data, nullptr);
  auto date = objc_cast<NSDate>(NSKeyedUnarchiver::unarchiveObjectWithData(data));
  ASSERT_NE(date, nullptr);
  EXPECT_EQ(date->timeIntervalSinceReferenceDate(), -25.25);
}
