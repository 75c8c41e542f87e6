// Touch delivery: hit-testing, the responder chain, finger life cycles, the display flush.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Foundation/NSSet.h"
#include "Foundation/NSString.h"
#include "UIKit/NSIndexPath.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIKit.h"
#include "UIKit/UISegmentedControl.h"
#include "UIKit/UISwitch.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITableViewCell.h"
#include "UIKit/UIViewController.h"
#include "dispatch/CFRunLoop.h"

namespace {

std::vector<std::string> log;

// Records every touch message; handles it when its tag is 1, else passes it on.
class Recorder : public UIView {
  OBJC_CLASS(Recorder, UIView)
 public:
  Recorder(CGRect frame, std::string name) : UIView(frame), name_(std::move(name)) {}
  std::string name_;
};

class RecordingController : public UIViewController {
  OBJC_CLASS(RecordingController, UIViewController)
};

std::string nameOf(NSObject* obj) {
  if (auto* r = objc_cast<Recorder>(obj)) return r->name_;
  if (objc_cast<UIViewController>(obj)) return "controller";
  if (objc_cast<UIWindow>(obj)) return "window";
  if (objc_cast<UIApplication>(obj)) return "application";
  return "?";
}

template <int Phase>
void record(NSObject* self, SEL cmd, NSSet* touches, UIEvent* event) {
  static const char* const names[] = {"began", "moved", "", "ended", "cancelled"};
  auto touch = objc_cast<UITouch>(touches->anyObject());
  CGPoint p = touch->locationInView(objc_cast<UIView>(self));
  log.push_back(nameOf(self) + " " + names[Phase] + " " + std::to_string(int(p.x)) + "," +
                std::to_string(int(p.y)) + " of " + nameOf(touch->view()) + " x" +
                std::to_string(touches->count()) + "/" +
                std::to_string(event->allTouches()->count()));
  bool handles = objc_cast<UIView>(self) && objc_cast<UIView>(self)->tag() == 1;
  if (!handles) UIViewSendSuper<void>(Recorder::super::class_(), self, cmd, touches, event);
}

void controllerRecord(NSObject* self, SEL cmd, NSSet* touches, UIEvent* event) {
  log.push_back("controller " + std::string(sel_getName(cmd)));
  UIViewSendSuper<void>(RecordingController::super::class_(), self, cmd, touches, event);
}

}  // namespace

OBJC_CLASS_IMPL(Recorder) {
  class_addMethod(cls, OBJC_SEL("touchesBegan:withEvent:"), objc::method<&record<0>>());
  class_addMethod(cls, OBJC_SEL("touchesMoved:withEvent:"), objc::method<&record<1>>());
  class_addMethod(cls, OBJC_SEL("touchesEnded:withEvent:"), objc::method<&record<3>>());
  class_addMethod(cls, OBJC_SEL("touchesCancelled:withEvent:"), objc::method<&record<4>>());
}
OBJC_CLASS_IMPL(RecordingController) {
  class_addMethod(cls, OBJC_SEL("touchesBegan:withEvent:"), objc::method<&controllerRecord>());
}

