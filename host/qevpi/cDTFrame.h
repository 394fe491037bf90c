#ifndef C_DT_FRAME_H
#define C_DT_FRAME_H

#include <cstddef>
#include <string>
#include <vector>

#include "piDBlock.h"
#include "piTypes.h"

// Ordered list of typed references to the caller's fields; it neither copies
// nor owns them and lives for one transfer.
class cDTFrame {
public:
  struct Item {
    ePiItemType type;
    void* field;
    bool flag;  // stored, not interpreted
  };

  cDTFrame();

  void add(unsigned int* field, bool flag);
  void add(int* field, bool flag);
  void add(unsigned char* field, bool flag);
  void add(std::string* field, bool flag);
  void add(piDBlock* field, bool flag);

  std::size_t size() const { return mItems.size(); }
  const Item& item(std::size_t i) const { return mItems.at(i); }

private:
  std::vector<Item> mItems;
};

#endif
