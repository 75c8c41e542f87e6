// nimbra archive FILE: prints the object graph of a keyed archive, one object a line,
// indented by nesting, with class names; an object met again is named, not repeated.
// A file that is not a readable archive prints the unarchiver's error (exit status 2):
// damage as damage, and an object of a class this reader does not model by that class's
// name.
#include <cstdio>
#include <filesystem>
#include <string>
#include <unordered_set>

#include "Command.h"
#include "Foundation/Foundation.h"
#include "Foundation/NSKeyedUnarchiver.h"
#include "UIKit/UIGeometry.h"
#include "UIKit/UILabel.h"

namespace {

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\x%02x", c);
          out += buf;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

class Printer {
 public:
  void print(const NSObject* object, int depth, const std::string& label) {
    std::string line(static_cast<std::size_t>(depth) * 2, ' ');
    line += label;
    if (!object) {
      std::printf("%snil\n", line.c_str());
      return;
    }
    line += class_getName(object->getClass());
    if (auto* s = objc_cast<NSString>(object)) {
      std::printf("%s %s\n", line.c_str(), quoted(s->stdString()).c_str());
      return;
    }
    if (auto* n = objc_cast<NSNumber>(object)) {
      std::string v = n->isBoolean() ? (n->boolValue() ? "YES" : "NO") : n->description();
      std::printf("%s %s\n", line.c_str(), v.c_str());
      return;
    }
    bool composite = objc_cast<NSArray>(object) || objc_cast<NSDictionary>(object) ||
                     objc_cast<NSSet>(object) || objc_cast<NSOrderedSet>(object) ||
                     objc_cast<NSAttributedString>(object) || objc_cast<UIView>(object);
    if (composite && !seen_.insert(object).second) {
      std::printf("%s (shown above)\n", line.c_str());
      return;
    }
    if (auto* a = objc_cast<NSArray>(object)) {
      std::printf("%s (%llu)\n", line.c_str(), static_cast<unsigned long long>(a->count()));
      NSUInteger i = 0;
      for (const id& item : *a) print(item.get(), depth + 1, "[" + std::to_string(i++) + "] ");
    } else if (auto* set = objc_cast<NSSet>(object)) {
      std::printf("%s (%llu)\n", line.c_str(), static_cast<unsigned long long>(set->count()));
      auto* counted = objc_cast<NSCountedSet>(object);
      for (const id& item : *set) {
        std::string times =
            counted ? "x" + std::to_string(counted->countForObject(item)) + " " : std::string();
        print(item.get(), depth + 1, times);
      }
    } else if (auto* ordered = objc_cast<NSOrderedSet>(object)) {
      std::printf("%s (%llu)\n", line.c_str(), static_cast<unsigned long long>(ordered->count()));
      NSUInteger i = 0;
      for (const id& item : *ordered)
        print(item.get(), depth + 1, "[" + std::to_string(i++) + "] ");
    } else if (auto* d = objc_cast<NSDictionary>(object)) {
      std::printf("%s (%llu)\n", line.c_str(), static_cast<unsigned long long>(d->count()));
      for (const auto& [k, v] : *d) {
        auto* key = objc_cast<NSString>(k.get());
        print(v.get(), depth + 1, (key ? key->stdString() : k->description()) + ": ");
      }
    } else if (auto* s = objc_cast<NSAttributedString>(object)) {
      std::printf("%s %s\n", line.c_str(), quoted(s->string()->stdString()).c_str());
      s->enumerateAttributesInRangeOptionsUsingBlock(
          NSMakeRange(0, s->length()), 0, [&](const Strong<NSDictionary>& attrs, NSRange r, BOOL*) {
            print(attrs.get(), depth + 1, NSStringFromRange(r)->stdString() + " ");
          });
    } else if (auto* v = objc_cast<UIView>(object)) {
      std::printf("%s %s", line.c_str(), NSStringFromCGRect(v->frame()).c_str());
      if (auto* l = objc_cast<UILabel>(object); l && l->text())
        std::printf(" %s", quoted(l->text()->stdString()).c_str());
      std::printf("\n");
      for (const auto& sub : v->subviews()) print(sub.get(), depth + 1, "");
    } else {
      std::printf("%s %s\n", line.c_str(), object->description().c_str());
    }
  }

 private:
  std::unordered_set<const NSObject*> seen_;
};

class Archive : public commandline::Command {
 public:
  Archive() : Command("archive", "print the objects of a keyed archive") {
    add_option("FILE", file_)->required();
    missing("needs one FILE");
    unknown([](const std::string&) { return "needs one FILE"; });
  }
  int run() override;

 private:
  std::string file_;
};

int Archive::run() {
  const char* file = file_.c_str();
  std::error_code ec;
  if (std::filesystem::is_directory(file_, ec)) {
    std::fprintf(stderr, "nimbra archive: %s is a folder; give an archive file\n", file);
    return 2;
  }
  auto data = NSData::dataWithContentsOfFile(file_);
  if (!data) {
    std::fprintf(stderr, "nimbra archive: cannot read %s; check that it exists and is readable\n",
                 file);
    return 2;
  }
  Strong<NSError> error;
  id root = NSKeyedUnarchiver::unarchiveTopLevelObjectWithDataError(data, &error);
  if (!root) {
    std::fprintf(stderr, "nimbra archive: %s\n",
                 error ? error->localizedDescription()->UTF8String() : "not an archive");
    return 2;
  }
  Printer().print(root.get(), 0, "");
  return 0;
}

const nimbra::Registration archive{[] { return std::make_shared<Archive>(); }};

}  // namespace
