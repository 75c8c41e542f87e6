// Font files for glyph drawing. The text engine resolves fonts and shapes text; the
// context only needs a face to draw glyph ids with.
#pragma once

#include <cstdint>
#include <string>

#include "CoreGraphics/CoreGraphicsExport.h"
#include "objc/NSObject.h"

using CGGlyph = uint16_t;

typedef struct _cairo_font_face cairo_font_face_t;
typedef struct FT_FaceRec_* FT_Face;

class NIMBRA_COREGRAPHICS_API CGFont : public NSObject {
  OBJC_CLASS(CGFont, NSObject)
 public:
  CGFont(std::string path, int faceIndex, FT_Face face, cairo_font_face_t* cairoFace);
  ~CGFont() override;

  const std::string& path() const { return path_; }
  int faceIndex() const { return faceIndex_; }
  int unitsPerEm() const;
  std::string postScriptName() const;
  size_t numberOfGlyphs() const;
  cairo_font_face_t* cairoFace() const { return cairoFace_; }

 private:
  std::string path_;
  int faceIndex_;
  FT_Face face_;
  cairo_font_face_t* cairoFace_;
};
using CGFontRef = Strong<CGFont>;

// Our extension: the face `faceIndex` of a font file. Faces are cached by path and index,
// so asking again returns the same object. None when the file is not a font.
NIMBRA_COREGRAPHICS_API CGFontRef CGFontCreateWithFontFile(const std::string& path, int faceIndex);
NIMBRA_COREGRAPHICS_API int CGFontGetUnitsPerEm(const CGFontRef& font);  // 0 for none
NIMBRA_COREGRAPHICS_API size_t CGFontGetNumberOfGlyphs(const CGFontRef& font);
