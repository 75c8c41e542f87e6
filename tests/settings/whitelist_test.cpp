// The whitelist editor: its table, its dialogs, what each change writes and posts, and
// what it does when the file changed meanwhile or can't be written.
#include <filesystem>
#include <regex>

#include "Foundation/NSArray.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSNumber.h"
#include "Foundation/NSString.h"
#include "Pane.h"
#include "PostRecorder.h"
#include "Preferences/PSPreferenceStore.h"
#include "Preferences/PSViewController.h"
#include "TempHome.h"
#include "UIKit/NSIndexPath.h"
#include "UIKit/UIAlertView.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITableViewCell.h"
#include "UIKit/UITextField.h"
#include "UnreadableSettings.h"

namespace {

const char* kNote = "com.varenko.nimbra/preferencechanged";

Strong<NSString> S(const std::string& s) {
  return NSString::stringWithUTF8String(s);
}

// The editor's instance variables, read through its runtime class by the names the
// bundle gives them.
struct Editor {
  TempHome home;
  Strong<PSViewController> controller;

  explicit Editor(const Strong<NSDictionary>& initial = nullptr) {
    if (initial) initial->writeToFileAtomically(home.settingsFile(), YES);
    open();
  }
  // Over a file holding `bytes`.
  explicit Editor(const std::string& bytes) {
    unreadable::writeBytes(home.settingsFile(), bytes);
    open();
  }
  void open() {
    loadBundle();
    postedNames().clear();
    UIAlertView::dismissAllWithoutDelegate();
    controller = make<PSViewController>("BadgeWhitelistListController");
    controller->view();  // viewDidLoad
  }
  ~Editor() { UIAlertView::dismissAllWithoutDelegate(); }

  Strong<UITableView> table() {
    for (const auto& v : controller->view()->subviews()) {
      if (auto t = objc_cast<UITableView>(v)) return t;
    }
    return nullptr;
  }
  std::vector<std::string> rows(NSInteger section) {
    std::vector<std::string> out;
    auto t = table();
    for (NSInteger r = 0; r < t->numberOfRowsInSection(section); ++r) {
      auto cell = t->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(r, section));
      out.push_back(cell->textLabel()->text()->stdString());
    }
    return out;
  }
  std::vector<std::string> stored() {
    std::vector<std::string> out;
    auto file = NSDictionary::dictionaryWithContentsOfFile(home.settingsFile());
    auto list = file ? objc_cast<NSArray>(file->objectForKey(NSSTR("BadgeWhitelist"))) : nullptr;
    if (list) {
      for (const id& name : *list) out.push_back(name->description());
    }
    return out;
  }
  void tap(NSInteger row, NSInteger section) {
    table()->tapRowAtIndexPath(NSIndexPath::indexPathForRowInSection(row, section));
  }
  // Opens the dialog of a row, types, and presses a button.
  void dialog(NSInteger row, NSInteger section, const std::string& typed, const char* button,
              bool clear = false) {
    tap(row, section);
    auto alert = UIAlertView::topAlert();
    ASSERT_NE(alert, nullptr);
    auto field = alert->textFieldAtIndex(0);
    if (clear) field->setText(nullptr);
    if (!typed.empty()) field->insertText(S(typed));
    for (NSInteger i = 0; i < alert->numberOfButtons(); ++i) {
      if (alert->buttonTitleAtIndex(i)->stdString() == button) {
        alert->dismissWithClickedButtonIndexAnimated(i, YES);
        return;
      }
    }
    ADD_FAILURE() << "no button " << button;
  }
  void add(const std::string& name) { dialog(0, 0, name, "Save"); }
};

Strong<NSDictionary> whitelist(std::initializer_list<const char*> names) {
  auto list = NSMutableArray::array();
  for (const char* n : names) list->addObject(S(n));
  auto file = NSMutableDictionary::dictionary();
  file->setObjectForKey(list, NSSTR("BadgeWhitelist"));
  file->setObjectForKey(NSNumber::numberWithInt(2), NSSTR("ShowBadges"));
  return file;
}

std::string capture(const std::function<void()>& action) {
  testing::internal::CaptureStderr();
  action();
  return testing::internal::GetCapturedStderr();
}

// The message part of an NSLog line.
std::vector<std::string> messages(const std::string& log) {
  std::vector<std::string> out;
  std::regex line(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} [^\[]*\[\d+:\d+\] (.*))");
  std::smatch m;
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = log.find('\n', start);
    std::string one = log.substr(start, end - start);
    if (std::regex_match(one, m, line)) out.push_back(m[1]);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

using Names = std::vector<std::string>;

}  // namespace

