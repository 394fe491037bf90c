// k5run driving Larkspur on the simulated Holtek chip whose memory lives in a
// file: program, read, verify, blank check and erase as a user runs them.
#include "k5runTestSupport.h"

namespace {

class K5RunChip : public tK5RunTest {
protected:
  // Programs the image into the default chip file and checks that it took.
  void programFresh(const std::vector<unsigned char>& image) {
    writeBytes(path("image.bin"), image);
    const tRunResult r = run({"program", "image.bin"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  }

  // Progress lines of an action, without their times.
  static std::vector<std::string> progressOf(const tRunResult& r, const std::string& action) {
    std::vector<std::string> lines;
    for (const std::string& line : r.shown()) {
      if (line.rfind(action + ":", 0) == 0) lines.push_back(line);
    }
    return lines;
  }
  static std::vector<std::string> messagesOf(const tRunResult& r) {
    std::vector<std::string> lines;
    for (const std::string& line : r.shown()) {
      if (line.rfind("message ", 0) == 0 || line.rfind("module: ", 0) == 0) lines.push_back(line);
    }
    return lines;
  }
};

// Program verifies what it wrote; the summary ends in one verdict.
TEST_F(K5RunChip, ProgramsAFreshChipReadsItBackAndVerifies) {
  const std::vector<unsigned char> image = imagePattern(2048);
  writeBytes(path("image.bin"), image);

  const tRunResult program = run({"program", "image.bin"});
  EXPECT_EQ(program.exitCode, 0) << program.out << program.err;
  EXPECT_EQ(program.summary("chip"), "k5chip.bin, 1024 words (new, erased)");
  EXPECT_EQ(program.summaryAll("action"),
            (std::vector<std::string>{"program bytes 0x0000-0x07FF (words 0x0000-0x03FF)",
                                      "verify words 0x0000-0x03FF"}));
  EXPECT_EQ(program.summaryAll("result"), std::vector<std::string>{"ok"});
  EXPECT_EQ(program.summaryAll("error"), std::vector<std::string>{"none"});
  EXPECT_EQ(program.summary("saved"), "k5chip.bin");
  EXPECT_EQ(messagesOf(program),
            (std::vector<std::string>{
                "module: Continuity Test disabled", "message 136: program main memory",
                "module: Continuity Test disabled", "message 305: verify main memory, Vcc 5.0 V"}));
  ASSERT_FALSE(progressOf(program, "program").empty());
  EXPECT_EQ(progressOf(program, "program").front(), "program:   0%  byte 0x0000/0x07FF");
  EXPECT_EQ(progressOf(program, "program").back(), "program: 100%  byte 0x07FF/0x07FF");
  EXPECT_EQ(chipBytes(path("k5chip.bin")), image);
  const std::vector<std::string> lines = program.outLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{"result:     ok", "error:      none", "k5run: ok"}));
  const std::vector<unsigned char> chip = fileBytes(path("k5chip.bin"));

  const tRunResult read = run({"read", "out.bin"});
  EXPECT_EQ(read.exitCode, 0) << read.out << read.err;
  EXPECT_EQ(read.summary("chip"), "k5chip.bin, 1024 words");
  EXPECT_EQ(read.summary("wrote"), "out.bin, 2048 bytes");
  EXPECT_EQ(read.shown(), (std::vector<std::string>{
                              "module: Continuity Test disabled", "message 149: read main memory",
                              "read:   0%  word 0x0000/0x03FF", "read: 100%  word 0x03FF/0x03FF"}));
  EXPECT_EQ(fileBytes(path("out.bin")), image);

