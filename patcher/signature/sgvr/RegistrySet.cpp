// SGVR_PrepareRegsSet: accepts the registries of a list in the order of trust
// (root by the built-in registry, intermediates by the root, others by the
// intermediates) and keeps them in the context.
#include <cstring>
#include <map>
#include <new>

#include "sgvr/ApiFrame.h"
#include "sgvr/Context.h"
#include "sgvr/ImageHashing.h"
#include "sgvr/ImageSource.h"
#include "sgvr/ImageVerification.h"
#include "sgvr/LibraryIds.h"
#include "sgvr/LibraryMemory.h"
#include "sgvr/ListEntry.h"
#include "sgvr/ListHandles.h"
#include "image/RegistryImage.h"

using namespace sgvr;

namespace {

// One registry of the caller's list while the set is built.
struct Candidate {
    Node* entry = nullptr;  // the caller's entry
    NodePtr work;           // a copy that keeps the hashes
    Bytes storage;          // the image, when it does not lie in memory
    ByteView image;
    uint32_t openStatus = SGVR_OK;
    bool headerOk = false;
    ImageHeader header;
    bool tookPart = false;
    bool accepted = false;
};
using Candidates = std::vector<Candidate, TreeAllocator<Candidate>>;

// Brings the image into memory, reading a callback's or a file's bytes once,
// and reads its header.
void Open(Candidate& c, const SGVR_FileAccess* files) {
    ImageSource source;
    c.openStatus = source.Open(*c.work, files);
    if (c.openStatus != SGVR_OK) return;
    if (!source.Direct(c.image)) {
        // In chunks, as a callback or the file interface is read everywhere.
        c.storage.resize(source.Size());
        for (uint32_t off = 0; off < source.Size(); off += kImageChunk) {
            const uint32_t n = source.Size() - off < kImageChunk ? source.Size() - off : kImageChunk;
            c.openStatus = source.Read(off, c.storage.data() + off, n);
            if (c.openStatus != SGVR_OK) return;
        }
        c.image = ByteView(c.storage.data(), c.storage.size());
    }
    c.openStatus = ReadImageHeader(c.image, ReadOptions(), c.header);
    c.headerOk = c.openStatus == kImageOk;
}

class SetBuilder {
public:
    SetBuilder(Context& context, Node& list) : context_(context), list_(list) {}

    // Builds the set and reports every registry's outcome on its entry.
    SGVR_RESULT Run(const EntryNodes& entries, uint32_t extraId) {
        CopyEntries(entries, candidates_);
        for (Candidate& c : candidates_) Open(c, context_.Files());
        SGVR_RESULT status = Root();
        if (status == SGVR_OK) status = Intermediates();
        if (status == SGVR_OK) status = Others(extraId);
        ReportStatuses();
        return status;
    }

private:
    // Every registry that took part tells whether it was accepted; one that
    // could not be opened or read tells why, and one whose id no step asked
    // for says so.
    void ReportStatuses() {
        for (Candidate& c : candidates_) {
            if (c.tookPart)
                RecordStatus(*c.entry, c.accepted ? SGVR_OK : SGVR_E_REGISTRY_REJECTED);
            else
                RecordStatus(*c.entry, c.openStatus != SGVR_OK ? c.openStatus : SGVR_E_IMAGE_WRONG_ID);
        }
    }

    // Accepts the next registry of the list with the required id, verified
    // with the given keys. SGVR_E_ALREADY_IN_SET when none is left.
    SGVR_RESULT AcceptOne(uint32_t requiredId, const EntryList& keys, KeyRegistryPtr& out, Candidate*& which) {
        for (Candidate& c : candidates_) {
            if (c.tookPart || !c.headerOk || c.header.registryId != requiredId) continue;
            c.tookPart = true;
            which = &c;
            // Both hashes come from the bytes read once in Open, the same
            // bytes the tree is loaded from below.
            SGVR_RESULT status = HashImage(*c.work, context_.Files(), &c.image);
            if (status != SGVR_OK) return status;
            uint8_t hash[kGostHashSize];
            status = IdentifyingHash(*c.work, context_.Files(), hash);
            if (status != SGVR_OK) return status;
            // An image verified before is accepted without a second signature check.
            if (!context_.WasAccepted(hash)) {
                status = VerifyWithKeys(context_, *c.work, keys);
                if (status != SGVR_OK) return status;
            }
            status = LoadKeyRegistry(c.image, requiredId, hash, out);
            if (status != SGVR_OK) return status;
            if (!context_.WasAccepted(hash)) {
                Hash32 h;
                std::memcpy(h.bytes, hash, kGostHashSize);
                context_.accepted.push_back(h);
            }
            return SGVR_OK;
        }
        return SGVR_E_ALREADY_IN_SET;
    }

