#include "RowKey.h"

#include <windows.h>
#include <rpc.h>
#include <stdio.h>

std::wstring CreateRowKey()
{
    UUID uuid;
    const RPC_STATUS status = ::UuidCreate(&uuid);
    // A UUID unique only on this computer is still unique for our rows.
    if (status != RPC_S_OK && status != RPC_S_UUID_LOCAL_ONLY) return std::wstring();
    WCHAR wz[39];
    _snwprintf(wz, 39, L"{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
               static_cast<unsigned long>(uuid.Data1), uuid.Data2, uuid.Data3, uuid.Data4[0], uuid.Data4[1],
               uuid.Data4[2], uuid.Data4[3], uuid.Data4[4], uuid.Data4[5], uuid.Data4[6], uuid.Data4[7]);
    wz[38] = L'\0';
    return wz;
}