namespace {

// window (320x480) > outer (0,0 200x200) > inner (50,50 100x100) > leaf (10,10 20x20),
// and a sibling of inner in front of it, over its right half.
struct Scene {
  Strong<UIWindow> window = std::make_shared<UIWindow>(CGRectMake(0, 0, 320, 480));
  Strong<Recorder> outer = std::make_shared<Recorder>(CGRectMake(0, 0, 200, 200), "outer");
  Strong<Recorder> inner = std::make_shared<Recorder>(CGRectMake(50, 50, 100, 100), "inner");
  Strong<Recorder> leaf = std::make_shared<Recorder>(CGRectMake(10, 10, 20, 20), "leaf");
  Strong<Recorder> front = std::make_shared<Recorder>(CGRectMake(100, 50, 50, 100), "front");
  Scene() {
    window->addSubview(outer);
    outer->addSubview(inner);
    inner->addSubview(leaf);
    outer->addSubview(front);
    for (auto* v : {outer.get(), inner.get(), leaf.get(), front.get()}) v->setTag(1);
    log.clear();
  }
};

TEST(HitTest, FindsTheDeepestFrontMostViewUnderThePoint) {
  Scene s;
  EXPECT_EQ(s.window->hitTestWithEvent(CGPointMake(65, 65), nullptr), s.leaf.get());
  EXPECT_EQ(s.window->hitTestWithEvent(CGPointMake(55, 55), nullptr), s.inner.get());
  EXPECT_EQ(s.window->hitTestWithEvent(CGPointMake(120, 60), nullptr), s.front.get());
  EXPECT_EQ(s.window->hitTestWithEvent(CGPointMake(250, 60), nullptr), s.window.get());
  EXPECT_EQ(s.window->hitTestWithEvent(CGPointMake(-1, 60), nullptr), nullptr);
  // The maximum edges are outside (a bounds test).
  EXPECT_EQ(s.window->hitTestWithEvent(CGPointMake(80, 80), nullptr), s.inner.get());

  auto touch = s.window->touchDownAtPoint(CGPointMake(65, 65));
  ASSERT_TRUE(touch);
  EXPECT_EQ(touch->view(), s.leaf.get());
  EXPECT_EQ(touch->window(), s.window.get());
  EXPECT_EQ(touch->phase(), UITouchPhaseBegan);
  EXPECT_EQ(touch->locationInView(s.leaf.get()), CGPointMake(5, 5));
  EXPECT_EQ(touch->locationInView(nullptr), CGPointMake(65, 65));
  EXPECT_EQ(log, (std::vector<std::string>{"leaf began 5,5 of leaf x1/1"}));
}

TEST(HitTest, HiddenTransparentAndNonInteractiveViewsAreSkippedWithTheirSubviews) {
  struct Exclusion {
    const char* what;
    void (*apply)(UIView*, bool);
  };
  const Exclusion exclusions[] = {
      {"hidden", [](UIView* v, bool on) { v->setHidden(on); }},
      {"alpha", [](UIView* v, bool on) { v->setAlpha(on ? 0.009 : 1); }},
      {"interaction", [](UIView* v, bool on) { v->setUserInteractionEnabled(!on); }},
  };
  for (const auto& e : exclusions) {
    SCOPED_TRACE(e.what);
    Scene s;
    e.apply(s.leaf.get(), true);
    EXPECT_EQ(s.window->hitTestWithEvent(CGPointMake(65, 65), nullptr), s.inner.get());
    e.apply(s.inner.get(), true);  // the leaf is skipped with its excluded parent
    e.apply(s.leaf.get(), false);
    EXPECT_EQ(s.window->hitTestWithEvent(CGPointMake(65, 65), nullptr), s.outer.get());
  }
  Scene s;
  s.leaf->setAlpha(0.01);  // exactly the threshold still takes touches
  EXPECT_EQ(s.window->hitTestWithEvent(CGPointMake(65, 65), nullptr), s.leaf.get());
}

TEST(Responder, UnhandledTouchesClimbTheChainThroughTheControllerToTheApplication) {
  Scene s;
  auto controller = std::make_shared<RecordingController>();
  controller->setView(s.inner);
  EXPECT_EQ(s.leaf->nextResponder(), s.inner.get());
  EXPECT_EQ(s.inner->nextResponder(), controller.get());
  EXPECT_EQ(controller->nextResponder(), s.outer.get());
  EXPECT_EQ(s.window->nextResponder(), UIApplication::sharedApplication().get());
  EXPECT_EQ(UIApplication::sharedApplication()->nextResponder(), nullptr);

  s.leaf->setTag(0);
  s.inner->setTag(0);
  auto touch = s.window->touchDownAtPoint(CGPointMake(65, 65));
  s.window->touchUpAtPoint(touch, CGPointMake(66, 66));
  EXPECT_EQ(log, (std::vector<std::string>{
                     "leaf began 5,5 of leaf x1/1", "inner began 15,15 of leaf x1/1",
                     "controller touchesBegan:withEvent:", "outer began 65,65 of leaf x1/1",
                     "leaf ended 6,6 of leaf x1/1", "inner ended 16,16 of leaf x1/1",
                     "outer ended 66,66 of leaf x1/1"}));
  // Nobody handles it: it reaches the end of the chain without harm.
  s.outer->setTag(0);
  log.clear();
  touch = s.window->touchDownAtPoint(CGPointMake(65, 65));
  EXPECT_EQ(log.size(), 4u);
  s.window->cancelAllTouches();
}

TEST(Touches, AFingerStaysWithItsViewWhenItMovesOutAndCanBeCancelled) {
  Scene s;
  auto touch = s.window->touchDownAtPoint(CGPointMake(65, 65));
  s.window->touchMoveToPoint(touch, CGPointMake(300, 400));
  EXPECT_EQ(touch->previousLocationInView(nullptr), CGPointMake(65, 65));
  s.window->touchUpAtPoint(touch, CGPointMake(301, 401));
  EXPECT_EQ(log, (std::vector<std::string>{"leaf began 5,5 of leaf x1/1",
                                           "leaf moved 240,340 of leaf x1/1",
                                           "leaf ended 241,341 of leaf x1/1"}));
  EXPECT_EQ(touch->phase(), UITouchPhaseEnded);
  EXPECT_TRUE(s.window->activeTouches().empty());
  // An ended finger is dead: later steps with it deliver nothing.
  s.window->touchMoveToPoint(touch, CGPointMake(1, 1));
  EXPECT_EQ(log.size(), 3u);

  log.clear();
  touch = s.window->touchDownAtPoint(CGPointMake(65, 65));
  s.window->cancelAllTouches();
  s.window->touchUpAtPoint(touch, CGPointMake(65, 65));
  EXPECT_EQ(log, (std::vector<std::string>{"leaf began 5,5 of leaf x1/1",
                                           "leaf cancelled 5,5 of leaf x1/1"}));
  EXPECT_EQ(touch->phase(), UITouchPhaseCancelled);
}

TEST(Touches, ASecondFingerOnAOneFingerViewIsIgnored) {
  Scene s;
  auto first = s.window->touchDownAtPoint(CGPointMake(55, 55));
  EXPECT_EQ(s.window->touchDownAtPoint(CGPointMake(60, 90)), nullptr);  // inner again
  // Another view takes its own first finger; the event holds both.
  auto other = s.window->touchDownAtPoint(CGPointMake(120, 60));
  ASSERT_TRUE(other);
  EXPECT_EQ(log, (std::vector<std::string>{"inner began 5,5 of inner x1/1",
                                           "front began 20,10 of front x1/2"}));
  s.window->cancelAllTouches();
  log.clear();
  s.inner->setMultipleTouchEnabled(true);
  first = s.window->touchDownAtPoint(CGPointMake(55, 55));
  auto second = s.window->touchDownAtPoint(CGPointMake(60, 90));
  ASSERT_TRUE(second);
  s.window->touchMoveToPoint(second, CGPointMake(61, 91));
  EXPECT_EQ(first->phase(), UITouchPhaseStationary);
  EXPECT_EQ(log.back(), "inner moved 11,41 of inner x1/2");
  s.window->cancelAllTouches();
  EXPECT_EQ(log.back(), "inner cancelled 5,5 of inner x2/2");
}

TEST(Touches, QuickTapsInOnePlaceCount) {
  Scene s;
  auto a = s.window->touchDownAtPoint(CGPointMake(65, 65));
  s.window->touchUpAtPoint(a, CGPointMake(65, 65));
  auto b = s.window->touchDownAtPoint(CGPointMake(67, 66));
  s.window->touchUpAtPoint(b, CGPointMake(67, 66));
  auto c = s.window->touchDownAtPoint(CGPointMake(180, 180));
  EXPECT_EQ(a->tapCount(), 1u);
  EXPECT_EQ(b->tapCount(), 2u);
  EXPECT_EQ(c->tapCount(), 1u);  // elsewhere: a new tap
  s.window->cancelAllTouches();
}

}  // namespace

