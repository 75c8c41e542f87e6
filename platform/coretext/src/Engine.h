// The typesetting pipeline behind the Core Text calls: paragraphs, items (one font,
// script and direction each), shaping, line breaking, line building. Nothing here
// draws, so layout can be tested without pixels.
#pragma once

#include <hb.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "CoreGraphics/CGColor.h"
#include "CoreText/CTParagraphStyle.h"
#include "FontCatalog.h"

namespace ct {

// What one attribute run asks of the typesetter and of drawing, read once from its
// attribute dictionary.
struct RunStyle {
  const FontFace* face = nullptr;
  double size = 12;
  id font;        // the CTFont the run is set in
  id attributes;  // the run's dictionary as given, for CTRunGetAttributes
  bool kernSet = false;
  double kern = 0;
  CGColorRef foreground;  // none: black
  bool foregroundFromContext = false;
  int32_t underline = 0;
  CGColorRef underlineColor;
  int32_t strikethrough = 0;
  double strokeWidth = 0;
  CGColorRef strokeColor;
  int superscript = 0;
  // Points the run's baseline moves up (superscripts, baseline offsets) or down
  // (negative: subscripts); `size` is already the smaller size of a superscript.
  double baselineShift = 0;
  std::shared_ptr<const CTParagraphSettings> paragraph;  // none: defaults
};

// The captured text of a typesetter with its attribute runs.
struct TextSource {
  std::u16string text;
  std::vector<size_t> runStarts;  // ascending, first is 0 when text is non-empty
  std::vector<RunStyle> styles;   // one per run
  size_t styleAt(size_t index) const;
};

// Glyphs of one item in font units, clusters relative to the item's start, visual
// order (reversed for right-to-left items, as HarfBuzz gives them).
struct ShapedGlyph {
  uint32_t glyph, cluster;
  int32_t advance, xOffset, yOffset;
};
struct Shaped {
  std::vector<ShapedGlyph> glyphs;
};

struct Item {
  size_t start = 0, end = 0;
  size_t style = 0;
  uint8_t level = 0;
  const FontFace* face = nullptr;
  double scale = 0;  // points per font unit
  double kern = 0;   // points added after each cluster
  double shift = 0;  // baseline shift of the style, points up
  std::shared_ptr<const Shaped> shaped;
  double ascent() const { return face->ascender * scale + shift; }
  double descent() const { return face->descender * scale - shift; }
  double leading() const { return face->lineGap * scale; }
};

struct Paragraph {
  size_t start = 0, end = 0;  // content, without the separator
  size_t next = 0;            // after the separator
  uint8_t baseLevel = 0;
  std::shared_ptr<const CTParagraphSettings> settings;
  std::vector<Item> items;
  std::vector<double> x;         // x[i - start]: advance of the content before i, logical order
  std::vector<uint32_t> breaks;  // line break opportunities after start, absolute
  std::vector<bool> hard;        // mandatory break at breaks[k]
  double advance(size_t a, size_t b) const { return x[b - start] - x[a - start]; }
};

// A line found by breaking: enough to measure and place it without building runs.
struct LineRecord {
  size_t start = 0, end = 0;  // string range, trailing spaces and separator included
  size_t visibleEnd = 0;      // end without trailing whitespace and separator
  size_t paragraph = 0;
  bool firstInParagraph = false, lastInParagraph = false;
  bool truncate = false;  // a truncating mode's single line that did not fit
  double width = 0;       // typographic width, trailing whitespace included
  double trailingWhitespace = 0;
  double ascent = 0, descent = 0, leading = 0;
  double available = 0;  // width left by the indents
  double lineLeft = 0;   // left margin after indents
};

// A placed line of a frame.
struct PlacedLine {
  LineRecord record;
  double top = 0, baseline = 0, bottom = 0;  // from the top of the frame, downwards
  double x = 0;                              // origin x
};

struct FrameLayout {
  std::vector<PlacedLine> lines;
  size_t visibleEnd = 0;
  double width = 0;  // widest line without trailing whitespace, indents included
  double height = 0;
};

// One run of a built line.
struct RunData {
  std::shared_ptr<const TextSource> source;
  size_t start = 0, end = 0;  // string range
  size_t style = 0;
  uint8_t level = 0;
  bool token = false;  // a truncation token's run; its range is the text it replaced
  const FontFace* face = nullptr;
  double size = 0;
  double shift = 0;  // baseline shift, points up; in ys and in the metrics
  std::vector<uint32_t> glyphs;
  std::vector<double> advances, xOffsets, ys;
  std::vector<uint32_t> indices;  // string index of each glyph
  std::vector<double> xs;         // glyph origins relative to the line origin
  std::vector<double> charX;      // caret offsets of start..end (logical), from the run's left
  double x = 0, width = 0;
  bool rightToLeft() const { return level & 1; }
  const RunStyle& runStyle() const { return source->styles[style]; }
  double ascent() const;
  double descent() const;
  double leading() const;
  // Caret x (from the line origin) of the leading edge of character i, or of the
  // trailing edge of character i - 1 when i == end.
  double caret(size_t i) const {
    double cx = token ? (i > start ? width : 0) : charX[i - start];
    return rightToLeft() ? x + width - cx : x + cx;
  }
};

struct LineData {
  std::shared_ptr<const TextSource> source;
  size_t start = 0, end = 0;
  size_t contentEnd = 0;      // end without a final paragraph separator
  std::vector<RunData> runs;  // visual order
  double width = 0;
  double trailingWhitespace = 0;
  double ascent = 0, descent = 0, leading = 0;
  uint8_t baseLevel = 0;
  // Left-to-right runs only, and text where every code unit is a cluster: carets grow
  // with the index, so hit testing can search instead of scanning.
  bool simple = false;
};

// The four stages that shape a paragraph, in this order; each fills in what the next
// reads. The paragraph needs its range and settings first.
// 1. The embedding level of each content unit (none when all sit at the base level,
//    as left-to-right text without right-to-left characters does) and p.baseLevel.
std::vector<uint8_t> resolveLevels(const std::u16string& text, Paragraph& p);
// 2. p.items: split where the style run, the level, the script or the face changes (a
//    face that lacks a character hands it to a fallback), each shaped.
void itemize(const TextSource& source, Paragraph& p, const std::vector<uint8_t>& levels);
// 3. p.x: logical advances, each cluster's credited to its first unit, kerning after it.
void measureAdvances(Paragraph& p);
// 4. p.breaks and p.hard: line break opportunities; the content's end is always a hard
//    one.
void findBreaks(const std::u16string& text, Paragraph& p);

// Orders logical runs visually by their levels, places them and their glyphs from x 0,
// and sets the line's width and metrics (fallback metrics when there is no run).
void finishLine(LineData& line, std::vector<RunData> logical);
// A run cut to the characters [a, b) (glyphs whose cluster starts there).
RunData sliceRun(const RunData& run, size_t a, size_t b);

class Typesetter {
 public:
  explicit Typesetter(std::shared_ptr<const TextSource> source);
  const std::shared_ptr<const TextSource>& source() const { return source_; }
  size_t length() const { return source_->text.size(); }

