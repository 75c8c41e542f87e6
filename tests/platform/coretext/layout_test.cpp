#include <gtest/gtest.h>
#include <hb-ot.h>
#include <hb.h>

#include <cfloat>
#include <string>
#include <thread>
#include <vector>

#include "CoreText/CoreText.h"
#include "Foundation/NSAttributedString.h"
#include "Foundation/NSNumber.h"

namespace {

Strong<NSString> S(const char* s) {
  return NSString::stringWithUTF8String(s);
}

CTFontRef dejavu(CGFloat size) {
  CTFontRef f = CTFontCreateWithName(S("DejaVuSans"), size, nullptr);
  EXPECT_NE(CTFontCopyFilePath(f).find("DejaVuSans.ttf"), std::string::npos);
  return f;
}

Strong<NSMutableDictionary> attrs(CGFloat size = 20) {
  auto d = NSMutableDictionary::dictionary();
  d->setObjectForKey(dejavu(size), kCTFontAttributeName);
  return d;
}

Strong<NSAttributedString> text(const char* s, const Strong<NSDictionary>& a = attrs()) {
  return NSAttributedString::initWithStringAttributes(S(s), a);
}

CTLineRef lineOf(const char* s, const Strong<NSDictionary>& a = attrs()) {
  return CTLineCreateWithAttributedString(text(s, a));
}

double widthOf(const char* s, const Strong<NSDictionary>& a = attrs()) {
  return CTLineGetTypographicBounds(lineOf(s, a), nullptr, nullptr, nullptr);
}

CTFrameRef frameOf(const Strong<NSAttributedString>& s, CGFloat w, CGFloat h) {
  auto fs = CTFramesetterCreateWithAttributedString(s);
  return CTFramesetterCreateFrame(fs, CFRangeMake(0, 0),
                                  CGPathCreateWithRect(CGRectMake(0, 0, w, h), nullptr), nullptr);
}

std::vector<std::string> lineTexts(const Strong<NSAttributedString>& s, const CTFrameRef& f) {
  std::vector<std::string> out;
  auto lines = CTFrameGetLines(f);
  for (NSUInteger i = 0; i < lines->count(); ++i) {
    CFRange r = CTLineGetStringRange(lines->objectAtIndexAs<CTLine>(i));
    out.push_back(s->string()
                      ->substringWithRange(NSMakeRange(static_cast<NSUInteger>(r.location),
                                                       static_cast<NSUInteger>(r.length)))
                      ->stdString());
  }
  return out;
}

std::vector<CGPoint> originsOf(const CTFrameRef& f) {
  std::vector<CGPoint> o(CTFrameGetLines(f)->count());
  CTFrameGetLineOrigins(f, CFRangeMake(0, 0), o.data());
  return o;
}

Strong<NSString> utf16(const std::u16string& s) {
  return NSString::stringWithCharacters(s);
}

// Fonts

TEST(CTFont, MetricsComeFromFontUnits) {
  CTFontRef f = dejavu(20);
  hb_blob_t* blob = hb_blob_create_from_file(CTFontCopyFilePath(f).c_str());
  hb_face_t* face = hb_face_create(blob, 0);
  hb_font_t* font = hb_font_create(face);
  unsigned upem = hb_face_get_upem(face);
  hb_font_set_scale(font, static_cast<int>(upem), static_cast<int>(upem));
  hb_position_t asc, desc, ul, ut;
  hb_ot_metrics_get_position_with_fallback(font, HB_OT_METRICS_TAG_HORIZONTAL_ASCENDER, &asc);
  hb_ot_metrics_get_position_with_fallback(font, HB_OT_METRICS_TAG_HORIZONTAL_DESCENDER, &desc);
  hb_ot_metrics_get_position_with_fallback(font, HB_OT_METRICS_TAG_UNDERLINE_OFFSET, &ul);
  hb_ot_metrics_get_position_with_fallback(font, HB_OT_METRICS_TAG_UNDERLINE_SIZE, &ut);
  EXPECT_DOUBLE_EQ(CTFontGetAscent(f), asc * 20.0 / upem);
  EXPECT_DOUBLE_EQ(CTFontGetDescent(f), -desc * 20.0 / upem);
  EXPECT_GT(CTFontGetDescent(f), 0);
  EXPECT_DOUBLE_EQ(CTFontGetUnderlinePosition(f), ul * 20.0 / upem);
  EXPECT_DOUBLE_EQ(CTFontGetUnderlineThickness(f), ut * 20.0 / upem);
  EXPECT_GT(CTFontGetCapHeight(f), CTFontGetXHeight(f));
  EXPECT_EQ(CTFontGetUnitsPerEm(f), upem);
  hb_font_destroy(font);
  hb_face_destroy(face);
  hb_blob_destroy(blob);
}

TEST(CTFont, NamesResolveThroughTheMapAndFontconfig) {
  CTFontRef thin = CTFontCreateWithName(S("HelveticaNeue-UltraLight"), 48, nullptr);
  EXPECT_NE(CTFontCopyFilePath(thin).find("Inter-Thin"), std::string::npos);
  EXPECT_EQ(CTFontCopyPostScriptName(thin)->stdString(), "HelveticaNeue-UltraLight");
  EXPECT_EQ(CTFontCopyName(thin, kCTFontPostScriptNameKey)->stdString(),
            "HelveticaNeue-UltraLight");
  EXPECT_EQ(CTFontGetSize(thin), 48);

  // By family name, and size 0 meaning 12.
  CTFontRef fam = CTFontCreateWithName(S("DejaVu Sans"), 0, nullptr);
  EXPECT_EQ(CTFontGetSize(fam), 12);
  EXPECT_EQ(CTFontCopyPostScriptName(fam)->stdString(), "DejaVuSans");

  // Unknown and missing names fall back to the default face instead of failing.
  for (auto name : {S("No Such Font 123"), S(""), Strong<NSString>()}) {
    CTFontRef f = CTFontCreateWithName(name, 10, nullptr);
    ASSERT_TRUE(f);
    EXPECT_EQ(CTFontCopyPostScriptName(f)->stdString(), "Helvetica");
    EXPECT_GT(CTFontGetAscent(f), 0);
  }
  EXPECT_EQ(CTFontCopyName(thin, S("bogus key")), nullptr);
  EXPECT_EQ(CTFontGetAscent(nullptr), 0);

  CTFontRef bigger = CTFontCreateCopyWithAttributes(thin, 96, nullptr, nullptr);
  EXPECT_EQ(CTFontGetSize(bigger), 96);
  EXPECT_DOUBLE_EQ(CTFontGetAscent(bigger), 2 * CTFontGetAscent(thin));
  EXPECT_EQ(CTFontCopyPostScriptName(bigger)->stdString(), "HelveticaNeue-UltraLight");
}

TEST(CTFont, ConcurrentLookupsGiveTheSameFace) {
  std::vector<std::thread> threads;
  std::vector<std::string> paths(4);
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&, i] {
      for (int k = 0; k < 50; ++k)
        paths[i] = CTFontCopyFilePath(CTFontCreateWithName(S("HelveticaNeue"), 10 + k, nullptr));
    });
  for (auto& t : threads) t.join();
  for (auto& p : paths) EXPECT_EQ(p, paths[0]);
}

