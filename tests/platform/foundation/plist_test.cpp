#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "Foundation/Foundation.h"

namespace fs = std::filesystem;

namespace {

Strong<NSString> S(const char* s) {
  return NSString::stringWithUTF8String(s);
}

class PropertyLists : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/nimbra-plist-XXXXXX";
    dir_ = mkdtemp(tmpl);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, ec);
    fs::remove_all(dir_, ec);
  }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  void writeRaw(const std::string& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
  }
  std::string readRaw(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string dir_;
};

Strong<NSDictionary> everyType() {
  const unsigned char blob[] = {0, 1, 2, 250, 255};
  auto inner = NSMutableDictionary::dictionary();
  inner->setObjectForKey(NSArray::array(), S("empty"));
  inner->setObjectForKey(NSDictionary::dictionary(), S("none"));
  return NSDictionary::dictionaryWithObjectsAndKeys({
      {S("Enabled"), NSNumber::numberWithBool(YES)},
      {S("FoldersEnabled"), NSNumber::numberWithBool(NO)},
      {S("ShowBadges"), NSNumber::numberWithInt(2)},
      {S("Negative"), NSNumber::numberWithLongLong(-9000000000LL)},
      {S("CustomStrength"), NSNumber::numberWithFloat(5.3f)},
      {S("Ratio"), NSNumber::numberWithDouble(0.1)},
      {S("BadgeWhitelist"),
       NSArray::arrayWithObjects({S("Mail"), S("<&> \"x\""), S("\xF0\x9F\x98\x80 caf\xC3\xA9")})},
      {S("When"), NSDate::dateWithTimeIntervalSinceReferenceDate(86400.0 * 365)},
      {S("Blob"), NSData::dataWithBytes(blob, sizeof blob)},
      {S("Nested"), inner},
      {S(""), S("")},
      {S("Controls & <keys>"), S("tab\there\r\nline\x01 ]]> &amp;")},
  });
}

TEST_F(PropertyLists, RoundTripEveryTypeInBothForms) {
  auto original = everyType();
  for (NSPropertyListFormat format :
       {NSPropertyListXMLFormat_v1_0, NSPropertyListBinaryFormat_v1_0}) {
    std::string error;
    auto data = NSPropertyListSerialization::dataWithPropertyList(original, format, &error);
    ASSERT_NE(data, nullptr) << error;
    NSPropertyListFormat read = 0;
    id back = NSPropertyListSerialization::propertyListWithData(data, 0, &read, &error);
    ASSERT_NE(back, nullptr) << error;
    EXPECT_EQ(read, format);
    EXPECT_TRUE(back->isEqual(original.get())) << back->description();
    auto d = objc_cast<NSDictionary>(back);
    // Kinds survive: booleans stay booleans, reals stay reals.
    EXPECT_EQ(objc_cast<NSNumber>(d->objectForKey(S("Enabled")))->kind(), NSNumber::Kind::Boolean);
    EXPECT_TRUE(objc_cast<NSNumber>(d->objectForKey(S("CustomStrength")))->isReal());
    EXPECT_EQ(static_cast<double>(
                  objc_cast<NSNumber>(d->objectForKey(S("CustomStrength")))->floatValue()),
              5.300000190734863);
    EXPECT_FALSE(d->isKindOfClass(NSMutableDictionary::class_()));
  }
  auto mutableBack = NSPropertyListSerialization::propertyListWithData(
      NSPropertyListSerialization::dataWithPropertyList(original, NSPropertyListXMLFormat_v1_0),
      NSPropertyListMutableContainers);
  EXPECT_TRUE(objc_cast<NSDictionary>(mutableBack)
                  ->objectForKey(S("BadgeWhitelist"))
                  ->isKindOfClass(NSMutableArray::class_()));
}

