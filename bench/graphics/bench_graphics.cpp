// The one-pixel exact average (a whole image drawn into a 1x1 bitmap context, as the
// dominant-colour code does) against Cairo drawing the same image into one pixel with its
// good filter, and against a memcpy of the same pixels (the floor). Then the cost of a
// runtime message send, the layout pass's other hot path, against a call through a
// function pointer.
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "CoreGraphics/CoreGraphics.h"
#include "Timing.h"
#include "objc/NSObject.h"

// A receiver three classes below the root, as a view is, answering selectors that its
// root class defines: sends walk the chain on every cache miss.
class BenchBase : public NSObject {
  OBJC_CLASS(BenchBase, NSObject)
};
class BenchMiddle : public BenchBase {
  OBJC_CLASS(BenchMiddle, BenchBase)
};
class BenchLeaf : public BenchMiddle {
  OBJC_CLASS(BenchLeaf, BenchMiddle)
};

namespace {

// Bytes R, G, B, A.
constexpr uint32_t kRGBA = kCGImageAlphaPremultipliedLast | kCGBitmapByteOrder32Big;

volatile uint8_t sink;
volatile long sendSink;

long answer(NSObject*, SEL, long x) {
  return x + 1;
}
// Keeps the compiler from seeing through the call, as a send cannot see through its IMP.
long (*volatile directCall)(NSObject*, SEL, long) = &answer;

// More selectors than a thread's method cache holds, so cycling through them misses.
constexpr size_t kMissSelectors = 4096;
std::vector<SEL> missSelectors;

}  // namespace

OBJC_CLASS_IMPL(BenchBase) {
  class_addMethod(cls, OBJC_SEL("answer:"), objc::method<&answer>());
  for (size_t k = 0; k < kMissSelectors; ++k) {
    SEL sel = sel_registerName("answer" + std::to_string(k) + ":");
    class_addMethod(cls, sel, objc::method<&answer>());
    missSelectors.push_back(sel);
  }
}
OBJC_CLASS_IMPL(BenchMiddle) {}
OBJC_CLASS_IMPL(BenchLeaf) {}

namespace {

// The thread's CPU time: the machine is shared, and wall time would count other processes.
struct ThreadClock {
  using duration = std::chrono::nanoseconds;
  using rep = duration::rep;
  using period = duration::period;
  using time_point = std::chrono::time_point<ThreadClock>;
  static constexpr bool is_steady = true;
  static time_point now() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return time_point(duration(rep(t.tv_sec) * 1000000000 + t.tv_nsec));
  }
};

// Medians over batches of the time per call of each of `calls`, in microseconds. The
// calls' batches alternate so that a busy machine slows them alike; `batches`, when
// given, receives every batch's time per call, in the order they ran.
std::vector<double> medianMicros(const std::vector<std::function<void()>>& calls,
                                 std::vector<std::vector<double>>* batches = nullptr) {
  using clock = ThreadClock;
  std::vector<size_t> reps(calls.size(), 1);
  for (size_t c = 0; c < calls.size(); ++c)
    for (;;) {  // batches of about 2 ms
      auto t0 = clock::now();
      for (size_t i = 0; i < reps[c]; ++i) calls[c]();
      if (clock::now() - t0 > std::chrono::milliseconds(2) || reps[c] > (1u << 20)) break;
      reps[c] *= 2;
    }
  std::vector<std::vector<double>> samples(calls.size());
  for (int b = 0; b < 41; ++b)
    for (size_t c = 0; c < calls.size(); ++c) {
      auto t0 = clock::now();
      for (size_t i = 0; i < reps[c]; ++i) calls[c]();
      samples[c].push_back(std::chrono::duration<double, std::micro>(clock::now() - t0).count() /
                           static_cast<double>(reps[c]));
    }
  if (batches) *batches = samples;
  std::vector<double> medians;
  for (auto& s : samples) {
    std::nth_element(s.begin(), s.begin() + s.size() / 2, s.end());
    medians.push_back(s[s.size() / 2]);
  }
  return medians;
}

