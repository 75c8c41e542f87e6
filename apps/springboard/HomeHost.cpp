#include "HomeHost.h"

#include <cstdio>
#include <cstring>

#include "SpringBoard/SpringBoard.h"
#include "dispatch/CFRunLoop.h"

namespace homehost {

std::string defaultLayout(const std::string& root) {
  return root + "/Library/SpringBoard/home.plist";
}

bool parse(int argc, char** argv, Options* options, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string* into) {
      if (i + 1 >= argc) {
        *error = arg + " needs a value";
        return false;
      }
      *into = argv[++i];
      return true;
    };
    if (arg == "--out") {
      if (!value(&options->out)) return false;
    } else if (arg == "--layout") {
      if (!value(&options->layout)) return false;
    } else if (arg == "--root") {
      if (!value(&options->root)) return false;
    } else if (arg == "--watch") {
      options->watch = true;
    } else {
      *error = "unknown argument '" + arg + "'";
      return false;
    }
  }
  if (options->out.empty()) {
    *error = "--out FILE.png is required";
    return false;
  }
  return true;
}

int run(const Options& options) {
  SBPluginLoadResult plugins = SBPluginLoader::loadPlugins(
      options.root, SBPluginLoader::currentExecutableName(), SBHostBundleIdentifier);
  for (const auto& error : plugins.errors)
    std::fprintf(stderr, "plug-in not loaded: %s\n", error.c_str());

  std::string layout = options.layout.empty() ? defaultLayout(options.root) : options.layout;
  std::string error;
  Strong<SBHomeScreen> screen = SBHomeScreen::homeScreenWithContentsOfFile(layout, &error);
  if (!screen) {
    std::fprintf(stderr, "bad layout: %s\n", error.c_str());
    return 2;
  }
  auto render = [&] {
    if (!screen->writePNG(options.out)) {
      std::fprintf(stderr, "cannot write %s\n", options.out.c_str());
      return false;
    }
    std::printf("%s\n", options.out.c_str());
    std::fflush(stdout);
    return true;
  };
  screen->layoutPass();
  if (!render()) return 1;
  if (!options.watch) return 0;
  screen->observeChanges([&] { render(); });
  CFRunLoopRun();
  return 0;
}

}  // namespace homehost
