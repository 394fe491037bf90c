// A single host signal answering false, for sweeps that fail one call at a time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tProviderFixture.h"

namespace {

class HostSignalAnswers : public tProviderFixture {
protected:
  bool sendPins() {
    piSubFrame pins;
    return provider.syncSig_PinConnectionData(pins, piModuleAddr(), 20000);
  }
};

TEST_F(HostSignalAnswers, OnlyTheNumberedCallAnswersFalseAndIsStillRecorded) {
  host().falseAt(ssPinConnectionData, 2);
  std::vector<bool> answers;
  for (int i = 0; i < 3; ++i) answers.push_back(sendPins());
  EXPECT_EQ(answers, (std::vector<bool>{true, false, true}));
  EXPECT_EQ(host().pinData().size(), 3u);
  EXPECT_EQ(host().calls(ssPinConnectionData), 3u);
}

TEST_F(HostSignalAnswers, OtherSignalsAndAClearedHostAnswerAsBefore) {
  host().falseAt(ssMessage, 1);
  EXPECT_TRUE(sendPins());
  host().clear();
  EXPECT_TRUE(sendPins());
  std::string text = "x";
  EXPECT_TRUE(provider.syncSig_Message(text, piModuleAddr(), 20000));
}

// A planned throw wins over a planned false of the same call.
TEST_F(HostSignalAnswers, AThrowPlannedForTheSameCallWins) {
  host().falseAt(ssPinConnectionData, 1);
  host().throwAt(ssPinConnectionData, 1, "host busy");
  EXPECT_THROW(sendPins(), std::string);
  EXPECT_EQ(host().pinData().size(), 0u);
}

}  // namespace
