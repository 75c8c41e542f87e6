// One entry of a settings list, built from a dictionary of the bundle's specifier list:
// its cell kind, label, where its value is stored and what it does when tapped.
#pragma once

#include <string>

#include "Foundation/NSObjCRuntime.h"
#include "Preferences/PreferencesExport.h"

class NSString;
class NSArray;
class NSDictionary;
class NSMutableDictionary;

enum PSCellType : NSInteger {
  PSGroupCell = 0,
  PSLinkCell = 1,
  PSLinkListCell = 2,
  PSListItemCell = 3,
  PSTitleValueCell = 4,
  PSSliderCell = 5,
  PSSwitchCell = 6,
  PSStaticTextCell = 7,
  PSEditTextCell = 8,
  PSSegmentCell = 9,
  PSGiantIconCell = 10,
  PSGiantCell = 11,
  PSSecureEditTextCell = 12,
  PSButtonCell = 13,
  PSEditTextViewCell = 14,
};

class NIMBRA_PREFERENCES_API PSSpecifier : public NSObject {
  OBJC_CLASS(PSSpecifier, NSObject)

 public:
  // The "cell" value of an entry; an unknown or missing kind is a static text row.
  static PSCellType cellTypeFromString(const Strong<NSString>& name);

  // `entry` is one dictionary of the list; none gives none. `target` receives the
  // button actions and does the reads and writes of values.
  static Strong<PSSpecifier> specifierWithEntry(const Strong<NSDictionary>& entry,
                                                const id& target);

  PSCellType cellType() const { return cellType_; }
  Strong<NSString> name() const;        // "label", none when absent
  Strong<NSString> identifier() const;  // "id", else "key", else the label
  id propertyForKey(const Strong<NSString>& key) const;
  id propertyForKey(const char* key) const;
  void setPropertyForKey(const id& value, const Strong<NSString>& key);
  Strong<NSDictionary> properties() const;

  // Strings of the entry, none when absent or not a string.
  Strong<NSString> stringForKey(const char* key) const;
  Strong<NSString> key() const { return stringForKey("key"); }
  Strong<NSString> defaults() const { return stringForKey("defaults"); }
  Strong<NSString> postNotification() const { return stringForKey("PostNotification"); }
  Strong<NSString> detailControllerClassName() const { return stringForKey("detail"); }
  Strong<NSString> cellClassName() const { return stringForKey("cellClass"); }
  id defaultValue() const { return propertyForKey("default"); }

  // The choices of a list entry: values and their titles, paired by index (extra
  // values or titles without a partner are dropped).
  Strong<NSArray> values() const;
  Strong<NSArray> titles() const;
  // The title of `value` among the choices; none when it is not one of them.
  Strong<NSString> titleForValue(const id& value) const;

  // The selector of a button entry ("action"), none when absent.
  SEL buttonAction() const;

  id target() const { return target_.lock(); }
  void setTarget(const id& target) { target_ = target; }

 private:
  Strong<NSMutableDictionary> properties_;
  PSCellType cellType_ = PSStaticTextCell;
  Weak<NSObject> target_;
};
