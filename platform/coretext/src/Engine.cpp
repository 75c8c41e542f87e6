#include "Engine.h"

#include <unicode/ubidi.h>
#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "CoreText/CTLayoutRules.h"
#include "FontCatalog.h"

namespace ct {
namespace {

constexpr double kEpsilon = 1e-6;

// ICU iterators are costly to open; each thread keeps one of each and resets its text.
struct Breakers {
  UBreakIterator* line = nullptr;
  UBreakIterator* chars = nullptr;
  Breakers() {
    UErrorCode e = U_ZERO_ERROR;
    line = ubrk_open(UBRK_LINE, "en_US", nullptr, 0, &e);
    e = U_ZERO_ERROR;
    chars = ubrk_open(UBRK_CHARACTER, "en_US", nullptr, 0, &e);
  }
  ~Breakers() {
    if (line) ubrk_close(line);
    if (chars) ubrk_close(chars);
  }
};
Breakers& breakers() {
  thread_local Breakers b;
  return b;
}

struct ShapeKey {
  const FontFace* face;
  bool noKern;
  hb_direction_t dir;
  hb_script_t script;
  std::u16string text;
  bool operator==(const ShapeKey&) const = default;
};
struct ShapeKeyHash {
  size_t operator()(const ShapeKey& k) const {
    size_t h = std::hash<std::u16string>()(k.text);
    h ^= std::hash<const void*>()(k.face) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
    return h ^ (static_cast<size_t>(k.dir) << 1) ^ (static_cast<size_t>(k.script) << 3) ^
           static_cast<size_t>(k.noKern);
  }
};

struct ShapeCache {
  std::mutex mutex;
  std::unordered_map<ShapeKey, std::shared_ptr<const Shaped>, ShapeKeyHash> map;
  size_t units = 0;
};
ShapeCache& shapeCache() {
  static ShapeCache* c = new ShapeCache();
  return *c;
}

// Controls have no glyphs of their own: tabs are set as spaces, other controls and
// line separators as zero-width spaces (HarfBuzz hides those). Same length, so
// clusters still index the original text.
char16_t shapingUnit(char16_t c) {
  if (c == u'\t') return u' ';
  if (c < 0x20 || c == 0x2028 || c == 0x2029 || c == 0x85 || c == 0x7f) return 0x200B;
  return c;
}

std::shared_ptr<const Shaped> shape(const FontFace* face, bool noKern, hb_direction_t dir,
                                    hb_script_t script, const char16_t* s, size_t n) {
  ShapeKey key{face, noKern, dir, script, std::u16string(s, n)};
  for (auto& c : key.text) c = shapingUnit(c);
  ShapeCache& cache = shapeCache();
  {
    std::lock_guard lock(cache.mutex);
    auto it = cache.map.find(key);
    if (it != cache.map.end()) return it->second;
  }
  thread_local hb_buffer_t* buf = hb_buffer_create();
  hb_buffer_reset(buf);
  hb_buffer_add_utf16(buf, reinterpret_cast<const uint16_t*>(key.text.data()), static_cast<int>(n),
                      0, static_cast<int>(n));
  hb_buffer_set_direction(buf, dir);
  hb_buffer_set_script(buf, script);
  hb_buffer_guess_segment_properties(buf);
  hb_feature_t kernOff{HB_TAG('k', 'e', 'r', 'n'), 0, HB_FEATURE_GLOBAL_START,
                       HB_FEATURE_GLOBAL_END};
  hb_shape(face->hbFont, buf, noKern ? &kernOff : nullptr, noKern ? 1 : 0);
  unsigned count = 0;
  hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buf, &count);
  hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buf, nullptr);
  auto out = std::make_shared<Shaped>();
  out->glyphs.resize(count);
  for (unsigned i = 0; i < count; ++i)
    out->glyphs[i] = {info[i].codepoint, info[i].cluster, pos[i].x_advance, pos[i].x_offset,
                      pos[i].y_offset};
  std::lock_guard lock(cache.mutex);
  // A plain bound keeps memory flat; a full clear is cheaper than LRU bookkeeping and
  // only costs a re-shape.
  if (cache.units > (4u << 20)) {
    cache.map.clear();
    cache.units = 0;
  }
  cache.units += n + 16;
  cache.map.emplace(std::move(key), out);
  return out;
}

