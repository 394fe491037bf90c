// What k5run says: the progress bar within the terminal's width, the
// modules' numbers in words, what differs after a failed verify or blank
// check, and the command line's own answers.
#include <regex>

#include "k5runTestSupport.h"

namespace {

class K5RunOutput : public tK5RunTest {
protected:
  // What a terminal shows as lines: the text between line ends and
  // carriage returns, without the erase-line sequence.
  static std::vector<std::string> terminalLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i <= text.size(); ++i) {
      if (i == text.size() || text[i] == '\n' || text[i] == '\r') {
        if (!line.empty()) lines.push_back(line);
        line.clear();
      } else if (text.compare(i, 3, "\033[K") == 0) {
        i += 2;
      } else {
        line += text[i];
      }
    }
    return lines;
  }
};

// Every line on an 80-column terminal fits it; on a narrower one the bar
// still does, shortened rather than wrapped.
TEST_F(K5RunOutput, ProgressFitsTheTerminal) {
  writeBytes(path("image.bin"), imagePattern(2048));
  // The longest action name and position: a signal test, here cancelled at pin 31.
  const struct {
    std::vector<std::string> args;
    int exitCode;
  } commands[] = {
      {{"program", "image.bin", "--chip", "p.chip", "--erase"}, 0},
      {{"read", "out.bin", "--chip", "r.chip", "--memory-size", "0x10000", "--range",
        "0xFF00-0xFFFF"},
       0},
      {{"signaltest", "--touch", "1-30"}, 1},
  };
  for (unsigned short columns : {80, 40, 20, 5}) {
    for (const auto& c : commands) {
      SCOPED_TRACE(std::to_string(columns) + " columns: " + c.args[0]);
      const tRunResult r = runOnTerminal(c.args, columns);
      EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
      unsigned int bars = 0;
      for (const std::string& line : terminalLines(r.err)) {
        const bool bar = line.find('%') != std::string::npos;
        bars += bar ? 1 : 0;
        if (bar || columns == 80) {
          EXPECT_LT(line.size(), columns) << line;
        }
      }
      EXPECT_GT(bars, 0u);
    }
  }
  // The whole bar when there is room.
  const tRunResult wide = runOnTerminal({"read", "out.bin"}, 200);
  const std::vector<std::string> lines = terminalLines(wide.err);
  ASSERT_FALSE(lines.empty());
  const std::string full = lines.back();
  EXPECT_EQ(full.substr(0, full.find("  bus ")),
            "read [##############################] 100%  word 0x03FF/0x03FF");
  EXPECT_NE(full.find(" s  wall "), std::string::npos) << full;
}

// On a terminal the bar's last state stays above a cancel line, which ends
// what is shown of the action; a mismatch in the last byte shows no word
// past the range. A chip of one word is one word.
TEST_F(K5RunOutput, TerminalEndsWithTheCancelAndStaysInTheRange) {
  const tRunResult cancelled =
      runOnTerminal({"signaltest", "--touch", "1-144", "--cancel-at", "10"}, 80);
  EXPECT_EQ(cancelled.exitCode, 1);
  std::vector<std::string> lines = terminalLines(cancelled.err);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.back(), "k5run: cancel at pin 10");
  EXPECT_EQ(lines[lines.size() - 2].substr(0, lines[lines.size() - 2].find("  bus ")),
            "signal test [##............................]   6%  pin 9/144");

  std::vector<unsigned char> image = imagePattern(2048);
  writeBytes(path("image.bin"), image);
  ASSERT_EQ(run({"program", "image.bin"}).exitCode, 0);
  image.back() ^= 0x01;
  writeBytes(path("last.bin"), image);
  const tRunResult last = runOnTerminal({"verify", "last.bin"}, 120);
  EXPECT_EQ(last.exitCode, 1);
  lines = terminalLines(last.err);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().substr(0, lines.back().find("  bus ")),
            "verify [##############################] 100%  word 0x03FF/0x03FF");

  writeChipFile("one.chip", 1);
  EXPECT_EQ(run({"blank", "--chip", "one.chip"}).summary("chip"), "one.chip, 1 word");
}

