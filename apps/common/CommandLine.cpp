#include "CommandLine.h"

#include <algorithm>
#include <cstdio>

#include "PngPath.h"

namespace commandline {

Command::Command(std::string name, std::string summary)
    : CLI::App(std::move(summary), std::move(name)) {
  set_help_flag("-h,--help", "print this help");
  formatter(std::make_shared<Formatter>());
  // Arguments no option takes are reported in the command's own words (run() below), and
  // an option of the program (--verbose) may come after the command's own.
  allow_extras();
  fallthrough();
  // Given twice, an option's later value wins.
  option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)->group("options");
}

std::string Command::label() const {
  auto parent = dynamic_cast<const Command*>(get_parent());
  return parent ? parent->label() + " " + get_name() : get_name();
}

CLI::Option* Command::needs(CLI::Option* option, std::string what) {
  needs_[option->get_name()] = std::move(what);
  return option;
}

void Command::unknown(std::function<std::string(const std::string&)> words) {
  unknown_ = std::move(words);
}

CLI::Option* Command::addStep(const std::string& name, std::size_t count,
                              const std::string& arguments, const std::string& summary,
                              std::function<void(const std::vector<std::string>&)> take) {
  CLI::Option* option;
  if (count == 0) {
    option = add_flag_callback(
        name, [take] { take({}); }, summary);
  } else {
    // Exactly `count` words an occurrence, whatever they look like; the words after them
    // are the line's own again.
    option = add_option_function<std::vector<std::string>>(name, take, summary)
                 ->type_size(static_cast<int>(count))
                 ->expected(1)
                 ->allow_extra_args(false)
                 ->type_name(arguments);
    needs(option, arguments);
  }
  // The callback runs as each occurrence is read, not once after the whole line.
  return option->trigger_on_parse()->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

std::string Command::missingValue(const std::string& option) const {
  auto it = needs_.find(option);
  return option + " needs " + (it == needs_.end() ? "a value" : it->second);
}

std::string Command::unknownArgument(const std::string& arg) const {
  return unknown_ ? unknown_(arg) : "unknown argument '" + arg + "'";
}

namespace {

bool listed(const CLI::Option* option, const CLI::App& app) {
  return option != app.get_help_ptr() && !option->get_group().empty();
}

// "--out FILE.png", "--watch", "VALUE...".
std::string head(const CLI::Option* option) {
  if (option->get_positional())
    return option->get_name() + (option->get_items_expected_max() > 1 ? "..." : "");
  std::string out = option->get_name();
  if (option->get_type_size_max() > 0 && !option->get_type_name().empty())
    out += " " + option->get_type_name();
  return out;
}

// The parent's label and a space: "nimbra " before "home ...".
std::string prefix(const CLI::App& app) {
  auto parent = dynamic_cast<const Command*>(app.get_parent());
  return parent ? parent->label() + " " : "";
}

// `text` folded at blanks outside brackets (an option stays with its value) to lines of at
// most 100 columns, those after the first indented by `indent` (the first starts `at`
// columns in). Its own line breaks stay.
std::string fold(const std::string& text, std::size_t at, std::size_t indent) {
  const std::size_t width = 100;
  std::string out, word;
  std::size_t column = at;
  bool fresh = true;  // nothing on this line yet
  int depth = 0;
  auto put = [&] {
    if (word.empty()) return;
    if (!fresh && column + 1 + word.size() > width) {
      out += "\n" + std::string(indent, ' ');
      column = indent;
      fresh = true;
    }
    if (!fresh) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    word.clear();
    fresh = false;
  };
  for (char c : text) {
    if (c == '\n') {
      put();
      out += '\n';
      column = 0;
      fresh = true;
    } else if (c == ' ' && depth <= 0) {
      if (fresh && word.empty()) {
        out += ' ';  // a line's own indent
        ++column;
      }
      put();
    } else {
      depth += c == '[' ? 1 : c == ']' ? -1 : 0;
      word += c;
    }
  }
  put();
  return out;
}

std::vector<const CLI::App*> listedCommands(const CLI::App& app) {
  return app.get_subcommands([](const CLI::App* sub) { return !sub->get_group().empty(); });
}

}  // namespace

std::string synopsis(const CLI::App& app) {
  auto command = dynamic_cast<const Command*>(&app);
  if (command && !command->synopsisOverride().empty())
    return app.get_name() + " " + command->synopsisOverride();
  std::string out;
  if (app.get_parent()) {
    // A command of commands: one alternative each, "prefs get KEY | prefs set KEY VALUE...".
    for (const CLI::App* sub : listedCommands(app))
      out += (out.empty() ? "" : " | ") + app.get_name() + " " + synopsis(*sub);
    if (!out.empty()) return out;
  }
  out = app.get_name();
  for (const CLI::Option* option : app.get_options()) {
    if (!listed(option, app) || option == app.get_version_ptr()) continue;
    // Any number of a positional includes none: "VALUE...", not "[VALUE...]".
    bool bare = option->get_required() ||
                (option->get_positional() && option->get_items_expected_max() > 1);
    out += bare ? " " + head(option) : " [" + head(option) + "]";
  }
  return out;
}

std::string Formatter::make_help(const CLI::App* app, std::string, CLI::AppFormatMode) const {
  std::string out = "usage: " + fold(prefix(*app) + synopsis(*app), 7, 7) + "\n";
  if (!app->get_description().empty()) out += fold(app->get_description(), 0, 0) + "\n";
  if (!app->get_parent()) {
    // A program of commands lists them, each summary below its synopsis so that long
    // synopses do not push the summaries out of line.
    std::vector<const CLI::App*> commands = listedCommands(*app);
    if (!commands.empty()) out += "commands:\n";
    for (const CLI::App* sub : commands)
      out += "  " + fold(synopsis(*sub), 2, 4) + "\n      " + fold(sub->get_description(), 6, 6) +
             "\n";
  }
  // The options by group, in the order they were declared.
  std::vector<std::string> groups;
  for (const CLI::Option* option : app->get_options()) {
    if (!listed(option, *app) || option->get_positional()) continue;
    if (std::find(groups.begin(), groups.end(), option->get_group()) == groups.end())
      groups.push_back(option->get_group());
  }
  const std::size_t column = 24;
  for (const std::string& group : groups) {
    out += group + ":\n";
    for (const CLI::Option* option : app->get_options()) {
      if (!listed(option, *app) || option->get_positional() || option->get_group() != group)
        continue;
      // A long head puts its description on the next line, in the column.
      std::string text = "  " + head(option);
      text += text.size() + 2 <= column ? std::string(column - text.size(), ' ')
                                        : "\n" + std::string(column, ' ');
      out += text + fold(option->get_description(), column, column) + "\n";
    }
  }
  std::string footer = app->get_footer();
  if (!footer.empty()) out += footer + (footer.back() == '\n' ? "" : "\n");
  return out;
}

std::string help(const CLI::App& app) {
  return app.get_formatter()->make_help(&app, "", CLI::AppFormatMode::Normal);
}

CLI::Option* pngFile(CLI::Option* option) {
  std::string name = option->get_name();
  return option->check(
      [name](const std::string& path) {
        if (!hostpaths::isPngPath(path))
          throw Refused(name + " " + path + ": pictures are written as PNG; name it FILE.png");
        return std::string();
      },
      "");
}

namespace {

// The command the line chose below `app`: the deepest one given.
Command* chosen(Command& app) {
  auto subs = app.get_subcommands();
  auto sub = subs.empty() ? nullptr : dynamic_cast<Command*>(subs.front());
  return sub ? chosen(*sub) : &app;
}

}  // namespace

int run(Command& program, int argc, char** argv) {
  // Messages and help belong to the command the program runs (`nimbra prefs`), also when a
  // command of its own (`prefs set`) was given.
  auto top = [&]() -> Command& {
    auto subs = program.get_subcommands();
    auto sub = subs.empty() ? nullptr : dynamic_cast<Command*>(subs.front());
    return sub ? *sub : program;
  };
  auto refuse = [&](const std::string& why) {
    Command& shown = top();
    std::fprintf(stderr, "%s: %s\nusage: %s\n", shown.label().c_str(), why.c_str(),
                 fold(prefix(shown) + synopsis(shown), 7, 7).c_str());
    return 2;
  };
  try {
    program.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::fputs(help(top()).c_str(), stdout);
    return 0;
  } catch (const CLI::CallForVersion& e) {
    std::printf("%s\n", e.what());
    return 0;
  } catch (const CLI::ArgumentMismatch& e) {
    // CLI11 names the option first: "--layout: 1 required FILE missing".
    std::string what = e.what();
    std::string name = what.substr(0, what.find(':'));
    for (Command* c = chosen(program); c; c = dynamic_cast<Command*>(c->get_parent())) {
      if (c->get_option_no_throw(name)) return refuse(c->missingValue(name));
    }
    return refuse(what);
  } catch (const CLI::RequiredError& e) {
    const std::string& words = chosen(program)->missingArguments();
    return refuse(words.empty() ? e.what() : words);
  } catch (const CLI::ParseError& e) {
    return refuse(e.what());
  }
  Command& command = *chosen(program);
  for (const std::string& arg : program.remaining(true)) {
    if (arg != "--") return refuse(command.unknownArgument(arg));
  }
  try {
    return command.run();
  } catch (const Refused& e) {
    return refuse(e.what());
  }
}

}  // namespace commandline
