// The home screen's layout file from fuzzed bytes: a file is either refused with a
// reason or loads into icons whose views lay out; a badge written back into a loaded
// file must leave a file that loads again with the same icons.
// fuzz-mutations: 2000
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "CoreGraphics/CoreGraphics.h"
#include "Foundation/Foundation.h"
#include "ScratchFolder.h"
#include "SpringBoard/SpringBoard.h"

namespace {

std::string gLayout;

[[noreturn]] void fault(const char* what, const std::string& detail = "") {
  std::fprintf(stderr, "home screen layout fault: %s %s\n", what, detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string dir = fuzz::makeScratchFolder("home");
  std::string icons = dir + "/icons";
  mkdir(icons.c_str(), 0755);
  // The seeds name these images; a 2x2 picture keeps loading cheap.
  auto image = std::make_shared<CGImage>(2, 2, std::vector<uint8_t>(16, 200));
  for (const char* name : {"a", "b", "c"})
    if (!CGImageWriteToPNGFile(image, icons + "/" + name + ".png")) std::abort();
  gLayout = dir + "/home.plist";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (gLayout.empty()) LLVMFuzzerInitialize(nullptr, nullptr);
  FILE* f = std::fopen(gLayout.c_str(), "wb");
  if (!f) fault("cannot write the layout");
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  std::string error;
  auto home = SBHomeScreen::homeScreenWithContentsOfFile(gLayout, &error);
  if (!home) {
    if (error.empty()) fault("a refused layout gives no reason");
    return 0;
  }
  auto icons = home->allIcons();
  home->rootView();
  home->layoutPass();
  if (!home->reloadBadges(&error)) fault("the same file no longer reloads:", error);
  if (icons.empty()) return 0;

  // Write a badge for the first app back, then load the file again.
  std::string name = icons.front()->displayName()->stdString();
  auto badge = NSNumber::numberWithInt(static_cast<int>(size % 200));
  if (!SBHomeScreen::setBadgeInLayoutFile(gLayout, name, badge, &error)) {
    if (error.empty()) fault("a refused badge write gives no reason");
    return 0;
  }
  auto again = SBHomeScreen::homeScreenWithContentsOfFile(gLayout, &error);
  if (!again) fault("a badge write left a file that does not load:", error);
  if (again->allIcons().size() != icons.size()) fault("a badge write changed the icons");
  if (!home->reloadBadges(&error)) fault("badges do not reload after a write:", error);
  return 0;
}
