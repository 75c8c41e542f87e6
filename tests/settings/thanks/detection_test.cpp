// Background link detection: matches come back on the main queue and are applied only
// while the label still shows the scanned string; the scan holds the label weakly and
// reads the detector safely while the main thread replaces it.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "LabelTesting.h"
#include "WaitFor.h"
#include "dispatch/CFRunLoop.h"

using namespace labeltest;

namespace {

// A detector that finds one link over the first four characters, once let go.
class GatedDetector : public NSDataDetector {
  OBJC_CLASS(GatedDetector, NSDataDetector)
 public:
  GatedDetector() : NSDataDetector(NSTextCheckingTypeLink) {}

  void open() {
    std::lock_guard guard(lock);
    opened = true;
    changed.notify_all();
  }
  void waitUntilStarted(int n) {
    std::unique_lock guard(lock);
    changed.wait(guard, [&] { return started >= n; });
  }
  int finishedScans() {
    std::lock_guard guard(lock);
    return finished;
  }
  // Whether `n` scans have ended altogether, their step on the main queue included: a scan
  // lets go of the matches it was handed only once it is done with them.
  bool scansEnded(int n) {
    std::lock_guard guard(lock);
    return finished >= n && handedOut.expired();
  }

  std::mutex lock;
  std::condition_variable changed;
  bool opened = false;
  int started = 0;
  int finished = 0;
  Weak<NSArray> handedOut;
};

id gatedMatches(NSObject* self, SEL, NSString* string, NSUInteger, NSRange) {
  auto* detector = static_cast<GatedDetector*>(self);
  std::unique_lock guard(detector->lock);
  ++detector->started;
  detector->changed.notify_all();
  detector->changed.wait(guard, [&] { return detector->opened; });
  ++detector->finished;
  NSUInteger length = std::min<NSUInteger>(4, string->length());
  Strong<NSArray> matches =
      NSArray::arrayWithObject(NSTextCheckingResult::linkCheckingResultWithRangeURL(
          NSMakeRange(0, length), NSURL::URLWithString(S("http://found.example"))));
  detector->handedOut = matches;
  return matches;
}

OBJC_CLASS_IMPL(GatedDetector) {
  class_addMethod(cls, OBJC_SEL("matchesInString:options:range:"), objc::method<&gatedMatches>());
}

using testwait::serveMainQueueUntil;

struct Scan {
  Strong<TTTAttributedLabel> label = makeLabel();
  Strong<GatedDetector> detector = std::make_shared<GatedDetector>();
  Scan() {
    label->setEnabledTextCheckingTypes(NSTextCheckingTypeLink);
    label->setDataDetector(detector);
  }
  // Lets the first scan go on with no detector for later texts.
  void startFirst(const id& text) {
    label->setText(text);
    detector->waitUntilStarted(1);
    label->setEnabledTextCheckingTypes(0);
  }
  ~Scan() { detector->open(); }  // no scan is left waiting
};

TEST(LabelDetection, MatchesForATextReplacedMeanwhileAreDropped) {
  Scan scan;
  scan.startFirst(S("http first"));
  scan.label->setText(S("another text"));
  scan.detector->open();
  ASSERT_TRUE(serveMainQueueUntil([&] { return scan.detector->scansEnded(1); }));
  EXPECT_EQ(scan.label->links()->count(), 0u);
}

TEST(LabelDetection, MatchesForTheSameStringWithOtherAttributesAreApplied) {
  Scan scan;
  scan.startFirst(attributed("same words", 12));
  scan.label->setText(attributed("same words", 30));
  scan.detector->open();
  ASSERT_TRUE(serveMainQueueUntil([&] { return scan.label->links()->count() == 1; }));
  auto link = scan.label->links()->objectAtIndexAs<NSTextCheckingResult>(0);
  EXPECT_EQ(link->URL()->absoluteString()->stdString(), "http://found.example");
  // Styled with the link attributes at the time the matches arrive.
  EXPECT_TRUE(scan.label->attributedText()
                  ->attributeAtIndexEffectiveRange(kCTForegroundColorAttributeName, 0, nullptr)
                  ->isEqual(UIColor::blueColor()));
}

TEST(LabelDetection, DetectedLinksComeAfterTheTextsOwnLinkRuns) {
  Scan scan;
  auto text = attributed("link here");
  text->addAttributeValueRange(NSLinkAttributeName, S("http://run.example"), NSMakeRange(0, 4));
  scan.detector->open();
  scan.label->setText(text);
  ASSERT_EQ(scan.label->links()->count(), 1u);  // the run's link, at once
  ASSERT_TRUE(serveMainQueueUntil([&] { return scan.label->links()->count() == 2; }));
  auto links = scan.label->links();
  EXPECT_EQ(links->objectAtIndexAs<NSTextCheckingResult>(0)->URL()->absoluteString()->stdString(),
            "http://run.example");
  EXPECT_EQ(links->objectAtIndexAs<NSTextCheckingResult>(1)->URL()->absoluteString()->stdString(),
            "http://found.example");
  EXPECT_EQ(links->objectAtIndexAs<NSTextCheckingResult>(1)->range(), NSMakeRange(0, 4));
}

TEST(LabelDetection, ALabelGoneBeforeTheScanEndsIsLeftAlone) {
  Scan scan;
  Weak<TTTAttributedLabel> weak = scan.label;
  scan.label->setText(S("going away"));
  scan.detector->waitUntilStarted(1);
  scan.label = nullptr;
  EXPECT_TRUE(weak.expired());  // the scan does not keep it
  scan.detector->open();
  // The scan ends and lets go of its matches with no label to hand them to.
  EXPECT_TRUE(serveMainQueueUntil([&] { return scan.detector->scansEnded(1); }));
  EXPECT_TRUE(weak.expired());
}

TEST(LabelDetection, ReplacingTheDetectorWhileScansRunIsSafe) {
  auto label = makeLabel();
  for (int i = 0; i < 60; ++i) {
    label->setEnabledTextCheckingTypes(i % 3 ? NSTextCheckingAllDetectorTypes
                                             : NSTextCheckingTypeLink);
    label->setText(NSString::stringWithFormat("text %d at www.example.com tomorrow", i));
    label->setDataDetector(nullptr);
    CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, true);
  }
  // Whatever the scans still running find, only the last text's own links arrive.
  label->setEnabledTextCheckingTypes(NSTextCheckingTypeLink);
  label->setText(S("last one, see example.org"));
  ASSERT_TRUE(serveMainQueueUntil([&] { return label->links()->count() > 0; }));
  ASSERT_EQ(label->links()->count(), 1u);
  auto link = label->links()->objectAtIndexAs<NSTextCheckingResult>(0);
  EXPECT_EQ(link->range(), NSMakeRange(14, 11));
  EXPECT_EQ(link->URL()->absoluteString()->stdString(), "http://example.org");
}

