#pragma once
// The two hashes of an entry's image, made in one pass over its bytes and kept
// on the entry: the identifying hash (whole image, then each name) and the
// signed hash (the bytes before the trailer, then each name) with its trailer.
// An image read through a callback or the file-access interface is read once,
// so both hashes, and a tree parsed from held bytes, speak of the same bytes.
#include <cstdint>

#include "arith/GostHash.h"
#include "arith/TrailerFinder.h"
#include "bytes/ByteView.h"
#include "image/Node.h"
#include "sgvr/Sgvr.h"

namespace sgvr {

// Chunk size of a read through a callback or the file-access interface.
constexpr uint32_t kImageChunk = 32767;

// Makes and keeps both hashes unless the entry keeps them already: from held
// when given (the image as already read), else from the entry's source.
// SGVR_OK or the failure (no memory for a hash context, a failed read, a
// missing image). Throws std::bad_alloc when a node cannot be kept.
uint32_t HashImage(Node& entry, const SGVR_FileAccess* files, const ByteView* held = nullptr);

// The kept hashes, made first when missing. SignedHash answers
// SGVR_E_NO_TRAILER for an image without a complete trailer.
uint32_t IdentifyingHash(Node& entry, const SGVR_FileAccess* files, uint8_t hash[kGostHashSize]);
uint32_t SignedHash(Node& entry, const SGVR_FileAccess* files, uint8_t hash[kGostHashSize],
                    uint8_t trailer[kTrailerSize]);

}  // namespace sgvr
