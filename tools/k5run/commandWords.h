#ifndef COMMAND_WORDS_H
#define COMMAND_WORDS_H

#include <string>
#include <vector>

namespace CLI {
class App;
}

// The command line sorted out before CLI11 sees it, with the options the app
// knows (which take a value, which commands carry them): the command, options
// before or after it as "--opt value" or "--opt=value", "--" that ends the
// options, the arguments. Gives the words CLI11 then parses without error:
// the command, each option as "--opt=value" or "--opt", then "--" and the
// arguments; or the command (if any) and "--help", or "--version". False with
// the line that says what is wrong. `given` starts with the program's name.
bool commandWords(const CLI::App& app, const std::vector<std::string>& given,
                  std::vector<std::string>& words, std::string& error);

#endif
