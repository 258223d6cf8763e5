#include "TaskManagerLink.h"

#include "TesselRemote.h"

#include <cstring>

namespace {
const char kObjectName[] = "TaskManager";
}

CTaskManagerLink::CTaskManagerLink(const CTesselRemote& connection)
    : connection_(connection), name_(nullptr), proxy_(nullptr) {
    if (!connection_.Root()) return;
    void* memory = nullptr;
    if (TsFailed(connection_.Allocate(&memory, sizeof kObjectName)) || !memory) return;
    name_ = static_cast<char*>(memory);
    std::memcpy(name_, kObjectName, sizeof kObjectName);
}

CTaskManagerLink::~CTaskManagerLink() {
    if (name_ && connection_.Root()) connection_.Free(name_);
    ReleaseProxy();
}

void CTaskManagerLink::ReleaseProxy() {
    if (!proxy_) return;
    connection_.ReleaseHandle(proxy_);
    proxy_ = nullptr;
}

bool CTaskManagerLink::Attach() {
    ReleaseProxy();
    if (!connection_.Root()) return false;
    const tsResult result = connection_.AttachObject(name_, &proxy_);
    return !TsFailed(result) && proxy_;
}

bool CTaskManagerLink::Recheck() {
    if (proxy_ && !TsFailed(connection_.CheckHandle(proxy_))) return true;
    return Attach();
}

tsResult CTaskManagerLink::StopService() const {
    if (!proxy_) return kTsNotLoaded;
    const auto stop = TsEntryAs<TsStopServiceFn>(proxy_->interfaceTable, kProxyStopService);
    return stop ? stop(proxy_, 0) : kTsNotLoaded;
}

tsResult CTaskManagerLink::SendMsg(uint32_t messageClass, uint32_t messageId, void* buffer,
                                       uint32_t* size) const {
    if (!proxy_) return kTsNotLoaded;
    const auto send = TsEntryAs<TsSendMessageFn>(proxy_->systemTable, kProxySendMessage);
    return send ? send(SystemRef(proxy_), messageClass, messageId, nullptr, buffer, size) : kTsNotLoaded;
}
