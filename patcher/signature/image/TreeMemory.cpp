#include "image/TreeMemory.h"

#include <cstdlib>
#include <cstdint>

namespace sgvr {
namespace {

void* RuntimeAlloc(size_t size) { return std::malloc(size); }
void RuntimeFree(void* block) { std::free(block); }

struct TreeMemoryState {
    TreeAllocFn alloc = RuntimeAlloc;
    TreeFreeFn release = RuntimeFree;
    bool installed = false;
    size_t outstanding = 0;
};

TreeMemoryState& State() {
    static TreeMemoryState state;
    return state;
}

// Block header: the release function of the pair that made the block,
// padded so the payload keeps the strictest alignment.
constexpr size_t kHeaderSize =
    (sizeof(TreeFreeFn) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) *
    alignof(std::max_align_t);

}  // namespace

bool InstallTreeMemory(TreeAllocFn alloc, TreeFreeFn release) {
    if (alloc == nullptr || release == nullptr) return false;
    TreeMemoryState& s = State();
    if (s.installed) return s.alloc == alloc && s.release == release;
    s.alloc = alloc;
    s.release = release;
    s.installed = true;
    return true;
}

void ShutdownTreeMemory() {
    TreeMemoryState& s = State();
    s.alloc = RuntimeAlloc;
    s.release = RuntimeFree;
    s.installed = false;
}

size_t TreeBlocksOutstanding() { return State().outstanding; }

void* TreeAllocate(size_t size) {
    TreeMemoryState& s = State();
    if (size > SIZE_MAX - kHeaderSize) throw std::bad_alloc();
    void* raw = s.alloc(size + kHeaderSize);
    if (raw == nullptr) throw std::bad_alloc();
    *static_cast<TreeFreeFn*>(raw) = s.release;
    ++s.outstanding;
    return static_cast<unsigned char*>(raw) + kHeaderSize;
}

void TreeRelease(void* block) noexcept {
    if (block == nullptr) return;
    void* raw = static_cast<unsigned char*>(block) - kHeaderSize;
    TreeFreeFn release = *static_cast<TreeFreeFn*>(raw);
    --State().outstanding;
    release(raw);
}

}  // namespace sgvr