bool needsBidi(const char16_t* s, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    char16_t c = s[i];
    if (c < 0x590) continue;
    if (c <= 0x8FF || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF) ||
        (c >= 0x200E && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
        (c >= 0x2066 && c <= 0x2069) || U16_IS_SURROGATE(c))
      return true;
  }
  return false;
}

bool isVariationSelector(UChar32 cp) {
  return (cp >= 0xFE00 && cp <= 0xFE0F) || (cp >= 0xE0100 && cp <= 0xE01EF);
}

constexpr UChar32 kEmojiPresentationSelector = 0xFE0F;

// An emoji shown as a picture: one that is by default, or one that asks for it with the
// emoji presentation selector after it (s[next] is the unit after `cp`).
bool showsAsPicture(const char16_t* s, size_t next, size_t len, UChar32 cp) {
  if (cp < 0x2000) return false;  // the digits, # and * need a selector and a keycap
  if (u_hasBinaryProperty(cp, UCHAR_EMOJI_PRESENTATION)) return true;
  return next < len && s[next] == kEmojiPresentationSelector &&
         u_hasBinaryProperty(cp, UCHAR_EMOJI);
}

UScriptCode scriptOf(UChar32 cp) {
  if (cp < 0x80) {
    return ((cp | 0x20) >= 'a' && (cp | 0x20) <= 'z') ? USCRIPT_LATIN : USCRIPT_COMMON;
  }
  UErrorCode e = U_ZERO_ERROR;
  UScriptCode sc = uscript_getScript(cp, &e);
  return U_FAILURE(e) ? USCRIPT_COMMON : sc;
}

bool isWeakScript(UScriptCode sc) {
  return sc == USCRIPT_COMMON || sc == USCRIPT_INHERITED || sc == USCRIPT_UNKNOWN;
}

hb_script_t hbScript(UScriptCode sc) {
  if (isWeakScript(sc)) return HB_SCRIPT_COMMON;
  const char* name = uscript_getShortName(sc);
  return name ? hb_script_from_string(name, -1) : HB_SCRIPT_COMMON;
}

}  // namespace

void clearShapeCache() {
  ShapeCache& cache = shapeCache();
  std::lock_guard lock(cache.mutex);
  cache.map.clear();
  cache.units = 0;
}

size_t TextSource::styleAt(size_t index) const {
  if (runStarts.empty()) return 0;
  auto it = std::upper_bound(runStarts.begin(), runStarts.end(), index);
  return it == runStarts.begin() ? 0 : static_cast<size_t>(it - runStarts.begin() - 1);
}

bool isTrailingWhitespace(char16_t c) {
  return c == u' ' || c == u'\t' || c == 0x3000 || c == 0x1680 || (c >= 0x2000 && c <= 0x2006) ||
         (c >= 0x2008 && c <= 0x200A) || c == 0x205F || c == 0x2028 || isParagraphSeparator(c);
}

size_t trimTrailingWhitespace(const std::u16string& text, size_t from, size_t end) {
  while (end > from && isTrailingWhitespace(text[end - 1])) --end;
  return end;
}

size_t skipLeadingWhitespace(const std::u16string& text, size_t from, size_t end) {
  while (from < end && isTrailingWhitespace(text[from])) ++from;
  return from;
}

std::vector<size_t> graphemeBoundaries(const std::u16string& text, size_t start, size_t end) {
  std::vector<size_t> out;
  end = std::min(end, text.size());
  if (start >= end) {
    out.push_back(std::min(start, text.size()));
    return out;
  }
  UBreakIterator* bi = breakers().chars;
  bool simple = true;  // ASCII without CR LF pairs: every unit is a cluster
  for (size_t i = start; i < end && simple; ++i) simple = text[i] < 0x300 && text[i] != u'\r';
  if (simple || !bi) {
    for (size_t i = start; i <= end; ++i) out.push_back(i);
    return out;
  }
  UErrorCode e = U_ZERO_ERROR;
  ubrk_setText(bi, reinterpret_cast<const UChar*>(text.data() + start),
               static_cast<int32_t>(end - start), &e);
  for (int32_t p = ubrk_first(bi); p != UBRK_DONE; p = ubrk_next(bi)) out.push_back(start + p);
  return out;
}

