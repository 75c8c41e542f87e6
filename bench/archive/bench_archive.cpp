// Keyed archiving of attributed strings against libplist's own write and read of the very
// same property list, which is the floor the archiver sits on: a 50-run string (fonts,
// colours, a paragraph style, links) in binary and XML, and a 1,000-run text in binary,
// the size of a long document, whose runs travel as the varints of NSAttributeInfo. Writing with
// libplist is making its node tree (a copy of the archive's, the cheapest way to make those nodes),
// plist_to_bin (or _xml) and freeing the tree; the *_tree_ready cases leave the making and freeing
// out, a floor no writer through libplist's nodes can reach. Reading is plist_from_bin (or _xml)
// and freeing the tree. Binary and XML forms. Times are CPU time of this thread, so that other work
// on the machine disturbs them less.
//
//   bench_archive [rounds]     (default 21 rounds of 500 operations, 50 for the long text;
//                              medians are printed)
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

// A long text: words in one of four styles, every fifth a link of its own, so that the
// archive holds both shared dictionaries and many distinct ones.
Strong<NSAttributedString> thousandRuns() {
  std::vector<Strong<NSDictionary>> styles;
  for (int i = 0; i < 4; ++i)
    styles.push_back(NSDictionary::dictionaryWithObjectsAndKeys(
        {{NSFontAttributeName, UIFont::systemFontOfSize(11 + i)},
         {NSForegroundColorAttributeName, UIColor::colorWithRedGreenBlueAlpha(i / 4.0, 0, 0, 1)}}));
  auto s = NSMutableAttributedString::initWithString(NSSTR(""));
  for (int i = 0; i < 1000; ++i) {
    Strong<NSDictionary> attrs = styles[i % 4];
    if (i % 5 == 4) {
      auto linked = NSMutableDictionary::dictionaryWithDictionary(attrs);
      linked->setObjectForKey(NSURL::URLWithString("https://example.com/" + std::to_string(i)),
                              NSLinkAttributeName);
      attrs = linked;
    }
    s->appendAttributedString(NSAttributedString::initWithStringAttributes(
        NSString::stringWithUTF8String("word" + std::to_string(i) + " "), attrs));
  }
  return s->copy();
}

using bench::median;

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  struct Case {
    const char* name;
    Strong<NSAttributedString> text;
    NSPropertyListFormat format;
    int perRound;
  };
  auto fifty = fiftyRuns();
  for (const Case& c :
       {Case{"bin", fifty, NSPropertyListBinaryFormat_v1_0, kPerRound},
        Case{"xml", fifty, NSPropertyListXMLFormat_v1_0, kPerRound},
        Case{"runs1000_bin", thousandRuns(), NSPropertyListBinaryFormat_v1_0, kPerRound / 10}}) {
    const auto& text = c.text;
    auto microsPerOp = [&](auto fn) { return bench::microsPerCall(c.perRound, fn); };
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
