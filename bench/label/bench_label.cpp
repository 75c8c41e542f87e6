// The rich text label against Pango, same font file (DejaVu Sans 15 pt, unhinted), same
// text, same width, same ARGB surface:
//
//   size_that_fits_235    sizeThatFits: of a fresh text (framesetter rebuilt) against
//                         pango_layout_get_pixel_size of a fresh layout; the floor is
//                         HarfBuzz shaping plus one ICU line-break pass of the text
//   size_that_fits_235_cold  the same with the shaping cache emptied before each call
//   text_to_pixels        setText: then drawTextInRect: against a fresh layout shown with
//                         pango_cairo_show_layout into the same surface
//   redraw                drawTextInRect: of unchanged text against showing a kept layout
//   hit_test_10_lines     characterIndexAtPoint: against pango_layout_xy_to_index
//   set_text_detection    setText: with all five detection kinds on ("ours") against
//                         detection off ("peer"); main-thread time only, the scan runs on
//                         the global queue
//   uilabel_measure       the platform's UILabel: sizeThatFits: of unchanged text, again
//                         and again, against pango_layout_get_pixel_size of a kept layout
//   uilabel_draw_highlighted  drawTextInRect: of an unchanged highlighted UILabel against
//                         showing a kept layout in the highlight colour
//   uilabel_draw_shrunk   drawTextInRect: of an unchanged one-line UILabel that shrinks its
//                         font to fit, against showing a kept layout of the shrunk size
//
// Times are the calling thread's CPU time (the machine is shared), medians of rounds in
// which the contenders run back to back.
//
//   bench_label [rounds]     (default 15)
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "CoreText/CoreText.h"
#include "PangoPeer.h"
#include "TTTAttributedLabel.h"
#include "Timing.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UILabel.h"
#include "dispatch/CFRunLoop.h"