TEST_F(PropertyLists, WritesSortedXmlAndReadsBack) {
  auto d = NSMutableDictionary::dictionary();
  d->setObjectForKey(NSNumber::numberWithInt(3), S("ShowBadges"));
  d->setObjectForKey(NSNumber::numberWithBool(YES), S("Enabled"));
  d->setObjectForKey(NSNumber::numberWithDouble(5.5), S("CustomStrength"));
  std::string p = path("com.varenko.nimbra.plist");
  ASSERT_TRUE(d->writeToFileAtomically(p, YES));
  std::string xml = readRaw(p);
  EXPECT_EQ(xml,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
            "<plist version=\"1.0\">\n<dict>\n"
            "\t<key>CustomStrength</key>\n\t<real>5.5</real>\n"
            "\t<key>Enabled</key>\n\t<true/>\n"
            "\t<key>ShowBadges</key>\n\t<integer>3</integer>\n"
            "</dict>\n</plist>\n");
  auto back = NSMutableDictionary::dictionaryWithContentsOfFile(S(p.c_str()));
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(back->isEqualToDictionary(d));
  back->setObjectForKey(S("x"), S("y"));  // mutable at the top
  EXPECT_EQ(entries(), std::vector<std::string>{"com.varenko.nimbra.plist"});
  // Non-atomic writes and arrays too.
  auto list = NSArray::arrayWithObjects({S("a"), NSNumber::numberWithInt(1)});
  ASSERT_TRUE(list->writeToFileAtomically(path("list.plist"), NO));
  EXPECT_TRUE(NSArray::arrayWithContentsOfFile(path("list.plist"))->isEqualToArray(list));
}

TEST_F(PropertyLists, NonPropertyListValuesWriteNothing) {
  std::string p = path("bad.plist");
  auto withNull = NSDictionary::dictionaryWithObjectsAndKeys({{S("k"), NSNull::null()}});
  auto withNumberKey =
      NSDictionary::dictionaryWithObjectsAndKeys({{NSNumber::numberWithInt(1), S("v")}});
  auto withUrl = NSArray::arrayWithObjects({NSURL::URLWithString(S("http://x"))});
  EXPECT_FALSE(withNull->writeToFileAtomically(p, YES));
  EXPECT_FALSE(withNumberKey->writeToFileAtomically(p, YES));
  EXPECT_FALSE(withUrl->writeToFileAtomically(p, NO));
  // An array holding itself is refused, not followed forever.
  auto loop = NSMutableArray::array();
  loop->addObject(loop);
  EXPECT_FALSE(loop->writeToFileAtomically(p, YES));
  loop->removeAllObjects();
  std::string error;
  EXPECT_EQ(NSPropertyListSerialization::dataWithPropertyList(withNull, 200, &error), nullptr);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(NSPropertyListSerialization::dataWithPropertyList(everyType(), 1, &error), nullptr);
  EXPECT_TRUE(entries().empty());
}

