#pragma once
// What a parameter-list entry carries, read and written on its node: kind,
// status, keyed parameters, names, the buffer it stands for.
#include <cstdint>

#include "sgvr/LibraryIds.h"
#include "image/Node.h"

namespace sgvr {

// Any kind of entry a list can hold (objects and registries alike).
bool IsEntryKind(NodeId id);
// Entries that keep a buffer address: tags 11, 15 and 81.
bool IsBufferKind(NodeId id);
// Entries that take object names: tags 10, 11 and 12.
bool TakesNames(NodeId id);
// Entries whose bytes come through the file-access interface.
bool IsFileKind(NodeId id);

// The status node's value; none (0) when the entry has no status node.
uint32_t EntryStatus(const Node& entry);
void SetEntryStatus(Node& node, uint32_t status);  // throws std::bad_alloc

// Keyed parameter k: node kParamBase + k, or none.
const Node* FindParam(const Node& owner, uint32_t key);
void SetParamBytes(Node& owner, uint32_t key, const void* data, size_t size);  // throws std::bad_alloc
bool ParamU32(const Node& owner, uint32_t key, uint32_t& value);

// A pointer-sized value (buffer address, callback, user value) kept as bytes.
Value PointerValue(uintptr_t value);
uintptr_t PointerOf(const Value& value);

// Replaces (or creates) the child with this identifier.
Node& SetChild(Node& parent, NodeId id, Value value);  // throws std::bad_alloc

}  // namespace sgvr
