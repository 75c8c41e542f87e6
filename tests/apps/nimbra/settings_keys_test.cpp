// The keys `nimbra prefs` writes must be the values the settings pane can write: the same
// choices under the same titles, the slider's range. The pane's list is read from the
// bundle's sources, so a change there that the command misses fails here.
#include "SettingsKeys.h"

#include <gtest/gtest.h>

#include "Foundation/Foundation.h"

namespace {

using settingskeys::Kind;

Strong<NSDictionary> paneEntry(const std::string& key) {
  auto list = NSDictionary::dictionaryWithContentsOfFile(std::string(NIMBRA_SOURCE_DIR) +
                                                         "/settings/resources/Nimbra.plist");
  if (!list) return nullptr;
  for (const id& item : *list->objectForKeyAs<NSArray>(NSSTR("items"))) {
    auto entry = objc_cast<NSDictionary>(item);
    auto name = entry ? entry->objectForKeyAs<NSString>(NSSTR("key")) : nullptr;
    if (name && name->stdString() == key) return entry;
  }
  return nullptr;
}

TEST(SettingsKeys, ChoicesAndRangesAreThePanes) {
  int checked = 0;
  for (const auto& key : settingskeys::keys()) {
    auto entry = paneEntry(key.name);
    if (key.kind == Kind::Choice) {
      ASSERT_TRUE(entry) << key.name << " is not in the pane's list";
      auto titles = entry->objectForKeyAs<NSArray>(NSSTR("validTitles"));
      auto values = entry->objectForKeyAs<NSArray>(NSSTR("validValues"));
      ASSERT_TRUE(titles && values) << key.name;
      ASSERT_EQ(titles->count(), key.choices.size()) << key.name;
      for (std::size_t i = 0; i < key.choices.size(); ++i) {
        EXPECT_EQ(objc_cast<NSString>(titles->objectAtIndex(i))->stdString(), key.choices[i].title)
            << key.name;
        EXPECT_EQ(objc_cast<NSNumber>(values->objectAtIndex(i))->intValue(), key.choices[i].value)
            << key.name;
      }
      ++checked;
    } else if (key.kind == Kind::Real) {
      ASSERT_TRUE(entry) << key.name;
      EXPECT_EQ(entry->objectForKeyAs<NSNumber>(NSSTR("min"))->doubleValue(), key.minimum);
      EXPECT_EQ(entry->objectForKeyAs<NSNumber>(NSSTR("max"))->doubleValue(), key.maximum);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 3);  // ShowBadges, Color, CustomStrength
}

// Every choice's title (as shown, in other case, without blanks) and value parse to the
// value, and `show` prints that value with the same title: what `set` takes, `get` shows.
TEST(SettingsKeys, TitlesAndValuesRoundTrip) {
  for (const auto& key : settingskeys::keys()) {
    for (const auto& choice : key.choices) {
      std::string title = choice.title, squeezed;
      for (char c : title)
        if (c != ' ') squeezed += char(std::tolower(static_cast<unsigned char>(c)));
      for (const std::string& given : {title, squeezed, std::to_string(choice.value)}) {
        std::string error;
        id value = settingskeys::parseValue(key, {given}, &error);
        ASSERT_TRUE(value) << key.name << " " << given << ": " << error;
        EXPECT_EQ(objc_cast<NSNumber>(value)->intValue(), choice.value) << given;
        EXPECT_EQ(settingskeys::show(key, value),
                  std::to_string(choice.value) + " (" + choice.title + ")");
      }
    }
  }
}

TEST(SettingsKeys, StrengthOutsideTheSlidersRangeIsRefused) {
  const auto* strength = settingskeys::findKey("CustomStrength");
  ASSERT_TRUE(strength);
  for (const char* bad : {"30.0001", "500", "1e308", "-0.5", "nan", "inf", "", "5pt"}) {
    std::string error;
    EXPECT_FALSE(settingskeys::parseValue(*strength, {bad}, &error)) << bad;
    EXPECT_NE(error.find("0 to 30"), std::string::npos) << error;
  }
  for (const char* good : {"0", "30", "7.5"}) {
    std::string error;
    EXPECT_TRUE(settingskeys::parseValue(*strength, {good}, &error)) << good << ": " << error;
  }
}

}  // namespace
