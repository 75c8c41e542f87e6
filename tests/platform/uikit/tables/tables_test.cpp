// Table views, index paths, alerts and navigation, driven through the runtime as the
// settings pane drives them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Foundation/NSString.h"
#include "UIKit/NSIndexPath.h"
#include "UIKit/UIAlertView.h"
#include "UIKit/UILabel.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITableViewCell.h"
#include "UIKit/UITextField.h"
#include "UIKit/UIWindow.h"

namespace {

// A data source with every optional method, answering from plain members.
class FullSource : public NSObject {
  OBJC_CLASS(FullSource, NSObject)
 public:
  std::vector<std::vector<std::string>> rows{{"a", "b"}, {"c"}};
  std::vector<std::string> selected;
  std::vector<std::string> committed;
  int cellsMade = 0;

  NSInteger sections(UITableView*) { return static_cast<NSInteger>(rows.size()); }
  NSInteger rowCount(UITableView*, NSInteger s) { return static_cast<NSInteger>(rows[s].size()); }
  Strong<UITableViewCell> cell(UITableView* table, NSIndexPath* p) {
    auto c = table->dequeueReusableCellWithIdentifier(NSSTR("Cell"));
    if (!c) {
      c = UITableViewCell::cellWithStyle(UITableViewCellStyleDefault, NSSTR("Cell"));
      ++cellsMade;
    }
    c->textLabel()->setText(NSString::stringWithUTF8String(rows[p->section()][p->row()]));
    return c;
  }
  Strong<NSString> header(UITableView*, NSInteger s) {
    return s == 0 ? NSSTR("First") : NSSTR("Second");
  }
  CGFloat height(UITableView*, NSIndexPath* p) { return p->section() == 0 ? 60 : 30; }
  void didSelect(UITableView*, NSIndexPath* p) { selected.push_back(rows[p->section()][p->row()]); }
  BOOL canEdit(UITableView*, NSIndexPath* p) { return p->section() == 1; }
  void commit(UITableView*, NSInteger style, NSIndexPath* p) {
    committed.push_back(std::to_string(style) + ":" + rows[p->section()][p->row()]);
  }
};

// Only the required methods.
class BareSource : public NSObject {
  OBJC_CLASS(BareSource, NSObject)
 public:
  NSInteger rowCount(UITableView*, NSInteger) { return 3; }
  Strong<UITableViewCell> cell(UITableView*, NSIndexPath*) { return nullptr; }
};

class Recorder : public NSObject {
  OBJC_CLASS(Recorder, NSObject)
 public:
  std::vector<std::string> calls;
  void clicked(UIAlertView*, NSInteger i) { calls.push_back("clicked " + std::to_string(i)); }
  void dismissed(UIAlertView* a, NSInteger i) {
    calls.push_back("dismissed " + std::to_string(i) + " visible " +
                    std::to_string(a->isVisible()));
  }
};

}  // namespace

OBJC_CLASS_IMPL(FullSource) {
  class_addMethod(cls, OBJC_SEL("numberOfSectionsInTableView:"),
                  objc::method<&FullSource::sections>());
  class_addMethod(cls, OBJC_SEL("tableView:numberOfRowsInSection:"),
                  objc::method<&FullSource::rowCount>());
  class_addMethod(cls, OBJC_SEL("tableView:cellForRowAtIndexPath:"),
                  objc::method<&FullSource::cell>());
  class_addMethod(cls, OBJC_SEL("tableView:titleForHeaderInSection:"),
                  objc::method<&FullSource::header>());
  class_addMethod(cls, OBJC_SEL("tableView:heightForRowAtIndexPath:"),
                  objc::method<&FullSource::height>());
  class_addMethod(cls, OBJC_SEL("tableView:didSelectRowAtIndexPath:"),
                  objc::method<&FullSource::didSelect>());
  class_addMethod(cls, OBJC_SEL("tableView:canEditRowAtIndexPath:"),
                  objc::method<&FullSource::canEdit>());
  class_addMethod(cls, OBJC_SEL("tableView:commitEditingStyle:forRowAtIndexPath:"),
                  objc::method<&FullSource::commit>());
}
OBJC_CLASS_IMPL(BareSource) {
  class_addMethod(cls, OBJC_SEL("tableView:numberOfRowsInSection:"),
                  objc::method<&BareSource::rowCount>());
  class_addMethod(cls, OBJC_SEL("tableView:cellForRowAtIndexPath:"),
                  objc::method<&BareSource::cell>());
}
OBJC_CLASS_IMPL(Recorder) {
  class_addMethod(cls, OBJC_SEL("alertView:clickedButtonAtIndex:"),
                  objc::method<&Recorder::clicked>());
  class_addMethod(cls, OBJC_SEL("alertView:didDismissWithButtonIndex:"),
                  objc::method<&Recorder::dismissed>());
}

namespace {

Strong<NSIndexPath> at(NSInteger row, NSInteger section) {
  return NSIndexPath::indexPathForRowInSection(row, section);
}

std::string text(const Strong<UITableViewCell>& cell) {
  return cell ? cell->textLabel()->text()->stdString() : "<none>";
}

}  // namespace

