// The parameter-list operations of the C interface.
#include <cstring>
#include <new>

#include "sgvr/ApiFrame.h"
#include "sgvr/LibraryIds.h"
#include "sgvr/LibraryMemory.h"
#include "sgvr/ListEntry.h"
#include "sgvr/ListHandles.h"
#include "sgvr/RandomIndex.h"
#include "sgvr/Sgvr.h"

using namespace sgvr;

namespace {

bool IndexInUse(const Node& list, uint16_t index) {
    for (const Node* c = list.FirstChild(); c != nullptr; c = c->NextSibling())
        if (IsEntryKind(c->Id()) && IdIndex(c->Id()) == index) return true;
    return false;
}

// Builds the entry completely before it is attached, so a failed allocation
// leaves the list as it was. bufferSize, when given, makes a buffer entry.
SGVR_ENTRY AddEntry(SGVR_PARLIST handle, NodeId kind, uint16_t index, const void* bytes, uint32_t size,
                    const uint32_t* bufferSize, SGVR_ReadFn read, uintptr_t userValue) {
    SGVR_ENTRY added = nullptr;
    ListCall(handle, nullptr, EntryUse::Optional, [&](Node& list, Node*) -> SGVR_RESULT {
        if (bytes == nullptr || size == 0) return SGVR_E_INVALID_ARG;
        Value value = bufferSize != nullptr ? PointerValue(reinterpret_cast<uintptr_t>(bytes)) : Value::FromBytes(bytes, size);
        if (index == 0xFFFF || (index != 0 && IndexInUse(list, index))) return SGVR_E_INVALID_ARG;
        const NodeId id = index != 0 ? (kind | index) : NewRandomIndex(list, kind, IsEntryKind);
        NodePtr entry = Node::Create(id, std::move(value));
        if (bufferSize != nullptr) {
            entry->AddChild(kBufferSizeNode, Value::FromU32(*bufferSize));
            entry->AddChild(kReadCallbackNode, PointerValue(reinterpret_cast<uintptr_t>(read)));
            entry->AddChild(kUserValueNode, PointerValue(userValue));
        }
        entry->AddChild(kStatusNode, Value::FromU32(SGVR_S_NOT_CHECKED));
        added = HandleOf(&list.AppendChild(std::move(entry)));
        return SGVR_OK;
    });
    return added;
}

SGVR_ENTRY AddBuffer(SGVR_PARLIST handle, NodeId kind, uint16_t index, const void* buffer, uint32_t size,
                     SGVR_ReadFn read, uintptr_t userValue) {
    return AddEntry(handle, kind, index, buffer, size, &size, read, userValue);
}

SGVR_ENTRY AddFile(SGVR_PARLIST handle, NodeId kind, uint16_t index, const void* name, uint32_t nameSize) {
    return AddEntry(handle, kind, index, name, nameSize, nullptr, nullptr, 0);
}

SGVR_RESULT GetParam(Node& list, Node* entry, uint32_t key, void* buffer, uint32_t* size);

SGVR_ENTRY NextEntry(Node* list, Node* after) {
    for (Node* c = after != nullptr ? after->NextSibling() : list->FirstChild(); c != nullptr; c = c->NextSibling())
        if (IsEntryKind(c->Id())) return HandleOf(c);
    RecordStatus(*list, SGVR_E_NO_OBJECT);
    return nullptr;
}

uint16_t FailedFrom(Node* start, SGVR_RESULT* status) {
    for (Node* c = start; c != nullptr; c = c->NextSibling()) {
        if (!IsEntryKind(c->Id())) continue;
        const uint32_t s = EntryStatus(*c);
        if (s != SGVR_OK) {
            if (status != nullptr) *status = s;
            return IdIndex(c->Id());
        }
    }
    return 0;
}

}  // namespace

extern "C" SGVR_RESULT SGVR_ParList_Create(SGVR_PARLIST* out) {
    if (!LibraryMemoryInstalled()) return SGVR_E_NOT_INITIALISED;
    if (out == nullptr) return SGVR_E_INVALID_ARG;
    *out = nullptr;
    try {
        NodePtr list = Node::Create(kListNode);
        list->AddChild(kStatusNode, Value::FromU32(SGVR_OK));
        *out = reinterpret_cast<SGVR_PARLIST>(list.release());
        return SGVR_OK;
    } catch (const std::bad_alloc&) {
        return SGVR_E_NO_MEMORY;
    }
}