namespace {
class Focusable : public UIView {
  OBJC_CLASS(Focusable, UIView)
 public:
  using UIView::UIView;
};
BOOL yes(NSObject*, SEL) {
  return YES;
}
void copyAction(NSObject*, SEL, NSObject*) {}
}  // namespace

OBJC_CLASS_IMPL(Focusable) {
  class_addMethod(cls, OBJC_SEL("canBecomeFirstResponder"), objc::method<&yes>());
  class_addMethod(cls, OBJC_SEL("copy:"), objc::method<&copyAction>());
}

namespace {

TEST(Responder, FirstResponderAndPermittedActions) {
  auto parent = std::make_shared<Focusable>(CGRectMake(0, 0, 10, 10));
  auto plain = std::make_shared<UIView>(CGRectMake(0, 0, 10, 10));
  auto other = std::make_shared<Focusable>(CGRectMake(0, 0, 10, 10));
  parent->addSubview(plain);
  EXPECT_FALSE(plain->canBecomeFirstResponder());
  EXPECT_FALSE(plain->becomeFirstResponder());
  EXPECT_TRUE(parent->becomeFirstResponder());
  EXPECT_TRUE(parent->isFirstResponder());
  EXPECT_TRUE(other->becomeFirstResponder());  // the previous one resigns
  EXPECT_FALSE(parent->isFirstResponder());
  EXPECT_EQ(UIResponder::firstResponder().get(), other.get());
  EXPECT_TRUE(other->resignFirstResponder());
  EXPECT_EQ(UIResponder::firstResponder(), nullptr);
  // An action is permitted where some responder up the chain implements it.
  EXPECT_TRUE(plain->canPerformActionWithSender(OBJC_SEL("copy:"), nullptr));
  EXPECT_FALSE(plain->canPerformActionWithSender(OBJC_SEL("paste:"), nullptr));
  EXPECT_FALSE(plain->canPerformActionWithSender(nullptr, nullptr));
}

}  // namespace

