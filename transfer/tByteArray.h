#ifndef T_BYTE_ARRAY_H
#define T_BYTE_ARRAY_H

#include <memory>

#include "cByteArrayInfoVct.h"

class tByteArrayInfo;

// A data buffer exchanged with the host. Its size is fixed at creation; every
// change of its bytes moves the version of changes by one (down for buffers of
// the module, up otherwise).
class tByteArray {
public:
  enum eSourceLocation : int { slNone = 0, slHost = 1, slModule = 2 };

  // size must be at least 1.
  tByteArray(eSourceLocation loc, unsigned size, unsigned char fill, int id);
  tByteArray(const tByteArray& other);
  tByteArray& operator=(const tByteArray& other);
  virtual ~tByteArray();

  unsigned GetSize() const { return size; }
  eSourceLocation getSourceLocation() const { return sourceLocation; }
  unsigned getVersionOfChanges() const { return versionOfChanges; }
  int getBufferId() const { return bufferId; }
  void setBufferId(int id) { bufferId = id; }
  bool hasValidId() const { return bufferId != -1; }

  // 0 is ignored.
  void setVersionOfChanges(unsigned v);
  void setNewVersionOfChanges();

  // 0 past the end.
  unsigned char GetAt(unsigned pos) const;
  bool SetAt(unsigned pos, unsigned char b);

  // Read-only access; no change counted. Null once the bytes are released.
  const unsigned char* getDataConst() const { return pData.get(); }
  const unsigned char* getConstDataForLegacyAlgos() const { return pData.get(); }
  // Writable access; each call counts one change.
  unsigned char* getDataUnConst();
  unsigned char* getUnConstDataForLegacyAlgos();

  bool setDataBuffer(const unsigned char* src, unsigned len, unsigned version, unsigned offset);
  // Bytes from..to, both inclusive.
  bool fillBuffer(unsigned from, unsigned to, unsigned char b);
  // Releases the bytes; the size stays, every later byte access is refused.
  void RemoveAll();

  cByteArrayInfoVct& getMemoryMap() { return *pMemoryMap; }
  const cByteArrayInfoVct& getMemoryMap() const { return *pMemoryMap; }
  bool hasMemoryMap() const { return pMemoryMap->size() > 0; }
  bool setMemoryMap(const cByteArrayInfoVct& map);
  bool addMemoryMapItem(const tByteArrayInfo& item);

private:
  void pAr_resize(unsigned len);
  void pAr_resize(unsigned len, unsigned char fill);
  void pAr_clear();
  void stampMapItem(tByteArrayInfo& item) const;

  std::unique_ptr<cByteArrayInfoVct> pMemoryMap;
  std::unique_ptr<unsigned char[]> pData;
  unsigned int size;
  unsigned int versionOfChanges;
  int bufferId;
  eSourceLocation sourceLocation;
};

#endif
