#pragma once
// The one frame of the C interface's operations that answer a result code:
// the memory callbacks must be installed, the handles must be what they claim,
// std::bad_alloc becomes SGVR_E_NO_MEMORY, and the result is left in the status
// node of the list (and of the context) the call was given.
#include <new>
#include <vector>

#include "image/RegistryImage.h"
#include "sgvr/Context.h"
#include "sgvr/LibraryMemory.h"
#include "sgvr/ListHandles.h"
#include "sgvr/Sgvr.h"

namespace sgvr {

enum class EntryUse { Optional, Required };

// The list and, when given (or required), the entry; SGVR_OK or why not.
// list is set whenever the handle is a list, so a refusal can be recorded.
inline SGVR_RESULT ResolveList(SGVR_PARLIST handle, SGVR_ENTRY entryHandle, EntryUse use, Node*& list, Node*& entry) {
    list = nullptr;
    entry = nullptr;
    if (!LibraryMemoryInstalled()) return SGVR_E_NOT_INITIALISED;
    list = ListOf(handle);
    if (list == nullptr) return SGVR_E_INVALID_ARG;
    if (entryHandle == nullptr) return use == EntryUse::Required ? SGVR_E_INVALID_ARG : SGVR_OK;
    entry = EntryOf(*list, entryHandle);
    return entry != nullptr ? SGVR_OK : SGVR_E_INVALID_ARG;
}

// body(Node& list, Node* entry) -> SGVR_RESULT.
template <class Body>
SGVR_RESULT ListCall(SGVR_PARLIST handle, SGVR_ENTRY entryHandle, EntryUse use, Body&& body) {
    Node *list, *entry;
    SGVR_RESULT status = ResolveList(handle, entryHandle, use, list, entry);
    if (status == SGVR_E_NOT_INITIALISED || list == nullptr) return status;
    if (status == SGVR_OK) {
        try {
            status = body(*list, entry);
        } catch (const std::bad_alloc&) {
            status = SGVR_E_NO_MEMORY;
        }
    }
    RecordStatus(*list, status);
    return status;
}

// body(Context& context, Node& list) -> SGVR_RESULT.
template <class Body>
SGVR_RESULT ContextCall(SGVR_CONTEXT contextHandle, SGVR_PARLIST listHandle, Body&& body) {
    if (!LibraryMemoryInstalled()) return SGVR_E_NOT_INITIALISED;
    Context* context = ContextOf(contextHandle);
    Node* list = ListOf(listHandle);
    SGVR_RESULT status = SGVR_E_INVALID_ARG;
    if (context != nullptr && list != nullptr) {
        try {
            status = body(*context, *list);
        } catch (const std::bad_alloc&) {
            status = SGVR_E_NO_MEMORY;
        }
    }
    if (list != nullptr) RecordStatus(*list, status);
    if (context != nullptr) context->status = status;
    return status;
}

using EntryNodes = std::vector<Node*, TreeAllocator<Node*>>;

// Working copies of the caller's entries: each Item keeps the caller's entry
// (to report to) and a clone of it (to keep hashes on).
template <class Items>
void CopyEntries(const EntryNodes& entries, Items& out) {
    for (Node* e : entries) {
        typename Items::value_type item;
        item.entry = e;
        item.work = e->Clone();
        out.push_back(std::move(item));
    }
}

// SGVR_PrepareRegsSet and SGVR_CheckObjects: a Worker(context, list) runs over
// the list's checkable entries (SGVR_E_NO_OBJECT when there are none) with
// Run(entries, extraId), and leaves each entry's own status on it.
template <class Worker>
SGVR_RESULT EntriesCall(SGVR_CONTEXT contextHandle, SGVR_PARLIST listHandle, uint32_t extraId) {
    return ContextCall(contextHandle, listHandle, [extraId](Context& context, Node& list) -> SGVR_RESULT {
        EntryNodes entries;
        CheckableEntries(list, entries);
        if (entries.empty()) return SGVR_E_NO_OBJECT;
        Worker worker(context, list);
        return worker.Run(entries, extraId & kRegistryIdMask);
    });
}

}  // namespace sgvr
