// Larkspur's jobs and the data exchange through the slots of a provider built
// from the deliverable's parts, on the simulated programmer with the trace
// off and the Holtek chip model in the socket; each job beside its floor.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cAbstractEventManager.h"
#include "cAlgoParam.h"
#include "cHostSession.h"
#include "cK5AlgoProvider.h"
#include "cK5HoltekChip.h"
#include "cK5SimProgrammer.h"
#include "cScaffoHost.h"
#include "tBenchCheck.h"
#include "tBenchSetup.h"
#include "tCallTape.h"
#include "tHoltekJob.h"
#include "tJobBench.h"
#include "tMemoryCount.h"
#include "tQuietStream.h"
#include "tSlotExchange.h"

using namespace holtekJob;

namespace {

typedef cK5SimProgrammer Sim;
typedef void (cKrv32AlgoProviderBase::*tStartSlot)(piModuleAddr);
typedef std::chrono::steady_clock Clock;

const piModuleAddr kClient(7, 3);

Sim& sim() { return Sim::instance(); }
cScaffoHost& host() { return cScaffoHost::instance(); }

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A fresh simulated programmer with the chip plugged and a provider of
// Larkspur's parts.
class tLarkspurBench : public tBenchSetup {
public:
  tLarkspurBench() {
    sim().reset();
    host().clear();
    cAbstractEventManager::setScheduleHook(nullptr);
    sim().plug(chip);
    provider.reset(new cK5AlgoProvider(nullptr, "Larkspur"));
    benchCheck(provider->getKrv5Ctrl() != nullptr, "the provider found no programmer");
  }
  ~tLarkspurBench() override {
    provider.reset();
    sim().reset();
    host().clear();
  }

  bool receive(tExchange& ex) {
    tQuietStream quiet(std::cerr);
    return receiveExchange(*provider, ex, kClient);
  }
  bool send(tExchange& ex) {
    tQuietStream quiet(std::cerr);
    return sendExchange(*provider, ex, kClient);
  }

  cK5HoltekChip chip;
  std::unique_ptr<cK5AlgoProvider> provider;
};

// ---------------------------------------------------------------- Holtek jobs

// One Holtek job sent once, run through a start slot per iteration; its calls
// are recorded from a first run with the trace on.
class tHoltekJobBench : public tLarkspurBench {
public:
  tHoltekJobBench(const tJob& job, unsigned int chipWords, const std::vector<std::uint16_t>& before,
                  const std::vector<std::uint16_t>& after, tStartSlot slot)
      : mSlot(slot), mAfter(after) {
    benchCheck(chip.setMemoryWords(chipWords) && chip.setWords(0, before), "chip set-up");
    {
      tQuietStream quiet(std::cerr);
      benchCheck(sendJob(*provider, job, kClient), "the module refused the job");
    }
    host().clear();
    sim().setTraceEnabled(false);
    tape.record([this] { run(); });
    check();
  }

  void run() {
    tQuietStream quiet(std::cerr);
    (provider.get()->*mSlot)(kClient);
  }

  // The chip holds what the job leaves and saw no protocol fault; the job did
  // not fail.
  void check() {
    benchCheck(chip.violations().empty(),
               "the chip saw a protocol fault: " +
                   (chip.violations().empty() ? std::string() : chip.violations().front()));
    benchCheck(chip.words() == mAfter, "the chip does not hold what the job leaves");
    TAG_UI_ALGODATA_KRV3 record;
    {
      tQuietStream quiet(std::cerr);
      benchCheck(cHostSession(*provider, kClient).fetchJobRecord(record),
                 "the job record did not come back");
    }
    benchCheck(record.getActionFailed() == 0 && record.getErrorCode() == 0,
               "the job failed with code " + std::to_string(record.getErrorCode()));
    host().clear();
  }