TEST(CTFramesetter, ConcurrentLayoutGivesTheSameResults) {
  // Shaping cache, fallback faces and one shared framesetter used from several threads.
  auto str = NSAttributedString::initWithStringAttributes(
      utf16(u"Links \u4e2d\u6587 and \u05e9\u05dc\u05d5\u05dd scanned in the background"), attrs());
  auto shared = CTFramesetterCreateWithAttributedString(str);
  auto measure = [&](const CTFramesetterRef& fs) {
    return CTFramesetterSuggestFrameSizeWithConstraints(fs, CFRangeMake(0, 0), nullptr,
                                                        CGSizeMake(150, 1e5), nullptr);
  };
  CGSize expected = measure(CTFramesetterCreateWithAttributedString(str));
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&, i] {
      for (int k = 0; k < 30; ++k) {
        if (measure(k % 2 ? shared : CTFramesetterCreateWithAttributedString(str)) != expected)
          ++mismatches[i];
      }
    });
  for (auto& t : threads) t.join();
  for (int m : mismatches) EXPECT_EQ(m, 0);
}

TEST(CTFramesetter, MixedScriptsAndOddWidthsNeverBreakInvariants) {
  // Pieces of every kind the engine treats specially, glued in random orders.
  const std::u16string pieces[] = {u"word ",
                                   u"\u05d0\u05d1 ",
                                   u"\u0645\u0631 ",
                                   u"\u4e2d\u6587",
                                   u"e\u0301",
                                   u"\n",
                                   u"\r\n",
                                   u"\t",
                                   u"\u2028",
                                   u"\U0001F600",
                                   u"  ",
                                   u"x",
                                   u"\u200d",
                                   u"\u2029"};
  unsigned seed = 7;
  auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (int round = 0; round < 40; ++round) {
    std::u16string t;
    for (unsigned n = next() % 30; n > 0; --n) t += pieces[next() % std::size(pieces)];
    auto m = NSMutableAttributedString::initWithStringAttributes(utf16(t), attrs(10 + next() % 20));
    if (t.size() > 2)
      m->addAttributeValueRange(kCTFontAttributeName, dejavu(30), NSMakeRange(1, t.size() / 2));
    auto fs = CTFramesetterCreateWithAttributedString(m);
    for (double w : {0.0, -5.0, 1.0, 17.5, 60.0, 1e5}) {
      CFRange fit;
      CGSize size = CTFramesetterSuggestFrameSizeWithConstraints(fs, CFRangeMake(0, 0), nullptr,
                                                                 CGSizeMake(w, 1e5), &fit);
      EXPECT_EQ(fit.length, static_cast<CFIndex>(t.size()));
      EXPECT_GE(size.height, 0);
      auto frame = CTFramesetterCreateFrame(
          fs, CFRangeMake(0, 0),
          CGPathCreateWithRect(CGRectMake(0, 0, std::max(w, 0.0), 1e5), nullptr), nullptr);
      // Lines tile the string without gaps or overlaps.
      auto lines = CTFrameGetLines(frame);
      CFIndex pos = 0;
      for (NSUInteger i = 0; i < lines->count(); ++i) {
        auto line = lines->objectAtIndexAs<CTLine>(i);
        CFRange r = CTLineGetStringRange(line);
        EXPECT_EQ(r.location, pos);
        EXPECT_GT(r.length, 0);
        pos = r.location + r.length;
        double lw = CTLineGetTypographicBounds(line, nullptr, nullptr, nullptr);
        for (double x : {-1.0, lw / 3, lw + 1}) {
          CFIndex hit = CTLineGetStringIndexForPosition(line, CGPointMake(x, 0));
          EXPECT_GE(hit, r.location);
          EXPECT_LE(hit, r.location + r.length);
        }
        CTLineRef tr =
            CTLineCreateTruncatedLine(line, lw / 2, kCTLineTruncationMiddle, lineOf("\u2026"));
        if (tr) {
          EXPECT_LE(CTLineGetTypographicBounds(tr, nullptr, nullptr, nullptr) -
                        CTLineGetTrailingWhitespaceWidth(tr),
                    std::max(lw / 2, 0.0) + 1e-6);
        }
      }
      EXPECT_EQ(pos, static_cast<CFIndex>(t.size()));
    }
  }
}

// Paragraph styles

TEST(CTParagraphStyle, SettingsReadBackWithDefaults) {
  uint8_t align = kCTTextAlignmentCenter;
  CGFloat indent = 7.5, lineSpacing = 3;
  uint8_t badMode = 9;  // out of range: ignored
  CGFloat wrongSize = 1;
  CTParagraphStyleSetting settings[] = {
      {kCTParagraphStyleSpecifierAlignment, sizeof(align), &align},
      {kCTParagraphStyleSpecifierFirstLineHeadIndent, sizeof(indent), &indent},
      {kCTParagraphStyleSpecifierLineSpacing, sizeof(lineSpacing), &lineSpacing},
      {kCTParagraphStyleSpecifierLineBreakMode, sizeof(badMode), &badMode},
      {kCTParagraphStyleSpecifierHeadIndent, 4, &wrongSize},
      {static_cast<CTParagraphStyleSpecifier>(99), sizeof(indent), &indent},
  };
  auto style = CTParagraphStyleCreate(settings, 6);
  uint8_t a = 0, m = 7;
  CGFloat v = -1;
  int8_t dir = 5;
  EXPECT_TRUE(
      CTParagraphStyleGetValueForSpecifier(style, kCTParagraphStyleSpecifierAlignment, 1, &a));
  EXPECT_EQ(a, kCTTextAlignmentCenter);
  EXPECT_TRUE(
      CTParagraphStyleGetValueForSpecifier(style, kCTParagraphStyleSpecifierLineBreakMode, 1, &m));
  EXPECT_EQ(m, kCTLineBreakByWordWrapping);
  EXPECT_TRUE(CTParagraphStyleGetValueForSpecifier(
      style, kCTParagraphStyleSpecifierFirstLineHeadIndent, 8, &v));
  EXPECT_EQ(v, 7.5);
  EXPECT_TRUE(
      CTParagraphStyleGetValueForSpecifier(style, kCTParagraphStyleSpecifierHeadIndent, 8, &v));
  EXPECT_EQ(v, 0);
  // The deprecated line spacing pins both spacing bounds.
  EXPECT_TRUE(CTParagraphStyleGetValueForSpecifier(
      style, kCTParagraphStyleSpecifierMaximumLineSpacing, 8, &v));
  EXPECT_EQ(v, 3);
  EXPECT_TRUE(CTParagraphStyleGetValueForSpecifier(
      style, kCTParagraphStyleSpecifierBaseWritingDirection, 1, &dir));
  EXPECT_EQ(dir, kCTWritingDirectionNatural);
  EXPECT_FALSE(
      CTParagraphStyleGetValueForSpecifier(style, kCTParagraphStyleSpecifierAlignment, 8, &v));
  EXPECT_FALSE(
      CTParagraphStyleGetValueForSpecifier(nullptr, kCTParagraphStyleSpecifierAlignment, 1, &a));
  uint64_t junk = ~0ull;
  EXPECT_TRUE(CTParagraphStyleGetValueForSpecifier(
      style, static_cast<CTParagraphStyleSpecifier>(40), 8, &junk));
  EXPECT_EQ(junk, 0u);
  auto defaults = CTParagraphStyleCreate(nullptr, 3);
  EXPECT_TRUE(
      CTParagraphStyleGetValueForSpecifier(defaults, kCTParagraphStyleSpecifierAlignment, 1, &a));
  EXPECT_EQ(a, kCTTextAlignmentNatural);
}