// Values a file cannot carry whole are refused with a reason, never written changed: a
// string holding U+0000 (a binary list may hold one in UTF-16; both writers would cut it
// short) and a date outside the reader's 32-bit span of seconds.
TEST_F(PropertyLists, ValuesAFileCannotCarryAreRefusedNotChanged) {
  // One UTF-16 string object: "a", U+0000, "b".
  const unsigned char bytes[] = {'b', 'p', 'l', 'i', 's', 't', '0', '0', 0x63, 0, 'a', 0,
                                 0,   0,   'b', 8,   0,   0,   0,   0,   0,    0, 1,   1,
                                 0,   0,   0,   0,   0,   0,   0,   1,   0,    0, 0,   0,
                                 0,   0,   0,   0,   0,   0,   0,   0,   0,    0, 0,   15};
  id read = NSPropertyListSerialization::propertyListWithData(
      NSData::dataWithBytes(bytes, sizeof bytes), NSPropertyListImmutable);
  ASSERT_NE(objc_cast<NSString>(read), nullptr);
  EXPECT_EQ(objc_cast<NSString>(read)->characters(), std::u16string(u"a\0b", 3));

  auto inValue = NSDictionary::dictionaryWithObjectsAndKeys({{S("k"), read}});
  auto inKey = NSDictionary::dictionaryWithObjectsAndKeys({{read, S("v")}});
  for (const auto& list : {inValue, inKey}) {
    for (NSPropertyListFormat format :
         {NSPropertyListXMLFormat_v1_0, NSPropertyListBinaryFormat_v1_0}) {
      std::string error;
      EXPECT_EQ(NSPropertyListSerialization::dataWithPropertyList(list, format, &error), nullptr);
      EXPECT_NE(error.find("NUL"), std::string::npos) << error;
    }
  }
  std::string p = path("settings.plist");
  ASSERT_TRUE(NSDictionary::dictionary()->writeToFileAtomically(p, YES));
  std::string before = readRaw(p);
  EXPECT_FALSE(inValue->writeToFileAtomically(p, YES));
  EXPECT_EQ(readRaw(p), before);

  const double first = INT32_MIN, last = INT32_MAX;
  for (double t : {first - 1, last + 1, first - 3600 * 0.5}) {
    auto early = NSArray::arrayWithObjects({NSDate::dateWithTimeIntervalSinceReferenceDate(t)});
    for (NSPropertyListFormat format :
         {NSPropertyListXMLFormat_v1_0, NSPropertyListBinaryFormat_v1_0}) {
      std::string error;
      EXPECT_EQ(NSPropertyListSerialization::dataWithPropertyList(early, format, &error), nullptr)
          << t;
      EXPECT_EQ(error, "date out of range");
    }
  }
  for (double t : {first, last}) {
    auto edge = NSArray::arrayWithObjects({NSDate::dateWithTimeIntervalSinceReferenceDate(t)});
    for (NSPropertyListFormat format :
         {NSPropertyListXMLFormat_v1_0, NSPropertyListBinaryFormat_v1_0}) {
      auto data = NSPropertyListSerialization::dataWithPropertyList(edge, format);
      ASSERT_NE(data, nullptr);
      id back = NSPropertyListSerialization::propertyListWithData(data, NSPropertyListImmutable);
      EXPECT_TRUE(edge->isEqual(back)) << t << " in format " << format;
    }
  }
}

// The binary form keeps microseconds, before the reference date too: a fraction that
// rounds up to a whole second carries into it (it was dropped, a second early), and one
// of a negative date keeps its sign (it was read as positive, up to two seconds late).
TEST_F(PropertyLists, BinaryDatesRoundToTheNearestMicrosecond) {
  for (double t : {5.9999999, -25.0000001, -25.3, 0.25, -1.5, 86400.0 * 365 + 0.9999996}) {
    auto list = NSArray::arrayWithObjects({NSDate::dateWithTimeIntervalSinceReferenceDate(t)});
    auto data =
        NSPropertyListSerialization::dataWithPropertyList(list, NSPropertyListBinaryFormat_v1_0);
    ASSERT_NE(data, nullptr);
    auto back = objc_cast<NSArray>(
        NSPropertyListSerialization::propertyListWithData(data, NSPropertyListImmutable));
    ASSERT_NE(back, nullptr);
    double read = objc_cast<NSDate>(back->objectAtIndex(0))->timeIntervalSinceReferenceDate();
    EXPECT_NEAR(read, t, 1e-6) << t;
  }
}

