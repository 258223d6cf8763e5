#pragma once
// Scoped installer handle (views, records, databases): closed when it goes.
// The same owner template as the patcher's, with the installer's close.
#include "UniqueHandle.h"

#include <windows.h>
#include <msi.h>

struct MsiHandleTraits : NullIsEmpty<MSIHANDLE> {
    static void close(MSIHANDLE h) noexcept { ::MsiCloseHandle(h); }
};

using UniqueMsiHandle = UniqueHandle<MsiHandleTraits>;
