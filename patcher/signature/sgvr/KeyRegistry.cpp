#include "sgvr/KeyRegistry.h"

#include <cstring>

#include "sgvr/LibraryIds.h"
#include "sgvr/ListEntry.h"
#include "image/RegistryImage.h"
#include "sgvr/SgvrResult.h"

namespace sgvr {

uint32_t LoadKeyRegistry(ByteView image, uint32_t requiredId, const uint8_t hash[kGostHashSize], KeyRegistryPtr& out) {
    ReadOptions options;
    options.requireId = true;
    options.requiredId = requiredId;
    RegistryImage read;
    const uint32_t status = ReadRegistryImage(image, options, read);
    if (status != kImageOk) return status;
    // An id stored in the tree itself must be the one the header names.
    if (const Node* own = read.top->FindChild(kRegistryIdNode)) {
        uint32_t id = 0;
        if (!own->GetValue().AsU32(id) || (id & kRegistryIdMask) != requiredId) return SGVR_E_REGISTRY_REJECTED;
    } else {
        read.top->AddChild(kRegistryIdNode, Value::FromU32(read.header.registryId));
    }
    if (read.header.registryFlag && read.top->FindChild(kRegistryFlagNode) == nullptr)
        read.top->AddChild(kRegistryFlagNode);
    read.top->AddChild(kTreeHashNode, Value::FromBytes(hash, kGostHashSize));
    KeyRegistryPtr registry = MakeTreeObject<KeyRegistry>();
    registry->id = read.header.registryId;
    registry->flag = read.header.registryFlag;
    std::memcpy(registry->hash, hash, kGostHashSize);
    registry->top = std::move(read.top);
    out = std::move(registry);
    return SGVR_OK;
}

bool ServedId(const Node& entry, uint32_t& id) {
    const Value* v = entry.FindAttribute(kServedIdAttribute);
    return v != nullptr && v->AsU32(id);
}

bool IsKeyEntry(const Node& entry) {
    return IdTag(entry.Id()) == kKeyEntryTag && !IdIsArray(entry.Id()) && entry.HasValue() &&
           entry.GetValue().Size() == 64;
}

bool IsHashEntry(const Node& entry) { return IdTag(entry.Id()) == kHashEntryTag; }

void EntryHashes(const Node& entry, std::vector<ByteView, TreeAllocator<ByteView>>& out) {
    out.clear();
    const Value& v = entry.GetValue();
    if (entry.HasValue() && v.IsArray()) {
        for (uint32_t i = 0; i < v.Count(); ++i) {
            const ByteView e = v.Element(i);
            if (e.size == kGostHashSize) out.push_back(e);
        }
    }
    for (const Node* c = entry.FirstChild(); c != nullptr; c = c->NextSibling()) {
        if (c->HasValue() && !c->GetValue().IsArray() && c->GetValue().Size() == kGostHashSize)
            out.push_back(c->GetValue().Data());
    }
}

bool EntryQualifies(const Node& entry, const Node& list) {
    for (const Attribute& a : entry.Attributes()) {
        if (SameId(a.id, kServedIdAttribute)) continue;
        for (const Node* p = list.FirstChild(); p != nullptr; p = p->NextSibling()) {
            if (IsEntryKind(p->Id()) || SameId(p->Id(), kStatusNode)) continue;
            if (IdTag(p->Id()) != IdTag(a.id) || IdIndex(p->Id()) != IdIndex(a.id)) continue;
            const ByteView mine = a.value.Data(), theirs = p->GetValue().Data();
            if (mine.size != theirs.size || (mine.size != 0 && std::memcmp(mine.data, theirs.data, mine.size) != 0))
                return false;
        }
    }
    return true;
}

}  // namespace sgvr
