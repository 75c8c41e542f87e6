// Line breaks against Pango on the same font file, both unhinted with unrounded
// positions: plain English paragraphs must break at the same places. Pango's word-char
// mode is the one that, like word wrapping here, breaks inside a word too long for the
// line (its plain word mode lets such a word overflow).
#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "CoreText/CoreText.h"
#include "Foundation/NSAttributedString.h"
#include "Foundation/NSNumber.h"

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

// Pango laid out as Core Text lays out: no hinting, unrounded positions, 72 dots an inch.
struct UnhintedPango {
  PangoFontMap* fm = pango_cairo_font_map_new();
  PangoContext* ctx = pango_font_map_create_context(fm);
  cairo_font_options_t* opts = cairo_font_options_create();

  UnhintedPango() {
    cairo_font_options_set_hint_style(opts, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(opts, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(ctx, opts);
    pango_cairo_context_set_resolution(ctx, 72);
    pango_context_set_round_glyph_positions(ctx, FALSE);
  }
  ~UnhintedPango() {
    cairo_font_options_destroy(opts);
    g_object_unref(ctx);
    g_object_unref(fm);
  }
  UnhintedPango(const UnhintedPango&) = delete;
  UnhintedPango& operator=(const UnhintedPango&) = delete;
};

TEST(PangoComparison, LineBreaksMatch) {
  UnhintedPango pango;
  PangoContext* ctx = pango.ctx;
  int compared = 0;
  for (const char* p : kParagraphs) {
    for (double w : kWidths) {
      EXPECT_EQ(ourStarts(p, w), pangoStarts(ctx, p, w)) << "width " << w << ": " << p;
      ++compared;
    }
  }
  EXPECT_EQ(compared, 30);
}

// ---- Fidelity: line breaks and every glyph's place, against Pango on the same fonts.

enum class Face { Regular, Bold, Italic };

// A run of a paragraph: its text, face and extra spacing after each character.
struct Span {
  const char* text;
  Face face = Face::Regular;
  double tracking = 0;
};

struct FidelityCase {
  const char* name;
  const char* family;  // fontconfig family; our font is created from the same name
  std::vector<Span> spans;
  double lineSpacing = 0;
  // A known difference: how much further a glyph may lie, and why.
  double allowance = 0;
  const char* why = nullptr;
};

const char* postScriptFor(const char* family, Face face) {
  std::string f = family;
  if (f == "DejaVu Sans")
    return face == Face::Bold     ? "DejaVuSans-Bold"
           : face == Face::Italic ? "DejaVuSans-Oblique"
                                  : "DejaVuSans";
  return family;
}

const std::vector<FidelityCase>& fidelityCases() {
  static const std::vector<FidelityCase> cases = {
      {"plain",
       "DejaVu Sans",
       {{"Badges glow in the colour you choose, and the settings pane keeps a list of the apps "
         "whose badges stay hidden."}}},
      {"bold and italic runs",
       "DejaVu Sans",
       {{"Thanks to "},
        {"everyone", Face::Bold},
        {" who tested the "},
        {"early builds", Face::Italic},
        {" and reported what broke."}}},
      {"kerning pairs", "DejaVu Sans", {{"AVATAR Wave To Ty LT Yo P. F, VA AW Te"}}},
      {"tracked run",
       "DejaVu Sans",
       {{"Spacing "}, {"TRACKED OUT", Face::Regular, 1.5}, {" then plain again, to the end."}},
       0,
       // Core Text adds a kern after each character; Pango's letter spacing puts half
       // before and half after each grapheme and none at the run's ends, and it ends a
       // shaping item there, which drops the kerning pair across the run's edge.
       1.0,
       "letter spacing: split around each grapheme by Pango, after it by Core Text"},
      {"line spacing",
       "DejaVu Sans",
       {{"Every line of this paragraph sits four points further from the next than the font "
         "alone would put it."}},
       4},
      {"Cyrillic and Greek",
       "DejaVu Sans",
       {{"\xD0\xA1\xD0\xBF\xD0\xB0\xD1\x81\xD0\xB8\xD0\xB1\xD0\xBE \xD0\xB7\xD0\xB0 "
         "\xD0\xB8\xD0\xBA\xD0\xBE\xD0\xBD\xD0\xBA\xD1\x83 \xCE\x95\xCF\x85\xCF\x87\xCE\xB1"
         "\xCF\x81\xCE\xB9\xCF\x83\xCF\x84\xCF\x8E \xCF\x80\xCE\xBF\xCE\xBB\xCF\x8D"}}},
      {"Hebrew",
       "Noto Sans Hebrew",
       {{"\xD7\xAA\xD7\x95\xD7\x93\xD7\x94 \xD7\x9C\xD7\x9E\xD7\xA2\xD7\xA6\xD7\x91 "
         "\xD7\x94\xD7\xA1\xD7\x9E\xD7\x9C \xD7\x95\xD7\x9C\xD7\x9B\xD7\x9C "
         "\xD7\x94\xD7\x91\xD7\x95\xD7\x93\xD7\xA7\xD7\x99\xD7\x9D"}}},
      {"Arabic",
       "Noto Sans Arabic",
       {{"\xD8\xB4\xD9\x83\xD8\xB1\xD8\xA7 \xD9\x84\xD9\x84\xD9\x85\xD8\xB5\xD9\x85\xD9\x85 "
         "\xD8\xB9\xD9\x84\xD9\x89 \xD8\xA7\xD9\x84\xD8\xA3\xD9\x8A\xD9\x82\xD9\x88\xD9\x86"
         "\xD8\xA9 \xD9\x88\xD9\x84\xD9\x84\xD8\xAC\xD9\x85\xD9\x8A\xD8\xB9"}}},
      {"Devanagari",
       "Noto Sans Devanagari",
       {{"\xE0\xA4\xB9\xE0\xA4\xBF\xE0\xA4\xA8\xE0\xA5\x8D\xE0\xA4\xA6\xE0\xA5\x80 "
         "\xE0\xA4\x95\xE0\xA5\x8D\xE0\xA4\xB7\xE0\xA4\xA4\xE0\xA5\x8D\xE0\xA4\xB0\xE0\xA4"
         "\xBF\xE0\xA4\xAF \xE0\xA4\xB5\xE0\xA4\xBF\xE0\xA4\xA6\xE0\xA5\x8D\xE0\xA4\xAF"
         "\xE0\xA4\xBE\xE0\xA4\xB2\xE0\xA4\xAF"}}},
      {"CJK",
       "Noto Sans CJK JP",
       {{"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x86\xE3\x82\xAD\xE3\x82"
         "\xB9\xE3\x83\x88\xE3\x82\x92\xE6\x8A\x98\xE3\x82\x8A\xE8\xBF\x94\xE3\x81\x99\xE3"
         "\x80\x82\xE5\x90\x84\xE8\xA1\x8C\xE3\x81\xAE\xE5\xB9\x85\xE3\x81\x8C\xE5\xA4\x89"
         "\xE3\x82\x8F\xE3\x82\x8B\xE3\x80\x82"}}},
  };
  return cases;
}

const double kFidelityWidths[] = {40, 97.5, 180, 333.3, 600};
constexpr double kFidelitySize = 14;
constexpr double kTolerance = 0.5;

// A glyph placed in the paragraph: its line, id and origin from the top left.
struct PlacedGlyph {
  size_t line;
  unsigned glyph;
  int character;  // UTF-16 offset of its cluster
  double x, y;
};

struct Layout {
  std::vector<int> starts;  // UTF-16 offsets of the lines
  std::vector<PlacedGlyph> glyphs;
};

std::string joined(const FidelityCase& c) {
  std::string s;
  for (const Span& span : c.spans) s += span.text;
  return s;
}

// UTF-16 offset of every UTF-8 byte offset (and of the end).
std::vector<int> utf16Offsets(const std::string& s) {
  std::vector<int> out(s.size() + 1, 0);
  int u = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    out[i] = u;
    auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) u += b >= 0xF0 ? 2 : 1;
  }
  out[s.size()] = u;
  return out;
}