void lineHeight(const CTParagraphSettings& s, double ascent, double descent, double& height,
                double& baselineFromTop) {
  double h = ascent + descent;
  if (s.lineHeightMultiple > 0) h *= s.lineHeightMultiple;
  if (s.minimumLineHeight > 0) h = std::max(h, s.minimumLineHeight);
  if (s.maximumLineHeight > 0) h = std::min(h, s.maximumLineHeight);
  height = h;
  // Extra height (or a deficit) goes above the glyphs.
  baselineFromTop = h - descent;
}

double lineGap(const CTParagraphSettings& s, double leading) {
  double gap = leading + s.lineSpacingAdjustment;
  return std::clamp(gap, s.minimumLineSpacing,
                    std::max(s.minimumLineSpacing, s.maximumLineSpacing));
}

double RunData::ascent() const {
  return face ? face->ascender * size / face->unitsPerEm + shift : 0;
}
double RunData::descent() const {
  return face ? face->descender * size / face->unitsPerEm - shift : 0;
}
double RunData::leading() const {
  return face ? face->lineGap * size / face->unitsPerEm : 0;
}

Typesetter::Typesetter(std::shared_ptr<const TextSource> source) : source_(std::move(source)) {}

void Typesetter::prepare() {
  if (prepared_) return;
  prepared_ = true;
  const std::u16string& t = source_->text;
  size_t n = t.size();
  size_t i = 0;
  while (i < n) {
    Paragraph p;
    p.start = i;
    size_t j = i;
    while (j < n && !isParagraphSeparator(t[j])) ++j;
    p.end = j;
    p.next = j;
    if (j < n) p.next = (t[j] == u'\r' && j + 1 < n && t[j + 1] == u'\n') ? j + 2 : j + 1;
    const RunStyle& st = source_->styles[source_->styleAt(p.start)];
    static const auto defaults = std::make_shared<const CTParagraphSettings>();
    p.settings = st.paragraph ? st.paragraph : defaults;
    shapeParagraph(p);
    paragraphs_.push_back(std::move(p));
    i = paragraphs_.back().next;
  }
}

std::vector<uint8_t> resolveLevels(const std::u16string& text, Paragraph& p) {
  const char16_t* s = text.data() + p.start;
  size_t len = p.end - p.start;
  std::vector<uint8_t> levels;
  int8_t dir = p.settings->baseWritingDirection;
  p.baseLevel = dir == kCTWritingDirectionRightToLeft ? 1 : 0;
  if (len > 0 && (dir == kCTWritingDirectionRightToLeft || needsBidi(s, len))) {
    UErrorCode e = U_ZERO_ERROR;
    UBiDi* bidi = ubidi_openSized(static_cast<int32_t>(len), 0, &e);
    UBiDiLevel para = dir == kCTWritingDirectionNatural ? UBIDI_DEFAULT_LTR
                                                        : static_cast<UBiDiLevel>(p.baseLevel);
    ubidi_setPara(bidi, reinterpret_cast<const UChar*>(s), static_cast<int32_t>(len), para, nullptr,
                  &e);
    if (U_SUCCESS(e)) {
      p.baseLevel = ubidi_getParaLevel(bidi);
      const UBiDiLevel* lv = ubidi_getLevels(bidi, &e);
      if (U_SUCCESS(e) && lv) levels.assign(lv, lv + len);
    }
    ubidi_close(bidi);
  }
  return levels;
}

