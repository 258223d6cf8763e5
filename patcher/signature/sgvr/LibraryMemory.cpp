#include "sgvr/LibraryMemory.h"

namespace sgvr {
namespace {

struct MemoryPair {
    SGVR_AllocFn alloc = nullptr;
    SGVR_FreeFn release = nullptr;
};

MemoryPair& Pair() {
    static MemoryPair pair;
    return pair;
}

}  // namespace

bool InstallLibraryMemory(SGVR_AllocFn alloc, SGVR_FreeFn release) {
    if (alloc == nullptr || release == nullptr) return false;
    MemoryPair& p = Pair();
    if (p.alloc != nullptr) return p.alloc == alloc && p.release == release;
    p.alloc = alloc;
    p.release = release;
    return true;
}

bool LibraryMemoryInstalled() { return Pair().alloc != nullptr; }

void* LibraryAllocate(size_t size) noexcept {
    const MemoryPair& p = Pair();
    return p.alloc != nullptr ? p.alloc(size) : nullptr;
}

void LibraryRelease(void* block) noexcept {
    if (block != nullptr && Pair().release != nullptr) Pair().release(block);
}

}  // namespace sgvr
