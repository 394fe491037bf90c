#include "commandLine.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "runnerLine.h"
#include "textParsing.h"

namespace {

typedef tRunOptions R;

const std::uint32_t kMaxMv = 30000;
// The runner's own version; the modules name theirs in the summary.
const char* const kVersion = "k5run 1.0";
const char* const kSettings = "Holtek job settings";
const char* const kSocket = "Simulated socket";

// The option texts, turned into the options' values once CLI11 has parsed them.
struct tOptionTexts {
  std::string memorySize;
  std::string pageSize;
  std::string range;
  std::string vcc;
  std::string vccWindow;
  std::string sensedVcc;
  std::string vpp;
  std::string areas;
  std::string infoData;
  std::string lockBits;
  std::string touch;
  std::string cancelAt;
};

struct tCommand {
  const char* name;
  R::eCommand command;
  const char* help;
};

const tCommand kCommands[] = {
    {"program", R::cmdProgram, "Program IMAGE into the chip and verify it (Larkspur)"},
    {"read", R::cmdRead, "Read the chip into the file OUT (Larkspur)"},
    {"verify", R::cmdVerify, "Compare the chip with IMAGE (Larkspur)"},
    {"blank", R::cmdBlank, "Blank-check the whole chip (Larkspur)"},
    {"erase", R::cmdErase, "Erase the chip (Larkspur)"},
    {"continuity", R::cmdContinuity,
     "Continuity test: a chip must sit in the socket (either module)"},
    {"no-continuity", R::cmdNoContinuity,
     "Continuity test: the socket must be empty (either module)"},
    {"signaltest", R::cmdSignalTest,
     "Sorrel's pin-by-pin socket signal test, with a scripted touch probe"},
};

bool badValue(const std::string& option, const std::string& text, const std::string& expected) {
  std::fprintf(stderr, "k5run: %s: '%s' is not %s\n", option.c_str(), text.c_str(),
               expected.c_str());
  return false;
}

bool number(const std::string& option, const std::string& text, std::uint64_t low,
            std::uint64_t high, std::uint32_t& value) {
  if (text.empty()) return true;
  std::uint32_t v = 0;
  if (!parseNumber(text, high, v) || v < low) {
    return badValue(option, text,
                    "a number from " + std::to_string(low) + " to " + std::to_string(high));
  }
  value = v;
  return true;
}

bool areasOf(const std::string& text, std::uint32_t& areas) {
  if (text.empty()) return true;
  std::uint32_t result = 0;
  std::string::size_type start = 0;
  for (;;) {
    const std::string::size_type comma = text.find(',', start);
    const std::string name =
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (name == "main") {
      result |= tHoltekSettings::kAreaMain;
    } else if (name == "info") {
      result |= tHoltekSettings::kAreaInfo;
    } else if (name == "lock") {
      result |= tHoltekSettings::kAreaLock;
    } else {
      return badValue("--areas", text, "a list of main, info and lock");
    }
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  areas = result;
  return true;
}

bool convertNumbers(const tOptionTexts& t, R& o) {
  tHoltekSettings& s = o.settings;
  std::uint32_t pageSize = s.pageSize;
  std::uint32_t lock = s.lockBits;
  if (!number("--memory-size", t.memorySize, 1, cK5HoltekChip::kMaxWords, s.memorySize) ||
      !number("--page-size", t.pageSize, 1, 256, pageSize) ||
      !number("--vcc", t.vcc, 1, kMaxMv, s.fixedVcc) ||
      !number("--sense-vcc", t.sensedVcc, 0, kMaxMv, o.sensedVcc) ||
      !number("--vpp", t.vpp, 0, kMaxMv, s.vpp) ||
      !number("--info-data", t.infoData, 0, 0xFFFFFFFFu, s.infoData) ||
      !number("--lock-bits", t.lockBits, 0, 0xFF, lock) ||
      !number("--cancel-at", t.cancelAt, 1, 144, o.cancelAtPin) || !areasOf(t.areas, s.areas)) {
    return false;
  }
  if ((pageSize & (pageSize - 1)) != 0) {
    return badValue("--page-size", t.pageSize, "a power of two from 1 to 256");
  }
  s.pageSize = static_cast<std::uint16_t>(pageSize);
  s.lockBits = static_cast<std::uint8_t>(lock);
  o.memorySizeGiven = !t.memorySize.empty();
  return true;
}

// The parsed texts into the options; false after one line on standard error.
bool convert(const tOptionTexts& t, R& o) {
  if (!convertNumbers(t, o)) return false;
  if (!t.range.empty()) {
    if (!parseRange(t.range, 0xFFFF, o.firstWord, o.lastWord)) {
      return badValue("--range", t.range, "a word range FIRST-LAST within 0-0xFFFF");
    }
    o.rangeGiven = true;
  }
  if (!t.vccWindow.empty() &&
      !parseRange(t.vccWindow, kMaxMv, o.settings.vccLower, o.settings.vccUpper)) {
    return badValue("--vcc-window", t.vccWindow, "a window LOW-HIGH in mV");
  }
  if (!t.touch.empty() && !parseNumberList(t.touch, 1, 144, o.touchPins)) {
    return badValue("--touch", t.touch, "a list of pins and ranges within 1-144");
  }
  return true;
}

void addFileArguments(CLI::App& sub, R::eCommand command, R& options) {
  if (command == R::cmdProgram || command == R::cmdVerify) {
    sub.add_option("IMAGE", options.file,
                   "Binary image, placed at the range's first word (a FIFO works too)")
        ->type_name("")
        ->required();
  }
  if (command == R::cmdRead) {
    sub.add_option("OUT", options.file, "File to write the words read to; - for standard output")
        ->type_name("")
        ->required();
  }
  if (command != R::cmdSignalTest) {
    sub.add_flag("--empty-socket", options.emptySocket, "Nothing in the socket")->group(kSocket);
  }
}

void addChipOptions(CLI::App& sub, R& options, tOptionTexts& texts) {
  sub.add_option("--chip", options.chipPath,
                 "The chip's image file (default k5chip.bin; a missing file is an erased chip)")
      ->type_name("PATH")
      ->group(kSocket);
  sub.add_option("--sense-vcc", texts.sensedVcc,
                 "Supply the chip senses, for --measure-vcc (default 5000, any)")
      ->type_name("MV")
      ->group(kSocket);
  sub.add_option("--memory-size", texts.memorySize,
                 "Memory size in words [0x3A] (an existing chip's own; 1024 for a new chip)")
      ->type_name("WORDS")
      ->group(kSettings);
  sub.add_option("--vcc", texts.vcc,
                 "Fixed Vcc, configuration \"SETUP\" [0x20] (default 5000, 2200-5500)")
      ->type_name("MV")
      ->group(kSettings);
  sub.add_flag("--measure-vcc", options.settings.measureVcc,
               "Measure Vcc instead, configuration \"SETUPi\" [0x4A bit 0]")
      ->group(kSettings);
  sub.add_option("--vcc-window", texts.vccWindow,
                 "Window of the measured Vcc [0x34, 0x30] (default and widest 2240-5460)")
      ->type_name("LOW-HIGH")
      ->group(kSettings);
  sub.add_option("--vpp", texts.vpp, "VPP [0x28] (default 12000, 5000-13000)")
      ->type_name("MV")
      ->group(kSettings);
  sub.add_flag("--continuity", options.continuityFirst, "Run the continuity test first")
      ->group(kSettings);
}

void addDataOptions(CLI::App& sub, R::eCommand command, tOptionTexts& texts) {
  sub.add_option("--range", texts.range,
                 "Word range of the job (default: the image's words, or the whole chip)")
      ->type_name("FIRST-LAST")
      ->group(kSettings);
  sub.add_option("--areas", texts.areas, "Memory areas [0x46] (default main)")
      ->type_name("main,info,lock")
      ->group(kSettings);
  if (command == R::cmdRead) return;
  sub.add_option("--info-data", texts.infoData,
                 "Info data to program or compare [0x4E] (default 0xFFFFFFFF)")
      ->type_name("VALUE")
      ->group(kSettings);
  sub.add_option("--lock-bits", texts.lockBits,
                 "Lock bits to program or compare, low 5 used [0x52] (default 0xFF)")
      ->type_name("VALUE")
      ->group(kSettings);
}

void addStepOptions(CLI::App& sub, R::eCommand command, R& options, tOptionTexts& texts) {
  if (command == R::cmdProgram) {
    sub.add_option("--page-size", texts.pageSize, "Page size in bytes [0x3E] (default 64)")
        ->type_name("BYTES")
        ->group(kSettings);
    sub.add_flag("--erase", options.erase,
                 "Erase before programming [0x1C bit 1]; with --blank-check an erase action first")
        ->group(kSettings);
    sub.add_flag("--no-verify", options.noVerify, "No verify action after the program")
        ->group(kSettings);
    sub.add_flag("--verify-after", options.verifyAfter, "A verify action follows (the default)")
        ->group(kSettings);
  }
  if (command == R::cmdProgram || command == R::cmdErase) {
    sub.add_flag("--blank-check", options.blankCheck, "Blank-check after erasing [0x1C bit 7]")
        ->group(kSettings);
  }
  if (command == R::cmdRead) {
    sub.add_flag("--verify-after", options.verifyAfter, "Verify afterwards [0x1C bit 0]")
        ->group(kSettings);
  }
}

void addSignalTestOptions(CLI::App& sub, tOptionTexts& texts) {
  sub.add_option("--touch", texts.touch, "Pins the probe touches, e.g. 1-144 or 1-10,12")
      ->type_name("PINS")
      ->group(kSocket);
  sub.add_option("--cancel-at", texts.cancelAt, "Cancel when the test selects this pin")
      ->type_name("PIN")
      ->group(kSocket);
}

void buildApp(CLI::App& app, R& options, tOptionTexts& texts) {
  app.require_subcommand(1);
  app.fallthrough();
  app.get_formatter()->column_width(34);
  app.add_option("--module", options.module,
                 "Module to load: larkspur, sorrel or a path (default: the command's module "
                 "beside k5run)")
      ->type_name("PATH");
  app.add_flag("-v,--verbose", options.verbose, "Also show developer messages and PIDBG lines");
  app.set_version_flag("--version", kVersion, "Show the runner's version");
  for (const tCommand& c : kCommands) {
    CLI::App* sub = app.add_subcommand(c.name, c.help);
    const R::eCommand command = c.command;
    sub->callback([&options, command] { options.command = command; });
    addFileArguments(*sub, command, options);
    if (command <= R::cmdErase) addChipOptions(*sub, options, texts);
    if (command <= R::cmdVerify) addDataOptions(*sub, command, texts);
    addStepOptions(*sub, command, options, texts);
    if (command == R::cmdSignalTest) addSignalTestOptions(*sub, texts);
  }
}

// The names of the options that take a value, of the runner and every command.
std::set<std::string> optionsWithValues(const CLI::App& app) {
  std::set<std::string> names;
  std::vector<const CLI::App*> apps = app.get_subcommands({});
  apps.push_back(&app);
  for (const CLI::App* a : apps) {
    for (const CLI::Option* o : a->get_options()) {
      if (o->get_positional() || o->get_type_size() == 0) continue;
      for (const std::string& n : o->get_lnames()) names.insert("--" + n);
      for (const std::string& n : o->get_snames()) names.insert("-" + n);
    }
  }
  return names;
}

const CLI::App* commandNamed(const CLI::App& app, const std::string& name) {
  for (const CLI::App* sub : app.get_subcommands({})) {
    if (sub->get_name() == name) return sub;
  }
  return nullptr;
}

// Where the command word stands: the first word that is neither an option
// nor an option's value; args.size() when there is none.
std::size_t commandIndex(const std::vector<std::string>& args,
                         const std::set<std::string>& withValues) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") break;
    if (!arg.empty() && arg[0] == '-') {
      if (arg.find('=') == std::string::npos && withValues.count(arg) != 0) ++i;
      continue;
    }
    return i;
  }
  return args.size();
}

