// A bad host message at the provider's slots: bounded in time, bounded in
// memory, and never an exception into the host other than its own text.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "JobBuilder.h"
#include "recordFrameTestUtil.h"
#include "tActionFlowFixture.h"
#include "tJobSamples.h"

// ---------------------------------------------- allocations that fail on demand
// This executable's allocation refuses every request above a size a test
// sets, so a test can make an allocation fail without exhausting memory.

namespace {

std::size_t gFailAllocationsAbove = SIZE_MAX;

void* allocate(std::size_t n) {
  if (n > gFailAllocationsAbove) throw std::bad_alloc();
  void* p = std::malloc(n == 0 ? 1 : n);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void* allocateNoThrow(std::size_t n) noexcept {
  try {
    return allocate(n);
  } catch (...) {
    return nullptr;
  }
}

// Allocations above the size fail while it lives.
class tFailAllocationsAbove {
public:
  explicit tFailAllocationsAbove(std::size_t n) { gFailAllocationsAbove = n; }
  ~tFailAllocationsAbove() { gFailAllocationsAbove = SIZE_MAX; }
  tFailAllocationsAbove(const tFailAllocationsAbove&) = delete;
  tFailAllocationsAbove& operator=(const tFailAllocationsAbove&) = delete;
};

}  // namespace

void* operator new(std::size_t n) { return allocate(n); }
void* operator new[](std::size_t n) { return allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return allocateNoThrow(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return allocateNoThrow(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

const unsigned kHugeCount = 0xFFFFFFFFu;
const std::size_t kAllocationLimit = 64 * 1024;

// A hardware-parameter record as the host sends it, with its image count
// replaced; `items` cuts the record after that many items.
piSubFrame hardwareRecord(const std::vector<cFpgaHdwImageCtrl>& images, unsigned count,
                          std::size_t items = SIZE_MAX) {
  cKxHdwParam hdw(hptDefault);
  for (const cFpgaHdwImageCtrl& image : images) hdw.addFpgaHdwImageCtrl(image);
  piSubFrame sent;
  hdw >> sent;
  piSubFrame sf;
  for (std::size_t i = 0; i < sent.itemCount() && i < items; ++i) {
    piSubFrame::Item item = sent.item(i);
    if (i == 1) item.u32 = count;
    appendItem(sf, item);
  }
  return sf;
}

class HostInputBounds : public tActionFlowFixture {
protected:
  unsigned char receive(const JobBuilder& job) {
    unsigned char ok = 7;
    tExchange ex = job.exchange();
    tLineTap tap(std::cerr);
    ex.run([&](auto&... sf) { provider->Slot_ReceiveData(sf..., ok, kClient); });
    log = tap.lines;
    return ok;
  }
  unsigned char send(tExchange& ex) {
    unsigned char ok = 7;
    tLineTap tap(std::cerr);
    ex.run([&](auto&... sf) { provider->Slot_SendData(sf..., ok, kClient); });
    log = tap.lines;
    return ok;
  }
  // (FPGA index, first byte) of every image loaded, from the `from`-th load on.
  static std::vector<std::pair<unsigned int, int>> loaded(std::size_t from = 0) {
    std::vector<std::pair<unsigned int, int>> result;
    const std::vector<tK5LoadedImage>& all = sim().loadHistory();
    for (std::size_t i = from; i < all.size(); ++i)
      result.push_back({all[i].index, all[i].bytes.at(0)});
    return result;
  }
  std::vector<unsigned char> bytesOf(int id) {
    const tByteArray& b = *provider->getAP().getByteArrayFromBufferId(id);
    return std::vector<unsigned char>(b.getDataConst(), b.getDataConst() + b.GetSize());
  }
  std::vector<std::string> logFrom(const std::string& line) const {
    const long at = logAt(line);
    return at < 0 ? std::vector<std::string>()
                  : std::vector<std::string>(log.begin() + at, log.end());
  }
};

typedef std::vector<std::pair<unsigned int, int>> tLoaded;

}  // namespace

// ------------------------------------------------------------- image count

// The count stays as the host sent it, so the host reads back its own record;
// the loading walks the 24 slots only.
TEST_F(HostInputBounds, HugeImageCountLoadsTheRealImagesAndReturnsAtOnce) {
  const std::vector<cFpgaHdwImageCtrl> images = {
      hdwImage("HDW", {1, 2, 3}), hdwImage("HDW_CONTINUITY", {4, 5}), hdwImage("HDW", {6})};
  const struct {
    const char* what;
    piSubFrame record;
    unsigned char received;
    tLoaded continuity;  // empty: nothing to load for the continuity test
    tLoaded program;
  } cases[] = {
      {"whole record", hardwareRecord(images, kHugeCount), 1, {{0, 4}}, {{0, 1}, {1, 6}}},
      // Only type and count are stored; the fixture's one "HDW" image stays.
      {"record cut after the count", hardwareRecord(images, kHugeCount, 3), 0, {}, {{0, 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    nextRow();
    ASSERT_EQ(c.received, receive(JobBuilder().item(
                              JobBuilder::typed(cDataTransferDescriptor::dtHdwParam), c.record)));
    ASSERT_EQ(kHugeCount, provider->getAP().getHdwParam().getFpgaHdwImageCount());

    const auto start = std::chrono::steady_clock::now();
    unsigned char ok = 7;
    {
      tLineTap quiet(std::cerr);
      provider->Slot_LoadFpgaForContinuity(ok, kClient);
    }
    EXPECT_EQ(!c.continuity.empty(), ok == 1);
    EXPECT_EQ(c.continuity, loaded());

    const std::size_t before = sim().loadHistory().size();
    sim().clearTrace();
    host().clear();
    call(&cKrv32AlgoProviderBase::Slot_StartProg);
    // Four billion passes take many seconds even optimised.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(c.program, loaded(before));
    expectOneClose(false);
  }
  // What the host reads back is the count it sent.
  tExchange fetch = JobBuilder().fetch(cDataTransferDescriptor::dtHdwParam).exchange();
  ASSERT_EQ(1, send(fetch));
  ASSERT_LT(1u, fetch.data(0).itemCount());
  EXPECT_EQ(kHugeCount, fetch.data(0).item(1).u32);
}

// ------------------------------------------------------------ buffer memory

TEST_F(HostInputBounds, CreateAboveTheLimitIsRefusedAtTheSlotAndKeepsTheBuffer) {
  const std::vector<unsigned char> filled = jobSamples::pattern(256, 5);
  ASSERT_EQ(1, receive(JobBuilder().createBuffer(3, 256, 0).wholeBuffer(3, filled, 9)));
  EXPECT_EQ(0, receive(JobBuilder().createBuffer(3, 0xFFFFFFFFu, 0xEE)));
  EXPECT_EQ(
      std::vector<std::string>({"PIDBG: processingReceivedBAI: Invalid size of buffer to create.",
                                "PIDBG: processingReceivedDTDs failed."}),
      logFrom("processingReceivedBAI: Invalid size of buffer to create."));
  EXPECT_EQ(filled, bytesOf(3));
}

// A create under the limit that the memory cannot take: the old buffer stays
// byte for byte, the slot answers failure and throws nothing, and the next
// receive is not refused as a second entry.
TEST_F(HostInputBounds, CreateTheMemoryCannotTakeKeepsTheOldBufferAndAnswersFailure) {
  const std::vector<unsigned char> filled = jobSamples::pattern(4096, 7);
  ASSERT_EQ(1, receive(JobBuilder().createBuffer(3, 4096, 0).wholeBuffer(3, filled, 9)));
  const unsigned version = provider->getAP().getByteArrayFromBufferId(3)->getVersionOfChanges();
  {
    tFailAllocationsAbove fail(kAllocationLimit);
    unsigned char ok = 7;
    EXPECT_NO_THROW(
        ok = receive(JobBuilder().createBuffer(3, 1024 * 1024, 0xEE).createBuffer(4, 8, 0)));
    EXPECT_EQ(0, ok);
  }
  EXPECT_EQ(
      std::vector<std::string>({"PIDBG: processingReceivedBAI: ByteArrayInfo CmdType: ctCreateOnly",
                                "PIDBG: catch in Slot_ReceiveData: std::bad_alloc"}),
      logFrom("processingReceivedBAI: ByteArrayInfo CmdType: ctCreateOnly"));
  EXPECT_EQ(filled, bytesOf(3));
  EXPECT_EQ(version, provider->getAP().getByteArrayFromBufferId(3)->getVersionOfChanges());
  EXPECT_EQ(-1, provider->getAP().getBufferIndex(4));

  ASSERT_EQ(1, receive(JobBuilder().createBuffer(3, 1024 * 1024, 0xEE)));
  EXPECT_EQ(std::vector<unsigned char>(1024 * 1024, 0xEE), bytesOf(3));
}

// The other slots that allocate on the host's behalf answer failure too.
TEST_F(HostInputBounds, SlotsLeftForLackOfMemoryAnswerFailureWithoutThrowing) {
  const std::vector<unsigned char> big(256 * 1024, 0x42);
  ASSERT_EQ(1, receive(JobBuilder().createBuffer(3, 256 * 1024, 0).wholeBuffer(3, big, 1)));
  cKxHdwParam& hdw = provider->getAP().getHdwParam();
  hdw.createFpgaHdwImagesLst();
  hdw.addFpgaHdwImageCtrl(hdwImage("HDW_CONTINUITY", std::vector<char>(256 * 1024, 0x24)));

  // The window's copy into the answer.
  tExchange fetch = JobBuilder().fetchWindow(ctFullData, 3, 0, 256 * 1024).exchange();
  {
    tFailAllocationsAbove fail(kAllocationLimit);
    unsigned char ok = 7;
    EXPECT_NO_THROW(ok = send(fetch));
    EXPECT_EQ(0, ok);
  }
  EXPECT_EQ("PIDBG: catch in Slot_SendData: std::bad_alloc", log.back());

  // The host's copy of the image it loads.
  unsigned char ok = 7;
  {
    tFailAllocationsAbove fail(kAllocationLimit);
    tLineTap tap(std::cerr);
    EXPECT_NO_THROW(provider->Slot_LoadFpgaForContinuity(ok, kClient));
    log = tap.lines;
  }
  EXPECT_EQ(0, ok);
  EXPECT_EQ("PIDBG: catch in Slot_LoadFpgaForContinuity: std::bad_alloc", log.back());
}

// ------------------------------------------------ exceptions in an action

// Whatever an action throws, it is told like a host's text and closed once.
TEST_F(HostInputBounds, ActionLeftByAnyExceptionIsClosedOnce) {
  const struct {
    const char* what;
    std::function<void()> raise;
    std::string text;
  } cases[] = {
      {"memory", [] { throw std::bad_alloc(); }, "std::bad_alloc"},
      {"standard exception", [] { throw std::runtime_error("model broke"); }, "model broke"},
      {"anything else", [] { throw 42; }, "unknown exception"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    nextRow();
    provider->script.duringRun = [&c](cScriptedAlgo&) { c.raise(); };
    EXPECT_NO_THROW(call(&cKrv32AlgoProviderBase::Slot_StartProg));
    EXPECT_TRUE(logged("catch in Slot_StartProg: " + c.text));
    EXPECT_EQ(shown().back(), c.text);
    EXPECT_EQ(std::count(log.begin(), log.end(), "PIDBG: try postAlgoAction"), 1);
    expectOneClose(true);
  }
}

// Thrown in the close itself: the close still ends once and switches off.
TEST_F(HostInputBounds, CloseLeftByAnyExceptionStillSwitchesOffOnce) {
  bool thrown = false;
  cAbstractEventManager::setScheduleHook([&thrown](cAbstractEventManager&, int) {
    if (thrown) return;
    thrown = true;
    throw std::bad_alloc();
  });
  EXPECT_NO_THROW(call(&cKrv32AlgoProviderBase::Slot_StartProg));
  ASSERT_TRUE(thrown);
  EXPECT_TRUE(logged("catch postAlgoAction: std::bad_alloc"));
  EXPECT_EQ(std::count(log.begin(), log.end(), "PIDBG: try postAlgoAction"), 1);
  // The record the catch sends is the only one the host took.
  expectOneClose(true);
}
