// An attributed string that tells its layout managers when it changes.
#pragma once

#include <vector>

#include "Foundation/NSAttributedString.h"
#include "UIKit/UIKitExport.h"

class NSLayoutManager;

class NIMBRA_UIKIT_API NSTextStorage : public NSMutableAttributedString {
  OBJC_CLASS(NSTextStorage, NSMutableAttributedString)
 public:
  using NSMutableAttributedString::NSMutableAttributedString;
  // A copy of the string's characters and attributes; empty for none.
  static Strong<NSTextStorage> initWithAttributedString(const Strong<NSAttributedString>& string);

  // Held weakly: the layout manager holds the storage.
  void addLayoutManager(const Strong<NSLayoutManager>& lm);
  void removeLayoutManager(const Strong<NSLayoutManager>& lm);
  std::vector<Strong<NSLayoutManager>> layoutManagers() const;
  // Layout managers drop their layout; callers edit, then call this.
  void processEditing();

 private:
  std::vector<Weak<NSLayoutManager>> layoutManagers_;
};
