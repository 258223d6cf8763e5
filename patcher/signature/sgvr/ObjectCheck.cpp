// SGVR_CheckObjects: every object of a list against the prepared set, hash
// matches first, signatures second, the built-in keys last.
#include <cstring>
#include <new>

#include "sgvr/ApiFrame.h"
#include "sgvr/Context.h"
#include "sgvr/ImageHashing.h"
#include "sgvr/ImageVerification.h"
#include "sgvr/LibraryIds.h"
#include "sgvr/LibraryMemory.h"
#include "sgvr/ListEntry.h"
#include "sgvr/ListHandles.h"
#include "image/RegistryImage.h"

using namespace sgvr;

namespace {

struct WorkItem {
    Node* entry = nullptr;  // the caller's entry
    NodePtr work;           // a copy that keeps the hashes
    uint32_t status = SGVR_S_UNDER_CHECK;
    bool done = false;
    uint32_t verifiedBy = 0;
    bool namesId = false;
    uint32_t namedId = 0;
    bool hasHint = false;
    uint32_t hint = 0;
    // A wrong index hint is the caller's mistake; a later failed signature
    // must not hide it.
    bool hintFailed = false;
};
using WorkList = std::vector<WorkItem, TreeAllocator<WorkItem>>;
using HashViews = std::vector<ByteView, TreeAllocator<ByteView>>;

class ObjectChecker {
public:
    ObjectChecker(Context& context, Node& list) : context_(context), list_(list) {}

    // Checks the objects and copies the outcomes back to the caller's entries.
    SGVR_RESULT Run(const EntryNodes& entries, uint32_t extraId) {
        CopyEntries(entries, items_);
        for (WorkItem& w : items_) {
            const uint32_t status = EntryStatus(*w.entry);
            if (status != 0) w.status = status;
            w.namesId = ParamU32(*w.entry, SGVR_PARAM_REGISTRY_ID, w.namedId);
            w.hasHint = ParamU32(*w.entry, SGVR_PARAM_INDEX_HINT, w.hint);
        }
        NamedIds();
        IndexedHashes(extraId);
        AllKeys();
        CopyBack();
        for (const WorkItem& w : items_)
            if (!w.done) return SGVR_E_CONSISTENCY;
        return SGVR_OK;
    }

private:
    // The working statuses go back to the caller's entries, with how each
    // verified object was verified.
    void CopyBack() {
        for (WorkItem& w : items_) {
            RecordStatus(*w.entry, w.done ? SGVR_OK : w.status);
            if (w.done) SetParamBytes(*w.entry, SGVR_PARAM_REGISTRY_ID, &w.verifiedBy, sizeof w.verifiedBy);
        }
    }

    void Verified(WorkItem& w, uint32_t how) {
        w.done = true;
        w.status = SGVR_OK;
        w.verifiedBy = how;
    }

    // The object's identifying hash; false (with the status) when none can be made.
    bool Hash(WorkItem& w, uint8_t hash[kGostHashSize]) {
        w.status = SGVR_S_UNDER_CHECK;
        const uint32_t status = IdentifyingHash(*w.work, context_.Files(), hash);
        if (status != SGVR_OK) w.status = status;
        return status == SGVR_OK;
    }

    static bool Contains(const HashViews& hashes, const uint8_t hash[kGostHashSize]) {
        for (const ByteView& h : hashes)
            if (std::memcmp(h.data, hash, kGostHashSize) == 0) return true;
        return false;
    }

    // The hashes of the qualifying hash entries of one registry, in tree order.
    void RegistryHashes(const KeyRegistry& registry, HashViews& out) {
        out.clear();
        HashViews one;
        ForEachEntry(registry, [&](const Node& entry, uint32_t) {
            if (!IsHashEntry(entry) || !EntryQualifies(entry, list_)) return;
            EntryHashes(entry, one);
            out.insert(out.end(), one.begin(), one.end());
        });
    }

    void TrySignature(WorkItem& w, const EntryList& keys) {
        if (keys.empty()) return;
        const uint32_t status = VerifyWithKeys(context_, *w.work, keys);
        if (status == SGVR_OK)
            Verified(w, SGVR_VERIFIED_BY_SIGNATURE);
        else if (!w.hintFailed)
            w.status = status;
    }

    // Objects that name a registry id: that id's hash lists (or the one
    // position the index hint names), then the keys that serve that id.
    void NamedIds() {
        HashViews hashes;
        for (WorkItem& w : items_) {
            if (w.done || !w.namesId) continue;
            const IdRegistries* slot = context_.OthersOf(w.namedId);
            uint8_t hash[kGostHashSize];
            if (slot != nullptr && !slot->registries.empty() && Hash(w, hash)) {
                if (w.hasHint) {
                    if (slot->registries.size() > 1) {
                        w.status = SGVR_E_AMBIGUOUS_INDEX;
                        w.hintFailed = true;
                    } else {
                        RegistryHashes(*slot->registries.front(), hashes);
                        if (w.hint >= hashes.size()) {
                            w.status = SGVR_E_INDEX_BEYOND_LIST;
                            w.hintFailed = true;
                        } else if (std::memcmp(hashes[w.hint].data, hash, kGostHashSize) == 0)
                            Verified(w, SGVR_VERIFIED_BY_HASH);
                    }
                } else {
                    for (const KeyRegistryPtr& r : slot->registries) {
                        RegistryHashes(*r, hashes);
                        if (Contains(hashes, hash)) {
                            Verified(w, SGVR_VERIFIED_BY_HASH);
                            break;
                        }
                    }
                }
            }
            if (w.done) continue;
            EntryList keys;
            if (w.namedId == kRootRegistryId) {
                if (context_.root != nullptr) GatherKeys(*context_.root, kIntermediateRegistryId, false, list_, keys);
            } else {
                for (const KeyRegistryPtr& inter : context_.intermediates)
                    GatherKeys(*inter, w.namedId, false, list_, keys);
            }
            TrySignature(w, keys);
        }
    }

    // Objects without a named id: the hash lists of every id the index offers this list.
    void IndexedHashes(uint32_t extraId) {
        IdVector ids;
        context_.index.IdsFor(list_, extraId, ids);
        HashViews hashes;
        for (uint32_t id : ids) {
            const IdRegistries* slot = context_.OthersOf(id);
            if (slot == nullptr) continue;
            for (const KeyRegistryPtr& r : slot->registries) {
                RegistryHashes(*r, hashes);
                if (hashes.empty()) continue;
                for (WorkItem& w : items_) {
                    uint8_t hash[kGostHashSize];
                    if (w.done || w.namesId || !Hash(w, hash)) continue;
                    if (Contains(hashes, hash)) Verified(w, SGVR_VERIFIED_BY_HASH);
                }
            }
        }
    }

    // Every remaining object: the intermediates' keys (last accepted first),
    // the root's keys for intermediates, the built-in keys.
    void AllKeys() {
        EntryList keys;
        GatherObjectKeys(context_, list_, keys);
        for (WorkItem& w : items_)
            if (!w.done) TrySignature(w, keys);
    }

    Context& context_;
    Node& list_;
    WorkList items_;
};

}  // namespace

extern "C" SGVR_RESULT SGVR_CheckObjects(SGVR_CONTEXT handle, SGVR_PARLIST listHandle, uint32_t extraId) {
    return EntriesCall<ObjectChecker>(handle, listHandle, extraId);
}
