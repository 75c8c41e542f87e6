#include "Preferences/PSSpecifier.h"

#include "Foundation/NSArray.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSString.h"

namespace {

// Borrowed: both are values the specifier's properties keep.
NSString* specifierName(NSObject* self, SEL) {
  return static_cast<PSSpecifier*>(self)->name().get();
}
NSString* specifierIdentifier(NSObject* self, SEL) {
  return static_cast<PSSpecifier*>(self)->identifier().get();
}

}  // namespace

OBJC_CLASS_IMPL(PSSpecifier) {
  class_addMethod(cls, OBJC_SEL("name"), objc::method<&specifierName>());
  class_addMethod(cls, OBJC_SEL("identifier"), objc::method<&specifierIdentifier>());
}

PSCellType PSSpecifier::cellTypeFromString(const Strong<NSString>& name) {
  static const std::pair<const char*, PSCellType> kinds[] = {
      {"PSGroupCell", PSGroupCell},
      {"PSLinkCell", PSLinkCell},
      {"PSLinkListCell", PSLinkListCell},
      {"PSListItemCell", PSListItemCell},
      {"PSTitleValueCell", PSTitleValueCell},
      {"PSSliderCell", PSSliderCell},
      {"PSSwitchCell", PSSwitchCell},
      {"PSStaticTextCell", PSStaticTextCell},
      {"PSEditTextCell", PSEditTextCell},
      {"PSSegmentCell", PSSegmentCell},
      {"PSGiantIconCell", PSGiantIconCell},
      {"PSGiantCell", PSGiantCell},
      {"PSSecureEditTextCell", PSSecureEditTextCell},
      {"PSButtonCell", PSButtonCell},
      {"PSEditTextViewCell", PSEditTextViewCell},
  };
  if (!name) return PSStaticTextCell;
  std::string text = name->stdString();
  for (const auto& [label, kind] : kinds) {
    if (text == label) return kind;
  }
  return PSStaticTextCell;
}

Strong<PSSpecifier> PSSpecifier::specifierWithEntry(const Strong<NSDictionary>& entry,
                                                    const id& target) {
  if (!entry) return nullptr;
  auto specifierObject = std::make_shared<PSSpecifier>();
  specifierObject->properties_ = NSMutableDictionary::dictionaryWithDictionary(entry);
  specifierObject->cellType_ = cellTypeFromString(specifierObject->stringForKey("cell"));
  specifierObject->target_ = target;
  return specifierObject;
}

id PSSpecifier::propertyForKey(const Strong<NSString>& key) const {
  return properties_ && key ? properties_->objectForKey(key) : nullptr;
}

id PSSpecifier::propertyForKey(const char* key) const {
  return propertyForKey(NSString::stringWithUTF8String(key));
}

void PSSpecifier::setPropertyForKey(const id& value, const Strong<NSString>& key) {
  if (!key) return;
  if (!properties_) properties_ = NSMutableDictionary::dictionary();
  if (value) {
    properties_->setObjectForKey(value, key);
  } else {
    properties_->removeObjectForKey(key);
  }
}

Strong<NSDictionary> PSSpecifier::properties() const {
  return properties_;
}

Strong<NSString> PSSpecifier::stringForKey(const char* key) const {
  return objc_cast<NSString>(propertyForKey(key));
}

Strong<NSString> PSSpecifier::name() const {
  return stringForKey("label");
}

Strong<NSString> PSSpecifier::identifier() const {
  if (auto s = stringForKey("id")) return s;
  if (auto s = key()) return s;
  return name();
}

Strong<NSArray> PSSpecifier::values() const {
  auto values = objc_cast<NSArray>(propertyForKey("validValues"));
  auto titles = objc_cast<NSArray>(propertyForKey("validTitles"));
  if (!values || !titles) return NSArray::array();
  auto out = NSMutableArray::array();
  for (NSUInteger i = 0; i < values->count() && i < titles->count(); ++i) {
    out->addObject(values->objectAtIndex(i));
  }
  return out;
}

Strong<NSArray> PSSpecifier::titles() const {
  auto values = objc_cast<NSArray>(propertyForKey("validValues"));
  auto titles = objc_cast<NSArray>(propertyForKey("validTitles"));
  if (!values || !titles) return NSArray::array();
  auto out = NSMutableArray::array();
  for (NSUInteger i = 0; i < values->count() && i < titles->count(); ++i) {
    // A title that is not a string shows as its description.
    id title = titles->objectAtIndex(i);
    if (!objc_cast<NSString>(title)) {
      title = NSString::stringWithUTF8String(title ? title->description() : std::string());
    }
    out->addObject(title);
  }
  return out;
}

Strong<NSString> PSSpecifier::titleForValue(const id& value) const {
  if (!value) return nullptr;
  auto vals = values();
  auto tits = titles();
  for (NSUInteger i = 0; i < vals->count(); ++i) {
    if (vals->objectAtIndex(i)->isEqual(value)) return objc_cast<NSString>(tits->objectAtIndex(i));
  }
  return nullptr;
}

SEL PSSpecifier::buttonAction() const {
  auto action = stringForKey("action");
  return action && action->length() ? sel_registerName(action->stdString()) : nullptr;
}
