// A folder: its image is a grid of the first nine apps' images; its badge is its own
// value when one is set, else the sum of its apps' numeric badges (none when 0).
#pragma once

#include <mutex>
#include <vector>

#include "SpringBoard/SBApplicationIcon.h"
#include "SpringBoard/SpringBoardExport.h"

class NIMBRA_SPRINGBOARD_API SBFolderIcon : public SBIcon {
  OBJC_CLASS(SBFolderIcon, SBIcon)

 public:
  SBFolderIcon(Strong<NSString> displayName, std::vector<Strong<SBApplicationIcon>> icons)
      : SBIcon(std::move(displayName)), icons_(std::move(icons)) {}

  const std::vector<Strong<SBApplicationIcon>>& icons() const { return icons_; }
  const id& badgeNumberOrString() const override;
  BOOL isFolderIcon() const override { return YES; }
  const Strong<UIImage>& getIconImage(int variant) const override;

 private:
  std::vector<Strong<SBApplicationIcon>> icons_;
  mutable std::once_flag imageOnce_;
  mutable Strong<UIImage> image_;
  // The last sum answered, on the main thread only, and the badgeChanges() it was summed at
  // (kNotSummed when a badge may change without a set: a mutable string).
  static constexpr std::uint64_t kNotSummed = ~std::uint64_t(0);
  mutable id sumNumber_;
  mutable std::uint64_t summedAt_ = kNotSummed;
};
