// The Preferences stand-in: entries from a bundle's list, the settings file they write,
// and the notifications they post.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "Foundation/NSArray.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSNumber.h"
#include "Foundation/NSString.h"
#include "PostRecorder.h"
#include "Preferences/PSListController.h"
#include "Preferences/PSListItemsController.h"
#include "Preferences/PSPreferenceStore.h"
#include "Preferences/PSSpecifier.h"
#include "Preferences/PSTableCell.h"
#include "TempHome.h"
#include "UIKit/NSIndexPath.h"
#include "UIKit/UILabel.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UISegmentedControl.h"
#include "UIKit/UISlider.h"
#include "UIKit/UISwitch.h"
#include "UIKit/UITableView.h"
#include "UnreadableSettings.h"

namespace {

// A list whose button entry calls back.
class ButtonList : public PSListController {
  OBJC_CLASS(ButtonList, PSListController)
 public:
  int pressed = 0;
  void press() { ++pressed; }
  Strong<PSSpecifier> pressedWith;
  void pressWith(PSSpecifier* entry) { pressedWith = entry->retainedSelf<PSSpecifier>(); }
};

}  // namespace

OBJC_CLASS_IMPL(ButtonList) {
  class_addMethod(cls, OBJC_SEL("press"), objc::method<&ButtonList::press>());
  class_addMethod(cls, OBJC_SEL("pressWith:"), objc::method<&ButtonList::pressWith>());
}

namespace {

Strong<NSString> S(const char* s) {
  return NSString::stringWithUTF8String(s);
}

const char* kDomain = "org.example.test";
const char* kNote = "org.example.test/changed";

// A bundle folder with one specifier list, "Test".
class Bundle {
 public:
  explicit Bundle(const std::string& home) : dir_(home + "/Test.bundle") {
    std::filesystem::create_directories(dir_);
  }
  void write(const std::string& items) {
    std::ofstream(dir_ + "/Test.plist")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
        << "<key>items</key><array>" << items << "</array></dict></plist>\n";
  }
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
};

std::string setting(const char* cell, const char* key, const char* label, const char* extra) {
  return std::string("<dict><key>cell</key><string>") + cell + "</string><key>key</key><string>" +
         key + "</string><key>label</key><string>" + label +
         "</string><key>defaults</key><string>" + kDomain +
         "</string><key>PostNotification</key><string>" + kNote + "</string>" + extra + "</dict>";
}

const std::string kItems =
    "<dict><key>cell</key><string>PSGroupCell</string><key>label</key><string>One</string>"
    "<key>footerText</key><string>Below</string></dict>" +
    setting("PSSwitchCell", "Flag", "Flag", "<key>default</key><true/>") +
    setting("PSSliderCell", "Level", "Level",
            "<key>default</key><real>5</real><key>min</key><real>0</real>"
            "<key>max</key><real>30</real><key>showValue</key><true/>") +
    setting("PSLinkListCell", "Pick", "Pick",
            "<key>default</key><integer>3</integer><key>detail</key>"
            "<string>PSListItemsController</string><key>validTitles</key><array>"
            "<string>Zero</string><string>Three</string><string>Seven</string></array>"
            "<key>validValues</key><array><integer>0</integer><integer>3</integer>"
            "<integer>7</integer></array>") +
    setting("PSSegmentCell", "Mode", "Mode",
            "<key>validTitles</key><array><string>A</string><string>B</string></array>"
            "<key>validValues</key><array><integer>10</integer><integer>20</integer></array>") +
    "<string>not an entry</string>"
    "<dict><key>cell</key><string>PSButtonCell</string><key>label</key><string>Go</string>"
    "<key>action</key><string>press</string></dict>"
    "<dict><key>cell</key><string>PSStaticTextCell</string><key>label</key><string>Odd</string>"
    "<key>cellClass</key><string>NoSuchCell</string><key>height</key><integer>70</integer>"
    "</dict>";

Strong<NSDictionary> fileContents(const TempHome& home) {
  return NSDictionary::dictionaryWithContentsOfFile(home.path() + "/Library/Preferences/" +
                                                    kDomain + ".plist");
}

struct ListFixture {
  TempHome home;
  Bundle bundle{home.path()};
  Strong<ButtonList> list = std::make_shared<ButtonList>();
  Strong<UINavigationController> nav;

