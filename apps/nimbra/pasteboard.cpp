// nimbra pasteboard [--set TEXT | --clear]: the user's general pasteboard, the one every
// app's Copy fills. Prints its string (and a newline), or nothing when it holds none:
// an empty pasteboard is an answer, not an error.
#include <cstdio>
#include <string>

#include "Command.h"
#include "Foundation/NSString.h"
#include "UIKit/UIPasteboard.h"

namespace {

class Pasteboard : public commandline::Command {
 public:
  Pasteboard() : Command("pasteboard", "print (or set) the user's general pasteboard") {
    set_ = add_option("--set", text_, "put TEXT on the pasteboard")->type_name("TEXT");
    add_flag("--clear", clear_, "empty the pasteboard");
    unknown([](const std::string&) { return "unexpected arguments"; });
  }

  int run() override {
    auto board = UIPasteboard::generalPasteboard();
    if (*set_ && clear_) throw commandline::Refused("unexpected arguments");
    if (*set_) {
      board->setString(NSString::stringWithUTF8String(text_));
      if (board->string()) return 0;
      std::fprintf(stderr, "nimbra pasteboard: the pasteboard could not be written (see above)\n");
      return 1;
    }
    if (clear_) {
      board->setString(nullptr);
      return 0;
    }
    auto text = board->string();
    if (!text) return 0;
    std::string utf8 = text->stdString();
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
    return 0;
  }

 private:
  std::string text_;
  CLI::Option* set_;
  bool clear_ = false;
};

const nimbra::Registration pasteboard{[] { return std::make_shared<Pasteboard>(); }};

}  // namespace
