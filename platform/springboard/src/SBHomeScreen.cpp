#include "SpringBoard/SBHomeScreen.h"

#include <filesystem>
#include <set>

#include "Foundation/NSArray.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSFileCoordinator.h"
#include "Foundation/NSNumber.h"

const char* const SBBadgeChangedNotification = "com.nimbra.springboard/badgechanged";

OBJC_CLASS_IMPL(SBHomeScreen) {}

namespace {

constexpr int kMaxColumns = 6;
constexpr CGFloat kTopMargin = 30;
constexpr CGFloat kRowPitch = 96;

struct Parser {
  std::string folder;  // the layout file's folder, for image paths
  std::string error;

  bool fail(size_t page, size_t entry, const std::string& why) {
    error =
        "page " + std::to_string(page + 1) + ", entry " + std::to_string(entry + 1) + ": " + why;
    return false;
  }

  // A valid badge value, or `ok` false.
  static id badgeOf(const Strong<NSDictionary>& entry, bool* ok) {
    id value = entry->objectForKey(NSSTR("Badge"));
    *ok = !value || objc_cast<NSString>(value) ||
          (objc_cast<NSNumber>(value) && !objc_cast<NSNumber>(value)->isBoolean());
    return *ok ? value : nullptr;
  }

  Strong<SBApplicationIcon> app(const Strong<NSDictionary>& entry, size_t page, size_t index,
                                const Strong<NSString>& name) {
    auto image = entry->objectForKeyAs<NSString>(NSSTR("Image"));
    if (!image || image->length() == 0) {
      fail(page, index, "app \"" + name->stdString() + "\" has no Image path");
      return nullptr;
    }
    std::string path = (std::filesystem::path(folder) / image->stdString()).string();
    Strong<UIImage> loaded = UIImage::imageWithContentsOfFile(path);
    if (!loaded) {
      fail(page, index, "cannot read icon image " + path);
      return nullptr;
    }
    return std::make_shared<SBApplicationIcon>(name, loaded);
  }

  Strong<SBIcon> icon(const id& object, size_t page, size_t index, bool inFolder) {
    auto entry = objc_cast<NSDictionary>(object);
    if (!entry) {
      fail(page, index, "not a dictionary");
      return nullptr;
    }
    auto name = entry->objectForKeyAs<NSString>(NSSTR("DisplayName"));
    if (!name || name->length() == 0) {
      fail(page, index, "DisplayName missing or not a string");
      return nullptr;
    }
    bool ok = true;
    id badge = badgeOf(entry, &ok);
    if (!ok) {
      fail(page, index, "Badge of \"" + name->stdString() + "\" is neither a number nor a string");
      return nullptr;
    }
    Strong<SBIcon> result;
    if (id icons = entry->objectForKey(NSSTR("Icons"))) {
      auto list = objc_cast<NSArray>(icons);
      if (inFolder) {
        fail(page, index, "folder \"" + name->stdString() + "\" inside a folder");
        return nullptr;
      }
      if (!list || list->count() == 0) {
        fail(page, index, "folder \"" + name->stdString() + "\" has no Icons array of apps");
        return nullptr;
      }
      std::vector<Strong<SBApplicationIcon>> apps;
      for (const id& child : *list) {
        auto app = objc_cast<SBApplicationIcon>(icon(child, page, index, true));
        if (!app) return nullptr;
        apps.push_back(app);
      }
      result = std::make_shared<SBFolderIcon>(name, std::move(apps));
    } else {
      result = app(entry, page, index, name);
      if (!result) return nullptr;
    }
    result->setBadgeNumberOrString(badge);
    return result;
  }
};

void collectIcons(const Strong<SBIcon>& icon, std::vector<Strong<SBIcon>>& out) {
  out.push_back(icon);
  if (auto folder = objc_cast<SBFolderIcon>(icon)) {
    for (const auto& app : folder->icons()) out.push_back(app);
  }
}

}  // namespace

