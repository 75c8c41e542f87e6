// Layout passes of the sample home screen without and with Nimbra.dylib (a fixed colour,
// a random colour, the app's own colour) and with the floor of the messages the plug-in
// sends (below), and dominantColor against Cairo's one-pixel downscale and a plain copy
// of the pixels. Times are the thread's CPU time: the machine
// is shared, and wall time would count other processes. The bare host, the plug-in and
// the floor are measured in rounds taking each in turn, by switching the three
// layoutSubviews methods between their implementations, so that all see the same machine.
#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "CoreFoundation/CFNotificationCenter.h"
#include "Foundation/NSNumber.h"
#include "Nimbra/DominantColor.h"
#include "SpringBoard/SpringBoard.h"
#include "Timing.h"
#include "dispatch/CFRunLoop.h"

namespace {

// Median microseconds per call over `rounds` rounds of `reps` calls.
double medianMicros(int rounds, int reps, const std::function<void()>& body) {
  std::vector<double> samples;
  for (int r = 0; r < rounds; ++r) samples.push_back(bench::microsPerCall(reps, body));
  return bench::median(std::move(samples));
}

CGImageRef testImage(size_t size) {
  std::vector<uint8_t> pixels(size * size * 4);
  for (size_t y = 0; y < size; ++y) {
    for (size_t x = 0; x < size; ++x) {
      uint8_t* p = &pixels[(y * size + x) * 4];
      uint8_t a = uint8_t(155 + (x * 7 + y * 3) % 101);
      p[0] = uint8_t((x * 255 / size) * a / 255);
      p[1] = uint8_t((y * 255 / size) * a / 255);
      p[2] = uint8_t(((x + y) % 256) * a / 255);
      p[3] = a;
    }
  }
  return std::make_shared<CGImage>(size, size, std::move(pixels));
}

// Cairo's own downscale into one ARGB32 pixel; returns premultiplied R, G, B, A.
std::array<double, 4> cairoOnePixel(const CGImageRef& image) {
  uint32_t pixel = 0;
  cairo_surface_t* target = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(&pixel), CAIRO_FORMAT_ARGB32, 1, 1, 4);
  cairo_t* cr = cairo_create(target);
  cairo_scale(cr, 1.0 / image->width(), 1.0 / image->height());
  cairo_set_source_surface(cr, image->cairoSurface(), 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(target);
  return {double((pixel >> 16) & 255), double((pixel >> 8) & 255), double(pixel & 255),
          double(pixel >> 24)};
}

std::array<double, 4> exactAverage(const CGImageRef& image) {
  std::array<double, 4> sum{};
  size_t n = image->width() * image->height();
  for (size_t i = 0; i < n; ++i) {
    for (int c = 0; c < 4; ++c) sum[c] += image->pixels()[i * 4 + c];
  }
  for (auto& s : sum) s /= double(n);
  return sum;
}

// The layoutSubviews methods the plug-in hooks, with the host's and the plug-in's IMPs.
struct Hooks {
  std::vector<Method> methods;
  std::vector<IMP> host, plugin;

