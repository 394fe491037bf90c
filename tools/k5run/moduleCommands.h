#ifndef MODULE_COMMANDS_H
#define MODULE_COMMANDS_H

#include <string>

#include "tRunOptions.h"

// Which module a run loads, and which commands each module carries: Larkspur
// the Holtek chip's and the continuity tests, Sorrel its signal test and the
// continuity tests.

// The module of a run: its path, and its name among the modules k5run knows
// ("larkspur", "sorrel"), or "" for a path that names none of them.
struct tModuleChoice {
  std::string path;
  std::string name;
};
tModuleChoice chosenModule(const tRunOptions& options, const std::string& runnerFolder);

// The known name of a loaded module that calls itself `ownName` ("Larkspur").
std::string knownName(const std::string& ownName);

// False with one line that names the command to use, when the known module
// `name` does not carry the command. A module k5run does not know is given
// every command.
bool moduleCarries(const std::string& name, tRunOptions::eCommand command, std::string& error);

#endif