TEST(IndexPath, ValueEquality) {
  EXPECT_TRUE(at(1, 2)->isEqual(at(1, 2).get()));
  EXPECT_FALSE(at(1, 2)->isEqual(at(2, 1).get()));
  EXPECT_EQ(at(1, 2)->hash(), at(1, 2)->hash());
  EXPECT_EQ(at(3, 4)->row(), 3);
  EXPECT_EQ(at(3, 4)->section(), 4);
}

TEST(TableView, AsksTheDataSourceAndLaysOutEveryRow) {
  auto source = std::make_shared<FullSource>();
  auto table = UITableView::tableViewWithFrame(CGRectMake(0, 0, 320, 480), UITableViewStylePlain);
  table->setDataSource(source);
  table->setDelegate(source);
  table->reloadData();
  ASSERT_EQ(table->numberOfSections(), 2);
  EXPECT_EQ(table->numberOfRowsInSection(0), 2);
  EXPECT_EQ(table->numberOfRowsInSection(1), 1);
  EXPECT_EQ(table->numberOfRowsInSection(7), 0);
  EXPECT_EQ(table->headerTitleForSection(1)->stdString(), "Second");
  EXPECT_EQ(text(table->cellForRowAtIndexPath(at(1, 0))), "b");
  EXPECT_EQ(table->cellForRowAtIndexPath(at(2, 0)), nullptr);
  EXPECT_EQ(table->cellForRowAtIndexPath(at(-1, 0)), nullptr);
  // Rows stack under their headers with the delegate's heights.
  CGRect first = table->rectForRowAtIndexPath(at(0, 0));
  CGRect second = table->rectForRowAtIndexPath(at(1, 0));
  EXPECT_EQ(first.size.height, 60);
  EXPECT_EQ(second.origin.y, first.origin.y + 60);
  EXPECT_EQ(first.size.width, 320);
  EXPECT_EQ(table->rectForRowAtIndexPath(at(0, 1)).size.height, 30);
  EXPECT_GT(table->contentHeight(), 150);
}

TEST(TableView, ReusesCellsAcrossReloads) {
  auto source = std::make_shared<FullSource>();
  auto table = UITableView::tableViewWithFrame(CGRectMake(0, 0, 320, 480), UITableViewStylePlain);
  table->setDataSource(source);
  table->reloadData();
  auto before = table->cellForRowAtIndexPath(at(0, 1));
  EXPECT_EQ(source->cellsMade, 3);
  source->rows[1] = {"c", "d"};
  table->reloadSectionsWithRowAnimation({1, 9}, UITableViewRowAnimationFade);
  EXPECT_EQ(source->cellsMade, 4);  // one more row, the old one reused
  EXPECT_EQ(table->cellForRowAtIndexPath(at(0, 1)), before);
  EXPECT_EQ(text(table->cellForRowAtIndexPath(at(1, 1))), "d");
  table->reloadData();
  EXPECT_EQ(source->cellsMade, 4);
}

TEST(TableView, OptionalMethodsHaveDefaultsAndMissingCellsDoNotCrash) {
  auto source = std::make_shared<BareSource>();
  auto table = UITableView::tableViewWithFrame(CGRectMake(0, 0, 200, 400), UITableViewStylePlain);
  table->setDataSource(source);
  table->reloadData();
  EXPECT_EQ(table->numberOfSections(), 1);
  EXPECT_EQ(table->headerTitleForSection(0), nullptr);
  ASSERT_NE(table->cellForRowAtIndexPath(at(2, 0)), nullptr);
  EXPECT_EQ(table->rectForRowAtIndexPath(at(2, 0)).size.height, UITableView::kDefaultRowHeight);
  EXPECT_FALSE(table->deleteRowAtIndexPath(at(0, 0)));  // nothing can commit
  EXPECT_TRUE(table->tapRowAtIndexPath(at(0, 0)));      // no delegate: nothing told
}

TEST(TableView, TapsSelectAndDeletesAskFirst) {
  auto source = std::make_shared<FullSource>();
  auto table = UITableView::tableViewWithFrame(CGRectMake(0, 0, 320, 480), UITableViewStylePlain);
  table->setDataSource(source);
  table->setDelegate(source);
  table->reloadData();
  EXPECT_TRUE(table->tapRowAtIndexPath(at(1, 0)));
  EXPECT_FALSE(table->tapRowAtIndexPath(at(5, 0)));
  EXPECT_EQ(source->selected, std::vector<std::string>{"b"});
  EXPECT_TRUE(table->indexPathForSelectedRow()->isEqual(at(1, 0).get()));
  table->deselectRowAtIndexPathAnimated(at(1, 0), YES);
  EXPECT_EQ(table->indexPathForSelectedRow(), nullptr);

  EXPECT_FALSE(table->deleteRowAtIndexPath(at(0, 0)));  // section 0 is not editable
  EXPECT_TRUE(table->deleteRowAtIndexPath(at(0, 1)));
  EXPECT_FALSE(table->deleteRowAtIndexPath(at(3, 1)));
  EXPECT_EQ(source->committed, std::vector<std::string>{"1:c"});
}

