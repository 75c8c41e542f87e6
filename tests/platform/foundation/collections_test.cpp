#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "Foundation/Foundation.h"

namespace {

Strong<NSString> S(const char* s) {
  return NSString::stringWithUTF8String(s);
}
id N(int v) {
  return NSNumber::numberWithInt(v);
}

TEST(NSNumber, ConversionsFollowC) {
  auto real = NSNumber::numberWithDouble(3.7);
  EXPECT_EQ(real->intValue(), 3);
  EXPECT_EQ(NSNumber::numberWithDouble(-3.7)->intValue(), -3);
  EXPECT_TRUE(NSNumber::numberWithDouble(0.1)->boolValue());
  EXPECT_FALSE(NSNumber::numberWithDouble(0.0)->boolValue());
  EXPECT_TRUE(NSNumber::numberWithInt(-2)->boolValue());
  EXPECT_EQ(NSNumber::numberWithBool(YES)->intValue(), 1);
  EXPECT_EQ(static_cast<double>(NSNumber::numberWithFloat(5.3f)->doubleValue()), 5.300000190734863);
  EXPECT_EQ(NSNumber::numberWithLongLong(1LL << 40)->intValue(), 0);  // low 32 bits
  EXPECT_EQ(NSNumber::numberWithLongLong(-5)->intValue(), -5);
  EXPECT_EQ(NSNumber::numberWithUnsignedLongLong((1ULL << 32) + 5)->intValue(), 5);
  EXPECT_EQ(NSNumber::numberWithUnsignedLongLong(ULLONG_MAX)->intValue(), -1);
  // Out-of-range reals saturate instead of being undefined.
  EXPECT_EQ(NSNumber::numberWithDouble(1e30)->intValue(), INT_MAX);
  EXPECT_EQ(NSNumber::numberWithDouble(-1e30)->longLongValue(), LLONG_MIN);
  EXPECT_EQ(NSNumber::numberWithDouble(NAN)->intValue(), 0);
  EXPECT_EQ(NSNumber::numberWithUnsignedLongLong(ULLONG_MAX)->unsignedLongLongValue(), ULLONG_MAX);
  EXPECT_STREQ(NSNumber::numberWithBool(YES)->stringValue()->UTF8String(), "1");
  EXPECT_STREQ(NSNumber::numberWithFloat(5.3f)->stringValue()->UTF8String(), "5.3");
  EXPECT_STREQ(NSNumber::numberWithDouble(0.1)->stringValue()->UTF8String(), "0.1");
  EXPECT_STREQ(NSNumber::numberWithInt(-12)->stringValue()->UTF8String(), "-12");
}

TEST(NSNumber, EqualityIsByValueAcrossKinds) {
  auto one = NSNumber::numberWithInt(1);
  auto oneReal = NSNumber::numberWithDouble(1.0);
  auto yes = NSNumber::numberWithBool(YES);
  EXPECT_TRUE(one->isEqual(oneReal.get()));
  EXPECT_TRUE(one->isEqual(yes.get()));
  EXPECT_EQ(one->hash(), oneReal->hash());
  EXPECT_EQ(one->hash(), yes->hash());
  EXPECT_FALSE(one->isEqualToNumber(NSNumber::numberWithDouble(1.5)));
  EXPECT_FALSE(one->isEqual(S("1").get()));
  EXPECT_FALSE(NSNumber::numberWithUnsignedLongLong(ULLONG_MAX)
                   ->isEqualToNumber(NSNumber::numberWithLongLong(-1)));
  EXPECT_EQ(NSNumber::numberWithInt(2)->compare(NSNumber::numberWithDouble(2.5)),
            NSOrderedAscending);
  EXPECT_EQ(yes->kind(), NSNumber::Kind::Boolean);
  EXPECT_TRUE(oneReal->isReal());
}

TEST(NSArray, AccessAndSearch) {
  auto a = NSArray::arrayWithObjects({S("a"), N(1), S("b")});
  EXPECT_EQ(a->count(), 3u);
  EXPECT_TRUE(a->firstObject()->isEqual(S("a").get()));
  EXPECT_TRUE(a->lastObject()->isEqual(S("b").get()));
  EXPECT_EQ(a->indexOfObject(NSNumber::numberWithDouble(1.0)), 1u);  // by isEqual
  EXPECT_TRUE(a->containsObject(S("b")));
  EXPECT_EQ(a->indexOfObject(S("z")), static_cast<NSUInteger>(NSNotFound));
  EXPECT_THROW(a->objectAtIndex(3), NSException);
  EXPECT_EQ(NSArray::array()->firstObject(), nullptr);
  std::string joined;
  for (const id& o : *a) joined += o->description();
  EXPECT_EQ(joined, "a1b");
  EXPECT_STREQ(a->componentsJoinedByString(S(","))->UTF8String(), "a,1,b");
  EXPECT_EQ(a->description(), "(\n    a,\n    1,\n    b\n)");
  EXPECT_THROW(NSArray::arrayWithObjects({S("a"), nullptr}), NSException);
}

TEST(NSMutableArray, EditsAndBadIndices) {
  auto m = NSMutableArray::array();
  m->addObject(S("x"));
  m->addObject(S("y"));
  m->insertObjectAtIndex(S("w"), 0);
  m->insertObjectAtIndex(S("z"), 3);
  m->replaceObjectAtIndexWithObject(1, S("X"));
  EXPECT_STREQ(m->componentsJoinedByString(S(""))->UTF8String(), "wXyz");
  m->addObject(S("y"));
  m->removeObject(S("y"));  // every equal element
  EXPECT_STREQ(m->componentsJoinedByString(S(""))->UTF8String(), "wXz");
  m->removeObjectAtIndex(0);
  EXPECT_EQ(m->count(), 2u);
  EXPECT_THROW(m->removeObjectAtIndex(2), NSException);
  EXPECT_THROW(m->insertObjectAtIndex(S("q"), 3), NSException);
  EXPECT_THROW(m->replaceObjectAtIndexWithObject(5, S("q")), NSException);
  EXPECT_THROW(m->addObject(nullptr), NSException);
  auto snapshot = m->copy();
  m->removeAllObjects();
  EXPECT_EQ(m->count(), 0u);
  EXPECT_EQ(snapshot->count(), 2u);
  EXPECT_FALSE(snapshot->isKindOfClass(NSMutableArray::class_()));
  auto again = snapshot->mutableCopy();
  EXPECT_TRUE(again->isEqualToArray(snapshot));
  again->addObjectsFromArray(again);
  EXPECT_EQ(again->count(), 4u);
  EXPECT_FALSE(again->isEqualToArray(snapshot));
}

TEST(NSDictionary, KeysCompareByValue) {
  auto d = NSMutableDictionary::dictionary();
  auto key = NSMutableString::stringWithUTF8String("Enabled");
  d->setObjectForKey(NSNumber::numberWithBool(NO), key);
  key->appendString(S("X"));  // the dictionary kept its own copy of the key
  EXPECT_NE(d->objectForKey(S("Enabled")), nullptr);
  EXPECT_EQ(d->objectForKey(S("EnabledX")), nullptr);
  // A mutable probe is read as it is at each lookup, not by the hash of an earlier one.
  auto probe = NSMutableString::stringWithUTF8String("Enabl");
  EXPECT_EQ(d->objectForKey(probe), nullptr);
  probe->appendString(S("ed"));
  EXPECT_NE(d->objectForKey(probe), nullptr);
  probe->deleteCharactersInRange(NSMakeRange(0, 1));
  EXPECT_EQ(d->objectForKey(probe), nullptr);
  d->setObjectForKey(N(3), NSNumber::numberWithDouble(1.0));
  EXPECT_TRUE(d->objectForKey(NSNumber::numberWithBool(YES))->isEqual(N(3).get()));
  d->setObjectForKey(N(4), N(1));  // same key as 1.0: replaces
  EXPECT_EQ(d->count(), 2u);
  EXPECT_EQ(d->objectForKey(nullptr), nullptr);
  EXPECT_THROW(d->setObjectForKey(nullptr, S("k")), NSException);
  EXPECT_THROW(d->setObjectForKey(N(1), nullptr), NSException);

  d->setObjectForKey(S("v"), S("later"));
  std::vector<std::string> order;
  for (const auto& [k, v] : *d) order.push_back(k->description());
  EXPECT_EQ(order, (std::vector<std::string>{"Enabled", "1", "later"}));
  d->removeObjectForKey(S("Enabled"));
  EXPECT_EQ(d->objectForKey(S("Enabled")), nullptr);
  EXPECT_TRUE(d->objectForKey(S("later"))->isEqual(S("v").get()));
  EXPECT_EQ(d->allKeys()->count(), 2u);
  EXPECT_EQ(d->allValues()->count(), 2u);
  d->removeObjectForKey(S("absent"));
  EXPECT_EQ(d->count(), 2u);
}

// Small dictionaries are read by a scan beside the index, larger ones through it: at
// every size each key is found by an equal string, and removals, copies and clearing
// keep the two in step.
TEST(NSDictionary, LookupsAtEverySize) {
  for (int size : {1, 2, 7, 8, 9, 10, 30}) {
    auto d = NSMutableDictionary::dictionary();
    for (int i = 0; i < size; ++i) d->setObjectForKey(N(i), NSString::stringWithFormat("k%d", i));
    auto found = [&](const Strong<NSDictionary>& dict, int i) {
      id v = dict->objectForKey(NSString::stringWithFormat("k%d", i));
      return v && v->isEqual(N(i).get());
    };
    for (int i = 0; i < size; ++i) EXPECT_TRUE(found(d, i)) << size << " k" << i;
    EXPECT_EQ(d->objectForKey(S("absent")), nullptr) << size;
    EXPECT_EQ(d->objectForKey(N(0)), nullptr) << size;  // another class, not a key

    d->removeObjectForKey(NSString::stringWithFormat("k%d", size / 2));
    for (int i = 0; i < size; ++i) {
      if (i == size / 2)
        EXPECT_EQ(d->objectForKey(NSString::stringWithFormat("k%d", i)), nullptr) << size;
      else
        EXPECT_TRUE(found(d, i)) << size << " k" << i << " after a removal";
    }
    auto copy = d->copy();
    auto mutableCopy = d->mutableCopy();
    d->removeAllObjects();
    EXPECT_EQ(d->objectForKey(S("k1")), nullptr) << size;
    d->setObjectForKey(N(7), S("k0"));
    EXPECT_TRUE(d->objectForKey(S("k0"))->isEqual(N(7).get())) << size;
    for (int i = 0; i < size; ++i) {
      if (i == size / 2) continue;
      EXPECT_TRUE(found(copy, i)) << size << " k" << i << " in the copy";
      EXPECT_TRUE(found(mutableCopy, i)) << size << " k" << i << " in the mutable copy";
    }
  }
}

TEST(NSDictionary, EqualityCopiesAndEnumeration) {
  auto a = NSDictionary::dictionaryWithObjectsAndKeys({{S("a"), N(1)}, {S("b"), S("x")}});
  auto b = NSMutableDictionary::dictionaryWithDictionary(a);
  EXPECT_TRUE(a->isEqualToDictionary(b));
  b->setObjectForKey(N(2), S("a"));
  EXPECT_FALSE(a->isEqualToDictionary(b));
  EXPECT_TRUE(a->objectForKey(S("a"))->isEqual(N(1).get()));
  auto copy = b->copy();
  b->removeAllObjects();
  EXPECT_EQ(copy->count(), 2u);
  int visited = 0;
  copy->enumerateKeysAndObjectsUsingBlock([&](const id&, const id&, BOOL* stop) {
    ++visited;
    *stop = YES;
  });
  EXPECT_EQ(visited, 1);
  auto nested = NSDictionary::dictionaryWithObjectsAndKeys(
      {{S("list"), NSArray::arrayWithObjects({S("a")})}});
  EXPECT_EQ(nested->description(), "{\n    list = (\n        a\n    );\n}");
}

TEST(NSValues, DataDateNullAndUrl) {
  const char bytes[] = {0, 1, 2, 3};
  auto data = NSData::dataWithBytes(bytes, 4);
  EXPECT_EQ(data->length(), 4u);
  EXPECT_TRUE(data->isEqual(NSData::dataWithBytes(bytes, 4).get()));
  EXPECT_EQ(data->description(), "{length = 4, bytes = 0x00010203}");
  EXPECT_EQ(NSData::dataWithBytes(nullptr, 0)->length(), 0u);
  EXPECT_EQ(NSData::dataWithContentsOfFile("/nonexistent/file"), nullptr);
  EXPECT_EQ(NSData::dataWithContentsOfFile("/tmp"), nullptr);  // a folder

  auto ref = NSDate::dateWithTimeIntervalSinceReferenceDate(0);
  EXPECT_EQ(ref->timeIntervalSince1970(), 978307200.0);
  EXPECT_EQ(ref->description(), "2001-01-01 00:00:00 +0000");
  EXPECT_TRUE(ref->isEqual(NSDate::dateWithTimeIntervalSince1970(978307200.0).get()));
  EXPECT_EQ(NSNull::null(), NSNull::null());

  auto url = NSURL::URLWithString(S("https://user@twitter.com:8443/a%20b/c/?q=1&r#frag"));
  ASSERT_NE(url, nullptr);
  EXPECT_STREQ(url->scheme()->UTF8String(), "https");
  EXPECT_STREQ(url->host()->UTF8String(), "twitter.com");
  EXPECT_STREQ(url->user()->UTF8String(), "user");
  EXPECT_STREQ(url->port()->UTF8String(), "8443");
  EXPECT_STREQ(url->path()->UTF8String(), "/a b/c");
  EXPECT_STREQ(url->query()->UTF8String(), "q=1&r");
  EXPECT_STREQ(url->fragment()->UTF8String(), "frag");
  EXPECT_STREQ(url->absoluteString()->UTF8String(),
               "https://user@twitter.com:8443/a%20b/c/?q=1&r#frag");

  auto action = NSURL::URLWithString(S("action:handle"));
  ASSERT_NE(action, nullptr);
  EXPECT_STREQ(action->scheme()->UTF8String(), "action");
  EXPECT_EQ(action->host(), nullptr);
  EXPECT_STREQ(action->resourceSpecifier()->UTF8String(), "handle");
  EXPECT_STREQ(NSURL::URLWithString(S("http://[::1]:80/"))->host()->UTF8String(), "::1");
  EXPECT_STREQ(NSURL::URLWithString(S("relative/path"))->path()->UTF8String(), "relative/path");

  for (const char* bad : {"", "http://a b", "http://x/%zz", "http://x/%4", "1http://x",
                          "http://h:8o/", "caf\xC3\xA9", "http://[::1/"})
    EXPECT_EQ(NSURL::URLWithString(S(bad)), nullptr) << bad;
  EXPECT_EQ(NSURL::URLWithString(Strong<NSString>()), nullptr);

  auto file = NSURL::fileURLWithPath(S("/tmp/a b.plist"));
  EXPECT_STREQ(file->absoluteString()->UTF8String(), "file:///tmp/a%20b.plist");
  EXPECT_STREQ(file->path()->UTF8String(), "/tmp/a b.plist");
  EXPECT_TRUE(file->isFileURL());
}

}  // namespace