namespace {

// Fills in what an item takes from its style, shapes it and adds it to the paragraph.
void shapeItem(const TextSource& source, Paragraph& p, Item item, UScriptCode script) {
  const RunStyle& st = source.styles[item.style];
  if (!item.face) item.face = st.face;
  item.scale = st.size / item.face->unitsPerEm;
  item.kern = st.kernSet ? st.kern : 0;
  item.shift = st.baselineShift;
  item.shaped = shape(item.face, st.kernSet, (item.level & 1) ? HB_DIRECTION_RTL : HB_DIRECTION_LTR,
                      hbScript(script), source.text.data() + item.start, item.end - item.start);
  p.items.push_back(std::move(item));
}

size_t styleRunEnd(const TextSource& source, size_t run, size_t limit) {
  return run + 1 < source.runStarts.size() ? std::min(limit, source.runStarts[run + 1]) : limit;
}

// Left-to-right ASCII that every run's font has: nothing to split but the style runs.
bool isPlainAscii(const TextSource& source, const Paragraph& p,
                  const std::vector<uint8_t>& levels) {
  if (!levels.empty() || p.baseLevel != 0) return false;
  const std::u16string& t = source.text;
  for (size_t i = p.start; i < p.end; ++i)
    if (t[i] >= 0x80) return false;
  for (size_t r = source.styleAt(p.start); r < source.styles.size(); ++r) {
    size_t a = std::max(p.start, source.runStarts[r]);
    if (a >= p.end) break;
    for (size_t i = a, b = styleRunEnd(source, r, p.end); i < b; ++i)
      if (t[i] >= 0x20 && !source.styles[r].face->hasCharacter(t[i])) return false;
  }
  return true;
}

// The common case: one item per style run, Latin when it has a letter.
void itemizeStyleRuns(const TextSource& source, Paragraph& p) {
  const std::u16string& t = source.text;
  for (size_t at = p.start; at < p.end;) {
    size_t run = source.styleAt(at);
    size_t end = styleRunEnd(source, run, p.end);
    Item item;
    item.start = at;
    item.end = end;
    item.style = run;
    item.level = p.baseLevel;
    item.face = source.styles[run].face;
    UScriptCode script = USCRIPT_COMMON;
    for (size_t k = at; k < end && script == USCRIPT_COMMON; ++k)
      if ((t[k] | 0x20) >= 'a' && (t[k] | 0x20) <= 'z') script = USCRIPT_LATIN;
    shapeItem(source, p, std::move(item), script);
    at = end;
  }
}

// The face that sets character `cp` of the style `st`, given the item open before it.
const FontFace* faceFor(const RunStyle& st, const Item* open, UChar32 cp, UScriptCode script,
                        bool picture) {
  if (cp < 0x20 || cp == 0x2028 || cp == 0x200B || cp == 0x200D || cp == 0x200C ||
      isVariationSelector(cp))
    return open ? open->face : st.face;  // joiners and selectors stay with what they join
  if (picture) {
    if (const FontFace* colour = colorFaceForCharacter(cp)) return colour;
  }
  // Spaces and punctuation stay in the face before them, unless it is an emoji's: they
  // go back to the text's own font.
  if (isWeakScript(script) && open && !open->face->color && open->face->hasCharacter(cp))
    return open->face;
  const FontFace* face = faceForCharacter(st.face, static_cast<uint32_t>(cp));
  return face ? face : open ? open->face : st.face;
}

// Everything else: a new item wherever the style run, the level, the face or a strong
// script changes, character by character.
void itemizeByCharacter(const TextSource& source, Paragraph& p,
                        const std::vector<uint8_t>& levels) {
  const char16_t* s = source.text.data() + p.start;
  size_t len = p.end - p.start;
  Item cur;
  UScriptCode curScript = USCRIPT_COMMON;
  bool open = false;
  for (size_t i = 0; i < len;) {
    size_t at = p.start + i;
    UChar32 cp;
    size_t next = i;
    U16_NEXT(s, next, len, cp);
    size_t run = source.styleAt(at);
    uint8_t level = levels.empty() ? p.baseLevel : levels[i];
    UScriptCode sc = scriptOf(cp);
    bool sameRun = open && cur.style == run;
    const FontFace* face = faceFor(source.styles[run], sameRun ? &cur : nullptr, cp, sc,
                                   showsAsPicture(s, next, len, cp));
    bool scriptBreak = !isWeakScript(sc) && !isWeakScript(curScript) && sc != curScript;
    if (!sameRun || level != cur.level || face != cur.face || scriptBreak) {
      if (open) {
        cur.end = at;
        shapeItem(source, p, cur, curScript);
      }
      cur = Item{};
      cur.start = at;
      cur.style = run;
      cur.level = level;
      cur.face = face;
      curScript = sc;
      open = true;
    } else if (isWeakScript(curScript) && !isWeakScript(sc)) {
      curScript = sc;
    }
    i = next;
  }
  if (open) {
    cur.end = p.end;
    shapeItem(source, p, cur, curScript);
  }
}

}  // namespace

