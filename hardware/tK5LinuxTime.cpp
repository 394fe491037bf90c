#include "tK5LinuxTime.h"

#include "cKorvo5Device.h"

namespace {
const unsigned int kNsPerCycle = 200;
const unsigned int kCyclesPerUs = 5;
const unsigned int kCyclesPerMs = 5000;
}  // namespace

tK5LinuxTime::tK5LinuxTime(cKorvo5Device& device) : mDelayCount(1), mDevice(device) {}

tK5LinuxTime::~tK5LinuxTime() {}

void tK5LinuxTime::wait(unsigned int cycles) { mDevice.waitBusCycles(cycles); }

void tK5LinuxTime::ndelay(unsigned int ns) { wait(ns / kNsPerCycle); }

bool tK5LinuxTime::delay_ns(unsigned int ns) {
  ndelay(ns);
  return true;
}

void tK5LinuxTime::udelay(unsigned int us) { wait(us * kCyclesPerUs); }

bool tK5LinuxTime::delay_us(unsigned int us) {
  udelay(us);
  return true;
}

void tK5LinuxTime::mdelay(unsigned int ms) { wait(ms * kCyclesPerMs); }

void tK5LinuxTime::delay_ms(unsigned int ms) { mdelay(ms); }

void tK5LinuxTime::sdelay(unsigned int s) { mdelay(s * 1000u); }

void tK5LinuxTime::delay() { udelay(mDelayCount); }

void tK5LinuxTime::SetDelayCount(unsigned int us) { mDelayCount = us; }
