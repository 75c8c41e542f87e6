// A settings bundle's specifier list from fuzzed bytes: loading it, showing the list
// (every cell, header, footer and height), tapping every row and opening the detail
// lists. Values are read from the settings files the entries name; nothing is written.
// fuzz-mutations: 1000
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Foundation/Foundation.h"
#include "Preferences/PSListController.h"
#include "Preferences/PSSpecifier.h"
#include "ScratchFolder.h"
#include "UIKit/NSIndexPath.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UITableView.h"

namespace {

std::string gBundle;

[[noreturn]] void fault(const char* what) {
  std::fprintf(stderr, "specifier list fault: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static std::string home = fuzz::makeScratchFolder("specifiers");
  setenv("HOME", home.c_str(), 1);
  gBundle = home + "/Fuzz.bundle";
  mkdir(gBundle.c_str(), 0755);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (gBundle.empty()) LLVMFuzzerInitialize(nullptr, nullptr);
  FILE* f = std::fopen((gBundle + "/Fuzz.plist").c_str(), "wb");
  if (!f) fault("cannot write the list");
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  auto list = std::make_shared<PSListController>();
  list->setBundlePath(NSString::stringWithUTF8String(gBundle));
  auto loaded = list->loadSpecifiersFromPlistNameTarget(NSSTR("Fuzz"), list);
  if (!loaded) return 0;
  for (const id& item : *loaded) {
    auto entry = objc_cast<PSSpecifier>(item);
    if (!entry) fault("the list holds something other than entries");
    entry->identifier();
    entry->titleForValue(list->readPreferenceValue(entry));
    if (entry->values()->count() != entry->titles()->count()) fault("choices are not paired");
  }
  list->_specifiers = loaded;
  auto nav = UINavigationController::navigationControllerWithRootViewController(list);
  nav->view();
  auto table = list->table();
  NSInteger sections = list->numberOfSectionsInTableView(table.get());
  for (NSInteger s = 0; s < sections; ++s) {
    list->tableViewTitleForHeaderInSection(table.get(), s);
    list->tableViewTitleForFooterInSection(table.get(), s);
    NSInteger rows = list->tableViewNumberOfRowsInSection(table.get(), s);
    for (NSInteger r = 0; r < rows; ++r) {
      auto path = NSIndexPath::indexPathForRowInSection(r, s);
      if (!list->tableViewCellForRowAtIndexPath(table.get(), path.get()))
        fault("a row has no cell");
      list->tableViewHeightForRowAtIndexPath(table.get(), path.get());
      list->tableViewDidSelectRowAtIndexPath(table.get(), path.get());
      // A detail list that opened shows its own rows too.
      if (nav->topViewController() != list) {
        nav->topViewController()->view();
        nav->popViewControllerAnimated(NO);
      }
    }
  }
  list->reloadValues();
  return 0;
}
