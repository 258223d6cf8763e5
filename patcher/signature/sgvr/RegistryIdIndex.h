#pragma once
// The context's id index: the registry ids that the key entries of accepted
// intermediate registries serve, grouped by the conditions the entries carry,
// so that a list is offered only the ids whose conditions it satisfies.
#include <cstdint>
#include <vector>

#include "Node.h"

namespace sgvr {

using IdVector = std::vector<uint32_t, TreeAllocator<uint32_t>>;

class RegistryIdIndex {
public:
    // Records the id a key entry serves under the group of its conditions.
    // Throws std::bad_alloc.
    void Add(const Node& keyEntry, uint32_t servedId);
    // The ids, in index order, of the groups whose conditions the list meets,
    // then extraId when not 0; each id once. Throws std::bad_alloc.
    void IdsFor(const Node& list, uint32_t extraId, IdVector& out) const;
    bool Empty() const { return groups_.empty(); }

private:
    struct Group {
        NodePtr conditions;  // a node whose attributes are the conditions
        IdVector ids;
    };
    std::vector<Group, TreeAllocator<Group>> groups_;
};

}  // namespace sgvr
