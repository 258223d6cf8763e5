#include "sgvr/ImageHashing.h"

#include <cstring>

#include "arith/ObjectHashes.h"
#include "arith/SecureWipe.h"
#include "sgvr/ImageSource.h"
#include "sgvr/LibraryIds.h"
#include "sgvr/LibraryMemory.h"
#include "sgvr/ListEntry.h"

namespace sgvr {
namespace {

// A signed image whose trailer was looked for and not found keeps an empty
// signed-hash node, so that the next key does not hash it again.
constexpr size_t kNoTrailerMark = 0;

void ApplyEntryNames(const Node& entry, uint8_t hash[kGostHashSize]) {
    for (const Node* c = entry.FirstChild(); c != nullptr; c = c->NextSibling()) {
        if (KindOf(c->Id()) != kNameKind) continue;
        const ByteView name = c->GetValue().Data();
        ApplyNames(hash, &name, 1);
    }
}

void FeedInPlace(ByteView bytes, CSignedHasher& hasher) {
    for (size_t off = 0; off < bytes.size; off += kImageChunk) {
        const size_t n = bytes.size - off < kImageChunk ? bytes.size - off : kImageChunk;
        hasher.Update(bytes.data + off, n);
    }
}

// The entry's bytes, in place when they lie in memory, else through a library
// buffer: each byte is read once.
uint32_t FeedSource(ImageSource& source, CSignedHasher& hasher) {
    ByteView direct;
    if (source.Direct(direct)) {
        FeedInPlace(direct, hasher);
        return SGVR_OK;
    }
    struct Chunk {
        uint8_t bytes[kImageChunk];
    };
    LibraryUnique<Chunk> chunk = MakeLibraryObject<Chunk>();
    if (chunk == nullptr) return SGVR_E_HASH_NO_MEMORY;
    uint8_t* bytes = chunk->bytes;
    uint32_t status = SGVR_OK;
    for (uint32_t off = 0; off < source.Size() && status == SGVR_OK;) {
        const uint32_t n = source.Size() - off < kImageChunk ? source.Size() - off : kImageChunk;
        status = source.Read(off, bytes, n);
        if (status == SGVR_OK) hasher.Update(bytes, n);
        off += n;
    }
    SecureWipe(bytes, kImageChunk);
    return status;
}

bool Kept(const Node& entry, NodeId id, size_t size, uint8_t* out) {
    const Node* kept = entry.FindChild(id);
    if (kept == nullptr || kept->GetValue().Size() != size) return false;
    std::memcpy(out, kept->GetValue().Data().data, size);
    return true;
}

bool KeptNoTrailer(const Node& entry) {
    const Node* kept = entry.FindChild(kSignedHashNode);
    return kept != nullptr && kept->GetValue().Size() == kNoTrailerMark;
}

}  // namespace

uint32_t HashImage(Node& entry, const SGVR_FileAccess* files, const ByteView* held) {
    uint8_t whole[kGostHashSize], signedHash[kGostHashSize], tail[kTrailerSize];
    if (Kept(entry, kIdentifyingHashNode, kGostHashSize, whole) &&
        (KeptNoTrailer(entry) || Kept(entry, kSignedHashNode, kGostHashSize, signedHash)))
        return SGVR_OK;
    LibraryUnique<CSignedHasher> hasher = MakeLibraryObject<CSignedHasher>();
    if (hasher == nullptr) return SGVR_E_HASH_NO_MEMORY;
    uint32_t status = SGVR_OK;
    if (held != nullptr) {
        if (held->empty()) return SGVR_E_IMAGE_MISSING;
        FeedInPlace(*held, *hasher);
    } else {
        ImageSource source;
        status = source.Open(entry, files);
        if (status != SGVR_OK) return status;
        status = FeedSource(source, *hasher);
    }
    const uint32_t found = hasher->Finish(signedHash, tail, whole);
    hasher.reset();
    if (status != SGVR_OK) return status;
    ApplyEntryNames(entry, whole);
    SetChild(entry, kIdentifyingHashNode, Value::FromBytes(whole, sizeof whole));
    if (found != SGVR_OK) {
        SetChild(entry, kSignedHashNode, Value());
        return SGVR_OK;
    }
    ApplyEntryNames(entry, signedHash);
    SetChild(entry, kSignedHashNode, Value::FromBytes(signedHash, sizeof signedHash));
    SetChild(entry, kTrailerNode, Value::FromBytes(tail, sizeof tail));
    SecureWipe(tail, sizeof tail);
    return SGVR_OK;
}

uint32_t IdentifyingHash(Node& entry, const SGVR_FileAccess* files, uint8_t hash[kGostHashSize]) {
    if (Kept(entry, kIdentifyingHashNode, kGostHashSize, hash)) return SGVR_OK;
    const uint32_t status = HashImage(entry, files);
    if (status != SGVR_OK) return status;
    return Kept(entry, kIdentifyingHashNode, kGostHashSize, hash) ? SGVR_OK : SGVR_S_UNDER_CHECK;
}

uint32_t SignedHash(Node& entry, const SGVR_FileAccess* files, uint8_t hash[kGostHashSize],
                    uint8_t trailer[kTrailerSize]) {
    if (!KeptNoTrailer(entry) && !Kept(entry, kSignedHashNode, kGostHashSize, hash)) {
        const uint32_t status = HashImage(entry, files);
        if (status != SGVR_OK) return status;
    }
    if (KeptNoTrailer(entry)) return SGVR_E_NO_TRAILER;
    if (!Kept(entry, kSignedHashNode, kGostHashSize, hash) || !Kept(entry, kTrailerNode, kTrailerSize, trailer))
        return SGVR_E_NO_TRAILER;
    return SGVR_OK;
}

}  // namespace sgvr