extern "C" void SGVR_ParList_Destroy(SGVR_PARLIST handle) {
    if (Node* list = ListOf(handle)) NodePtr owned(list);
}

extern "C" SGVR_RESULT SGVR_ParList_GetStatus(SGVR_PARLIST handle) {
    if (!LibraryMemoryInstalled()) return SGVR_E_NOT_INITIALISED;
    Node* list = ListOf(handle);
    return list != nullptr ? EntryStatus(*list) : SGVR_E_INVALID_ARG;
}

extern "C" SGVR_ENTRY SGVR_ParList_AddObjectBuffer(SGVR_PARLIST list, uint16_t index, const void* buffer, uint32_t size,
                                                   SGVR_ReadFn read, uintptr_t userValue) {
    return AddBuffer(list, kObjectBufferEntry, index, buffer, size, read, userValue);
}

extern "C" SGVR_ENTRY SGVR_ParList_AddRegistryBuffer(SGVR_PARLIST list, uint16_t index, const void* buffer,
                                                     uint32_t size, SGVR_ReadFn read, uintptr_t userValue) {
    return AddBuffer(list, kRegistryBufferEntry, index, buffer, size, read, userValue);
}

extern "C" SGVR_ENTRY SGVR_ParList_AddObjectFile(SGVR_PARLIST list, uint16_t index, const void* name, uint32_t nameSize) {
    return AddFile(list, kObjectFileEntry, index, name, nameSize);
}

extern "C" SGVR_ENTRY SGVR_ParList_AddRegistryFile(SGVR_PARLIST list, uint16_t index, const void* name,
                                                   uint32_t nameSize) {
    return AddFile(list, kRegistryFileEntry, index, name, nameSize);
}

extern "C" SGVR_RESULT SGVR_ParList_RemoveObject(SGVR_PARLIST handle, SGVR_ENTRY entryHandle) {
    return ListCall(handle, entryHandle, EntryUse::Required, [](Node&, Node* entry) -> SGVR_RESULT {
        NodePtr gone = entry->Detach();
        return SGVR_OK;
    });
}

extern "C" SGVR_RESULT SGVR_ParList_SetParam(SGVR_PARLIST handle, SGVR_ENTRY entryHandle, uint32_t key, const void* data,
                                             uint32_t size) {
    return ListCall(handle, entryHandle, EntryUse::Optional, [&](Node& list, Node* entry) -> SGVR_RESULT {
        if (data == nullptr || key == 0 || key > 0xFFFF) return SGVR_E_INVALID_ARG;
        if (key == SGVR_PARAM_BUFFER || key == SGVR_PARAM_USER_VALUE) {
            if (entry == nullptr || !IsBufferKind(entry->Id()) || size != sizeof(uintptr_t)) return SGVR_E_INVALID_ARG;
            uintptr_t value;
            std::memcpy(&value, data, sizeof value);
            if (key == SGVR_PARAM_BUFFER)
                entry->SetValue(PointerValue(value));
            else
                SetChild(*entry, kUserValueNode, PointerValue(value));
        } else {
            SetParamBytes(entry != nullptr ? *entry : list, key, data, size);
        }
        return SGVR_OK;
    });
}

extern "C" SGVR_RESULT SGVR_ParList_GetParam(SGVR_PARLIST handle, SGVR_ENTRY entryHandle, uint32_t key, void* buffer,
                                             uint32_t* size) {
    return ListCall(handle, entryHandle, EntryUse::Optional, [&](Node& list, Node* entry) -> SGVR_RESULT {
        return GetParam(list, entry, key, buffer, size);
    });
}

extern "C" SGVR_RESULT SGVR_ParList_SetObjectName(SGVR_PARLIST handle, SGVR_ENTRY entryHandle, const void* name,
                                                  uint32_t size) {
    return ListCall(handle, entryHandle, EntryUse::Required, [&](Node&, Node* entry) -> SGVR_RESULT {
        if (name == nullptr || size == 0 || !TakesNames(entry->Id())) return SGVR_E_INVALID_ARG;
        NodePtr node = Node::Create(NewRandomId(*entry, kNameKind), Value::FromBytes(name, size));
        entry->AppendChild(std::move(node));
        return SGVR_OK;
    });
}

