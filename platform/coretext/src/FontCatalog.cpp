#include "FontCatalog.h"

#include <fontconfig/fontconfig.h>
#include <hb-ot.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace ct {
namespace {

// Device font names the system uses, set in fonts from Debian's fonts-inter and
// fonts-dejavu-core. Looked up before fontconfig, so these names resolve the same way
// on every machine that has those packages.
struct NameMapEntry {
  const char* deviceName;
  const char* family;          // reported family name
  const char* postScriptName;  // installed face
  bool ownName = false;        // report the face's own PostScript name
};
constexpr NameMapEntry kNameMap[] = {
    {"HelveticaNeue-UltraLight", "Helvetica Neue", "Inter-Thin"},
    {"HelveticaNeue-Thin", "Helvetica Neue", "Inter-ExtraLight"},
    {"HelveticaNeue-Light", "Helvetica Neue", "Inter-Light"},
    {"HelveticaNeue", "Helvetica Neue", "Inter-Regular"},
    {"HelveticaNeue-Medium", "Helvetica Neue", "Inter-Medium"},
    {"HelveticaNeue-Bold", "Helvetica Neue", "Inter-Bold"},
    {"HelveticaNeue-Italic", "Helvetica Neue", "Inter-Italic"},
    {"Helvetica", "Helvetica", "Inter-Regular"},
    {"Helvetica-Bold", "Helvetica", "Inter-Bold"},
    {"Helvetica-Oblique", "Helvetica", "Inter-Italic"},
    {".SFUI-Regular", ".SF UI", "Inter-Regular"},
    {".SFUI-Bold", ".SF UI", "Inter-Bold"},
    {".SFUI-Italic", ".SF UI", "Inter-Italic"},
    {"DejaVuSans", "DejaVu Sans", "DejaVuSans", true},
    {"DejaVu Sans", "DejaVu Sans", "DejaVuSans", true},
    {"DejaVuSans-Bold", "DejaVu Sans", "DejaVuSans-Bold", true},
    {"DejaVu Sans Bold", "DejaVu Sans", "DejaVuSans-Bold", true},
    {"DejaVuSans-Oblique", "DejaVu Sans", "DejaVuSans-Oblique", true},
};

std::string nameEntry(hb_face_t* face, hb_ot_name_id_t id) {
  unsigned len = hb_ot_name_get_utf8(face, id, HB_LANGUAGE_INVALID, nullptr, nullptr);
  if (len == 0) return {};
  std::string out(len + 1, '\0');
  unsigned size = len + 1;
  hb_ot_name_get_utf8(face, id, HB_LANGUAGE_INVALID, &size, out.data());
  out.resize(size);
  return out;
}

double metric(hb_font_t* font, hb_ot_metrics_tag_t tag) {
  hb_position_t v = 0;
  hb_ot_metrics_get_position_with_fallback(font, tag, &v);
  return v;
}

std::unique_ptr<FontFace> openFace(const std::string& path, int index) {
  hb_blob_t* blob = hb_blob_create_from_file_or_fail(path.c_str());
  if (!blob) return nullptr;
  hb_face_t* face = hb_face_create(blob, static_cast<unsigned>(index));
  hb_blob_destroy(blob);
  if (hb_face_get_glyph_count(face) == 0) {
    hb_face_destroy(face);
    return nullptr;
  }
  auto f = std::make_unique<FontFace>();
  f->path = path;
  f->index = index;
  f->hbFace = face;
  f->unitsPerEm = std::max(1u, hb_face_get_upem(face));
  f->hbFont = hb_font_create(face);
  hb_font_set_scale(f->hbFont, static_cast<int>(f->unitsPerEm), static_cast<int>(f->unitsPerEm));
  hb_font_make_immutable(f->hbFont);
  f->ascender = metric(f->hbFont, HB_OT_METRICS_TAG_HORIZONTAL_ASCENDER);
  f->descender = -metric(f->hbFont, HB_OT_METRICS_TAG_HORIZONTAL_DESCENDER);
  f->lineGap = std::max(0.0, metric(f->hbFont, HB_OT_METRICS_TAG_HORIZONTAL_LINE_GAP));
  f->underlinePosition = metric(f->hbFont, HB_OT_METRICS_TAG_UNDERLINE_OFFSET);
  f->underlineThickness = metric(f->hbFont, HB_OT_METRICS_TAG_UNDERLINE_SIZE);
  f->capHeight = metric(f->hbFont, HB_OT_METRICS_TAG_CAP_HEIGHT);
  f->xHeight = metric(f->hbFont, HB_OT_METRICS_TAG_X_HEIGHT);
  f->superscriptSize = metric(f->hbFont, HB_OT_METRICS_TAG_SUPERSCRIPT_EM_Y_SIZE);
  f->superscriptRise = metric(f->hbFont, HB_OT_METRICS_TAG_SUPERSCRIPT_EM_Y_OFFSET);
  f->subscriptSize = metric(f->hbFont, HB_OT_METRICS_TAG_SUBSCRIPT_EM_Y_SIZE);
  f->subscriptDrop = metric(f->hbFont, HB_OT_METRICS_TAG_SUBSCRIPT_EM_Y_OFFSET);
  f->postScriptName = nameEntry(face, HB_OT_NAME_ID_POSTSCRIPT_NAME);
  f->familyName = nameEntry(face, HB_OT_NAME_ID_TYPOGRAPHIC_FAMILY);
  if (f->familyName.empty()) f->familyName = nameEntry(face, HB_OT_NAME_ID_FONT_FAMILY);
  f->fullName = nameEntry(face, HB_OT_NAME_ID_FULL_NAME);
  f->color = hb_ot_color_has_png(face) || hb_ot_color_has_layers(face) || hb_ot_color_has_svg(face);
  for (uint32_t cp = 0; cp < 128; ++cp) {
    hb_codepoint_t g;
    if (hb_font_get_nominal_glyph(f->hbFont, cp, &g))
      f->asciiCoverage[cp >> 6] |= 1ull << (cp & 63);
  }
  return f;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// Everything below is guarded by one mutex: lookups are rare (results are cached in
// CTFont and in the fallback tables), faces are never freed.
struct Catalog {
  std::mutex mutex;
  std::map<std::pair<std::string, int>, std::unique_ptr<FontFace>> faces;
  std::unordered_map<std::string, ResolvedFont> byName;
  std::vector<const FontFace*> fallbacks;
  std::unordered_map<uint32_t, const FontFace*> byCharacter;
  std::unordered_map<uint32_t, const FontFace*> colorByCharacter;
  const FontFace* defaultFace = nullptr;
  bool defaultResolved = false;

  Catalog() { FcInit(); }

  const FontFace* face(const std::string& path, int index) {
    auto key = std::make_pair(path, index);
    auto it = faces.find(key);
    if (it != faces.end()) return it->second.get();
    auto f = openFace(path, index);
    const FontFace* out = f.get();
    faces.emplace(key, std::move(f));  // a failed open is remembered as none
    return out;
  }

  const FontFace* faceFromPattern(FcPattern* p) {
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch) return nullptr;
    FcPatternGetInteger(p, FC_INDEX, 0, &index);
    return face(reinterpret_cast<const char*>(file), index);
  }

  // First installed face whose `object` equals `value` exactly (fontconfig's match
  // would always answer something, so listing is used to know "no such font").
  const FontFace* listed(const char* object, std::string_view value) {
    std::string v(value);
    FcPattern* pat = FcPatternCreate();
    FcPatternAddString(pat, object, reinterpret_cast<const FcChar8*>(v.c_str()));
    FcObjectSet* os = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_STYLE, nullptr);
    FcFontSet* set = FcFontList(nullptr, pat, os);
    const FontFace* out = nullptr;
    if (set) {
      // Prefer the regular style of a family.
      int best = -1;
      for (int i = 0; i < set->nfont; ++i) {
        FcChar8* style = nullptr;
        if (best < 0) best = i;
        if (FcPatternGetString(set->fonts[i], FC_STYLE, 0, &style) == FcResultMatch &&
            (equalsIgnoringCase(reinterpret_cast<const char*>(style), "Regular") ||
             equalsIgnoringCase(reinterpret_cast<const char*>(style), "Book"))) {
          best = i;
          break;
        }
      }
      if (best >= 0) out = faceFromPattern(set->fonts[best]);
      FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(os);
    FcPatternDestroy(pat);
    return out;
  }

  const FontFace* defaultLocked() {
    if (defaultResolved) return defaultFace;
    defaultResolved = true;
    defaultFace = listed(FC_POSTSCRIPT_NAME, "Inter-Regular");
    if (!defaultFace) defaultFace = listed(FC_POSTSCRIPT_NAME, "DejaVuSans");
    if (!defaultFace) {
      FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
      FcConfigSubstitute(nullptr, pat, FcMatchPattern);
      FcDefaultSubstitute(pat);
      FcResult r;
      FcPattern* m = FcFontMatch(nullptr, pat, &r);
      if (m) {
        defaultFace = faceFromPattern(m);
        FcPatternDestroy(m);
      }
      FcPatternDestroy(pat);
    }
    return defaultFace;
  }

  ResolvedFont resolve(std::string_view name) {
    std::string key(name);
    auto it = byName.find(key);
    if (it != byName.end()) return it->second;
    ResolvedFont out;
    for (const auto& e : kNameMap) {
      if (name == e.deviceName) {
        out.face = listed(FC_POSTSCRIPT_NAME, e.postScriptName);
        out.name = e.deviceName;
        out.family = e.family;
        if (out.face && e.ownName) out.name = out.face->postScriptName;
        break;
      }
    }
    if (!out.face && !name.empty()) {
      const FontFace* f = listed(FC_POSTSCRIPT_NAME, name);
      if (!f) f = listed(FC_FAMILY, name);
      if (!f) f = listed(FC_FULLNAME, name);
      if (f) {
        out.face = f;
        out.name = f->postScriptName;
        out.family = f->familyName;
      }
    }
    out.matched = out.face != nullptr;
    if (!out.face) {
      // Unknown names get the default face, as the device gives Helvetica.
      out.face = defaultLocked();
      out.name = "Helvetica";
      out.family = "Helvetica";
    }
    byName.emplace(key, out);
    return out;
  }

  enum class FontKind { kAny, kColor };

  // The first face, in fontconfig's order of preference for `family`, that has `cp`
  // (and colour glyphs, when asked for).
  const FontFace* firstSortedFace(const char* family, uint32_t cp, FontKind kind) {
    const FontFace* out = nullptr;
    FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>(family));
    FcCharSet* cs = FcCharSetCreate();
    FcCharSetAddChar(cs, cp);
    FcPatternAddCharSet(pat, FC_CHARSET, cs);
    if (kind == FontKind::kColor) FcPatternAddBool(pat, FC_COLOR, FcTrue);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult r;
    if (FcFontSet* set = FcFontSort(nullptr, pat, FcFalse, nullptr, &r)) {
      for (int i = 0; i < set->nfont && !out; ++i) {
        FcBool color = FcFalse;
        FcCharSet* fcs = nullptr;
        if (kind == FontKind::kColor &&
            (FcPatternGetBool(set->fonts[i], FC_COLOR, 0, &color) != FcResultMatch || !color))
          continue;
        if (FcPatternGetCharSet(set->fonts[i], FC_CHARSET, 0, &fcs) != FcResultMatch ||
            !FcCharSetHasChar(fcs, cp))
          continue;
        const FontFace* f = faceFromPattern(set->fonts[i]);
        if (f && (kind != FontKind::kColor || f->color) && f->hasCharacter(cp)) out = f;
      }
      FcFontSetDestroy(set);
    }
    FcCharSetDestroy(cs);
    FcPatternDestroy(pat);
    return out;
  }

