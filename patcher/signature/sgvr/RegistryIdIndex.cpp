#include "sgvr/RegistryIdIndex.h"

#include "sgvr/KeyRegistry.h"
#include "sgvr/LibraryIds.h"

namespace sgvr {
namespace {

void PutWord(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

Bytes RegistryIdIndex::ConditionKey(const Node& entry) {
    Bytes key;
    for (const Attribute& a : entry.Attributes()) {
        if (SameId(a.id, kServedIdAttribute)) continue;
        const Value& v = a.value;
        PutWord(key, NormalizeId(a.id));
        PutWord(key, static_cast<uint32_t>(v.GetKind()) | static_cast<uint32_t>(v.Stride()) << 8 |
                         static_cast<uint32_t>(v.ElementSize()) << 16);
        PutWord(key, v.Count());
        // Counted arrays: every element with its length, so that different
        // splits of the same bytes stay apart.
        if (v.GetKind() == Value::Kind::CountedArray) {
            for (uint32_t i = 0; i < v.Count(); ++i) {
                const ByteView e = v.Element(i);
                PutWord(key, static_cast<uint32_t>(e.size));
                key.insert(key.end(), e.begin(), e.end());
            }
        } else {
            const ByteView d = v.Data();
            PutWord(key, static_cast<uint32_t>(d.size));
            key.insert(key.end(), d.begin(), d.end());
        }
    }
    return key;
}

void RegistryIdIndex::Add(const Node& keyEntry, uint32_t servedId) {
    Bytes key = ConditionKey(keyEntry);
    auto found = byConditions_.find(key);
    if (found == byConditions_.end()) {
        Group fresh;
        fresh.conditions = Node::Create(0);
        for (const Attribute& a : keyEntry.Attributes())
            if (!SameId(a.id, kServedIdAttribute)) fresh.conditions->AddAttribute(a.id, a.value);
        groups_.push_back(std::move(fresh));
        try {
            found = byConditions_.emplace(std::move(key), groups_.size() - 1).first;
        } catch (...) {
            groups_.pop_back();
            throw;
        }
    }
    Group& group = groups_[found->second];
    if (group.known.count(servedId) != 0) return;
    group.ids.push_back(servedId);
    try {
        group.known.insert(servedId);
    } catch (...) {
        group.ids.pop_back();
        throw;
    }
}

void RegistryIdIndex::IdsFor(const Node& list, uint32_t extraId, IdVector& out) const {
    out.clear();
    IdSet seen;
    for (const Group& g : groups_) {
        if (!EntryQualifies(*g.conditions, list)) continue;
        for (uint32_t id : g.ids)
            if (seen.insert(id).second) out.push_back(id);
    }
    if (extraId != 0 && seen.count(extraId) == 0) out.push_back(extraId);
}

}  // namespace sgvr
