#include "commandWords.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <set>

namespace {

// A word of the command line: an argument, or an option with what it took.
struct tWord {
  std::string text;  // an option's name, without "=value"
  bool option = false;
  bool withValue = false;
  std::string value;
};

typedef std::vector<tWord> tWords;

// "-" alone is an argument: standard output as OUT.
bool looksLikeOption(const std::string& word) { return word.size() > 1 && word[0] == '-'; }

// The option of the runner or of any command known by this name; nullptr when none is.
const CLI::Option* anyOption(const CLI::App& app, const std::string& name) {
  if (const CLI::Option* o = app.get_option_no_throw(name)) return o;
  for (const CLI::App* sub : app.get_subcommands({})) {
    if (const CLI::Option* o = sub->get_option_no_throw(name)) return o;
  }
  return nullptr;
}

bool takesValue(const CLI::Option* o) { return o != nullptr && o->get_expected_min() > 0; }

// The words after the program's name. An option that takes a value takes the
// next word unless it is "--" or looks like an option itself.
tWords wordsOf(const CLI::App& app, const std::vector<std::string>& given) {
  tWords words;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < given.size(); ++i) {
    tWord w;
    w.text = given[i];
    if (!optionsEnded && w.text == "--") {
      optionsEnded = true;
      continue;
    }
    w.option = !optionsEnded && looksLikeOption(w.text);
    const std::string::size_type equals = w.text.find('=');
    if (w.option && equals != std::string::npos) {
      w.value = w.text.substr(equals + 1);
      w.text.erase(equals);
      w.withValue = true;
    } else if (w.option && takesValue(anyOption(app, w.text)) && i + 1 < given.size() &&
               !looksLikeOption(given[i + 1])) {
      w.value = given[++i];
      w.withValue = true;
    }
    words.push_back(w);
  }
  return words;
}

bool named(const tWords& words, const CLI::Option* option) {
  return option != nullptr && std::any_of(words.begin(), words.end(), [option](const tWord& w) {
           return w.option && option->check_name(w.text);
         });
}

std::string seeHelp(const CLI::App& command) {
  return " (see k5run " + command.get_name() + " --help)";
}

// The line for the first option the command cannot take as given; "" when it takes them all.
std::string optionsLine(const CLI::App& app, const CLI::App& command, const tWords& words) {
  std::set<const CLI::Option*> seen;
  for (const tWord& w : words) {
    if (!w.option) continue;
    const CLI::Option* o = command.get_option_no_throw(w.text);
    if (o == nullptr && anyOption(app, w.text) != nullptr) {
      return w.text + " is not an option of " + command.get_name() + seeHelp(command);
    }
    if (o == nullptr) return "unknown option " + w.text + seeHelp(command);
    if (!takesValue(o)) {
      if (w.withValue) return w.text + " takes no value";
    } else if (!w.withValue) {
      return w.text + " needs a value";
    } else if (w.value.empty()) {
      return w.text + ": the value is empty";
    } else if (!seen.insert(o).second) {
      return w.text + " is given twice";
    }
  }
  return "";
}

// The line for arguments the command does not take, or lacks; "" when they fit.
std::string argumentsLine(const CLI::App& command, const std::vector<std::string>& arguments) {
  const std::vector<const CLI::Option*> wanted =
      command.get_options([](const CLI::Option* o) { return o->get_positional(); });
  if (arguments.size() > wanted.size()) {
    return "unexpected argument '" + arguments[wanted.size()] + "' for " + command.get_name() +
           seeHelp(command);
  }
  if (arguments.size() < wanted.size()) {
    return command.get_name() + " needs " + wanted[arguments.size()]->get_name() + seeHelp(command);
  }
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i].empty()) return wanted[i]->get_name() + ": the file name is empty";
  }
  return "";
}

const CLI::App* commandNamed(const CLI::App& app, const std::string& name) {
  for (const CLI::App* sub : app.get_subcommands({})) {
    if (sub->get_name() == name) return sub;
  }
  return nullptr;
}

}  // namespace

bool commandWords(const CLI::App& app, const std::vector<std::string>& given,
                  std::vector<std::string>& words, std::string& error) {
  const tWords all = wordsOf(app, given);
  // The first argument is the command; the others are its arguments.
  const auto at = std::find_if(all.begin(), all.end(), [](const tWord& w) { return !w.option; });
  const CLI::App* command = at == all.end() ? nullptr : commandNamed(app, at->text);
  if (at != all.end() && command == nullptr) {
    // An unknown option before it may have been meant to take it as its value.
    const auto unknown = std::find_if(
        all.begin(), at, [&app](const tWord& w) { return anyOption(app, w.text) == nullptr; });
    error = unknown != at ? "unknown option " + unknown->text + " (see k5run --help)"
                          : "unknown command '" + at->text + "' (see k5run --help)";
    return false;
  }
  if (named(all, app.get_help_ptr())) {
    words = {"--help"};
    if (command != nullptr) words.insert(words.begin(), command->get_name());
    return true;
  }
  if (named(all, app.get_version_ptr())) {
    words = {"--version"};
    return true;
  }
  if (command == nullptr) {
    error = "no command given (see k5run --help)";
    return false;
  }
  std::vector<std::string> options = {command->get_name()};
  std::vector<std::string> arguments;
  for (auto w = all.begin(); w != all.end(); ++w) {
    if (w->option) options.push_back(w->withValue ? w->text + "=" + w->value : w->text);
    if (!w->option && w != at) arguments.push_back(w->text);
  }
  error = optionsLine(app, *command, all);
  if (error.empty()) error = argumentsLine(*command, arguments);
  if (!error.empty()) return false;
  words = options;
  if (!arguments.empty()) words.push_back("--");
  words.insert(words.end(), arguments.begin(), arguments.end());
  return true;
}