// Shaping and lines

TEST(CTLine, AdvancesEqualHarfBuzz) {
  const char* s = "Hello, AVA fi World";
  CTLineRef line = lineOf(s);
  CTFontRef f = dejavu(20);
  hb_blob_t* blob = hb_blob_create_from_file(CTFontCopyFilePath(f).c_str());
  hb_face_t* face = hb_face_create(blob, 0);
  hb_font_t* font = hb_font_create(face);
  hb_buffer_t* buf = hb_buffer_create();
  hb_buffer_add_utf8(buf, s, -1, 0, -1);
  hb_buffer_guess_segment_properties(buf);
  hb_shape(font, buf, nullptr, 0);
  unsigned n;
  hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buf, &n);
  hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buf, nullptr);
  double scale = 20.0 / hb_face_get_upem(face);

  auto runs = CTLineGetGlyphRuns(line);
  ASSERT_EQ(runs->count(), 1u);
  auto run = runs->objectAtIndexAs<CTRun>(0);
  ASSERT_EQ(CTRunGetGlyphCount(run), static_cast<CFIndex>(n));
  std::vector<CGSize> adv(n);
  std::vector<CGGlyph> glyphs(n);
  std::vector<CGPoint> positions(n);
  CTRunGetAdvances(run, CFRangeMake(0, 0), adv.data());
  CTRunGetGlyphs(run, CFRangeMake(0, 0), glyphs.data());
  CTRunGetPositions(run, CFRangeMake(0, 0), positions.data());
  double x = 0, total = 0;
  for (unsigned i = 0; i < n; ++i) {
    EXPECT_EQ(glyphs[i], info[i].codepoint);
    EXPECT_NEAR(adv[i].width, pos[i].x_advance * scale, 1e-9);
    EXPECT_NEAR(positions[i].x, x, 1e-9);
    x += adv[i].width;
    total += pos[i].x_advance * scale;
  }
  EXPECT_NEAR(CTLineGetTypographicBounds(line, nullptr, nullptr, nullptr), total, 1e-9);
  EXPECT_EQ(CTLineGetGlyphCount(line), static_cast<CFIndex>(n));
  EXPECT_EQ(CTRunGetStatus(run), kCTRunStatusNoStatus);
  // Kern 0 turns the font's kerning off; "AVA" is kerned in DejaVu Sans.
  auto noKern = attrs();
  noKern->setObjectForKey(NSNumber::numberWithDouble(0), kCTKernAttributeName);
  EXPECT_GT(widthOf("AVA", noKern), widthOf("AVA"));
  auto spaced = attrs();
  spaced->setObjectForKey(NSNumber::numberWithDouble(2), kCTKernAttributeName);
  EXPECT_NEAR(widthOf("AVA", spaced), widthOf("AVA", noKern) + 6, 1e-9);
  hb_buffer_destroy(buf);
  hb_font_destroy(font);
  hb_face_destroy(face);
  hb_blob_destroy(blob);
}

TEST(CTLine, MetricsTrailingWhitespaceAndFlush) {
  CTLineRef line = lineOf("word   ");
  CGFloat a, d, l;
  double w = CTLineGetTypographicBounds(line, &a, &d, &l);
  CTFontRef f = dejavu(20);
  EXPECT_DOUBLE_EQ(a, CTFontGetAscent(f));
  EXPECT_DOUBLE_EQ(d, CTFontGetDescent(f));
  double visible = widthOf("word");
  EXPECT_NEAR(CTLineGetTrailingWhitespaceWidth(line), w - visible, 1e-9);
  EXPECT_NEAR(CTLineGetTrailingWhitespaceWidth(line), 3 * widthOf(" "), 1e-9);
  // Flush offsets leave trailing spaces hanging, and never go below 0.
  EXPECT_EQ(CTLineGetPenOffsetForFlush(line, 0, 200), 0);
  EXPECT_NEAR(CTLineGetPenOffsetForFlush(line, 0.5, 200), (200 - visible) / 2, 1e-9);
  EXPECT_NEAR(CTLineGetPenOffsetForFlush(line, 1, 200), 200 - visible, 1e-9);
  EXPECT_NEAR(CTLineGetPenOffsetForFlush(line, 7, 200), 200 - visible, 1e-9);
  EXPECT_EQ(CTLineGetPenOffsetForFlush(line, -1, 200), 0);
  EXPECT_EQ(CTLineGetPenOffsetForFlush(line, 1, 10), 0);
  EXPECT_EQ(CTLineGetTypographicBounds(nullptr, &a, nullptr, nullptr), 0);
  EXPECT_EQ(a, 0);
  // A run of mixed sizes reports the largest ascent.
  auto big = NSMutableAttributedString::initWithStringAttributes(S("aA"), attrs(10));
  big->addAttributeValueRange(kCTFontAttributeName, dejavu(30), NSMakeRange(1, 1));
  CTLineGetTypographicBounds(CTLineCreateWithAttributedString(big), &a, &d, nullptr);
  EXPECT_DOUBLE_EQ(a, CTFontGetAscent(dejavu(30)));
}