  // Lines from `start`, breaking at `width`, until `end` (or the text) is used up.
  std::vector<LineRecord> breakLines(size_t start, size_t end, double width);
  // One line from `start` fitting `width` (at least one cluster); its end.
  size_t suggestLineBreak(size_t start, double width, bool clusterOnly);
  // Lines placed in a box; lines whose bottom passes `height` are left out.
  FrameLayout layoutFrame(size_t start, size_t end, double width, double height);
  // A line over [start, end) without breaking.
  LineData buildLine(size_t start, size_t end);
  LineData buildLine(const LineRecord& r) { return buildLine(r.start, r.end); }

  const Paragraph& paragraphAt(size_t index);
  size_t paragraphIndex(size_t index);

 private:
  void prepare();
  const std::vector<LineRecord>& breakLinesLocked(size_t start, size_t end, double width);
  void shapeParagraph(Paragraph& p);
  void lineMetrics(LineRecord& r, const Paragraph& p);
  size_t fitEnd(const Paragraph& p, size_t pos, size_t limit, double avail, size_t& cursor,
                bool charWrap);

  std::shared_ptr<const TextSource> source_;
  std::mutex mutex_;
  bool prepared_ = false;
  std::vector<Paragraph> paragraphs_;
  // The last breaking, reused while width and range repeat (measure, then frame).
  struct {
    size_t start = SIZE_MAX, end = 0;
    double width = -1;
    std::vector<LineRecord> lines;
  } cache_;
};

// Characters that hang at a line's end.
inline bool isParagraphSeparator(char16_t c) {
  return c == u'\n' || c == u'\r' || c == 0x85 || c == 0x2029;
}
bool isTrailingWhitespace(char16_t c);
// The end of text[from, end) without its trailing whitespace (at least `from`).
size_t trimTrailingWhitespace(const std::u16string& text, size_t from, size_t end);
// The first index of [from, end) that is not such whitespace (end when there is none).
size_t skipLeadingWhitespace(const std::u16string& text, size_t from, size_t end);
// Grapheme cluster boundaries of text[start, end) (both ends included).
std::vector<size_t> graphemeBoundaries(const std::u16string& text, size_t start, size_t end);
// Line geometry per the paragraph style: height, where the baseline sits in it.
void lineHeight(const CTParagraphSettings& s, double ascent, double descent, double& height,
                double& baselineFromTop);
double lineGap(const CTParagraphSettings& s, double leading);
// Empties the shaping cache (benchmarks measure cold runs with it).
void clearShapeCache();

}  // namespace ct
