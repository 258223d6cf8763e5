#include "sgvr/ListEntry.h"

#include <cstring>

namespace sgvr {

bool IsEntryKind(NodeId id) {
    switch (KindOf(id)) {
    case kObjectFileEntry: case kObjectBufferEntry: case kObjectDataEntry: case kRegistryDataEntry:
    case kRegistryBufferAltEntry: case kRegistryFileEntry: case kRegistryBufferEntry: case kIndexedEntry:
        return true;
    default:
        return false;
    }
}

bool IsBufferKind(NodeId id) {
    const NodeId kind = KindOf(id);
    return kind == kObjectBufferEntry || kind == kRegistryBufferAltEntry || kind == kRegistryBufferEntry;
}

bool TakesNames(NodeId id) {
    const NodeId kind = KindOf(id);
    return kind == kObjectFileEntry || kind == kObjectBufferEntry || kind == kObjectDataEntry;
}

bool IsFileKind(NodeId id) {
    const NodeId kind = KindOf(id);
    return kind == kObjectFileEntry || kind == kRegistryFileEntry;
}

uint32_t EntryStatus(const Node& entry) {
    const Node* status = entry.FindChild(kStatusNode);
    uint32_t value = 0;
    if (status == nullptr || !status->GetValue().AsU32(value)) return 0;
    return value;
}

Node& SetChild(Node& parent, NodeId id, Value value) {
    if (Node* existing = parent.FindChild(id)) {
        existing->SetValue(std::move(value));
        return *existing;
    }
    return parent.AddChild(id, std::move(value));
}

void SetEntryStatus(Node& node, uint32_t status) {
    // In place when the node is there: a status that reports exhausted memory
    // must not need memory to be recorded.
    if (Node* existing = node.FindChild(kStatusNode))
        if (existing->MutableValue().OverwriteU32(status)) return;
    SetChild(node, kStatusNode, Value::FromU32(status));
}

const Node* FindParam(const Node& owner, uint32_t key) { return owner.FindChild(kParamBase + key); }

void SetParamBytes(Node& owner, uint32_t key, const void* data, size_t size) {
    SetChild(owner, kParamBase + key, Value::FromBytes(data, size));
}

bool ParamU32(const Node& owner, uint32_t key, uint32_t& value) {
    const Node* param = FindParam(owner, key);
    return param != nullptr && param->GetValue().AsU32(value);
}

Value PointerValue(uintptr_t value) { return Value::FromBytes(&value, sizeof value); }

uintptr_t PointerOf(const Value& value) {
    uintptr_t p = 0;
    if (value.Size() == sizeof p) std::memcpy(&p, value.Data().data, sizeof p);
    return p;
}

}  // namespace sgvr