// An icon-like image: opaque coloured areas, a soft edge and transparent corners.
std::vector<uint8_t> iconPixels(size_t n) {
  std::vector<uint8_t> rgba(n * n * 4);
  uint32_t seed = 7;
  for (size_t y = 0; y < n; ++y)
    for (size_t x = 0; x < n; ++x) {
      seed = seed * 1103515245 + 12345;
      bool corner = (x < n / 8 || x >= n - n / 8) && (y < n / 8 || y >= n - n / 8);
      uint8_t a = corner ? 0 : (x + y) % 7 == 0 ? 128 : 255;
      uint8_t* p = &rgba[(y * n + x) * 4];
      p[0] = static_cast<uint8_t>((x < n / 2 ? 230 : 40) * a / 255);
      p[1] = static_cast<uint8_t>(((seed >> 16) % 60 + 100) * a / 255);
      p[2] = static_cast<uint8_t>((y < n / 2 ? 30 : 200) * a / 255);
      p[3] = a;
    }
  return rgba;
}

}  // namespace

int main() {
  {
    // What a call costs apart from summing: a one-pixel image into one pixel.
    uint8_t one[4] = {1, 2, 3, 4}, px[4] = {0, 0, 0, 0};
    auto tiny =
        CGImageCreate(1, 1, 8, 32, 4, CGColorSpaceCreateDeviceRGB(), kRGBA,
                      CGDataProviderCreateWithData(nullptr, one, 4, nullptr), nullptr, false, 0);
    auto ctx = CGBitmapContextCreate(px, 1, 1, 8, 4, CGColorSpaceCreateDeviceRGB(), kRGBA);
    auto t = medianMicros({[&] { CGContextDrawImage(ctx, CGRectMake(0, 0, 1, 1), tiny); },
                           [&] {
                             auto c = CGBitmapContextCreate(px, 1, 1, 8, 4,
                                                            CGColorSpaceCreateDeviceRGB(), kRGBA);
                             sink = px[0];
                           }});
    double fixed = t[0], create = t[1];
    std::printf("per-call overhead: draw %.2fus, context %.2fus\n", fixed, create);
  }
  for (size_t n : {120, 180, 1024}) {
    std::vector<uint8_t> rgba = iconPixels(n);
    auto provider = CGDataProviderCreateWithData(nullptr, rgba.data(), rgba.size(), nullptr);
    auto image = CGImageCreate(n, n, 8, 32, n * 4, CGColorSpaceCreateDeviceRGB(), kRGBA, provider,
                               nullptr, false, 0);

    // The exact average, for comparison.
    uint64_t sum[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < rgba.size(); ++i) sum[i % 4] += rgba[i];
    uint64_t count = n * n;
    uint8_t exact[4];
    for (int k = 0; k < 4; ++k) exact[k] = static_cast<uint8_t>((sum[k] + count / 2) / count);

    // Ours: one 1x1 context per image, as the dominant-colour code makes one.
    uint8_t px[4];
    auto ours = [&] {
      std::memset(px, 0, 4);
      auto ctx = CGBitmapContextCreate(px, 1, 1, 8, 4, CGColorSpaceCreateDeviceRGB(), kRGBA);
      CGContextDrawImage(ctx, CGRectMake(0, 0, 1, 1), image);
      sink = px[0];
    };
    ours();
    bool oursExact = std::memcmp(px, exact, 4) == 0;
    // Ours, drawing only (the context made once).
    uint8_t px2[4] = {0, 0, 0, 0};
    auto reused = CGBitmapContextCreate(px2, 1, 1, 8, 4, CGColorSpaceCreateDeviceRGB(), kRGBA);
    CGContextSetBlendMode(reused, kCGBlendModeNormal);
    auto oursDraw = [&] {
      CGContextDrawImage(reused, CGRectMake(0, 0, 1, 1), image);
      sink = px2[0];
    };

    // Cairo: the image as its own surface (made once), painted scaled into one pixel.
    cairo_surface_t* src =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(n), static_cast<int>(n));
    cairo_surface_flush(src);
    uint8_t* sd = cairo_image_surface_get_data(src);
    size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(src));
    for (size_t y = 0; y < n; ++y)
      for (size_t x = 0; x < n; ++x) {
        const uint8_t* p = &rgba[(y * n + x) * 4];
        uint32_t v = uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        std::memcpy(sd + y * stride + x * 4, &v, 4);
      }
    cairo_surface_mark_dirty(src);
    cairo_surface_t* dst = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    auto cairoOne = [&] {
      cairo_t* cr = cairo_create(dst);
      cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
      cairo_scale(cr, 1.0 / n, 1.0 / n);
      cairo_set_source_surface(cr, src, 0, 0);
      cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
      cairo_paint(cr);
      cairo_destroy(cr);
      cairo_surface_flush(dst);
      sink = cairo_image_surface_get_data(dst)[0];
    };
    cairoOne();
    uint32_t cv;
    std::memcpy(&cv, cairo_image_surface_get_data(dst), 4);
    uint8_t cairoPx[4] = {uint8_t(cv >> 16), uint8_t(cv >> 8), uint8_t(cv), uint8_t(cv >> 24)};
    int cairoOff = 0;
    for (int k = 0; k < 4; ++k) cairoOff = std::max(cairoOff, std::abs(cairoPx[k] - exact[k]));

    // The floor: reading (and writing) the same bytes once.
    std::vector<uint8_t> copy(rgba.size());
    auto floor = [&] {
      std::memcpy(copy.data(), image->pixels(), rgba.size());
      sink = copy[rgba.size() / 2];
    };

    auto t = medianMicros({ours, oursDraw, cairoOne, floor});
    double tOurs = t[0], tDraw = t[1], tCairo = t[2], tFloor = t[3];
    std::printf(
        "n=%zu exact=(%u,%u,%u,%u) ours=(%u,%u,%u,%u)%s cairo=(%u,%u,%u,%u) cairo_off_by=%d "
        "ours_draw_only=%.2fus ratio_to_floor=%.2f\n",
        n, exact[0], exact[1], exact[2], exact[3], px[0], px[1], px[2], px[3],
        oursExact ? "" : " NOT EXACT", cairoPx[0], cairoPx[1], cairoPx[2], cairoPx[3], cairoOff,
        tDraw, tOurs / tFloor);
    std::printf("case=dominant_%zu ours=%.2f cairo=%.2f floor=%.2f unit=us\n", n, tOurs, tCairo,
                tFloor);
    cairo_surface_destroy(src);
    cairo_surface_destroy(dst);
  }
  {
    // Nanoseconds per send: the same selector again (a cache hit), and a different
    // selector each time, more of them than the cache holds (a miss: the lock, the table
    // lookups and the class chain, as the first send of a selector to a class takes).
    auto leaf = std::make_shared<BenchLeaf>();
    constexpr int kSends = 1000;
    SEL hit = OBJC_SEL("answer:");
    size_t next = 0;
    std::vector<std::vector<double>> batches;
    auto t = medianMicros({[&] {
                             long x = 0;
                             for (int k = 0; k < kSends; ++k) x = objc_msgSend<long>(leaf, hit, x);
                             sendSink = x;
                           },
                           [&] {
                             long x = 0;
                             for (int k = 0; k < kSends; ++k) {
                               SEL sel = missSelectors[next];
                               next = (next + 1) % kMissSelectors;
                               x = objc_msgSend<long>(leaf, sel, x);
                             }
                             sendSink = x;
                           },
                           [&] {
                             long x = 0;
                             for (int k = 0; k < kSends; ++k) x = directCall(leaf.get(), hit, x);
                             sendSink = x;
                           }},
                          &batches);
    double perSend = 1000.0 / kSends;  // microseconds per batch to nanoseconds per send
    std::printf("case=msg_send_cached ours=%.2f direct=%.2f unit=ns\n", t[0] * perSend,
                t[2] * perSend);
    std::printf("case=msg_send_uncached ours=%.2f direct=%.2f unit=ns\n", t[1] * perSend,
                t[2] * perSend);
    std::printf("case=msg_send_cached_over_direct ours=%.3f unit=ratio\n",
                bench::medianRatio(batches[0], batches[2]));
  }
  return 0;
}
