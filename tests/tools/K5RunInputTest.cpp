// k5run's command line, its refusals of bad input and the continuity test, as
// a user meets them.
#include <algorithm>

#include "k5runTestSupport.h"

namespace {

class K5RunInput : public tK5RunTest {};

// The summary's module line for a module beside the runner.
std::string moduleLine(const std::string& module) {
  const std::string runner = LS_K5RUN_PATH;
  const std::string name = module == "sorrel" ? "Sorrel" : "Larkspur";
  return name + " (" + runner.substr(0, runner.rfind('/')) + "/lib" + module + ".so)";
}

TEST_F(K5RunInput, HelpNamesEveryCommandAndExitsZero) {
  const tRunResult r = run({"--help"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
  std::vector<std::string> commands;
  bool inList = false;
  for (const std::string& line : r.outLines()) {
    if (line == "Subcommands:") {
      inList = true;
    } else if (inList && line.size() > 2 && line[0] == ' ') {
      commands.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
  }
  EXPECT_EQ(commands, (std::vector<std::string>{"program", "read", "verify", "blank", "erase",
                                                "continuity", "no-continuity", "signaltest"}));
}

// Each command's help lists the runner's options with its own, asked after
// the command or before it.
TEST_F(K5RunInput, EachCommandsHelpListsTheRunnersOptions) {
  const std::vector<std::string> runners = {"-h,--help", "--module", "-v,--verbose"};
  for (const char* command : {"program", "read", "verify", "blank", "erase", "continuity",
                              "no-continuity", "signaltest"}) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{command, "--help"},
          std::vector<std::string>{"--verbose", command, "-h"}}) {
      SCOPED_TRACE(testing::PrintToString(args));
      const tRunResult r = run(args);
      EXPECT_EQ(r.exitCode, 0);
      EXPECT_EQ(r.err, "");
      const std::vector<std::string> lines = r.outLines();
      ASSERT_GE(lines.size(), 2u);
      EXPECT_EQ(lines[1].rfind("Usage: k5run " + std::string(command) + " [OPTIONS]", 0), 0u)
          << lines[1];
      // The option names of the group "Options:", up to the blank line after it.
      std::vector<std::string> listed;
      auto at = std::find(lines.begin(), lines.end(), "Options:");
      for (at = at == lines.end() ? at : at + 1; at != lines.end() && !at->empty(); ++at) {
        listed.push_back(at->substr(2, at->find(' ', 2) - 2));
      }
      EXPECT_EQ(listed, runners);
    }
  }
}

// Every refusal: exit 2, one line on standard error, nothing on standard
// output, and no file written, changed or left behind.
TEST_F(K5RunInput, BadInputExitsTwoWithOneLineAndWritesNothing) {
  writeChipFile("chip.bin", 1024);
  const std::vector<unsigned char> out = imagePattern(100, 9);
  writeBytes(path("out.bin"), out);
  writeBytes(path("image.bin"), imagePattern(2048));
  writeBytes(path("big.bin"), imagePattern(4096));
  writeBytes(path("garbage.bin"), std::vector<unsigned char>(2072, 0x41));
  std::vector<unsigned char> chip = fileBytes(path("chip.bin"));
  writeBytes(path("short.bin"), std::vector<unsigned char>(chip.begin(), chip.begin() + 30));
  writeBytes(path("empty.bin"), {});
  writeBytes(path("notamodule.so"), {'n', 'o', '\n'});
  ASSERT_EQ(::mkdir(path("adir").c_str(), 0755), 0);
  const std::set<std::string> before = folderEntries(mFolder);

  const struct {
    const char* name;
    std::vector<std::string> args;
    std::string line;
  } cases[] = {
      {"no command", {}, "k5run: no command given (see k5run --help)"},
      {"options but no command",
       {"--chip", "chip.bin", "-v"},
       "k5run: no command given (see k5run --help)"},
      {"unknown option and its value before the command",
       {"--bogus", "5", "blank"},
       "k5run: unknown option --bogus (see k5run --help)"},
      {"help of an unknown command",
       {"frobnicate", "--help"},
       "k5run: unknown command 'frobnicate' (see k5run --help)"},
      {"program without IMAGE",
       {"program", "--chip", "chip.bin"},
       "k5run: program needs IMAGE (see k5run program --help)"},
      {"read without OUT",
       {"--chip", "chip.bin", "read"},
       "k5run: read needs OUT (see k5run read --help)"},
      {"flag given a value",
       {"program", "image.bin", "--chip", "chip.bin", "--erase=yes"},
       "k5run: --erase takes no value"},
      {"flag given a value before the command",
       {"-v=1", "blank", "--chip", "chip.bin"},
       "k5run: -v takes no value"},
      {"option given twice",
       {"blank", "--chip", "chip.bin", "--chip=out.bin"},
       "k5run: --chip is given twice"},
      {"option before and after the command",
       {"--range", "0-5", "read", "out.bin", "--chip", "chip.bin", "--range", "0-5"},
       "k5run: --range is given twice"},
      {"unknown command", {"frobnicate"}, "k5run: unknown command 'frobnicate' (see k5run --help)"},
      {"unknown option",
       {"read", "out.bin", "--chip", "chip.bin", "--bogus"},
       "k5run: unknown option --bogus (see k5run read --help)"},
      {"option of another command",
       {"read", "out.bin", "--chip", "chip.bin", "--erase"},
       "k5run: --erase is not an option of read (see k5run read --help)"},
      {"missing image",
       {"program", "missing.bin", "--chip", "chip.bin"},
       "k5run: cannot read image missing.bin: No such file or directory"},
      {"image that is a folder",
       {"verify", "adir", "--chip", "chip.bin"},
       "k5run: cannot read image adir: it is a folder"},
      {"image larger than the range",
       {"program", "image.bin", "--chip", "chip.bin", "--range", "0x10-0x1F"},
       "k5run: image.bin: image of 2048 bytes is larger than the selected range 0x0010-0x001F "
       "(32 bytes)"},
      {"image larger than the chip",
       {"program", "big.bin", "--chip", "chip.bin"},
       "k5run: big.bin: image of 4096 bytes is larger than the chip (1024 words, 2048 bytes)"},
      {"range beyond the chip",
       {"read", "out.bin", "--chip", "chip.bin", "--range", "0-1024"},
       "k5run: range 0x0000-0x0400 does not fit a chip of 1024 words (0x0000-0x03FF)"},
      {"range backwards",
       {"read", "out.bin", "--chip", "chip.bin", "--range", "9-2"},
       "k5run: --range: 9-2 ends before it starts"},
      {"vcc window backwards",
       {"verify", "image.bin", "--chip", "chip.bin", "--measure-vcc", "--vcc-window", "5000-3000"},
       "k5run: --vcc-window: 5000-3000 ends before it starts"},
      {"malformed chip file",
       {"read", "out.bin", "--chip", "garbage.bin"},
       "k5run: chip image garbage.bin: not a chip image (wrong magic)"},
      {"truncated chip file",
       {"verify", "image.bin", "--chip", "short.bin"},
       "k5run: chip image short.bin: truncated: 30 bytes where 2072 belong"},
      {"empty chip file",
       {"erase", "--chip", "empty.bin"},
       "k5run: chip file empty.bin is empty, no chip image: remove it to start with an erased "
       "chip"},
      {"chip file that is a folder",
       {"read", "out.bin", "--chip", "adir"},
       "k5run: chip file adir is a folder"},
      {"chip file that is a folder, for a command that writes it",
       {"erase", "--chip", "adir"},
       "k5run: chip file adir is a folder"},
      {"module that is no module",
       {"--module", "./notamodule.so", "read", "out.bin", "--chip", "chip.bin"},
       "k5run: cannot load module ./notamodule.so: ./notamodule.so: file too short"},
      {"missing module",
       {"--module", "./none.so", "program", "image.bin", "--chip", "chip.bin"},
       "k5run: cannot load module ./none.so: ./none.so: cannot open shared object file: No such "
       "file or directory"},
      {"program past 16-bit byte addresses",
       {"program", "image.bin", "--chip", "big.chip", "--memory-size", "0x10000", "--range",
        "0x8000-0xBFFF"},
       "k5run: program counts byte addresses in 16 bits: words 0x8000-0xBFFF are bytes "
       "0x10000-0x17FFF, past 0xFFFF (program reaches words 0x0000-0x7FFF)"},
      {"program across the 16-bit byte limit",
       {"program", "image.bin", "--chip", "big.chip", "--memory-size", "0x10000", "--range",
        "0x7C00-0x83FF"},
       "k5run: program counts byte addresses in 16 bits: words 0x7C00-0x83FF are bytes "
       "0xF800-0x107FF, past 0xFFFF (program reaches words 0x0000-0x7FFF)"},
      {"option of another command with its value",
       {"blank", "--chip", "chip.bin", "--range", "0-5"},
       "k5run: --range is not an option of blank (see k5run blank --help)"},
      {"option of another command before the command",
       {"--cancel-at", "5", "read", "out.bin", "--chip", "chip.bin"},
       "k5run: --cancel-at is not an option of read (see k5run read --help)"},
      {"argument the command does not take",
       {"blank", "--chip", "chip.bin", "extra"},
       "k5run: unexpected argument 'extra' for blank (see k5run blank --help)"},
      {"chip option without its value", {"blank", "--chip"}, "k5run: --chip needs a value"},
      {"chip option before the command without its value",
       {"--chip", "blank"},
       "k5run: no command given (see k5run --help)"},
      {"chip option followed by an option",
       {"--chip", "-v", "blank"},
       "k5run: --chip needs a value"},
      {"bad number",
       {"program", "image.bin", "--chip", "chip.bin", "--vcc", "5V"},
       "k5run: --vcc: '5V' is not a number from 0 to 30000"},
      {"page size not a power of two",
       {"program", "image.bin", "--chip", "chip.bin", "--page-size", "48"},
       "k5run: --page-size: '48' is not a power of two from 1 to 256"},
      {"unknown area",
       {"verify", "image.bin", "--chip", "chip.bin", "--areas", "main,eeprom"},
       "k5run: --areas: 'main,eeprom' is not a list of main, info and lock"},
      {"verify and no verify",
       {"program", "image.bin", "--chip", "chip.bin", "--verify-after", "--no-verify"},
       "k5run: --no-verify: program verifies unless told not to; leave out --verify-after"},
      {"blank check without erase",
       {"program", "image.bin", "--chip", "chip.bin", "--blank-check"},
       "k5run: --blank-check: the blank check follows an erase; add --erase"},
      {"output in a missing folder",
       {"read", "nofolder/out.bin", "--chip", "chip.bin"},
       "k5run: cannot write nofolder/out.bin: folder nofolder: No such file or directory"},
      {"output is the chip file",
       {"read", "./chip.bin", "--chip", "chip.bin"},
       "k5run: cannot write ./chip.bin: it is the chip file"},
      {"output is a folder",
       {"read", "adir", "--chip", "chip.bin"},
       "k5run: cannot write adir: it is a folder"},
      {"pin outside the socket",
       {"signaltest", "--touch", "1-145"},
       "k5run: --touch: '1-145' is not a list of pins and ranges within 1-144"},
      {"cancel at no pin",
       {"signaltest", "--cancel-at", "0"},
       "k5run: --cancel-at: '0' is not a number from 1 to 144"},
      {"empty chip path", {"blank", "--chip", ""}, "k5run: --chip: the value is empty"},
      {"empty chip path after =", {"blank", "--chip="}, "k5run: --chip: the value is empty"},
      {"empty OUT", {"read", "", "--chip", "chip.bin"}, "k5run: OUT: the file name is empty"},
      {"empty IMAGE",
       {"program", "", "--chip", "chip.bin"},
       "k5run: IMAGE: the file name is empty"},
      {"empty range",
       {"read", "out.bin", "--chip", "chip.bin", "--range", ""},
       "k5run: --range: the value is empty"},
      {"empty memory size",
       {"--memory-size", "", "blank", "--chip", "chip.bin"},
       "k5run: --memory-size: the value is empty"},
      {"empty pin list", {"signaltest", "--touch", ""}, "k5run: --touch: the value is empty"},
      {"empty module", {"--module", "", "continuity"}, "k5run: --module: the value is empty"},
      {"read with the chip in a missing folder",
       {"read", "out.bin", "--chip", "missing/c.bin"},
       "k5run: chip file missing/c.bin: folder missing: No such file or directory"},
      {"verify with the chip in a missing folder",
       {"verify", "image.bin", "--chip", "missing/c.bin"},
       "k5run: chip file missing/c.bin: folder missing: No such file or directory"},
      {"blank check with the chip in a missing folder",
       {"blank", "--chip", "missing/c.bin"},
       "k5run: chip file missing/c.bin: folder missing: No such file or directory"},
      {"erase with the chip in a missing folder",
       {"erase", "--chip", "missing/c.bin"},
       "k5run: chip file missing/c.bin: folder missing: No such file or directory"},
      {"program with the chip in a missing folder",
       {"program", "image.bin", "--chip", "missing/c.bin"},
       "k5run: chip file missing/c.bin: folder missing: No such file or directory"},
      {"option after --",
       {"blank", "--chip", "chip.bin", "--", "--chip"},
       "k5run: unexpected argument '--chip' for blank (see k5run blank --help)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const tRunResult r = run(c.args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.errLines(), std::vector<std::string>{c.line});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(fileBytes(path("chip.bin")), chip);
    EXPECT_EQ(fileBytes(path("out.bin")), out);
    EXPECT_EQ(folderEntries(mFolder), before);
  }
}

// Each module runs only the commands it carries; anything else is refused
// before the module is loaded, with the command to use, whether the module
// is named or given by its path.
TEST_F(K5RunInput, ACommandRunsOnlyOnTheModuleThatCarriesIt) {
  writeChipFile("chip.bin", 1024);
  writeBytes(path("image.bin"), imagePattern(2048));
  const std::vector<unsigned char> chip = fileBytes(path("chip.bin"));
  const std::set<std::string> before = folderEntries(mFolder);
  const std::string runner = LS_K5RUN_PATH;
  const std::string folder = runner.substr(0, runner.rfind('/'));
  const std::vector<std::vector<std::string>> sorrelLacks = {
      {"program", "image.bin"}, {"read", "out.bin"}, {"verify", "image.bin"}, {"blank"}, {"erase"}};
  for (const std::string& sorrel : {std::string("sorrel"), folder + "/libsorrel.so"}) {
    for (std::vector<std::string> args : sorrelLacks) {
      SCOPED_TRACE(sorrel + " " + args[0]);
      const std::string command = args[0];
      args.insert(args.begin(), {"--module", sorrel});
      args.insert(args.end(), {"--chip", "chip.bin"});
      const tRunResult r = run(args);
      EXPECT_EQ(r.exitCode, 2);
      EXPECT_EQ(r.errLines(), std::vector<std::string>{"k5run: Sorrel has no " + command +
                                                       " command; Larkspur has: k5run " + command});
      EXPECT_EQ(r.out, "");
    }
  }
  for (const std::string& larkspur : {std::string("larkspur"), folder + "/liblarkspur.so"}) {
    SCOPED_TRACE(larkspur);
    const tRunResult r = run({"--module", larkspur, "signaltest", "--touch", "1-144"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.errLines(), std::vector<std::string>{
                                "k5run: Larkspur has no signaltest command; Sorrel has: k5run "
                                "signaltest"});
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(fileBytes(path("chip.bin")), chip);
  EXPECT_EQ(folderEntries(mFolder), before);
}

// Voltages outside what the chip model states it takes are refused before
// anything is powered: one line with the range, no module message, no
// violation. The ranges' own edges run.
TEST_F(K5RunInput, VoltagesOutsideTheChipsRangesAreRefused) {
  writeBytes(path("image.bin"), imagePattern(2048));
  typedef cK5HoltekChip C;
  const auto mv = [](unsigned int v) { return std::to_string(v); };
  const std::string vcc = "mV is outside the chip's operating Vcc 2200-5500 mV";
  const std::string vpp = "mV is outside the chip's VPP range 5000-13000 mV";
  const std::string window = "mV reaches outside the chip's measured-Vcc window 2240-5460 mV";
  const struct {
    std::vector<std::string> options;
    std::string line;
  } cases[] = {
      {{"--vcc", mv(C::kVccMinMv - 1)}, "k5run: --vcc: 2199 " + vcc},
      {{"--vcc", mv(C::kVccMaxMv + 1)}, "k5run: --vcc: 5501 " + vcc},
      {{"--vcc", "0"}, "k5run: --vcc: 0 " + vcc},
      {{"--vcc", "1"}, "k5run: --vcc: 1 " + vcc},
      {{"--vcc", "7000"}, "k5run: --vcc: 7000 " + vcc},
      {{"--vpp", "0"}, "k5run: --vpp: 0 " + vpp},
      {{"--vpp", mv(C::kVppMinMv - 1)}, "k5run: --vpp: 4999 " + vpp},
      {{"--vpp", mv(C::kVppMaxMv + 1)}, "k5run: --vpp: 13001 " + vpp},
      {{"--vpp", "30000"}, "k5run: --vpp: 30000 " + vpp},
      {{"--measure-vcc", "--vcc-window", "2200-5000"}, "k5run: --vcc-window: 2200-5000 " + window},
      {{"--measure-vcc", "--vcc-window", "3000-5500"}, "k5run: --vcc-window: 3000-5500 " + window},
  };
  for (const char* command : {"program", "verify"}) {
    for (const auto& c : cases) {
      std::vector<std::string> args = {command, "image.bin"};
      args.insert(args.end(), c.options.begin(), c.options.end());
      SCOPED_TRACE(testing::PrintToString(args));
      const tRunResult r = run(args);
      EXPECT_EQ(r.exitCode, 2);
      EXPECT_EQ(r.errLines(), std::vector<std::string>{c.line});
      EXPECT_EQ(r.out, "");
      EXPECT_FALSE(fileExists(path("k5chip.bin")));
    }
  }
  const tRunResult low = run({"program", "image.bin", "--vcc", mv(C::kVccMinMv), "--vpp",
                              mv(C::kVppMinMv), "--measure-vcc", "--sense-vcc", "2250",
                              "--vcc-window", mv(C::kMeasuredVccMinMv) + "-3000"});
  EXPECT_EQ(low.exitCode, 0) << low.out << low.err;
  const tRunResult high =
      run({"verify", "image.bin", "--vcc", mv(C::kVccMaxMv), "--vpp", mv(C::kVppMaxMv)});
  EXPECT_EQ(high.exitCode, 0) << high.out << high.err;
  EXPECT_EQ(high.summary("violation"), "");
}

// The two continuity commands with either module, on a socket with the chip
// and on an empty one. Neither touches a chip file.
TEST_F(K5RunInput, ContinuityGivesTheVerdictOfTheSocket) {
  const std::string connected = "8 of 8 pins connected: device connected";
  const std::string empty = "0 of 8 pins connected: socket empty";
  const struct {
    const char* command;
    bool emptySocket;
    int exitCode;
    std::string verdict;
    std::vector<std::string> shown;
  } cases[] = {
      {"continuity", false, 0, connected, {"module: Doing Continuity Test"}},
      {"continuity",
       true,
       1,
       empty,
       {"module: Doing Continuity Test", "module: Continuity Test error : device not connected"}},
      {"no-continuity", true, 0, empty, {"module: Doing Continuity Test"}},
      {"no-continuity",
       false,
       1,
       connected,
       {"module: Doing Continuity Test", "module: Continuity Test error : device is connected"}},
  };
  for (const char* module : {"larkspur", "sorrel"}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(module) + " " + c.command + (c.emptySocket ? " empty" : ""));
      std::vector<std::string> args = {"--module", module, c.command};
      if (c.emptySocket) args.push_back("--empty-socket");
      const tRunResult r = run(args);
      EXPECT_EQ(r.exitCode, c.exitCode);
      EXPECT_EQ(r.summary("module"), moduleLine(module));
      EXPECT_EQ(r.summaryAll("action"), std::vector<std::string>{c.command});
      EXPECT_EQ(r.summary("result"), c.exitCode == 0 ? "ok" : "failed");
      EXPECT_EQ(r.summary("continuity"), c.verdict);
      EXPECT_EQ(r.errLines(), c.shown);
      EXPECT_EQ(r.lastLine(), c.exitCode == 0 ? "k5run: ok" : "k5run: failed");
      EXPECT_FALSE(fileExists(path("k5chip.bin")));
    }
  }
}

// Developer messages and the modules' diagnostic lines only with --verbose;
// the rest of what is shown stays the same.
TEST_F(K5RunInput, VerboseAddsDeveloperMessagesAndDiagnosticLines) {
  const tRunResult quiet = run({"continuity"});
  const tRunResult verbose = run({"continuity", "--verbose"});
  ASSERT_EQ(quiet.exitCode, 0);
  ASSERT_EQ(verbose.exitCode, 0);
  std::vector<std::string> rest;
  unsigned int diagnostic = 0;
  bool loaded = false;
  for (const std::string& line : verbose.errLines()) {
    if (line.rfind("PIDBG: ", 0) == 0) {
      ++diagnostic;
    } else if (line.rfind("developer: ", 0) == 0) {
      loaded = loaded || line == "developer: LoadFPGAs with HDW_CONTINUITY Ok.";
    } else {
      rest.push_back(line);
    }
  }
  EXPECT_EQ(rest, quiet.errLines());
  EXPECT_TRUE(loaded);
  EXPECT_GT(diagnostic, 0u);
  for (const std::string& line : quiet.errLines())
    EXPECT_EQ(line.rfind("PIDBG", 0), std::string::npos);
}

}  // namespace
