#include "SyncRequest.h"

#include "FrameworkRoot.h"

uint32_t cSyncRequest::TypeId() const { return kSyncRequestType; }

bool cSyncRequest::IsBasedOn(uint32_t typeId) const { return typeId == kSyncRequestType || typeId == kAnyRecordType; }

tsResult cSyncRequest::Assign(const cSerialRecord* source, bool flag, bool keep) {
    // A missing source is treated like one of a foreign type.
    if (!source || !source->IsBasedOn(kSyncRequestType)) return flag ? kRecordTypeMismatchStrict : kRecordTypeMismatch;
    if (!keep) processId_ = static_cast<const cSyncRequest*>(source)->processId_;
    return 0;
}

tsResult cSyncRequest::CopyTo(cSerialRecord* target, bool flag) const {
    if (!target) return flag ? kRecordTypeMismatchStrict : kRecordTypeMismatch;
    return target->Assign(this, flag, false);
}

// The record's size on the wire, fixed by the framework.
uint32_t cSyncRequest::Size() const { return 12; }

tsResult cSyncRequest::Reserved6() const { return 0; }

void cSyncRequest::Reserved7() {}

// The framework resets the record's own fields through its type descriptor;
// the base field is not among them.
void cSyncRequest::Reset() {
    hOBJECT root = GetFrameworkRoot();
    if (!root) return;
    const auto getDescriptor = TsEntryAs<TsGetTypeDescriptorFn>(root->interfaceTable, kRootGetTypeDescriptor);
    if (!getDescriptor) return;
    const tsEntry* descriptor = nullptr;
    if (TsFailed(getDescriptor(root, &descriptor, kSyncRequestType)) || !descriptor) return;
    if (const auto clear = TsEntryAs<TsDescriptorClearFn>(descriptor, kDescriptorClear)) clear(this);
    if (const auto init = TsEntryAs<TsDescriptorInitFn>(descriptor, kDescriptorInit)) init(this, 0);
}

void cSyncRequest::Reserved9() {}

void cSyncRequest::Reserved10() {}

tsResult cSyncRequest::Reserved11() const { return 0; }

tsResult cSyncRequest::Reserved12() const { return 0; }