// ---- display

namespace {

int draws = 0;
int framesSeenInHandler = -1;
int drawsSeenInHandler = -1;

class Canvas : public UIView {
  OBJC_CLASS(Canvas, UIView)
 public:
  using UIView::UIView;
};

void canvasDraw(NSObject*, SEL, CGRect) {
  ++draws;
}

// Asks for redisplay three times and flushes, as a pressed link does, then looks at what
// the host has drawn before returning.
void canvasTouchesBegan(NSObject* self, SEL, NSSet*, UIEvent*) {
  auto* view = static_cast<UIView*>(self);
  view->setNeedsDisplay();
  view->setNeedsDisplay();
  view->setNeedsDisplay();
  CATransaction::flush();
  framesSeenInHandler = static_cast<int>(CATransaction::commitCount());
  drawsSeenInHandler = draws;
}

}  // namespace

OBJC_CLASS_IMPL(Canvas) {
  class_addMethod(cls, OBJC_SEL("drawRect:"), objc::method<&canvasDraw>());
  class_addMethod(cls, OBJC_SEL("touchesBegan:withEvent:"), objc::method<&canvasTouchesBegan>());
}

namespace {

TEST(Display, RedisplayWaitsForTheTurnUnlessFlushed) {
  auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 40, 40));
  auto canvas = std::make_shared<Canvas>(CGRectMake(0, 0, 40, 40));
  window->addSubview(canvas);
  int frames = 0;
  // The host's part: each commit that displayed something renders a frame.
  uint64_t token = CATransaction::addCommitHandler([&] {
    ++frames;
    window->renderImage(1);
  });
  CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false);  // whatever earlier tests left
  frames = draws = 0;

  canvas->setNeedsDisplay();
  canvas->setNeedsDisplay();
  EXPECT_EQ(frames, 0);  // batched until the turn ends
  CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false);
  EXPECT_EQ(frames, 1);
  EXPECT_EQ(draws, 1);
  CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false);
  EXPECT_EQ(frames, 1);  // nothing new to show

  // Inside an event handler a flush redraws before the handler returns.
  uint64_t before = CATransaction::commitCount();
  auto touch = window->touchDownAtPoint(CGPointMake(5, 5));
  EXPECT_EQ(framesSeenInHandler, static_cast<int>(before) + 1);
  EXPECT_EQ(drawsSeenInHandler, 2);
  EXPECT_EQ(frames, 2);
  CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false);
  EXPECT_EQ(frames, 2);  // the turn's own commit found nothing left
  window->cancelAllTouches();
  CATransaction::removeCommitHandler(token);

  // A layer that goes away before the commit is simply skipped.
  auto gone = std::make_shared<Canvas>(CGRectMake(0, 0, 4, 4));
  gone->setNeedsDisplay();
  gone.reset();
  CATransaction::flush();
  EXPECT_EQ(frames, 2);
}

}  // namespace

