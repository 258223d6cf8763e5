#pragma once
// The patcher's link to the service's "TaskManager" object: its name in
// framework memory and the attached proxy.
#include "TesselApi.h"

class CTesselRemote;

class CTaskManagerLink {
public:
    // Obtains the object name in framework memory; without a root object or
    // when the allocation fails the name stays null.
    explicit CTaskManagerLink(const CTesselRemote& connection);
    // Frees the name and releases the proxy.
    ~CTaskManagerLink();

    CTaskManagerLink(const CTaskManagerLink&) = delete;
    CTaskManagerLink& operator=(const CTaskManagerLink&) = delete;

    // Releases a held proxy and attaches anew.
    bool Attach();
    // Keeps a proxy the framework still accepts, otherwise attaches anew.
    bool Recheck();

    hOBJECT Proxy() const { return proxy_; }
    const char* Name() const { return name_; }

    // Proxy entries (stop request, tsSendMsg); without a proxy they answer
    // kTsNotLoaded.
    tsResult StopService() const;
    tsResult SendMsg(uint32_t messageClass, uint32_t messageId, void* buffer, uint32_t* size) const;

private:
    void ReleaseProxy();

    const CTesselRemote& connection_;
    char* name_;
    hOBJECT proxy_;
};
