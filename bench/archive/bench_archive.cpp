// Keyed archiving of a 50-run attributed string (fonts, colours, a paragraph style,
// links) against libplist's own write and read of the very same property list, which is
// the floor the archiver sits on. Writing with libplist is making its node tree (a copy
// of the archive's, the cheapest way to make those nodes), plist_to_bin (or _xml) and
// freeing the tree; the *_tree_ready cases leave the making and freeing out, a floor no
// writer through libplist's nodes can reach. Reading is plist_from_bin (or _xml) and
// freeing the tree. Binary and XML forms. Times are CPU time of this thread, so that
// other work on the machine disturbs them less.
//
//   bench_archive [rounds]     (default 21 rounds of 500 operations; medians are printed)
#include <plist/plist.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Foundation/Foundation.h"
#include "Foundation/NSKeyedArchiver.h"
#include "Foundation/NSKeyedUnarchiver.h"
#include "Timing.h"
#include "UIKit/NSAttributedStringKeys.h"
#include "UIKit/NSParagraphStyle.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"

namespace {

constexpr int kPerRound = 500;

Strong<NSAttributedString> fiftyRuns() {
  auto s = NSMutableAttributedString::initWithString(NSSTR(""));
  auto style = NSMutableParagraphStyle::paragraphStyle();
  style->setAlignment(NSTextAlignmentCenter);
  style->setLineSpacing(2);
  for (int i = 0; i < 50; ++i) {
    auto attrs = NSMutableDictionary::dictionaryWithObjectsAndKeys(
        {{NSFontAttributeName, UIFont::systemFontOfSize(12 + i % 4)},
         {NSForegroundColorAttributeName,
          UIColor::colorWithRedGreenBlueAlpha(i / 50.0, 0.2, 0.4, 1)},
         {NSParagraphStyleAttributeName, style}});
    if (i % 5 == 0)
      attrs->setObjectForKey(NSURL::URLWithString("https://example.com/" + std::to_string(i)),
                             NSLinkAttributeName);
    s->appendAttributedString(NSAttributedString::initWithStringAttributes(
        NSString::stringWithUTF8String("word " + std::to_string(i) + " "), attrs));
  }
  return s->copy();
}

template <class Fn>
double microsPerOp(Fn fn) {
  return bench::microsPerCall(kPerRound, fn);
}

using bench::median;

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  auto text = fiftyRuns();
  struct Case {
    const char* name;
    NSPropertyListFormat format;
  };
  for (Case c :
       {Case{"bin", NSPropertyListBinaryFormat_v1_0}, Case{"xml", NSPropertyListXMLFormat_v1_0}}) {
    bool xml = c.format == NSPropertyListXMLFormat_v1_0;
    auto data = NSKeyedArchiver::archivedDataWithRootObjectFormat(text, c.format);
    auto back = NSKeyedUnarchiver::unarchiveObjectWithData(data);
    if (!data || !back || !back->isEqual(text)) {
      std::fprintf(stderr, "the archive does not round-trip\n");
      return 1;
    }
    const char* bytes = static_cast<const char*>(data->bytes());
    auto length = static_cast<uint32_t>(data->length());
    plist_t tree = nullptr;
    plist_from_memory(bytes, length, &tree);
    std::size_t checksum = 0;

    auto archive = [&] {
      checksum += NSKeyedArchiver::archivedDataWithRootObjectFormat(text, c.format)->length();
    };
    auto writeTree = [&](plist_t t) {
      char* out = nullptr;
      uint32_t n = 0;
      xml ? plist_to_xml(t, &out, &n) : plist_to_bin(t, &out, &n);
      checksum += n;
      xml ? plist_to_xml_free(out) : plist_to_bin_free(out);
    };
    auto write = [&] {
      plist_t made = plist_copy(tree);
      writeTree(made);
      plist_free(made);
    };
    auto writeReady = [&] { writeTree(tree); };
    auto unarchive = [&] { checksum += NSKeyedUnarchiver::unarchiveObjectWithData(data) ? 1 : 0; };
    auto read = [&] {
      plist_t node = nullptr;
      xml ? plist_from_xml(bytes, length, &node) : plist_from_bin(bytes, length, &node);
      checksum += node ? 1 : 0;
      plist_free(node);
    };
    std::vector<double> a, w, wr, u, r;
    for (int k = 0; k < rounds; ++k) {
      a.push_back(microsPerOp(archive));
      w.push_back(microsPerOp(write));
      wr.push_back(microsPerOp(writeReady));
      u.push_back(microsPerOp(unarchive));
      r.push_back(microsPerOp(read));
    }
    plist_free(tree);
    if (checksum == 0) return 2;
    std::printf("case=archive_%s ours=%.2f floor=%.2f unit=us\n", c.name, median(a), median(w));
    std::printf("case=archive_%s_tree_ready ours=%.2f floor=%.2f unit=us\n", c.name, median(a),
                median(wr));
    std::printf("case=unarchive_%s ours=%.2f floor=%.2f unit=us\n", c.name, median(u), median(r));
  }
  return 0;
}