// ---- controls and tables take the touches that land on them

namespace {

class RowSource : public NSObject {
  OBJC_CLASS(RowSource, NSObject)
 public:
  std::vector<NSInteger> selected;
  NSInteger count(UITableView*, NSInteger) { return 3; }
  Strong<UITableViewCell> cell(UITableView*, NSIndexPath*) {
    return UITableViewCell::cellWithStyle(UITableViewCellStyleDefault, NSSTR("Row"));
  }
  void didSelect(UITableView*, NSIndexPath* p) { selected.push_back(p->row()); }
};

}  // namespace

OBJC_CLASS_IMPL(RowSource) {
  class_addMethod(cls, OBJC_SEL("tableView:numberOfRowsInSection:"),
                  objc::method<&RowSource::count>());
  class_addMethod(cls, OBJC_SEL("tableView:cellForRowAtIndexPath:"),
                  objc::method<&RowSource::cell>());
  class_addMethod(cls, OBJC_SEL("tableView:didSelectRowAtIndexPath:"),
                  objc::method<&RowSource::didSelect>());
}

namespace {

void tap(UIWindow* window, CGPoint down, CGPoint up) {
  auto touch = window->touchDownAtPoint(down);
  ASSERT_TRUE(touch);
  window->touchUpAtPoint(touch, up);
}

TEST(Controls, SwitchesAndSegmentsChangeOnATapInsideOnly) {
  auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 320, 480));
  auto toggle = std::make_shared<UISwitch>();
  toggle->setFrame(CGRectMake(10, 10, UISwitch::kWidth, UISwitch::kHeight));
  auto segments =
      UISegmentedControl::segmentedControlWithItems({NSSTR("One"), NSSTR("Two"), NSSTR("Three")});
  segments->setFrame(CGRectMake(10, 100, 300, 30));
  window->addSubview(toggle);
  window->addSubview(segments);
  window->layoutIfNeeded();

  tap(window.get(), CGPointMake(30, 20), CGPointMake(31, 21));  // on the knob: still the switch
  EXPECT_TRUE(toggle->isOn());
  tap(window.get(), CGPointMake(30, 20), CGPointMake(200, 300));  // slid off before lifting
  EXPECT_TRUE(toggle->isOn());
  EXPECT_EQ(objc_msgSend<Strong<NSString>>(toggle, OBJC_SEL("accessibilityValue"))->stdString(),
            "on");

  tap(window.get(), CGPointMake(260, 115), CGPointMake(260, 115));
  EXPECT_EQ(segments->selectedSegmentIndex(), 2);
  tap(window.get(), CGPointMake(20, 115), CGPointMake(20, 115));
  EXPECT_EQ(segments->selectedSegmentIndex(), 0);

  // A disabled control takes no touch: it falls through to what is behind.
  toggle->setEnabled(NO);
  EXPECT_EQ(window->hitTestWithEvent(CGPointMake(30, 20), nullptr), window.get());
}

