#pragma once
// Where the tree store gets its memory. By default the runtime's allocator;
// a caller may install its own pair once (the library's users hand their
// allocation callbacks down to it). Each block remembers the release
// function it came with, so blocks made before an install or after a
// shutdown are still released correctly.
//
// Not thread-safe: the store is created and used from one thread.

#include <cstddef>
#include <limits>
#include <memory>
#include <new>
#include <utility>

namespace sgvr {

using TreeAllocFn = void* (*)(size_t size);
using TreeFreeFn = void (*)(void* block);

// Installs the pair. The first pair wins: installing the same pair again
// succeeds, a different one fails. Both functions are required.
bool InstallTreeMemory(TreeAllocFn alloc, TreeFreeFn release);

// Goes back to the runtime's allocator, so that a new pair may be installed.
void ShutdownTreeMemory();

// Number of blocks handed out and not yet released.
size_t TreeBlocksOutstanding();

// Throws std::bad_alloc when the allocator refuses.
void* TreeAllocate(size_t size);
void TreeRelease(void* block) noexcept;

// Standard allocator adaptor, so the store's containers use the same memory.
template <class T>
struct TreeAllocator {
    using value_type = T;
    TreeAllocator() noexcept = default;
    template <class U>
    TreeAllocator(const TreeAllocator<U>&) noexcept {}
    T* allocate(size_t n) {
        if (n > std::numeric_limits<size_t>::max() / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(TreeAllocate(n * sizeof(T)));
    }
    void deallocate(T* p, size_t) noexcept { TreeRelease(p); }
    template <class U>
    bool operator==(const TreeAllocator<U>&) const noexcept { return true; }
    template <class U>
    bool operator!=(const TreeAllocator<U>&) const noexcept { return false; }
};

}  // namespace sgvr

namespace sgvr {

// The one owner of single objects the library makes: std::unique_ptr with a
// deleter that destroys the object and gives its block back to the memory it
// came from (the tree store here, the library's callbacks in LibraryMemory.h).
template <void (*Release)(void*) noexcept>
struct ObjectDeleter {
    template <class T>
    void operator()(T* object) const noexcept {
        if (object == nullptr) return;
        object->~T();
        Release(object);
    }
};
template <class T>
using TreeUnique = std::unique_ptr<T, ObjectDeleter<TreeRelease>>;

template <class T, class... Args>
TreeUnique<T> MakeTreeObject(Args&&... args) {
    void* block = TreeAllocate(sizeof(T));
    try {
        return TreeUnique<T>(new (block) T(std::forward<Args>(args)...));
    } catch (...) {
        TreeRelease(block);
        throw;
    }
}

}  // namespace sgvr