  void saveHost() {
    for (const char* name : {"SBIconView", "SBFolderIconView", "SBIconBadgeView"}) {
      Method m = class_getInstanceMethod(objc_getClass(name), OBJC_SEL("layoutSubviews"));
      methods.push_back(m);
      host.push_back(method_getImplementation(m));
    }
  }
  void savePlugin() {
    for (Method m : methods) plugin.push_back(method_getImplementation(m));
  }
  void use(const std::vector<IMP>& imps) {
    for (size_t k = 0; k < methods.size(); ++k) method_setImplementation(methods[k], imps[k]);
  }
};

// The floor of what the plug-in is asked to do: the same messages to the same receivers
// in the same order as its passes send them (the badge test and the radius, each reading
// the icon's badge value, then "layer" before each of the shadow setters; "superview" and
// "setHidden:" for a badge view), plain sends answered by methods that decide nothing.
// What the plug-in decided for each view is looked up in its tag. The colour is the same
// every time, or, as the floor of the random colour mode, the next of a cycle through the
// plug-in's colours: every glow hands the layer another colour, which the layer retains
// and the one before releases, as the plug-in's random glows do.
namespace sendFloor {

enum Decision : int64_t { kNoBadge = 0, kBelowThreshold = 1, kGlow = 2 };

IMP hostIcon, hostFolder, hostBadge;
std::vector<CGColorRef> cycle;
bool varyColour = false;  // the same colour every time, or the next of the cycle
std::size_t next = 0;

BOOL decided(NSObject* self, Decision atLeast) {
  NSObject* icon = objc_msgSend<NSObject*>(self, OBJC_SEL("icon"));
  NSObject* badge = objc_msgSend<NSObject*>(icon, OBJC_SEL("badgeNumberOrString"));
  return badge && static_cast<UIView*>(self)->tag() >= atLeast;
}
BOOL hasBadge(NSObject* self, SEL) {
  return decided(self, kBelowThreshold);
}
CGFloat radiusOf(NSObject* self, SEL) {
  return decided(self, kGlow) ? 12.0 : 0.0;
}

CALayer* layerOf(NSObject* view) {
  return objc_msgSend<CALayer*>(view, OBJC_SEL("layer"));
}

void glowOrClear(NSObject* self) {
  static CGColorRef color = UIColor::redColor()->CGColor();
  static CGColorRef clear = UIColor::clearColor()->CGColor();
  if (!objc_msgSend<BOOL>(self, OBJC_SEL("floorHasBadge"))) {
    layerOf(self)->setShadowColor(clear);
    layerOf(self)->setShadowRadius(0);
    layerOf(self)->setShadowOpacity(0);
    return;
  }
  CGFloat r = objc_msgSend<CGFloat>(self, OBJC_SEL("floorRadius"));
  if (r <= 4.0) return;
  if (next == cycle.size()) next = 0;
  layerOf(self)->setShadowColor(varyColour ? cycle[next++] : color);
  layerOf(self)->setShadowRadius(r);
  layerOf(self)->setShadowOpacity(1);
  layerOf(self)->setShadowOffset(CGSizeZero);
  layerOf(self)->setMasksToBounds(NO);
}

void iconLayout(NSObject* self, SEL cmd) {
  objc_callImp(hostIcon, self, cmd);
  glowOrClear(self);
}
void folderLayout(NSObject* self, SEL cmd) {
  objc_callImp(hostFolder, self, cmd);
  glowOrClear(self);
}
void badgeLayout(NSObject* self, SEL cmd) {
  objc_callImp(hostBadge, self, cmd);
  objc_msgSend<UIView*>(self, OBJC_SEL("superview"));
  objc_msgSend(self, OBJC_SEL("setHidden:"), NO);
}

// The three layoutSubviews implementations, in the order Hooks keeps them. Asks the
// plug-in's own methods what it decides for each view.
std::vector<IMP> install(const Hooks& hooks, const Strong<SBHomeScreen>& screen) {
  for (const auto& view : screen->iconViews()) {
    bool folder = view->isKindOfClass(objc_getClass("SBFolderIconView"));
    BOOL badge =
        objc_msgSend<BOOL>(view, folder ? OBJC_SEL("folderHasBadge") : OBJC_SEL("hasBadge"));
    CGFloat r = objc_msgSend<CGFloat>(
        view, folder ? OBJC_SEL("calculateFolderRadius") : OBJC_SEL("calculateRadius"));
    view->setTag(!badge ? kNoBadge : r <= 4.0 ? kBelowThreshold : kGlow);
  }
  // The plug-in's table without light grey, which it never draws at random.
  for (const auto& c :
       {UIColor::yellowColor(), UIColor::darkGrayColor(), UIColor::grayColor(), UIColor::redColor(),
        UIColor::greenColor(), UIColor::blueColor(), UIColor::cyanColor(), UIColor::magentaColor(),
        UIColor::orangeColor(), UIColor::purpleColor(), UIColor::brownColor(),
        UIColor::blackColor(), UIColor::whiteColor()})
    cycle.push_back(c->CGColor());
  hostIcon = hooks.host[0];
  hostFolder = hooks.host[1];
  hostBadge = hooks.host[2];
  class_addMethod(objc_getClass("SBIconView"), OBJC_SEL("floorHasBadge"),
                  objc::method<&hasBadge>());
  class_addMethod(objc_getClass("SBIconView"), OBJC_SEL("floorRadius"), objc::method<&radiusOf>());
  class_addMethod(objc_getClass("SBFolderIconView"), OBJC_SEL("floorHasBadge"),
                  objc::method<&hasBadge>());
  class_addMethod(objc_getClass("SBFolderIconView"), OBJC_SEL("floorRadius"),
                  objc::method<&radiusOf>());
  return {objc::imp<&iconLayout>(), objc::imp<&folderLayout>(), objc::imp<&badgeLayout>()};
}

}  // namespace sendFloor

// A set of layoutSubviews implementations to time, and whether the floor varies its colour.
struct Contender {
  std::vector<IMP> imps;
  bool varyColour = false;
};

// Microseconds per pass of each contender, one sample per round, measured in rounds that
// take every contender in turn, the first of each round changing from round to round, so
// that all of them see the same machine and none always follows the same one. Each turn
// starts with an untimed pass, which refills the method caches that the switch emptied.
std::vector<std::vector<double>> benchLayout(const Strong<SBHomeScreen>& screen, Hooks& hooks,
                                             const std::vector<Contender>& contenders) {
  std::vector<std::vector<double>> samples(contenders.size());
  for (std::size_t r = 0; r < 41; ++r) {
    for (std::size_t k = 0; k < contenders.size(); ++k) {
      std::size_t c = (r + k) % contenders.size();
      hooks.use(contenders[c].imps);
      sendFloor::varyColour = contenders[c].varyColour;
      screen->layoutPass();
      samples[c].push_back(medianMicros(1, 20, [&] { screen->layoutPass(); }));
    }
  }
  sendFloor::varyColour = false;
  return samples;
}

// The passes a profiler counts when NIMBRA_BENCH_PROFILE names a mode (bare, floor,
// floor_random, fixed, random, same_as_app): run under
// `valgrind --tool=callgrind --collect-atstart=no --toggle-collect='*profiledPasses*'`.
__attribute__((noinline)) void profiledPasses(const Strong<SBHomeScreen>& screen, int passes) {
  for (int i = 0; i < passes; ++i) screen->layoutPass();
}

// Writes the Color setting and lets the loaded plug-in hear about it.
void chooseColor(const std::string& home, int color) {
  std::filesystem::create_directories(home + "/Library/Preferences");
  auto prefs = NSDictionary::dictionaryWithObjectsAndKeys(
      {{NSSTR("Color"), NSNumber::numberWithInt(color)}});
  prefs->writeToFileAtomically(home + "/Library/Preferences/com.varenko.nimbra.plist", YES);
  CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(),
                                       NSSTR("com.varenko.nimbra/preferencechanged"), nullptr,
                                       nullptr, true);
  for (int i = 0; i < 20; ++i) CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.01, true);
}

}  // namespace