  ListFixture() {
    postedNames().clear();
    bundle.write(kItems);
    list->setBundlePath(S(bundle.dir().c_str()));
    list->_specifiers = list->loadSpecifiersFromPlistNameTarget(S("Test"), list);
    nav = UINavigationController::navigationControllerWithRootViewController(list);
    nav->view();
  }
  Strong<PSSpecifier> entry(const char* label) {
    for (const id& item : *list->_specifiers) {
      auto specifierObject = objc_cast<PSSpecifier>(item);
      if (specifierObject->name() && specifierObject->name()->stdString() == label)
        return specifierObject;
    }
    return nullptr;
  }
  Strong<UITableViewCell> cell(const char* label) { return list->cellForSpecifier(entry(label)); }
  template <class T>
  Strong<T> control(const char* label) {
    auto c = cell(label);
    if (auto found = objc_cast<T>(c->accessoryView())) return found;
    for (const auto& v : c->contentView()->subviews()) {
      if (auto found = objc_cast<T>(v)) return found;
    }
    return nullptr;
  }
  id stored(const char* key) {
    auto contents = fileContents(home);
    return contents ? contents->objectForKey(S(key)) : nullptr;
  }
};

}  // namespace

TEST(Specifier, EntriesAreReadDefensively) {
  EXPECT_EQ(PSSpecifier::cellTypeFromString(S("PSSwitchCell")), PSSwitchCell);
  EXPECT_EQ(PSSpecifier::cellTypeFromString(S("PSNoSuchCell")), PSStaticTextCell);
  EXPECT_EQ(PSSpecifier::cellTypeFromString(nullptr), PSStaticTextCell);
  EXPECT_EQ(PSSpecifier::specifierWithEntry(nullptr, nullptr), nullptr);

  auto entry = NSMutableDictionary::dictionary();
  entry->setObjectForKey(NSNumber::numberWithInt(5), S("cell"));  // not a string
  entry->setObjectForKey(S("Color"), S("key"));
  entry->setObjectForKey(NSArray::arrayWithObjects({S("Red"), NSNumber::numberWithInt(9), S("x")}),
                         S("validTitles"));
  entry->setObjectForKey(
      NSArray::arrayWithObjects({NSNumber::numberWithInt(4), NSNumber::numberWithInt(9)}),
      S("validValues"));
  entry->setObjectForKey(S("openTwitter"), S("action"));
  auto specifierObject = PSSpecifier::specifierWithEntry(entry, nullptr);
  EXPECT_EQ(specifierObject->cellType(), PSStaticTextCell);
  EXPECT_EQ(specifierObject->identifier()->stdString(), "Color");  // no id, no label: the key
  EXPECT_EQ(specifierObject->values()->count(), 2u);               // titles without values dropped
  EXPECT_EQ(specifierObject->titleForValue(NSNumber::numberWithInt(4))->stdString(), "Red");
  EXPECT_EQ(specifierObject->titleForValue(NSNumber::numberWithInt(9))->stdString(), "9");
  EXPECT_EQ(specifierObject->titleForValue(NSNumber::numberWithInt(5)), nullptr);
  EXPECT_STREQ(sel_getName(specifierObject->buttonAction()), "openTwitter");
  EXPECT_EQ(specifierObject->stringForKey("cell"), nullptr);
}

TEST(ListController, LoadingTheListFailsSoftly) {
  TempHome home;
  Bundle bundle(home.path());
  auto list = std::make_shared<PSListController>();
  EXPECT_EQ(list->loadSpecifiersFromPlistNameTarget(S("Test"), list), nullptr);  // no bundle
  list->setBundlePath(S(bundle.dir().c_str()));
  EXPECT_EQ(list->loadSpecifiersFromPlistNameTarget(S("Test"), list), nullptr);  // no file
  std::ofstream(bundle.dir() + "/Test.plist") << "<plist><dict><key>items</key><string>x</string>";
  EXPECT_EQ(list->loadSpecifiersFromPlistNameTarget(S("Test"), list), nullptr);  // broken
  bundle.write(kItems);
  auto loaded = list->loadSpecifiersFromPlistNameTarget(S("Test"), list);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->count(), 7u);  // the string item is skipped
  EXPECT_EQ(objc_cast<PSSpecifier>(loaded->objectAtIndex(0))->target(), list);
}

