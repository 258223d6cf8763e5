#pragma once
// A key registry as the library keeps it once loaded: its tree (with the
// registry id and flag attached), its identifying hash, and the queries on its
// entries. An entry is a child of a top-level node that carries the attribute
// 0x091E0001, the registry id it serves; a key entry (tag 0x1E) holds a 64-byte
// public key; a hash entry (tag 0x14) holds 32-byte identifying hashes, as an
// array value or as child values.
#include <cstdint>
#include <vector>

#include "bytes/ByteView.h"
#include "arith/GostHash.h"
#include "image/Node.h"

namespace sgvr {

struct KeyRegistry {
    uint32_t id = 0;
    bool flag = false;
    uint8_t hash[kGostHashSize] = {};
    NodePtr top;
};
using KeyRegistryPtr = TreeUnique<KeyRegistry>;
using EntryList = std::vector<const Node*, TreeAllocator<const Node*>>;

// Reads the image's tree for a required id; the tree's own id node, when the
// image carries one, must agree (else SGVR_E_REGISTRY_REJECTED). Other
// failures are the reader's codes. Throws std::bad_alloc.
uint32_t LoadKeyRegistry(ByteView image, uint32_t requiredId, const uint8_t hash[kGostHashSize], KeyRegistryPtr& out);

// The id an entry serves; false for a node that is no entry.
bool ServedId(const Node& entry, uint32_t& id);
bool IsKeyEntry(const Node& entry);
bool IsHashEntry(const Node& entry);

// Calls fn(entry) for each entry of the registry, in tree order.
template <class Fn>
void ForEachEntry(const KeyRegistry& registry, Fn&& fn) {
    for (const Node* top = registry.top->FirstChild(); top != nullptr; top = top->NextSibling())
        for (const Node* e = top->FirstChild(); e != nullptr; e = e->NextSibling()) {
            uint32_t id;
            if (ServedId(*e, id)) fn(*e, id);
        }
}

// The 32-byte hashes of a hash entry, array elements first, then child values.
void EntryHashes(const Node& entry, std::vector<ByteView, TreeAllocator<ByteView>>& out);

// False when one of the entry's attributes names a parameter that the list
// sets to another value (the entry does not serve that list).
bool EntryQualifies(const Node& entry, const Node& list);

}  // namespace sgvr
