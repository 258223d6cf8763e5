// The stand-in framework: API table, root object and TaskManager proxy. Every
// call is recorded in tessel.log; tessel.ini says what fails or is refused.
#include "Framework.h"
#include "FrameworkAbi.h"
#include "testenv/standin/Control.h"
#include "testenv/standin/Journal.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

namespace {

const char kComponent[] = "tsremote";
const char kStopEventName[] = "ZepStandInOrxStop";

bool g_initialized = false;
HMODULE g_stub = nullptr;
std::set<void*> g_allocations;
std::set<fwObject*> g_proxies;

fwEntry g_rootInterface[64];
fwEntry g_rootSystem[64];
fwObject g_root = {g_rootInterface, g_rootSystem};
fwEntry g_proxyInterface[16];
fwEntry g_proxySystem[64];
fwEntry g_syncDescriptor[8];

unsigned Hex(fwResult r) { return static_cast<unsigned>(r); }

// Logs the call's outcome and passes it on.
fwResult Done(const std::string& call, fwResult result) {
    JournalWrite(kComponent, "%s -> 0x%08x", call.c_str(), Hex(result));
    return result;
}

std::string Format(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

const char* Text(const char* s) { return s ? s : "(null)"; }

bool ServiceAlive() {
    HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, kStopEventName);
    if (!event) return false;
    CloseHandle(event);
    return true;
}

// --- API table -----------------------------------------------------------

fwResult FW_CALL CheckHandle(fwObject* handle) {
    const std::string call = Format("api1 handle=%s", handle == &g_root ? "root" : g_proxies.count(handle) ? "proxy" : "unknown");
    if (ShouldFail("api1")) return Done(call, FailureCode("api1", kErrBadHandle));
    return Done(call, handle == &g_root || g_proxies.count(handle) ? kOk : static_cast<fwResult>(kErrBadHandle));
}

fwResult FW_CALL StartProcess(int32_t session, const char* image, const char* arguments, uint32_t timeoutMs,
                              uint32_t flags, void* reserved1, void* reserved2) {
    const std::string call = Format("api8 session=%d image=%s args=%s timeout=%u flags=%u r1=%s r2=%s", session,
                                    Text(image), Text(arguments), timeoutMs, flags, reserved1 ? "set" : "null",
                                    reserved2 ? "set" : "null");
    if (ShouldFail("api8")) return Done(call, FailureCode("api8", kErrFailed));
    if (!image) return Done(call, static_cast<fwResult>(kErrNotFound));
    // The service is installed in the product folder.
    const std::wstring folder = ProductFolder();
    const std::string path = std::string(folder.begin(), folder.end()) + image;
    std::string commandLine = "\"" + path + "\"";
    if (arguments && *arguments) commandLine += std::string(" ") + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return Done(call, static_cast<fwResult>(0x80070000u | (GetLastError() & 0xFFFF)));
    CloseHandle(process.hThread);
    // Like a service start, wait (up to the timeout) until the new service
    // can be reached, or has ended.
    char readyName[64];
    snprintf(readyName, sizeof readyName, "ZepStandInOrxReady-%lu", process.dwProcessId);
    for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
        if (HANDLE ready = OpenEventA(SYNCHRONIZE, FALSE, readyName)) {
            CloseHandle(ready);
            break;
        }
        if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0) break;
    }
    CloseHandle(process.hProcess);
    return Done(call, kOk);
}

fwResult FW_CALL Initialize(uint32_t mode, uint32_t flags) {
    const std::string call = Format("api9 mode=%u flags=%u", mode, flags);
    if (ShouldFail("api9")) return Done(call, FailureCode("api9", kErrFailed));
    g_initialized = true;
    return Done(call, kOk);
}

void UnloadStub() {
    if (g_stub) FreeLibrary(g_stub);
    g_stub = nullptr;
}

fwResult FW_CALL Shutdown() {
    g_initialized = false;
    UnloadStub();
    return Done("api15", kOk);
}

fwResult FW_CALL AttachObject(int32_t session, const char* name, fwObject** handle) {
    const std::string call = Format("api18 session=%d name=%s", session, Text(name));
    if (!handle) return Done(call, static_cast<fwResult>(kErrFailed));
    *handle = nullptr;
    if (ShouldFail("api18")) return Done(call, FailureCode("api18", kErrFailed));
    if (!g_initialized) return Done(call, static_cast<fwResult>(kErrNotInitialized));
    if (!g_stub) return Done(call, static_cast<fwResult>(kErrStubMissing));
    // The stub names the objects it can marshal.
    const auto names = reinterpret_cast<const char* (*)()>(reinterpret_cast<void*>(GetProcAddress(g_stub, "TsStubObjects")));
    if (!name || !names || std::strcmp(name, names()) != 0) return Done(call, static_cast<fwResult>(kErrNotFound));
    if (!g_allocations.count(const_cast<char*>(name))) return Done(call + " name-not-framework-memory", static_cast<fwResult>(kErrFailed));
    if (!ServiceAlive()) return Done(call, static_cast<fwResult>(kErrServiceDown));
    fwObject* proxy = new fwObject{g_proxyInterface, g_proxySystem};
    g_proxies.insert(proxy);
    *handle = proxy;
    return Done(call, kOk);
}