TEST(ListController, ShowsDefaultsUntilTheFileSaysOtherwise) {
  ListFixture f;
  EXPECT_TRUE(f.control<UISwitch>("Flag")->isOn());
  EXPECT_EQ(f.control<UISlider>("Level")->value(), 5);
  EXPECT_EQ(f.control<UISlider>("Level")->maximumValue(), 30);
  EXPECT_EQ(f.cell("Pick")->detailTextLabel()->text()->stdString(), "Three");
  EXPECT_EQ(f.control<UISegmentedControl>("Mode")->selectedSegmentIndex(), -1);
  EXPECT_EQ(f.list->table()->headerTitleForSection(0)->stdString(), "One");
  EXPECT_EQ(f.list->table()->footerTitleForSection(0)->stdString(), "Below");

  // A file value of the wrong type counts as off, not as a crash.
  PSPreferenceStore::setValueForKey(S(kDomain), S("Flag"), S("maybe"));
  PSPreferenceStore::setValueForKey(S(kDomain), S("Level"), NSNumber::numberWithInt(99));
  f.list->reloadValues();
  EXPECT_FALSE(f.control<UISwitch>("Flag")->isOn());
  EXPECT_EQ(f.control<UISlider>("Level")->value(), 30);
}

TEST(ListController, EachChangeWritesItsKeyWithItsTypeAndPostsOnce) {
  ListFixture f;
  f.control<UISwitch>("Flag")->toggle();
  auto flag = objc_cast<NSNumber>(f.stored("Flag"));
  ASSERT_NE(flag, nullptr);
  EXPECT_TRUE(flag->isBoolean());
  EXPECT_FALSE(flag->boolValue());
  EXPECT_EQ(postsOf(kNote), 1);

  f.control<UISlider>("Level")->slideTo(12.5);
  auto level = objc_cast<NSNumber>(f.stored("Level"));
  ASSERT_NE(level, nullptr);
  EXPECT_TRUE(level->isReal());
  EXPECT_EQ(level->doubleValue(), 12.5);
  EXPECT_EQ(postsOf(kNote), 2);

  f.control<UISegmentedControl>("Mode")->tapSegment(1);
  EXPECT_EQ(objc_cast<NSNumber>(f.stored("Mode"))->integerValue(), 20);
  EXPECT_EQ(postsOf(kNote), 3);
  EXPECT_NE(f.stored("Flag"), nullptr);  // earlier keys kept

  // A choice opens its list; picking a title stores its value and updates the row.
  f.list->table()->tapRowAtIndexPath(f.list->indexPathForSpecifier(f.entry("Pick")));
  auto items = objc_cast<PSListItemsController>(f.nav->topViewController());
  ASSERT_NE(items, nullptr);
  EXPECT_EQ(items->title()->stdString(), "Pick");
  EXPECT_FALSE(items->chooseTitle(S("Nine")));
  EXPECT_EQ(postsOf(kNote), 3);
  items->table()->tapRowAtIndexPath(NSIndexPath::indexPathForRowInSection(2, 0));
  auto pick = objc_cast<NSNumber>(f.stored("Pick"));
  ASSERT_NE(pick, nullptr);
  EXPECT_FALSE(pick->isReal() || pick->isBoolean());
  EXPECT_EQ(pick->integerValue(), 7);
  EXPECT_EQ(postsOf(kNote), 4);
  EXPECT_EQ(f.cell("Pick")->detailTextLabel()->text()->stdString(), "Seven");
  EXPECT_EQ(items->table()
                ->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(2, 0))
                ->accessoryType(),
            UITableViewCellAccessoryCheckmark);
  EXPECT_EQ(items->table()
                ->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(1, 0))
                ->accessoryType(),
            UITableViewCellAccessoryNone);
}

