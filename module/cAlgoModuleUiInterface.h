#ifndef C_ALGO_MODULE_UI_INTERFACE_H
#define C_ALGO_MODULE_UI_INTERFACE_H

#include <cstdint>
#include <memory>
#include <string>

#include "AbstractAlgoUiInterface.h"

class cKrv32AlgoProviderBase;
class cK5UiFpgaTimer;

// The framework's user-interface object: every numbered message, address and
// signature fills the provider's progress record and sends it at once; free
// text goes out as a user message. Nothing is shown once the host asked to
// cancel. Owns the UI timer that throttles the address display.
class cAlgoModuleUiInterface : public AbstractAlgoUiInterface {
public:
  // The provider is not owned.
  explicit cAlgoModuleUiInterface(cKrv32AlgoProviderBase& provider);
  ~cAlgoModuleUiInterface() override;

  using AbstractAlgoUiInterface::K4ShowMessage;
  void K4ShowMessage(int no) override;
  void K4ShowMessage(int no, long p1) override;
  void K4ShowMessage(int no, long p1, long p2) override;
  void K4ShowMessage(int no, long p1, long p2, long p3) override;
  void K4ShowMessage(int no, long p1, long p2, long p3, long p4) override;
  void K4ShowMessage(int no, float p1) override;
  void K4ShowMessage(int no, float p1, float p2) override;
  void K4ShowMessage(const char* text) override;
  void K4ShowMessageSiS(int no, int p1) override;
  void K4ShowMessageSiSf1(int no, int p1, float p2) override;
  void K4ShowAdr(int address, unsigned short force) override;
  bool K4Cancel() override;
  void ShowSignature(unsigned long signature) override;
  void debugWait(const char* text) override;
  void debugMessage(std::string text) override;

  // A new timer over FPGA slot 1 with the given period; false for 0 ms, a
  // missing FPGA control or a period the FPGA does not take.
  bool createUiFpgaTimer(unsigned short ms);
  cK5UiFpgaTimer* getUiFpgaTimer() const { return apUiFpgaTimer.get(); }

private:
  cAlgoModuleUiInterface(const cAlgoModuleUiInterface&) = delete;
  cAlgoModuleUiInterface& operator=(const cAlgoModuleUiInterface&) = delete;

  // Writes number, layout and the parameters from param1 on, marks the
  // message valid and sends the record; nothing after a cancel.
  void showNumbered(int no, unsigned int layout, const std::uint32_t* params, unsigned int count);

  cKrv32AlgoProviderBase& pProvider;
  std::unique_ptr<cK5UiFpgaTimer> apUiFpgaTimer;
};

#endif