  tCallTape tape;

private:
  tStartSlot mSlot;
  std::vector<std::uint16_t> mAfter;
};

// A whole chip of 0x10000 words read into buffer 0.
const unsigned int kReadWords = 0x10000;

tHoltekJobBench* makeReadBench() {
  const std::vector<std::uint16_t> image = wordPattern(kReadWords, 3);
  tJob job;
  job.settings.memorySize = kReadWords;
  job.end = kReadWords - 1;
  job.buffer.assign(2 * kReadWords, 0x00);
  tHoltekJobBench* bench =
      new tHoltekJobBench(job, kReadWords, image, image, &cKrv32AlgoProviderBase::Slot_StartRead);
  std::vector<unsigned char> bytes;
  {
    tQuietStream quiet(std::cerr);
    benchCheck(cHostSession(*bench->provider, kClient).fetchBuffer(2 * kReadWords, bytes),
               "buffer 0 did not come back");
  }
  benchCheck(bytes == wordBytes(image), "buffer 0 does not hold the chip's words");
  return bench;
}

void HoltekReadWholeChip(benchmark::State& state) {
  tHoltekJobBench& bench = benchSetupOf<tHoltekJobBench>("read", makeReadBench);
  runBesideFloor(
      state, bench.tape, kActionFrame + kReadMode, [&] { bench.run(); }, [&] { bench.check(); });
}

// 4 KiB programmed into a chip of 4096 words with erase, blank check and
// verify. Program takes bytes 0..4095 (words 0..2047); verify compares words
// 0..4095, so the buffer's second half holds what an erased chip reads.
const unsigned int kProgramBytes = 4096;
const unsigned int kProgramChipWords = 4096;
const unsigned int kProgramPage = 64;

tHoltekJobBench* makeProgramBench() {
  const std::vector<std::uint16_t> image = wordPattern(kProgramBytes / 2, 5);
  std::vector<std::uint16_t> after = image;
  after.resize(kProgramChipWords, 0xFFFF);
  tJob job;
  job.settings.memorySize = kProgramChipWords;
  job.settings.pageSize = kProgramPage;
  job.settings.options = kOptErase | kOptBlankCheckAfterErase | kOptVerifyAfterProgram;
  job.end = kProgramBytes - 1;
  job.buffer = wordBytes(after);
  return new tHoltekJobBench(job, kProgramChipWords, wordPattern(kProgramChipWords, 7), after,
                             &cKrv32AlgoProviderBase::Slot_StartProg);
}

void HoltekProgram4KiB(benchmark::State& state) {
  tHoltekJobBench& bench = benchSetupOf<tHoltekJobBench>("program", makeProgramBench);
  const std::uint64_t program =
      kProgramBytes * kLoadByte + (kProgramBytes / kProgramPage) * kWritePage;
  runBesideFloor(
      state, bench.tape, kActionFrame + kChipErase + kBlankCheck + program + kReadMode,
      [&] { bench.run(); }, [&] { bench.check(); });
}

// ---------------------------------------------------------------- exchange

// Buffer 0 of 1 MiB, filled by the host in eight windows of one exchange and
// fetched back in eight windows of one exchange.
const unsigned int kExchangeBytes = 1u << 20;
const unsigned int kWindows = 8;
const unsigned int kWindowBytes = kExchangeBytes / kWindows;

class tExchangeBench : public tLarkspurBench {
public:
  tExchangeBench() : bytes(kExchangeBytes), copy(kExchangeBytes) {
    for (unsigned int i = 0; i < kExchangeBytes; ++i) {
      bytes[i] = static_cast<unsigned char>(i * 131u + (i >> 9));
    }
    tExchange create =
        JobBuilder().deleteAllBuffers().createBuffer(0, kExchangeBytes, 0).exchange();
    benchCheck(receive(create), "the module did not create buffer 0");
    filling = JobBuilder().bufferInParts(0, bytes, kWindows, 1).exchange();
    JobBuilder fetch;
    for (unsigned int k = 0; k < kWindows; ++k) {
      fetch.fetchWindow(k + 1 == kWindows ? ctLastPartData : ctPartData, 0, k * kWindowBytes,
                        kWindowBytes);
    }
    fetching = fetch.exchange();
    tByteArray* buffer = provider->getAP().getByteArrayFromBufferId(0);
    benchCheck(buffer != nullptr && buffer->GetSize() == kExchangeBytes, "buffer 0 is missing");
    memory = buffer->getDataConst();
  }

  // The windows of an answered fetch hold the bytes sent.
  bool answered(tExchange& ex) const {
    for (unsigned int k = 0; k < kWindows; ++k) {
      const piSubFrame& sf = ex.data(k);
      if (sf.itemCount() != 1 || sf.item(0).bytes.size() != kWindowBytes ||
          std::memcmp(sf.item(0).bytes.data(), &bytes[k * kWindowBytes], kWindowBytes) != 0) {
        return false;
      }
    }
    return true;
  }