TEST(ListController, ButtonsSendTheirActionAndUnknownCellsArePlainRows) {
  ListFixture f;
  f.list->table()->tapRowAtIndexPath(f.list->indexPathForSpecifier(f.entry("Go")));
  EXPECT_EQ(f.list->pressed, 1);
  EXPECT_TRUE(postedNames().empty());

  auto odd = f.cell("Odd");
  ASSERT_NE(odd, nullptr);
  EXPECT_TRUE(odd->isMemberOfClass(PSTableCell::class_()));
  EXPECT_EQ(odd->textLabel()->text()->stdString(), "Odd");
  EXPECT_EQ(f.list->table()
                ->rectForRowAtIndexPath(f.list->indexPathForSpecifier(f.entry("Odd")))
                .size.height,
            70);
}

// The list may name any method of the target; one that is not shaped as an action (other
// arguments, a result) is not called with what a button passes.
TEST(ListController, ButtonActionsOfAnotherShapeAreNotSent) {
  ListFixture f;
  auto button = [](const char* label, const char* action) {
    return std::string("<dict><key>cell</key><string>PSButtonCell</string><key>label</key>") +
           "<string>" + label + "</string><key>action</key><string>" + action + "</string></dict>";
  };
  f.bundle.write(button("Cell", "tableView:cellForRowAtIndexPath:") + button("List", "specifiers") +
                 button("With", "pressWith:"));
  f.list->_specifiers = f.list->loadSpecifiersFromPlistNameTarget(S("Test"), f.list);
  f.list->reloadSpecifiers();
  testing::internal::CaptureStderr();
  for (const char* label : {"Cell", "List", "With"})
    f.list->table()->tapRowAtIndexPath(f.list->indexPathForSpecifier(f.entry(label)));
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("tableView:cellForRowAtIndexPath: is not an action"), std::string::npos)
      << log;
  EXPECT_NE(log.find("specifiers is not an action"), std::string::npos) << log;
  EXPECT_EQ(f.list->pressedWith, f.entry("With"));
  EXPECT_EQ(f.list->pressed, 0);
}

TEST(ListController, AFailedWriteIsLoggedAndStillAnnounced) {
  ListFixture f;
  // The settings path is taken by a folder: nothing can be written there.
  std::filesystem::create_directories(f.home.path() + "/Library/Preferences/" + kDomain + ".plist");
  testing::internal::CaptureStderr();
  f.control<UISwitch>("Flag")->toggle();
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("[Preferences] Flag: cannot write"), std::string::npos) << log;
  EXPECT_EQ(postsOf(kNote), 1);
  EXPECT_FALSE(f.control<UISwitch>("Flag")->isOn());
}

