#pragma once
// From the opaque handles of the C interface to the nodes behind them, with
// the checks that keep a wrong handle from being used as a list or entry.
#include <cstdint>
#include <vector>

#include "image/Node.h"
#include "sgvr/Sgvr.h"

namespace sgvr {

// The list node, or none for a handle that is not a list.
Node* ListOf(SGVR_PARLIST handle);
// The entry when it is a child of the list and of an entry kind.
Node* EntryOf(Node& list, SGVR_ENTRY handle);

inline SGVR_ENTRY HandleOf(Node* entry) { return reinterpret_cast<SGVR_ENTRY>(entry); }

// Records an operation's result in the status node of a list, entry or context
// tree; a status that cannot be stored for lack of memory is dropped.
void RecordStatus(Node& node, uint32_t status) noexcept;

// The entries of checkable kinds, in list order. Throws std::bad_alloc.
void CheckableEntries(Node& list, std::vector<Node*, TreeAllocator<Node*>>& out);

}  // namespace sgvr
