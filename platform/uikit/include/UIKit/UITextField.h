// A one-line editable text with a caret and a selection.
//
// The selection is a range of UTF-16 units that never splits a surrogate pair; an empty
// one is the caret. Typing replaces the selection and leaves the caret after what was
// typed; the arrow keys move the caret by a character (with shift they extend the
// selection from where it started), Home and End to the ends; cut, copy and paste go
// through the general pasteboard. Every change of the text sends the editing-changed
// actions. The caret does not blink: a field at rest draws nothing new.
#pragma once

#include "Foundation/NSRange.h"
#include "UIKit/UIControl.h"
#include "UIKit/UIKitExport.h"

class NSString;
class UILabel;

class NIMBRA_UIKIT_API UITextField : public UIControl {
  OBJC_CLASS(UITextField, UIControl)

 public:
  UITextField();

  // Never none: an empty field has the empty string.
  Strong<NSString> text() const;
  // Replaces the text; the caret goes to its end.
  void setText(const Strong<NSString>& text);
  Strong<NSString> placeholder() const { return placeholder_; }
  void setPlaceholder(const Strong<NSString>& placeholder);

  NSRange selectedRange() const;
  // Clamped to the text and widened to whole characters; the caret is its end.
  void setSelectedRange(NSRange range);

  // Typing: replaces the selection and sends the editing-changed actions.
  void insertText(const Strong<NSString>& text);
  // Backspace and Delete: the selection, else the character before (after) the caret.
  void deleteBackward();
  void deleteForward();

  // Caret movement by a character (-1 left, +1 right) or to an end; `extend` keeps the
  // selection's other end where it was (shift held).
  enum class Extend { No, Yes };
  void moveCaret(int direction, Extend extend);
  void moveCaretToEnd(int direction, Extend extend);
  void selectAll();
  // The place in the text nearest a point of the field (its own coordinates).
  NSUInteger indexAtPoint(CGPoint point) const;

  void cut();
  void copy();
  // Replaces the selection with the pasteboard's string; nothing when it holds none.
  void paste();

  void layoutSubviews();

 private:
  void replaceSelection(const Strong<NSString>& with);
  NSUInteger wholeCharacterBoundary(NSUInteger index, int direction) const;
  CGFloat offsetOfIndex(NSUInteger index) const;
  void refresh();
  Strong<NSString> text_;
  Strong<NSString> placeholder_;
  Strong<UILabel> label_;
  Strong<UIView> selectionView_;
  Strong<UIView> caretView_;
  NSUInteger anchor_ = 0;  // the end of the selection that stays when it is extended
  NSUInteger caret_ = 0;   // the end that moves
};
