#include "moduleCommands.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "commandLine.h"
#include "tKnownModule.h"

namespace {

typedef tRunOptions R;

struct tCarried {
  const char* name;
  const char* shown;  // as the module calls itself
  std::vector<R::eCommand> commands;
};

const tCarried kCarried[] = {
    {"larkspur",
     "Larkspur",
     {R::cmdProgram, R::cmdRead, R::cmdVerify, R::cmdBlank, R::cmdErase, R::cmdContinuity,
      R::cmdNoContinuity}},
    {"sorrel", "Sorrel", {R::cmdSignalTest, R::cmdContinuity, R::cmdNoContinuity}},
};

const tCarried* carriedBy(const std::string& name) {
  for (const tCarried& c : kCarried) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

bool carries(const tCarried& module, R::eCommand command) {
  return std::find(module.commands.begin(), module.commands.end(), command) !=
         module.commands.end();
}

// The module a command runs on when --module does not say.
std::string defaultModule(R::eCommand command) {
  return command == R::cmdSignalTest ? "sorrel" : "larkspur";
}

std::string fileNameOf(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

tModuleChoice chosenModule(const tRunOptions& options, const std::string& runnerFolder) {
  tModuleChoice choice;
  const std::string module =
      options.module.empty() ? defaultModule(options.command) : options.module;
  choice.path = module;
  for (const tKnownModule& known : kKnownModules) {
    if (module == known.name) {
      choice.path = runnerFolder + "/" + known.file;
      choice.name = known.name;
    } else if (fileNameOf(module) == known.file) {
      choice.name = known.name;
    }
  }
  return choice;
}

std::string knownName(const std::string& ownName) {
  std::string name = ownName;
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return carriedBy(name) != nullptr ? name : "";
}

bool moduleCarries(const std::string& name, R::eCommand command, std::string& error) {
  const tCarried* module = carriedBy(name);
  if (module == nullptr || carries(*module, command)) return true;
  const tCarried* other = carriedBy(defaultModule(command));
  error = std::string(module->shown) + " has no " + commandName(command) + " command; " +
          other->shown + " has: k5run " + commandName(command);
  return false;
}