// The command first, then everything else in its order: options given before
// the command reach it as if given after.
std::vector<std::string> commandFirst(const std::vector<std::string>& args, std::size_t at,
                                      const CLI::App& app) {
  if (at >= args.size() || commandNamed(app, args[at]) == nullptr) return args;
  std::vector<std::string> ordered = {args[0], args[at]};
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (i != at) ordered.push_back(args[i]);
  }
  return ordered;
}

bool hasOption(const CLI::App& app, const std::string& arg) {
  const std::string name = arg.substr(0, arg.find('='));
  for (const CLI::Option* o : app.get_options()) {
    if (!o->get_positional() && o->check_name(name)) return true;
  }
  return false;
}

// True when the word stands after "--", where nothing is an option.
bool afterSeparator(const std::vector<std::string>& args, const std::string& word) {
  const auto separator = std::find(args.begin(), args.end(), "--");
  return separator != args.end() && std::find(separator + 1, args.end(), word) != args.end();
}

// The line for what the command did not take: the first word left over.
std::string extrasLine(const CLI::App& app, const CLI::App& command,
                       const std::vector<std::string>& args) {
  // With fallthrough the runner itself is left with them.
  std::vector<std::string> left = command.remaining();
  if (left.empty()) left = app.remaining();
  if (left.empty()) return "k5run: unexpected arguments";
  const std::string& word = left.front();
  const std::string see = " (see k5run " + command.get_name() + " --help)";
  if (word.empty() || word[0] != '-' || afterSeparator(args, word)) {
    return "k5run: unexpected argument '" + word + "' for " + command.get_name() + see;
  }
  for (const CLI::App* sub : app.get_subcommands({})) {
    if (hasOption(*sub, word)) {
      return "k5run: " + word.substr(0, word.find('=')) + " is not an option of " +
             command.get_name() + see;
    }
  }
  return "k5run: unknown option " + word.substr(0, word.find('=')) + see;
}

