#pragma once
// The connection to the product framework: tsremote.dll loaded at run time,
// its API table, its root object and the framework status of the load.
#include "TesselApi.h"

#include <windows.h>

#include <string>

class CTesselRemote {
public:
    CTesselRemote();
    // Shuts the library down (it stays loaded: the framework does not expect
    // to be unloaded from a running process).
    ~CTesselRemote();

    CTesselRemote(const CTesselRemote&) = delete;
    CTesselRemote& operator=(const CTesselRemote&) = delete;

    // Loads tsremote.dll from the product folder by its full path (never from
    // the program's folder or by a search); fills the API table, initialises
    // the library and obtains the root object. The outcome is in Status().
    void Load(const std::wstring& productFolder);

    tsResult Status() const { return status_; }
    // True once TSGetAPI has filled the table; otherwise no entry is usable.
    bool HasApi() const { return hasApi_; }
    hOBJECT Root() const { return root_; }

    // API table entries. A missing entry answers kTsNotLoaded instead of
    // being called.
    tsResult CheckHandle(hOBJECT handle) const;
    tsResult StartService() const;
    tsResult AttachObject(const char* name, hOBJECT* handle) const;
    tsResult ReleaseHandle(hOBJECT handle) const;

    // Root object entries.
    tsResult LoadProxyStub() const;
    tsResult Allocate(void** memory, uint32_t size) const;
    tsResult Free(void* memory) const;

private:
    template <typename Fn>
    Fn Api(int index) const {
        return hasApi_ ? TsEntryAs<Fn>(api_.entries, index) : nullptr;
    }

    tsApiTable api_;
    HMODULE library_;
    hOBJECT root_;
    tsResult status_;
    bool hasApi_;
};
