#include "HomePager.h"

#include <algorithm>
#include <cmath>

#include "Foundation/NSString.h"
#include "SpringBoard/SpringBoard.h"
#include "UIKit/UIAccessibility.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UILabel.h"

namespace {

constexpr int kFolderColumns = 3;
constexpr CGFloat kPanelInset = 24;
constexpr CGFloat kPanelTitleHeight = 44;
constexpr CGFloat kFolderRowPitch = 96;

}  // namespace

HomePager::HomePager(SBHomeScreen* screen, UIWindow* window) : screen_(screen), window_(window) {}

int HomePager::pageCount() const {
  return std::max<int>(1, int(screen_->pages().size()));
}

void HomePager::place(CGFloat offset) {
  auto root = screen_->rootView();
  CGRect f = root->frame();
  root->setFrame(CGRectMake(offset, f.origin.y, f.size.width, f.size.height));
}

void HomePager::showPage(int page) {
  page_ = std::clamp(page, 0, pageCount() - 1);
  place(-page_ * SBHomeScreen::kPageWidth);
}

void HomePager::pressBegan(CGPoint p) {
  pressed_ = true;
  dragging_ = false;
  start_ = p;
}

void HomePager::pressMoved(CGPoint p) {
  if (!pressed_ || folder_) return;
  CGFloat dx = p.x - start_.x;
  if (!dragging_ && std::fabs(dx) > kDragSlop) dragging_ = true;
  if (dragging_) place(-page_ * SBHomeScreen::kPageWidth + dx);
}

void HomePager::pressEnded(CGPoint p) {
  if (!pressed_) return;
  pressed_ = false;
  if (!dragging_) {
    tap(p);
    return;
  }
  dragging_ = false;
  CGFloat dx = p.x - start_.x, turn = SBHomeScreen::kPageWidth * kTurnShare;
  showPage(dx < -turn ? page_ + 1 : dx > turn ? page_ - 1 : page_);
}

void HomePager::pressCancelled() {
  pressed_ = false;
  if (dragging_) showPage(page_);
  dragging_ = false;
}

bool HomePager::key(const std::string& name) {
  if (name == "escape") {
    if (!folder_) return false;
    close();
    return true;
  }
  if (folder_ || (name != "left" && name != "right")) return false;
  int before = page_;
  showPage(page_ + (name == "left" ? -1 : +1));
  return page_ != before;
}

void HomePager::tap(CGPoint p) {
  if (folder_) {
    // Outside the panel closes the folder; on it, nothing (the apps do not launch here).
    if (!CGRectContainsPoint(panel_->frame(), p)) close();
    return;
  }
  for (const auto& view : screen_->iconViews()) {
    CGRect shown = view->convertRectToView(view->bounds(), window_);
    if (!CGRectContainsPoint(shown, p)) continue;
    if (auto folder = objc_cast<SBFolderIcon>(view->icon())) open(folder.get());
    return;
  }
}

void HomePager::open(SBFolderIcon* folder) {
  close();
  folder_ = folder;
  CGRect screen = window_->bounds();
  overlay_ = std::make_shared<UIView>(screen);
  overlay_->setBackgroundColor(UIColor::colorWithWhiteAlpha(0, 0.45));
  size_t count = folder->icons().size();
  int rows = int((count + kFolderColumns - 1) / kFolderColumns);
  CGFloat width = screen.size.width - 2 * kPanelInset;
  CGFloat height = kPanelTitleHeight + rows * kFolderRowPitch + 12;
  panel_ = std::make_shared<UIView>(
      CGRectMake(kPanelInset, (screen.size.height - height) / 2, width, height));
  // Dark enough for the apps' white names.
  panel_->setBackgroundColor(UIColor::colorWithWhiteAlpha(0.3, 0.92));
  panel_->layer()->setCornerRadius(22);
  auto title = std::make_shared<UILabel>(CGRectMake(0, 8, width, kPanelTitleHeight - 8));
  title->setText(folder->displayName());
  title->setFont(UIFont::boldSystemFontOfSize(17));
  title->setTextColor(UIColor::whiteColor());
  title->setTextAlignment(NSTextAlignmentCenter);
  title->setAccessibilityTraits(UIAccessibilityTraitHeader);
  panel_->addSubview(title);
  CGFloat pitch = width / kFolderColumns;
  for (size_t i = 0; i < count; ++i) {
    auto view = std::make_shared<SBIconView>(folder->icons()[i]);
    CGFloat x = (i % kFolderColumns) * pitch + (pitch - SBIconView::kWidth) / 2;
    CGFloat y = kPanelTitleHeight + CGFloat(i / kFolderColumns) * kFolderRowPitch;
    view->setFrame(CGRectMake(x, y, SBIconView::kWidth, SBIconView::kHeight));
    panel_->addSubview(view);
    folderViews_.push_back(view);
  }
  overlay_->addSubview(panel_);
  window_->addSubview(overlay_);
  layoutFolder();
}

void HomePager::close() {
  if (!folder_) return;
  overlay_->removeFromSuperview();
  overlay_ = panel_ = nullptr;
  folderViews_.clear();
  folder_ = nullptr;
}

void HomePager::layoutFolder() {
  for (const auto& view : folderViews_) {
    objc_msgSend(view, OBJC_SEL("layoutSubviews"));
    if (view->badgeView()->superview() == view.get())
      objc_msgSend(view->badgeView(), OBJC_SEL("layoutSubviews"));
  }
}