    SGVR_RESULT Root() {
        EntryList keys;
        GatherKeys(*context_.builtin, kRootRegistryId, false, list_, keys);
        KeyRegistryPtr root;
        Candidate* c = nullptr;
        const SGVR_RESULT status = AcceptOne(kRootRegistryId, keys, root, c);
        if (context_.root != nullptr) {
            // The set keeps its root; a root registry in the list is only verified.
            if (status == SGVR_E_ALREADY_IN_SET) return SGVR_OK;
            if (status != SGVR_OK) return status;
            c->accepted = true;
            return SGVR_OK;
        }
        if (status == SGVR_E_ALREADY_IN_SET) return SGVR_E_NO_MATCH;
        if (status != SGVR_OK) return status;
        context_.root = std::move(root);
        c->accepted = true;
        return SGVR_OK;
    }

    SGVR_RESULT Intermediates() {
        EntryList keys;
        GatherKeys(*context_.root, kIntermediateRegistryId, false, list_, keys);
        for (;;) {
            KeyRegistryPtr registry;
            Candidate* c = nullptr;
            const SGVR_RESULT status = AcceptOne(kIntermediateRegistryId, keys, registry, c);
            if (status == SGVR_E_ALREADY_IN_SET) break;
            if (status != SGVR_OK) return status;
            c->accepted = true;
            if (Holds(context_.intermediates, registry->hash)) continue;
            IndexKeys(*registry);
            context_.intermediates.push_back(std::move(registry));
        }
        return context_.intermediates.empty() ? SGVR_E_NO_MATCH : SGVR_OK;
    }

    SGVR_RESULT Others(uint32_t extraId) {
        IdVector ids;
        context_.index.IdsFor(list_, extraId, ids);
        // The intermediates' key entries by the id they serve, gathered once:
        // one pass over the entries instead of one per id.
        std::map<uint32_t, EntryList, std::less<uint32_t>, TreeAllocator<std::pair<const uint32_t, EntryList>>> keysOf;
        for (const KeyRegistryPtr& inter : context_.intermediates)
            ForEachEntry(*inter, [&](const Node& entry, uint32_t served) {
                if (IsKeyEntry(entry) && EntryQualifies(entry, list_)) keysOf[served].push_back(&entry);
            });
        const EntryList none;
        for (uint32_t id : ids) {
            if (IsTrustLayer(id)) continue;
            const auto found = keysOf.find(id);
            const EntryList& keys = found != keysOf.end() ? found->second : none;
            for (;;) {
                KeyRegistryPtr registry;
                Candidate* c = nullptr;
                const SGVR_RESULT status = AcceptOne(id, keys, registry, c);
                if (status == SGVR_E_ALREADY_IN_SET) break;
                if (status != SGVR_OK) return status;
                IdRegistries* slot = context_.OthersOf(id);
                if (slot == nullptr) {
                    IdRegistries fresh;
                    fresh.id = id;
                    context_.others.push_back(std::move(fresh));
                    slot = &context_.others.back();
                }
                if (Holds(slot->registries, registry->hash)) {
                    c->accepted = true;  // already in the set: counts as accepted
                    continue;
                }
                // One registry of an id may stand without the flag; the others add to it.
                if (!registry->flag)
                    for (const KeyRegistryPtr& r : slot->registries)
                        if (!r->flag) return SGVR_E_SECOND_UNFLAGGED;
                c->accepted = true;
                slot->registries.push_back(std::move(registry));
            }
        }
        return SGVR_OK;
    }

    template <class Vector>
    static bool Holds(const Vector& registries, const uint8_t hash[kGostHashSize]) {
        for (const KeyRegistryPtr& r : registries)
            if (std::memcmp(r->hash, hash, kGostHashSize) == 0) return true;
        return false;
    }

    // The ids of the trust layers themselves are never offered to "others":
    // a registry of those ids is vouched for only by the layer above it.
    static bool IsTrustLayer(uint32_t id) {
        return id == kBuiltinRegistryId || id == kRootRegistryId || id == kIntermediateRegistryId;
    }

    void IndexKeys(const KeyRegistry& registry) {
        ForEachEntry(registry, [this](const Node& entry, uint32_t served) {
            if (IsKeyEntry(entry) && !IsTrustLayer(served)) context_.index.Add(entry, served);
        });
    }

    Context& context_;
    Node& list_;
    Candidates candidates_;
};

}  // namespace

extern "C" SGVR_RESULT SGVR_PrepareRegsSet(SGVR_CONTEXT handle, SGVR_PARLIST listHandle, uint32_t extraId) {
    return EntriesCall<SetBuilder>(handle, listHandle, extraId);
}
