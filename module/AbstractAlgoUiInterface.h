#ifndef ABSTRACT_ALGO_UI_INTERFACE_H
#define ABSTRACT_ALGO_UI_INTERFACE_H

#include <string>

// How a chip algorithm reports to the user: numbered messages with typed
// parameters (their texts live in the host), free text, the current address
// and the chip signature; and how it learns that the user has cancelled.
class AbstractAlgoUiInterface {
public:
  virtual ~AbstractAlgoUiInterface();

  virtual void K4ShowMessage(int no) = 0;
  virtual void K4ShowMessage(int no, long p1) = 0;
  virtual void K4ShowMessage(int no, long p1, long p2) = 0;
  virtual void K4ShowMessage(int no, long p1, long p2, long p3) = 0;
  virtual void K4ShowMessage(int no, long p1, long p2, long p3, long p4) = 0;
  virtual void K4ShowMessage(int no, float p1) = 0;
  virtual void K4ShowMessage(int no, float p1, float p2) = 0;
  virtual void K4ShowMessage(const char* text) = 0;
  // Ignored unless an implementation overrides it.
  virtual void K4ShowMessage(std::string text);
  virtual void K4ShowMessageSiS(int no, int p1) = 0;
  virtual void K4ShowMessageSiSf1(int no, int p1, float p2) = 0;
  // A non-zero force sends the address regardless of the display throttle.
  virtual void K4ShowAdr(int address, unsigned short force) = 0;
  virtual bool K4Cancel() = 0;
  virtual void ShowSignature(unsigned long signature) = 0;
  virtual void debugWait(const char* text) = 0;
  virtual void debugMessage(std::string text) = 0;
};

#endif
