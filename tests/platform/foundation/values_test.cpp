#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "Foundation/Foundation.h"
#include "Foundation/SaturatingCast.h"

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

// Decoded numbers reach integer fields through saturatingCast; the cases sit on the
// edges where a plain cast is undefined (2^31, 2^63 and 2^64 exactly, just below them,
// infinities, NaN, and negatives for unsigned types).
TEST(SaturatingCast, TruncatesInsideAndHoldsTheLimitsOutside) {
  using nimbra::saturatingCast;
  constexpr double kInf = std::numeric_limits<double>::infinity();
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double in;
    int32_t i32;
    int64_t i64;
    uint32_t u32;
    uint64_t u64;
  };
  constexpr int32_t kI32Max = INT32_MAX, kI32Min = INT32_MIN;
  constexpr int64_t kI64Max = INT64_MAX, kI64Min = INT64_MIN;
  const Case cases[] = {
      {0, 0, 0, 0, 0},
      {3.7, 3, 3, 3, 3},
      {-3.7, -3, -3, 0, 0},
      {-0.5, 0, 0, 0, 0},
      {2147483647.5, kI32Max, 2147483647, 2147483647, 2147483647},
      {2147483648.0, kI32Max, 2147483648, 2147483648u, 2147483648u},
      {-2147483648.5, kI32Min, -2147483648, 0, 0},
      {-2147483649.0, kI32Min, -2147483649, 0, 0},
      {4294967295.0, kI32Max, 4294967295, UINT32_MAX, 4294967295u},
      {4294967296.0, kI32Max, 4294967296, UINT32_MAX, 4294967296u},
      {9223372036854774784.0, kI32Max, 9223372036854774784, UINT32_MAX, 9223372036854774784u},
      {9223372036854775808.0, kI32Max, kI64Max, UINT32_MAX, 9223372036854775808u},
      {-9223372036854775808.0, kI32Min, kI64Min, 0, 0},
      {18446744073709551616.0, kI32Max, kI64Max, UINT32_MAX, UINT64_MAX},
      {8.2e149, kI32Max, kI64Max, UINT32_MAX, UINT64_MAX},
      {-8.2e149, kI32Min, kI64Min, 0, 0},
      {kInf, kI32Max, kI64Max, UINT32_MAX, UINT64_MAX},
      {-kInf, kI32Min, kI64Min, 0, 0},
      {kNaN, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(saturatingCast<int32_t>(c.in), c.i32);
    EXPECT_EQ(saturatingCast<int64_t>(c.in), c.i64);
    EXPECT_EQ(saturatingCast<uint32_t>(c.in), c.u32);
    EXPECT_EQ(saturatingCast<uint64_t>(c.in), c.u64);
  }
  static_assert(saturatingCast<int8_t>(300.0) == 127 && saturatingCast<int8_t>(-300.0) == -128);
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
