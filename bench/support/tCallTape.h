#ifndef T_CALL_TAPE_H
#define T_CALL_TAPE_H

// The calls a job makes to the stand-in hardware library, taken from the
// simulated programmer's trace, and played back as a bare loop: the same
// register accesses, waits, buzzer calls, supply levels and output switches,
// in the same order with the same arguments. A socket device model hears the
// playback as it heard the job and answers alike, so the playback costs what
// the simulated programmer and its models cost for the job, nothing of the
// module, and the reading of the tape itself. That reading costs more among
// the calls than alone (the calls' own work evicts its branches and loads),
// so it is measured among them: a playback that reads each call twice, once
// for nothing, costs one more reading of the tape. The job's floor, the
// same calls made directly, is then twice the playback less that playback.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct tStandInCall {
  enum eKind : std::uint8_t {
    kMcuRead,      // a = byte offset
    kMcuWrite,     // a = byte offset, b = value
    kMcuWait,      // b = cycles
    kFpgaRead,     // slot, a = register
    kFpgaWrite,    // slot, a = register, b = value
    kDeviceWait,   // b = cycles
    kBuzzer,       // a, b = the two values
    kSupply,       // slot = channel, b = mV
    kSuppliesOff,  // no arguments
    kOutput,       // slot, a = output, b = 1 when disabled
    kKinds
  };
  eKind kind;
  std::uint8_t slot;
  std::uint16_t a;
  std::uint32_t b;

  bool operator==(const tStandInCall& other) const {
    return kind == other.kind && slot == other.slot && a == other.a && b == other.b;
  }
  bool operator!=(const tStandInCall& other) const { return !(*this == other); }
};

class tCallTape {
public:
  // Runs the job with the trace on and records its calls; the trace is off
  // and the access hook unset afterwards.
  void record(const std::function<void()>& job);

  // Makes the recorded calls. Aborts when the simulated programmer did not
  // count the recorded register accesses and waits.
  void replay() const;
  // The same, but each call is read from the tape twice, the first time for
  // nothing.
  void replayReadingTwice() const;

  std::uint64_t calls(tStandInCall::eKind kind) const { return mCount[kind]; }
  std::uint64_t registerAccesses() const;
  std::uint64_t waitedCycles() const { return mWaited; }
  // Trace events of the job that the playback leaves out (pin-driver register
  // sets, strobes, device objects, state and claim calls and the like).
  std::uint64_t otherEvents() const { return mOther; }
  // Stored calls and runs: how small the loop's program is.
  std::size_t storedCalls() const { return mCalls.size(); }
  std::size_t runs() const { return mRuns.size(); }

private:
  // `length` stored calls from `first`, made `repeats` times.
  struct tRun {
    std::uint32_t first;
    std::uint32_t length;
    std::uint64_t repeats;
  };

  template <class Calls>
  void play(Calls& calls) const;
  template <class Calls>
  void playChecked(Calls& calls) const;
  void take(const std::vector<tStandInCall>& raw);
  void addRun(const tStandInCall* calls, std::size_t length, std::uint64_t repeats);
  void drain(std::vector<tStandInCall>& raw);

  std::vector<tStandInCall> mCalls;
  std::vector<tRun> mRuns;
  std::uint64_t mCount[tStandInCall::kKinds] = {};
  std::uint64_t mWaited = 0;
  std::uint64_t mOther = 0;
  std::uint32_t mMapping = 0;
  bool mMappingSeen = false;
};

#endif