fwResult FW_CALL ReleaseHandle(fwObject* handle) {
    const bool known = g_proxies.erase(handle) != 0;
    if (known) delete handle;
    return Done(Format("api19 handle=%s", known ? "proxy" : "unknown"), known ? kOk : static_cast<fwResult>(kErrBadHandle));
}

fwResult FW_CALL GetRoot(fwObject** root) {
    const std::string call = "api29";
    if (ShouldFail("api29")) return Done(call, FailureCode("api29", kErrFailed));
    if (!g_initialized) return Done(call, static_cast<fwResult>(kErrNotInitialized));
    *root = &g_root;
    return Done(call, kOk);
}

// --- root object ---------------------------------------------------------

fwResult FW_CALL DescriptorClear(fwRecord* record) {
    JournalWrite(kComponent, "descriptor4 record=%s", record ? "set" : "null");
    // The record's own field, after the base field, goes back to zero.
    if (record) reinterpret_cast<fwSyncFields*>(reinterpret_cast<char*>(record) + sizeof(void*))->processId = 0;
    return kOk;
}

fwResult FW_CALL DescriptorInit(fwRecord* record, uint32_t flags) {
    JournalWrite(kComponent, "descriptor3 record=%s flags=%u", record ? "set" : "null", flags);
    return kOk;
}

fwResult FW_CALL GetTypeDescriptor(fwObject* root, const fwEntry** descriptor, uint32_t typeId) {
    const std::string call = Format("root29 root=%s type=0x%x", root == &g_root ? "root" : "unknown", typeId);
    *descriptor = typeId == kSyncType ? g_syncDescriptor : nullptr;
    return Done(call, *descriptor ? kOk : static_cast<fwResult>(kErrNotFound));
}

fwResult FW_CALL LoadProxyStub(fwObject* root, fwObject* parent, const char* module, uint32_t flags, int32_t mode) {
    const std::string call = Format("root39 root=%s parent=%s module=%s flags=%u mode=%d",
                                    root == &g_root ? "root" : "unknown", parent ? "set" : "null", Text(module), flags, mode);
    if (ShouldFail("root39")) return Done(call, FailureCode("root39", kErrFailed));
    if (!module) return Done(call, static_cast<fwResult>(kErrStubMissing));
    // Looked up like any module by name: the current folder is the product folder.
    if (!g_stub) g_stub = LoadLibraryA(module);
    return Done(call, g_stub ? kOk : static_cast<fwResult>(kErrStubMissing));
}

fwResult FW_CALL Allocate(fwSystemRef system, void** memory, uint32_t size) {
    const std::string call = Format("rootsys52 system=%s size=%u", ObjectOfSystemRef(system) == &g_root ? "root" : "unknown", size);
    *memory = nullptr;
    if (ShouldFail("rootsys52")) return Done(call, FailureCode("rootsys52", kErrFailed));
    *memory = std::calloc(1, size);
    g_allocations.insert(*memory);
    return Done(call, kOk);
}

fwResult FW_CALL Free(fwSystemRef system, void* memory) {
    const bool known = g_allocations.erase(memory) != 0;
    const std::string call = Format("rootsys54 system=%s memory=%s", ObjectOfSystemRef(system) == &g_root ? "root" : "unknown",
                                    known ? "allocated" : "unknown");
    if (known) std::free(memory);
    return Done(call, known ? kOk : static_cast<fwResult>(kErrFailed));
}

// --- TaskManager proxy ---------------------------------------------------

fwResult FW_CALL StopService(fwObject* proxy, uint32_t flags) {
    const std::string call = Format("proxy3 proxy=%s flags=%u", g_proxies.count(proxy) ? "live" : "unknown", flags);
    if (ShouldFail("proxy3")) return Done(call, FailureCode("proxy3", kErrFailed));
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, kStopEventName);
    if (!event) return Done(call, static_cast<fwResult>(kErrServiceDown));
    SetEvent(event);
    CloseHandle(event);
    return Done(call, kOk);
}