void itemize(const TextSource& source, Paragraph& p, const std::vector<uint8_t>& levels) {
  if (isPlainAscii(source, p, levels)) {
    itemizeStyleRuns(source, p);
  } else {
    itemizeByCharacter(source, p, levels);
  }
}

void measureAdvances(Paragraph& p) {
  size_t len = p.end - p.start;
  std::vector<double> adv(len, 0.0);
  for (const Item& it : p.items) {
    const auto& gs = it.shaped->glyphs;
    size_t g = gs.size();
    for (size_t k = 0; k < g; ++k) {
      size_t c = it.start - p.start + gs[k].cluster;
      if (c >= len) continue;
      adv[c] += gs[k].advance * it.scale;
      if (it.kern != 0 && (k + 1 == g || gs[k + 1].cluster != gs[k].cluster)) adv[c] += it.kern;
    }
  }
  p.x.assign(len + 1, 0.0);
  for (size_t i = 0; i < len; ++i) p.x[i + 1] = p.x[i] + adv[i];
}

void findBreaks(const std::u16string& text, Paragraph& p) {
  const char16_t* s = text.data() + p.start;
  size_t len = p.end - p.start;
  UBreakIterator* bi = breakers().line;
  if (len > 0 && bi) {
    UErrorCode e = U_ZERO_ERROR;
    ubrk_setText(bi, reinterpret_cast<const UChar*>(s), static_cast<int32_t>(len), &e);
    for (int32_t b = ubrk_next(bi); b != UBRK_DONE; b = ubrk_next(bi)) {
      p.breaks.push_back(static_cast<uint32_t>(p.start + b));
      p.hard.push_back(ubrk_getRuleStatus(bi) >= UBRK_LINE_HARD);
    }
  }
  if (p.breaks.empty() || p.breaks.back() != p.end) {
    p.breaks.push_back(static_cast<uint32_t>(p.end));
    p.hard.push_back(true);
  }
  p.hard.back() = true;
}

void Typesetter::shapeParagraph(Paragraph& p) {
  std::vector<uint8_t> levels = resolveLevels(source_->text, p);
  itemize(*source_, p, levels);
  measureAdvances(p);
  findBreaks(source_->text, p);
}

const Paragraph& Typesetter::paragraphAt(size_t index) {
  std::lock_guard lock(mutex_);
  prepare();
  return paragraphs_[paragraphIndex(index)];
}

size_t Typesetter::paragraphIndex(size_t index) {
  prepare();
  if (paragraphs_.empty()) return 0;
  auto it = std::upper_bound(paragraphs_.begin(), paragraphs_.end(), index,
                             [](size_t i, const Paragraph& p) { return i < p.next; });
  if (it == paragraphs_.end()) return paragraphs_.size() - 1;
  return static_cast<size_t>(it - paragraphs_.begin());
}

size_t Typesetter::fitEnd(const Paragraph& p, size_t pos, size_t limit, double avail,
                          size_t& cursor, bool charWrap) {
  const std::u16string& t = source_->text;
  auto visible = [&](size_t b) { return trimTrailingWhitespace(t, pos, b); };
  auto fits = [&](size_t b) { return p.advance(pos, visible(b)) <= avail + kEpsilon; };
  while (cursor < p.breaks.size() && p.breaks[cursor] <= pos) ++cursor;
  size_t best = 0;
  size_t firstBreak = limit;
  size_t k = cursor;
  for (; k < p.breaks.size(); ++k) {
    size_t b = std::min<size_t>(p.breaks[k], limit);
    bool hard = p.hard[k] || b == limit;
    if (k == cursor) firstBreak = b;
    if (!fits(b)) break;
    best = b;
    if (hard) break;
  }
  if (best != 0 && !charWrap) return best;
  // Break between clusters: inside a word that alone is too long, or anywhere in char
  // wrapping mode (up to the next mandatory break).
  size_t hardLimit = limit;
  if (charWrap) {
    for (size_t h = cursor; h < p.breaks.size(); ++h)
      if (p.hard[h] || p.breaks[h] >= limit) {
        hardLimit = std::min<size_t>(p.breaks[h], limit);
        break;
      }
    if (fits(hardLimit)) return hardLimit;
  } else {
    hardLimit = firstBreak;
  }
  std::vector<size_t> g = graphemeBoundaries(t, pos, hardLimit);
  size_t out = g.size() > 1 ? g[1] : hardLimit;
  for (size_t i = 1; i < g.size(); ++i) {
    if (!fits(g[i])) break;
    out = g[i];
  }
  if (charWrap && best > out) out = best;
  return std::max(out, pos + 1);
}

