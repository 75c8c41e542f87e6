#include "CoreText/CTFont.h"

#include <functional>
#include <map>
#include <mutex>

#include "FontCatalog.h"

OBJC_CLASS_IMPL(CTFont) {}

const CFStringRef kCTFontPostScriptNameKey =
    NSString::stringWithUTF8String("NSFontPostScriptNameAttribute");
const CFStringRef kCTFontFamilyNameKey = NSString::stringWithUTF8String("NSFontFamilyAttribute");
const CFStringRef kCTFontFullNameKey = NSString::stringWithUTF8String("NSFontNameAttribute");

namespace {
constexpr CGFloat kDefaultSize = 12.0;
}

CTFont::CTFont(std::string_view name, CGFloat size, const CGAffineTransform* matrix)
    : size_(size > 0 ? size : kDefaultSize), matrix_(matrix ? *matrix : CGAffineTransform{}) {
  ct::ResolvedFont r = ct::resolveFontName(name);
  face_ = r.face;
  name_ = r.name;
  family_ = r.family;
  matched_ = r.matched;
}

CTFont::CTFont(const ct::FontFace* face, CGFloat size, std::string name, std::string family)
    : face_(face),
      size_(size > 0 ? size : kDefaultSize),
      name_(std::move(name)),
      family_(std::move(family)) {}

CGFloat CTFont::unitsToPoints(double units) const {
  return face_ ? units * size_ / face_->unitsPerEm : 0;
}
CGFloat CTFont::ascent() const {
  return face_ ? unitsToPoints(face_->ascender) : 0;
}
CGFloat CTFont::descent() const {
  return face_ ? unitsToPoints(face_->descender) : 0;
}
CGFloat CTFont::leading() const {
  return face_ ? unitsToPoints(face_->lineGap) : 0;
}

CGFontRef CTFont::graphicsFont() const {
  if (!face_) return nullptr;
  return CGFontCreateWithFontFile(face_->path, face_->index);  // cached by path and index
}

BOOL CTFont::isEqual(const NSObject* other) const {
  auto o = objc_cast<CTFont>(other);
  return o && o->face_ == face_ && o->size_ == size_ && o->name_ == name_ && o->matrix_ == matrix_;
}

std::size_t CTFont::hash() const {
  return std::hash<std::string>()(name_) ^ std::hash<CGFloat>()(size_);
}

std::string CTFont::description() const {
  return "<CTFont " + name_ + " " + std::to_string(size_) + "pt>";
}

CTFontRef CTFontCreateWithName(const CFStringRef& name, CGFloat size,
                               const CGAffineTransform* matrix) {
  return std::make_shared<CTFont>(name ? std::string_view(name->UTF8String()) : std::string_view(),
                                  size, matrix);
}

CTFontRef CTFontCreateWithFontFile(const std::string& path, int faceIndex, CGFloat size) {
  const ct::FontFace* f = ct::faceForFile(path, faceIndex);
  if (!f) return nullptr;
  return std::make_shared<CTFont>(f, size, f->postScriptName, f->familyName);
}

CTFontRef CTFontCreateCopyWithAttributes(const CTFontRef& font, CGFloat size,
                                         const CGAffineTransform* matrix, const id&) {
  if (!font) return nullptr;
  auto out = std::make_shared<CTFont>(font->face(), size > 0 ? size : font->size(),
                                      font->postScriptName(), font->familyName());
  (void)matrix;  // glyphs are drawn upright; a matrix only travels with the font
  return out;
}

CGFloat CTFontGetSize(const CTFontRef& font) {
  return font ? font->size() : 0;
}

CFStringRef CTFontCopyPostScriptName(const CTFontRef& font) {
  return font ? NSString::stringWithUTF8String(font->postScriptName()) : nullptr;
}
CFStringRef CTFontCopyFamilyName(const CTFontRef& font) {
  return font ? NSString::stringWithUTF8String(font->familyName()) : nullptr;
}
CFStringRef CTFontCopyFullName(const CTFontRef& font) {
  if (!font || !font->face()) return nullptr;
  return NSString::stringWithUTF8String(font->face()->fullName);
}

CFStringRef CTFontCopyName(const CTFontRef& font, const CFStringRef& key) {
  if (!font || !key) return nullptr;
  if (key->isEqualToString(kCTFontPostScriptNameKey)) return CTFontCopyPostScriptName(font);
  if (key->isEqualToString(kCTFontFamilyNameKey)) return CTFontCopyFamilyName(font);
  if (key->isEqualToString(kCTFontFullNameKey)) return CTFontCopyFullName(font);
  return nullptr;
}

CGAffineTransform CTFontGetMatrix(const CTFontRef& font) {
  return font ? font->matrix() : CGAffineTransform{};
}
CGFloat CTFontGetAscent(const CTFontRef& font) {
  return font ? font->ascent() : 0;
}
CGFloat CTFontGetDescent(const CTFontRef& font) {
  return font ? font->descent() : 0;
}
CGFloat CTFontGetLeading(const CTFontRef& font) {
  return font ? font->leading() : 0;
}
CGFloat CTFontGetUnderlinePosition(const CTFontRef& font) {
  return font && font->face() ? font->unitsToPoints(font->face()->underlinePosition) : 0;
}
CGFloat CTFontGetUnderlineThickness(const CTFontRef& font) {
  return font && font->face() ? font->unitsToPoints(font->face()->underlineThickness) : 0;
}
CGFloat CTFontGetCapHeight(const CTFontRef& font) {
  return font && font->face() ? font->unitsToPoints(font->face()->capHeight) : 0;
}
CGFloat CTFontGetXHeight(const CTFontRef& font) {
  return font && font->face() ? font->unitsToPoints(font->face()->xHeight) : 0;
}
unsigned CTFontGetUnitsPerEm(const CTFontRef& font) {
  return font && font->face() ? font->face()->unitsPerEm : 0;
}
std::string CTFontCopyFilePath(const CTFontRef& font) {
  return font && font->face() ? font->face()->path : std::string();
}
