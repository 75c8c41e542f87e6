// The text benchmarks' peer and floor. The peer is Pango set up to lay out as the engine
// does: unhinted outlines and metrics, 72 dpi, unrounded glyph positions, DejaVu Sans at
// an absolute size, wrapping at words (then characters) at a fixed width. The floor is
// what any engine pays for a text: HarfBuzz shaping plus one ICU line-break pass.
#pragma once

#include <hb.h>
#include <pango/pangocairo.h>
#include <unicode/ubrk.h>

#include <string>
#include <vector>

#include "CoreGraphics/CGGeometry.h"

namespace bench {

struct Pango {
  PangoFontMap* map = pango_cairo_font_map_new();
  PangoContext* ctx = pango_font_map_create_context(map);
  PangoFontDescription* desc = pango_font_description_from_string("DejaVu Sans");
  double width;
  Pango(double size, double wrapWidth) : width(wrapWidth) {
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(ctx, o);
    cairo_font_options_destroy(o);
    pango_cairo_context_set_resolution(ctx, 72);
    pango_context_set_round_glyph_positions(ctx, FALSE);
    pango_font_description_set_absolute_size(desc, size * PANGO_SCALE);
  }
  // A fresh layout of the text, which the caller unrefs.
  PangoLayout* layout(const std::string& text) {
    PangoLayout* l = pango_layout_new(ctx);
    pango_layout_set_font_description(l, desc);
    pango_layout_set_wrap(l, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_width(l, static_cast<int>(width * PANGO_SCALE));
    pango_layout_set_text(l, text.c_str(), static_cast<int>(text.size()));
    return l;
  }
  // The same, laid out before it is answered, so that a first question pays nothing more.
  PangoLayout* laidOut(const std::string& text) {
    PangoLayout* l = layout(text);
    int w, h;
    pango_layout_get_size(l, &w, &h);
    return l;
  }
  // The index of the character under a point (y down) of a layout.
  static int indexAt(PangoLayout* layout, CGPoint p) {
    int index, trailing;
    pango_layout_xy_to_index(layout, static_cast<int>(p.x * PANGO_SCALE),
                             static_cast<int>(p.y * PANGO_SCALE), &index, &trailing);
    return index;
  }
};

// The 64 points (y down) every hit-testing case visits over a width x height text.
inline std::vector<CGPoint> hitTestPoints(double width, double height) {
  std::vector<CGPoint> points;
  for (int i = 0; i < 64; ++i)
    points.push_back(
        CGPointMake((i * 37) % static_cast<int>(width), (i * 13) % static_cast<int>(height)));
  return points;
}

struct Floor {
  hb_font_t* font;
  hb_buffer_t* buf = hb_buffer_create();
  UBreakIterator* bi;
  // `path` is the font file the engine measures with.
  explicit Floor(const std::string& path) {
    hb_blob_t* blob = hb_blob_create_from_file(path.c_str());
    hb_face_t* face = hb_face_create(blob, 0);
    font = hb_font_create(face);
    hb_face_destroy(face);
    hb_blob_destroy(blob);
    UErrorCode e = U_ZERO_ERROR;
    bi = ubrk_open(UBRK_LINE, "en_US", nullptr, 0, &e);
  }
  // Shapes the text and counts its break opportunities; the sum keeps both from being
  // optimised away.
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

}  // namespace bench
