// The satellite data file (.cvd): owner stamp, reading and writing the database.
#include "corvane.h"

extern "C" {

int32_t Cvn_ChannelFileOpen(const char*) { return 0; }
int32_t Cvn_ChannelFileCreate(const char*) { return 0; }
int32_t Cvn_ChannelFileClose() { return 0; }
int32_t Cvn_ChannelFileRead() { return 0; }
int32_t Cvn_ChannelFileWrite() { return 0; }

}  // extern "C"
