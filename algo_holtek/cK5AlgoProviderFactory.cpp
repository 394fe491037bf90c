#include "cK5AlgoProvider.h"

const char* const cK5AlgoProvider::kModuleName = "Larkspur";

// No algorithm yet: CreateAlgo builds nothing and DeleteAlgo has nothing to release.
bool cK5AlgoProvider::CreateAlgo() { return false; }

void cK5AlgoProvider::DeleteAlgo() {}
