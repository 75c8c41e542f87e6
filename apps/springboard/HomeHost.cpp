#include "HomeHost.h"

#include <cstdio>
#include <cstring>

#include "../common/TouchSteps.h"
#include "SpringBoard/SpringBoard.h"
#include "UIKit/UIWindow.h"
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
    } else if (arg == "--window") {
      options->window = true;
    } else if (arg == "--window-frames") {
      if (!value(&options->windowFrames)) return false;
    } else if (arg == "--touch-cancel") {
      options->touches.emplace_back("touch-cancel", "");
    } else if (hoststeps::Fingers::handles(arg.substr(2)) && arg.rfind("--", 0) == 0) {
      std::string point;
      if (!value(&point)) return false;
      CGPoint p;
      if (!hoststeps::parsePoint(point, &p)) {
        *error = arg + " needs a point X,Y in window points";
        return false;
      }
      options->touches.emplace_back(arg.substr(2), point);
    } else {
      *error = "unknown argument '" + arg + "'";
      return false;
    }
  }
  if (options->out.empty() && !options->window) {
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
  if (!options.touches.empty()) {
    // The screen's window shows the first page; fingers land in its points.
    auto window = std::make_shared<UIWindow>(
        CGRectMake(0, 0, SBHomeScreen::kPageWidth, SBHomeScreen::kPageHeight));
    window->addSubview(screen->rootView());
    hoststeps::Fingers fingers;
    for (const auto& [verb, arg] : options.touches) {
      std::vector<std::string> args;
      if (!arg.empty()) args.push_back(arg);
      if (!fingers.run(window.get(), verb, args, &error)) {
        std::fprintf(stderr, "--%s: %s\n", verb.c_str(), error.c_str());
        return 2;
      }
    }
    screen->rootView()->removeFromSuperview();
    screen->layoutPass();
  }
  if (options.window) {
    if (!options.openWindow) {
      std::fprintf(stderr, "this program cannot open windows\n");
      return 2;
    }
    if (!options.out.empty() && !render()) return 1;
    Options windowOptions = options;
    windowOptions.relayoutNotifications = plugins.relayoutNotifications;
    return options.openWindow(screen.get(), windowOptions);
  }
  if (!render()) return 1;
  if (!options.watch) return 0;
  screen->observeChanges(plugins.relayoutNotifications, [&] { render(); });
  CFRunLoopRun();
  return 0;
}

}  // namespace homehost
