// What a screen reader finds: elements, containers, labels, traits and screen frames.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Foundation/NSString.h"
#include "UIKit/NSIndexPath.h"
#include "UIKit/UIKit.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITableViewCell.h"

namespace {

class Rows : public NSObject {
  OBJC_CLASS(Rows, NSObject)
 public:
  NSInteger count(UITableView*, NSInteger) { return 6; }
  Strong<UITableViewCell> cell(UITableView*, NSIndexPath* p) {
    auto c = UITableViewCell::cellWithStyle(UITableViewCellStyleDefault, NSSTR("Row"));
    c->textLabel()->setText(NSString::stringWithFormat("Row %d", static_cast<int>(p->row())));
    return c;
  }
};

// A view that presents two parts of itself as elements, as a label with links does.
class TwoParts : public UIView {
  OBJC_CLASS(TwoParts, UIView)
 public:
  using UIView::UIView;
  std::vector<Strong<UIAccessibilityElement>> parts;
};

NSInteger partCount(NSObject* self, SEL) {
  return static_cast<NSInteger>(static_cast<TwoParts*>(self)->parts.size());
}
Strong<NSObject> partAt(NSObject* self, SEL, NSInteger i) {
  auto& parts = static_cast<TwoParts*>(self)->parts;
  return i >= 0 && i < static_cast<NSInteger>(parts.size()) ? parts[i] : nullptr;
}

std::string labelOf(const id& element) {
  auto label = objc_msgSend<Strong<NSString>>(element, OBJC_SEL("accessibilityLabel"));
  return label ? label->stdString() : "(none)";
}
CGRect frameOf(const id& element) {
  return objc_msgSend<CGRect>(element, OBJC_SEL("accessibilityFrame"));
}

}  // namespace

OBJC_CLASS_IMPL(Rows) {
  class_addMethod(cls, OBJC_SEL("tableView:numberOfRowsInSection:"), objc::method<&Rows::count>());
  class_addMethod(cls, OBJC_SEL("tableView:cellForRowAtIndexPath:"), objc::method<&Rows::cell>());
}
OBJC_CLASS_IMPL(TwoParts) {
  class_addMethod(cls, OBJC_SEL("accessibilityElementCount"), objc::method<&partCount>());
  class_addMethod(cls, OBJC_SEL("accessibilityElementAtIndex:"), objc::method<&partAt>());
}

namespace {

TEST(Accessibility, EveryObjectAnswersTheDefaultsAndALabelIsStaticText) {
  auto plain = std::make_shared<NSObject>();
  EXPECT_FALSE(objc_msgSend<BOOL>(plain, OBJC_SEL("isAccessibilityElement")));
  EXPECT_EQ(objc_msgSend<NSInteger>(plain, OBJC_SEL("accessibilityElementCount")), 0);
  EXPECT_EQ(objc_msgSend<NSInteger>(plain, OBJC_SEL("indexOfAccessibilityElement:"), plain.get()),
            NSNotFound);
  EXPECT_EQ(objc_msgSend<uint64_t>(plain, OBJC_SEL("accessibilityTraits")),
            UIAccessibilityTraitNone);

  auto label = UILabel::initWithFrame(CGRectMake(0, 0, 100, 20));
  label->setText(NSSTR("Thanks"));
  EXPECT_TRUE(label->isAccessibilityElement());
  EXPECT_EQ(labelOf(label), "Thanks");
  EXPECT_EQ(label->accessibilityTraits(), UIAccessibilityTraitStaticText);
  label->setAccessibilityLabel(NSSTR("Spoken"));
  EXPECT_EQ(labelOf(label), "Spoken");

  EXPECT_EQ(UIAccessibilityTraitLink, 2u);
  EXPECT_EQ(UIAccessibilityTraitHeader, 65536u);
  EXPECT_EQ(UIAccessibilityTraitsDescription(UIAccessibilityTraitLink |
                                             UIAccessibilityTraitStaticText | (1ull << 40)),
            "link|static text|0x10000000000");
  EXPECT_EQ(UIAccessibilityTraitsDescription(0), "none");
}

TEST(Accessibility, ElementsKeepTheirContainerWithoutOwningIt) {
  auto container = std::make_shared<UIView>();
  auto element = UIAccessibilityElement::initWithAccessibilityContainer(container);
  element->setAccessibilityTraits(UIAccessibilityTraitLink);
  element->setAccessibilityFrame(CGRectMake(1, 2, 3, 4));
  EXPECT_TRUE(objc_msgSend<BOOL>(element, OBJC_SEL("isAccessibilityElement")));
  EXPECT_EQ(objc_msgSend<uint64_t>(element, OBJC_SEL("accessibilityTraits")),
            UIAccessibilityTraitLink);
  EXPECT_EQ(frameOf(element), CGRectMake(1, 2, 3, 4));
  // Activated at the frame's centre until told otherwise; a view at its frame's too.
  auto activation = [](const id& o) {
    return objc_msgSend<CGPoint>(o, OBJC_SEL("accessibilityActivationPoint"));
  };
  EXPECT_EQ(activation(element), CGPointMake(2.5, 4));
  element->setAccessibilityActivationPoint(CGPointMake(1.5, 2.5));
  element->setAccessibilityFrame(CGRectMake(10, 20, 30, 40));
  EXPECT_EQ(activation(element), CGPointMake(1.5, 2.5));
  auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 100, 100));
  auto view = UILabel::initWithFrame(CGRectMake(10, 20, 40, 10));
  window->addSubview(view);
  CGRect viewFrame = frameOf(view);
  EXPECT_EQ(activation(view), CGPointMake(CGRectGetMidX(viewFrame), CGRectGetMidY(viewFrame)));
  EXPECT_EQ(element->accessibilityContainer(), container);
  container.reset();
  EXPECT_EQ(element->accessibilityContainer(), nullptr);
}

