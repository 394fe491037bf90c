// What k5run makes of answers the real modules never give: a continuity test
// that found no pin, a host library that throws from the unclaim after a good
// read, a stop signal between two actions, and a module that cannot be set
// up. The fake module (tests/tools/fake) gives them, as K5RUN_FAKE says; it
// touches no chip, and its actions end with a good job record.
#include <cstdlib>

#include "k5runTestSupport.h"

namespace {

const std::string kFake = LS_K5RUN_FAKE_PATH;

class K5RunModuleAnswers : public tK5RunTest {
protected:
  // A run of the fake with the script in K5RUN_FAKE (set in the run only;
  // none when empty).
  tRunResult runFake(const std::string& script, std::vector<std::string> args) {
    args.push_back("--module");
    args.push_back(kFake);
    mBeforeExec = [script] {
      const int set =
          script.empty() ? ::unsetenv("K5RUN_FAKE") : ::setenv("K5RUN_FAKE", script.c_str(), 1);
      if (set != 0) ::_exit(127);
    };
    const tRunResult r = run(args);
    mBeforeExec = nullptr;
    return r;
  }

  // The label of each line of standard output, in order: the summary's, then
  // "k5run" of the verdict.
  static std::vector<std::string> labels(const tRunResult& r) {
    std::vector<std::string> labels;
    for (const std::string& line : r.outLines()) labels.push_back(line.substr(0, line.find(':')));
    return labels;
  }
};

// 0 of 0 pins is no verdict, so no success either.
TEST_F(K5RunModuleAnswers, AContinuityTestWithoutPinsFails) {
  for (const char* command : {"continuity", "no-continuity"}) {
    SCOPED_TRACE(command);
    const tRunResult r = runFake("zero-pins", {command});
    EXPECT_EQ(r.exitCode, 1) << r.described();
    EXPECT_EQ(labels(r), (std::vector<std::string>{"module", "action", "continuity", "bus time",
                                                   "wall time", "result", "error", "k5run"}));
    EXPECT_EQ(r.summaryAll("module"), std::vector<std::string>{"Fake (" + kFake + ")"});
    EXPECT_EQ(r.summaryAll("action"), std::vector<std::string>{command});
    EXPECT_EQ(r.summaryAll("continuity"),
              std::vector<std::string>{"0 of 0 pins connected: no verdict"});
    EXPECT_EQ(r.summaryAll("result"), std::vector<std::string>{"failed"});
    EXPECT_EQ(r.summaryAll("error"),
              std::vector<std::string>{"the continuity test found no pin to test"});
    EXPECT_EQ(r.lastLine(), "k5run: failed");
    EXPECT_EQ(r.err, "");
  }
}

// The read itself succeeded (the error names nothing else), but the run
// failed after it: in the host library's unclaim, or because the continuity
// test run before it found no pin. OUT is left as it was, or not made.
TEST_F(K5RunModuleAnswers, AReadOutOfAFailedRunIsNotWritten) {
  const std::vector<unsigned char> old = imagePattern(10, 4);
  writeBytes(path("out.bin"), old);
  const std::set<std::string> before = folderEntries(mFolder);
  const struct {
    const char* script;
    std::vector<std::string> options;
    std::vector<std::string> labels;
    const char* error;
  } cases[] = {
      {"unclaim-throws",
       {},
       {"module", "chip", "action", "bus time", "wall time", "result", "error", "k5run"},
       "the host library failed: the programmer went away during the unclaim"},
      {"zero-pins",
       {"--continuity"},
       {"module", "chip", "action", "continuity", "bus time", "wall time", "result", "error",
        "k5run"},
       "the continuity test found no pin to test"},
  };
  for (const auto& c : cases) {
    for (const char* out : {"out.bin", "new.bin"}) {
      SCOPED_TRACE(std::string(c.script) + ", " + out);
      std::vector<std::string> args = {"read", out};
      args.insert(args.end(), c.options.begin(), c.options.end());
      const tRunResult r = runFake(c.script, args);
      EXPECT_EQ(r.exitCode, 1) << r.described();
      EXPECT_EQ(labels(r), c.labels);
      EXPECT_EQ(r.summaryAll("action"), std::vector<std::string>{"read words 0x0000-0x03FF"});
      EXPECT_EQ(r.summaryAll("result"), std::vector<std::string>{"failed"});
      EXPECT_EQ(r.summaryAll("error"), std::vector<std::string>{c.error});
      EXPECT_EQ(r.lastLine(), "k5run: failed");
      EXPECT_EQ(r.err, "");
      EXPECT_EQ(fileBytes(path("out.bin")), old);
      EXPECT_EQ(folderEntries(mFolder), before);
    }
  }
}

// The signal comes as the program ends: its verify, next in the plan, is not
// started, and the chip file is as it was.
TEST_F(K5RunModuleAnswers, AStopSignalBetweenTwoActionsStartsNoFurtherAction) {
  writeChipFile("c.chip", 1024);
  const std::vector<unsigned char> chip = fileBytes(path("c.chip"));
  writeBytes(path("image.bin"), imagePattern(2048, 6));
  const tRunResult r =
      runFake("stop-after-first-action", {"program", "image.bin", "--chip", "c.chip"});
  EXPECT_EQ(r.exitCode, 3) << r.described();
  EXPECT_EQ(labels(r), (std::vector<std::string>{"module", "chip", "action", "bus time",
                                                 "wall time", "result", "error", "k5run"}));
  EXPECT_EQ(r.summaryAll("action"),
            std::vector<std::string>{"program bytes 0x0000-0x07FF (words 0x0000-0x03FF)"});
  EXPECT_EQ(r.summaryAll("result"), std::vector<std::string>{"interrupted"});
  EXPECT_EQ(r.summaryAll("error"), std::vector<std::string>{"interrupted by SIGINT"});
  EXPECT_EQ(r.lastLine(), "k5run: interrupted");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(fileBytes(path("c.chip")), chip);
  EXPECT_EQ(folderEntries(mFolder), (std::set<std::string>{".", "..", "c.chip", "image.bin"}));
}

// A module whose set-up throws a text, as a host's does, is refused with
// that text before anything runs.
TEST_F(K5RunModuleAnswers, AModuleThatCannotBeSetUpIsRefused) {
  writeBytes(path("image.bin"), imagePattern(2048, 6));
  const std::set<std::string> before = folderEntries(mFolder);
  for (const char* script : {"", "no-such-script"}) {
    SCOPED_TRACE(script);
    const tRunResult r = runFake(script, {"program", "image.bin", "--chip", "new.chip"});
    EXPECT_EQ(r.exitCode, 2) << r.described();
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.errLines(), std::vector<std::string>{"k5run: cannot load module " + kFake +
                                                     ": K5RUN_FAKE=\"" + script +
                                                     "\" is none of the fake's scripts: zero-pins, "
                                                     "unclaim-throws, stop-after-first-action"});
    EXPECT_EQ(folderEntries(mFolder), before);
  }
}

}  // namespace
