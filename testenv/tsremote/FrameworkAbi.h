#pragma once
// The framework's binary interface as this stand-in implements it: calling
// convention, handle layout and the record that callers hand to tsSendMsg.
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define FW_CALL __stdcall
#else
#define FW_CALL
#endif

using fwResult = int32_t;
using fwEntry = void*;

// Every handle begins with its interface table and its system table.
struct fwObject {
    const fwEntry* interfaceTable;
    const fwEntry* systemTable;
};
using fwSystemRef = const fwEntry* const*;

inline fwObject* ObjectOfSystemRef(fwSystemRef system) {
    return reinterpret_cast<fwObject*>(const_cast<const fwEntry**>(system) - 1);
}

// A serializable record: twelve virtual operations, then the base field.
class fwRecord {
public:
    virtual uint32_t TypeId() const = 0;
    virtual bool IsBasedOn(uint32_t typeId) const = 0;
    virtual fwResult Assign(const fwRecord* source, bool flag, bool keep) = 0;
    virtual fwResult CopyTo(fwRecord* target, bool flag) const = 0;
    virtual uint32_t Size() const = 0;
    virtual fwResult Op6() const = 0;
    virtual void Op7() = 0;
    virtual void Reset() = 0;
    virtual void Op9() = 0;
    virtual void Op10() = 0;
    virtual fwResult Op11() const = 0;
    virtual fwResult Op12() const = 0;

    uint32_t baseField = 1;

protected:
    ~fwRecord() = default;
};

// The process announcement record: base field, then the process id.
constexpr uint32_t kSyncType = 0x229000;
struct fwSyncFields {
    uint32_t baseField;
    uint32_t processId;
};

// Results this stand-in gives.
constexpr fwResult kOk = 0;
constexpr uint32_t kErrFailed = 0x80000040;
constexpr uint32_t kErrBadHandle = 0x80000042;
constexpr uint32_t kErrNotFound = 0x8000004C;
constexpr uint32_t kErrNotInitialized = 0x80000050;
constexpr uint32_t kErrServiceDown = 0x80000051;
constexpr uint32_t kErrStubMissing = 0x80000055;
constexpr uint32_t kErrRefused = 0x80000061;
