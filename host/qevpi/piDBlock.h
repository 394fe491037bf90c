#ifndef PI_DBLOCK_H
#define PI_DBLOCK_H

// A block of bytes that either owns its memory or wraps memory of the caller.
class piDBlock {
public:
  // Memory usage 2 wraps the caller's bytes without copying; the block never
  // frees them. Any other value copies the bytes into memory of its own.
  enum { muWrapForeign = 2 };

  piDBlock();
  explicit piDBlock(unsigned int n);
  piDBlock(char* p, unsigned int n, int memoryUsage);
  // Copies are always independent blocks that own their bytes.
  piDBlock(const piDBlock& other);
  piDBlock& operator=(const piDBlock& other);
  ~piDBlock();

  // Gives the block n zeroed bytes of its own (0: an empty block).
  void createData(unsigned int n);
  char* getData() const { return mData; }
  unsigned int getSize() const { return mSize; }
  // True while the block wraps memory it does not own.
  bool wrapsForeignMemory() const { return mData != nullptr && !mOwned; }

private:
  void release();

  char* mData;
  unsigned int mSize;
  bool mOwned;
};

#endif
