// nimbra label --compare DIR: the same paragraphs set by the rich text label and by
// Pango, on the same fonts at the same widths, written side by side (ours left, Pango's
// right) so that a person can see where the two typesetters differ.
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "CoreGraphics/CGImage.h"
#include "LabelCompare.h"
#include "TTTAttributedLabel.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"

namespace {

constexpr double kScale = 2;  // pixels per point in the pictures
constexpr double kSize = 15;
constexpr double kGap = 12;     // points between the two sides
constexpr double kPadding = 6;  // points around each side

struct Part {
  const char* text;
  const char* family;
  bool bold = false, italic = false;
};

struct Case {
  const char* name;
  double width;
  std::vector<Part> parts;
};

const std::vector<Case>& cases() {
  static const std::vector<Case> all = {
      {"plain-180",
       180,
       {{"Badges glow in the colour you choose, and the settings pane keeps a list of the "
         "apps whose badges stay hidden.",
         "DejaVu Sans"}}},
      {"styles-260",
       260,
       {{"Thanks to ", "DejaVu Sans"},
        {"everyone", "DejaVu Sans", true},
        {" who tested the ", "DejaVu Sans"},
        {"early builds", "DejaVu Sans", false, true},
        {" and reported what broke. AVATAR Wave To Ty.", "DejaVu Sans"}}},
      {"narrow-40", 40, {{"Glowing badges everywhere", "DejaVu Sans"}}},
      {"hebrew-160",
       160,
       {{"\u05EA\u05D5\u05D3\u05D4 \u05DC\u05DE\u05E2\u05E6\u05D1 \u05D4\u05E1\u05DE\u05DC "
         "\u05D5\u05DC\u05DB\u05DC \u05D4\u05D1\u05D5\u05D3\u05E7\u05D9\u05DD",
         "Noto Sans Hebrew"}}},
      {"arabic-200",
       200,
       {{"\u0634\u0643\u0631\u0627 \u0644\u0644\u0645\u0635\u0645\u0645 \u0639\u0644\u0649 "
         "\u0627\u0644\u0623\u064A\u0642\u0648\u0646\u0629 \u0648\u0644\u0644\u062C\u0645"
         "\u064A\u0639",
         "Noto Sans Arabic"}}},
      {"devanagari-200",
       200,
       {{"\u0939\u093F\u0928\u094D\u0926\u0940 \u0915\u094D\u0937\u0924\u094D\u0930\u093F"
         "\u092F \u0935\u093F\u0926\u094D\u092F\u093E\u0932\u092F",
         "Noto Sans Devanagari"}}},
      {"cjk-120",
       120,
       {{"\u65E5\u672C\u8A9E\u306E\u30C6\u30AD\u30B9\u30C8\u3092\u6298\u308A\u8FD4\u3059\u3002"
         "\u5404\u884C\u306E\u5E45\u304C\u5909\u308F\u308B\u3002",
         "Noto Sans CJK JP"}}},
      {"mixed-300",
       300,
       {{"Settings \u05D4\u05D2\u05D3\u05E8\u05D5\u05EA and \u0627\u0644\u0625\u0639\u062F"
         "\u0627\u062F\u0627\u062A side by side.",
         "DejaVu Sans"}}},
  };
  return all;
}

// The font the label is given for a part: the family's own face, bold or oblique
// through the names DejaVu's faces answer to.
Strong<UIFont> fontFor(const Part& p) {
  std::string name = p.family;
  if (name == "DejaVu Sans")
    name = p.bold ? "DejaVuSans-Bold" : p.italic ? "DejaVuSans-Oblique" : "DejaVuSans";
  return UIFont::fontWithNameSize(NSString::stringWithUTF8String(name.c_str()), kSize);
}

std::string joined(const Case& c) {
  std::string s;
  for (const Part& p : c.parts) s += p.text;
  return s;
}

// Ours: the label at the case's width, as tall as it needs, drawn at the picture scale.
bool drawOurs(const Case& c, double height, const std::string& path) {
  auto text = NSMutableAttributedString::initWithString(NSString::stringWithUTF8String(""));
  for (const Part& p : c.parts)
    text->appendAttributedString(NSAttributedString::initWithStringAttributes(
        NSString::stringWithUTF8String(p.text),
        NSDictionary::dictionaryWithObjectsAndKeys({{kCTFontAttributeName, fontFor(p)}})));
  auto label = TTTAttributedLabel::initWithFrame(CGRectMake(0, 0, c.width, height));
  // The label places each baseline by its own font's descender: give it the text's font
  // so that the pictures compare typesetting, not that placement.
  label->setFont(fontFor(c.parts.front()));
  label->setNumberOfLines(0);
  label->setVerticalAlignment(TTTAttributedLabelVerticalAlignmentTop);
  label->setText(text);
  UIGraphicsBeginImageContextWithOptions(CGSizeMake(c.width, height), false, kScale);
  label->drawTextInRect(label->bounds());
  auto image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  return image && CGImageWriteToPNGFile(image->CGImage(), path);
}

PangoLayout* pangoLayout(cairo_t* cr, const Case& c) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoContext* ctx = pango_layout_get_context(layout);
  cairo_font_options_t* opts = cairo_font_options_create();
  cairo_font_options_set_hint_style(opts, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(opts, CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(ctx, opts);
  cairo_font_options_destroy(opts);
  pango_cairo_context_set_resolution(ctx, 72);
  pango_context_set_round_glyph_positions(ctx, FALSE);
  pango_layout_context_changed(layout);
  PangoFontDescription* desc = pango_font_description_from_string(c.parts.front().family);
  pango_font_description_set_absolute_size(desc, kSize * PANGO_SCALE);
  pango_layout_set_font_description(layout, desc);
  pango_font_description_free(desc);
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  pango_layout_set_width(layout, static_cast<int>(c.width * PANGO_SCALE));
  PangoAttrList* list = pango_attr_list_new();
  pango_attr_list_insert(list, pango_attr_insert_hyphens_new(FALSE));
  unsigned at = 0;
  for (const Part& p : c.parts) {
    unsigned end = at + static_cast<unsigned>(std::string(p.text).size());
    auto add = [&](PangoAttribute* a) {
      a->start_index = at, a->end_index = end;
      pango_attr_list_insert(list, a);
    };
    add(pango_attr_family_new(p.family));
    if (p.bold) add(pango_attr_weight_new(PANGO_WEIGHT_BOLD));
    if (p.italic) add(pango_attr_style_new(PANGO_STYLE_OBLIQUE));
    at = end;
  }
  pango_layout_set_attributes(layout, list);
  pango_attr_list_unref(list);
  pango_layout_set_text(layout, joined(c).c_str(), -1);
  return layout;
}

bool drawPango(const Case& c, double height, const std::string& path) {
  auto w = static_cast<int>(std::ceil(c.width * kScale));
  auto h = static_cast<int>(std::ceil(height * kScale));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, kScale, kScale);
  PangoLayout* layout = pangoLayout(cr, c);
  cairo_set_source_rgb(cr, 0, 0, 0);
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
  cairo_destroy(cr);
  bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

// Pango's height for the case, in points: both sides get the taller of the two.
double pangoHeight(const Case& c) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(surface);
  PangoLayout* layout = pangoLayout(cr, c);
  int w = 0, h = 0;
  pango_layout_get_size(layout, &w, &h);
  int lines = pango_layout_get_line_count(layout);
  g_object_unref(layout);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  std::printf("  %-16s Pango: %d lines, %.1f pt tall\n", c.name, lines, h / double(PANGO_SCALE));
  return h / double(PANGO_SCALE);
}

// The two pictures on white, side by side, with a hairline between them.
bool sideBySide(const std::string& left, const std::string& right, const std::string& path) {
  cairo_surface_t* a = cairo_image_surface_create_from_png(left.c_str());
  cairo_surface_t* b = cairo_image_surface_create_from_png(right.c_str());
  bool ok = cairo_surface_status(a) == CAIRO_STATUS_SUCCESS &&
            cairo_surface_status(b) == CAIRO_STATUS_SUCCESS;
  if (ok) {
    int pad = static_cast<int>(kPadding * kScale), gap = static_cast<int>(kGap * kScale);
    int wa = cairo_image_surface_get_width(a), wb = cairo_image_surface_get_width(b);
    int h = std::max(cairo_image_surface_get_height(a), cairo_image_surface_get_height(b));
    cairo_surface_t* out =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pad * 2 + wa + gap + wb, pad * 2 + h);
    cairo_t* cr = cairo_create(out);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_surface(cr, a, pad, pad);
    cairo_paint(cr);
    cairo_set_source_surface(cr, b, pad + wa + gap, pad);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.8, 0.8, 0.8);
    cairo_rectangle(cr, pad + wa + gap / 2.0 - 0.5, 0, 1, pad * 2 + h);
    cairo_fill(cr);
    cairo_destroy(cr);
    ok = cairo_surface_write_to_png(out, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(out);
  }
  cairo_surface_destroy(a);
  cairo_surface_destroy(b);
  return ok;
}

}  // namespace

int writeLabelComparison(const std::string& dir) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) {
    std::fprintf(stderr, "nimbra label: cannot make %s: %s\n", dir.c_str(),
                 error.message().c_str());
    return 1;
  }
  std::printf("ours left, Pango right, in %s:\n", dir.c_str());
  for (const Case& c : cases()) {
    double height = std::ceil(pangoHeight(c)) + 4;
    std::string base = dir + "/" + c.name;
    if (!drawOurs(c, height, base + "-ours.png") || !drawPango(c, height, base + "-pango.png") ||
        !sideBySide(base + "-ours.png", base + "-pango.png", base + ".png")) {
      std::fprintf(stderr, "nimbra label: cannot write %s.png\n", base.c_str());
      return 1;
    }
  }
  return 0;
}
