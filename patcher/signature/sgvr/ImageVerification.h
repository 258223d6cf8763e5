#pragma once
// The signature check of one image against the key entries that may vouch for
// it, and the gathering of those key entries from a registry.
#include <cstdint>

#include "sgvr/Context.h"
#include "sgvr/KeyRegistry.h"

namespace sgvr {

// Appends the key entries of the registry that serve id (every key entry when
// anyId) and whose conditions the list meets. Throws std::bad_alloc.
void GatherKeys(const KeyRegistry& registry, uint32_t id, bool anyId, const Node& list, EntryList& out);

// The keys every object is finally tried with, in this order: all key
// entries of the intermediate registries (last accepted first), the root
// registry's entries for 0x7FFFFA, the built-in registry's entries for 0x7FFFFC.
void GatherObjectKeys(const Context& context, const Node& list, EntryList& out);

// Tries the keys in order on the image's trailer until one verifies. SGVR_OK,
// SGVR_E_NO_KEY without keys, or the last failure (no trailer, mismatch, ...).
// The signed hash and trailer are kept on the (working) entry for the next try.
uint32_t VerifyWithKeys(Context& context, Node& entry, const EntryList& keys);

}  // namespace sgvr
