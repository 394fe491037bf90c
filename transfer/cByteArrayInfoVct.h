#ifndef C_BYTE_ARRAY_INFO_VCT_H
#define C_BYTE_ARRAY_INFO_VCT_H

#include <memory>
#include <vector>

class tByteArrayInfo;

// Memory map of a buffer: an owning list of command records.
class cByteArrayInfoVct {
public:
  cByteArrayInfoVct();
  cByteArrayInfoVct(const cByteArrayInfoVct& other);
  cByteArrayInfoVct& operator=(const cByteArrayInfoVct& other);
  virtual ~cByteArrayInfoVct();

  bool operator==(const cByteArrayInfoVct& other) const;
  bool operator!=(const cByteArrayInfoVct& other) const { return !(*this == other); }

  void erase();
  unsigned size() const { return static_cast<unsigned>(mItems.size()); }
  // Null when i is past the last record.
  tByteArrayInfo* get(unsigned i) const;
  // Takes the record out of the pointer; an empty pointer is ignored.
  void push_back(std::unique_ptr<tByteArrayInfo>& item);

private:
  std::vector<tByteArrayInfo*> mItems;
};

#endif
