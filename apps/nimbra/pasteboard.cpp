// nimbra pasteboard [--set TEXT | --clear]: the user's general pasteboard, the one every
// app's Copy fills. Prints its string (and a newline), or nothing when it holds none:
// an empty pasteboard is an answer, not an error.
#include <cstdio>
#include <string>

#include "Command.h"
#include "Foundation/NSString.h"
#include "UIKit/UIPasteboard.h"

namespace {

int runPasteboard(int argc, char** argv) {
  auto board = UIPasteboard::generalPasteboard();
  std::string opt = argc > 1 ? argv[1] : "";
  if (opt == "--set" && argc == 3) {
    board->setString(NSString::stringWithUTF8String(argv[2]));
    if (board->string()) return 0;
    std::fprintf(stderr, "nimbra pasteboard: the pasteboard could not be written (see above)\n");
    return 1;
  }
  if (opt == "--clear" && argc == 2) {
    board->setString(nullptr);
    return 0;
  }
  if (argc != 1) {
    std::fprintf(stderr,
                 "nimbra pasteboard: unexpected arguments\nusage: nimbra pasteboard [--set TEXT | "
                 "--clear]\n");
    return 2;
  }
  auto text = board->string();
  if (!text) return 0;
  std::string utf8 = text->stdString();
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fputc('\n', stdout);
  return 0;
}

const nimbra::Command pasteboard{
    "pasteboard",
    "pasteboard [--set TEXT | --clear]   print (or set) the user's general pasteboard",
    &runPasteboard};

}  // namespace
