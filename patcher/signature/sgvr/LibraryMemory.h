#pragma once
// The library's memory callbacks: process-wide, installed by the first context
// and never uninstalled. The context record, hash and verification contexts
// come from them directly; nodes come from the tree store, which gets the same
// pair when a context is created with the tree-store flag.
#include <cstddef>
#include <new>
#include <utility>

#include "image/TreeMemory.h"
#include "sgvr/Sgvr.h"

namespace sgvr {

// First pair wins; the same pair again succeeds, another one fails.
bool InstallLibraryMemory(SGVR_AllocFn alloc, SGVR_FreeFn release);
bool LibraryMemoryInstalled();

// None when the callback refuses (or none is installed).
void* LibraryAllocate(size_t size) noexcept;
void LibraryRelease(void* block) noexcept;

// One object in library memory; none when the memory is refused.
template <class T, class... Args>
T* NewLibraryObject(Args&&... args) {
    void* block = LibraryAllocate(sizeof(T));
    if (block == nullptr) return nullptr;
    try {
        return new (block) T(std::forward<Args>(args)...);
    } catch (...) {
        LibraryRelease(block);
        throw;
    }
}

template <class T>
using LibraryUnique = std::unique_ptr<T, ObjectDeleter<LibraryRelease>>;

// The same, owned; empty when the memory is refused.
template <class T, class... Args>
LibraryUnique<T> MakeLibraryObject(Args&&... args) {
    return LibraryUnique<T>(NewLibraryObject<T>(std::forward<Args>(args)...));
}

}  // namespace sgvr
