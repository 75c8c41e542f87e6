// The property-list reader on arbitrary bytes, XML and binary. Whatever it accepts must
// survive a round trip through both writers unchanged; whatever it refuses must come
// back as none with a reason.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "Foundation/Foundation.h"

namespace {

[[noreturn]] void fault(const char* what, const std::string& detail = "") {
  std::fprintf(stderr, "property list fault: %s %s\n", what, detail.c_str());
  std::abort();
}

// Equality as a reader and writer should keep it: NaN equals NaN, and XML keeps whole
// seconds of a date only.
bool same(const NSObject* a, const NSObject* b, bool wholeSeconds) {
  if (!a || !b) return a == b;
  if (auto* x = objc_cast<NSNumber>(a)) {
    auto* y = objc_cast<NSNumber>(b);
    if (!y || x->isBoolean() != y->isBoolean() || x->isReal() != y->isReal()) return false;
    if (x->isReal() && std::isnan(x->doubleValue())) return std::isnan(y->doubleValue());
    return x->isEqual(y);
  }
  if (auto* x = objc_cast<NSDate>(a)) {
    auto* y = objc_cast<NSDate>(b);
    if (!y) return false;
    double s = x->timeIntervalSinceReferenceDate(), t = y->timeIntervalSinceReferenceDate();
    // Known and left: within the second before the reference date, the library reads a
    // binary date's fraction without its sign.
    if (!wholeSeconds && s > -1 && s < 0) s = -s;
    return wholeSeconds ? std::floor(s) == std::floor(t) : std::fabs(s - t) < 1e-5;
  }
  if (auto* x = objc_cast<NSArray>(a)) {
    auto* y = objc_cast<NSArray>(b);
    if (!y || x->count() != y->count()) return false;
    for (NSUInteger i = 0; i < x->count(); ++i)
      if (!same(x->objectAtIndex(i).get(), y->objectAtIndex(i).get(), wholeSeconds)) return false;
    return true;
  }
  if (auto* x = objc_cast<NSDictionary>(a)) {
    auto* y = objc_cast<NSDictionary>(b);
    if (!y || x->count() != y->count()) return false;
    for (const auto& [k, v] : *x)
      if (!same(v.get(), y->objectForKey(k).get(), wholeSeconds)) return false;
    return true;
  }
  return a->isEqual(b);
}

void roundTrip(const id& plist, NSPropertyListFormat format) {
  std::string error;
  auto data = NSPropertyListSerialization::dataWithPropertyList(plist, format, &error);
  if (!data) {
    if (error.empty()) fault("a refused write gives no reason");
    return;  // e.g. a date the format cannot hold
  }
  NSPropertyListFormat readAs = 0;
  id again = NSPropertyListSerialization::propertyListWithData(data, NSPropertyListImmutable,
                                                               &readAs, &error);
  if (!again) fault("cannot read back what was written:", error);
  if (readAs != format) fault("read back in another format");
  if (!same(plist.get(), again.get(), format == NSPropertyListXMLFormat_v1_0))
    fault(format == NSPropertyListXMLFormat_v1_0 ? "XML round trip changed the list:"
                                                 : "binary round trip changed the list:",
          plist->description() + " became " + again->description());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto bytes = NSData::dataWithBytes(data, size);
  for (NSPropertyListReadOptions options :
       {NSPropertyListImmutable, NSPropertyListMutableContainers}) {
    std::string error;
    NSPropertyListFormat format = 0;
    id plist = NSPropertyListSerialization::propertyListWithData(bytes, options, &format, &error);
    if (!plist) {
      if (error.empty()) fault("a refused list gives no reason");
      return 0;
    }
    if (format != NSPropertyListXMLFormat_v1_0 && format != NSPropertyListBinaryFormat_v1_0)
      fault("unknown format reported");
    if (options == NSPropertyListMutableContainers) {
      if (objc_cast<NSArray>(plist) && !objc_cast<NSMutableArray>(plist))
        fault("array not mutable");
      if (objc_cast<NSDictionary>(plist) && !objc_cast<NSMutableDictionary>(plist))
        fault("dictionary not mutable");
      break;
    }
    roundTrip(plist, NSPropertyListXMLFormat_v1_0);
    roundTrip(plist, NSPropertyListBinaryFormat_v1_0);
  }
  return 0;
}