namespace {

SGVR_RESULT GetParam(Node& list, Node* entry, uint32_t key, void* buffer, uint32_t* size) {
    if (size == nullptr || key == 0 || key > 0xFFFF) return SGVR_E_INVALID_ARG;
    const Node& owner = entry != nullptr ? *entry : list;
    uint8_t scalar[sizeof(uintptr_t)];
    ByteView bytes;
    if (key == SGVR_PARAM_STATUS) {
        const uint32_t s = EntryStatus(owner);
        if (s == SGVR_OK) return SGVR_E_NO_PARAM;
        std::memcpy(scalar, &s, sizeof s);
        bytes = ByteView(scalar, sizeof s);
    } else if (key == SGVR_PARAM_BUFFER || key == SGVR_PARAM_USER_VALUE) {
        if (entry == nullptr || !IsBufferKind(entry->Id())) return SGVR_E_INVALID_ARG;
        const Node* user = entry->FindChild(kUserValueNode);
        const uintptr_t value = key == SGVR_PARAM_BUFFER ? PointerOf(entry->GetValue())
                                                         : (user != nullptr ? PointerOf(user->GetValue()) : 0);
        std::memcpy(scalar, &value, sizeof value);
        bytes = ByteView(scalar, sizeof value);
    } else {
        const Node* param = FindParam(owner, key);
        if (param == nullptr) return SGVR_E_NO_PARAM;
        bytes = param->GetValue().Data();
    }
    const uint32_t needed = static_cast<uint32_t>(bytes.size);
    if (buffer == nullptr) {
        *size = needed;
        return SGVR_OK;
    }
    if (*size < needed) {
        *size = needed;
        return SGVR_E_BUFFER_TOO_SMALL;
    }
    if (needed != 0) std::memcpy(buffer, bytes.data, needed);
    *size = needed;
    return SGVR_OK;
}

}  // namespace

extern "C" SGVR_ENTRY SGVR_ParList_FirstObject(SGVR_PARLIST handle) {
    Node* list = LibraryMemoryInstalled() ? ListOf(handle) : nullptr;
    return list != nullptr ? NextEntry(list, nullptr) : nullptr;
}

extern "C" SGVR_ENTRY SGVR_ParList_NextObject(SGVR_PARLIST handle, SGVR_ENTRY entryHandle) {
    Node *list, *entry;
    if (ResolveList(handle, entryHandle, EntryUse::Required, list, entry) != SGVR_OK) {
        if (list != nullptr) RecordStatus(*list, SGVR_E_INVALID_ARG);
        return nullptr;
    }
    return NextEntry(list, entry);
}

extern "C" SGVR_ENTRY SGVR_ParList_GetObject(SGVR_PARLIST handle, uint16_t index, void* buffer, uint32_t* size) {
    Node* list = LibraryMemoryInstalled() ? ListOf(handle) : nullptr;
    if (list == nullptr) return nullptr;
    for (Node* c = list->FirstChild(); c != nullptr; c = c->NextSibling()) {
        if (!IsEntryKind(c->Id()) || IdIndex(c->Id()) != index) continue;
        SGVR_RESULT status = SGVR_OK;
        if (size != nullptr) {
            const ByteView value = c->GetValue().Data();
            if (buffer != nullptr && *size >= value.size) {
                if (value.size != 0) std::memcpy(buffer, value.data, value.size);
            } else if (buffer != nullptr) {
                status = SGVR_E_BUFFER_TOO_SMALL;
            }
            *size = static_cast<uint32_t>(value.size);
        }
        RecordStatus(*list, status);
        return HandleOf(c);
    }
    RecordStatus(*list, SGVR_E_NO_OBJECT);
    return nullptr;
}

extern "C" uint16_t SGVR_ParList_GetIndex(SGVR_PARLIST handle, SGVR_ENTRY entryHandle) {
    Node *list, *entry;
    if (ResolveList(handle, entryHandle, EntryUse::Required, list, entry) != SGVR_OK) return 0;
    return IdIndex(entry->Id());
}

extern "C" uint16_t SGVR_ParList_FirstFailed(SGVR_PARLIST handle, SGVR_RESULT* status) {
    Node* list = LibraryMemoryInstalled() ? ListOf(handle) : nullptr;
    return list != nullptr ? FailedFrom(list->FirstChild(), status) : 0;
}

extern "C" uint16_t SGVR_ParList_NextFailed(SGVR_PARLIST handle, uint16_t index, SGVR_RESULT* status) {
    Node* list = LibraryMemoryInstalled() ? ListOf(handle) : nullptr;
    if (list == nullptr) return 0;
    for (Node* c = list->FirstChild(); c != nullptr; c = c->NextSibling())
        if (IsEntryKind(c->Id()) && IdIndex(c->Id()) == index) return FailedFrom(c->NextSibling(), status);
    return 0;
}
