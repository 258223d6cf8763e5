#pragma once
// A library context: the verification context, the provider's result table,
// the built-in registry, and the prepared registry set that grows with every
// SGVR_PrepareRegsSet on it.
#include <cstdint>
#include <vector>

#include "arith/GostVerifier.h"
#include "sgvr/RegistryIdIndex.h"
#include "sgvr/KeyRegistry.h"
#include "sgvr/LibraryMemory.h"
#include "sgvr/ResultTable.h"
#include "sgvr/Sgvr.h"

namespace sgvr {

struct Hash32 {
    uint8_t bytes[kGostHashSize];
};

struct IdRegistries {
    uint32_t id = 0;
    std::vector<KeyRegistryPtr, TreeAllocator<KeyRegistryPtr>> registries;
};

struct Context {
    static constexpr uint32_t kMagic = 0x53475652;  // "SGVR"

    uint32_t magic = kMagic;
    uint32_t status = SGVR_OK;
    bool hasFiles = false;
    SGVR_FileAccess files{};
    LibraryUnique<CGostVerifier> verifier;
    ResultTable results;
    KeyRegistryPtr builtin;
    KeyRegistryPtr root;
    std::vector<KeyRegistryPtr, TreeAllocator<KeyRegistryPtr>> intermediates;
    std::vector<IdRegistries, TreeAllocator<IdRegistries>> others;
    RegistryIdIndex index;
    // Identifying hashes of every registry image verified so far.
    std::vector<Hash32, TreeAllocator<Hash32>> accepted;

    const SGVR_FileAccess* Files() const { return hasFiles ? &files : nullptr; }
    IdRegistries* OthersOf(uint32_t id);
    bool WasAccepted(const uint8_t hash[kGostHashSize]) const;
};

Context* ContextOf(SGVR_CONTEXT handle);

}  // namespace sgvr
