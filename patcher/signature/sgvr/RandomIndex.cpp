#include "sgvr/RandomIndex.h"

#include <cstdint>
#include <cstdlib>

namespace sgvr {
namespace {

uint16_t Draw() {
    static bool seeded = false;
    if (!seeded) {
        static int anchor;
        std::srand(static_cast<unsigned>(reinterpret_cast<uintptr_t>(&anchor)));
        seeded = true;
    }
    for (;;) {
        const uint16_t index = static_cast<uint16_t>(std::rand() % 65535);
        if (index != 0) return index;
    }
}

bool Taken(const Node& parent, NodeId candidate, bool (*counts)(NodeId)) {
    for (const Node* c = parent.FirstChild(); c != nullptr; c = c->NextSibling()) {
        if (SameId(c->Id(), candidate)) return true;
        if (counts != nullptr && counts(c->Id()) && IdIndex(c->Id()) == IdIndex(candidate)) return true;
    }
    return false;
}

}  // namespace

NodeId NewRandomId(const Node& parent, NodeId kind) { return NewRandomIndex(parent, kind, nullptr); }

NodeId NewRandomIndex(const Node& parent, NodeId kind, bool (*counts)(NodeId)) {
    // Far fewer than 65534 siblings in any real list; the bound keeps a full
    // parent from looping for ever.
    for (int tries = 0; tries < 1 << 20; ++tries) {
        const NodeId candidate = (kind & 0xFFFF0000u) | Draw();
        if (!Taken(parent, candidate, counts)) return candidate;
    }
    for (uint32_t i = 1; i < 0xFFFF; ++i) {
        const NodeId candidate = (kind & 0xFFFF0000u) | i;
        if (!Taken(parent, candidate, counts)) return candidate;
    }
    throw std::bad_alloc();
}

}  // namespace sgvr