TEST(Whitelist, FirstOpeningWithoutAFile) {
  Editor e;
  auto t = e.table();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->numberOfSections(), 2);
  EXPECT_EQ(t->headerTitleForSection(0)->stdString(), "Add");
  EXPECT_EQ(t->headerTitleForSection(1)->stdString(), "Settings");
  EXPECT_EQ(e.rows(0), Names{"Add App"});
  EXPECT_TRUE(e.rows(1).empty());
  EXPECT_TRUE(t->alwaysBounceVertical());
  EXPECT_FALSE(std::filesystem::exists(e.home.settingsFile()));  // opening writes nothing
  EXPECT_TRUE(postedNames().empty());
}

TEST(Whitelist, DialogsAreAsDescribed) {
  Editor e(whitelist({"Mail"}));
  e.tap(0, 0);
  auto add = UIAlertView::topAlert();
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add->tag(), 1);
  EXPECT_EQ(add->title()->stdString(), "Nimbra");
  EXPECT_EQ(add->message()->stdString(), "Please enter the display name exactly as it appears:");
  EXPECT_EQ(add->alertViewStyle(), UIAlertViewStylePlainTextInput);
  EXPECT_EQ(add->buttonTitleAtIndex(0)->stdString(), "Cancel");
  EXPECT_EQ(add->buttonTitleAtIndex(1)->stdString(), "Save");
  EXPECT_EQ(add->textFieldAtIndex(0)->placeholder()->stdString(), "App Display Name");
  EXPECT_EQ(add->textFieldAtIndex(0)->text()->stdString(), "");
  add->dismissWithClickedButtonIndexAnimated(0, NO);

  e.tap(0, 1);
  auto edit = UIAlertView::topAlert();
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->tag(), 2);
  EXPECT_EQ(edit->message()->stdString(), "Edit name:");
  EXPECT_EQ(edit->textFieldAtIndex(0)->text()->stdString(), "Mail");
  EXPECT_EQ(e.table()->indexPathForSelectedRow(), nullptr);  // deselected on tap
}

TEST(Whitelist, AddsTakeTheNameAsTypedAndPostOncePerChange) {
  Editor e;
  e.add("Safari");
  EXPECT_EQ(postsOf(kNote), 1);
  e.add("");        // an empty name is kept
  e.add("Safari");  // and so is a duplicate
  e.add(" Mail ");  // untrimmed
  EXPECT_EQ(postsOf(kNote), 4);
  Names expected{"Safari", "", "Safari", " Mail "};
  EXPECT_EQ(e.stored(), expected);
  EXPECT_EQ(e.rows(1), expected);
  EXPECT_EQ(postedNames().size(), 4u);
}

TEST(Whitelist, EditReplacesInPlace) {
  Editor e(whitelist({"A", "B", "C"}));
  e.dialog(1, 1, "Beta", "Save", /*clear=*/true);
  EXPECT_EQ(e.stored(), (Names{"A", "Beta", "C"}));
  EXPECT_EQ(e.rows(1), (Names{"A", "Beta", "C"}));
  EXPECT_EQ(postsOf(kNote), 1);
  e.dialog(2, 1, "!", "Save");  // typing appends to the shown name
  EXPECT_EQ(e.stored(), (Names{"A", "Beta", "C!"}));
}

TEST(Whitelist, CancelWritesAndPostsNothing) {
  Editor e(whitelist({"A"}));
  auto before = std::filesystem::last_write_time(e.home.settingsFile());
  e.dialog(0, 0, "New", "Cancel");
  e.dialog(0, 1, "Changed", "Cancel", true);
  EXPECT_EQ(postsOf(kNote), 0);
  EXPECT_EQ(e.stored(), Names{"A"});
  EXPECT_EQ(e.rows(1), Names{"A"});
  EXPECT_EQ(std::filesystem::last_write_time(e.home.settingsFile()), before);
}

TEST(Whitelist, TappingAddAppLeavesIndexPathToUseAlone) {
  Editor e(whitelist({"A", "B", "C"}));
  e.dialog(2, 1, "", "Cancel");  // an edit dialog sets it
  auto ivar = [&] { return objc_msgSend<NSInteger>(e.controller, OBJC_SEL("indexPathToUse")); };
  ASSERT_TRUE(e.controller->respondsToSelector(OBJC_SEL("indexPathToUse")));
  EXPECT_EQ(ivar(), 2);
  e.dialog(0, 0, "D", "Save");
  EXPECT_EQ(ivar(), 2);
  EXPECT_EQ(e.stored(), (Names{"A", "B", "C", "D"}));
}

