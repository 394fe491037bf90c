#include "commandLine.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "commandWords.h"
#include "runnerLine.h"
#include "textParsing.h"

namespace {

typedef tRunOptions R;

const std::uint32_t kMaxMv = 30000;
// The runner's own version; the modules name theirs in the summary.
const char* const kVersion = "k5run 1.0";
const char* const kSettings = "Holtek job settings";
const char* const kSocket = "Simulated socket";
const char* const kOptions = "Options";

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
  sayLine(option + ": '" + text + "' is not " + expected);
  return false;
}

// A range as FIRST-LAST within 0-max; a text that is none says why.
bool range(const std::string& option, const std::string& text, std::uint64_t max,
           const std::string& expected, std::uint32_t& first, std::uint32_t& last) {
  if (text.empty() || parseRange(text, max, first, last)) return true;
  if (!rangeBackwards(text, max)) return badValue(option, text, expected);
  sayLine(option + ": " + text + " ends before it starts");
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
      !number("--vcc", t.vcc, 0, kMaxMv, s.fixedVcc) ||
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
  if (!convertNumbers(t, o) ||
      !range("--range", t.range, 0xFFFF, "a word range FIRST-LAST within 0-0xFFFF", o.firstWord,
             o.lastWord) ||
      !range("--vcc-window", t.vccWindow, kMaxMv, "a window LOW-HIGH in mV", o.settings.vccLower,
             o.settings.vccUpper)) {
    return false;
  }
  o.rangeGiven = !t.range.empty();
  if (!t.touch.empty() && !parseNumberList(t.touch, 1, 144, o.touchPins)) {
    return badValue("--touch", t.touch, "a list of pins and ranges within 1-144");
  }
  return true;
}

void valueOption(CLI::App& sub, const char* name, std::string& text, const char* help,
                 const char* type, const char* group) {
  sub.add_option(name, text, help)->type_name(type)->group(group);
}

void flag(CLI::App& sub, const char* name, bool& value, const char* help, const char* group) {
  sub.add_flag(name, value, help)->group(group);
}

// The runner's own options, which every command takes as well.
void addRunnerOptions(CLI::App& app, R& options) {
  valueOption(app, "--module", options.module,
              "Module to load: larkspur, sorrel or a path (default: the command's module beside "
              "k5run)",
              "PATH", kOptions);
  flag(app, "-v,--verbose", options.verbose, "Also show developer messages and PIDBG lines",
       kOptions);
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
    flag(sub, "--empty-socket", options.emptySocket, "Nothing in the socket", kSocket);
  }
}

void addChipOptions(CLI::App& sub, R& options, tOptionTexts& texts) {
  valueOption(sub, "--chip", options.chipPath,
              "The chip's image file (default k5chip.bin; a missing file is an erased chip)",
              "PATH", kSocket);
  valueOption(sub, "--sense-vcc", texts.sensedVcc,
              "Supply the chip senses, for --measure-vcc (default 5000, 0-30000)", "MV", kSocket);
  valueOption(sub, "--memory-size", texts.memorySize,
              "Memory size in words [0x3A] (an existing chip's own; 1024 for a new chip)", "WORDS",
              kSettings);
  valueOption(sub, "--vcc", texts.vcc,
              "Fixed Vcc, configuration \"SETUP\" [0x20] (default 5000, 2200-5500)", "MV",
              kSettings);
  flag(sub, "--measure-vcc", options.settings.measureVcc,
       "Measure Vcc instead, configuration \"SETUPi\" [0x4A bit 0]", kSettings);
  valueOption(sub, "--vcc-window", texts.vccWindow,
              "Window of the measured Vcc [0x34, 0x30] (default and widest 2240-5460)", "LOW-HIGH",
              kSettings);
  valueOption(sub, "--vpp", texts.vpp, "VPP [0x28] (default 12000, 5000-13000)", "MV", kSettings);
  flag(sub, "--continuity", options.continuityFirst,
       "Run the continuity test first [parameter set's continuity flag]", kSettings);
}