Strong<SBHomeScreen> SBHomeScreen::homeScreenWithContentsOfFile(const std::string& path,
                                                                std::string* error) {
  auto setError = [&](const std::string& why) {
    if (error) *error = path + ": " + why;
    return nullptr;
  };
  auto layout = NSDictionary::dictionaryWithContentsOfFile(path);
  if (!layout) return setError("missing, unreadable or not a property-list dictionary");

  auto screen = std::make_shared<SBHomeScreen>();
  screen->path_ = path;
  if (id columns = layout->objectForKey(NSSTR("Columns"))) {
    auto n = objc_cast<NSNumber>(columns);
    if (!n || n->isBoolean() || n->isReal() || n->integerValue() < 1 ||
        n->integerValue() > kMaxColumns) {
      return setError("Columns must be an integer from 1 to " + std::to_string(kMaxColumns));
    }
    screen->columns_ = n->intValue();
  }
  auto pages = layout->objectForKeyAs<NSArray>(NSSTR("Pages"));
  if (!pages || pages->count() == 0) return setError("no Pages array, or it is empty");

  Parser parser;
  parser.folder = std::filesystem::path(path).parent_path().string();
  const size_t perPage = size_t(screen->columns_) * kRows;
  for (size_t p = 0; p < pages->count(); ++p) {
    auto entries = objc_cast<NSArray>(pages->objectAtIndex(p));
    if (!entries) return setError("page " + std::to_string(p + 1) + " is not an array");
    if (entries->count() > perPage) {
      return setError("page " + std::to_string(p + 1) + " holds more than " +
                      std::to_string(perPage) + " icons");
    }
    std::vector<Strong<SBIcon>> page;
    for (size_t i = 0; i < entries->count(); ++i) {
      Strong<SBIcon> icon = parser.icon(entries->objectAtIndex(i), p, i, false);
      if (!icon) return setError(parser.error);
      page.push_back(icon);
    }
    screen->pages_.push_back(std::move(page));
  }
  return screen;
}

std::vector<Strong<SBIcon>> SBHomeScreen::allIcons() const {
  std::vector<Strong<SBIcon>> out;
  for (const auto& page : pages_) {
    for (const auto& icon : page) collectIcons(icon, out);
  }
  return out;
}

std::vector<Strong<SBIcon>> SBHomeScreen::iconsNamed(const std::string& name) const {
  std::vector<Strong<SBIcon>> out;
  for (const auto& icon : allIcons()) {
    if (icon->displayName()->stdString() == name) out.push_back(icon);
  }
  return out;
}

const Strong<UIView>& SBHomeScreen::rootView() {
  if (root_) return root_;
  CGFloat width = kPageWidth * CGFloat(std::max<size_t>(pages_.size(), 1));
  root_ = std::make_shared<UIView>(CGRectMake(0, 0, width, kPageHeight));
  root_->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(0.11, 0.14, 0.22, 1));
  const CGFloat pitch = kPageWidth / columns_;
  for (size_t p = 0; p < pages_.size(); ++p) {
    for (size_t i = 0; i < pages_[p].size(); ++i) {
      const Strong<SBIcon>& icon = pages_[p][i];
      Strong<SBIconView> view = icon->isFolderIcon() ? std::make_shared<SBFolderIconView>(icon)
                                                     : std::make_shared<SBIconView>(icon);
      CGFloat x = p * kPageWidth + (i % columns_) * pitch + (pitch - SBIconView::kWidth) / 2;
      CGFloat y = kTopMargin + CGFloat(i / columns_) * kRowPitch;
      view->setFrame(CGRectMake(x, y, SBIconView::kWidth, SBIconView::kHeight));
      root_->addSubview(view);
      iconViews_.push_back(view);
    }
  }
  // Page dots under each page, its own dot bright, so side-by-side pages read as pages.
  if (pages_.size() > 1) {
    const CGFloat dot = 7, gap = 9;
    const CGFloat dotsWidth = pages_.size() * dot + (pages_.size() - 1) * gap;
    for (size_t p = 0; p < pages_.size(); ++p) {
      for (size_t d = 0; d < pages_.size(); ++d) {
        CGFloat x = p * kPageWidth + (kPageWidth - dotsWidth) / 2 + d * (dot + gap);
        auto view = std::make_shared<UIView>(CGRectMake(x, kPageHeight - 28, dot, dot));
        view->setBackgroundColor(UIColor::colorWithWhiteAlpha(1, d == p ? 0.9 : 0.35));
        view->layer()->setCornerRadius(dot / 2);
        root_->addSubview(view);
      }
    }
  }
  // Views kept for reuse, as the device keeps them: never shown.
  recycled_ = std::make_shared<SBRecycledViewsContainer>();
  recycled_->addSubview(std::make_shared<SBIconView>());
  root_->addSubview(recycled_);
  return root_;
}

const std::vector<Strong<SBIconView>>& SBHomeScreen::iconViews() {
  rootView();
  return iconViews_;
}

const Strong<SBRecycledViewsContainer>& SBHomeScreen::recycledViewsContainer() {
  rootView();
  return recycled_;
}