void Typesetter::lineMetrics(LineRecord& r, const Paragraph& p) {
  size_t end = std::min(r.end, p.end);
  bool any = false;
  for (const Item& it : p.items) {
    if (it.end <= r.start || it.start >= end) continue;
    r.ascent = any ? std::max(r.ascent, it.ascent()) : it.ascent();
    r.descent = any ? std::max(r.descent, it.descent()) : it.descent();
    r.leading = any ? std::max(r.leading, it.leading()) : it.leading();
    any = true;
  }
  if (!any) {
    // An empty line takes the metrics of the font at its position.
    size_t at = r.start < length() ? r.start : (length() ? length() - 1 : 0);
    const RunStyle& st = source_->styles[source_->styleAt(at)];
    double scale = st.size / st.face->unitsPerEm;
    r.ascent = st.face->ascender * scale;
    r.descent = st.face->descender * scale;
    r.leading = st.face->lineGap * scale;
  }
}

std::vector<LineRecord> Typesetter::breakLines(size_t start, size_t end, double width) {
  std::lock_guard lock(mutex_);
  return breakLinesLocked(start, end, width);
}

const std::vector<LineRecord>& Typesetter::breakLinesLocked(size_t start, size_t end,
                                                            double width) {
  prepare();
  end = std::min(end, length());
  if (cache_.start == start && cache_.end == end && cache_.width == width) return cache_.lines;
  std::vector<LineRecord> lines;
  size_t pos = start;
  size_t pi = paragraphIndex(start);
  size_t cursor = 0;
  size_t cursorPara = SIZE_MAX;
  while (pos < end && pi < paragraphs_.size()) {
    const Paragraph& p = paragraphs_[pi];
    if (cursorPara != pi) {
      cursor = 0;
      cursorPara = pi;
    }
    const CTParagraphSettings& S = *p.settings;
    LineRecord r;
    r.start = pos;
    r.paragraph = pi;
    r.firstInParagraph = pos == p.start;
    double indent = r.firstInParagraph ? S.firstLineHeadIndent : S.headIndent;
    double right = S.tailIndent > 0 ? S.tailIndent : width + S.tailIndent;
    r.available = right - indent;
    r.lineLeft = (p.baseLevel & 1) ? width - right : indent;
    size_t limit = std::min(end, p.end);
    size_t e = limit;
    if (pos < limit) {
      if (S.lineBreakMode >= kCTLineBreakByClipping) {
        e = limit;  // these modes never wrap; the line is cut or truncated instead
      } else {
        e = fitEnd(p, pos, limit, r.available, cursor,
                   S.lineBreakMode == kCTLineBreakByCharWrapping);
      }
    }
    r.end = e;
    if (e >= p.end) {
      r.end = std::min(p.next, end);
      r.lastInParagraph = true;
    }
    size_t content = std::min(e, p.end);
    size_t vis = trimTrailingWhitespace(source_->text, pos, content);
    r.visibleEnd = vis;
    r.width = p.advance(pos, content);
    r.trailingWhitespace = p.advance(vis, content);
    r.truncate = S.lineBreakMode >= kCTLineBreakByTruncatingHead &&
                 r.width - r.trailingWhitespace > r.available + kEpsilon;
    lineMetrics(r, p);
    lines.push_back(r);
    pos = r.end;
    if (pos >= p.next) ++pi;
  }
  cache_.start = start;
  cache_.end = end;
  cache_.width = width;
  cache_.lines = std::move(lines);
  return cache_.lines;
}

