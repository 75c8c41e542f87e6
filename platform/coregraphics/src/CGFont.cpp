#include "CoreGraphics/CGFont.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <map>
#include <mutex>

OBJC_CLASS_IMPL(CGFont) {}

namespace {
std::mutex fontMutex;
FT_Library library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return lib;
}
const cairo_user_data_key_t kFaceKey{};
}  // namespace

CGFont::CGFont(std::string path, int faceIndex, FT_Face face, cairo_font_face_t* cairoFace)
    : path_(std::move(path)), faceIndex_(faceIndex), face_(face), cairoFace_(cairoFace) {}

// The cairo face owns the FreeType face (released through its user data).
CGFont::~CGFont() {
  cairo_font_face_destroy(cairoFace_);
}

int CGFont::unitsPerEm() const {
  return face_->units_per_EM;
}
std::string CGFont::postScriptName() const {
  const char* n = FT_Get_Postscript_Name(face_);
  return n ? n : "";
}
size_t CGFont::numberOfGlyphs() const {
  return static_cast<size_t>(face_->num_glyphs);
}

CGFontRef CGFontCreateWithFontFile(const std::string& path, int faceIndex) {
  std::lock_guard<std::mutex> lock(fontMutex);
  static std::map<std::pair<std::string, int>, CGFontRef> cache;
  auto key = std::make_pair(path, faceIndex);
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  if (!library() || faceIndex < 0) return nullptr;
  FT_Face face = nullptr;
  if (FT_New_Face(library(), path.c_str(), faceIndex, &face) != 0) return nullptr;
  cairo_font_face_t* cf = cairo_ft_font_face_create_for_ft_face(face, 0);
  if (cairo_font_face_set_user_data(cf, &kFaceKey, face, [](void* f) {
        FT_Done_Face(static_cast<FT_Face>(f));
      }) != CAIRO_STATUS_SUCCESS) {
    cairo_font_face_destroy(cf);
    FT_Done_Face(face);
    return nullptr;
  }
  auto font = std::make_shared<CGFont>(path, faceIndex, face, cf);
  cache[key] = font;
  return font;
}

int CGFontGetUnitsPerEm(const CGFontRef& font) {
  return font ? font->unitsPerEm() : 0;
}
size_t CGFontGetNumberOfGlyphs(const CGFontRef& font) {
  return font ? font->numberOfGlyphs() : 0;
}