// XML writes every real so it reads back the same, and a date as the second it falls in:
// before the reference date that is the second below, not the one toward zero.
TEST_F(PropertyLists, XmlKeepsEveryRealAndTheSecondADateFallsIn) {
  auto list = NSMutableArray::array();
  const std::vector<double> reals = {0.1, 1.0 / 3, static_cast<double>(5.3f), 1e300, 5e-324, -2.5};
  for (double r : reals) list->addObject(NSNumber::numberWithDouble(r));
  const std::vector<double> dates = {-25.3, -1.5, -0.25, 0.25, 5.9999999};
  for (double t : dates) list->addObject(NSDate::dateWithTimeIntervalSinceReferenceDate(t));
  auto data = NSPropertyListSerialization::dataWithPropertyList(list, NSPropertyListXMLFormat_v1_0);
  ASSERT_NE(data, nullptr);
  auto back = objc_cast<NSArray>(
      NSPropertyListSerialization::propertyListWithData(data, NSPropertyListImmutable));
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->count(), reals.size() + dates.size());
  for (std::size_t i = 0; i < reals.size(); ++i)
    EXPECT_EQ(objc_cast<NSNumber>(back->objectAtIndex(i))->doubleValue(), reals[i]);
  for (std::size_t i = 0; i < dates.size(); ++i) {
    auto date = objc_cast<NSDate>(back->objectAtIndex(reals.size() + i));
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->timeIntervalSinceReferenceDate(), std::floor(dates[i])) << dates[i];
  }
}

TEST_F(PropertyLists, UnreadableFilesGiveNone) {
  EXPECT_EQ(NSDictionary::dictionaryWithContentsOfFile(path("missing.plist")), nullptr);
  EXPECT_EQ(NSDictionary::dictionaryWithContentsOfFile(dir_), nullptr);
  EXPECT_EQ(NSDictionary::dictionaryWithContentsOfFile(Strong<NSString>()), nullptr);
  writeRaw(path("empty"), "");
  EXPECT_EQ(NSDictionary::dictionaryWithContentsOfFile(path("empty")), nullptr);
  writeRaw(path("text"), "hello, world");
  EXPECT_EQ(NSDictionary::dictionaryWithContentsOfFile(path("text")), nullptr);
  writeRaw(path("html"), "<html><body>hi</body></html>");
  EXPECT_EQ(NSDictionary::dictionaryWithContentsOfFile(path("html")), nullptr);
  mkfifo(path("fifo").c_str(), 0644);
  EXPECT_EQ(NSDictionary::dictionaryWithContentsOfFile(path("fifo")), nullptr);

  // Wrong root type in both directions.
  ASSERT_TRUE(NSArray::arrayWithObjects({S("a")})->writeToFileAtomically(path("array"), YES));
  EXPECT_EQ(NSDictionary::dictionaryWithContentsOfFile(path("array")), nullptr);
  EXPECT_NE(NSArray::arrayWithContentsOfFile(path("array")), nullptr);
  ASSERT_TRUE(everyType()->writeToFileAtomically(path("dict"), YES));
  EXPECT_EQ(NSArray::arrayWithContentsOfFile(path("dict")), nullptr);
  writeRaw(path("string"), "<plist version=\"1.0\"><string>x</string></plist>");
  EXPECT_EQ(NSDictionary::dictionaryWithContentsOfFile(path("string")), nullptr);
}

TEST_F(PropertyLists, EveryTruncationOfASmallFileIsRefused) {
  auto settings = NSDictionary::dictionaryWithObjectsAndKeys(
      {{S("Enabled"), NSNumber::numberWithBool(NO)},
       {S("BadgeWhitelist"), NSArray::arrayWithObjects({S("Mail"), S("Phone")})},
       {S("CustomStrength"), NSNumber::numberWithDouble(7.25)}});
  for (NSPropertyListFormat format :
       {NSPropertyListXMLFormat_v1_0, NSPropertyListBinaryFormat_v1_0}) {
    auto data = NSPropertyListSerialization::dataWithPropertyList(settings, format);
    ASSERT_NE(data, nullptr);
    const auto& bytes = data->byteVector();
    std::string p = path("cut.plist");
    int parsed = 0;
    for (std::size_t n = 0; n < bytes.size(); ++n) {
      writeRaw(p, std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)));
      auto d = NSDictionary::dictionaryWithContentsOfFile(p);
      // Only a cut of the final newline leaves the list whole.
      if (d) {
        ++parsed;
        EXPECT_TRUE(d->isEqualToDictionary(settings)) << "cut at " << n;
      }
    }
    EXPECT_LE(parsed, 1);
  }
}