size_t Typesetter::suggestLineBreak(size_t start, double width, bool clusterOnly) {
  std::lock_guard lock(mutex_);
  prepare();
  if (start >= length()) return start;
  const Paragraph& p = paragraphs_[paragraphIndex(start)];
  if (start >= p.end) return p.next;
  size_t cursor = 0;
  size_t e = fitEnd(p, start, p.end, width, cursor, clusterOnly);
  // A line that reaches the paragraph's end takes its separator along.
  return e >= p.end ? p.next : e;
}

FrameLayout Typesetter::layoutFrame(size_t start, size_t end, double width, double height) {
  std::lock_guard lock(mutex_);
  const std::vector<LineRecord>& records = breakLinesLocked(start, end, width);
  FrameLayout f;
  f.visibleEnd = start;
  double top = 0;
  const CTParagraphSettings* prev = nullptr;
  for (const LineRecord& r : records) {
    const CTParagraphSettings& S = *paragraphs_[r.paragraph].settings;
    double lineTop = top;
    if (r.firstInParagraph)
      lineTop += (prev ? prev->paragraphSpacing : 0) + S.paragraphSpacingBefore;
    double h, bl;
    lineHeight(S, r.ascent, r.descent, h, bl);
    if (lineTop + h > height + kEpsilon) break;
    PlacedLine pl;
    pl.record = r;
    pl.top = lineTop;
    pl.baseline = lineTop + bl;
    pl.bottom = lineTop + h;
    double visible = r.width - r.trailingWhitespace;
    bool rtl = paragraphs_[r.paragraph].baseLevel & 1;
    double factor = CTTextAlignmentFlushFactor(
        static_cast<CTTextAlignment>(S.alignment),
        rtl ? kCTWritingDirectionRightToLeft : kCTWritingDirectionLeftToRight);
    double slack = r.available - visible;
    pl.x = r.lineLeft + (slack > 0 ? slack * factor : 0) - (rtl ? r.trailingWhitespace : 0);
    double indent = r.firstInParagraph ? S.firstLineHeadIndent : S.headIndent;
    double used = r.truncate || S.lineBreakMode == kCTLineBreakByClipping
                      ? std::min(visible, std::max(0.0, r.available))
                      : visible;
    f.width = std::max(f.width, used + (visible > 0 ? indent : 0));
    f.height = pl.bottom;
    f.visibleEnd = r.end;
    f.lines.push_back(pl);
    top = pl.bottom + lineGap(S, r.leading);
    prev = &S;
  }
  return f;
}

LineData Typesetter::buildLine(size_t start, size_t end) {
  std::lock_guard lock(mutex_);
  prepare();
  LineData L;
  L.source = source_;
  end = std::min(end, length());
  start = std::min(start, end);
  L.start = start;
  L.end = end;
  L.contentEnd = end;
  std::vector<RunData> logical;
  size_t lastPara = paragraphs_.empty() ? 0 : paragraphIndex(start);
  if (!paragraphs_.empty()) L.baseLevel = paragraphs_[lastPara].baseLevel;
  for (size_t pi = lastPara; pi < paragraphs_.size() && paragraphs_[pi].start < end; ++pi) {
    const Paragraph& p = paragraphs_[pi];
    if (pi > lastPara && p.start >= end) break;
    lastPara = pi;
    for (const Item& it : p.items) {
      size_t a = std::max(it.start, start), b = std::min(it.end, end);
      if (a >= b) continue;
      RunData rd;
      rd.source = source_;
      rd.start = a;
      rd.end = b;
      rd.style = it.style;
      rd.level = it.level;
      rd.face = it.face;
      rd.size = source_->styles[it.style].size;
      rd.shift = it.shift;
      const auto& gs = it.shaped->glyphs;
      size_t g = gs.size();
      for (size_t k = 0; k < g; ++k) {
        size_t c = it.start + gs[k].cluster;
        if (c < a || c >= b) continue;
        double adv = gs[k].advance * it.scale;
        if (it.kern != 0 && (k + 1 == g || gs[k + 1].cluster != gs[k].cluster)) adv += it.kern;
        rd.glyphs.push_back(gs[k].glyph);
        rd.indices.push_back(static_cast<uint32_t>(c));
        rd.xOffsets.push_back(gs[k].xOffset * it.scale);
        rd.ys.push_back(gs[k].yOffset * it.scale + it.shift);
        rd.advances.push_back(adv);
      }
      rd.charX.resize(b - a + 1);
      for (size_t i = a; i <= b; ++i) rd.charX[i - a] = p.advance(a, i);
      rd.width = rd.charX.back();
      logical.push_back(std::move(rd));
    }
  }
  if (!paragraphs_.empty()) {
    const Paragraph& p = paragraphs_[lastPara];
    if (end > p.end) L.contentEnd = std::max(start, p.end);
    size_t content = std::clamp(end, p.start, p.end);
    size_t vis = trimTrailingWhitespace(source_->text, std::max(start, p.start), content);
    L.trailingWhitespace = p.advance(vis, content);
  }
  finishLine(L, std::move(logical));
  return L;
}