Layout ours(const FidelityCase& c, double width) {
  auto text = NSMutableAttributedString::initWithString(NSString::stringWithUTF8String(""));
  for (const Span& span : c.spans) {
    auto attrs = NSMutableDictionary::dictionary();
    attrs->setObjectForKey(
        CTFontCreateWithName(NSString::stringWithUTF8String(postScriptFor(c.family, span.face)),
                             kFidelitySize, nullptr),
        kCTFontAttributeName);
    if (span.tracking != 0)
      attrs->setObjectForKey(NSNumber::numberWithDouble(span.tracking), kCTKernAttributeName);
    if (c.lineSpacing != 0) {
      CGFloat spacing = c.lineSpacing;
      CTParagraphStyleSetting setting{kCTParagraphStyleSpecifierLineSpacingAdjustment,
                                      sizeof(spacing), &spacing};
      attrs->setObjectForKey(CTParagraphStyleCreate(&setting, 1), kCTParagraphStyleAttributeName);
    }
    text->appendAttributedString(NSAttributedString::initWithStringAttributes(
        NSString::stringWithUTF8String(span.text), attrs));
  }
  constexpr double kHeight = 1e5;
  auto frame = CTFramesetterCreateFrame(
      CTFramesetterCreateWithAttributedString(text), CFRangeMake(0, 0),
      CGPathCreateWithRect(CGRectMake(0, 0, width, kHeight), nullptr), nullptr);
  Layout out;
  auto lines = CTFrameGetLines(frame);
  std::vector<CGPoint> origins(lines->count());
  CTFrameGetLineOrigins(frame, CFRangeMake(0, 0), origins.data());
  for (NSUInteger i = 0; i < lines->count(); ++i) {
    CTLineRef line = lines->objectAtIndexAs<CTLine>(i);
    out.starts.push_back(static_cast<int>(CTLineGetStringRange(line).location));
    for (const id& item : CTLineGetGlyphRuns(line)->objects()) {
      auto run = std::static_pointer_cast<CTRun>(item);
      size_t n = static_cast<size_t>(CTRunGetGlyphCount(run));
      std::vector<CGGlyph> g(n);
      std::vector<CGPoint> p(n);
      std::vector<CFIndex> at(n);
      CTRunGetGlyphs(run, CFRangeMake(0, 0), g.data());
      CTRunGetPositions(run, CFRangeMake(0, 0), p.data());
      CTRunGetStringIndices(run, CFRangeMake(0, 0), at.data());
      for (size_t k = 0; k < n; ++k)
        out.glyphs.push_back({i, g[k], static_cast<int>(at[k]), origins[i].x + p[k].x,
                              kHeight - origins[i].y - p[k].y});
    }
  }
  return out;
}