TEST(Accessibility, AScrolledTableIsReadInOrderWithFramesOnTheScreen) {
  auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 320, 480));
  auto table = UITableView::tableViewWithFrame(CGRectMake(0, 64, 320, 200), 0);
  auto rows = std::make_shared<Rows>();
  table->setDataSource(rows);
  window->addSubview(table);
  table->reloadData();
  window->layoutIfNeeded();

  auto before = UIAccessibilityElementsInOrder(window.get());
  ASSERT_EQ(before.size(), 6u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(labelOf(before[i]), "Row " + std::to_string(i));

  // Row 2, read as one element (a row with a title), placed by adding up the frames of
  // its ancestors.
  auto cell = table->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(2, 0));
  EXPECT_EQ(before[2].get(), cell.get());
  CGFloat x = 0, y = 0;
  for (UIView* v = cell.get(); v != window.get(); v = v->superview()) {
    x += v->frame().origin.x;
    y += v->frame().origin.y;
    if (v->superview()) {
      x -= v->superview()->bounds().origin.x;
      y -= v->superview()->bounds().origin.y;
    }
  }
  CGRect row2 = frameOf(before[2]);
  EXPECT_EQ(row2.origin, CGPointMake(x, y));

  table->setContentOffset(CGPointMake(0, 88));
  auto after = UIAccessibilityElementsInOrder(window.get());
  ASSERT_EQ(after.size(), 6u);
  EXPECT_EQ(labelOf(after[2]), "Row 2");
  EXPECT_EQ(frameOf(after[2]), CGRectOffset(row2, 0, -88));
  // A window away from the screen's corner moves its elements on the screen.
  window->setFrame(CGRectMake(10, 20, 320, 480));
  EXPECT_EQ(frameOf(after[2]), CGRectOffset(row2, 10, -68));
}

TEST(Accessibility, ContainersAreReadThroughTheirElementsAndHiddenViewsNotAtAll) {
  auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 320, 480));
  auto parts = std::make_shared<TwoParts>(CGRectMake(0, 100, 100, 20));
  for (const char* name : {"first", "second"}) {
    auto e = UIAccessibilityElement::initWithAccessibilityContainer(parts);
    e->setAccessibilityLabel(NSString::stringWithUTF8String(name));
    parts->parts.push_back(e);
  }
  auto below = UILabel::initWithFrame(CGRectMake(0, 200, 100, 20));
  below->setText(NSSTR("below"));
  auto right = UILabel::initWithFrame(CGRectMake(200, 100, 100, 20));
  right->setText(NSSTR("right"));
  auto hidden = UILabel::initWithFrame(CGRectMake(0, 0, 100, 20));
  hidden->setText(NSSTR("hidden"));
  hidden->setHidden(true);
  // Added out of reading order on purpose.
  for (const auto& v : std::vector<Strong<UIView>>{below, right, hidden, parts})
    window->addSubview(v);
  std::vector<std::string> read;
  for (const auto& e : UIAccessibilityElementsInOrder(window.get())) read.push_back(labelOf(e));
  EXPECT_EQ(read, (std::vector<std::string>{"first", "second", "right", "below"}));
}

}  // namespace
