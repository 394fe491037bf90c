#include "AbstractAlgoUiInterface.h"

AbstractAlgoUiInterface::~AbstractAlgoUiInterface() {}

void AbstractAlgoUiInterface::K4ShowMessage(std::string) {}
