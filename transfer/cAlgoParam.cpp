#include "cAlgoParam.h"

#include "DiagnosticLog.h"
#include "frameIo.h"
#include "ownedPtrVector.h"

cAlgoParam::cAlgoParam(tByteArray::eSourceLocation loc, unsigned size, unsigned char fill, int id)
    : doDeviceContinuityTest(0),
      confirmOnFail(0),
      errorSound(0),
      uiFpgaTimerValue(0),
      jobAction("No"),
      ownsByteArrayVct(1),
      mpSerialNumberHandler(nullptr),
      mpSerialDataRecordBlock(nullptr),
      mpByteArrayVct(nullptr),
      mpDummyBuffer(new tByteArray(tByteArray::slNone, 1, 0, -1)),
      mpDeviceParam(new cDeviceParam),
      mpUiAlgoData(new cUiAlgoDataK3),
      mpHdwParam(new cKxHdwParam(hptDefault)),
      mpCpdConfigs(new cCfgFileDeviceCpdConfigs),
      mpLayout(new cCfgFileDeviceLayout(0)),
      mpSerialContent(new cCSVSerialDataContent),
      sourceLocation(loc) {
  mpByteArrayVct = new std::vector<tByteArray*>;
  addByteArray(size, fill, id);
}

cAlgoParam::~cAlgoParam() { deleteFullByteArrayVctObject(); }

bool cAlgoParam::makeDTFrame(cDTFrame& frame) {
  frame.add(&doDeviceContinuityTest, true);
  frame.add(&uiFpgaTimerValue, true);
  frame.add(&defDeviceCfgFilePath, true);
  frame.add(&jobAction, true);
  return true;
}

bool cAlgoParam::operator<<(const piSubFrame& sf) {
  if (!receiveRecord(*this, sf)) {
    logDiag("cAlgoParam: storeToFrame failed.");
    return false;
  }
  return true;
}

bool cAlgoParam::operator>>(piSubFrame& sf) { return sendRecord(*this, sf); }

tByteArray* cAlgoParam::addByteArray(unsigned size, unsigned char fill, int id) {
  // A buffer has at least one byte; a request for none is refused like a duplicate.
  if (mpByteArrayVct == nullptr || size == 0 || getBufferIndex(static_cast<unsigned>(id)) != -1 ||
      !fitsBufferLimits(size, id)) {
    return nullptr;
  }
  std::unique_ptr<tByteArray> buffer(new tByteArray(sourceLocation, size, fill, id));
  mpByteArrayVct->push_back(buffer.get());
  return buffer.release();
}

tByteArray* cAlgoParam::replaceByteArray(unsigned size, unsigned char fill, int id) {
  if (mpByteArrayVct == nullptr || size == 0 || !fitsBufferLimits(size, id)) {
    return nullptr;
  }
  std::unique_ptr<tByteArray> buffer(new tByteArray(sourceLocation, size, fill, id));
  removeByteArray(id);
  // After a removal the list has room for the new entry and cannot fail to
  // grow; without one a failed growth frees the new buffer and nothing else.
  mpByteArrayVct->push_back(buffer.get());
  return buffer.release();
}

bool cAlgoParam::fitsBufferLimits(unsigned size, int id) const {
  if (size > kMaxBufferSize) {
    return false;
  }
  unsigned long long total = size;
  for (unsigned i = 0; i < getNumberOfBuffers(); ++i) {
    const tByteArray& buffer = *(*mpByteArrayVct)[i];
    if (buffer.getBufferId() != id) {
      total += buffer.GetSize();
    }
  }
  return total <= kMaxAllBuffersSize;
}

void cAlgoParam::removeByteArray(int id) {
  const int index = getBufferIndex(static_cast<unsigned>(id));
  if (index < 0) {
    return;
  }
  // The job record must not keep the address of freed bytes.
  mpUiAlgoData->forgetDataBuffer();
  delete (*mpByteArrayVct)[index];
  mpByteArrayVct->erase(mpByteArrayVct->begin() + index);
}

tByteArray* cAlgoParam::getByteArrayFromBufferId(int id) const {
  return getByteArrayFromIndex(getBufferIndex(static_cast<unsigned>(id)));
}

tByteArray* cAlgoParam::getByteArrayFromIndex(int i) const {
  const unsigned index = static_cast<unsigned>(i);
  return index < getNumberOfBuffers() ? (*mpByteArrayVct)[index] : mpDummyBuffer.get();
}

