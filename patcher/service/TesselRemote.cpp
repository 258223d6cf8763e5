#include "TesselRemote.h"

#include "FrameworkRoot.h"
#include "util/ProcAddress.h"

#include <string>

namespace {

const wchar_t kLibraryName[] = L"tsremote.dll";
const char kServiceImage[] = "orx.exe";
const char kServiceArguments[] = "-s";
const uint32_t kServiceStartTimeoutMs = 20000;
const char kProxyStubModule[] = "tsstub.tsm";
const int32_t kCurrentSession = -1;

// The product's own library, by full path. Its folder is searched for the
// modules it loads itself.
HMODULE LoadFrameworkLibrary(const std::wstring& productFolder) {
    std::wstring path = productFolder;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    path += kLibraryName;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

CTesselRemote::CTesselRemote() : api_(), library_(nullptr), root_(nullptr), status_(kTsNotLoaded), hasApi_(false) {}

CTesselRemote::~CTesselRemote() {
    if (library_) {
        if (const auto shutdown = Api<TsShutdownFn>(kApiShutdown)) shutdown();
        library_ = nullptr;
    }
    // The root dies with the library's shutdown; records must not reach it.
    if (root_ && GetFrameworkRoot() == root_) SetFrameworkRoot(nullptr);
}

void CTesselRemote::Load(const std::wstring& productFolder) {
    library_ = LoadFrameworkLibrary(productFolder);
    if (!library_) {
        status_ = kTsLibraryMissing;
        return;
    }
    const auto getApi = ProcAddress<TSGetAPIFn>(library_, kTsGetApiName);
    if (!getApi) {
        api_.entries[kApiShutdown] = nullptr;
        return;
    }
    status_ = getApi(&api_);
    hasApi_ = !TsFailed(status_);
    if (!hasApi_) return;
    if (const auto initialize = Api<TsInitializeFn>(kApiInitialize))
        status_ = initialize(1, 0);
    else
        status_ = kTsNotLoaded;
    if (TsFailed(status_)) return;
    if (const auto getRoot = Api<TsGetRootFn>(kApiGetRoot))
        status_ = getRoot(&root_);
    else
        status_ = kTsNotLoaded;
    if (TsFailed(status_)) return;
    if (!root_) {
        status_ = kTsNotLoaded;
        return;
    }
    SetFrameworkRoot(root_);
}

tsResult CTesselRemote::CheckHandle(hOBJECT handle) const {
    const auto check = Api<TsCheckHandleFn>(kApiCheckHandle);
    return check ? check(handle) : kTsNotLoaded;
}

tsResult CTesselRemote::StartService() const {
    const auto start = Api<TsStartProcessFn>(kApiStartProcess);
    return start ? start(kCurrentSession, kServiceImage, kServiceArguments, kServiceStartTimeoutMs, 0, nullptr, nullptr)
                 : kTsNotLoaded;
}

tsResult CTesselRemote::AttachObject(const char* name, hOBJECT* handle) const {
    const auto attach = Api<TsAttachObjectFn>(kApiAttachObject);
    return attach ? attach(kCurrentSession, name, handle) : kTsNotLoaded;
}

tsResult CTesselRemote::ReleaseHandle(hOBJECT handle) const {
    const auto release = Api<TsReleaseHandleFn>(kApiReleaseHandle);
    return release ? release(handle) : kTsNotLoaded;
}

tsResult CTesselRemote::LoadProxyStub() const {
    if (!root_) return kTsNotLoaded;
    const auto load = TsEntryAs<TsLoadProxyStubFn>(root_->interfaceTable, kRootLoadProxyStub);
    return load ? load(root_, nullptr, kProxyStubModule, 10, -12) : kTsNotLoaded;
}

tsResult CTesselRemote::Allocate(void** memory, uint32_t size) const {
    if (!root_) return kTsNotLoaded;
    const auto allocate = TsEntryAs<TsAllocateFn>(root_->systemTable, kRootAllocate);
    return allocate ? allocate(SystemRef(root_), memory, size) : kTsNotLoaded;
}

tsResult CTesselRemote::Free(void* memory) const {
    if (!root_) return kTsNotLoaded;
    const auto free = TsEntryAs<TsFreeFn>(root_->systemTable, kRootFree);
    return free ? free(SystemRef(root_), memory) : kTsNotLoaded;
}
