// The pasteboard, shared by every process of the user as the device's is shared by its
// apps. The general pasteboard lives in a file of a private per-user folder
// ($XDG_RUNTIME_DIR/nimbra-pasteboard, else ~/Library/Pasteboard), written whole
// (a temporary file renamed over it), so a reader in another process sees the old string
// or the new one, never a mixture. Each read goes to the file: another process's change
// is seen at once. The string is kept as UTF-16 code units, so every string (NULs, lone
// surrogates) comes back exactly.
//
// In the runtime's table: "string" () -> Strong<NSString>, "setString:" (NSString*).
//
// If the folder cannot be made safe (not a directory, a symbolic link, not owned by the
// user, or open to others), the pasteboard reports it once on stderr and then holds
// nothing: string answers none and setString does nothing.
#pragma once

#include <string>

#include "Foundation/NSObjCRuntime.h"
#include "UIKit/UIKitExport.h"

class NSString;

class NIMBRA_UIKIT_API UIPasteboard : public NSObject {
  OBJC_CLASS(UIPasteboard, NSObject)

 public:
  explicit UIPasteboard(std::string name);

  static Strong<UIPasteboard> generalPasteboard();

  // The string on the pasteboard; none when it holds none (or cannot be read).
  Strong<NSString> string() const;
  // Replaces what the pasteboard holds; none empties it.
  void setString(const Strong<NSString>& string);

  // Our extension: the file that holds the pasteboard; empty when there is no safe folder.
  std::string path() const;

 private:
  std::string name_;
};