TEST(CTLine, HitTestingAndCaretsAgree) {
  struct Case {
    std::u16string text;
  };
  // Latin, combining marks and right-to-left: text of one direction, where every caret
  // has a glyph edge of its own (mixed text: the next test).
  for (const std::u16string& t :
       {std::u16string(u"Hello world"), std::u16string(u"e\u0301te\u0301!"),
        std::u16string(u"\u05e9\u05dc\u05d5\u05dd \u05e2\u05d5\u05dc\u05dd")}) {
    auto s = NSAttributedString::initWithStringAttributes(utf16(t), attrs());
    CTLineRef line = CTLineCreateWithAttributedString(s);
    double w = CTLineGetTypographicBounds(line, nullptr, nullptr, nullptr);
    for (size_t i = 0; i <= t.size(); ++i) {
      if (i < t.size() && (t[i] == 0x0301)) continue;  // inside a cluster
      CGFloat secondary;
      CGFloat x = CTLineGetOffsetForStringIndex(line, static_cast<CFIndex>(i), &secondary);
      EXPECT_GE(x, -1e-9);
      EXPECT_LE(x, w + 1e-9);
      EXPECT_EQ(CTLineGetStringIndexForPosition(line, CGPointMake(x, 0)), static_cast<CFIndex>(i))
          << "index " << i;
    }
    // Outside the line: the line's two ends.
    CFIndex left = CTLineGetStringIndexForPosition(line, CGPointMake(-50, 0));
    CFIndex right = CTLineGetStringIndexForPosition(line, CGPointMake(w + 50, 3));
    EXPECT_TRUE(left == 0 || left == static_cast<CFIndex>(t.size()));
    EXPECT_TRUE(right == 0 || right == static_cast<CFIndex>(t.size()));
    EXPECT_NE(left, right);
  }
  // A combining mark never receives a caret of its own.
  CTLineRef marks = CTLineCreateWithAttributedString(
      NSAttributedString::initWithStringAttributes(utf16(u"e\u0301e\u0301"), attrs()));
  double half = CTLineGetOffsetForStringIndex(marks, 2, nullptr);
  for (double x = 0; x <= 2 * half; x += half / 7) {
    CFIndex i = CTLineGetStringIndexForPosition(marks, CGPointMake(x, 0));
    EXPECT_NE(i, 1);
    EXPECT_NE(i, 3);
  }
  EXPECT_EQ(CTLineGetStringIndexForPosition(nullptr, CGPointMake(0, 0)), kCFNotFound);
}

// In text of both directions a point over a glyph answers that glyph's character, or in
// the glyph's trailing half the next character of the same run (whose caret is there);
// never a character of another run beside the point in logical order. Trailing
// whitespace and a right-to-left paragraph included.
TEST(CTLine, HitTestingAnswersTheGlyphUnderThePointInMixedText) {
  for (const std::u16string& t :
       {std::u16string(u"abc \u05d0\u05d1\u05d2 def"),
        std::u16string(u"\u05d0\u05d1 xyz \u05d2\u05d3 "),
        std::u16string(u"one \u0645\u0631\u062d\u0628\u0627 two   "),
        std::u16string(u"\u05e9\u05dc\u05d5\u05dd 123 \u05e2\u05d5\u05dc\u05dd  ")}) {
    CTLineRef line = CTLineCreateWithAttributedString(
        NSAttributedString::initWithStringAttributes(utf16(t), attrs()));
    for (const id& item : CTLineGetGlyphRuns(line)->objects()) {
      auto run = std::static_pointer_cast<CTRun>(item);
      CFRange range = CTRunGetStringRange(run);
      CFIndex n = CTRunGetGlyphCount(run);
      std::vector<CFIndex> indices(static_cast<size_t>(n));
      std::vector<CGPoint> positions(static_cast<size_t>(n));
      std::vector<CGSize> advances(static_cast<size_t>(n));
      CTRunGetStringIndices(run, CFRangeMake(0, 0), indices.data());
      CTRunGetPositions(run, CFRangeMake(0, 0), positions.data());
      CTRunGetAdvances(run, CFRangeMake(0, 0), advances.data());
      bool rtl = CTRunGetStatus(run) & kCTRunStatusRightToLeft;
      for (size_t g = 0; g < indices.size(); ++g) {
        if (advances[g].width < 1) continue;
        CFIndex c = indices[g];
        for (double f : {0.2, 0.8}) {
          double x = positions[g].x + advances[g].width * f;
          bool trailing = rtl ? f < 0.5 : f > 0.5;
          CFIndex hit = CTLineGetStringIndexForPosition(line, CGPointMake(x, 0));
          bool sameRunNext = c + 1 < range.location + range.length;
          bool lineEnd = c + 1 == static_cast<CFIndex>(t.size());
          if (!trailing) {
            EXPECT_EQ(hit, c) << "glyph of " << c << " at " << f;
          } else if (sameRunNext || lineEnd) {
            EXPECT_EQ(hit, c + 1) << "glyph of " << c << " at " << f;
          } else {
            EXPECT_EQ(hit, c) << "glyph of " << c << " at " << f;
          }
        }
      }
    }
  }
}

TEST(CTLine, RightToLeftRunsAreReportedAndPlaced) {
  auto s =
      NSAttributedString::initWithStringAttributes(utf16(u"ab \u05d0\u05d1\u05d2 cd"), attrs());
  CTLineRef line = CTLineCreateWithAttributedString(s);
  auto runs = CTLineGetGlyphRuns(line);
  ASSERT_EQ(runs->count(), 3u);
  auto rtl = runs->objectAtIndexAs<CTRun>(1);
  EXPECT_EQ(CTRunGetStatus(rtl) & kCTRunStatusRightToLeft, kCTRunStatusRightToLeft);
  EXPECT_EQ(CTRunGetStringRange(rtl), CFRangeMake(3, 3));
  // The first logical Hebrew letter sits at the run's right end.
  CFIndex idx[3];
  CTRunGetStringIndices(rtl, CFRangeMake(0, 0), idx);
  EXPECT_EQ(idx[0], 5);
  EXPECT_EQ(idx[2], 3);
  double runStart = CTLineGetOffsetForStringIndex(line, 3, nullptr);
  double runEnd = CTLineGetOffsetForStringIndex(line, 6, nullptr);
  CGFloat secondary;
  CTLineGetOffsetForStringIndex(line, 3, &secondary);
  EXPECT_GT(secondary, runStart);  // the RTL letter's leading edge is its right side
  EXPECT_GT(runEnd, runStart);
}

// Breaking and frames