int main() {
  char home[] = "/tmp/nimbra-bench-XXXXXX";
  if (!mkdtemp(home)) return 1;
  setenv("HOME", home, 1);
  std::string error;
  auto screen = SBHomeScreen::homeScreenWithContentsOfFile(
      std::string(NIMBRA_ROOT) + "/Library/SpringBoard/home.plist", &error);
  if (!screen) {
    std::fprintf(stderr, "bench_homescreen: %s\n", error.c_str());
    return 1;
  }
  screen->layoutPass();
  Hooks hooks;
  hooks.saveHost();
  SBPluginLoadResult loaded = SBPluginLoader::loadPlugins(NIMBRA_ROOT, "", SBHostBundleIdentifier);
  if (loaded.loaded.empty()) {
    std::fprintf(stderr, "bench_homescreen: Nimbra.dylib not loaded\n");
    return 1;
  }
  hooks.savePlugin();
  screen->layoutPass();
  const std::vector<IMP> floor = sendFloor::install(hooks, screen);

  if (const char* mode = std::getenv("NIMBRA_BENCH_PROFILE")) {
    std::string m = mode;
    if (m == "random") chooseColor(home, 673);
    if (m == "same_as_app") chooseColor(home, 674);
    sendFloor::varyColour = m == "floor_random";
    hooks.use(m == "bare"                           ? hooks.host
              : m == "floor" || m == "floor_random" ? floor
                                                    : hooks.plugin);
    for (int i = 0; i < 3; ++i) screen->layoutPass();
    profiledPasses(screen, 100);
    std::filesystem::remove_all(home);
    std::printf("profiled 100 passes, mode %s\n", mode);
    return 0;
  }
  // The bare host, the plug-in and the floor of its messages, in the same rounds.
  const auto fixed = benchLayout(screen, hooks, {{hooks.host}, {hooks.plugin}, {floor}});

  // A colour drawn at random for every applied glow, against the floor that hands the
  // layer a new colour every time.
  chooseColor(home, 673);
  screen->layoutPass();
  const auto random = benchLayout(screen, hooks, {{hooks.host}, {hooks.plugin}, {floor, true}});

  // Same-as-app mode draws every badged icon's image into a pixel on every pass.
  chooseColor(home, 674);
  screen->layoutPass();
  const auto sameAsApp = benchLayout(screen, hooks, {{hooks.host}, {hooks.plugin}});

  std::vector<std::string> lines;
  char line[256];
  std::snprintf(line, sizeof line, "case=layout_pass ours=%.2f bare=%.2f unit=us",
                bench::median(fixed[1]), bench::median(fixed[0]));
  lines.push_back(line);
  std::snprintf(line, sizeof line, "case=layout_pass_send_floor ours=%.2f bare=%.2f unit=us",
                bench::median(fixed[2]), bench::median(fixed[0]));
  lines.push_back(line);
  std::snprintf(line, sizeof line, "case=layout_pass_random ours=%.2f bare=%.2f unit=us",
                bench::median(random[1]), bench::median(random[0]));
  lines.push_back(line);
  std::snprintf(line, sizeof line, "case=layout_pass_random_send_floor ours=%.2f bare=%.2f unit=us",
                bench::median(random[2]), bench::median(random[0]));
  lines.push_back(line);
  std::snprintf(line, sizeof line, "case=layout_pass_over_send_floor ours=%.3f unit=ratio",
                bench::medianRatio(fixed[1], fixed[2]));
  lines.push_back(line);
  std::snprintf(line, sizeof line, "case=layout_pass_random_over_send_floor ours=%.3f unit=ratio",
                bench::medianRatio(random[1], random[2]));
  lines.push_back(line);
  std::snprintf(line, sizeof line, "case=layout_pass_same_as_app ours=%.2f bare=%.2f unit=us",
                bench::median(sameAsApp[1]), bench::median(sameAsApp[0]));
  lines.push_back(line);

  for (size_t size : {120, 180, 1024}) {
    CGImageRef cg = testImage(size);
    Strong<UIImage> image = UIImage::imageWithCGImage(cg);
    int reps = size > 500 ? 5 : 50;
    double ours = medianMicros(11, reps, [&] { UIImageDominantColor(image); });
    double cairo = medianMicros(11, reps, [&] { cairoOnePixel(cg); });
    std::vector<uint8_t> copy(cg->pixelData().size());
    double floor = medianMicros(11, reps, [&] {
      std::memcpy(copy.data(), cg->pixels(), copy.size());
      asm volatile("" : : "r"(copy.data()) : "memory");
    });
    auto exact = exactAverage(cg);
    auto viaCairo = cairoOnePixel(cg);
    double worst = 0;
    for (int c = 0; c < 4; ++c) worst = std::max(worst, std::fabs(viaCairo[c] - exact[c]));
    std::printf(
        "dominantColor %zux%zu: cairo's pixel is off the exact average by up to %.2f "
        "of 255\n",
        size, size, worst);
    std::snprintf(line, sizeof line,
                  "case=dominant_color_%zu ours=%.2f cairo=%.2f floor=%.2f unit=us", size, ours,
                  cairo, floor);
    lines.push_back(line);
  }
  std::filesystem::remove_all(home);
  for (const auto& l : lines) std::printf("%s\n", l.c_str());
  return 0;
}
