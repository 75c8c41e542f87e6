// Line breaks against Pango on the same font file, both unhinted with unrounded
// positions: plain English paragraphs must break at the same places. Pango's word-char
// mode is the one that, like word wrapping here, breaks inside a word too long for the
// line (its plain word mode lets such a word overflow).
#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <string>
#include <vector>

#include "CoreText/CoreText.h"
#include "Foundation/NSAttributedString.h"

namespace {

const char* const kParagraphs[] = {
    "The quick brown fox jumps over the lazy dog while the cat watches from the fence, "
    "unimpressed by the whole affair.",
    "Typesetting is the composition of text by means of arranging physical type or its "
    "digital equivalents. Stored letters and other symbols are retrieved and ordered "
    "according to a language's orthography for visual display.",
    "It was the best of times, it was the worst of times, it was the age of wisdom, it "
    "was the age of foolishness, it was the epoch of belief, it was the epoch of "
    "incredulity, it was the season of Light, it was the season of Darkness.",
    "Short words: a an in on at to by of is it be we he so do go no up us me my.",
    "Numbers 1,234.56 and hyphenated-words like state-of-the-art or well-known "
    "ideas (in parentheses) and \"quotes\" should break the same way; really!",
};
const double kWidths[] = {97.3, 150, 203.7, 260.25, 333.3, 480};
constexpr double kSize = 15;

std::vector<int> pangoStarts(PangoContext* ctx, const char* text, double width) {
  PangoLayout* layout = pango_layout_new(ctx);
  PangoFontDescription* desc = pango_font_description_from_string("DejaVu Sans");
  pango_font_description_set_absolute_size(desc, kSize * PANGO_SCALE);
  pango_layout_set_font_description(layout, desc);
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
  pango_layout_set_text(layout, text, -1);
  std::vector<int> starts;
  for (GSList* l = pango_layout_get_lines_readonly(layout); l; l = l->next)
    starts.push_back(static_cast<PangoLayoutLine*>(l->data)->start_index);  // ASCII: bytes = units
  pango_font_description_free(desc);
  g_object_unref(layout);
  return starts;
}

std::vector<int> ourStarts(const char* text, double width) {
  auto attrs = NSMutableDictionary::dictionary();
  attrs->setObjectForKey(
      CTFontCreateWithName(NSString::stringWithUTF8String("DejaVuSans"), kSize, nullptr),
      kCTFontAttributeName);
  auto s =
      NSAttributedString::initWithStringAttributes(NSString::stringWithUTF8String(text), attrs);
  auto frame = CTFramesetterCreateFrame(
      CTFramesetterCreateWithAttributedString(s), CFRangeMake(0, 0),
      CGPathCreateWithRect(CGRectMake(0, 0, width, 1e5), nullptr), nullptr);
  std::vector<int> starts;
  auto lines = CTFrameGetLines(frame);
  for (NSUInteger i = 0; i < lines->count(); ++i)
    starts.push_back(
        static_cast<int>(CTLineGetStringRange(lines->objectAtIndexAs<CTLine>(i)).location));
  return starts;
}

TEST(PangoComparison, LineBreaksMatch) {
  PangoFontMap* fm = pango_cairo_font_map_new();
  PangoContext* ctx = pango_font_map_create_context(fm);
  cairo_font_options_t* opts = cairo_font_options_create();
  cairo_font_options_set_hint_style(opts, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(opts, CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(ctx, opts);
  pango_cairo_context_set_resolution(ctx, 72);
  pango_context_set_round_glyph_positions(ctx, FALSE);
  int compared = 0;
  for (const char* p : kParagraphs) {
    for (double w : kWidths) {
      EXPECT_EQ(ourStarts(p, w), pangoStarts(ctx, p, w)) << "width " << w << ": " << p;
      ++compared;
    }
  }
  EXPECT_EQ(compared, 30);
  cairo_font_options_destroy(opts);
  g_object_unref(ctx);
  g_object_unref(fm);
}

}  // namespace