// Every numbered message comes with its words, and so do the codes of the
// job record.
TEST_F(K5RunOutput, MessagesAndErrorsAreInWords) {
  writeBytes(path("image.bin"), imagePattern(2048));
  const std::vector<std::vector<std::string>> commands = {
      {"program", "image.bin", "--areas", "main,info,lock", "--info-data", "0x1234"},
      {"read", "out.bin", "--areas", "main,info,lock", "--verify-after"},
      {"verify", "image.bin", "--measure-vcc", "--sense-vcc", "1000"},
      {"blank"},
      {"erase", "--blank-check"},
      {"program", "image.bin", "--erase", "--blank-check"},
  };
  const std::regex worded("message [0-9]+: [a-z].*");
  unsigned int messages = 0;
  for (const std::vector<std::string>& args : commands) {
    SCOPED_TRACE(args[0]);
    const tRunResult r = run(args);
    for (const std::string& line : r.errLines()) {
      if (line.rfind("message ", 0) != 0) continue;
      ++messages;
      EXPECT_TRUE(std::regex_match(line, worded)) << line;
    }
  }
  EXPECT_GE(messages, 12u);

  const struct {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{"verify", "image.bin"}, "none"},
      {{"blank", "--empty-socket"},
       "class 9, code 2014: the chip gave no entry acknowledge: empty socket or another chip; "
       "3003: the action failed"},
      {{"blank"}, "class 0, code 1: data mismatch; 3003: the action failed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const tRunResult r = run(c.args);
    EXPECT_EQ(r.summary("error"), c.error);
  }
}

// Info data and lock bits that differ are named with both values; verify
// compares the five lock bits the chip has, a blank check all eight.
TEST_F(K5RunOutput, InfoDataAndLockBitsMismatchesNameBothValues) {
  writeBytes(path("image.bin"), imagePattern(2048));
  const tRunResult program = run({"program", "image.bin", "--areas", "main,info,lock",
                                  "--info-data", "0x12345678", "--lock-bits", "0x15"});
  ASSERT_EQ(program.exitCode, 0) << program.out << program.err;
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> mismatches;
  } cases[] = {
      {{"verify", "image.bin", "--areas", "main,info", "--info-data", "0x12345670"},
       {"info data: expected 0x12345670, read 0x12345678"}},
      {{"verify", "image.bin", "--areas", "main,lock", "--lock-bits", "0xF4"},
       {"lock bits (mask 0x1F): expected 0x14, read 0x15"}},
      {{"verify", "image.bin", "--areas", "main,info,lock", "--info-data", "0x12345678",
        "--lock-bits", "0xF5"},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const tRunResult r = run(c.args);
    EXPECT_EQ(r.exitCode, c.mismatches.empty() ? 0 : 1) << r.out << r.err;
    EXPECT_EQ(r.summaryAll("mismatch"), c.mismatches);
    EXPECT_EQ(r.summary("differ"), "");
    if (!c.mismatches.empty()) {
      EXPECT_EQ(r.summary("error"), "3003: the action failed");
    }
  }
}

