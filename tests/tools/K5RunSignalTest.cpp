// k5run driving Sorrel's socket signal test with the scripted touch probe.
#include "k5runTestSupport.h"

namespace {

class K5RunSignal : public tK5RunTest {};

TEST_F(K5RunSignal, FullTouchEndsByItselfWithEveryPinConfirmed) {
  const tRunResult r = run({"signaltest", "--touch", "1-144"});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(r.summary("action"), "signal test");
  EXPECT_EQ(r.summary("result"), "ok");
  EXPECT_EQ(r.summary("error"), "none");
  EXPECT_EQ(r.summary("pins"), "last selected 144 of 144");
  EXPECT_EQ(r.summary("confirmed"), "144 of 144 pins");
  // The pins confirmed are the gongs: no line of its own repeats them.
  EXPECT_EQ(r.summary("gongs"), "");
  EXPECT_EQ(r.summary("cancel"), "");
  // Progress follows the selected pin, a line per tenth of the socket.
  EXPECT_EQ(r.shown(), (std::vector<std::string>{
                           "module: Continuity Test disabled", "signal test:   0%  pin 1/144",
                           "signal test:  10%  pin 15/144", "signal test:  20%  pin 29/144",
                           "signal test:  30%  pin 44/144", "signal test:  40%  pin 58/144",
                           "signal test:  50%  pin 72/144", "signal test:  60%  pin 87/144",
                           "signal test:  70%  pin 101/144", "signal test:  80%  pin 116/144",
                           "signal test:  90%  pin 130/144", "signal test: 100%  pin 144/144"}));
}

// A cancel ends the test at the pin it comes at; the test itself still ends
// well, but the run fails: not every pin was confirmed, and the error line
// says so. A pin the probe never touches long enough is cancelled by the
// runner in the operator's place.
TEST_F(K5RunSignal, CancelEndsTheTestAtThatPin) {
  const struct {
    std::vector<std::string> args;
    std::string lastPin;
    std::string gongs;  // confirmed pins
    std::string cancel;
    std::string note;
  } cases[] = {
      {{"--touch", "1-144", "--cancel-at", "10"},
       "10",
       "9",
       "at pin 10",
       "k5run: cancel at pin 10"},
      {{"--touch", "1-5"},
       "6",
       "5",
       "at pin 6, which the probe did not touch long enough",
       "k5run: pin 6 was not touched long enough: cancel"},
      {{},
       "1",
       "0",
       "at pin 1, which the probe did not touch long enough",
       "k5run: pin 1 was not touched long enough: cancel"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"signaltest"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(testing::PrintToString(args));
    const tRunResult r = run(args);
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_EQ(r.summaryAll("result"), std::vector<std::string>{"failed"});
    EXPECT_EQ(r.summaryAll("error"),
              std::vector<std::string>{c.gongs + " of 144 pins confirmed; cancelled " + c.cancel});
    EXPECT_EQ(r.summary("pins"), "last selected " + c.lastPin + " of 144");
    EXPECT_EQ(r.summary("confirmed"), c.gongs + " of 144 pins");
    EXPECT_EQ(r.lastLine(), "k5run: failed");
    EXPECT_EQ(r.summary("cancel"), c.cancel);
    EXPECT_EQ(r.lastShown(), c.note);
  }
}

}  // namespace