// The line for a parse error, naming the command or option at fault.
std::string parseErrorLine(const CLI::App& app, const CLI::ParseError& e,
                           const std::vector<std::string>& args, std::size_t at) {
  const CLI::App* command = at < args.size() ? commandNamed(app, args[at]) : nullptr;
  if (at < args.size() && command == nullptr) {
    return "k5run: unknown command '" + args[at] + "' (see k5run --help)";
  }
  if (command != nullptr && dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr) {
    return extrasLine(app, *command, args);
  }
  return std::string("k5run: ") + e.what();
}

// The line for the first option or argument given an empty value; "" when none is.
std::string emptyValueLine(const CLI::App& app) {
  std::vector<const CLI::App*> apps = {&app};
  for (const CLI::App* sub : app.get_subcommands()) apps.push_back(sub);
  for (const CLI::App* a : apps) {
    for (const CLI::Option* o : a->get_options()) {
      if ((!o->get_positional() && o->get_type_size() == 0) || o->count() == 0) continue;
      for (const std::string& value : o->results()) {
        if (!value.empty()) continue;
        if (o->get_positional()) return "k5run: " + o->get_name() + ": the file name is empty";
        return "k5run: --" + o->get_lnames().front() + ": the value is empty";
      }
    }
  }
  return "";
}