int cAlgoParam::getBufferId(unsigned i) const {
  return getByteArrayFromIndex(static_cast<int>(i))->getBufferId();
}

int cAlgoParam::getBufferIndex(unsigned id) const {
  for (unsigned i = 0; i < getNumberOfBuffers(); ++i) {
    if ((*mpByteArrayVct)[i]->getBufferId() == static_cast<int>(id)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

unsigned cAlgoParam::getNumberOfBuffers() const {
  return mpByteArrayVct ? static_cast<unsigned>(mpByteArrayVct->size()) : 0u;
}

void cAlgoParam::freeOwnedBuffers() {
  mpUiAlgoData->forgetDataBuffer();
  deleteAllOwned(*mpByteArrayVct);
}

void cAlgoParam::deleteByteArrayVct() {
  if (ownsByteArrayVct && mpByteArrayVct) {
    freeOwnedBuffers();
  }
}

void cAlgoParam::deleteFullByteArrayVctObject() {
  if (ownsByteArrayVct && mpByteArrayVct) {
    freeOwnedBuffers();
    delete mpByteArrayVct;
    mpByteArrayVct = nullptr;
  }
}

void cAlgoParam::reCreateByteArrayVct() {
  deleteFullByteArrayVctObject();
  mpByteArrayVct = new std::vector<tByteArray*>;
  ownsByteArrayVct = 1;
}

bool cAlgoParam::setExternByteArrayVct(std::vector<tByteArray*>* list) {
  if (list == nullptr) {
    return false;
  }
  if (list == mpByteArrayVct) {
    return true;  // already in use here; freeing it first would lose it
  }
  deleteFullByteArrayVctObject();
  mpByteArrayVct = list;
  ownsByteArrayVct = 0;
  return true;
}

bool cAlgoParam::InitAlgoDataStructForUI(int a, int b) {
  mpDeviceParam->init();
  mpUiAlgoData->init(static_cast<short>(a), b);
  return true;
}

void cAlgoParam::setCfgFileDeviceCpdConfigs(cCfgFileDeviceCpdConfigs& configs) {
  if (&configs == mpCpdConfigs.get()) {
    return;
  }
  const std::unique_ptr<cCfgFileDeviceCpdConfigs> given(&configs);
  *mpCpdConfigs = *given;
}

void cAlgoParam::setCfgFileDeviceLayout(cCfgFileDeviceLayout& layout) {
  if (&layout == mpLayout.get()) {
    return;
  }
  const std::unique_ptr<cCfgFileDeviceLayout> given(&layout);
  *mpLayout = *given;
  // As a new layout: nothing of an earlier test, no pins, counts or result.
  mpLayout->startAsNew();
}

bool cAlgoParam::copy(const cAlgoParam& other, eCopyBufferUse use) {
  if (&other == this) {
    return true;
  }
  if (use == cbuBorrowList) {
    if (!setExternByteArrayVct(other.mpByteArrayVct)) {
      return false;
    }
  } else if (use == cbuDeepCopy) {
    // Copy before freeing: the other set may borrow our own list.
    std::unique_ptr<std::vector<tByteArray*>> copies(new std::vector<tByteArray*>);
    if (other.mpByteArrayVct) {
      appendDeepCopies(*copies, *other.mpByteArrayVct);
    }
    deleteFullByteArrayVctObject();
    mpByteArrayVct = copies.release();
    ownsByteArrayVct = 1;
  }
  *mpSerialContent = *other.mpSerialContent;
  mpSerialNumberHandler = other.mpSerialNumberHandler;
  mpSerialDataRecordBlock = other.mpSerialDataRecordBlock;
  doDeviceContinuityTest = other.doDeviceContinuityTest;
  confirmOnFail = other.confirmOnFail;
  errorSound = other.errorSound;
  uiFpgaTimerValue = other.uiFpgaTimerValue;
  defDeviceCfgFilePath = other.defDeviceCfgFilePath;
  jobAction = other.jobAction;
  *mpDeviceParam = *other.mpDeviceParam;
  *mpUiAlgoData = *other.mpUiAlgoData;
  *mpHdwParam = *other.mpHdwParam;
  *mpCpdConfigs = *other.mpCpdConfigs;
  *mpLayout = *other.mpLayout;
  sourceLocation = other.sourceLocation;
  return true;
}
