// The algorithm bases: defaults that pass the action start, repeat
// suppression of the message helpers, and buffer 0 handed to the Buf
// operations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AbstractAlgoUiInterface.h"
#include "AlgoBaseStdBuf.h"
#include "cUiAlgoDataK3.h"
#include "mcAlgoBase.h"
#include "tByteArray.h"

namespace {

// Records each call as one text.
class tRecordingUi : public AbstractAlgoUiInterface {
public:
  std::vector<std::string> calls;

  using AbstractAlgoUiInterface::K4ShowMessage;
  void K4ShowMessage(int no) override { add("msg " + std::to_string(no)); }
  void K4ShowMessage(int no, long p1) override { add("msg " + n(no) + " " + n(p1)); }
  void K4ShowMessage(int no, long p1, long p2) override {
    add("msg " + n(no) + " " + n(p1) + " " + n(p2));
  }
  void K4ShowMessage(int no, long, long, long) override { add("msg3 " + n(no)); }
  void K4ShowMessage(int no, long, long, long, long) override { add("msg4 " + n(no)); }
  void K4ShowMessage(int no, float p1) override { add("info " + n(no) + " " + std::to_string(p1)); }
  void K4ShowMessage(int no, float, float) override { add("info2 " + n(no)); }
  void K4ShowMessage(const char* text) override { add(text); }
  void K4ShowMessageSiS(int no, int p1) override { add("sis " + n(no) + " " + n(p1)); }
  void K4ShowMessageSiSf1(int no, int, float) override { add("sisf " + n(no)); }
  void K4ShowAdr(int, unsigned short) override {}
  bool K4Cancel() override { return false; }
  void ShowSignature(unsigned long) override {}
  void debugWait(const char*) override {}
  void debugMessage(std::string) override {}

private:
  static std::string n(long v) { return std::to_string(v); }
  void add(const std::string& s) { calls.push_back(s); }
};

// Uses every default of the base.
class tPlainAlgo : public mcAlgoBase {
public:
  explicit tPlainAlgo(TAG_UI_ALGODATA_KRV3* rec) : mcAlgoBase(rec) {}
  short Program() override { return 0; }
  short Verify() override { return 0; }
  short Read() override { return 0; }
  short BlankCheck() override { return 0; }
  short Erase() override { return 0; }
};

class AlgoBase : public testing::Test {
protected:
  AlgoBase() : algo(job.getUiAlgoDataK3Struct()) { algo.setAlgoUI(&ui); }

  cUiAlgoDataK3 job;
  tRecordingUi ui;
  tPlainAlgo algo;
};

TEST_F(AlgoBase, DefaultsPassEveryPreparationCheck) {
  AbstractAlgoBase& a = algo;
  EXPECT_TRUE(a.Init());
  EXPECT_EQ(0, a.CheckProcess());
  EXPECT_EQ(1, a.GetEpMax());
  EXPECT_EQ(1, a.GetEpNumber());
  EXPECT_EQ(0, a.SetEpNumber(9));
  a.SetSinglNullMode();
  EXPECT_TRUE(a.Config());
  EXPECT_EQ(job.getUiAlgoDataK3Struct(), algo.getAlgoUIData());
  EXPECT_EQ(&ui, a.getAlgoUI());
  EXPECT_TRUE(ui.calls.empty());
}

TEST_F(AlgoBase, ActionMessageHoldsBackOnlyAnImmediateRepeat) {
  algo.ActionMessage(0);  // the remembered number starts at 0
  algo.ActionMessage(5);
  algo.ActionMessage(5);
  algo.ActionMessage(6);
  algo.ActionMessage(5);
  EXPECT_EQ((std::vector<std::string>{"msg 5", "msg 6", "msg 5"}), ui.calls);
}

TEST_F(AlgoBase, ActionInfoHoldsBackARepeatedNumberAndValue) {
  algo.ActionInfo(0, 0.0f);  // the first call is always shown
  algo.ActionInfo(7, 1.5f);
  algo.ActionInfo(7, 1.5f);
  algo.ActionInfo(7, 2.0f);
  algo.ActionInfo(8, 2.0f);
  EXPECT_EQ((std::vector<std::string>{"info 0 0.000000", "info 7 1.500000", "info 7 2.000000",
                                      "info 8 2.000000"}),
            ui.calls);
}

TEST_F(AlgoBase, ParameterisedHelpersNeverHoldBackNorChangeWhatIsRemembered) {
  algo.ActionMessage(5);
  algo.ActionInfo(7, 1.5f);
  ui.calls.clear();
  algo.ActionMessage(5, 1);
  algo.ActionMessage(5, 1);
  algo.ActionInfo(7, 2, 3);
  algo.ActionInfo(7, 2, 3);
  algo.ActionMessage(5);
  algo.ActionInfo(7, 1.5f);
  EXPECT_EQ((std::vector<std::string>{"sis 5 1", "sis 5 1", "msg 7 2 3", "msg 7 2 3"}), ui.calls);
}

// Records the pointer each Buf operation received.
class tBufAlgo : public AlgoBaseStdBuf {
public:
  using AlgoBaseStdBuf::AlgoBaseStdBuf;
  unsigned char* got = reinterpret_cast<unsigned char*>(1);
  short result = 0;

