#pragma once
// Identifiers of the nodes the library builds: lists, entries and what an
// entry carries. Type byte, tag and index as in every node identifier.
#include "image/NodeId.h"

namespace sgvr {

constexpr NodeId kListNode = 0x01000000;
constexpr NodeId kStatusNode = 0x09280001;

// Entry kinds (index bits clear).
constexpr NodeId kObjectFileEntry = 0x2A0A0000;
constexpr NodeId kObjectBufferEntry = 0x2A0B0000;
constexpr NodeId kObjectDataEntry = 0x2A0C0000;
constexpr NodeId kRegistryDataEntry = 0x2A0E0000;
constexpr NodeId kRegistryBufferAltEntry = 0x2A0F0000;
constexpr NodeId kRegistryFileEntry = 0x2A500000;
constexpr NodeId kRegistryBufferEntry = 0x2A510000;
constexpr NodeId kIndexedEntry = 0x090D0000;

constexpr NodeId KindOf(NodeId id) { return NormalizeId(id) & 0xFFFF0000u; }

// Children of an entry.
constexpr NodeId kBufferSizeNode = 0x090B0001;
constexpr NodeId kReadCallbackNode = 0x2A0B0002;
constexpr NodeId kUserValueNode = 0x2A0B0003;
constexpr NodeId kParamBase = 0x2A5A0000;       // + key
constexpr NodeId kNameKind = 0x2A640000;        // + random index
constexpr NodeId kIdentifyingHashNode = 0x2A140001;
constexpr NodeId kSignedHashNode = 0x2A6E0001;
constexpr NodeId kTrailerNode = 0x2A6E0002;

// In registry trees.
constexpr NodeId kRegistryRootNode = 0x01160000;
constexpr NodeId kServedIdAttribute = 0x091E0001;  // the registry id a key or hash entry serves
constexpr uint8_t kKeyEntryTag = 0x1E;
constexpr uint8_t kHashEntryTag = 0x14;
constexpr NodeId kTreeHashNode = 0x2A140000;       // a loaded registry's identifying hash

// The provider's small-result table in the parameter registry.
constexpr NodeId kResultTableNode = 0x09280001;
constexpr NodeId kResultTableKind = 0x09280000;    // + small result

// Registry ids of the trust layers.
constexpr uint32_t kBuiltinRegistryId = 0x7FFFFE;
constexpr uint32_t kRootRegistryId = 0x7FFFFC;
constexpr uint32_t kIntermediateRegistryId = 0x7FFFFA;
constexpr uint32_t kIndexRegistryId = 0x7FFFF7;

}  // namespace sgvr