  std::vector<unsigned char> bytes;
  std::vector<unsigned char> copy;
  tExchange filling;
  tExchange fetching;
  // Buffer 0's bytes in the module.
  const unsigned char* memory = nullptr;
};

tExchangeBench* makeExchangeBench() { return new tExchangeBench(); }

// Counters of the exchange benchmarks, per exchange:
//   module_buffer, host_buffer    bytes copied into or out of buffer 0
//   module_copied, host_copied    all bytes copied (memcpy, memmove)
//   module_allocated, module_allocs, module_largest
//                                 bytes the module allocated (operator new),
//                                 in how many allocations, the largest one
//   host_allocated                bytes the host libraries allocated
void reportMemory(benchmark::State& state, const tMemoryFigures& f) {
  state.counters["module_buffer"] = static_cast<double>(f.module.watchedBytes);
  state.counters["host_buffer"] = static_cast<double>(f.host.watchedBytes);
  state.counters["module_copied"] = static_cast<double>(f.module.copiedBytes);
  state.counters["host_copied"] = static_cast<double>(f.host.copiedBytes);
  state.counters["module_allocated"] = static_cast<double>(f.module.allocatedBytes);
  state.counters["module_allocs"] = static_cast<double>(f.module.allocations);
  state.counters["module_largest"] = static_cast<double>(f.module.largestAllocation);
  state.counters["host_allocated"] = static_cast<double>(f.host.allocatedBytes);
}

// Each byte of the buffer is copied exactly once on its way and nothing else
// copied comes near a window; the module allocates nothing that grows with
// the buffer.
// The exchange's times per iteration beside its floor, and its memory figures.
void reportExchange(benchmark::State& state, double moduleSeconds, double floorSeconds,
                    const tMemoryFigures& figures) {
  const double n = static_cast<double>(state.iterations());
  state.counters["wall_ms"] = 1000 * moduleSeconds / n;
  state.counters["floor_ms"] = 1000 * floorSeconds / n;
  state.counters["ratio"] = moduleSeconds / floorSeconds;
  state.counters["bytes"] = kExchangeBytes;
  reportMemory(state, figures);
}

void checkMemory(const tMemoryFigures& f, const char* direction) {
  const std::string where = std::string(direction) + ": ";
  const std::uint64_t buffer = f.module.watchedBytes + f.host.watchedBytes;
  const std::uint64_t other = f.module.copiedBytes + f.host.copiedBytes - buffer;
  benchCheck(buffer == kExchangeBytes, where + std::to_string(buffer) +
                                           " bytes copied into or out of a buffer of " +
                                           std::to_string(kExchangeBytes));
  benchCheck(other < kWindowBytes,
             where + std::to_string(other) + " bytes copied besides the buffer's");
  benchCheck(f.module.largestAllocation < kWindowBytes / 16,
             where + "the module allocated " + std::to_string(f.module.largestAllocation) +
                 " bytes at once");
  benchCheck(f.module.allocatedBytes < kExchangeBytes / 64,
             where + "the module allocated " + std::to_string(f.module.allocatedBytes) + " bytes");
}

// The exchange `run` makes, timed, then the same again counted and untimed:
// the counting operator new, memcpy and memmove stay out of the time.
template <class Run>
double timedThenCounted(const tExchangeBench& bench, Run run, tMemoryFigures& figures) {
  tQuietStream quiet(std::cerr);
  const Clock::time_point start = Clock::now();
  run();
  const double took = secondsSince(start);
  tMemoryCount count(bench.memory, kExchangeBytes);
  run();
  figures = count.figures();
  return took;
}

void ExchangeReceive1MiB(benchmark::State& state) {
  tExchangeBench& bench = benchSetupOf<tExchangeBench>("exchange", makeExchangeBench);
  double moduleSeconds = 0;
  double floorSeconds = 0;
  tMemoryFigures figures;
  for (auto _ : state) {
    bool ok = true;
    const double took = timedThenCounted(
        bench, [&] { ok = receiveExchange(*bench.provider, bench.filling, kClient) && ok; },
        figures);
    state.SetIterationTime(took);
    moduleSeconds += took;
    benchCheck(ok, "the module refused the windows");
    checkMemory(figures, "receive");

    // The floor: the window bytes copied once into memory of their own.
    const Clock::time_point start = Clock::now();
    for (unsigned int k = 0; k < kWindows; ++k) {
      std::memcpy(&bench.copy[k * kWindowBytes], bench.filling.data(k).item(0).bytes.data(),
                  kWindowBytes);
    }
    benchmark::DoNotOptimize(bench.copy.data());
    benchmark::ClobberMemory();
    floorSeconds += secondsSince(start);
  }
  tExchange back = bench.fetching;
  benchCheck(bench.send(back) && bench.answered(back), "buffer 0 does not hold the bytes received");
  reportExchange(state, moduleSeconds, floorSeconds, figures);
}

void ExchangeSend1MiB(benchmark::State& state) {
  tExchangeBench& bench = benchSetupOf<tExchangeBench>("exchange", makeExchangeBench);
  {
    tExchange fill = bench.filling;
    benchCheck(bench.receive(fill), "the module refused the windows");
  }
  double moduleSeconds = 0;
  double floorSeconds = 0;
  tMemoryFigures figures;
  std::vector<tExchange> sent(2, bench.fetching);
  for (auto _ : state) {
    // The two exchanges are copied before the time starts.
    sent.assign(2, bench.fetching);
    bool ok = true;
    std::size_t next = 0;
    const double took = timedThenCounted(
        bench, [&] { ok = sendExchange(*bench.provider, sent[next++], kClient) && ok; }, figures);
    state.SetIterationTime(took);
    moduleSeconds += took;
    benchCheck(ok && bench.answered(sent[0]) && bench.answered(sent[1]),
               "the windows sent do not hold the buffer's bytes");
    checkMemory(figures, "send");

    const Clock::time_point start = Clock::now();
    std::memcpy(bench.copy.data(), bench.bytes.data(), kExchangeBytes);
    benchmark::DoNotOptimize(bench.copy.data());
    benchmark::ClobberMemory();
    floorSeconds += secondsSince(start);
  }
  reportExchange(state, moduleSeconds, floorSeconds, figures);
}

}  // namespace

BENCHMARK(HoltekReadWholeChip)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(HoltekProgram4KiB)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ExchangeReceive1MiB)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ExchangeSend1MiB)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return runBenchmarks(argc, argv); }