TEST(CTFramesetter, WordWrapBreaksAtExpectedWords) {
  const char* s = "The quick brown fox jumps over the lazy dog";
  auto str = text(s);
  double w1 = widthOf("The quick brown");
  using V = std::vector<std::string>;
  EXPECT_EQ(lineTexts(str, frameOf(str, w1 + 0.01, 1000)),
            (V{"The quick brown ", "fox jumps over ", "the lazy dog"}));
  // A hair narrower and "brown" moves down.
  EXPECT_EQ(lineTexts(str, frameOf(str, w1 - 0.01, 1000))[0], "The quick ");
  // Hard breaks and paragraph separators always end a line and stay in it.
  auto para = text("one\ntwo\r\nthree\u2029four");
  EXPECT_EQ(lineTexts(para, frameOf(para, 1000, 1000)),
            (V{"one\n", "two\r\n", "three\u2029", "four"}));
  // A word wider than the line breaks between clusters.
  auto longWord = text("abcdefghij");
  auto parts = lineTexts(longWord, frameOf(longWord, widthOf("abcd") + 0.01, 1000));
  EXPECT_EQ(parts, (V{"abcd", "efgh", "ij"}));
  // Char wrapping fills each line as far as it goes.
  auto style = attrs();
  uint8_t mode = kCTLineBreakByCharWrapping;
  CTParagraphStyleSetting set{kCTParagraphStyleSpecifierLineBreakMode, 1, &mode};
  style->setObjectForKey(CTParagraphStyleCreate(&set, 1), kCTParagraphStyleAttributeName);
  auto chars = text("ab cd ef", style);
  EXPECT_EQ(lineTexts(chars, frameOf(chars, widthOf("ab c") + 0.01, 1000)), (V{"ab c", "d ef"}));
  // Typesetter calls agree.
  auto ts = CTTypesetterCreateWithAttributedString(str);
  EXPECT_EQ(CTTypesetterSuggestLineBreak(ts, 0, w1 + 0.01), 16);
  EXPECT_EQ(CTTypesetterSuggestLineBreak(ts, 16, 1e6), static_cast<CFIndex>(str->length() - 16));
  EXPECT_EQ(CTTypesetterSuggestClusterBreak(ts, 0, widthOf("The q") + 0.01), 5);
  EXPECT_EQ(CTTypesetterSuggestLineBreak(ts, 999, 100), 0);
  EXPECT_EQ(CTTypesetterCreateLine(ts, CFRangeMake(40, 10)), nullptr);
  EXPECT_EQ(CTLineGetStringRange(CTTypesetterCreateLine(ts, CFRangeMake(4, 5))), CFRangeMake(4, 5));
}

TEST(CTFramesetter, SuggestedSizeMatchesTheFrame) {
  auto str = text("Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod");
  auto fs = CTFramesetterCreateWithAttributedString(str);
  CFRange fit;
  CGSize size = CTFramesetterSuggestFrameSizeWithConstraints(fs, CFRangeMake(0, 0), nullptr,
                                                             CGSizeMake(200, DBL_MAX), &fit);
  EXPECT_EQ(fit, CFRangeMake(0, static_cast<CFIndex>(str->length())));
  EXPECT_LE(size.width, 200);
  CTFrameRef frame = CTFramesetterCreateFrame(
      fs, CFRangeMake(0, 0), CGPathCreateWithRect(CGRectMake(10, 20, 200, size.height), nullptr),
      nullptr);
  auto lines = CTFrameGetLines(frame);
  ASSERT_GE(lines->count(), 3u);
  EXPECT_EQ(CTFrameGetVisibleStringRange(frame), fit);
  auto origins = originsOf(frame);
  double widest = 0;
  for (NSUInteger i = 0; i < lines->count(); ++i) {
    auto l = lines->objectAtIndexAs<CTLine>(i);
    widest = std::max(widest, CTLineGetTypographicBounds(l, nullptr, nullptr, nullptr) -
                                  CTLineGetTrailingWhitespaceWidth(l));
  }
  EXPECT_DOUBLE_EQ(size.width, widest);
  CGFloat a, d;
  CTLineGetTypographicBounds(lines->objectAtIndexAs<CTLine>(lines->count() - 1), &a, &d, nullptr);
  EXPECT_NEAR(origins.back().y - d, 0, 1e-9);  // last line's descent touches the bottom
  CTLineGetTypographicBounds(lines->objectAtIndexAs<CTLine>(0), &a, &d, nullptr);
  EXPECT_NEAR(origins[0].y, size.height - a, 1e-9);  // first baseline: top minus ascent
  EXPECT_EQ(CTFrameGetPath(frame) != nullptr, true);

  // A limited height fits fewer characters.
  CGSize one = CTFramesetterSuggestFrameSizeWithConstraints(fs, CFRangeMake(0, 0), nullptr,
                                                            CGSizeMake(200, a + d + 1), &fit);
  EXPECT_LT(fit.length, static_cast<CFIndex>(str->length()));
  EXPECT_NEAR(one.height, a + d, 1e-9);
  // Empty strings and bad ranges.
  auto empty = CTFramesetterCreateWithAttributedString(text(""));
  EXPECT_EQ(CTFramesetterSuggestFrameSizeWithConstraints(empty, CFRangeMake(0, 0), nullptr,
                                                         CGSizeMake(100, 100), &fit),
            CGSizeZero);
  EXPECT_EQ(fit.length, 0);
  EXPECT_EQ(CTFramesetterSuggestFrameSizeWithConstraints(fs, CFRangeMake(5, 1000), nullptr,
                                                         CGSizeMake(100, 100), nullptr),
            CGSizeZero);
  EXPECT_EQ(
      CTFramesetterCreateFrame(fs, CFRangeMake(-1, 0),
                               CGPathCreateWithRect(CGRectMake(0, 0, 9, 9), nullptr), nullptr),
      nullptr);
  EXPECT_EQ(
      CTFrameGetLines(CTFramesetterCreateFrame(fs, CFRangeMake(0, 0), nullptr, nullptr))->count(),
      0u);
}