TEST(LabelDetection, TextsSetWhileAScanWaitsAreScannedOnceAsTheNewest) {
  Scan scan;
  // Keep every worker busy so that the scans queue up.
  unsigned workers = std::max(1u, std::thread::hardware_concurrency());
  std::mutex lock;
  std::condition_variable changed;
  unsigned busy = 0;
  bool go = false;
  for (unsigned i = 0; i < workers; ++i) {
    dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), [&] {
      std::unique_lock guard(lock);
      ++busy;
      changed.notify_all();
      changed.wait(guard, [&] { return go; });
      --busy;
      changed.notify_all();
    });
  }
  // Served meanwhile: an earlier scan may be handing its matches to the main queue.
  ASSERT_TRUE(serveMainQueueUntil([&] {
    std::lock_guard guard(lock);
    return busy == workers;
  }));
  scan.label->setText(S("http one"));
  scan.label->setText(S("http two"));
  scan.label->setText(S("http one"));
  {
    std::lock_guard guard(lock);
    go = true;
    changed.notify_all();
  }
  scan.detector->open();
  ASSERT_TRUE(serveMainQueueUntil([&] { return scan.detector->scansEnded(1); }));
  // A second scan of the same string would have been queued before the one that ran.
  EXPECT_FALSE(serveMainQueueUntil([&] { return scan.detector->finishedScans() > 1; }, 0.3));
  EXPECT_EQ(scan.label->links()->count(), 1u);  // not once per setText of that string
  std::unique_lock guard(lock);
  changed.wait(guard, [&] { return busy == 0; });  // the blockers are done with this frame
}

}  // namespace
