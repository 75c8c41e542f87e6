// Measuring a paragraph (create a framesetter, suggest its size at a width) against a
// fresh PangoLayout doing the same (set width and text, get size), and against the floor
// any engine pays: HarfBuzz shaping of the text plus one ICU line-break pass. Then hit
// testing a point on a laid-out 10-line paragraph against pango_layout_xy_to_index.
// Same font file (DejaVu Sans 15 pt, unhinted), same text, same width.
//
// "ours" measures with the shaping cache emptied before every call (a text never seen
// before); the *_warm cases show a repeated measurement of the same text. Times are the
// thread's CPU time (the machine is shared, wall time would count other processes), and
// each round runs the three contenders back to back.
//
//   bench_coretext [rounds]     (default 15; medians are printed)
#include <pango/pangocairo.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "CoreText/CoreText.h"
#include "Foundation/NSAttributedString.h"
#include "PangoPeer.h"
#include "Timing.h"

namespace {

constexpr double kSize = 15;
constexpr double kWidth = 300;

// Other seeds give other texts of the same length and kind.
std::string englishText(size_t length, unsigned seed = 12345) {
  static const char* words[] = {
      "the",      "quick",  "brown",       "fox",        "jumps",     "over",     "lazy",
      "dog",      "while",  "typesetting", "paragraphs", "of",        "ordinary", "text",
      "is",       "mostly", "a",           "matter",     "measuring", "words",    "and",
      "breaking", "lines",  "at",          "spaces,",    "then",      "placing",  "them."};
  std::string out;
  while (out.size() < length) {
    seed = seed * 1103515245u + 12345u;
    if (!out.empty()) out += ' ';
    out += words[(seed >> 16) % (sizeof(words) / sizeof(words[0]))];
  }
  out.resize(length);
  return out;
}

using bench::compare;
using bench::Floor;
using bench::median;
using bench::microsPerCall;

volatile double sink;

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  CTFontRef font =
      CTFontCreateWithName(NSString::stringWithUTF8String("DejaVuSans"), kSize, nullptr);
  auto attrs = NSMutableDictionary::dictionary();
  attrs->setObjectForKey(font, kCTFontAttributeName);
  bench::Pango pango(kSize, kWidth);
  Floor floor(CTFontCopyFilePath(font));

  struct Line {
    std::string name;
    double ours, pango, floor;
  };
  std::vector<Line> lines;
  for (size_t n : {50, 250, 2500, 25000}) {
    std::string text = englishText(n);
    auto str =
        NSAttributedString::initWithStringAttributes(NSString::stringWithUTF8String(text), attrs);
    std::u16string units = str->characters();
    int calls = std::max<int>(3, static_cast<int>(200000 / n));
    auto measure = [&] {
      auto fs = CTFramesetterCreateWithAttributedString(str);
      sink = CTFramesetterSuggestFrameSizeWithConstraints(fs, CFRangeMake(0, 0), nullptr,
                                                          CGSizeMake(kWidth, 1e5), nullptr)
                 .height;
    };
    auto pangoMeasure = [&] {
      PangoLayout* l = pango.layout(text);
      int w, h;
      pango_layout_get_size(l, &w, &h);
      sink = h;
      g_object_unref(l);
    };
    // Cold: a text never measured before, one per call of every round and the warm-up.
    std::vector<Strong<NSAttributedString>> fresh;
    for (int k = 0; k < (rounds + 1) * calls; ++k)
      fresh.push_back(NSAttributedString::initWithStringAttributes(
          NSString::stringWithUTF8String(englishText(n, 100000 + static_cast<unsigned>(k))),
          attrs));
    size_t next = 0;
    auto m = compare(
        rounds, calls,
        [&] {
          auto fs = CTFramesetterCreateWithAttributedString(fresh[next++ % fresh.size()]);
          sink = CTFramesetterSuggestFrameSizeWithConstraints(fs, CFRangeMake(0, 0), nullptr,
                                                              CGSizeMake(kWidth, 1e5), nullptr)
                     .height;
        },
        measure, pangoMeasure, [&] { sink = floor.run(units); });
    double cold = m[0], warm = m[1], p = m[2], f = m[3];
    lines.push_back({"measure_" + std::to_string(n), cold, p, f});
    lines.push_back({"measure_" + std::to_string(n) + "_warm", warm, p, f});
  }

  // Hit testing on a 10-line paragraph: which character is under a point.
  {
    std::string text = englishText(335);
    auto str =
        NSAttributedString::initWithStringAttributes(NSString::stringWithUTF8String(text), attrs);
    auto fs = CTFramesetterCreateWithAttributedString(str);
    CGSize size = CTFramesetterSuggestFrameSizeWithConstraints(fs, CFRangeMake(0, 0), nullptr,
                                                               CGSizeMake(kWidth, 1e5), nullptr);
    auto frame = CTFramesetterCreateFrame(
        fs, CFRangeMake(0, 0), CGPathCreateWithRect(CGRectMake(0, 0, kWidth, size.height), nullptr),
        nullptr);
    auto ctLines = CTFrameGetLines(frame);
    std::vector<CGPoint> origins(ctLines->count());
    CTFrameGetLineOrigins(frame, CFRangeMake(0, 0), origins.data());
    std::printf("hit-test paragraph: %zu lines\n", origins.size());
    std::vector<CGPoint> points = bench::hitTestPoints(kWidth, size.height);
    PangoLayout* layout = pango.laidOut(text);
    size_t k = 0, kp = 0;
    auto m = compare(
        rounds, 20000,
        [&] {
          CGPoint p = points[k++ % points.size()];
          double y = size.height - p.y;  // y-up, as Core Text reports origins
          for (size_t i = 0; i < origins.size(); ++i) {
            CGFloat asc, desc, lead;
            auto line = ctLines->objectAtIndexAs<CTLine>(i);
            CTLineGetTypographicBounds(line, &asc, &desc, &lead);
            if (y >= origins[i].y - desc - lead || i + 1 == origins.size()) {
              sink =
                  static_cast<double>(CTLineGetStringIndexForPosition(line, CGPointMake(p.x, 0)));
              break;
            }
          }
        },
        [&] { sink = bench::Pango::indexAt(layout, points[kp++ % points.size()]); });
    g_object_unref(layout);
    double ours = m[0], pg = m[1];
    lines.push_back({"hittest_10_lines", ours, pg, -1});
  }

  for (const Line& l : lines) {
    if (l.floor >= 0)
      std::printf("case=%s ours=%.3f pango=%.3f floor=%.3f unit=us\n", l.name.c_str(), l.ours,
                  l.pango, l.floor);
    else
      std::printf("case=%s ours=%.3f pango=%.3f unit=us\n", l.name.c_str(), l.ours, l.pango);
  }
  return 0;
}