Layout pangos(PangoContext* ctx, const FidelityCase& c, double width) {
  std::string s = joined(c);
  PangoLayout* layout = pango_layout_new(ctx);
  PangoFontDescription* desc = pango_font_description_from_string(c.family);
  pango_font_description_set_absolute_size(desc, kFidelitySize * PANGO_SCALE);
  pango_layout_set_font_description(layout, desc);
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
  pango_layout_set_spacing(layout, static_cast<int>(c.lineSpacing * PANGO_SCALE));
  // (Left alignment with the direction found from the text: right-to-left paragraphs
  // flush right, as a frame's natural alignment sets them.)
  PangoAttrList* list = pango_attr_list_new();
  // A word broken for want of room gets no hyphen here, as in a frame.
  pango_attr_list_insert(list, pango_attr_insert_hyphens_new(FALSE));
  unsigned at = 0;
  for (const Span& span : c.spans) {
    unsigned end = at + static_cast<unsigned>(std::string(span.text).size());
    auto add = [&](PangoAttribute* a) {
      a->start_index = at, a->end_index = end;
      pango_attr_list_insert(list, a);
    };
    if (span.face == Face::Bold) add(pango_attr_weight_new(PANGO_WEIGHT_BOLD));
    if (span.face == Face::Italic) add(pango_attr_style_new(PANGO_STYLE_OBLIQUE));
    if (span.tracking != 0)
      add(pango_attr_letter_spacing_new(static_cast<int>(span.tracking * PANGO_SCALE)));
    at = end;
  }
  pango_layout_set_attributes(layout, list);
  pango_layout_set_text(layout, s.c_str(), -1);
  std::vector<int> u16 = utf16Offsets(s);
  Layout out;
  PangoLayoutIter* it = pango_layout_get_iter(layout);
  size_t line = 0;
  do {
    PangoLayoutLine* l = pango_layout_iter_get_line_readonly(it);
    out.starts.push_back(u16[static_cast<size_t>(l->start_index)]);
    double baseline = pango_layout_iter_get_baseline(it) / double(PANGO_SCALE);
    PangoRectangle lineRect;
    pango_layout_iter_get_line_extents(it, nullptr, &lineRect);
    double x = lineRect.x / double(PANGO_SCALE);
    for (GSList* r = l->runs; r; r = r->next) {
      auto* run = static_cast<PangoGlyphItem*>(r->data);
      for (int k = 0; k < run->glyphs->num_glyphs; ++k) {
        const PangoGlyphInfo& g = run->glyphs->glyphs[k];
        int character = u16[static_cast<size_t>(run->item->offset + run->glyphs->log_clusters[k])];
        if (g.glyph != PANGO_GLYPH_EMPTY)
          out.glyphs.push_back({line, g.glyph, character,
                                x + g.geometry.x_offset / double(PANGO_SCALE),
                                baseline + g.geometry.y_offset / double(PANGO_SCALE)});
        x += g.geometry.width / double(PANGO_SCALE);
      }
    }
    ++line;
  } while (pango_layout_iter_next_line(it));
  pango_layout_iter_free(it);
  pango_attr_list_unref(list);
  pango_font_description_free(desc);
  g_object_unref(layout);
  return out;
}

