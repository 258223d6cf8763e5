#pragma once
// The record sent with the process announcement to the product service: it
// names the patcher's process.
#include "SerialRecord.h"

#include <cstdint>

constexpr uint32_t kSyncRequestType = 0x229000;

class cSyncRequest final : public cSerialRecord {
public:
    explicit cSyncRequest(uint32_t processId = 0) : cSerialRecord(1), processId_(processId) {}

    uint32_t TypeId() const override;
    bool IsBasedOn(uint32_t typeId) const override;
    tsResult Assign(const cSerialRecord* source, bool flag, bool keep) override;
    tsResult CopyTo(cSerialRecord* target, bool flag) const override;
    uint32_t Size() const override;
    tsResult Reserved6() const override;
    void Reserved7() override;
    void Reset() override;
    void Reserved9() override;
    void Reserved10() override;
    tsResult Reserved11() const override;
    tsResult Reserved12() const override;

    uint32_t ProcessId() const { return processId_; }

private:
    uint32_t processId_;
};

// Results of Assign for a source of another type.
constexpr tsResult kRecordTypeMismatchStrict = static_cast<tsResult>(0x800000C0);
constexpr tsResult kRecordTypeMismatch = static_cast<tsResult>(0x8000005D);
