#include "cDataTransferDescriptors.h"

#include "frameIo.h"

cDataTransferDescriptors::cDataTransferDescriptors() : mCount(0) { init(); }

cDataTransferDescriptors::cDataTransferDescriptors(piSubFrame& sf0, piSubFrame& sf1,
                                                   piSubFrame& sf2, piSubFrame& sf3,
                                                   piSubFrame& sf4, piSubFrame& sf5,
                                                   piSubFrame& sf6, piSubFrame& sf7)
    : mCount(0), mpDummy(new cDataTransferDescriptor()) {
  piSubFrame* const frames[kSlots] = {&sf0, &sf1, &sf2, &sf3, &sf4, &sf5, &sf6, &sf7};
  for (unsigned k = 0; k < kSlots; ++k) {
    mSlots[k].reset(new cDataTransferDescriptor(*frames[k]));
  }
}

cDataTransferDescriptors::cDataTransferDescriptors(const cDataTransferDescriptors& other)
    : mCount(0) {
  init();
  *this = other;
}

cDataTransferDescriptors& cDataTransferDescriptors::operator=(
    const cDataTransferDescriptors& other) {
  if (this == &other) {
    return *this;
  }
  mCount = other.mCount;
  for (unsigned k = 0; k < kSlots; ++k) {
    *mSlots[k] = *other.mSlots[k];
  }
  return *this;
}

cDataTransferDescriptors::~cDataTransferDescriptors() {}

void cDataTransferDescriptors::init() {
  mCount = 0;
  mpDummy.reset(new cDataTransferDescriptor());
  for (std::unique_ptr<cDataTransferDescriptor>& slot : mSlots) {
    slot.reset(new cDataTransferDescriptor());
  }
}

bool cDataTransferDescriptors::addDataTransferDescriptor(
    std::unique_ptr<cDataTransferDescriptor> descriptor) {
  if (!descriptor || mCount >= kSlots) {
    return false;
  }
  mSlots[mCount] = std::move(descriptor);
  ++mCount;
  return true;
}

cDataTransferDescriptor& cDataTransferDescriptors::getDataTransferDescriptor(unsigned i) {
  return i < kSlots ? *mSlots[i] : *mpDummy;
}

bool cDataTransferDescriptors::makeDTFrame(cDTFrame& frame) {
  for (std::unique_ptr<cDataTransferDescriptor>& slot : mSlots) {
    if (!slot->makeDTFrame(frame)) {
      return false;
    }
  }
  return true;
}

bool cDataTransferDescriptors::operator<<(const piSubFrame& sf) { return receiveRecord(*this, sf); }

bool cDataTransferDescriptors::operator>>(piSubFrame& sf) { return sendRecord(*this, sf); }