TEST(CTFramesetter, ShortPathsKeepOnlyWholeLines) {
  auto str = text("one two three four five six seven eight nine ten");
  CTFontRef f = dejavu(20);
  double lh = CTFontGetAscent(f) + CTFontGetDescent(f);
  double gap = CTFontGetLeading(f);
  auto two = frameOf(str, 120, 2 * lh + gap + 0.5 * lh);
  EXPECT_EQ(CTFrameGetLines(two)->count(), 2u);
  CFRange vis = CTFrameGetVisibleStringRange(two);
  CFRange secondLine = CTLineGetStringRange(CTFrameGetLines(two)->objectAtIndexAs<CTLine>(1));
  EXPECT_EQ(vis.location + vis.length, secondLine.location + secondLine.length);
  auto none = frameOf(str, 120, lh - 0.5);
  EXPECT_EQ(CTFrameGetLines(none)->count(), 0u);
  EXPECT_EQ(CTFrameGetVisibleStringRange(none).length, 0);
  // A second frame continues where the first one stopped.
  auto fs = CTFramesetterCreateWithAttributedString(str);
  auto rest =
      CTFramesetterCreateFrame(fs, CFRangeMake(vis.length, 0),
                               CGPathCreateWithRect(CGRectMake(0, 0, 120, 1000), nullptr), nullptr);
  EXPECT_EQ(CTFrameGetVisibleStringRange(rest).location + CTFrameGetVisibleStringRange(rest).length,
            static_cast<CFIndex>(str->length()));
  // Origins: range length 0 means to the end; a range past the lines copies nothing.
  CGPoint o[2] = {{-1, -1}, {-1, -1}};
  CTFrameGetLineOrigins(two, CFRangeMake(1, 0), o);
  EXPECT_NE(o[0].y, -1);
  EXPECT_EQ(o[1].y, -1);
  CGPoint untouched{-1, -1};
  CTFrameGetLineOrigins(two, CFRangeMake(3, 1), &untouched);
  EXPECT_EQ(untouched.y, -1);
}

Strong<NSMutableDictionary> styled(std::vector<CTParagraphStyleSetting> s) {
  auto a = attrs();
  a->setObjectForKey(CTParagraphStyleCreate(s.data(), s.size()), kCTParagraphStyleAttributeName);
  return a;
}

// Baselines from the top of a 1000-high frame, for two lines of "a\nb".
std::pair<double, double> baselines(const Strong<NSDictionary>& a, const char* s = "a\nb") {
  auto o = originsOf(frameOf(text(s, a), 500, 1000));
  EXPECT_EQ(o.size(), 2u);
  return {1000 - o[0].y, 1000 - o[1].y};
}

TEST(CTFramesetter, LineHeightsFollowTheParagraphStyle) {
  CTFontRef f = dejavu(20);
  double asc = CTFontGetAscent(f), desc = CTFontGetDescent(f), lead = CTFontGetLeading(f);
  double h = asc + desc;
  auto plain = baselines(attrs());
  EXPECT_NEAR(plain.first, asc, 1e-9);
  EXPECT_NEAR(plain.second - plain.first, h + lead, 1e-9);

  CGFloat two = 2, forty = 40, ten = 10, five = 5, three = 3;
  // Multiple: extra height goes above the glyphs.
  auto m = baselines(styled({{kCTParagraphStyleSpecifierLineHeightMultiple, 8, &two}}));
  EXPECT_NEAR(m.first, 2 * h - desc, 1e-9);
  EXPECT_NEAR(m.second - m.first, 2 * h + lead, 1e-9);
  // Minimum and maximum clamp the height.
  auto mn = baselines(styled({{kCTParagraphStyleSpecifierMinimumLineHeight, 8, &forty}}));
  EXPECT_NEAR(mn.first, 40 - desc, 1e-9);
  auto mx = baselines(styled({{kCTParagraphStyleSpecifierMaximumLineHeight, 8, &ten}}));
  EXPECT_NEAR(mx.first, 10 - desc, 1e-9);
  EXPECT_NEAR(mx.second - mx.first, 10 + lead, 1e-9);
  // Spacing between lines: adjustment adds, the deprecated spacing pins the gap.
  auto adj = baselines(styled({{kCTParagraphStyleSpecifierLineSpacingAdjustment, 8, &five}}));
  EXPECT_NEAR(adj.second - adj.first, h + lead + 5, 1e-9);
  auto ls = baselines(styled({{kCTParagraphStyleSpecifierLineSpacing, 8, &three}}));
  EXPECT_NEAR(ls.second - ls.first, h + 3, 1e-9);
  auto minSp = baselines(styled({{kCTParagraphStyleSpecifierMinimumLineSpacing, 8, &ten}}));
  EXPECT_NEAR(minSp.second - minSp.first, h + std::max(lead, 10.0), 1e-9);
  // Paragraph spacing after the first paragraph and before each paragraph (the first too).
  auto ps = baselines(styled({{kCTParagraphStyleSpecifierParagraphSpacing, 8, &ten},
                              {kCTParagraphStyleSpecifierParagraphSpacingBefore, 8, &five}}));
  EXPECT_NEAR(ps.first, 5 + asc, 1e-9);
  EXPECT_NEAR(ps.second - ps.first, h + lead + 15, 1e-9);
  // Within one paragraph only the line gap applies.
  auto wrapped = originsOf(
      frameOf(text("aaaa aaaa", styled({{kCTParagraphStyleSpecifierParagraphSpacing, 8, &ten}})),
              widthOf("aaaa") + 1, 1000));
  ASSERT_EQ(wrapped.size(), 2u);
  EXPECT_NEAR(wrapped[0].y - wrapped[1].y, h + lead, 1e-9);
}

TEST(CTFramesetter, AlignmentAndIndentsMoveOrigins) {
  double w = widthOf("ab");
  auto originX = [&](std::vector<CTParagraphStyleSetting> s) {
    return originsOf(frameOf(text("ab", styled(std::move(s))), 200, 100))[0].x;
  };
  uint8_t left = kCTTextAlignmentLeft, right = kCTTextAlignmentRight,
          center = kCTTextAlignmentCenter;
  CGFloat ten = 10, tail = -20;
  EXPECT_NEAR(originX({{kCTParagraphStyleSpecifierAlignment, 1, &left}}), 0, 1e-9);
  EXPECT_NEAR(originX({{kCTParagraphStyleSpecifierAlignment, 1, &right}}), 200 - w, 1e-9);
  EXPECT_NEAR(originX({{kCTParagraphStyleSpecifierAlignment, 1, &center}}), (200 - w) / 2, 1e-9);
  EXPECT_NEAR(originX({{kCTParagraphStyleSpecifierFirstLineHeadIndent, 8, &ten}}), 10, 1e-9);
  EXPECT_NEAR(originX({{kCTParagraphStyleSpecifierAlignment, 1, &right},
                       {kCTParagraphStyleSpecifierTailIndent, 8, &tail}}),
              180 - w, 1e-9);
  // Natural alignment of a right-to-left paragraph is right.
  auto hebrew = NSAttributedString::initWithStringAttributes(utf16(u"\u05d0\u05d1"), attrs());
  double hw = CTLineGetTypographicBounds(CTLineCreateWithAttributedString(hebrew), nullptr, nullptr,
                                         nullptr);
  EXPECT_NEAR(originsOf(frameOf(hebrew, 200, 100))[0].x, 200 - hw, 1e-9);
  // Justified lines fill the width except the paragraph's last.
  uint8_t just = kCTTextAlignmentJustified;
  auto j = text("aa bb cc dd", styled({{kCTParagraphStyleSpecifierAlignment, 1, &just}}));
  auto jf = frameOf(j, widthOf("aa bb cc") + 5, 1000);
  auto lines = CTFrameGetLines(jf);
  ASSERT_EQ(lines->count(), 2u);
  auto first = lines->objectAtIndexAs<CTLine>(0);
  EXPECT_NEAR(CTLineGetTypographicBounds(first, nullptr, nullptr, nullptr) -
                  CTLineGetTrailingWhitespaceWidth(first),
              widthOf("aa bb cc") + 5, 1e-9);
  EXPECT_NEAR(
      CTLineGetTypographicBounds(lines->objectAtIndexAs<CTLine>(1), nullptr, nullptr, nullptr),
      widthOf("dd"), 1e-9);
}

