#include "sgvr/ImageVerification.h"

#include "sgvr/ImageHashing.h"
#include "sgvr/LibraryIds.h"
#include "arith/SecureWipe.h"
#include "arith/TrailerSignature.h"

namespace sgvr {

void GatherKeys(const KeyRegistry& registry, uint32_t id, bool anyId, const Node& list, EntryList& out) {
    ForEachEntry(registry, [&](const Node& entry, uint32_t served) {
        if (IsKeyEntry(entry) && (anyId || served == id) && EntryQualifies(entry, list)) out.push_back(&entry);
    });
}

void GatherObjectKeys(const Context& context, const Node& list, EntryList& out) {
    for (auto it = context.intermediates.rbegin(); it != context.intermediates.rend(); ++it)
        GatherKeys(**it, 0, true, list, out);
    if (context.root != nullptr) GatherKeys(*context.root, kIntermediateRegistryId, false, list, out);
    GatherKeys(*context.builtin, kRootRegistryId, false, list, out);
}

uint32_t VerifyWithKeys(Context& context, Node& entry, const EntryList& keys) {
    if (keys.empty()) return SGVR_E_NO_KEY;
    uint8_t hash[kGostHashSize], trailer[kTrailerSize];
    uint32_t status = SignedHash(entry, context.Files(), hash, trailer);
    if (status != SGVR_OK) return status;
    for (const Node* key : keys) {
        const ByteView bytes = key->GetValue().Data();
        status = context.results.StatusOf(VerifyTrailerWithKey(*context.verifier, trailer, hash, bytes.data, bytes.size));
        if (status == SGVR_OK) break;
    }
    SecureWipe(trailer, sizeof trailer);
    return status;
}

}  // namespace sgvr