  const FontFace* forCharacter(uint32_t cp) {
    auto it = byCharacter.find(cp);
    if (it != byCharacter.end()) return it->second;
    const FontFace* out = nullptr;
    for (const FontFace* f : fallbacks) {
      if (f->hasCharacter(cp)) {
        out = f;
        break;
      }
    }
    if (!out) {
      out = firstSortedFace("sans-serif", cp, FontKind::kAny);
      if (out && std::find(fallbacks.begin(), fallbacks.end(), out) == fallbacks.end())
        fallbacks.push_back(out);
    }
    if (byCharacter.size() > 65536) byCharacter.clear();
    byCharacter.emplace(cp, out);
    return out;
  }

  // fontconfig's best colour font for the character.
  const FontFace* forColorCharacter(uint32_t cp) {
    auto it = colorByCharacter.find(cp);
    if (it != colorByCharacter.end()) return it->second;
    const FontFace* out = firstSortedFace("emoji", cp, FontKind::kColor);
    if (colorByCharacter.size() > 65536) colorByCharacter.clear();
    colorByCharacter.emplace(cp, out);
    return out;
  }
};

Catalog& catalog() {
  static Catalog* c = new Catalog();  // outlives every static CTFont
  return *c;
}

}  // namespace

const FontFace* faceForFile(const std::string& path, int index) {
  Catalog& c = catalog();
  std::lock_guard lock(c.mutex);
  return c.face(path, index);
}

ResolvedFont resolveFontName(std::string_view name) {
  Catalog& c = catalog();
  std::lock_guard lock(c.mutex);
  return c.resolve(name);
}

const FontFace* defaultFace() {
  Catalog& c = catalog();
  std::lock_guard lock(c.mutex);
  return c.defaultLocked();
}

const FontFace* colorFaceForCharacter(uint32_t cp) {
  Catalog& c = catalog();
  std::lock_guard lock(c.mutex);
  return c.forColorCharacter(cp);
}

const FontFace* faceForCharacter(const FontFace* base, uint32_t cp) {
  if (base && base->hasCharacter(cp)) return base;
  Catalog& c = catalog();
  std::lock_guard lock(c.mutex);
  return c.forCharacter(cp);
}

}  // namespace ct