TEST_F(PropertyLists, RandomAndMutatedBytesNeverCrash) {
  std::mt19937 rng(1234);
  auto data = NSPropertyListSerialization::dataWithPropertyList(everyType(), 200);
  auto xml = NSPropertyListSerialization::dataWithPropertyList(everyType(), 100);
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> bytes;
    if (round % 3 == 0) {
      bytes.resize(rng() % 200);
      for (auto& b : bytes) b = static_cast<uint8_t>(rng());
      if (round % 2 && bytes.size() >= 8) std::memcpy(bytes.data(), "bplist00", 8);
    } else {
      bytes = (round % 3 == 1 ? data : xml)->byteVector();
      for (int flips = 1 + static_cast<int>(rng() % 4); flips > 0; --flips)
        bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
    }
    id result = NSPropertyListSerialization::propertyListWithData(
        NSData::dataWithBytes(bytes.data(), bytes.size()), 0);
    if (result) {
      EXPECT_TRUE(NSPropertyListSerialization::propertyListIsValidForFormat(result, 100));
    }
  }
}

// A binary list by hand: objects, then the offset table, then the trailer.
std::string binaryPlist(const std::string& objects, const std::vector<uint64_t>& offsets,
                        uint8_t refSize, uint64_t count, uint64_t top) {
  std::string out = "bplist00" + objects;
  uint64_t table = out.size();
  for (uint64_t off : offsets)
    for (int k = 7; k >= 0; --k) out += static_cast<char>((off >> (8 * k)) & 0xFF);
  std::string trailer(32, '\0');
  trailer[6] = 8;
  trailer[7] = static_cast<char>(refSize);
  for (int k = 0; k < 8; ++k) {
    trailer[8 + k] = static_cast<char>((count >> (8 * (7 - k))) & 0xFF);
    trailer[16 + k] = static_cast<char>((top >> (8 * (7 - k))) & 0xFF);
    trailer[24 + k] = static_cast<char>((table >> (8 * (7 - k))) & 0xFF);
  }
  return out + trailer;
}

