#include "RegistryIdIndex.h"

#include <algorithm>

#include "KeyRegistry.h"
#include "LibraryIds.h"

namespace sgvr {
namespace {

bool SameConditions(const Node& group, const Node& entry) {
    auto a = group.Attributes().begin();
    const auto aEnd = group.Attributes().end();
    for (const Attribute& e : entry.Attributes()) {
        if (SameId(e.id, kServedIdAttribute)) continue;
        if (a == aEnd || !SameId(a->id, e.id) || a->value != e.value) return false;
        ++a;
    }
    return a == aEnd;
}

}  // namespace

void RegistryIdIndex::Add(const Node& keyEntry, uint32_t servedId) {
    Group* group = nullptr;
    for (Group& g : groups_)
        if (SameConditions(*g.conditions, keyEntry)) group = &g;
    if (group == nullptr) {
        Group fresh;
        fresh.conditions = Node::Create(0);
        for (const Attribute& a : keyEntry.Attributes())
            if (!SameId(a.id, kServedIdAttribute)) fresh.conditions->AddAttribute(a.id, a.value);
        groups_.push_back(std::move(fresh));
        group = &groups_.back();
    }
    if (std::find(group->ids.begin(), group->ids.end(), servedId) == group->ids.end()) group->ids.push_back(servedId);
}

void RegistryIdIndex::IdsFor(const Node& list, uint32_t extraId, IdVector& out) const {
    out.clear();
    for (const Group& g : groups_) {
        if (!EntryQualifies(*g.conditions, list)) continue;
        for (uint32_t id : g.ids)
            if (std::find(out.begin(), out.end(), id) == out.end()) out.push_back(id);
    }
    if (extraId != 0 && std::find(out.begin(), out.end(), extraId) == out.end()) out.push_back(extraId);
}

}  // namespace sgvr