TEST(Whitelist, DeleteLogsAndKeepsKeysChangedMeanwhile) {
  Editor e(whitelist({"Safari", "Mail", "Notes"}));
  // The root list changes other keys while the editor is open.
  PSPreferenceStore::setValueForKey(NSSTR("com.varenko.nimbra"), NSSTR("Color"),
                                    NSNumber::numberWithInt(5));
  PSPreferenceStore::setValueForKey(NSSTR("com.varenko.nimbra"), NSSTR("ShowBadges"),
                                    NSNumber::numberWithInt(0));
  postedNames().clear();
  std::string log = capture([&] {
    EXPECT_TRUE(e.table()->deleteRowAtIndexPath(NSIndexPath::indexPathForRowInSection(1, 1)));
  });
  EXPECT_EQ(messages(log), Names{"[Nimbra] Deleting... Mail"}) << log;
  EXPECT_EQ(e.stored(), (Names{"Safari", "Notes"}));
  EXPECT_EQ(e.rows(1), (Names{"Safari", "Notes"}));
  auto file = NSDictionary::dictionaryWithContentsOfFile(e.home.settingsFile());
  EXPECT_EQ(objc_cast<NSNumber>(file->objectForKey(NSSTR("Color")))->intValue(), 5);
  EXPECT_EQ(objc_cast<NSNumber>(file->objectForKey(NSSTR("ShowBadges")))->intValue(), 0);
  EXPECT_EQ(postsOf(kNote), 1);
  // "Add App" can't be deleted.
  EXPECT_FALSE(e.table()->deleteRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0)));
  EXPECT_EQ(postsOf(kNote), 1);
}

TEST(Whitelist, AFailedWriteIsLoggedButTheChangeStaysAndIsAnnounced) {
  Editor e(whitelist({"A"}));
  // The settings path becomes a folder: the file can be neither read nor replaced.
  const std::string file = e.home.settingsFile();
  std::filesystem::remove(file);
  std::filesystem::create_directory(file);
  unreadable::writeBytes(file + "/inside", "kept");
  std::string log = capture([&] { e.add("B"); });
  auto lines = messages(log);
  ASSERT_EQ(lines.size(), 1u) << log;
  EXPECT_EQ(lines[0], "[Nimbra] Failed to save settings to " + file);
  EXPECT_EQ(e.rows(1), (Names{"A", "B"}));
  EXPECT_EQ(postsOf(kNote), 1);
  EXPECT_EQ(unreadable::readBytes(file + "/inside"), "kept");
  EXPECT_FALSE(std::filesystem::exists(unreadable::asidePath(file)));
}

// The editor opens an unreadable file as an empty list; its first change writes a whole
// new file and keeps the old bytes beside it.
TEST(Whitelist, AChangeOverAnUnreadableFileKeepsItsBytesBeside) {
  for (const auto& flavour : unreadable::flavours()) {
    SCOPED_TRACE(flavour.name);
    Editor e(flavour.bytes);
    EXPECT_TRUE(e.rows(1).empty());
    std::string log = capture([&] { e.add("Mail"); });
    EXPECT_EQ(e.stored(), Names{"Mail"});
    auto file = NSDictionary::dictionaryWithContentsOfFile(e.home.settingsFile());
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->count(), 1u);
    EXPECT_EQ(unreadable::readBytes(unreadable::asidePath(e.home.settingsFile())), flavour.bytes);
    auto lines = messages(log);
    ASSERT_EQ(lines.size(), 1u) << log;
    EXPECT_EQ(lines[0].rfind("[Preferences] " + e.home.settingsFile() + " could not be read", 0),
              0u)
        << lines[0];
    EXPECT_EQ(postsOf(kNote), 1);
  }
}

TEST(Whitelist, AWhitelistThatIsNotAListOfNamesIsReadSafely) {
  auto file = NSMutableDictionary::dictionary();
  file->setObjectForKey(NSArray::arrayWithObjects({S("A"), NSNumber::numberWithInt(3)}),
                        NSSTR("BadgeWhitelist"));
  Editor mixed(file);
  EXPECT_EQ(mixed.rows(1), Names{"A"});  // entries that are not names are dropped

  auto wrong = NSMutableDictionary::dictionary();
  wrong->setObjectForKey(S("Safari"), NSSTR("BadgeWhitelist"));
  Editor single(wrong);
  EXPECT_TRUE(single.rows(1).empty());
  single.add("Mail");
  EXPECT_EQ(single.stored(), Names{"Mail"});
}
