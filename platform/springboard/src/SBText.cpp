#include "SBText.h"

#include <cairo.h>

#include "UIKit/UIGraphics.h"

namespace sbtext {

namespace {

void selectFont(cairo_t* cr, CGFloat fontSize, bool bold) {
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, fontSize);
}

}  // namespace

CGSize measure(const std::string& text, CGFloat fontSize, bool bold) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(surface);
  selectFont(cr, fontSize, bold);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  cairo_font_extents_t font;
  cairo_font_extents(cr, &font);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return CGSizeMake(extents.x_advance, font.ascent + font.descent);
}

void drawCentered(const std::string& text, CGRect rect, CGFloat fontSize, bool bold,
                  const CGFloat rgba[4]) {
  CGContextRef context = UIGraphicsGetCurrentContext();
  if (!context) return;
  cairo_t* cr = CGContextGetCairo(context);
  if (!cr) return;
  cairo_save(cr);
  selectFont(cr, fontSize, bold);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  cairo_font_extents_t font;
  cairo_font_extents(cr, &font);
  double x = rect.origin.x + (rect.size.width - extents.x_advance) / 2;
  double y = rect.origin.y + (rect.size.height - (font.ascent + font.descent)) / 2 + font.ascent;
  cairo_set_source_rgba(cr, rgba[0], rgba[1], rgba[2], rgba[3]);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, text.c_str());
  cairo_restore(cr);
}

}  // namespace sbtext
