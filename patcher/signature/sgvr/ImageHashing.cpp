#include "ImageHashing.h"

#include <cstring>

#include "ImageSource.h"
#include "LibraryIds.h"
#include "LibraryMemory.h"
#include "ListEntry.h"
#include "ObjectHashes.h"
#include "SecureWipe.h"

namespace sgvr {
namespace {

// A signed image whose trailer was looked for and not found keeps an empty
// signed-hash node, so that the next key does not hash it again.
constexpr size_t kNoTrailerMark = 0;

void ApplyEntryNames(const Node& entry, uint8_t hash[kGostHashSize]) {
    for (const Node* c = entry.FirstChild(); c != nullptr; c = c->NextSibling()) {
        if (KindOf(c->Id()) != kNameKind) continue;
        const ByteView name = c->GetValue().Data();
        const CByteSpan span{name.data, name.size};
        ApplyNames(hash, &span, 1);
    }
}

// Feeds the image to sink in chunks: in place when it lies in memory, else
// through a library buffer.
template <class Sink>
uint32_t FeedImage(ImageSource& source, Sink&& sink) {
    ByteView direct;
    if (source.Direct(direct)) {
        for (size_t off = 0; off < direct.size; off += kImageChunk) {
            const size_t n = direct.size - off < kImageChunk ? direct.size - off : kImageChunk;
            sink(direct.data + off, n);
        }
        return SGVR_OK;
    }
    uint8_t* chunk = static_cast<uint8_t*>(LibraryAllocate(kImageChunk));
    if (chunk == nullptr) return SGVR_E_HASH_NO_MEMORY;
    uint32_t status = SGVR_OK;
    for (uint32_t off = 0; off < source.Size() && status == SGVR_OK;) {
        const uint32_t n = source.Size() - off < kImageChunk ? source.Size() - off : kImageChunk;
        status = source.Read(off, chunk, n);
        if (status == SGVR_OK) sink(chunk, n);
        off += n;
    }
    SecureWipe(chunk, kImageChunk);
    LibraryRelease(chunk);
    return status;
}

}  // namespace

uint32_t IdentifyingHash(Node& entry, const SGVR_FileAccess* files, uint8_t hash[kGostHashSize]) {
    if (const Node* kept = entry.FindChild(kIdentifyingHashNode)) {
        if (kept->GetValue().Size() == kGostHashSize) {
            std::memcpy(hash, kept->GetValue().Data().data, kGostHashSize);
            return SGVR_OK;
        }
    }
    ImageSource source;
    uint32_t status = source.Open(entry, files);
    if (status != SGVR_OK) return status;
    CGostHash* context = NewLibraryObject<CGostHash>();
    if (context == nullptr) return SGVR_E_HASH_NO_MEMORY;
    context->Start();
    status = FeedImage(source, [context](const uint8_t* data, size_t n) { context->Update(data, n); });
    uint8_t value[kGostHashSize];
    context->Finish(value);
    DeleteLibraryObject(context);
    if (status != SGVR_OK) return status;
    ApplyEntryNames(entry, value);
    SetChild(entry, kIdentifyingHashNode, Value::FromBytes(value, sizeof value));
    std::memcpy(hash, value, kGostHashSize);
    return SGVR_OK;
}

uint32_t SignedHash(Node& entry, const SGVR_FileAccess* files, uint8_t hash[kGostHashSize],
                    uint8_t trailer[kTrailerSize]) {
    const Node* keptHash = entry.FindChild(kSignedHashNode);
    const Node* keptTrailer = entry.FindChild(kTrailerNode);
    if (keptHash != nullptr && keptHash->GetValue().Size() == kNoTrailerMark) return SGVR_E_NO_TRAILER;
    if (keptHash != nullptr && keptTrailer != nullptr && keptHash->GetValue().Size() == kGostHashSize &&
        keptTrailer->GetValue().Size() == kTrailerSize) {
        std::memcpy(hash, keptHash->GetValue().Data().data, kGostHashSize);
        std::memcpy(trailer, keptTrailer->GetValue().Data().data, kTrailerSize);
        return SGVR_OK;
    }
    ImageSource source;
    uint32_t status = source.Open(entry, files);
    if (status != SGVR_OK) return status;
    CSignedHasher* hasher = NewLibraryObject<CSignedHasher>();
    if (hasher == nullptr) return SGVR_E_HASH_NO_MEMORY;
    status = FeedImage(source, [hasher](const uint8_t* data, size_t n) { hasher->Update(data, n); });
    uint8_t value[kGostHashSize], tail[kTrailerSize];
    const uint32_t found = hasher->Finish(value, tail);
    DeleteLibraryObject(hasher);
    if (status != SGVR_OK) return status;
    if (found != SGVR_OK) {
        SetChild(entry, kSignedHashNode, Value());
        return SGVR_E_NO_TRAILER;
    }
    ApplyEntryNames(entry, value);
    SetChild(entry, kSignedHashNode, Value::FromBytes(value, sizeof value));
    SetChild(entry, kTrailerNode, Value::FromBytes(tail, sizeof tail));
    std::memcpy(hash, value, kGostHashSize);
    std::memcpy(trailer, tail, kTrailerSize);
    SecureWipe(tail, sizeof tail);
    return SGVR_OK;
}

}  // namespace sgvr
