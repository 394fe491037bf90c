#ifndef C_DATA_TRANSFER_DESCRIPTORS_H
#define C_DATA_TRANSFER_DESCRIPTORS_H

#include <memory>

#include "cDTFrame.h"
#include "cDataTransferDescriptor.h"
#include "piSubFrame.h"

// The eight descriptors of an exchange's descriptor sub-frame; descriptor k
// names data sub-frame k+1.
class cDataTransferDescriptors {
public:
  static constexpr unsigned kSlots = 8;

  cDataTransferDescriptors();
  // Slot k refers to the k-th sub-frame.
  cDataTransferDescriptors(piSubFrame& sf0, piSubFrame& sf1, piSubFrame& sf2, piSubFrame& sf3,
                           piSubFrame& sf4, piSubFrame& sf5, piSubFrame& sf6, piSubFrame& sf7);
  cDataTransferDescriptors(const cDataTransferDescriptors& other);
  // Copies the count and slots; the dummy slot stays.
  cDataTransferDescriptors& operator=(const cDataTransferDescriptors& other);
  virtual ~cDataTransferDescriptors();

  // Count 0 and fresh dtNo descriptors everywhere.
  void init();

  unsigned getMaxSfNum() const { return kSlots; }
  unsigned getSfNum() const { return mCount; }
  // Takes the next free slot; false (descriptor freed) for an empty holder or a full set.
  bool addDataTransferDescriptor(std::unique_ptr<cDataTransferDescriptor> descriptor);
  // The dummy descriptor for any index from 8 up; it never travels.
  cDataTransferDescriptor& getDataTransferDescriptor(unsigned i);

  // The records of slots 0 to 7 back to back (288 items).
  bool makeDTFrame(cDTFrame& frame);
  // Fills in place; may stay partly filled on failure.
  bool operator<<(const piSubFrame& sf);
  bool operator>>(piSubFrame& sf);

private:
  unsigned int mCount;
  // Declared before the dummy so the dummy goes first, then slots 7 down to 0.
  std::unique_ptr<cDataTransferDescriptor> mSlots[kSlots];
  std::unique_ptr<cDataTransferDescriptor> mpDummy;
};

#endif