// A framework-side copy of the announcement record, filled through the
// caller's CopyTo.
class SyncCopy final : public fwRecord {
public:
    uint32_t TypeId() const override { return kSyncType; }
    bool IsBasedOn(uint32_t typeId) const override { return typeId == kSyncType || typeId == 0xFFFFFFFF; }
    fwResult Assign(const fwRecord* source, bool, bool keep) override {
        assigned = true;
        if (!source || !source->IsBasedOn(kSyncType)) return static_cast<fwResult>(kErrFailed);
        if (!keep) processId = reinterpret_cast<const fwSyncFields*>(reinterpret_cast<const char*>(source) + sizeof(void*))->processId;
        return kOk;
    }
    fwResult CopyTo(fwRecord* target, bool flag) const override { return target->Assign(this, flag, false); }
    uint32_t Size() const override { return 12; }
    fwResult Op6() const override { return kOk; }
    void Op7() override {}
    void Reset() override { processId = 0; }
    void Op9() override {}
    void Op10() override {}
    fwResult Op11() const override { return kOk; }
    fwResult Op12() const override { return kOk; }

    uint32_t processId = 0;
    bool assigned = false;
};

void DescribeRecord(fwRecord* record) {
    const auto* fields = reinterpret_cast<const fwSyncFields*>(reinterpret_cast<const char*>(record) + sizeof(void*));
    JournalWrite(kComponent, "record type=0x%x based=%d any=%d size=%u base=%u pid=%u", record->TypeId(),
                 record->IsBasedOn(kSyncType) ? 1 : 0, record->IsBasedOn(0xFFFFFFFF) ? 1 : 0, record->Size(),
                 fields->baseField, fields->processId);
    SyncCopy copy;
    const fwResult copied = record->CopyTo(&copy, false);
    JournalWrite(kComponent, "record copy -> 0x%08x assigned=%d pid=%u", Hex(copied), copy.assigned ? 1 : 0, copy.processId);
    record->Reset();
    JournalWrite(kComponent, "record reset base=%u pid=%u", fields->baseField, fields->processId);
}

fwResult FW_CALL SendMsg(fwSystemRef system, uint32_t messageClass, uint32_t messageId, fwObject* object, void* buffer,
                         uint32_t* size) {
    fwObject* proxy = ObjectOfSystemRef(system);
    const bool serialized = size == reinterpret_cast<uint32_t*>(~uintptr_t(0));
    const std::string call = Format("tsSendMsg proxy=%s class=0x%08X id=0x%X object=%s buffer=%s size=%s",
                                    g_proxies.count(proxy) ? "live" : "unknown", messageClass, messageId,
                                    object ? "set" : "null", buffer ? "set" : "null",
                                    serialized ? "record" : size ? "set" : "null");
    if (!g_proxies.count(proxy)) return Done(call, static_cast<fwResult>(kErrBadHandle));
    if (!ServiceAlive()) return Done(call, static_cast<fwResult>(kErrServiceDown));
    if (serialized && buffer) DescribeRecord(static_cast<fwRecord*>(buffer));
    if (ShouldRefuse(messageClass, messageId)) return Done(call + " refused", FailureCode("refuse", kErrRefused));
    return Done(call, kOk);
}

void BuildTables() {
    g_rootInterface[29] = reinterpret_cast<fwEntry>(&GetTypeDescriptor);
    g_rootInterface[39] = reinterpret_cast<fwEntry>(&LoadProxyStub);
    g_rootSystem[52] = reinterpret_cast<fwEntry>(&Allocate);
    g_rootSystem[54] = reinterpret_cast<fwEntry>(&Free);
    g_proxyInterface[3] = reinterpret_cast<fwEntry>(&StopService);
    g_proxySystem[28] = reinterpret_cast<fwEntry>(&SendMsg);
    g_syncDescriptor[3] = reinterpret_cast<fwEntry>(&DescriptorInit);
    g_syncDescriptor[4] = reinterpret_cast<fwEntry>(&DescriptorClear);
}

}  // namespace

fwResult FillApiTable(fwEntry* table, const char* module) {
    const std::string call = Format("TSGetAPI module=%s", module);
    // Each load by a patcher is a session of its own.
    ResetControlCounters();
    UnloadStub();
    if (ShouldFail("TSGetAPI")) return Done(call, FailureCode("TSGetAPI", kErrFailed));
    BuildTables();
    std::memset(table, 0, 32 * sizeof(fwEntry));
    table[1] = reinterpret_cast<fwEntry>(&CheckHandle);
    table[8] = reinterpret_cast<fwEntry>(&StartProcess);
    table[9] = reinterpret_cast<fwEntry>(&Initialize);
    table[15] = reinterpret_cast<fwEntry>(&Shutdown);
    table[18] = reinterpret_cast<fwEntry>(&AttachObject);
    table[19] = reinterpret_cast<fwEntry>(&ReleaseHandle);
    table[29] = reinterpret_cast<fwEntry>(&GetRoot);
    return Done(call, kOk);
}
