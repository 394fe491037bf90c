#include "AbstractAlgoBase.h"

AbstractAlgoBase::AbstractAlgoBase() : pAlgoUi(nullptr) {}

AbstractAlgoBase::~AbstractAlgoBase() {}

void AbstractAlgoBase::setAlgoUI(AbstractAlgoUiInterface* ui) { pAlgoUi = ui; }
