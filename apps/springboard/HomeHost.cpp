#include "HomeHost.h"

#include <cstdio>
#include <cstring>

#include <unistd.h>

#include <filesystem>

#include "../common/PngPath.h"
#include "../common/TouchSteps.h"
#include "Foundation/NSPathUtilities.h"
#include "Foundation/NSString.h"
#include "SpringBoard/SpringBoard.h"
#include "UIKit/UIWindow.h"
#include "dispatch/CFRunLoop.h"

namespace homehost {

std::string defaultLayout(const std::string& root) {
  return root + "/Library/SpringBoard/home.plist";
}

namespace {

namespace fs = std::filesystem;

// Copies the sample's folder into `to`, the layout file last and by rename, so that a
// layout file there is always whole and finds its images (two first uses at once both
// copy; the later rename wins with the same bytes).
bool copySample(const fs::path& from, const fs::path& to, std::string* error) {
  std::error_code ec;
  fs::create_directories(to, ec);
  if (ec) {
    *error = "cannot create " + to.string() + ": " + ec.message();
    return false;
  }
  const std::string layoutName = "home.plist";
  for (const auto& item : fs::recursive_directory_iterator(from, ec)) {
    fs::path relative = fs::relative(item.path(), from, ec);
    if (relative == layoutName || item.path().extension() == ".stamp") continue;
    if (item.is_directory()) {
      fs::create_directories(to / relative, ec);
    } else {
      fs::copy_file(item.path(), to / relative, fs::copy_options::overwrite_existing, ec);
    }
    if (ec) break;
  }
  fs::path partial = to / ("." + layoutName + "." + std::to_string(getpid()));
  if (!ec) fs::copy_file(from / layoutName, partial, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(partial, to / layoutName, ec);
  if (ec) {
    fs::remove(partial, ec);
    *error = "cannot copy the sample home screen from " + from.string() + " to " + to.string();
    return false;
  }
  return true;
}

}  // namespace

std::string layoutFor(const std::string& layout, const std::string& root, bool rootGiven,
                      std::string* error) {
  if (!layout.empty()) return layout;
  if (rootGiven) return defaultLayout(root);
  fs::path mine = fs::path(NSHomeDirectory()->stdString()) / "Library" / "SpringBoard";
  std::error_code ec;
  if (fs::exists(mine / "home.plist", ec)) return (mine / "home.plist").string();
  fs::path sample = fs::path(defaultLayout(root)).parent_path();
  if (!fs::exists(sample / "home.plist", ec)) {
    *error = "no sample home screen in " + sample.string() + "; build the project or give --root";
    return {};
  }
  if (!copySample(sample, mine, error)) return {};
  return (mine / "home.plist").string();
}

HomeCommand::HomeCommand(std::string name, WindowRunner window)
    : commandline::Command(std::move(name),
                           "render the home screen (or show it in a window), the finger steps "
                           "first in the order given") {
  options_.openWindow = window;
  commandline::pngFile(
      add_option("--out", options_.out, "the picture to write (required without --window)"))
      ->type_name("FILE.png");
  add_option("--layout", options_.layout, "the layout file to read")->type_name("FILE");
  add_option_function<std::string>(
      "--root",
      [this](const std::string& root) {
        options_.root = root;
        options_.rootGiven = true;
      },
      "the device-like tree to read (and its sample layout)")
      ->type_name("DIR");
  add_flag("--watch", options_.watch, "keep running, and render again on each change");
  add_flag("--window", options_.window, "show it in a window, following changes");
  add_option("--window-frames", options_.windowFrames,
             "write each frame the window draws to this file, as a PNG")
      ->type_name("FILE");
  const std::string group = "finger steps (in the first page's window points, in the order given)";
  for (const hoststeps::FingerStep& step : hoststeps::fingerSteps()) {
    addStep("--" + std::string(step.verb), step.count, step.arguments, step.summary,
            [this, &step](const std::vector<std::string>& args) {
              std::string error;
              if (!hoststeps::checkFingerArguments(step, args, &error))
                throw commandline::Refused("--" + error);
              options_.touches.emplace_back(step.verb, args.empty() ? "" : args[0]);
            })
        ->group(group);
  }
}

int HomeCommand::run() {
  if (options_.out.empty() && !options_.window)
    throw commandline::Refused("--out FILE.png is required");
  options_.name = label();
  return homehost::run(options_);
}

int run(const Options& options) {
  SBPluginLoadResult plugins = SBPluginLoader::loadPlugins(
      options.root, SBPluginLoader::currentExecutableName(), SBHostBundleIdentifier);
  const char* name = options.name.c_str();
  for (const auto& error : plugins.errors)
    std::fprintf(stderr, "%s: plug-in not loaded: %s\n", name, error.c_str());

  std::string error;
  std::string layout = layoutFor(options.layout, options.root, options.rootGiven, &error);
  if (layout.empty()) {
    std::fprintf(stderr, "%s: %s\n", name, error.c_str());
    return 2;
  }
  Strong<SBHomeScreen> screen = SBHomeScreen::homeScreenWithContentsOfFile(layout, &error);
  if (!screen) {
    std::fprintf(stderr, "%s: bad layout: %s\n", name, error.c_str());
    return 2;
  }
  auto render = [&] {
    if (!screen->writePNG(options.out)) {
      std::fprintf(stderr, "%s: cannot write %s; check that its folder exists and is writable\n",
                   name, options.out.c_str());
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
      if (!fingers.run(window.get(), *hoststeps::findFingerStep(verb), args, &error)) {
        std::fprintf(stderr, "%s: --%s: %s\n", name, verb.c_str(), error.c_str());
        return 2;
      }
    }
    screen->rootView()->removeFromSuperview();
    screen->layoutPass();
  }
  if (options.window) {
    if (!options.openWindow) {
      std::fprintf(stderr, "%s: this program cannot open windows\n", name);
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