// A full-window table of RowSource's rows, laid out.
struct RowsInAWindow {
  Strong<UIWindow> window = std::make_shared<UIWindow>(CGRectMake(0, 0, 320, 480));
  Strong<UITableView> table = UITableView::tableViewWithFrame(CGRectMake(0, 0, 320, 480), 0);
  Strong<RowSource> source = std::make_shared<RowSource>();
  RowsInAWindow() {
    table->setDataSource(source);
    table->setDelegate(source);
    window->addSubview(table);
    table->reloadData();
    window->layoutIfNeeded();
  }
};

TEST(Controls, ARowIsTappedWhenTheFingerLiftsOnTheRowItCameDownOn) {
  RowsInAWindow rows;
  auto& [window, table, source] = rows;
  tap(window.get(), CGPointMake(100, 66), CGPointMake(120, 70));   // row 1
  tap(window.get(), CGPointMake(100, 66), CGPointMake(100, 120));  // slid to row 2: nothing
  ASSERT_TRUE(window->touchDownAtPoint(CGPointMake(100, 20)));
  window->cancelAllTouches();  // taken away: nothing
  EXPECT_EQ(source->selected, (std::vector<NSInteger>{1}));
  table->setContentOffset(CGPointMake(0, 44));  // scrolled: row 2 is where row 1 was
  tap(window.get(), CGPointMake(100, 66), CGPointMake(100, 66));
  EXPECT_EQ(source->selected, (std::vector<NSInteger>{1, 2}));
}

TEST(Controls, ARowIsHighlightedWhileTheFingerIsOnItAndGetsItsBackgroundBack) {
  RowsInAWindow rows;
  auto& [window, table, source] = rows;
  // A structured binding is named in the lambda through a reference of its own: clang
  // before 16 does not let a lambda capture one.
  auto& tableView = table;
  auto row = [&](NSInteger r) {
    return tableView->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(r, 0));
  };
  auto blue = UIColor::colorWithRedGreenBlueAlpha(0, 0, 1, 1);
  row(1)->setBackgroundColor(blue);

  // Down: highlighted. Slid to the next row: neither is, and the cell has its own colour.
  auto touch = window->touchDownAtPoint(CGPointMake(100, 66));
  ASSERT_TRUE(touch);
  EXPECT_TRUE(row(1)->isHighlighted());
  EXPECT_NE(row(1)->backgroundColor(), blue);
  window->touchMoveToPoint(touch, CGPointMake(100, 110));
  EXPECT_FALSE(row(1)->isHighlighted());
  EXPECT_FALSE(row(2)->isHighlighted());
  EXPECT_EQ(row(1)->backgroundColor(), blue);
  window->touchUpAtPoint(touch, CGPointMake(100, 110));

  // Cancelled: no highlight left, nothing selected.
  touch = window->touchDownAtPoint(CGPointMake(100, 66));
  window->cancelAllTouches();
  EXPECT_FALSE(row(1)->isHighlighted());
  EXPECT_EQ(row(1)->backgroundColor(), blue);

  // Lifted on it: tapped, and no longer highlighted (selected instead).
  tap(window.get(), CGPointMake(100, 66), CGPointMake(100, 66));
  EXPECT_FALSE(row(1)->isHighlighted());
  EXPECT_TRUE(row(1)->isSelected());
  EXPECT_EQ(source->selected, (std::vector<NSInteger>{1}));
}

}  // namespace
