#include "cMPDE.h"

cMPDE::cMPDE() {}

cMPDE::~cMPDE() {}