TEST(IndexSet, RangesMergeSplitAndAnswerMembership) {
  auto set = NSMutableIndexSet::indexSet();
  set->addIndexesInRange(NSMakeRange(10, 5));  // 10-14
  set->addIndexesInRange(NSMakeRange(20, 2));  // 20-21
  set->addIndex(15);                           // touches 10-14
  set->addIndexesInRange(NSMakeRange(0, 0));   // nothing
  EXPECT_EQ(set->description(), "(10-15, 20-21)");
  set->addIndexesInRange(NSMakeRange(14, 7));  // bridges both
  EXPECT_EQ(set->description(), "(10-21)");
  set->removeIndexesInRange(NSMakeRange(12, 3));
  EXPECT_EQ(set->description(), "(10-11, 15-21)");
  set->removeIndex(21);
  EXPECT_EQ(set->count(), 8u);
  EXPECT_EQ(set->firstIndex(), 10u);
  EXPECT_EQ(set->lastIndex(), 20u);
  for (NSUInteger i : {9u, 12u, 14u, 21u}) EXPECT_FALSE(set->containsIndex(i)) << i;
  for (NSUInteger i : {10u, 11u, 15u, 20u}) EXPECT_TRUE(set->containsIndex(i)) << i;
  EXPECT_TRUE(set->isEqual(NSIndexSet::indexSetWithIndexesInRange(NSMakeRange(15, 6)).get()) == NO);
  EXPECT_EQ(NSIndexSet::indexSet()->firstIndex(), NSUInteger(NSNotFound));
  EXPECT_THROW(set->addIndex(NSNotFound), NSException);
}