// In a range that starts past word 0, the offset is the image's own; the
// byte that pads an odd image is no byte of it.
TEST_F(K5RunOutput, MismatchOffsetsCountInTheImage) {
  const std::vector<unsigned char> part = imagePattern(40, 2);
  writeBytes(path("part.bin"), part);
  ASSERT_EQ(run({"program", "part.bin", "--range", "0x100-0x113"}).exitCode, 0);
  std::vector<unsigned char> changed = part;
  changed[5] ^= 0x10;
  changed.pop_back();
  writeBytes(path("changed.bin"), changed);
  writeBytes(path("odd.bin"), std::vector<unsigned char>(part.begin(), part.end() - 1));
  char fifth[96];
  std::snprintf(fifth, sizeof fifth,
                "changed.bin byte 0x0005 (word 0x0102 high): expected 0x%02X, read 0x%02X",
                changed[5], part[5]);
  char pad[96];
  std::snprintf(pad, sizeof pad,
                "padding after odd.bin, chip byte 0x0227 (word 0x0113 high): expected 0xFF, read "
                "0x%02X",
                part[39]);
  const struct {
    const char* image;
    std::string mismatch;
    std::string differ;
  } cases[] = {
      {"changed.bin", fifth, "2 of 40 bytes in words 0x0100-0x0113"},
      {"odd.bin", pad, "1 of 40 bytes in words 0x0100-0x0113"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.image);
    const tRunResult r = run({"verify", c.image, "--range", "0x100-0x113"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.summaryAll("mismatch"), std::vector<std::string>{c.mismatch});
    EXPECT_EQ(r.summary("differ"), c.differ);
  }
}

// A blank check stops at what is not blank and names it: the info data.
TEST_F(K5RunOutput, BlankCheckNamesTheInfoDataThatIsNotBlank) {
  writeBytes(path("erased.bin"), std::vector<unsigned char>(2048, 0xFF));
  const tRunResult program =
      run({"program", "erased.bin", "--areas", "main,info", "--info-data", "0x0F0F0F0F"});
  ASSERT_EQ(program.exitCode, 0) << program.out << program.err;
  const tRunResult blank = run({"blank"});
  EXPECT_EQ(blank.exitCode, 1);
  EXPECT_EQ(blank.summaryAll("mismatch"),
            std::vector<std::string>{"info data: expected 0xFFFFFFFF, read 0x0F0F0F0F"});
  EXPECT_EQ(blank.summary("error"), "3003: the action failed");
}

// Program's byte addresses reach 0xFFFF: words up to 0x7FFF of a larger chip.
TEST_F(K5RunOutput, ProgramReachesTheLastSixteenBitByteAddress) {
  writeBytes(path("image.bin"), imagePattern(512));
  const tRunResult r =
      run({"program", "image.bin", "--memory-size", "0x10000", "--range", "0x7F00-0x7FFF"});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(r.summary("action"), "program bytes 0xFE00-0xFFFF (words 0x7F00-0x7FFF)");
}

// Options stand before or after the command alike.
TEST_F(K5RunOutput, OptionsBeforeTheCommand) {
  writeChipFile("x.chip", 512);
  writeBytes(path("image.bin"), imagePattern(1024, 1));
  const tRunResult blank = run({"--chip", "x.chip", "blank"});
  EXPECT_EQ(blank.exitCode, 1) << blank.err;
  EXPECT_EQ(blank.summary("chip"), "x.chip, 512 words");
  const tRunResult program =
      run({"--chip=x.chip", "--erase", "-v", "program", "--range", "0-0x1FF", "image.bin"});
  EXPECT_EQ(program.exitCode, 0) << program.err;
  EXPECT_EQ(program.summary("saved"), "x.chip");
  EXPECT_EQ(chipBytes(path("x.chip")), imagePattern(1024, 1));

  const tRunResult version = run({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "k5run 1.0\n");
}

// Every flag stands before the command as well as after it, also ahead of
// an option with a value: the run ends alike, and shows that the flag took
// effect.
TEST_F(K5RunOutput, EveryFlagBeforeTheCommandActsAsAfterIt) {
  writeBytes(path("image.bin"), imagePattern(2048, 1));
  typedef std::function<std::vector<std::string>(const tRunResult&)> tShown;
  const auto summary = [](const char* label) -> tShown {
    return [label](const tRunResult& r) { return r.summaryAll(label); };
  };
  const tShown messages = [](const tRunResult& r) {
    std::vector<std::string> lines;
    for (const std::string& line : r.errLines()) {
      if (line.rfind("message ", 0) == 0) lines.push_back(line);
    }
    return lines;
  };
  const tShown firstErrLine = [](const tRunResult& r) {
    std::vector<std::string> lines = r.errLines();
    lines.resize(std::min<std::size_t>(lines.size(), 1));
    return lines;
  };
  const std::string program = "program bytes 0x0000-0x07FF (words 0x0000-0x03FF)";
  const std::string verify = "verify words 0x0000-0x03FF";
  const std::string pidbg = "PIDBG: claimedRemoteId@getClaimInfo: k5run";
  // The chip holds other data than the image and is no blank chip.
  const struct {
    const char* flag;
    std::vector<std::string> args;
    int exitCode;
    tShown shown;
    std::vector<std::string> expected;
  } cases[] = {
      {"--erase", {"program", "image.bin"}, 0, summary("error"), {"none"}},
      {"--blank-check",
       {"program", "image.bin", "--erase"},
       0,
       summary("action"),
       {"erase", program, verify}},
      {"--no-verify", {"program", "image.bin"}, 0, summary("action"), {program}},
      {"--verify-after",
       {"read", "out.bin"},
       0,
       messages,
       {"message 149: read main memory", "message 305: verify main memory, Vcc 5.0 V"}},
      {"--measure-vcc",
       {"blank", "--sense-vcc", "1000"},
       1,
       summary("error"),
       {"measured Vcc 1000 mV outside the window 2240-5460 mV; 3003: the action failed"}},
      {"--continuity",
       {"blank"},
       1,
       summary("continuity"),
       {"8 of 8 pins connected: device connected"}},
      {"--empty-socket", {"blank"}, 1, summary("chip"), {"t.chip, 1024 words, not in the socket"}},
      {"-v", {"blank"}, 1, firstErrLine, {pidbg}},
      {"--verbose", {"blank"}, 1, firstErrLine, {pidbg}},
  };
  for (const auto& c : cases) {
    const std::vector<std::string> chip = {"--chip", "t.chip"};
    std::vector<std::string> before = {c.flag};
    before.insert(before.end(), chip.begin(), chip.end());
    before.insert(before.end(), c.args.begin(), c.args.end());
    std::vector<std::string> after = c.args;
    after.push_back(c.flag);
    after.insert(after.end(), chip.begin(), chip.end());
    for (const std::vector<std::string>& args : {before, after}) {
      SCOPED_TRACE(testing::PrintToString(args));
      writeChipFile("t.chip", 1024);
      const tRunResult r = run(args);
      EXPECT_EQ(r.exitCode, c.exitCode) << r.described();
      EXPECT_EQ(c.shown(r), c.expected);
    }
  }
}

// "--" ends the options wherever it stands: the words after it are the
// command's and its arguments, a file name that starts with '-' among them.
TEST_F(K5RunOutput, DoubleDashEndsTheOptions) {
  const std::vector<unsigned char> image = imagePattern(2048, 1);
  writeBytes(path("-image.bin"), image);
  const tRunResult program = run({"program", "--chip", "t.chip", "--", "-image.bin"});
  ASSERT_EQ(program.exitCode, 0) << program.described();
  const std::vector<std::vector<std::string>> verifies = {
      {"--chip", "t.chip", "--", "verify", "-image.bin"},
      {"--chip", "t.chip", "verify", "--", "-image.bin"},
      {"verify", "--chip=t.chip", "-v", "--", "-image.bin"},
  };
  for (const std::vector<std::string>& args : verifies) {
    SCOPED_TRACE(testing::PrintToString(args));
    const tRunResult r = run(args);
    EXPECT_EQ(r.exitCode, 0) << r.described();
    EXPECT_EQ(r.summaryAll("action"), std::vector<std::string>{"verify words 0x0000-0x03FF"});
  }
  // "-" alone is standard output, after "--" too.
  const tRunResult read = run({"--chip", "t.chip", "--", "read", "-"});
  EXPECT_EQ(read.exitCode, 0) << read.described();
  EXPECT_EQ(std::vector<unsigned char>(read.out.begin(), read.out.end()), image);
}

// A run that did not do what was asked never says "ok" or "none": the
// result and error lines agree with the last line and the exit code, and
// name what failed.
TEST_F(K5RunOutput, AFailedRunHasOneVerdict) {
  writeBytes(path("image.bin"), imagePattern(2048));
  ASSERT_EQ(run({"program", "image.bin", "--chip", "full.chip"}).exitCode, 0);
  writeBytes(path("other.bin"), imagePattern(2048, 5));
  const std::string emptySocket =
      "class 9, code 2014: the chip gave no entry acknowledge: empty socket or another chip; "
      "3003: the action failed";
  const struct {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{"verify", "other.bin", "--chip", "full.chip"},
       "class 0, code 1: data mismatch; 3003: the action failed"},
      {{"blank", "--chip", "full.chip"}, "class 0, code 1: data mismatch; 3003: the action failed"},
      {{"program", "image.bin", "--empty-socket"}, emptySocket},
      {{"read", "out.bin", "--chip", "full.chip", "--empty-socket"}, emptySocket},
      {{"continuity", "--empty-socket"}, "3003: the action failed"},
      {{"signaltest", "--touch", "1-10"},
       "10 of 144 pins confirmed; cancelled at pin 11, which the probe did not touch long enough"},
      {{"signaltest", "--touch", "1-144", "--cancel-at", "50"},
       "49 of 144 pins confirmed; cancelled at pin 50"},
      {{"verify", "image.bin", "--chip", "full.chip", "--measure-vcc", "--sense-vcc", "1000"},
       "measured Vcc 1000 mV outside the window 2240-5460 mV; 3003: the action failed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const tRunResult r = run(c.args);
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_EQ(r.summaryAll("result"), std::vector<std::string>{"failed"});
    EXPECT_EQ(r.summaryAll("error"), std::vector<std::string>{c.error});
    EXPECT_EQ(r.lastLine(), "k5run: failed");
  }
}

// Help, version and summary that cannot be written end the run with one line
// on standard error; a read-out for standard output that cannot be written
// fails the run.
TEST_F(K5RunOutput, OutputThatCannotBeWrittenFailsTheRun) {
  writeChipFile("chip.bin", 1024);
  mBeforeExec = [] {
    const int full = ::open("/dev/full", O_WRONLY);
    if (full < 0 || ::dup2(full, 1) < 0) ::_exit(127);
  };
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> err;
  } cases[] = {
      {{"--help"}, {"k5run: cannot write the help: No space left on device"}},
      {{"--version"}, {"k5run: cannot write the version: No space left on device"}},
      {{"continuity"},
       {"module: Doing Continuity Test",
        "k5run: cannot write the summary: No space left on device"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const tRunResult r = run(c.args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.errLines(), c.err);
  }
  const tRunResult read = run({"read", "-", "--chip", "chip.bin"});
  EXPECT_EQ(read.exitCode, 1);
  const std::vector<std::string> err = read.errLines();
  ASSERT_GE(err.size(), 3u);
  EXPECT_EQ(
      std::vector<std::string>(err.end() - 3, err.end()),
      (std::vector<std::string>{
          "result:     failed",
          "error:      standard output: cannot write: No space left on device", "k5run: failed"}));
}

// Binary bytes are not for a terminal: read - onto one is refused before
// anything runs; a file as OUT is read as usual.
TEST_F(K5RunOutput, ReadToATerminalIsRefused) {
  writeChipFile("chip.bin", 1024);
  // Standard output on the terminal too.
  mBeforeExec = [] {
    if (::dup2(2, 1) < 0) ::_exit(127);
  };
  const tRunResult refused = runOnTerminal({"read", "-", "--chip", "chip.bin"}, 80);
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_EQ(terminalLines(refused.err),
            std::vector<std::string>{"k5run: standard output is a terminal: name a file as OUT, "
                                     "or redirect standard output"});
  const tRunResult file = runOnTerminal({"read", "out.bin", "--chip", "chip.bin"}, 80);
  EXPECT_EQ(file.exitCode, 0) << file.err;
  EXPECT_EQ(fileBytes(path("out.bin")), chipBytes(path("chip.bin")));
}

// A name with a newline or another control character stays on its line,
// written as an escape, in the summary and in a refusal.
TEST_F(K5RunOutput, ControlCharactersInNamesStayOnTheirLine) {
  writeBytes(path("image.bin"), imagePattern(2048));
  const tRunResult program = run({"program", "image.bin", "--chip", "two\nlines\t.chip"});
  EXPECT_EQ(program.exitCode, 0) << program.err;
  EXPECT_EQ(program.summary("chip"), "two\\nlines\\t.chip, 1024 words (new, erased)");
  EXPECT_EQ(program.summary("saved"), "two\\nlines\\t.chip");
  EXPECT_EQ(chipBytes(path("two\nlines\t.chip")), imagePattern(2048));
  const tRunResult refused = run({"read", "out.bin", "--chip", "no\x1b[2Jfolder/c.bin"});
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_EQ(refused.errLines(),
            std::vector<std::string>{"k5run: chip file no\\x1B[2Jfolder/c.bin: folder "
                                     "no\\x1B[2Jfolder: No such file or directory"});
}

}  // namespace
