// Font faces shared by every CTFont: opened once, kept for the life of the process.
#pragma once

#include <hb.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace ct {

// One face of a font file. Immutable after creation, so any thread may read it; the
// HarfBuzz font is scaled to the face's units per em, so shaped results do not
// depend on the point size and positions scale by size / unitsPerEm.
struct FontFace {
  std::string path;
  int index = 0;
  std::string postScriptName;
  std::string familyName;
  std::string fullName;
  hb_face_t* hbFace = nullptr;
  hb_font_t* hbFont = nullptr;
  unsigned unitsPerEm = 1000;
  // Font units; descender positive below the baseline.
  double ascender = 0, descender = 0, lineGap = 0;
  double underlinePosition = 0, underlineThickness = 0;
  double capHeight = 0, xHeight = 0;
  // Superscript and subscript: the size of the smaller glyphs and how far their baseline
  // moves (up for superscripts, down for subscripts, both positive).
  double superscriptSize = 0, superscriptRise = 0;
  double subscriptSize = 0, subscriptDrop = 0;

  uint64_t asciiCoverage[2] = {0, 0};  // bit per code point below 128
  bool color = false;                  // colour glyphs: bitmaps, layers or SVG

  bool hasCharacter(uint32_t cp) const {
    if (cp < 128) return (asciiCoverage[cp >> 6] >> (cp & 63)) & 1;
    hb_codepoint_t g;
    return hb_font_get_nominal_glyph(hbFont, cp, &g);
  }
};

// The face of a file, opened on first use; none when the file cannot be read.
const FontFace* faceForFile(const std::string& path, int index);

// A device font name resolved onto an installed face. `name` is what the font reports
// as its PostScript name: the device name when it came from the name map, else the
// face's own.
struct ResolvedFont {
  const FontFace* face = nullptr;
  std::string name;
  std::string family;
  bool matched = false;  // false: the default face stands in for an unknown name
};
ResolvedFont resolveFontName(std::string_view name);

// The face used when nothing matches (the stand-in for Helvetica); never none while any
// font is installed.
const FontFace* defaultFace();

// A face that maps `cp`, preferring `base`; none when no installed font has it.
const FontFace* faceForCharacter(const FontFace* base, uint32_t cp);
// A colour face that maps `cp` (an emoji shown as a picture); none when no installed
// colour font has it.
const FontFace* colorFaceForCharacter(uint32_t cp);

}  // namespace ct