TEST(OrderedAndCountedSets, KeepOrderAndCountRepeats) {
  auto one = NSNumber::numberWithInt(1), two = NSNumber::numberWithInt(2);
  auto ordered = NSMutableOrderedSet::orderedSet();
  for (const id& o : std::vector<id>{two, one, N(2)}) ordered->addObject(o);
  EXPECT_EQ(ordered->count(), 2u);
  EXPECT_EQ(ordered->indexOfObject(one), 1u);
  EXPECT_FALSE(ordered->isEqual(NSOrderedSet::orderedSetWithObjects({one, two}).get()))
      << "order matters";
  auto counted = std::make_shared<NSCountedSet>(std::vector<id>{one, two, one});
  EXPECT_EQ(counted->count(), 2u);
  EXPECT_EQ(counted->countForObject(NSNumber::numberWithInt(1)), 2u);
  counted->removeObject(one);
  EXPECT_EQ(counted->countForObject(one), 1u);
  EXPECT_FALSE(
      counted->isEqual(std::make_shared<NSCountedSet>(std::vector<id>{one, two, two}).get()));
  counted->removeObject(one);
  EXPECT_FALSE(counted->containsObject(one));
}

TEST(IndexPath, IndexesAndTheTableReading) {
  auto path = NSIndexPath::indexPathForRowInSection(3, 1);
  EXPECT_EQ(path->length(), 2u);
  EXPECT_EQ(path->section(), 1);
  EXPECT_EQ(path->row(), 3);
  EXPECT_EQ(path->indexAtPosition(2), NSUInteger(NSNotFound));
  EXPECT_TRUE(path->isEqual(NSIndexPath::indexPathWithIndex(1)->indexPathByAddingIndex(3).get()));
  EXPECT_FALSE(path->isEqual(NSIndexPath::indexPathWithIndex(1).get()));
  EXPECT_EQ(path->description(), "<NSIndexPath: {1, 3}>");
}