void finishLine(LineData& L, std::vector<RunData> logical) {
  std::vector<UBiDiLevel> levels;
  for (const RunData& r : logical) levels.push_back(r.level);
  std::vector<int32_t> map(logical.size());
  bool mixed = std::any_of(levels.begin(), levels.end(), [](UBiDiLevel l) { return l != 0; });
  if (mixed) {
    ubidi_reorderVisual(levels.data(), static_cast<int32_t>(levels.size()), map.data());
  } else {
    for (size_t i = 0; i < map.size(); ++i) map[i] = static_cast<int32_t>(i);
  }
  L.runs.clear();
  double pen = 0;
  bool any = false;
  for (int32_t li : map) {
    RunData& r = logical[static_cast<size_t>(li)];
    r.x = pen;
    r.xs.resize(r.glyphs.size());
    double gx = pen;
    for (size_t k = 0; k < r.glyphs.size(); ++k) {
      r.xs[k] = gx + r.xOffsets[k];
      gx += r.advances[k];
    }
    pen += r.width;
    L.ascent = any ? std::max(L.ascent, r.ascent()) : r.ascent();
    L.descent = any ? std::max(L.descent, r.descent()) : r.descent();
    L.leading = any ? std::max(L.leading, r.leading()) : r.leading();
    any = true;
    L.runs.push_back(std::move(r));
  }
  L.width = pen;
  L.simple = L.source && L.baseLevel == 0;
  for (const RunData& r : L.runs) {
    if (!L.simple) break;
    if (r.token || r.rightToLeft()) L.simple = false;
    for (size_t i = r.start; i < r.end && L.simple; ++i) {
      char16_t c = L.source->text[i];
      L.simple = c < 0x300 && c != u'\r';
    }
  }
  if (!any && L.source && !L.source->text.empty()) {
    size_t at = L.start < L.source->text.size() ? L.start : L.source->text.size() - 1;
    const RunStyle& st = L.source->styles[L.source->styleAt(at)];
    double scale = st.size / st.face->unitsPerEm;
    L.ascent = st.face->ascender * scale;
    L.descent = st.face->descender * scale;
    L.leading = st.face->lineGap * scale;
  }
}

RunData sliceRun(const RunData& run, size_t a, size_t b) {
  RunData r;
  r.source = run.source;
  r.start = a;
  r.end = b;
  r.style = run.style;
  r.level = run.level;
  r.token = run.token;
  r.face = run.face;
  r.size = run.size;
  r.shift = run.shift;
  for (size_t k = 0; k < run.glyphs.size(); ++k) {
    if (!run.token && (run.indices[k] < a || run.indices[k] >= b)) continue;
    r.glyphs.push_back(run.glyphs[k]);
    r.indices.push_back(run.indices[k]);
    r.xOffsets.push_back(run.xOffsets[k]);
    r.ys.push_back(run.ys[k]);
    r.advances.push_back(run.advances[k]);
  }
  if (run.token) {
    r.charX = run.charX;
    r.width = run.width;
  } else {
    r.charX.resize(b - a + 1);
    for (size_t i = a; i <= b; ++i)
      r.charX[i - a] = run.charX[i - run.start] - run.charX[a - run.start];
    r.width = r.charX.back();
  }
  return r;
}

}  // namespace ct
