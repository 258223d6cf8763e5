#include "Guid.h"

#include <windows.h>
#include <rpc.h>

std::wstring NewGuidString() {
    UUID uuid{};
    UuidCreate(&uuid);
    RPC_WSTR text = nullptr;
    if (UuidToStringW(&uuid, &text) != RPC_S_OK || !text) return std::wstring();
    std::wstring result = L"{" + std::wstring(reinterpret_cast<wchar_t*>(text)) + L"}";
    RpcStringFreeW(&text);
    return result;
}
