#include <gtest/gtest.h>

#include "Foundation/Foundation.h"

namespace {

struct Insets {
  double top, left, bottom, right;
};

TEST(Value, BoxesKeepTheirTypeAndRefuseAnother) {
  auto r = NSValue::valueWithRange(NSMakeRange(4, 9));
  EXPECT_EQ(r->rangeValue(), NSMakeRange(4, 9));
  EXPECT_TRUE(r->isEqual(NSValue::valueWithRange(NSMakeRange(4, 9))));
  EXPECT_FALSE(r->isEqual(NSValue::valueWithRange(NSMakeRange(4, 8))));
  EXPECT_EQ(r->description(), "NSRange: {4, 9}");

  auto box = NSValue::valueWith(Insets{1, 2, 3, 4}, "{UIEdgeInsets=dddd}");
  Insets out{};
  EXPECT_TRUE(box->getValue(out, "{UIEdgeInsets=dddd}"));
  EXPECT_EQ(out.right, 4);
  NSRange wrong{7, 7};
  EXPECT_FALSE(box->getValue(wrong, NSRangeObjCType)) << "another type is not reinterpreted";
  EXPECT_EQ(box->rangeValue(), NSRange{});
  EXPECT_FALSE(box->isEqual(r));
}

TEST(Error, DescriptionFromUserInfoOrDomainAndCode) {
  auto e = NSError::errorWithCode(NSCoderReadCorruptError, "The archive is truncated.");
  EXPECT_EQ(e->code(), 4864);
  EXPECT_EQ(e->localizedDescription()->stdString(), "The archive is truncated.");
  auto bare = NSError::errorWithDomainCodeUserInfo(NSCocoaErrorDomain, 7, nullptr);
  EXPECT_EQ(bare->localizedDescription()->stdString(),
            "The operation couldn't be completed. (NSCocoaErrorDomain error 7.)");
  Strong<NSError> slot;
  NSErrorSet(&slot, e);
  EXPECT_EQ(slot, e);
  NSErrorSet(nullptr, e);  // no out-parameter wanted
}

}  // namespace