TEST(TableView, DelegatesAreNotOwned) {
  auto table = UITableView::tableViewWithFrame(CGRectMake(0, 0, 320, 480), UITableViewStylePlain);
  {
    auto source = std::make_shared<FullSource>();
    table->setDataSource(source);
    table->reloadData();
  }
  EXPECT_EQ(table->dataSource(), nullptr);
  table->reloadData();
  EXPECT_EQ(table->numberOfSections(), 0);
}

TEST(AlertView, PlainTextStyleHasOneFieldAndNumberedButtons) {
  auto recorder = std::make_shared<Recorder>();
  auto alert = UIAlertView::alertWithTitle(NSSTR("Nimbra"), NSSTR("Edit name:"), recorder,
                                           NSSTR("Cancel"), {NSSTR("Save")});
  alert->setAlertViewStyle(UIAlertViewStylePlainTextInput);
  alert->setTag(2);
  EXPECT_EQ(alert->cancelButtonIndex(), 0);
  EXPECT_EQ(alert->firstOtherButtonIndex(), 1);
  EXPECT_EQ(alert->buttonTitleAtIndex(1)->stdString(), "Save");
  EXPECT_EQ(alert->buttonTitleAtIndex(2), nullptr);
  auto field = alert->textFieldAtIndex(0);
  field->setPlaceholder(NSSTR("App Display Name"));
  EXPECT_EQ(field->text()->stdString(), "");
  field->insertText(NSSTR("Mail"));
  field->insertText(NSSTR("\U0001F600"));
  field->deleteBackward();  // the emoji goes whole
  EXPECT_EQ(field->text()->stdString(), "Mail");
  EXPECT_THROW(alert->textFieldAtIndex(1), NSException);
  EXPECT_THROW(alert->textFieldAtIndex(-1), NSException);

  alert->setAlertViewStyle(UIAlertViewStyleLoginAndPasswordInput);
  EXPECT_NO_THROW(alert->textFieldAtIndex(1));
  alert->setAlertViewStyle(42);  // unknown: no fields
  EXPECT_EQ(alert->alertViewStyle(), UIAlertViewStyleDefault);
  EXPECT_THROW(alert->textFieldAtIndex(0), NSException);
}

TEST(AlertView, DismissTellsTheDelegateAfterHiding) {
  auto recorder = std::make_shared<Recorder>();
  auto alert =
      UIAlertView::alertWithTitle(NSSTR("T"), nullptr, recorder, NSSTR("Cancel"), {NSSTR("Save")});
  alert->show();
  EXPECT_EQ(UIAlertView::topAlert(), alert);
  alert->dismissWithClickedButtonIndexAnimated(7, YES);  // no such button
  EXPECT_TRUE(alert->isVisible());
  alert->dismissWithClickedButtonIndexAnimated(1, YES);
  EXPECT_EQ(recorder->calls, (std::vector<std::string>{"clicked 1", "dismissed 1 visible 0"}));
  EXPECT_EQ(UIAlertView::topAlert(), nullptr);
}

// A layout pass leaves the alert laid out: parts made afresh on each pass would ask for
// another pass, and a window drawing every pass would never rest.
TEST(AlertView, ALaidOutAlertKeepsItsPartsUntilItsStyleChanges) {
  auto alert = UIAlertView::alertWithTitle(NSSTR("T"), NSSTR("M"), nullptr, NSSTR("Cancel"),
                                           {NSSTR("Save")});
  alert->setAlertViewStyle(UIAlertViewStylePlainTextInput);
  auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 320, 568));
  window->addSubview(alert);
  window->layoutIfNeeded();
  auto parts = alert->subviews();
  ASSERT_GT(parts.size(), 4u);  // title, message, field, rule, buttons
  window->layoutIfNeeded();
  EXPECT_EQ(alert->subviews(), parts);

  alert->setAlertViewStyle(UIAlertViewStyleLoginAndPasswordInput);
  window->layoutIfNeeded();
  EXPECT_EQ(alert->subviews().size(), parts.size() + 1);  // one more field
  alert->removeFromSuperview();
}

TEST(NavigationController, PushesAndPopsButKeepsTheRoot) {
  auto root = std::make_shared<UIViewController>();
  root->setTitle(NSSTR("Settings"));
  auto nav = UINavigationController::navigationControllerWithRootViewController(root);
  nav->view();
  auto next = std::make_shared<UIViewController>();
  nav->pushViewControllerAnimated(next, YES);
  EXPECT_EQ(nav->topViewController(), next);
  EXPECT_EQ(next->navigationController(), nav);
  EXPECT_TRUE(next->view()->isDescendantOfView(nav->view().get()));
  EXPECT_EQ(nav->popViewControllerAnimated(YES), next);
  EXPECT_EQ(next->navigationController(), nullptr);
  EXPECT_FALSE(next->view()->isDescendantOfView(nav->view().get()));
  EXPECT_EQ(nav->popViewControllerAnimated(YES), nullptr);
  EXPECT_EQ(nav->topViewController(), root);
}
