#include "sgvr/ListHandles.h"

#include "sgvr/LibraryIds.h"
#include "sgvr/ListEntry.h"

namespace sgvr {

Node* ListOf(SGVR_PARLIST handle) {
    Node* list = reinterpret_cast<Node*>(handle);
    return list != nullptr && SameId(list->Id(), kListNode) && list->Parent() == nullptr ? list : nullptr;
}

Node* EntryOf(Node& list, SGVR_ENTRY handle) {
    const Node* wanted = reinterpret_cast<const Node*>(handle);
    if (wanted == nullptr) return nullptr;
    for (Node* c = list.FirstChild(); c != nullptr; c = c->NextSibling())
        if (c == wanted) return IsEntryKind(c->Id()) ? c : nullptr;
    return nullptr;
}

void RecordStatus(Node& node, uint32_t status) noexcept {
    try {
        SetEntryStatus(node, status);
    } catch (...) {
    }
}

void CheckableEntries(Node& list, std::vector<Node*, TreeAllocator<Node*>>& out) {
    out.clear();
    for (Node* c = list.FirstChild(); c != nullptr; c = c->NextSibling())
        if (IsEntryKind(c->Id())) out.push_back(c);
}

}  // namespace sgvr