TEST_F(PropertyLists, HostileBinaryListsAreRefused) {
  std::string p = path("hostile.plist");
  // Sanity: a hand-made one-element array parses.
  writeRaw(p, binaryPlist(std::string("\xA1\x01\x51x", 4), {8, 10}, 1, 2, 0));
  ASSERT_NE(NSArray::arrayWithContentsOfFile(p), nullptr);
  // An array declaring 2^60 elements.
  writeRaw(p,
           binaryPlist(std::string("\xAF\x13\x10\x00\x00\x00\x00\x00\x00\x00", 10), {8}, 1, 1, 0));
  EXPECT_EQ(NSArray::arrayWithContentsOfFile(p), nullptr);
  // A string longer than the file.
  writeRaw(p, binaryPlist(std::string("\xA1\x01\x5F\x12\x7F\xFF\xFF\xFF", 8), {8, 10}, 1, 2, 0));
  EXPECT_EQ(NSArray::arrayWithContentsOfFile(p), nullptr);
  // A huge object count in the trailer.
  writeRaw(p, binaryPlist(std::string("\xA0", 1), {8}, 1, UINT64_MAX / 4, 0));
  EXPECT_EQ(NSArray::arrayWithContentsOfFile(p), nullptr);
  // A reference past the table; an array that holds itself.
  writeRaw(p, binaryPlist(std::string("\xA1\x07", 2), {8}, 1, 1, 0));
  EXPECT_EQ(NSArray::arrayWithContentsOfFile(p), nullptr);
  writeRaw(p, binaryPlist(std::string("\xA1\x00", 2), {8}, 1, 1, 0));
  EXPECT_EQ(NSArray::arrayWithContentsOfFile(p), nullptr);
  // A dictionary whose key is a number.
  writeRaw(p, binaryPlist(std::string("\xD1\x01\x01\x10\x05", 5), {8, 11}, 1, 2, 0));
  EXPECT_EQ(NSDictionary::dictionaryWithContentsOfFile(p), nullptr);
  // Keys with a NUL character (the reader aborts on those), in ASCII and UTF-16.
  writeRaw(p, binaryPlist(std::string("\xD1\x01\x02\x53"
                                      "a\0b"
                                      "\x51x",
                                      9),
                          {8, 11, 15}, 1, 3, 0));
  EXPECT_EQ(NSDictionary::dictionaryWithContentsOfFile(p), nullptr);
  writeRaw(p, binaryPlist(std::string("\xD1\x01\x02\x61\0\0\x51x", 8), {8, 11, 14}, 1, 3, 0));
  EXPECT_EQ(NSDictionary::dictionaryWithContentsOfFile(p), nullptr);
  writeRaw(p, binaryPlist(std::string("\xD1\x01\x02\x61\0k\x51x", 8), {8, 11, 14}, 1, 3, 0));
  EXPECT_NE(NSDictionary::dictionaryWithContentsOfFile(p), nullptr);
  // Shared references that would expand to 2^40 objects: 40 arrays each holding the
  // next one twice.
  std::string objects;
  std::vector<uint64_t> offsets;
  for (int i = 0; i < 40; ++i) {
    offsets.push_back(8 + objects.size());
    objects += "\xA2";
    objects += static_cast<char>(i + 1);
    objects += static_cast<char>(i + 1);
  }
  offsets.push_back(8 + objects.size());
  objects += "\x08";
  writeRaw(p, binaryPlist(objects, offsets, 1, offsets.size(), 0));
  EXPECT_EQ(NSArray::arrayWithContentsOfFile(p), nullptr);
}

TEST_F(PropertyLists, DeepNestingIsRefusedWithoutOverflow) {
  const int depth = 100000;
  std::string xml = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
  for (int i = 0; i < depth; ++i) xml += "<array>";
  for (int i = 0; i < depth; ++i) xml += "</array>";
  xml += "</plist>";
  writeRaw(path("deep.xml"), xml);
  EXPECT_EQ(NSArray::arrayWithContentsOfFile(path("deep.xml")), nullptr);

  // Binary: array i holds array i+1.
  std::string objects;
  std::vector<uint64_t> offsets;
  for (int i = 0; i < depth; ++i) {
    offsets.push_back(8 + objects.size());
    objects += "\xA1";
    uint32_t ref = static_cast<uint32_t>(i + 1);
    for (int k = 3; k >= 0; --k) objects += static_cast<char>((ref >> (8 * k)) & 0xFF);
  }
  offsets.push_back(8 + objects.size());
  objects += "\xA0";
  writeRaw(path("deep.bin"), binaryPlist(objects, offsets, 4, offsets.size(), 0));
  EXPECT_EQ(NSArray::arrayWithContentsOfFile(path("deep.bin")), nullptr);

  // Moderate nesting still reads and writes.
  id inner = NSArray::array();
  for (int i = 0; i < 100; ++i) inner = NSArray::arrayWithObject(inner);
  ASSERT_TRUE(objc_cast<NSArray>(inner)->writeToFileAtomically(path("ok"), YES));
  EXPECT_TRUE(NSArray::arrayWithContentsOfFile(path("ok"))->isEqual(inner.get()));
  // Deep structures built in memory are refused on writing.
  for (int i = 0; i < 1000; ++i) inner = NSArray::arrayWithObject(inner);
  EXPECT_FALSE(objc_cast<NSArray>(inner)->writeToFileAtomically(path("deep"), YES));
}