// Help and version go to standard output; one that cannot take them fails the run.
int printedExit(const CLI::App& app, const CLI::ParseError& e) {
  errno = 0;
  const int code = app.exit(e);
  std::cout.flush();
  if (std::cout.good() && std::fflush(stdout) == 0 && !std::ferror(stdout)) return code;
  const int reason = errno;
  std::fprintf(stderr, "k5run: cannot write the %s: %s\n",
               dynamic_cast<const CLI::CallForVersion*>(&e) != nullptr ? "version" : "help",
               reason != 0 ? std::strerror(reason) : "write error");
  return kExitFailed;
}

}  // namespace

int readCommandLine(int argc, char** argv, R& options) {
  tOptionTexts texts;
  CLI::App app("Runs the Larkspur and Sorrel modules on the simulated Korvo 5 programmer.\n"
               "The chip lives in a file (--chip, default k5chip.bin in the current folder).",
               "k5run");
  buildApp(app, options, texts);
  const std::set<std::string> withValues = optionsWithValues(app);
  const std::vector<std::string> given(argv, argv + argc);
  const std::size_t at = commandIndex(given, withValues);
  const std::vector<std::string> args = commandFirst(given, at, app);
  try {
    // CLI11 takes the words last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend() - 1);
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return printedExit(app, e);
    std::fprintf(stderr, "%s\n", parseErrorLine(app, e, given, at).c_str());
    return kExitBadInput;
  }
  const std::string empty = emptyValueLine(app);
  if (!empty.empty()) {
    std::fprintf(stderr, "%s\n", empty.c_str());
    return kExitBadInput;
  }
  return convert(texts, options) ? -1 : kExitBadInput;
}

const char* commandName(R::eCommand command) {
  for (const tCommand& c : kCommands) {
    if (c.command == command) return c.name;
  }
  return "";
}