TEST(CTFramesetter, TruncatingModesDoNotWrap) {
  uint8_t tail = kCTLineBreakByTruncatingTail, clip = kCTLineBreakByClipping;
  const char* s = "a long paragraph that would wrap\nsecond";
  auto t = text(s, styled({{kCTParagraphStyleSpecifierLineBreakMode, 1, &tail}}));
  auto f = frameOf(t, 100, 1000);
  auto lines = CTFrameGetLines(f);
  ASSERT_EQ(lines->count(), 2u);
  auto first = lines->objectAtIndexAs<CTLine>(0);
  EXPECT_LE(CTLineGetTypographicBounds(first, nullptr, nullptr, nullptr), 100 + 1e-9);
  EXPECT_EQ(CTLineGetStringRange(first), CFRangeMake(0, 33));
  auto c = text(s, styled({{kCTParagraphStyleSpecifierLineBreakMode, 1, &clip}}));
  EXPECT_EQ(CTFrameGetLines(frameOf(c, 100, 1000))->count(), 2u);
  CGSize size = CTFramesetterSuggestFrameSizeWithConstraints(
      CTFramesetterCreateWithAttributedString(c), CFRangeMake(0, 0), nullptr, CGSizeMake(100, 1000),
      nullptr);
  EXPECT_LE(size.width, 100);
}

// Truncation

TEST(CTLine, TruncationKeepsTheRightEnds) {
  CTLineRef line = lineOf("abcdefghijklmnop");
  CTLineRef ell = lineOf("\u2026");
  double ew = widthOf("\u2026");
  double width = widthOf("abcd") + ew + 0.01;
  const std::string full = "abcdefghijklmnop";
  auto check = [&](CTLineTruncationType type, CTLineRef token, double tw) {
    double limit = width - ew + tw;
    CTLineRef t = CTLineCreateTruncatedLine(line, limit, type, token);
    ASSERT_TRUE(t);
    double w = CTLineGetTypographicBounds(t, nullptr, nullptr, nullptr);
    EXPECT_LE(w, limit + 1e-9);
    // The most text that fits is kept: the longest prefix, suffix, or prefix within half
    // the room and then the longest suffix in what is left.
    double room = limit - tw;
    size_t pre = 0, suf = 0;
    auto fits = [&](const std::string& s, double r) { return widthOf(s.c_str()) <= r + 1e-9; };
    if (type != kCTLineTruncationStart)
      while (pre < full.size() &&
             fits(full.substr(0, pre + 1), type == kCTLineTruncationEnd ? room : room / 2))
        ++pre;
    if (type != kCTLineTruncationEnd) {
      double left = room - widthOf(full.substr(0, pre).c_str());
      while (suf < full.size() - pre && fits(full.substr(full.size() - suf - 1), left)) ++suf;
    }
    EXPECT_NEAR(
        w,
        widthOf(full.substr(0, pre).c_str()) + widthOf(full.substr(full.size() - suf).c_str()) + tw,
        1e-9)
        << "type " << type;
    EXPECT_GT(pre + suf, 0u);
  };
  check(kCTLineTruncationEnd, ell, ew);
  check(kCTLineTruncationStart, ell, ew);
  check(kCTLineTruncationMiddle, ell, ew);
  // A token of several characters.
  CTLineRef more = lineOf("[more]");
  double mw = widthOf("[more]");
  check(kCTLineTruncationEnd, more, mw);
  check(kCTLineTruncationMiddle, more, mw);
  // The token alone too wide: none. A line that fits: same content.
  EXPECT_EQ(CTLineCreateTruncatedLine(line, ew - 0.5, kCTLineTruncationEnd, ell), nullptr);
  CTLineRef same = CTLineCreateTruncatedLine(line, 1000, kCTLineTruncationEnd, ell);
  ASSERT_TRUE(same);
  EXPECT_EQ(CTLineGetStringRange(same), CTLineGetStringRange(line));
  EXPECT_EQ(CTLineGetGlyphCount(same), CTLineGetGlyphCount(line));
  // No token: just cut.
  CTLineRef cut =
      CTLineCreateTruncatedLine(line, widthOf("abc") + 0.01, kCTLineTruncationEnd, nullptr);
  EXPECT_EQ(CTLineGetGlyphCount(cut), 3);
  // Clusters stay whole: a base letter never loses its mark.
  CTLineRef marks = CTLineCreateWithAttributedString(NSAttributedString::initWithStringAttributes(
      utf16(u"e\u0301e\u0301e\u0301e\u0301"), attrs()));
  CTLineRef tm =
      CTLineCreateTruncatedLine(marks, widthOf("e") * 2 + ew + 0.01, kCTLineTruncationEnd, ell);
  auto runs = CTLineGetGlyphRuns(tm);
  CFIndex count = 0;
  for (NSUInteger i = 0; i < runs->count(); ++i) {
    CFRange r = CTRunGetStringRange(runs->objectAtIndexAs<CTRun>(i));
    if (i == 0) {
      EXPECT_EQ(r.length % 2, 0);
    }
    count += CTRunGetGlyphCount(runs->objectAtIndexAs<CTRun>(i));
  }
  EXPECT_GT(count, 1);
}