// Whitespace is left out on both sides: Pango draws no glyph for a space that ends a
// line, we keep one; neither draws ink there.
std::vector<PlacedGlyph> inked(const std::vector<PlacedGlyph>& glyphs, const std::string& text) {
  std::vector<int> u16 = utf16Offsets(text);
  std::vector<bool> space(static_cast<size_t>(u16.back()) + 1, false);
  for (size_t b = 0; b < text.size(); ++b)
    if (text[b] == ' ') space[static_cast<size_t>(u16[b])] = true;
  std::vector<PlacedGlyph> out;
  for (const PlacedGlyph& g : glyphs)
    if (!space[static_cast<size_t>(g.character)]) out.push_back(g);
  return out;
}

TEST(PangoComparison, LineBreaksAndGlyphPositionsMatchAcrossStylesAndScripts) {
  UnhintedPango pango;
  PangoContext* ctx = pango.ctx;
  double worst = 0, worstExplained = 0;
  std::string worstCase, worstExplainedCase;
  for (const FidelityCase& c : fidelityCases()) {
    for (double w : kFidelityWidths) {
      Layout a = ours(c, w), b = pangos(ctx, c, w);
      std::string where = std::string(c.name) + " at width " + std::to_string(w);
      EXPECT_EQ(a.starts, b.starts) << where;
      if (a.starts != b.starts) continue;
      std::string text = joined(c);
      std::vector<PlacedGlyph> ga = inked(a.glyphs, text), gb = inked(b.glyphs, text);
      ASSERT_EQ(ga.size(), gb.size()) << where;
      for (size_t k = 0; k < ga.size(); ++k) {
        EXPECT_EQ(ga[k].glyph, gb[k].glyph) << where << " glyph " << k;
        double d = std::max(std::fabs(ga[k].x - gb[k].x), std::fabs(ga[k].y - gb[k].y));
        EXPECT_LE(d, kTolerance + c.allowance)
            << where << " glyph " << k << " (" << ga[k].x << ", " << ga[k].y << ") against ("
            << gb[k].x << ", " << gb[k].y << ")";
        if (c.why && d > worstExplained) worstExplained = d, worstExplainedCase = where;
        if (!c.why && d > worst) worst = d, worstCase = where;
      }
    }
  }
  std::printf("worst glyph distance %.3f pt: %s\n", worst, worstCase.c_str());
  std::printf("worst explained distance %.3f pt: %s\n", worstExplained, worstExplainedCase.c_str());
}

}  // namespace