TEST(PreferenceStore, WritesOneKeyAndKeepsTheRest) {
  TempHome home;
  std::string error;
  EXPECT_TRUE(PSPreferenceStore::setValueForKey(S(kDomain), S("A"), NSNumber::numberWithInt(1)));
  EXPECT_TRUE(PSPreferenceStore::setValueForKey(S(kDomain), S("B"), S("two")));
  EXPECT_TRUE(PSPreferenceStore::setValueForKey(S(kDomain), S("A"), nullptr));  // removes
  auto contents = PSPreferenceStore::contentsOfDomain(S(kDomain));
  ASSERT_NE(contents, nullptr);
  EXPECT_EQ(contents->count(), 1u);
  EXPECT_EQ(PSPreferenceStore::valueForKey(S(kDomain), S("B"))->description(), "two");

  // A damaged file is started afresh (its bytes kept aside, see below).
  std::ofstream(home.path() + "/Library/Preferences/" + kDomain + ".plist") << "\x01garbage";
  EXPECT_EQ(PSPreferenceStore::contentsOfDomain(S(kDomain)), nullptr);
  EXPECT_TRUE(PSPreferenceStore::setValueForKey(S(kDomain), S("C"), NSNumber::numberWithBool(YES)));
  EXPECT_EQ(PSPreferenceStore::contentsOfDomain(S(kDomain))->count(), 1u);

  EXPECT_FALSE(PSPreferenceStore::setValueForKey(nullptr, S("C"), S("x"), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(PSPreferenceStore::setValueForKey(S(kDomain), S("D"), std::make_shared<NSObject>(),
                                                 &error));  // not a property-list value
}

// The pane's entries over each kind of unreadable file: it reads as empty, the change
// writes a whole new file, and the old bytes are kept beside it, the newest kept.
TEST(ListController, AChangeOverAnUnreadableFileKeepsItsBytesBeside) {
  ListFixture f;
  const std::string file = f.home.path() + "/Library/Preferences/" + kDomain + ".plist";
  for (const auto& flavour : unreadable::flavours()) {
    SCOPED_TRACE(flavour.name);
    unreadable::writeBytes(file, flavour.bytes);
    f.list->reloadValues();
    EXPECT_TRUE(f.control<UISwitch>("Flag")->isOn());  // the default, as for no file
    postedNames().clear();
    testing::internal::CaptureStderr();
    f.control<UISwitch>("Flag")->toggle();
    std::string log = testing::internal::GetCapturedStderr();
    auto contents = fileContents(f.home);
    ASSERT_NE(contents, nullptr);
    EXPECT_EQ(contents->count(), 1u);
    EXPECT_FALSE(objc_cast<NSNumber>(contents->objectForKey(S("Flag")))->boolValue());
    EXPECT_EQ(unreadable::readBytes(unreadable::asidePath(file)), flavour.bytes);
    EXPECT_NE(log.find("[Preferences] " + file + " could not be read; its bytes are kept in " +
                       unreadable::asidePath(file)),
              std::string::npos)
        << log;
    EXPECT_EQ(postsOf(kNote), 1);
    EXPECT_TRUE(unreadable::strayFiles(file).empty());

    // Once readable again, later changes leave the kept bytes alone and log nothing.
    testing::internal::CaptureStderr();
    f.control<UISwitch>("Flag")->toggle();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(unreadable::readBytes(unreadable::asidePath(file)), flavour.bytes);
  }
}

TEST(PreferenceStore, AFolderInTheFilesPlaceIsLeftAsItIs) {
  TempHome home;
  const std::string file = home.settingsFile();
  const Strong<NSString> domain = S("com.varenko.nimbra");
  std::filesystem::create_directory(file);
  unreadable::writeBytes(file + "/inside", "kept");
  std::string error, aside;
  EXPECT_FALSE(PSPreferenceStore::setValueForKey(domain, S("Enabled"), NSNumber::numberWithBool(NO),
                                                 &error, &aside));
  EXPECT_EQ(error, "cannot write " + file + ": a folder is in its place");
  EXPECT_TRUE(aside.empty());
  EXPECT_TRUE(std::filesystem::is_directory(file));
  EXPECT_EQ(unreadable::readBytes(file + "/inside"), "kept");
  EXPECT_FALSE(std::filesystem::exists(unreadable::asidePath(file)));
  EXPECT_TRUE(unreadable::strayFiles(file).empty());
}

// A value the file can't hold fails the write before anything moves.
TEST(PreferenceStore, AWriteThatCannotBeMadeLeavesAnUnreadableFileInPlace) {
  TempHome home;
  const std::string file = home.settingsFile();
  const std::string bytes = unreadable::flavours().front().bytes;
  unreadable::writeBytes(file, bytes);
  std::string error;
  EXPECT_FALSE(PSPreferenceStore::setValueForKey(S("com.varenko.nimbra"), S("Enabled"),
                                                 std::make_shared<NSObject>(), &error));
  EXPECT_NE(error.find("not a property-list object"), std::string::npos) << error;
  EXPECT_EQ(unreadable::readBytes(file), bytes);
  EXPECT_FALSE(std::filesystem::exists(unreadable::asidePath(file)));
}

TEST(PreferenceStore, TwoProcessesWritingDifferentKeysLoseNothing) {
  TempHome home;
  constexpr int kWrites = 500;
  pid_t children[2];
  for (int p = 0; p < 2; ++p) {
    children[p] = fork();
    ASSERT_GE(children[p], 0);
    if (children[p] == 0) {
      bool ok = true;
      for (int i = 0; i < kWrites; ++i) {
        auto key = NSString::stringWithFormat("P%d-%d", p, i);
        ok = PSPreferenceStore::setValueForKey(S(kDomain), key, NSNumber::numberWithInt(i)) && ok;
      }
      _exit(ok ? 0 : 1);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  auto contents = PSPreferenceStore::contentsOfDomain(S(kDomain));
  ASSERT_NE(contents, nullptr);
  EXPECT_EQ(contents->count(), 2u * kWrites);
  EXPECT_EQ(objc_cast<NSNumber>(contents->objectForKey(S("P1-499")))->intValue(), 499);
}
