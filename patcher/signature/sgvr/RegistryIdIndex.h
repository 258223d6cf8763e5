#pragma once
// The context's id index: the registry ids that the key entries of accepted
// intermediate registries serve, grouped by the conditions the entries carry,
// so that a list is offered only the ids whose conditions it satisfies.
// Groups are found by the bytes of their conditions and ids by value, so an
// intermediate with many key entries is indexed in O(n log n).
#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "image/Node.h"

namespace sgvr {

using IdVector = std::vector<uint32_t, TreeAllocator<uint32_t>>;
using IdSet = std::set<uint32_t, std::less<uint32_t>, TreeAllocator<uint32_t>>;

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
        IdVector ids;        // in the order they were first added
        IdSet known;
    };
    // The conditions of an entry as comparable bytes: equal exactly when the
    // attribute lists (the served id left out) are equal.
    static Bytes ConditionKey(const Node& entry);

    std::vector<Group, TreeAllocator<Group>> groups_;
    std::map<Bytes, size_t, std::less<Bytes>, TreeAllocator<std::pair<const Bytes, size_t>>> byConditions_;
};

}  // namespace sgvr
