// The data path as the connection sees it: closing the system ends it.
#pragma once

namespace corvane::datapath {

// Ends an initialised data path as Cvn_CloseSystem and process exit need it: no callback
// starts after it returns; the data thread is waited for unless it is the caller (a
// callback that closes); the registered PIDs are released and the driver's data path is
// closed, as far as the driver still answers. Nothing happens when it is not initialised.
void shutdown();

}  // namespace corvane::datapath