  const tRunResult verify = run({"verify", "image.bin"});
  EXPECT_EQ(verify.exitCode, 0) << verify.out << verify.err;
  EXPECT_EQ(verify.summary("result"), "ok");
  EXPECT_EQ(messagesOf(verify),
            (std::vector<std::string>{"module: Continuity Test disabled",
                                      "message 305: verify main memory, Vcc 5.0 V"}));
  EXPECT_EQ(verify.lastLine(), "k5run: ok");
  // Reading and verifying leave the chip file as it was.
  EXPECT_EQ(fileBytes(path("k5chip.bin")), chip);
}

// The mismatch names the image's byte, not the job record's word address
// (which carries a high byte one address up): bytes 0x123 and 0x124 are told
// apart, and the chip's last byte is no address beyond it.
TEST_F(K5RunChip, VerifyAgainstAnotherImageNamesTheMismatch) {
  const std::vector<unsigned char> image = imagePattern(2048);
  programFresh(image);
  const std::vector<unsigned char> chip = fileBytes(path("k5chip.bin"));
  const struct {
    const char* name;
    std::vector<std::size_t> bytes;  // changed; the first is named
    std::string mismatch;
  } cases[] = {
      {"low byte of word 0x92", {0x124}, "other.bin byte 0x0124 (word 0x0092 low)"},
      {"high byte of word 0x91", {0x123}, "other.bin byte 0x0123 (word 0x0091 high)"},
      {"low byte of word 0", {0}, "other.bin byte 0x0000 (word 0x0000 low)"},
      {"high byte of the last word", {0x7FF}, "other.bin byte 0x07FF (word 0x03FF high)"},
      {"three bytes, the first a high byte",
       {0x301, 0x302, 0x7FE},
       "other.bin byte 0x0301 (word 0x0180 high)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<unsigned char> other = image;
    for (std::size_t b : c.bytes) other[b] ^= 0x24;
    writeBytes(path("other.bin"), other);
    const tRunResult r = run({"verify", "other.bin"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.summary("result"), "failed");
    EXPECT_EQ(r.summary("error"), "class 0, code 1: data mismatch; 3003: the action failed");
    char expected[64];
    std::snprintf(expected, sizeof expected, ": expected 0x%02X, read 0x%02X", other[c.bytes[0]],
                  image[c.bytes[0]]);
    EXPECT_EQ(r.summaryAll("mismatch"), std::vector<std::string>{c.mismatch + expected});
    EXPECT_EQ(r.summary("differ"),
              std::to_string(c.bytes.size()) + " of 2048 bytes in words 0x0000-0x03FF");
    EXPECT_EQ(r.lastLine(), "k5run: failed");
    EXPECT_EQ(fileBytes(path("k5chip.bin")), chip);
  }
}

TEST_F(K5RunChip, EmptySocketFailsWithTheEntryAcknowledgeCode) {
  writeBytes(path("image.bin"), imagePattern(2048));
  const std::vector<unsigned char> old = imagePattern(10, 4);
  writeBytes(path("out.bin"), old);
  const std::vector<std::vector<std::string>> commands = {
      {"program", "image.bin"}, {"verify", "image.bin"}, {"read", "out.bin"}, {"blank"}, {"erase"}};
  for (std::vector<std::string> args : commands) {
    SCOPED_TRACE(args[0]);
    args.push_back("--empty-socket");
    const tRunResult r = run(args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.summary("chip"), "k5chip.bin, 1024 words (new, erased), not in the socket");
    EXPECT_EQ(r.summary("result"), "failed");
    EXPECT_EQ(r.summary("error"),
              "class 9, code 2014: the chip gave no entry acknowledge: empty socket or another "
              "chip; 3003: the action failed");
    EXPECT_FALSE(fileExists(path("k5chip.bin")));
    EXPECT_EQ(fileBytes(path("out.bin")), old);
    EXPECT_EQ(folderEntries(mFolder), (std::set<std::string>{".", "..", "image.bin", "out.bin"}));
  }
}

// The continuity test before the action, over the runner's layout and the
// socket contacts that match it.
TEST_F(K5RunChip, ContinuityTestFirstStopsAnActionOnAnEmptySocket) {
  writeBytes(path("image.bin"), imagePattern(2048));
  const tRunResult inserted = run({"program", "image.bin", "--continuity"});
  EXPECT_EQ(inserted.exitCode, 0) << inserted.out << inserted.err;
  EXPECT_EQ(inserted.summaryAll("continuity"),
            std::vector<std::string>{"8 of 8 pins connected: device connected"});
  EXPECT_EQ(messagesOf(inserted),
            (std::vector<std::string>{
                "module: Doing Continuity Test", "message 136: program main memory",
                "module: Continuity Test disabled", "message 305: verify main memory, Vcc 5.0 V"}));
  const std::vector<unsigned char> chip = fileBytes(path("k5chip.bin"));

  const tRunResult empty = run({"verify", "image.bin", "--continuity", "--empty-socket"});
  EXPECT_EQ(empty.exitCode, 1);
  EXPECT_EQ(empty.summary("continuity"), "0 of 8 pins connected: socket empty");
  // Stopped before the algorithm: no entry, so no entry error.
  EXPECT_EQ(empty.summary("error"), "3003: the action failed");
  EXPECT_EQ(empty.shown(),
            (std::vector<std::string>{"module: Doing Continuity Test",
                                      "module: Continuity Test error : device not connected"}));
  EXPECT_EQ(fileBytes(path("k5chip.bin")), chip);
}

TEST_F(K5RunChip, EraseWithBlankCheckLeavesABlankChip) {
  const std::vector<unsigned char> image = imagePattern(2048);
  programFresh(image);

  const tRunResult notBlank = run({"blank"});
  EXPECT_EQ(notBlank.exitCode, 1);
  EXPECT_EQ(notBlank.summary("action"), "blank check words 0x0000-0x03FF");
  char mismatch[64];
  std::snprintf(mismatch, sizeof mismatch,
                "chip byte 0x0000 (word 0x0000 low): expected 0xFF, read 0x%02X", image[0]);
  EXPECT_EQ(notBlank.summary("mismatch"), mismatch);
  EXPECT_EQ(notBlank.summary("differ"), "2048 of 2048 bytes in words 0x0000-0x03FF");

  const tRunResult erase = run({"erase", "--blank-check"});
  EXPECT_EQ(erase.exitCode, 0) << erase.out << erase.err;
  EXPECT_EQ(erase.summary("saved"), "k5chip.bin");
  EXPECT_EQ(messagesOf(erase),
            (std::vector<std::string>{"module: Continuity Test disabled", "message 144: erase",
                                      "message 145: blank check main memory",
                                      "message 505: blank check info data",
                                      "message 148: blank check lock bits"}));
  EXPECT_EQ(chipBytes(path("k5chip.bin")), std::vector<unsigned char>(2048, 0xFF));

  const tRunResult blank = run({"blank"});
  EXPECT_EQ(blank.exitCode, 0);
  EXPECT_EQ(blank.summary("result"), "ok");
  // Nothing changed, so nothing is saved.
  EXPECT_EQ(blank.summary("saved"), "");
}

// The image goes to the range's first word; an odd byte is padded with 0xFF
// and the words around the range stay erased.
TEST_F(K5RunChip, ProgramsARangeAndReadsItBack) {
  const std::vector<unsigned char> part = imagePattern(39, 2);
  writeBytes(path("part.bin"), part);
  const tRunResult program = run({"program", "part.bin", "--range", "0x100-0x113"});
  EXPECT_EQ(program.exitCode, 0) << program.out << program.err;
  EXPECT_EQ(program.summary("action"), "program bytes 0x0200-0x0227 (words 0x0100-0x0113)");

  const tRunResult read = run({"read", "out.bin", "--range", "0x100-0x113"});
  EXPECT_EQ(read.exitCode, 0);
  EXPECT_EQ(read.summary("action"), "read words 0x0100-0x0113");
  std::vector<unsigned char> expected = part;
  expected.push_back(0xFF);
  EXPECT_EQ(fileBytes(path("out.bin")), expected);

  std::vector<unsigned char> whole(2048, 0xFF);
  std::copy(part.begin(), part.end(), whole.begin() + 0x200);
  EXPECT_EQ(chipBytes(path("k5chip.bin")), whole);
}

// Programming only clears bits: over other data the verify that follows by
// default fails, names what the program could not write and the option that
// helps, and the chip keeps what the program wrote; with an erase first it
// takes the new image. --no-verify leaves the verify out.
TEST_F(K5RunChip, ProgrammingOverDataNeedsAnErase) {
  const std::vector<unsigned char> first = imagePattern(2048, 1);
  const std::vector<unsigned char> second = imagePattern(2048, 2);
  programFresh(first);
  writeBytes(path("second.bin"), second);
  std::vector<unsigned char> anded(2048);
  std::size_t held = 0;
  for (std::size_t i = 0; i < anded.size(); ++i) {
    anded[i] = first[i] & second[i];
    held += anded[i] != second[i] ? 1 : 0;
  }
  ASSERT_GT(held, 0u);

  const tRunResult over = run({"program", "second.bin"});
  EXPECT_EQ(over.exitCode, 1);
  EXPECT_EQ(over.summaryAll("action"),
            (std::vector<std::string>{"program bytes 0x0000-0x07FF (words 0x0000-0x03FF)",
                                      "verify words 0x0000-0x03FF"}));
  EXPECT_EQ(over.summaryAll("cause"),
            std::vector<std::string>{"the chip held data the image cannot be written over in " +
                                     std::to_string(held) +
                                     " of 2048 bytes (programming only clears bits): program "
                                     "with --erase"});
  EXPECT_EQ(over.summary("differ"), std::to_string(held) + " of 2048 bytes in words 0x0000-0x03FF");
  EXPECT_EQ(over.summaryAll("result"), std::vector<std::string>{"failed"});
  EXPECT_EQ(
      over.summaryAll("error"),
      std::vector<std::string>{"verify: class 0, code 1: data mismatch; 3003: the action failed"});
  EXPECT_EQ(over.lastLine(), "k5run: failed");
  EXPECT_EQ(over.summary("saved"), "k5chip.bin");
  EXPECT_EQ(chipBytes(path("k5chip.bin")), anded);

  const tRunResult unverified = run({"program", "second.bin", "--no-verify"});
  EXPECT_EQ(unverified.exitCode, 0) << unverified.out << unverified.err;
  EXPECT_EQ(unverified.summaryAll("action"),
            std::vector<std::string>{"program bytes 0x0000-0x07FF (words 0x0000-0x03FF)"});

  const tRunResult erased = run({"program", "second.bin", "--erase"});
  EXPECT_EQ(erased.exitCode, 0) << erased.out << erased.err;
  EXPECT_EQ(erased.summaryAll("result"), std::vector<std::string>{"ok"});
  EXPECT_EQ(erased.summaryAll("cause"), std::vector<std::string>{});
  EXPECT_EQ(messagesOf(erased),
            (std::vector<std::string>{"module: Continuity Test disabled", "message 144: erase",
                                      "message 136: program main memory",
                                      "module: Continuity Test disabled",
                                      "message 305: verify main memory, Vcc 5.0 V"}));
  EXPECT_EQ(chipBytes(path("k5chip.bin")), second);

  // The blank check after the erase runs as an action of its own before the program.
  const tRunResult checked = run({"program", "image.bin", "--erase", "--blank-check"});
  EXPECT_EQ(checked.exitCode, 0) << checked.out << checked.err;
  EXPECT_EQ(checked.summaryAll("action"),
            (std::vector<std::string>{"erase", "program bytes 0x0000-0x07FF (words 0x0000-0x03FF)",
                                      "verify words 0x0000-0x03FF"}));
  EXPECT_EQ(chipBytes(path("k5chip.bin")), first);
}

TEST_F(K5RunChip, MeasuredVccMustLieInItsWindow) {
  programFresh(imagePattern(2048));
  const tRunResult inside = run({"verify", "image.bin", "--measure-vcc", "--sense-vcc", "3300"});
  EXPECT_EQ(inside.exitCode, 0) << inside.out << inside.err;
  EXPECT_EQ(messagesOf(inside),
            (std::vector<std::string>{"module: Continuity Test disabled",
                                      "message 305: verify main memory, Vcc 3.3 V"}));

  const tRunResult outside = run(
      {"verify", "image.bin", "--measure-vcc", "--sense-vcc", "1000", "--vcc-window", "2500-5000"});
  EXPECT_EQ(outside.exitCode, 1);
  EXPECT_EQ(outside.shown(),
            (std::vector<std::string>{"module: Continuity Test disabled",
                                      "message 484: measured Vcc outside the window 2.5-5.0 V"}));

  // The module read nothing of the chip: no mismatch is made up for it, and
  // the summary names the measured Vcc and the window.
  const struct {
    std::vector<std::string> args;
    std::string cause;
    std::string error;
  } cases[] = {
      {{"blank", "--measure-vcc", "--vcc-window", "3000"},
       "the measured Vcc, 5000 mV (--sense-vcc), is outside the window 3000 mV (--vcc-window): "
       "the module did not read the chip",
       "measured Vcc 5000 mV outside the window 3000 mV; 3003: the action failed"},
      {{"verify", "image.bin", "--measure-vcc", "--sense-vcc", "1000", "--vcc-window", "2500-5000"},
       "the measured Vcc, 1000 mV (--sense-vcc), is outside the window 2500-5000 mV "
       "(--vcc-window): the module did not read the chip",
       "measured Vcc 1000 mV outside the window 2500-5000 mV; 3003: the action failed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const tRunResult r = run(c.args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.summaryAll("mismatch"), std::vector<std::string>{});
    EXPECT_EQ(r.summaryAll("differ"), std::vector<std::string>{});
    EXPECT_EQ(r.summaryAll("cause"), std::vector<std::string>{c.cause});
    EXPECT_EQ(r.summaryAll("error"), std::vector<std::string>{c.error});
    EXPECT_EQ(r.lastLine(), "k5run: failed");
  }
}

TEST_F(K5RunChip, InfoDataAndLockBitsAreProgrammedAndRead) {
  writeBytes(path("image.bin"), imagePattern(2048));
  const tRunResult program = run({"program", "image.bin", "--areas", "main,info,lock",
                                  "--info-data", "0x12345678", "--lock-bits", "0x15"});
  EXPECT_EQ(program.exitCode, 0) << program.out << program.err;
  const tRunResult read = run({"read", "out.bin", "--areas", "main,info,lock"});
  EXPECT_EQ(read.exitCode, 0) << read.out << read.err;
  EXPECT_EQ(read.summary("info data"), "0x12345678");
  EXPECT_EQ(read.summary("lock bits"), "0x15");
  EXPECT_EQ(
      messagesOf(read),
      (std::vector<std::string>{"module: Continuity Test disabled", "message 149: read main memory",
                                "message 506: read info data", "message 165: read lock bits"}));
}

// The chip's geometry is the chip's: a size unlike the chip file's, a memory
// of part pages and a page larger than the memory are refused before the
// module runs, with the chip and the folder as they were.
TEST_F(K5RunChip, GeometryUnlikeTheChipsIsRefused) {
  writeChipFile("chip.bin", 1024);
  writeChipFile("odd.chip", 1000);
  writeBytes(path("image.bin"), imagePattern(64));
  const std::vector<unsigned char> chip = fileBytes(path("chip.bin"));
  const std::set<std::string> before = folderEntries(mFolder);
  const struct {
    std::vector<std::string> args;
    std::string line;
  } cases[] = {
      {{"read", "out.bin", "--chip", "chip.bin", "--memory-size", "2048"},
       "k5run: --memory-size 2048: chip file chip.bin holds 1024 words"},
      {{"program", "image.bin", "--chip", "chip.bin", "--memory-size", "512"},
       "k5run: --memory-size 512: chip file chip.bin holds 1024 words"},
      {{"blank", "--chip", "chip.bin", "--memory-size", "1"},
       "k5run: --memory-size 1: chip file chip.bin holds 1024 words"},
      {{"program", "image.bin", "--chip", "new.chip", "--memory-size", "1000"},
       "k5run: --memory-size 1000: 2000 bytes are no whole number of 64-byte pages (--page-size)"},
      {{"program", "image.bin", "--chip", "new.chip", "--memory-size", "16"},
       "k5run: --memory-size 16: 32 bytes are less than one 64-byte page"},
      {{"program", "image.bin", "--chip", "odd.chip"},
       "k5run: chip file odd.chip: 2000 bytes are no whole number of 64-byte pages (--page-size)"},
      {{"program", "image.bin", "--chip", "chip.bin", "--page-size", "48"},
       "k5run: --page-size: '48' is not a power of two from 1 to 256"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const tRunResult r = run(c.args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.errLines(), std::vector<std::string>{c.line});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(fileBytes(path("chip.bin")), chip);
    EXPECT_EQ(folderEntries(mFolder), before);
  }
  // What is whole pages runs: a chip of one page.
  EXPECT_EQ(run({"program", "image.bin", "--chip", "page.chip", "--memory-size", "32"}).exitCode,
            0);
}

// Only program writes pages: a new chip of part pages is any other
// command's, and program's with a page that divides it. (An erase of a new
// chip changes nothing, so saves nothing.)
TEST_F(K5RunChip, AMemoryOfPartPagesIsAnyCommandsButPrograms) {
  const std::vector<unsigned char> erased(2000, 0xFF);
  writeBytes(path("erased.bin"), erased);
  const struct {
    std::vector<std::string> args;
    std::string action;
  } cases[] = {
      {{"blank"}, "blank check words 0x0000-0x03E7"},
      {{"read", "out.bin"}, "read words 0x0000-0x03E7"},
      {{"verify", "erased.bin"}, "verify words 0x0000-0x03E7"},
      {{"erase"}, "erase"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--chip", "new.chip", "--memory-size", "1000"});
    const tRunResult r = run(args);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.summaryAll("action"), std::vector<std::string>{c.action});
    EXPECT_EQ(r.summary("chip"), "new.chip, 1000 words (new, erased)");
    EXPECT_FALSE(fileExists(path("new.chip")));
  }
  EXPECT_EQ(fileBytes(path("out.bin")), erased);

  const std::vector<unsigned char> image = imagePattern(2000, 4);
  writeBytes(path("image.bin"), image);
  const tRunResult program = run(
      {"program", "image.bin", "--chip", "new.chip", "--memory-size", "1000", "--page-size", "16"});
  EXPECT_EQ(program.exitCode, 0) << program.out << program.err;
  EXPECT_EQ(chipBytes(path("new.chip")), image);
}

}  // namespace