// Whatever the width, no kept text touches the token with a space: a tail cut keeps
// "word…", a head cut "…word", a middle cut "word…word".
TEST(CTLine, TruncationDropsSpacesBesideTheToken) {
  const std::string full = "alpha beta  gamma delta epsilon";
  CTLineRef line = lineOf(full.c_str());
  auto marked = attrs();
  marked->setObjectForKey(NSNumber::numberWithBool(true), S("token"));
  CTLineRef token = lineOf("\u2026", marked);
  double lw = CTLineGetTypographicBounds(line, nullptr, nullptr, nullptr);
  for (auto type : {kCTLineTruncationStart, kCTLineTruncationMiddle, kCTLineTruncationEnd}) {
    for (double w = widthOf("\u2026") + 1; w < lw; w += 3) {
      CTLineRef t = CTLineCreateTruncatedLine(line, w, type, token);
      ASSERT_TRUE(t);
      auto runs = CTLineGetGlyphRuns(t);
      for (NSUInteger i = 0; i < runs->count(); ++i) {
        CTRunRef run = runs->objectAtIndexAs<CTRun>(i);
        if (!CTRunGetAttributes(run)->objectForKey(S("token"))) continue;
        if (i > 0) {
          CFRange before = CTRunGetStringRange(runs->objectAtIndexAs<CTRun>(i - 1));
          EXPECT_NE(full[static_cast<size_t>(before.location + before.length - 1)], ' ')
              << "type " << type << " width " << w;
        }
        if (i + 1 < runs->count()) {
          CFRange after = CTRunGetStringRange(runs->objectAtIndexAs<CTRun>(i + 1));
          EXPECT_NE(full[static_cast<size_t>(after.location)], ' ')
              << "type " << type << " width " << w;
        }
      }
    }
  }
}

// Fallback

TEST(CTFramesetter, FallbackShapesCjkAndArabic) {
  for (const std::u16string& t :
       {std::u16string(u"ab\u4e2d\u6587cd"), std::u16string(u"\u0645\u0631\u062d\u0628\u0627")}) {
    CTLineRef line = CTLineCreateWithAttributedString(
        NSAttributedString::initWithStringAttributes(utf16(t), attrs()));
    auto runs = CTLineGetGlyphRuns(line);
    bool sawOther = false;
    for (NSUInteger i = 0; i < runs->count(); ++i) {
      auto run = runs->objectAtIndexAs<CTRun>(i);
      std::vector<CGGlyph> g(static_cast<size_t>(CTRunGetGlyphCount(run)));
      CTRunGetGlyphs(run, CFRangeMake(0, 0), g.data());
      for (CGGlyph gl : g) EXPECT_NE(gl, 0) << "missing glyph";
      auto font = objc_cast<CTFont>(CTRunGetAttributes(run)->objectForKey(kCTFontAttributeName));
      ASSERT_TRUE(font);
      if (CTFontCopyFilePath(font).find("DejaVuSans.ttf") == std::string::npos) {
        sawOther = true;
        EXPECT_EQ(CTFontGetSize(font), 20);
      }
    }
    if (t[0] == u'a') {
      EXPECT_TRUE(sawOther);  // DejaVu Sans has no Han; it has Arabic
    }
    EXPECT_GT(CTLineGetTypographicBounds(line, nullptr, nullptr, nullptr), 0);
  }
}

TEST(CTFramesetter, CapturesTheStringAtCreation) {
  auto m = NSMutableAttributedString::initWithStringAttributes(S("short"), attrs());
  auto fs = CTFramesetterCreateWithAttributedString(m);
  m->replaceCharactersInRangeWithString(NSMakeRange(0, 5), S("a much longer text now"));
  CFRange fit;
  CTFramesetterSuggestFrameSizeWithConstraints(fs, CFRangeMake(0, 0), nullptr,
                                               CGSizeMake(1000, 1000), &fit);
  EXPECT_EQ(fit.length, 5);
  // Unknown keys travel through to the runs untouched.
  auto a = attrs();
  a->setObjectForKey(S("value"), S("MyCustomKey"));
  auto run = CTLineGetGlyphRuns(lineOf("x", a))->objectAtIndexAs<CTRun>(0);
  EXPECT_EQ(CTRunGetAttributes(run)->objectForKeyAs<NSString>(S("MyCustomKey"))->stdString(),
            "value");
  // Text without a font is set in the default 12-point face.
  CTLineRef bare = CTLineCreateWithAttributedString(NSAttributedString::initWithString(S("x")));
  CGFloat asc;
  CTLineGetTypographicBounds(bare, &asc, nullptr, nullptr);
  EXPECT_DOUBLE_EQ(asc, CTFontGetAscent(CTFontCreateWithName(S("Helvetica"), 12, nullptr)));
}

TEST(CTFramesetter, RepeatedRequestsAnswerAsAFreshLayoutDoes) {
  auto s = text("the same rectangle is asked for again and again by a label that draws it");
  auto fs = CTFramesetterCreateWithAttributedString(s);
  auto frameIn = [&](const CTFramesetterRef& f, CGRect r) {
    return CTFramesetterCreateFrame(f, CFRangeMake(0, 0), CGPathCreateWithRect(r, nullptr),
                                    nullptr);
  };
  auto pathA = CGPathCreateWithRect(CGRectMake(5, 5, 200, 300), nullptr);
  auto first = CTFramesetterCreateFrame(fs, CFRangeMake(0, 0), pathA, nullptr);
  auto again = frameIn(fs, CGRectMake(9, 1, 200, 300));  // same size, elsewhere
  EXPECT_NE(first, again);
  EXPECT_EQ(CTFrameGetPath(first), pathA);
  EXPECT_EQ(CTFrameGetLines(again), CTFrameGetLines(first));  // laid out once
  auto narrow = frameIn(fs, CGRectMake(0, 0, 120, 300));
  EXPECT_NE(CTFrameGetLines(narrow)->count(), CTFrameGetLines(first)->count());
  // Back to the first size: the lines of a layout made from scratch.
  auto back = frameIn(fs, CGRectMake(0, 0, 200, 300));
  auto fresh = frameIn(CTFramesetterCreateWithAttributedString(s), CGRectMake(0, 0, 200, 300));
  EXPECT_EQ(lineTexts(s, back), lineTexts(s, fresh));
  EXPECT_EQ(CTFrameGetVisibleStringRange(back), CTFrameGetVisibleStringRange(fresh));

  CFRange fitA, fitB;
  CGSize a = CTFramesetterSuggestFrameSizeWithConstraints(fs, CFRangeMake(0, 0), nullptr,
                                                          CGSizeMake(150, 40), &fitA);
  CTFramesetterSuggestFrameSizeWithConstraints(fs, CFRangeMake(0, 0), nullptr,
                                               CGSizeMake(300, 1000), nullptr);
  CGSize b = CTFramesetterSuggestFrameSizeWithConstraints(fs, CFRangeMake(0, 0), nullptr,
                                                          CGSizeMake(150, 40), &fitB);
  EXPECT_EQ(a, b);
  EXPECT_EQ(fitA, fitB);
  EXPECT_LT(fitA.length, static_cast<CFIndex>(s->length()));
}

}  // namespace