namespace {

constexpr double kSize = 15;
constexpr double kWidth = 300;

// 235 characters of ordinary English.
const char* kParagraph =
    "Nimbra makes every badged icon on the home screen glow in the colour you choose, "
    "and its settings pane thanks the designer of the icon in a row whose handle is a "
    "link; this paragraph is long enough to wrap across many lines of a label.";

// The paragraph twice, cut at a word to fill exactly ten lines at the width.
std::string tenLines(const Strong<UIFont>& font) {
  std::string text = std::string(kParagraph) + " " + kParagraph;
  auto attrs = NSDictionary::dictionaryWithObjectsAndKeys({{kCTFontAttributeName, font}});
  for (;;) {
    auto fs = CTFramesetterCreateWithAttributedString(
        NSAttributedString::initWithStringAttributes(NSString::stringWithUTF8String(text), attrs));
    auto frame = CTFramesetterCreateFrame(
        fs, CFRangeMake(0, 0), CGPathCreateWithRect(CGRectMake(0, 0, kWidth, 1e5), nullptr),
        nullptr);
    size_t space = text.rfind(' ');
    if (CTFrameGetLines(frame)->count() <= 10 || space == std::string::npos) return text;
    text.resize(space);
  }
}

// With NIMBRA_BENCH_PROFILE set, the drawing cases also run 100 passes of each contender
// in these two functions: under `valgrind --tool=callgrind`, the inclusive costs of
// profiledOurs<N> and profiledPeer<N> are the case's two sides, N its number (1 redraw,
// 2 highlighted, 3 shrunk).
template <int Case, class F>
[[gnu::noinline]] void profiledOurs(F& body) {
  for (int i = 0; i < 100; ++i) body();
}
template <int Case, class F>
[[gnu::noinline]] void profiledPeer(F& body) {
  for (int i = 0; i < 100; ++i) body();
}
template <int Case, class A, class B>
void profile(A& ours, B& peer) {
  if (!std::getenv("NIMBRA_BENCH_PROFILE")) return;
  profiledOurs<Case>(ours);
  profiledPeer<Case>(peer);
}

// A drawing case: the label drawn into `rect` of the current context against `layout`
// shown at the same place in `colour` (or the source already set), each after clearing
// the rectangle.
template <int Case, class Label>
std::vector<double> drawCase(int rounds, const Label& label, CGRect rect, PangoLayout* layout,
                             const double* colour = nullptr) {
  CGContextRef context = UIGraphicsGetCurrentContext();
  cairo_t* cr = CGContextGetCairo(context);
  auto ours = [&] {
    CGContextClearRect(context, rect);
    label->drawTextInRect(rect);
  };
  auto peer = [&] {
    CGContextClearRect(context, rect);
    if (colour) cairo_set_source_rgb(cr, colour[0], colour[1], colour[2]);
    cairo_move_to(cr, 0, 0);
    pango_cairo_show_layout(cr, layout);
  };
  auto m = compare(rounds, 500, ours, peer);
  profile<Case>(ours, peer);
  return m;
}

using bench::compare;
using bench::Floor;
using bench::median;
using bench::microsPerCall;

volatile double sink;

struct Line {
  std::string name;
  double ours, peer, floor;
  const char* peerName;
};

Strong<TTTAttributedLabel> makeLabel(CGFloat height) {
  auto label = TTTAttributedLabel::initWithFrame(CGRectMake(0, 0, kWidth, height));
  label->setFont(UIFont::fontWithNameSize(NSString::stringWithUTF8String("DejaVuSans"), kSize));
  label->setNumberOfLines(0);
  label->setVerticalAlignment(TTTAttributedLabelVerticalAlignmentTop);
  return label;
}

// Two texts of the same length that differ, so that setting one after the other is
// always a change of text.
std::pair<Strong<NSString>, Strong<NSString>> alternating(const std::string& text) {
  std::string other = text;
  other.back() = other.back() == '.' ? '!' : '.';
  return {NSString::stringWithUTF8String(text), NSString::stringWithUTF8String(other)};
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  bench::Pango pango(kSize, kWidth);
  std::vector<Line> lines;

  // Measuring a fresh paragraph.
  {
    auto label = makeLabel(200);
    label->setText(NSString::stringWithUTF8String(kParagraph));
    Floor floor(CTFontCopyFilePath(label->font()));
    std::u16string units = label->attributedText()->characters();
    std::printf("paragraph: %zu characters\n", units.size());
    auto ours = [&] {
      label->setNeedsFramesetter();
      sink = label->sizeThatFits(CGSizeMake(kWidth, 1e5)).height;
    };
    std::string text = kParagraph;
    // Cold: a paragraph never measured before, one per call of every round and the warm-up,
    // each the same paragraph with its first four letters spelling the call's number.
    std::vector<Strong<NSString>> fresh;
    for (int k = 0; k < (rounds + 1) * 2000; ++k) {
      std::string variant = text;
      for (int i = 0, v = k; i < 4; ++i, v /= 26) variant[i] = static_cast<char>('a' + v % 26);
      fresh.push_back(NSString::stringWithUTF8String(variant));
    }
    size_t next = 0;
    auto m = compare(
        rounds, 2000,
        [&] {
          label->setText(fresh[next++ % fresh.size()]);
          sink = label->sizeThatFits(CGSizeMake(kWidth, 1e5)).height;
        },
        ours,
        [&] {
          PangoLayout* l = pango.layout(text);
          int w, h;
          pango_layout_get_pixel_size(l, &w, &h);
          sink = h;
          g_object_unref(l);
        },
        [&] { sink = floor.run(units); });
    lines.push_back({"size_that_fits_235", m[1], m[2], m[3], "pango"});
    lines.push_back({"size_that_fits_235_cold", m[0], m[2], m[3], "pango"});
  }

  // From text to pixels, and redrawing, into one ARGB surface.
  {
    auto probe = makeLabel(1000);
    probe->setText(NSString::stringWithUTF8String(kParagraph));
    CGFloat height = std::ceil(probe->sizeThatFits(CGSizeMake(kWidth, 1e5)).height);
    auto label = makeLabel(height);
    CGContextRef context =
        CGContextCreateFlipped(static_cast<size_t>(kWidth), static_cast<size_t>(height), 1);
    cairo_t* cr = CGContextGetCairo(context);
    CGRect bounds = label->bounds();
    auto [textA, textB] = alternating(kParagraph);
    std::string plainA = kParagraph, plainB = textB->stdString();
    bool flip = false, flipPango = false;
    UIGraphicsPushContext(context);
    auto m = compare(
        rounds, 500,
        [&] {
          CGContextClearRect(context, bounds);
          label->setText((flip = !flip) ? textA : textB);
          label->drawTextInRect(bounds);
        },
        [&] {
          CGContextClearRect(context, bounds);
          PangoLayout* l = pango.layout((flipPango = !flipPango) ? plainA : plainB);
          cairo_move_to(cr, 0, 0);
          pango_cairo_show_layout(cr, l);
          g_object_unref(l);
        });
    lines.push_back({"text_to_pixels", m[0], m[1], -1, "pango"});

    label->setText(textA);
    PangoLayout* kept = pango.layout(plainA);
    auto r = drawCase<1>(rounds, label, bounds, kept);
    g_object_unref(kept);
    UIGraphicsPopContext();
    lines.push_back({"redraw", r[0], r[1], -1, "pango"});
  }

  // Which character is under a point of a ten-line text.
  {
    auto probe = makeLabel(1000);
    std::string text = tenLines(probe->font());
    probe->setText(NSString::stringWithUTF8String(text));
    CGFloat height = std::ceil(probe->sizeThatFits(CGSizeMake(kWidth, 1e5)).height);
    auto label = makeLabel(height);
    label->setText(NSString::stringWithUTF8String(text));
    CTFrameRef frame = CTFramesetterCreateFrame(
        label->framesetter(), CFRangeMake(0, 0),
        CGPathCreateWithRect(CGRectMake(0, 0, kWidth, height), nullptr), nullptr);
    std::printf("hit-test text: %zu lines\n", CTFrameGetLines(frame)->count());
    std::vector<CGPoint> points = bench::hitTestPoints(kWidth, height);
    PangoLayout* layout = pango.laidOut(text);
    size_t k = 0, kp = 0;
    auto m = compare(
        rounds, 20000,
        [&] { sink = static_cast<double>(label->characterIndexAtPoint(points[k++ % 64])); },
        [&] { sink = bench::Pango::indexAt(layout, points[kp++ % 64]); });
    g_object_unref(layout);
    lines.push_back({"hit_test_10_lines", m[0], m[1], -1, "pango"});
  }

  // setText with detection on and off, on the main thread.
  {
    std::string text = std::string(kParagraph) +
                       " Call +1 415 555 0100 or see www.example.com next Tuesday at 5pm.";
    auto [textA, textB] = alternating(text);
    auto on = makeLabel(200), off = makeLabel(200);
    on->setEnabledTextCheckingTypes(NSTextCheckingAllDetectorTypes);
    bool flipOn = false, flipOff = false;
    auto drain = [] {
      for (int i = 0; i < 5; ++i) CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false);
    };
    std::vector<double> withScan, without;
    for (int r = 0; r < rounds; ++r) {
      withScan.push_back(
          microsPerCall(200, [&] { on->setText((flipOn = !flipOn) ? textA : textB); }));
      without.push_back(
          microsPerCall(200, [&] { off->setText((flipOff = !flipOff) ? textA : textB); }));
      drain();  // detected links come back between rounds, off the clock
    }
    lines.push_back({"set_text_detection", median(withScan), median(without), -1, "off"});
    for (int i = 0; i < 100; ++i) CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.01, false);
  }

  // The platform label's own measuring and drawing, with nothing changed between calls.
  {
    auto font = UIFont::fontWithNameSize(NSString::stringWithUTF8String("DejaVuSans"), kSize);
    auto label = std::make_shared<UILabel>(CGRectMake(0, 0, kWidth, 200));
    label->setFont(font);
    label->setNumberOfLines(0);
    label->setText(NSString::stringWithUTF8String(kParagraph));
    PangoLayout* kept = pango.layout(kParagraph);
    auto m = compare(
        rounds, 2000, [&] { sink = label->sizeThatFits(CGSizeMake(kWidth, 1e5)).height; },
        [&] {
          int w, h;
          pango_layout_get_pixel_size(kept, &w, &h);
          sink = h;
        });
    lines.push_back({"uilabel_measure", m[0], m[1], -1, "pango"});

    CGRect bounds = label->bounds();
    CGContextRef context = CGContextCreateFlipped(static_cast<size_t>(kWidth), 200, 1);
    UIGraphicsPushContext(context);
    label->setHighlightedTextColor(UIColor::redColor());
    label->setHighlighted(true);
    const double red[] = {1, 0, 0};
    auto h = drawCase<2>(rounds, label, bounds, kept, red);
    lines.push_back({"uilabel_draw_highlighted", h[0], h[1], -1, "pango"});

    // One line that needs about two thirds of its font size to fit.
    auto shrinking = std::make_shared<UILabel>(CGRectMake(0, 0, kWidth, 40));
    shrinking->setFont(font);
    shrinking->setAdjustsFontSizeToFitWidth(true);
    shrinking->setMinimumScaleFactor(0.3);
    std::string sentence(kParagraph, 80);
    shrinking->setText(NSString::stringWithUTF8String(sentence));
    PangoLayout* small = pango.layout(sentence);
    PangoFontDescription* desc = pango_font_description_copy(pango.desc);
    pango_font_description_set_absolute_size(desc, kSize * 0.65 * PANGO_SCALE);
    pango_layout_set_font_description(small, desc);
    pango_layout_set_width(small, -1);
    CGRect line = shrinking->bounds();
    auto s = drawCase<3>(rounds, shrinking, line, small);
    pango_font_description_free(desc);
    g_object_unref(small);
    g_object_unref(kept);
    UIGraphicsPopContext();
    lines.push_back({"uilabel_draw_shrunk", s[0], s[1], -1, "pango"});
  }

  for (const Line& l : lines) {
    if (l.floor >= 0)
      std::printf("case=%s ours=%.3f %s=%.3f floor=%.3f unit=us\n", l.name.c_str(), l.ours,
                  l.peerName, l.peer, l.floor);
    else
      std::printf("case=%s ours=%.3f %s=%.3f unit=us\n", l.name.c_str(), l.ours, l.peerName,
                  l.peer);
  }
  return 0;
}
