// A step of the close that the host refuses without a throw (a false or a
// null answer) leaves the action's result as it is, but names itself in the log.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "tActionFlowFixture.h"

namespace {

// The release's last line: the switch-off steps follow it.
const std::string kShutdownDone = "cK5CpdCtrl::enableCpdConfig for \"SHUTDOWN\" OK.";

class SwitchOffRefusal : public tActionFlowFixture {
protected:
  // Runs a program action whose close meets the fault once the algorithm is
  // released, i.e. in the switch-off steps that follow.
  void programWithFaultInTheSwitchOff(const std::function<void()>& fault) {
    tLineTap tap(std::cerr);
    tap.onLine = [&tap, &fault](const std::string& line) {
      if (line != "PIDBG: " + kShutdownDone) return;
      fault();
      tap.onLine = nullptr;
    };
    provider->Slot_StartProg(kOther);
    log = tap.lines;
  }
  std::vector<std::string> linesAfterTheRelease() const {
    const long at = logAt(kShutdownDone);
    return at < 0 ? std::vector<std::string>{"(no release)"}
                  : std::vector<std::string>(log.begin() + at + 1, log.end());
  }
};

TEST_F(SwitchOffRefusal, RefusedStepIsNamedAndTheResultKept) {
  const struct {
    const char* what;
    std::function<void()> fault;
    std::string line;
  } cases[] = {
      {"no pin-driver control of slot 0", [] { sim().injectNull("cpdCtrl@0"); },
       "Error: No CPD control of FPGA 0. Can not disable CPDs."},
      {"no FPGA board control of slot 0", [] { sim().injectNull("pdioCtrl@0"); },
       "Error: No CPD control of FPGA 0. Can not disable CPDs."},
      {"no supply control", [] { sim().injectNull("psCtrl"); },
       "Error: No power supply control. Can not reset power supplies."},
      {"supplies not switched off", [] { sim().injectFalse("switchOffSupplies"); },
       "Error: switchOffSupplies refused."},
      {"no device control", [] { sim().injectNull("deviceCtrl"); },
       "Error: No device state control. Can not set device ready."},
      {"no state control", [] { sim().injectNull("stateCtrl"); },
       "Error: No device state control. Can not set device ready."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    nextRow();
    programWithFaultInTheSwitchOff(c.fault);
    EXPECT_EQ(std::vector<std::string>{"PIDBG: " + c.line}, linesAfterTheRelease());
    EXPECT_EQ(1u, endedRecords());
    EXPECT_EQ(0u, record().getActionFailed());
    EXPECT_EQ(0u, record().getActionFailCode());
    EXPECT_EQ(nullptr, provider->algo());
  }
}

// The same host at the start of the action: the busy state is not set either.
TEST_F(SwitchOffRefusal, MissingStateControlIsNamedAtBothEnds) {
  sim().injectNull("stateCtrl", 0, cK5SimProgrammer::kAlways);
  call(&cKrv32AlgoProviderBase::Slot_StartContinuity);
  EXPECT_EQ(1, std::count(log.begin(), log.end(),
                          "PIDBG: Error: No device state control. Can not set device busy."));
  EXPECT_EQ("PIDBG: Error: No device state control. Can not set device ready.", log.back());
  EXPECT_TRUE(sim().stateHistory().empty());
  EXPECT_EQ(0u, record().getActionFailed());
}

}  // namespace