TEST_F(PropertyLists, EnormousFilesAreNotRead) {
  std::string p = path("huge.plist");
  {
    std::ofstream out(p, std::ios::binary);
    out << "<plist><array>";
  }
  fs::resize_file(p, NSPropertyListSerialization::kMaxBytes + 1);
  EXPECT_EQ(NSArray::arrayWithContentsOfFile(p), nullptr);
}

// Runs `body` as an unprivileged user in a child when we are root (root ignores
// permissions); the child's exit code is the body's result.
template <class Body>
bool runUnprivileged(Body body) {
  pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    _exit(body() ? 1 : 0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

TEST_F(PropertyLists, FailedWriteReturnsNoAndKeepsTheOldFile) {
  std::string p = path("settings.plist");
  auto old = NSDictionary::dictionaryWithObjectsAndKeys({{S("Color"), NSNumber::numberWithInt(4)}});
  ASSERT_TRUE(old->writeToFileAtomically(p, YES));
  std::string before = readRaw(p);
  auto next =
      NSDictionary::dictionaryWithObjectsAndKeys({{S("Color"), NSNumber::numberWithInt(9)}});

  chmod(dir_.c_str(), 0555);
  EXPECT_FALSE(runUnprivileged([&] { return next->writeToFileAtomically(p, YES); }));
  chmod(dir_.c_str(), 0755);
  EXPECT_EQ(readRaw(p), before);
  EXPECT_EQ(entries(), std::vector<std::string>{"settings.plist"});

  // A folder where the file should be: the rename fails and the temporary goes away.
  fs::create_directory(path("taken"));
  EXPECT_FALSE(next->writeToFileAtomically(path("taken"), YES));
  EXPECT_FALSE(next->writeToFileAtomically(path("no/such/folder.plist"), YES));
  EXPECT_FALSE(next->writeToFileAtomically(std::string(), YES));
  EXPECT_EQ(entries(), (std::vector<std::string>{"settings.plist", "taken"}));
}

TEST_F(PropertyLists, KilledWriterNeverLeavesAPartialFile) {
  std::string p = path("settings.plist");
  auto first =
      NSDictionary::dictionaryWithObjectsAndKeys({{S("Round"), NSNumber::numberWithInt(-1)}});
  ASSERT_TRUE(first->writeToFileAtomically(p, YES));
  std::mt19937 rng(99);
  for (int round = 0; round < 25; ++round) {
    pid_t pid = fork();
    if (pid == 0) {
      auto big = NSMutableArray::array();
      for (int i = 0; i < 2000; ++i) big->addObject(NSString::stringWithFormat("App %d", i));
      for (int i = 0;; ++i) {
        auto d = NSMutableDictionary::dictionary();
        d->setObjectForKey(NSNumber::numberWithInt(i), S("Round"));
        d->setObjectForKey(big, S("BadgeWhitelist"));
        d->writeToFileAtomically(p, YES);
      }
    }
    usleep(1000 + rng() % 20000);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    auto d = NSDictionary::dictionaryWithContentsOfFile(p);
    ASSERT_NE(d, nullptr) << "round " << round;
    int r = objc_cast<NSNumber>(d->objectForKey(S("Round")))->intValue();
    if (r >= 0) {
      EXPECT_EQ(objc_cast<NSArray>(d->objectForKey(S("BadgeWhitelist")))->count(), 2000u);
    }
  }
}

// Only temporaries of this file's naming whose writer is gone are cleared: never one a
// live writer holds, nor one whose pid still runs (unless old), nor anything else.
TEST_F(PropertyLists, NextWriterClearsStaleTemporariesOnly) {
  pid_t dead = fork();
  if (dead == 0) _exit(0);
  waitpid(dead, nullptr, 0);
  std::string me = std::to_string(getpid()), gone = std::to_string(dead);
  const std::vector<std::string> kept = {
      ".settings.plist." + me + ".Fresh1",  // its pid runs
      ".settings.plist.Fresh2",             // older naming, recent
      ".settings.plist.lock",
      ".settings.plist.backup",
      ".settings.plist." + gone + ".toolong",
      ".other.plist." + gone + ".Stale1",
      "settings.plist." + gone + ".Stale1",
  };
  const std::vector<std::string> cleared = {".settings.plist." + gone + ".Stale2",
                                            ".settings.plist.Stale3"};
  for (const auto& name : kept) writeRaw(path(name), "x");
  for (const auto& name : cleared) writeRaw(path(name), "x");
  auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
  fs::last_write_time(path(".settings.plist.Stale3"), hourAgo);
  // A writer of the pid that is gone still at work: it holds its temporary's lock.
  std::string held = ".settings.plist." + gone + ".Locked";
  writeRaw(path(held), "x");
  int fd = open(path(held).c_str(), O_RDONLY);
  ASSERT_EQ(flock(fd, LOCK_EX), 0);
  // A link of the stale naming is not followed nor removed.
  std::string link = ".settings.plist." + gone + ".Linked";
  fs::create_symlink(path("settings.plist"), path(link));

  auto d = NSDictionary::dictionaryWithObjectsAndKeys({{S("Color"), NSNumber::numberWithInt(4)}});
  ASSERT_TRUE(d->writeToFileAtomically(path("settings.plist"), YES));
  close(fd);
  std::vector<std::string> expected = kept;
  expected.insert(expected.end(), {held, link, "settings.plist"});
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(entries(), expected);
  // Once its writer let go, the locked one is stale too.
  ASSERT_TRUE(d->writeToFileAtomically(path("settings.plist"), YES));
  EXPECT_FALSE(fs::exists(path(held)));
}

TEST_F(PropertyLists, CoordinatedWritersInTwoProcessesLoseNothing) {
  std::string p = path("shared.plist");
  const int perProcess = 500;
  auto writer = [&](const char* prefix) {
    for (int i = 0; i < perProcess; ++i) {
      BOOL ok = NSFileCoordinator::coordinateWritingItemAtPath(p, [&] {
        auto d = NSMutableDictionary::dictionaryWithContentsOfFile(p);
        if (!d) d = NSMutableDictionary::dictionary();
        d->setObjectForKey(NSNumber::numberWithInt(i),
                           NSString::stringWithFormat("%s%d", prefix, i));
        d->writeToFileAtomically(p, YES);
      });
      if (!ok) return false;
    }
    return true;
  };
  pid_t a = fork();
  if (a == 0) _exit(writer("a") ? 0 : 1);
  pid_t b = fork();
  if (b == 0) _exit(writer("b") ? 0 : 1);
  int sa = 0, sb = 0;
  waitpid(a, &sa, 0);
  waitpid(b, &sb, 0);
  ASSERT_TRUE(WIFEXITED(sa) && WEXITSTATUS(sa) == 0);
  ASSERT_TRUE(WIFEXITED(sb) && WEXITSTATUS(sb) == 0);
  auto d = NSDictionary::dictionaryWithContentsOfFile(p);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->count(), 2u * perProcess);
  EXPECT_TRUE(d->objectForKey(S("a499"))->isEqual(NSNumber::numberWithInt(499).get()));
  EXPECT_TRUE(d->objectForKey(S("b0"))->isEqual(NSNumber::numberWithInt(0).get()));
  // The lock lives beside the file, not in it.
  EXPECT_EQ(entries(), (std::vector<std::string>{".shared.plist.lock", "shared.plist"}));
  EXPECT_FALSE(NSFileCoordinator::coordinateWritingItemAtPath(path("no/such/x"), [] {}));
  // A write that never happened leaves no lock file beside nothing.
  EXPECT_TRUE(NSFileCoordinator::coordinateWritingItemAtPath(path("never.plist"), [] {}));
  EXPECT_EQ(entries(), (std::vector<std::string>{".shared.plist.lock", "shared.plist"}));
}

}  // namespace
