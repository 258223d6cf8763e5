#pragma once
// The stand-in framework behind tsremote.dll's TSGetAPI.
#include "FrameworkAbi.h"

// Starts a session (control counters reset, proxy stub unloaded) and fills
// the 32-entry API table.
fwResult FillApiTable(fwEntry* table, const char* module);