void addDataOptions(CLI::App& sub, R::eCommand command, tOptionTexts& texts) {
  valueOption(sub, "--range", texts.range,
              "Word range of the job [job record's start, end] (default: the image's words, or "
              "the whole chip)",
              "FIRST-LAST", kSettings);
  valueOption(sub, "--areas", texts.areas, "Memory areas [0x46] (default main)", "main,info,lock",
              kSettings);
  if (command == R::cmdRead) return;
  valueOption(sub, "--info-data", texts.infoData,
              "Info data to program or compare [0x4E] (default 0xFFFFFFFF)", "VALUE", kSettings);
  valueOption(sub, "--lock-bits", texts.lockBits,
              "Lock bits to program or compare, low 5 used [0x52] (default 0xFF)", "VALUE",
              kSettings);
}

void addStepOptions(CLI::App& sub, R::eCommand command, R& options, tOptionTexts& texts) {
  if (command == R::cmdProgram) {
    valueOption(sub, "--page-size", texts.pageSize, "Page size in bytes [0x3E] (default 64)",
                "BYTES", kSettings);
    flag(sub, "--erase", options.erase,
         "Erase before programming [0x1C bit 1]; with --blank-check an erase action first",
         kSettings);
    flag(sub, "--no-verify", options.noVerify, "No verify action after the program", kSettings);
    flag(sub, "--verify-after", options.verifyAfter, "A verify action follows (the default)",
         kSettings);
  }
  if (command == R::cmdProgram || command == R::cmdErase) {
    flag(sub, "--blank-check", options.blankCheck, "Blank-check after erasing [0x1C bit 7]",
         kSettings);
  }
  if (command == R::cmdRead) {
    flag(sub, "--verify-after", options.verifyAfter, "Verify afterwards [0x1C bit 0]", kSettings);
  }
}

void addSignalTestOptions(CLI::App& sub, tOptionTexts& texts) {
  valueOption(sub, "--touch", texts.touch, "Pins the probe touches, e.g. 1-144 or 1-10,12", "PINS",
              kSocket);
  valueOption(sub, "--cancel-at", texts.cancelAt, "Cancel when the test selects this pin", "PIN",
              kSocket);
}

void buildApp(CLI::App& app, R& options, tOptionTexts& texts) {
  app.require_subcommand(1);
  app.get_formatter()->column_width(34);
  addRunnerOptions(app, options);
  app.set_version_flag("--version", kVersion, "Show the runner's version");
  for (const tCommand& c : kCommands) {
    CLI::App* sub = app.add_subcommand(c.name, c.help);
    const R::eCommand command = c.command;
    sub->callback([&options, command] { options.command = command; });
    addRunnerOptions(*sub, options);
    addFileArguments(*sub, command, options);
    if (command <= R::cmdErase) addChipOptions(*sub, options, texts);
    if (command <= R::cmdVerify) addDataOptions(*sub, command, texts);
    addStepOptions(*sub, command, options, texts);
    if (command == R::cmdSignalTest) addSignalTestOptions(*sub, texts);
  }
}

// Help and version go to standard output; one that cannot take them fails the run.
int printedExit(const CLI::App& app, const CLI::ParseError& e) {
  errno = 0;
  const int code = app.exit(e);
  std::cout.flush();
  if (std::cout.good() && std::fflush(stdout) == 0 && !std::ferror(stdout)) return code;
  const int reason = errno;
  sayLine(std::string("cannot write the ") +
          (dynamic_cast<const CLI::CallForVersion*>(&e) != nullptr ? "version" : "help") + ": " +
          (reason != 0 ? std::strerror(reason) : "write error"));
  return kExitFailed;
}

}  // namespace

int readCommandLine(int argc, char** argv, R& options) {
  tOptionTexts texts;
  CLI::App app("Runs the Larkspur and Sorrel modules on the simulated Korvo 5 programmer.\n"
               "The chip lives in a file (--chip, default k5chip.bin in the current folder).",
               "k5run");
  buildApp(app, options, texts);
  std::vector<std::string> words;
  std::string error;
  if (!commandWords(app, std::vector<std::string>(argv, argv + argc), words, error)) {
    return refuse(error);
  }
  // CLI11 takes the words last first.
  std::vector<std::string> reversed(words.rbegin(), words.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return printedExit(app, e);
    // The words were checked; a refusal here is one the check does not know.
    return refuse(e.what());
  }
  return convert(texts, options) ? -1 : kExitBadInput;
}

const char* commandName(R::eCommand command) {
  for (const tCommand& c : kCommands) {
    if (c.command == command) return c.name;
  }
  return "";
}