  unsigned char Init() override { return 1; }
  unsigned char Config() override { return 1; }
  short CheckProcess() override { return 0; }
  unsigned short GetEpMax() override { return 1; }
  unsigned short GetEpNumber() override { return 1; }
  unsigned short SetEpNumber(unsigned short) override { return 0; }
  void SetSinglNullMode() override {}
  short BlankCheck() override { return 0; }
  short Erase() override { return 0; }
  short ProgramBuf(unsigned char* data) override { return take(data); }
  short VerifyBuf(unsigned char* data) override { return take(data); }
  short ReadBuf(unsigned char* data) override { return take(data); }

private:
  short take(unsigned char* data) {
    got = data;
    return result;
  }
};

TEST(AlgoBaseStdBuf, BufOperationsReceiveBufferZerosDataAndPassTheStatusOn) {
  cUiAlgoDataK3 job;
  tByteArray buffer(tByteArray::slModule, 64, 0xAB, 0);
  job.prepareForAlgoAction(buffer, 1);
  unsigned char* const data = job.getDataBufferAddress();
  ASSERT_NE(nullptr, data);

  tBufAlgo algo(job.getUiAlgoDataK3Struct());
  const struct {
    short (AbstractAlgoBase::*op)();
    short result;
  } cases[] = {{&AbstractAlgoBase::Program, -1},
               {&AbstractAlgoBase::Verify, 0},
               {&AbstractAlgoBase::Read, 2014}};
  for (const auto& c : cases) {
    algo.got = nullptr;
    algo.result = c.result;
    EXPECT_EQ(c.result, (algo.*c.op)());
    EXPECT_EQ(data, algo.got);
  }
}

TEST(AlgoBaseStdBuf, RecordThatNoLongerNamesTheBufferGivesNull) {
  cUiAlgoDataK3 job;
  tByteArray buffer(tByteArray::slModule, 64, 0, 0);
  job.prepareForAlgoAction(buffer, 1);
  // A loose copy of a valid record has no holder that knows the buffer.
  TAG_UI_ALGODATA_KRV3 copy = *job.getUiAlgoDataK3Struct();
  tBufAlgo loose(&copy);
  loose.Read();
  EXPECT_EQ(nullptr, loose.got);
  // The host replaced the pointer field: the 32 bits name nothing the module knows.
  storeLeU32(job.getUiAlgoDataK3Struct()->raw, TAG_UI_ALGODATA_KRV3::ofsDataBuffer, 0x1234);
  tBufAlgo algo(job.getUiAlgoDataK3Struct());
  algo.Program();
  EXPECT_EQ(nullptr, algo.got);
}

}  // namespace
