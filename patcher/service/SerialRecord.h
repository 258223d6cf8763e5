#pragma once
// A record that the product framework can serialize. The framework calls
// these operations through the virtual table, in this order; the order and
// the field layout are part of the framework's binary interface.
#include "TesselApi.h"

#include <cstdint>

class cSerialRecord {
public:
    explicit cSerialRecord(uint32_t baseField) : baseField_(baseField) {}

    virtual uint32_t TypeId() const = 0;
    virtual bool IsBasedOn(uint32_t typeId) const = 0;
    virtual tsResult Assign(const cSerialRecord* source, bool flag, bool keep) = 0;
    virtual tsResult CopyTo(cSerialRecord* target, bool flag) const = 0;
    virtual uint32_t Size() const = 0;
    virtual tsResult Reserved6() const = 0;
    virtual void Reserved7() = 0;
    virtual void Reset() = 0;
    virtual void Reserved9() = 0;
    virtual void Reserved10() = 0;
    virtual tsResult Reserved11() const = 0;
    virtual tsResult Reserved12() const = 0;

    uint32_t BaseField() const { return baseField_; }

protected:
    // Records are never deleted through this type: the framework only
    // borrows them.
    ~cSerialRecord() = default;
    cSerialRecord(const cSerialRecord&) = default;
    cSerialRecord& operator=(const cSerialRecord&) = default;

private:
    uint32_t baseField_;
};

// Type identifier that every record type is based on.
constexpr uint32_t kAnyRecordType = 0xFFFFFFFF;