void SBHomeScreen::layoutPass() {
  for (const auto& view : iconViews()) {
    objc_msgSend(view, OBJC_SEL("layoutSubviews"));
    // The icon's layout decides whether its badge view is in the tree.
    if (view->badgeView()->superview() == view.get()) {
      objc_msgSend(view->badgeView(), OBJC_SEL("layoutSubviews"));
    }
  }
}

bool SBHomeScreen::writePNG(const std::string& path, CGFloat scale) {
  return rootView()->writePNG(path, scale);
}

bool SBHomeScreen::reloadBadges(std::string* error) {
  Strong<SBHomeScreen> fresh = homeScreenWithContentsOfFile(path_, error);
  if (!fresh) return false;
  std::vector<Strong<SBIcon>> now = allIcons(), next = fresh->allIcons();
  bool same = now.size() == next.size();
  for (size_t i = 0; same && i < now.size(); ++i) {
    same = now[i]->displayName()->isEqualToString(next[i]->displayName()) &&
           now[i]->isFolderIcon() == next[i]->isFolderIcon();
  }
  if (!same) {
    if (error) *error = path_ + ": the icons changed; only badges are taken from a running host";
    return false;
  }
  // Folders take their own value, not their computed sum, from the file.
  auto layout = NSDictionary::dictionaryWithContentsOfFile(path_);
  size_t k = 0;
  auto pages = layout->objectForKeyAs<NSArray>(NSSTR("Pages"));
  for (const id& page : *pages) {
    for (const id& object : *objc_cast<NSArray>(page)) {
      auto entry = objc_cast<NSDictionary>(object);
      now[k++]->setBadgeNumberOrString(entry->objectForKey(NSSTR("Badge")));
      if (auto icons = entry->objectForKeyAs<NSArray>(NSSTR("Icons"))) {
        for (const id& child : *icons) {
          now[k++]->setBadgeNumberOrString(
              objc_cast<NSDictionary>(child)->objectForKey(NSSTR("Badge")));
        }
      }
    }
  }
  for (const auto& view : iconViews_) view->setNeedsLayout();
  return true;
}

namespace {

// A mutable copy of an entry with the badge of every app or folder named `name` set to
// `value`. A folder's own badge overrides the sum of its apps' badges; none brings the sum
// back.
Strong<NSMutableDictionary> withBadge(const id& object, const Strong<NSString>& name,
                                      const id& value, size_t* changed) {
  auto entry = objc_cast<NSDictionary>(object)->mutableCopy();
  if (auto icons = entry->objectForKeyAs<NSArray>(NSSTR("Icons"))) {
    auto children = NSMutableArray::array();
    for (const id& child : *icons) children->addObject(withBadge(child, name, value, changed));
    entry->setObjectForKey(children, NSSTR("Icons"));
  }
  if (name->isEqualToString(entry->objectForKeyAs<NSString>(NSSTR("DisplayName")))) {
    if (value) {
      entry->setObjectForKey(value, NSSTR("Badge"));
    } else {
      entry->removeObjectForKey(NSSTR("Badge"));
    }
    ++*changed;
  }
  return entry;
}

}  // namespace

bool SBHomeScreen::setBadgeInLayoutFile(const std::string& path, const std::string& name,
                                        const id& value, std::string* error) {
  bool ok = false;
  BOOL locked = NSFileCoordinator::coordinateWritingItemAtPath(path, [&] {
    std::string why;
    if (!homeScreenWithContentsOfFile(path, &why)) {
      if (error) *error = why;
      return;
    }
    auto layout = NSDictionary::dictionaryWithContentsOfFile(path)->mutableCopy();
    auto pages = NSMutableArray::array();
    size_t changed = 0;
    Strong<NSString> target = NSString::stringWithUTF8String(name);
    for (const id& page : *layout->objectForKeyAs<NSArray>(NSSTR("Pages"))) {
      auto entries = NSMutableArray::array();
      for (const id& entry : *objc_cast<NSArray>(page)) {
        entries->addObject(withBadge(entry, target, value, &changed));
      }
      pages->addObject(entries);
    }
    if (changed == 0) {
      if (error) *error = "no app or folder named \"" + name + "\" in " + path;
      return;
    }
    layout->setObjectForKey(pages, NSSTR("Pages"));
    ok = layout->writeToFileAtomically(path, YES);
    if (!ok && error) *error = "cannot write " + path;
  });
  if (!locked && error) *error = "cannot lock " + path;
  return ok;
}
