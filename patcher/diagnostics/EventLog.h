#pragma once
// The outcome of a run in the Windows event log: the product's own log,
// event source "zep", whose texts come from the product's message module.
#include <cstdint>
#include <string>

class CEventLog {
public:
    // The process's single reporter, built (and the source registered) on
    // first use and never destroyed.
    static CEventLog& Instance();

    // Points the event source at the product's message module; a failure is
    // traced and leaves the reporter unregistered.
    CEventLog();

    // Writes one event whose only insertion string is the message. Type is a
    // Windows event type (EVENTLOG_ERROR_TYPE, ...). Never fails.
    void Report(const std::wstring& message, uint16_t type) const;

    bool IsRegistered() const { return registered_; }

private:
    bool registered_;
    std::wstring sourceName_;
};

// The event identifier the product's message module defines for an event
// type: error (and audit failure), warning, or informational.
uint32_t EventIdForType(uint16_t type);
