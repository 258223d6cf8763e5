#pragma once
// The binary interface of the product framework's remote-access library
// (tsremote.dll) as far as the patcher uses it: the API table that TSGetAPI
// fills, the layout of framework handles and the entry numbers called.
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define TS_CALL __stdcall
#else
#define TS_CALL
#endif

// Framework result code: negative values (top bit set) are failures.
using tsResult = int32_t;

inline bool TsFailed(tsResult result) { return result < 0; }

// One entry of a framework table; cast to the entry's own type before a call.
using tsEntry = void*;

// A framework handle starts with two table pointers: its interface table,
// then its system table. System entries receive the address of the second
// pointer, interface entries the handle itself.
struct tsObject {
    const tsEntry* interfaceTable;
    const tsEntry* systemTable;
};
using hOBJECT = tsObject*;
using tsSystemRef = const tsEntry* const*;

inline tsSystemRef SystemRef(hOBJECT object) { return &object->systemTable; }

// The block that TSGetAPI fills: 32 pointer-sized entries.
constexpr int kTsApiEntryCount = 32;
struct tsApiTable {
    tsEntry entries[kTsApiEntryCount];
};

// Library export.
using TSGetAPIFn = tsResult(TS_CALL*)(tsApiTable* table);
constexpr char kTsGetApiName[] = "TSGetAPI";

// API table entries.
enum TsApiEntry : int {
    kApiCheckHandle = 1,
    kApiStartProcess = 8,
    kApiInitialize = 9,
    kApiShutdown = 15,
    kApiAttachObject = 18,
    kApiReleaseHandle = 19,
    kApiGetRoot = 29,
};
using TsCheckHandleFn = tsResult(TS_CALL*)(hOBJECT handle);
using TsStartProcessFn = tsResult(TS_CALL*)(int32_t session, const char* image, const char* arguments,
                                             uint32_t timeoutMs, uint32_t flags, void* reserved1, void* reserved2);
using TsInitializeFn = tsResult(TS_CALL*)(uint32_t mode, uint32_t flags);
using TsShutdownFn = tsResult(TS_CALL*)();
using TsAttachObjectFn = tsResult(TS_CALL*)(int32_t session, const char* name, hOBJECT* handle);
using TsReleaseHandleFn = tsResult(TS_CALL*)(hOBJECT handle);
using TsGetRootFn = tsResult(TS_CALL*)(hOBJECT* root);

// Root object, interface table.
enum TsRootInterfaceEntry : int {
    kRootGetTypeDescriptor = 29,
    kRootLoadProxyStub = 39,
};
using TsGetTypeDescriptorFn = tsResult(TS_CALL*)(hOBJECT root, const tsEntry** descriptor, uint32_t typeId);
using TsLoadProxyStubFn = tsResult(TS_CALL*)(hOBJECT root, hOBJECT parent, const char* module, uint32_t flags,
                                              int32_t mode);

// Root object, system table.
enum TsRootSystemEntry : int {
    kRootAllocate = 52,
    kRootFree = 54,
};
using TsAllocateFn = tsResult(TS_CALL*)(tsSystemRef system, void** memory, uint32_t size);
using TsFreeFn = tsResult(TS_CALL*)(tsSystemRef system, void* memory);

// Proxy, interface and system tables.
enum TsProxyEntry : int {
    kProxyStopService = 3,      // interface table
    kProxySendMessage = 28,     // system table: tsSendMsg
};
using TsStopServiceFn = tsResult(TS_CALL*)(hOBJECT proxy, uint32_t flags);
using TsSendMessageFn = tsResult(TS_CALL*)(tsSystemRef system, uint32_t messageClass, uint32_t messageId,
                                            hOBJECT object, void* buffer, uint32_t* size);

// Size argument of tsSendMsg that marks the buffer as a serializable record.
inline uint32_t* SerializedRecordSize() { return reinterpret_cast<uint32_t*>(~uintptr_t(0)); }

// Record type descriptor entries (the descriptor is a table of entries).
enum TsDescriptorEntry : int {
    kDescriptorInit = 3,
    kDescriptorClear = 4,
};
using TsDescriptorInitFn = tsResult(TS_CALL*)(void* record, uint32_t flags);
using TsDescriptorClearFn = tsResult(TS_CALL*)(void* record);

// Typed view of a table entry; a missing table or entry gives null.
template <typename Fn>
Fn TsEntryAs(const tsEntry* table, int index) {
    return table ? reinterpret_cast<Fn>(table[index]) : nullptr;
}

// Status before anything was loaded, and when TSGetAPI is missing.
constexpr tsResult kTsNotLoaded = static_cast<tsResult>(0x8000006B);
// Status when tsremote.dll itself cannot be loaded.
constexpr tsResult kTsLibraryMissing = static_cast<tsResult>(0x800001C1);
