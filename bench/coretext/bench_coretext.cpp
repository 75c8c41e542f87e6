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
#include <hb.h>
#include <pango/pangocairo.h>
#include <unicode/ubrk.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "CoreText/CoreText.h"
#include "Foundation/NSAttributedString.h"

namespace ct {
void clearShapeCache();  // the engine's, exported for measurements like this one
}

namespace {

constexpr double kSize = 15;
constexpr double kWidth = 300;

std::string englishText(size_t length) {
  static const char* words[] = {
      "the",      "quick",  "brown",       "fox",        "jumps",     "over",     "lazy",
      "dog",      "while",  "typesetting", "paragraphs", "of",        "ordinary", "text",
      "is",       "mostly", "a",           "matter",     "measuring", "words",    "and",
      "breaking", "lines",  "at",          "spaces,",    "then",      "placing",  "them."};
  std::string out;
  unsigned seed = 12345;
  while (out.size() < length) {
    seed = seed * 1103515245u + 12345u;
    if (!out.empty()) out += ' ';
    out += words[(seed >> 16) % (sizeof(words) / sizeof(words[0]))];
  }
  out.resize(length);
  return out;
}

double cpuMicros() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

template <class Fn>
double microsPerCall(int calls, Fn&& fn) {
  double start = cpuMicros();
  for (int i = 0; i < calls; ++i) fn();
  return (cpuMicros() - start) / calls;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Medians of each contender, measured in turn within every round.
template <class... Fn>
std::vector<double> compare(int rounds, int calls, Fn&&... fns) {
  std::vector<std::vector<double>> samples(sizeof...(Fn));
  (fns(), ...);  // warm-up: fonts opened, iterators made
  for (int r = 0; r < rounds; ++r) {
    size_t i = 0;
    ((samples[i++].push_back(microsPerCall(calls, fns))), ...);
  }
  std::vector<double> out;
  for (auto& s : samples) out.push_back(median(s));
  return out;
}

struct Pango {
  PangoFontMap* map = pango_cairo_font_map_new();
  PangoContext* ctx = pango_font_map_create_context(map);
  PangoFontDescription* desc = pango_font_description_from_string("DejaVu Sans");
  Pango() {
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(ctx, o);
    cairo_font_options_destroy(o);
    pango_cairo_context_set_resolution(ctx, 72);
    pango_context_set_round_glyph_positions(ctx, FALSE);
    pango_font_description_set_absolute_size(desc, kSize * PANGO_SCALE);
  }
  PangoLayout* layout(const std::string& text) {
    PangoLayout* l = pango_layout_new(ctx);
    pango_layout_set_font_description(l, desc);
    pango_layout_set_wrap(l, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_width(l, static_cast<int>(kWidth * PANGO_SCALE));
    pango_layout_set_text(l, text.c_str(), static_cast<int>(text.size()));
    return l;
  }
};

struct Floor {
  hb_font_t* font;
  hb_buffer_t* buf = hb_buffer_create();
  UBreakIterator* bi;
  explicit Floor(const std::string& path) {
    hb_blob_t* blob = hb_blob_create_from_file(path.c_str());
    hb_face_t* face = hb_face_create(blob, 0);
    font = hb_font_create(face);
    hb_face_destroy(face);
    hb_blob_destroy(blob);
    UErrorCode e = U_ZERO_ERROR;
    bi = ubrk_open(UBRK_LINE, "en_US", nullptr, 0, &e);
  }
  int run(const std::u16string& t) {
    hb_buffer_reset(buf);
    hb_buffer_add_utf16(buf, reinterpret_cast<const uint16_t*>(t.data()),
                        static_cast<int>(t.size()), 0, -1);
    hb_buffer_guess_segment_properties(buf);
    hb_shape(font, buf, nullptr, 0);
    UErrorCode e = U_ZERO_ERROR;
    ubrk_setText(bi, reinterpret_cast<const UChar*>(t.data()), static_cast<int32_t>(t.size()), &e);
    int n = 0;
    for (int32_t b = ubrk_first(bi); b != UBRK_DONE; b = ubrk_next(bi)) ++n;
    return n + static_cast<int>(hb_buffer_get_length(buf));
  }
};

volatile double sink;

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  CTFontRef font =
      CTFontCreateWithName(NSString::stringWithUTF8String("DejaVuSans"), kSize, nullptr);
  auto attrs = NSMutableDictionary::dictionary();
  attrs->setObjectForKey(font, kCTFontAttributeName);
  Pango pango;
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
    auto m = compare(
        rounds, calls,
        [&] {
          ct::clearShapeCache();
          measure();
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
    std::vector<CGPoint> points;
    for (int i = 0; i < 64; ++i)
      points.push_back(CGPointMake((i * 37) % static_cast<int>(kWidth),
                                   (i * 13) % static_cast<int>(size.height)));
    PangoLayout* layout = pango.layout(text);
    int w, h;
    pango_layout_get_size(layout, &w, &h);
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
        [&] {
          CGPoint p = points[kp++ % points.size()];
          int index, trailing;
          pango_layout_xy_to_index(layout, static_cast<int>(p.x * PANGO_SCALE),
                                   static_cast<int>(p.y * PANGO_SCALE), &index, &trailing);
          sink = index;
        });
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
