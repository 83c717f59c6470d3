#include "corvane.h"

int corvane_header_compiles_as_c(void) { return (int)sizeof(SiList); }
